#include "platform/Blit.h"

#include <QImage>
#include <algorithm>
#include <cstring>
#include <vector>

namespace vorlix {

namespace {

// The two pixel layouts we move between: 3 bytes blue, green, red (the
// pictures) and 4 bytes blue, green, red, unused (screen frames).
bool usable(const QImage &img)
{
    return !img.isNull()
           && (img.format() == QImage::Format_BGR888 || img.format() == QImage::Format_RGB32);
}

inline int bytesOf(const QImage &img)
{
    return img.format() == QImage::Format_RGB32 ? 4 : 3;
}

// Copies one pixel between layouts. A QImage::Format_RGB32 pixel is read and
// written as one native 32-bit value 0xffRRGGBB, so this holds on any byte order.
template <int SrcBytes, int DstBytes>
inline void copyPixel(uchar *d, const uchar *s)
{
    if constexpr (SrcBytes == 3 && DstBytes == 3) {
        d[0] = s[0];
        d[1] = s[1];
        d[2] = s[2];
    } else if constexpr (DstBytes == 3) {
        const quint32 v = *reinterpret_cast<const quint32 *>(s);
        d[0] = uchar(v);
        d[1] = uchar(v >> 8);
        d[2] = uchar(v >> 16);
    } else if constexpr (SrcBytes == 3) {
        *reinterpret_cast<quint32 *>(d) = 0xff000000u | quint32(s[0]) | (quint32(s[1]) << 8)
                                          | (quint32(s[2]) << 16);
    } else {
        *reinterpret_cast<quint32 *>(d) = *reinterpret_cast<const quint32 *>(s);
    }
}

// Index of the source pixel that destination pixel i (0 <= i < |dn|) samples,
// relative to the source rectangle's left (or top) edge.
inline long long sampleIndex(long long i, long long dn, long long sn)
{
    const long long adn = dn < 0 ? -dn : dn;
    const long long asn = sn < 0 ? -sn : sn;
    long long k = (2 * i + 1) * asn / (2 * adn); // 0 <= k < |sn|
    // A negative extent on exactly one side reverses the order.
    if ((dn < 0) != (sn < 0))
        k = asn - 1 - k;
    return k;
}

} // namespace

long long stretchSourceIndex(long long i, long long dn, long long sn)
{
    return sampleIndex(i, dn, sn);
}

namespace {

template <int SrcBytes, int DstBytes>
void copyRows(QImage &dst, long long dx, long long dy, const QImage &src, long long sx, long long sy,
              long long x0, long long x1, long long y0, long long y1)
{
    for (long long y = y0; y < y1; ++y) {
        const uchar *s = src.constScanLine(int(sy + y)) + (sx + x0) * SrcBytes;
        uchar *d = dst.scanLine(int(dy + y)) + (dx + x0) * DstBytes;
        if constexpr (SrcBytes == DstBytes) {
            std::memcpy(d, s, size_t(x1 - x0) * SrcBytes);
        } else {
            for (long long x = x0; x < x1; ++x, s += SrcBytes, d += DstBytes)
                copyPixel<SrcBytes, DstBytes>(d, s);
        }
    }
}

template <int SrcBytes, int DstBytes>
void stretchRows(QImage &dst, long long dLeft, long long dTop, long long ix0,
                 const std::vector<int> &column, const std::vector<int> &row, const QImage &src)
{
    for (size_t j = 0; j < row.size(); ++j) {
        if (row[j] < 0)
            continue;
        const uchar *s = src.constScanLine(row[j]);
        uchar *d = dst.scanLine(int(dTop + static_cast<long long>(j))) + (dLeft + ix0) * DstBytes;
        for (size_t c = 0; c < column.size(); ++c, d += DstBytes) {
            if (column[c] >= 0)
                copyPixel<SrcBytes, DstBytes>(d, s + column[c] * SrcBytes);
        }
    }
}

template <typename Fn>
void dispatch(const QImage &src, const QImage &dst, Fn &&fn)
{
    const int sb = bytesOf(src), db = bytesOf(dst);
    if (sb == 3 && db == 3)
        fn.template operator()<3, 3>();
    else if (sb == 3)
        fn.template operator()<3, 4>();
    else if (db == 3)
        fn.template operator()<4, 3>();
    else
        fn.template operator()<4, 4>();
}

} // namespace

void blockCopy(QImage &dst, int dx, int dy, int w, int h,
               const QImage &src, int sx, int sy)
{
    if (!usable(dst) || !usable(src) || w <= 0 || h <= 0)
        return;
    if (dst.constBits() == src.constBits()) {
        // Overlapping copy inside one picture: go through a copy.
        const QImage copy = src.copy();
        blockCopy(dst, dx, dy, w, h, copy, sx, sy);
        return;
    }
    // Clip the block against both pictures at once, in 64 bits so that huge
    // offsets cannot overflow.
    const long long x0 = std::max({0LL, -static_cast<long long>(dx), -static_cast<long long>(sx)});
    const long long y0 = std::max({0LL, -static_cast<long long>(dy), -static_cast<long long>(sy)});
    const long long x1 = std::min({static_cast<long long>(w), static_cast<long long>(dst.width()) - dx,
                                   static_cast<long long>(src.width()) - sx});
    const long long y1 = std::min({static_cast<long long>(h), static_cast<long long>(dst.height()) - dy,
                                   static_cast<long long>(src.height()) - sy});
    if (x0 >= x1 || y0 >= y1)
        return;
    dispatch(src, dst, [&]<int S, int D>() { copyRows<S, D>(dst, dx, dy, src, sx, sy, x0, x1, y0, y1); });
}

void stretchCopy(QImage &dst, int dx, int dy, int dw, int dh,
                 const QImage &src, int sx, int sy, int sw, int sh)
{
    if (!usable(dst) || !usable(src) || dw == 0 || dh == 0 || sw == 0 || sh == 0)
        return;
    if (dst.constBits() == src.constBits()) {
        const QImage copy = src.copy();
        stretchCopy(dst, dx, dy, dw, dh, copy, sx, sy, sw, sh);
        return;
    }
    // The rectangles as half-open ranges [left, left + |extent|).
    const long long dLeft = dw < 0 ? static_cast<long long>(dx) + dw : dx;
    const long long dTop = dh < 0 ? static_cast<long long>(dy) + dh : dy;
    const long long sLeft = sw < 0 ? static_cast<long long>(sx) + sw : sx;
    const long long sTop = sh < 0 ? static_cast<long long>(sy) + sh : sy;
    const long long adw = dw < 0 ? -static_cast<long long>(dw) : dw;
    const long long adh = dh < 0 ? -static_cast<long long>(dh) : dh;

    const long long ix0 = std::max(0LL, -dLeft);
    const long long ix1 = std::min(adw, dst.width() - dLeft);
    const long long iy0 = std::max(0LL, -dTop);
    const long long iy1 = std::min(adh, dst.height() - dTop);
    if (ix0 >= ix1 || iy0 >= iy1)
        return;

    // Column and row maps computed once; -1 marks a sample outside the source.
    std::vector<int> column(static_cast<size_t>(ix1 - ix0));
    for (long long i = ix0; i < ix1; ++i) {
        const long long x = sLeft + sampleIndex(i, dw, sw);
        column[static_cast<size_t>(i - ix0)] = (x >= 0 && x < src.width()) ? static_cast<int>(x) : -1;
    }
    std::vector<int> row(static_cast<size_t>(iy1 - iy0));
    for (long long j = iy0; j < iy1; ++j) {
        const long long y = sTop + sampleIndex(j, dh, sh);
        row[static_cast<size_t>(j - iy0)] = (y >= 0 && y < src.height()) ? static_cast<int>(y) : -1;
    }
    dispatch(src, dst, [&]<int S, int D>() {
        stretchRows<S, D>(dst, dLeft, dTop + iy0, ix0, column, row, src);
    });
}

} // namespace vorlix
