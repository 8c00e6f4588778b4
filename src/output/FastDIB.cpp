#include "output/FastDIB.h"

#include "output/SkinWriter.h"
#include "platform/Errors.h"


#include <cstdlib>
#include <cstring>
#include <limits>

namespace vorlix {

namespace {

constexpr int kFileHeaderSize = 14;
constexpr int kCoreHeaderSize = 12;

void put16(std::uint8_t *p, std::uint32_t v)
{
    p[0] = std::uint8_t(v);
    p[1] = std::uint8_t(v >> 8);
}

void put32(std::uint8_t *p, std::uint32_t v)
{
    put16(p, v);
    put16(p + 2, v >> 16);
}

// The 26 bytes in front of the pixels.
std::array<std::uint8_t, kFileHeaderSize + kCoreHeaderSize> fileHeaders(const TFastDIB &dib)
{
    std::array<std::uint8_t, kFileHeaderSize + kCoreHeaderSize> h{};
    const std::uint32_t pixelBytes = std::uint32_t(dib.PixelBuffer.size());
    h[0] = 'B';
    h[1] = 'M';
    put32(&h[2], kFileHeaderSize + kCoreHeaderSize + pixelBytes);
    put32(&h[10], kFileHeaderSize + kCoreHeaderSize);
    put32(&h[14], kCoreHeaderSize);
    put16(&h[18], std::uint32_t(dib.PixelWidth));
    put16(&h[20], std::uint32_t(dib.PixelHeight));
    put16(&h[22], 1);
    put16(&h[24], std::uint32_t(dib.Depth));
    return h;
}

} // namespace

void TFastDIB::SetFormat(int width, int height, int bitsPerPixel)
{
    if (width == PixelWidth && std::abs(height) == PixelHeight && bitsPerPixel == Depth)
        return;
    if (bitsPerPixel != 24)
        throw VorlixError(QStringLiteral("Only 24-bit pictures can be written"));
    if (width < 0)
        throw VorlixError(QStringLiteral("Invalid picture size"));
    height = std::abs(height);
    const qint64 stride = ((qint64(bitsPerPixel) * width + 31) / 32) * 4;
    const qint64 bytes = stride * height;
    if (bytes > std::numeric_limits<std::int32_t>::max())
        throw VorlixError(QStringLiteral("The picture is too large"));

    PixelWidth = width;
    PixelHeight = height;
    Depth = std::int16_t(bitsPerPixel);
    RowStride = std::int32_t(stride);
    RowPadding = RowStride - 3 * PixelWidth;
    Header.Width = PixelWidth;
    Header.Height = -PixelHeight;
    Header.BitCount = std::uint16_t(Depth);
    Header.Compression = 0;
    Header.SizeImage = std::uint32_t(bytes);

    PixelBuffer.assign(std::size_t(bytes), 0);
    RowTable.resize(std::size_t(PixelHeight));
    for (int y = 0; y < PixelHeight; ++y)
        RowTable[std::size_t(y)] = PixelBuffer.data() + qint64(y) * RowStride;
}

void TFastDIB::CaptureBitmap(const QImage &bitmap, int bitsPerPixel)
{
    const int depth = bitsPerPixel != 0 ? bitsPerPixel : bitmap.depth();
    SetFormat(bitmap.width(), bitmap.height(), depth);
    const QImage rows = bitmap.format() == QImage::Format_BGR888
        ? bitmap
        : bitmap.convertToFormat(QImage::Format_BGR888);
    const std::size_t rowBytes = std::size_t(PixelWidth) * 3;
    for (int y = 0; y < PixelHeight; ++y) {
        std::uint8_t *dst = RowTable[std::size_t(y)];
        std::memcpy(dst, rows.constScanLine(y), rowBytes);
        std::memset(dst + rowBytes, 0, std::size_t(RowPadding));
    }
}

void TFastDIB::FlipRows()
{
    if (PixelHeight < 2)
        return;
    std::vector<std::uint8_t> tmp(static_cast<std::size_t>(RowStride));
    for (int i = 0; i <= (PixelHeight - 1) / 2; ++i) {
        const int j = PixelHeight - 1 - i;
        if (i == j)
            break;
        std::uint8_t *a = RowTable[std::size_t(i)];
        std::uint8_t *b = RowTable[std::size_t(j)];
        std::memcpy(tmp.data(), a, tmp.size());
        std::memcpy(a, b, tmp.size());
        std::memcpy(b, tmp.data(), tmp.size());
    }
}

QByteArray TFastDIB::BmpBytes()
{
    // The file's size fields are 16 bits wide; a larger picture would be
    // written with a wrong size and be unreadable.
    if (PixelWidth > 0xFFFF || PixelHeight > 0xFFFF)
        throw VorlixError(QStringLiteral("The picture is too large for a BMP file"));
    const auto headers = fileHeaders(*this);
    QByteArray out;
    out.reserve(qsizetype(headers.size() + PixelBuffer.size()));
    out.append(reinterpret_cast<const char *>(headers.data()), qsizetype(headers.size()));
    // Flipped in place for one block copy, and back so the object is unchanged.
    FlipRows();
    out.append(reinterpret_cast<const char *>(PixelBuffer.data()), qsizetype(PixelBuffer.size()));
    FlipRows();
    return out;
}

void TFastDIB::WriteBmp(const QString &path)
{
    // Written to a hidden temporary beside the old file and renamed over it on
    // success, so a failed save leaves the old file as it was.
    writeFilesTwoPhase({FileToWrite{path, BmpBytes()}});
}

QByteArray bitmapFileBytes(QImage &bitmap)
{
    if (bitmap.isNull() || bitmap.width() < 1 || bitmap.height() < 1)
        throw VorlixError(QStringLiteral("There is no picture to save"));
    if (bitmap.format() != QImage::Format_BGR888)
        bitmap.convertTo(QImage::Format_BGR888);
    TFastDIB dib;
    dib.CaptureBitmap(bitmap, 24);
    return dib.BmpBytes();
}

void WriteBitmapFile(const QString &path, QImage &bitmap)
{
    writeFilesTwoPhase({FileToWrite{path, bitmapFileBytes(bitmap)}});
}

} // namespace vorlix
