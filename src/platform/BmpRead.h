#pragma once
// Reading BMP files for import. Whatever the file's name, only the BMP reader
// is used, so a PNG renamed to .bmp is refused.
#include <QImage>
#include <QImageReader>
#include <QSize>
#include <QString>

namespace vorlix {

class JobProgress;

// No skin needs a bigger picture; anything larger is refused before it is
// decoded, so a few bytes of run-length data can't ask for gigabytes.
inline constexpr int kMaxPictureSide = 16384;
inline constexpr qint64 kMaxPicturePixels = 64LL * 1024 * 1024;

// Throws VorlixError naming the size and both limits when a picture of this
// size (a negative extent counts by its magnitude) is too large for the skin.
void requirePictureSizeForSkin(qint64 width, qint64 height);

// Reads a picture in any format Qt reads, for the skin: refused with the
// size message before anything is decoded when its header gives a size too
// large, and after decoding when it gives none. Null when it doesn't decode
// (the reader's errorString() says why).
QImage readPictureForSkin(QImageReader &reader);

// Reads a BMP file into a 24-bit QImage::Format_BGR888 picture. Every pixel has
// a defined value even when the file is damaged (pixels the reader could not
// decode are black). Rows may be stored bottom-up or top-down.
//
// Only a regular file is opened: a folder, pipe or device is refused at once
// and never waited on. Throws VorlixError with
// - "Cannot open file "<path>". <reason>" when the file can't be opened,
// - the size message of requirePictureSizeForSkin() when the header declares
//   a picture too large for the skin (checked before anything is decoded),
// - "Bitmap image is not valid" when the file opens but does not decode.
// With a progress, it is told how far the rows have come, and looked at for a
// Cancel every few rows (JobCancelled is thrown then).
QImage readBmpFile(const QString &path, JobProgress *progress = nullptr);
// The same for a device opened for reading (a file's bytes in memory); the
// "Cannot open" case does not arise.
QImage readBmpDevice(QIODevice &device, JobProgress *progress = nullptr);

// Reads a picture to import: a BMP (by its first bytes, whatever its name)
// as readBmpFile does, any other format Qt's readers know (PNG, GIF, JPEG,
// TIFF, WebP...) through them, its first frame. Transparent parts are put
// over background. Throws VorlixError saying what is wrong with the file:
// not a picture Vorlix can read, or damaged and why.
QImage readImportPicture(const QString &path, QRgb background, JobProgress *progress = nullptr);

// The size a BMP file's headers declare (rows stored top-down give a
// negative height), read from its first bytes without decoding anything;
// invalid when the headers are too short or not a BMP's.
QSize declaredBmpSize(QIODevice &device);

} // namespace vorlix
