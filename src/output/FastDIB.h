#pragma once
// TFastDIB: an in-memory device-independent bitmap with rows top-down, and the
// BMP writer built on it. A written file is a 14-byte file header, the 12-byte
// core header and bottom-up rows of 24-bit pixels padded to 4 bytes.
#include <QImage>
#include <QString>

#include <array>
#include <cstdint>
#include <vector>

namespace vorlix {

class TFastDIB
{
public:
    // The information header as a bitmap in memory describes itself (40 bytes);
    // the file carries the shorter core header instead.
    struct InfoHeader
    {
        std::uint32_t Size = 40;
        std::int32_t Width = 0;
        std::int32_t Height = 0; // negative: rows top-down in memory
        std::uint16_t Planes = 1;
        std::uint16_t BitCount = 0;
        std::uint32_t Compression = 0;
        std::uint32_t SizeImage = 0;
        std::int32_t XPelsPerMeter = 0;
        std::int32_t YPelsPerMeter = 0;
        std::uint32_t ClrUsed = 0;
        std::uint32_t ClrImportant = 0;
    };

    std::int32_t PixelWidth = 0;
    std::int32_t PixelHeight = 0;
    std::int16_t Depth = 0;
    std::int32_t RowStride = 0;
    std::int32_t RowPadding = 0;
    std::vector<std::uint8_t> PixelBuffer; // top row first, blue-green-red
    std::vector<std::uint8_t *> RowTable;  // entry 0 is the top row
    InfoHeader Header;
    std::array<std::uint32_t, 256> ColorTable{}; // stays zero at 24 bits

    // Only 24 bits per pixel is supported; anything else throws.
    void SetFormat(int width, int height, int bitsPerPixel);
    // Takes a copy of the picture's pixels as 24-bit rows. bitsPerPixel 0
    // means the picture's own depth.
    void CaptureBitmap(const QImage &bitmap, int bitsPerPixel);
    // The bytes of the BMP file: headers and bottom-up rows.
    QByteArray BmpBytes();
    // Writes the BMP file. The old file of that name is replaced only once the
    // new one is completely written, so a failure never loses it. Throws
    // VorlixError "Cannot create file <path>: <reason>" (or "Cannot write
    // file", "Cannot replace file").
    void WriteBmp(const QString &path);
    void FlipRows();
};

// Converts the bitmap to 24 bits per pixel in place (as the writer needs it)
// and writes it as a BMP file with TFastDIB.
void WriteBitmapFile(const QString &path, QImage &bitmap);
// The same conversion, giving the file's bytes instead of writing them.
QByteArray bitmapFileBytes(QImage &bitmap);

} // namespace vorlix
