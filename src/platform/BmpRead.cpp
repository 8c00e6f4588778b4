#include "platform/BmpRead.h"

#include "platform/Errors.h"

#include <QColorSpace>
#include <QFile>
#include <QImageReader>

namespace vorlix {

namespace {

[[noreturn]] void notValid()
{
    throw VorlixError(QStringLiteral("Bitmap image is not valid"));
}

} // namespace

QImage readBmpFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        notValid();
    QImageReader reader(&file, "bmp");
    reader.setAutoTransform(false);
    const QSize size = reader.size();
    const QImage::Format format = reader.imageFormat();
    if (!size.isValid() || size.isEmpty() || format == QImage::Format_Invalid)
        notValid();

    // Qt's BMP reader decodes into an image of the right size and format when
    // it is handed one, and reports success for some damaged files while
    // leaving pixels it could not decode untouched. Handing it a cleared image
    // gives those pixels a defined value. Its allocation limit still applies.
    const qint64 bytes = qint64(size.width()) * size.height() * 4;
    if (bytes > qint64(QImageReader::allocationLimit()) * 1024 * 1024)
        notValid();
    QImage image(size, format);
    if (image.isNull())
        notValid();
    image.fill(0);
    const uchar *const before = image.constBits();
    if (!reader.read(&image) || image.isNull())
        notValid();
    if (image.constBits() != before) {
        // The reader built its own image after all; we can't vouch for it.
        notValid();
    }
    QImage out = image.convertToFormat(QImage::Format_BGR888);
    if (out.isNull())
        notValid();
    out.setColorSpace(QColorSpace());
    return out;
}

} // namespace vorlix
