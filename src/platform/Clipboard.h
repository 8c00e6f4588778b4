#pragma once
// Pictures on the system clipboard, shared with other programs. The editor
// puts 24-bit pictures there and takes whatever picture another program
// offers (a bitmap, a PNG from a browser, ...).
#include <QImage>

namespace vorlix {

// Puts a copy of the picture on the clipboard as a 24-bit image; other
// programs can read it in the usual image formats. Throws VorlixError when
// there is no clipboard.
void putPictureOnClipboard(const QImage &picture);

// The clipboard's picture as QImage::Format_BGR888, transparent parts
// flattened onto white; a null image when the clipboard holds no picture.
// Throws VorlixError when the clipboard offers a picture that can't be read
// or converted.
QImage pictureFromClipboard();

} // namespace vorlix
