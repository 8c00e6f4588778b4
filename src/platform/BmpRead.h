#pragma once
// Reading BMP files for import. Whatever the file's name, only the BMP reader
// is used, so a PNG renamed to .bmp is refused.
#include <QImage>
#include <QString>

namespace vorlix {

// Reads a BMP file into a 24-bit QImage::Format_BGR888 picture. Every pixel has
// a defined value even when the file is damaged (pixels the reader could not
// decode are black). Throws VorlixError("Bitmap image is not valid") for a
// file that is not a readable BMP, or one too large to hold in memory.
QImage readBmpFile(const QString &path);

} // namespace vorlix
