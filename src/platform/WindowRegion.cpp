#include "platform/WindowRegion.h"

#include <utility>
#include <vector>

namespace vorlix {

namespace {

constexpr qsizetype kHeaderSize = 32;
constexpr qsizetype kRectSize = 16;
constexpr std::int32_t kTypeRectangles = 1;

std::int32_t readInt32(QByteArrayView data, qsizetype at)
{
    const auto *b = reinterpret_cast<const unsigned char *>(data.data()) + at;
    return std::int32_t(std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16
                        | std::uint32_t(b[3]) << 24);
}

// Left, top, right, bottom (right and bottom exclusive) as a QRect; an
// inverted one comes out empty.
QRect readRect(QByteArrayView data, qsizetype at)
{
    const std::int64_t l = readInt32(data, at), t = readInt32(data, at + 4);
    const std::int64_t r = readInt32(data, at + 8), b = readInt32(data, at + 12);
    // Widths beyond int range can't be a window shape; keep them empty.
    if (r - l > INT32_MAX || b - t > INT32_MAX)
        return {};
    return QRect(int(l), int(t), int(r - l), int(b - t));
}

} // namespace

QRegion StoredRegion::region() const
{
    QRegion r;
    for (const QRect &rect : rects)
        if (rect.width() > 0 && rect.height() > 0)
            r += rect;
    return r;
}

StoredRegion parseStoredRegion(QByteArrayView data)
{
    StoredRegion out;
    if (data.size() < 4)
        return out;
    const std::int32_t length = readInt32(data, 0);
    if (length == 0) {
        out.kind = StoredRegion::ComputeFromPicture;
        return out;
    }
    if (length < kHeaderSize || data.size() - 4 < length)
        return out;
    const QByteArrayView record = data.sliced(4, length);
    const std::int32_t headerSize = readInt32(record, 0);
    const std::int32_t type = readInt32(record, 4);
    const std::int32_t count = readInt32(record, 8);
    if (headerSize != kHeaderSize || type != kTypeRectangles || count < 0
        || std::int64_t(count) * kRectSize > length - kHeaderSize)
        return out;
    out.bounds = readRect(record, 16);
    out.rects.reserve(count);
    for (std::int32_t i = 0; i < count; ++i)
        out.rects.append(readRect(record, kHeaderSize + i * kRectSize));
    out.kind = StoredRegion::Rectangles;
    return out;
}

std::optional<QRegion> shapeFromPicture(const QImage &picture, std::uint32_t transparentColor)
{
    if (picture.width() <= 0 || picture.height() <= 0)
        return std::nullopt;
    // A 24-bit copy: whatever the picture's format, each pixel's colour is
    // then three bytes red, green, blue to compare exactly.
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB888);
    const std::uint32_t clear = transparentColor & 0xFFFFFFu;
    const bool anyCut = clear == transparentColor; // a number above 24 bits matches no pixel
    // Rows with the same runs make one band, so the region holds a few
    // rectangles rather than one per row.
    QRegion shape;
    std::vector<std::pair<int, int>> band, runs; // [x1, x2) per run
    int bandTop = 0;
    auto flush = [&](int bottom) {
        for (const auto &[x1, x2] : band)
            shape += QRect(x1, bandTop, x2 - x1, bottom - bandTop);
    };
    const int w = rgb.width();
    for (int y = 0; y < rgb.height(); ++y) {
        const uchar *row = rgb.constScanLine(y);
        auto isClear = [&](int x) {
            const uchar *p = row + 3 * x;
            return anyCut && (std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16) == clear;
        };
        runs.clear();
        int x = 0;
        while (x < w) {
            while (x < w && isClear(x))
                ++x;
            if (x >= w)
                break;
            const int x1 = x;
            while (x < w && !isClear(x))
                ++x;
            runs.emplace_back(x1, x);
        }
        if (y == 0 || runs != band) {
            flush(y);
            band.swap(runs);
            bandTop = y;
        }
    }
    flush(rgb.height());
    return shape;
}

} // namespace vorlix
