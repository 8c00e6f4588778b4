#include "platform/BmpRead.h"

#include "platform/Errors.h"

#include <QColorSpace>
#include <QFile>
#include <QImageReader>

#include <cstdlib>

namespace vorlix {

namespace {

[[noreturn]] void notValid()
{
    throw VorlixError(QStringLiteral("Bitmap image is not valid"));
}

quint32 le(const QByteArray &b, int at, int size)
{
    quint32 v = 0;
    for (int i = size - 1; i >= 0; --i)
        v = (v << 8) | quint8(b[at + i]);
    return v;
}

// An uncompressed file shorter than its own pixel rows: the reader would fill
// the missing rows with whatever it likes, so such a file is refused.
bool truncated(QFile &file)
{
    const QByteArray head = file.peek(34);
    if (head.size() < 26 || !head.startsWith("BM"))
        return false; // the reader decides
    const qint64 offset = le(head, 10, 4);
    const quint32 headerSize = le(head, 14, 4);
    qint64 width, height;
    int bits;
    quint32 compression = 0;
    if (headerSize == 12) {
        width = le(head, 18, 2);
        height = le(head, 20, 2);
        bits = int(le(head, 24, 2));
    } else {
        if (head.size() < 34)
            return false;
        width = qint32(le(head, 18, 4));
        height = qint32(le(head, 22, 4));
        bits = int(le(head, 28, 2));
        compression = le(head, 30, 4);
    }
    const bool uncompressed = compression == 0 || compression == 3 || compression == 6;
    if (!uncompressed || width <= 0 || bits <= 0 || bits > 32)
        return false;
    const qint64 stride = ((width * bits + 31) / 32) * 4;
    return file.size() < offset + stride * std::abs(height);
}

} // namespace

QImage readBmpFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        notValid();
    if (truncated(file))
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
