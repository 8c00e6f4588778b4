#include "platform/Blit.h"

#include <QImage>
#include <algorithm>
#include <cstring>
#include <vector>

namespace vorlix {

namespace {

constexpr int kBytes = 3;

bool usable(const QImage &img)
{
    return !img.isNull() && img.format() == QImage::Format_BGR888;
}

// Index of the source pixel that destination pixel i (0 <= i < |dn|) samples,
// relative to the source origin s, or a value outside the source if none.
inline long long sampleIndex(long long i, long long dn, long long sn)
{
    const long long adn = dn < 0 ? -dn : dn;
    const long long asn = sn < 0 ? -sn : sn;
    long long k = (2 * i + 1) * asn / (2 * adn);      // 0 <= k < |sn|
    // Mirroring: a negative extent on exactly one side reverses the order.
    if ((dn < 0) != (sn < 0))
        k = asn - 1 - k;
    return k;
}

} // namespace

void blockCopy(QImage &dst, int dx, int dy, int w, int h,
               const QImage &src, int sx, int sy)
{
    if (!usable(dst) || !usable(src) || w <= 0 || h <= 0)
        return;
    // Clip the block against both pictures at once, in 64 bits so that huge
    // offsets cannot overflow.
    long long x0 = 0, y0 = 0, x1 = w, y1 = h;
    x0 = std::max({x0, -static_cast<long long>(dx), -static_cast<long long>(sx)});
    y0 = std::max({y0, -static_cast<long long>(dy), -static_cast<long long>(sy)});
    x1 = std::min({x1, static_cast<long long>(dst.width()) - dx,
                   static_cast<long long>(src.width()) - sx});
    y1 = std::min({y1, static_cast<long long>(dst.height()) - dy,
                   static_cast<long long>(src.height()) - sy});
    if (x0 >= x1 || y0 >= y1)
        return;
    const size_t rowBytes = static_cast<size_t>(x1 - x0) * kBytes;
    if (&dst == &src || dst.constBits() == src.constBits()) {
        // Overlapping copy inside one picture: go through a temporary.
        const QImage copy = src.copy();
        blockCopy(dst, dx, dy, w, h, copy, sx, sy);
        return;
    }
    for (long long y = y0; y < y1; ++y) {
        const uchar *s = src.constScanLine(static_cast<int>(sy + y)) + (sx + x0) * kBytes;
        uchar *d = dst.scanLine(static_cast<int>(dy + y)) + (dx + x0) * kBytes;
        std::memcpy(d, s, rowBytes);
    }
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

    // Column map computed once; -1 marks a sample outside the source.
    std::vector<int> column(static_cast<size_t>(ix1 - ix0));
    for (long long i = ix0; i < ix1; ++i) {
        const long long x = sLeft + sampleIndex(i, dw, sw);
        column[static_cast<size_t>(i - ix0)] =
            (x >= 0 && x < src.width()) ? static_cast<int>(x) : -1;
    }
    for (long long j = iy0; j < iy1; ++j) {
        const long long y = sTop + sampleIndex(j, dh, sh);
        if (y < 0 || y >= src.height())
            continue;
        const uchar *s = src.constScanLine(static_cast<int>(y));
        uchar *d = dst.scanLine(static_cast<int>(dTop + j)) + (dLeft + ix0) * kBytes;
        for (size_t c = 0; c < column.size(); ++c, d += kBytes) {
            const int x = column[c];
            if (x < 0)
                continue;
            const uchar *p = s + x * kBytes;
            d[0] = p[0];
            d[1] = p[1];
            d[2] = p[2];
        }
    }
}

} // namespace vorlix
