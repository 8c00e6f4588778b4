#include "view/Drawing.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace vorlix {

namespace {

bool inside(const QImage &picture, QPoint p)
{
    return p.x() >= 0 && p.y() >= 0 && p.x() < picture.width() && p.y() < picture.height();
}

// The view keeps its pictures in this format; anything else is converted
// once rather than written pixel by pixel through QImage::setPixel.
void makeBgr(QImage &picture)
{
    if (!picture.isNull() && picture.format() != QImage::Format_BGR888)
        picture = picture.convertToFormat(QImage::Format_BGR888);
}

struct Bgr
{
    uchar b, g, r;
    explicit Bgr(const QColor &c) : b(uchar(c.blue())), g(uchar(c.green())), r(uchar(c.red())) {}
};

inline uchar *pixelAt(QImage &picture, int x, int y)
{
    return picture.scanLine(y) + qsizetype(x) * 3;
}

inline void put(QImage &picture, int x, int y, Bgr c)
{
    uchar *d = pixelAt(picture, x, y);
    d[0] = c.b;
    d[1] = c.g;
    d[2] = c.r;
}

void hspan(QImage &picture, int x0, int x1, int y, Bgr c)
{
    if (y < 0 || y >= picture.height())
        return;
    x0 = std::max(x0, 0);
    x1 = std::min(x1, picture.width() - 1);
    for (int x = x0; x <= x1; ++x)
        put(picture, x, y, c);
}

void vspan(QImage &picture, int x, int y0, int y1, Bgr c)
{
    if (x < 0 || x >= picture.width())
        return;
    y0 = std::max(y0, 0);
    y1 = std::min(y1, picture.height() - 1);
    for (int y = y0; y <= y1; ++y)
        put(picture, x, y, c);
}

} // namespace

void plotPixel(QImage &picture, QPoint p, const QColor &color)
{
    if (!inside(picture, p))
        return;
    makeBgr(picture);
    put(picture, p.x(), p.y(), Bgr(color));
}

void drawLine(QImage &picture, QPoint a, QPoint b, const QColor &color)
{
    if (picture.isNull())
        return;
    makeBgr(picture);
    const Bgr c(color);
    // Bresenham in 64 bits: the ends may lie far outside the picture.
    long long x = a.x(), y = a.y();
    const long long x1 = b.x(), y1 = b.y();
    const long long dx = std::llabs(x1 - x), dy = -std::llabs(y1 - y);
    const int sx = x < x1 ? 1 : -1, sy = y < y1 ? 1 : -1;
    long long err = dx + dy;
    const long long w = picture.width(), h = picture.height();
    for (;;) {
        if (x >= 0 && y >= 0 && x < w && y < h)
            put(picture, int(x), int(y), c);
        if (x == x1 && y == y1)
            break;
        const long long e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y += sy;
        }
    }
}

void drawRectOutline(QImage &picture, QPoint a, QPoint b, const QColor &color)
{
    if (picture.isNull())
        return;
    makeBgr(picture);
    const Bgr c(color);
    const int l = std::min(a.x(), b.x()), r = std::max(a.x(), b.x());
    const int t = std::min(a.y(), b.y()), bm = std::max(a.y(), b.y());
    hspan(picture, l, r, t, c);
    hspan(picture, l, r, bm, c);
    vspan(picture, l, t, bm, c);
    vspan(picture, r, t, bm, c);
}

bool floodFill(QImage &picture, QPoint seed, const QColor &color)
{
    if (!inside(picture, seed))
        return false;
    makeBgr(picture);
    const Bgr c(color);
    const int w = picture.width(), h = picture.height();
    uchar target[3];
    std::memcpy(target, pixelAt(picture, seed.x(), seed.y()), 3);
    if (target[0] == c.b && target[1] == c.g && target[2] == c.r)
        return false;
    const auto matches = [&](int x, int y) {
        return std::memcmp(picture.constScanLine(y) + qsizetype(x) * 3, target, 3) == 0;
    };
    // Scan-line fill: each run is filled at once and only the rows above
    // and below it are searched for new runs, so the stack stays small.
    std::vector<QPoint> stack{seed};
    while (!stack.empty()) {
        const QPoint p = stack.back();
        stack.pop_back();
        const int y = p.y();
        if (!matches(p.x(), y))
            continue;
        int l = p.x(), r = p.x();
        while (l > 0 && matches(l - 1, y))
            --l;
        while (r + 1 < w && matches(r + 1, y))
            ++r;
        for (int x = l; x <= r; ++x)
            put(picture, x, y, c);
        for (int ny : {y - 1, y + 1}) {
            if (ny < 0 || ny >= h)
                continue;
            bool inRun = false;
            for (int x = l; x <= r; ++x) {
                const bool m = matches(x, ny);
                if (m && !inRun)
                    stack.push_back(QPoint(x, ny));
                inRun = m;
            }
        }
    }
    return true;
}

void grayscale(QImage &picture, QRect area)
{
    if (picture.isNull())
        return;
    makeBgr(picture);
    const QRect whole(0, 0, picture.width(), picture.height());
    const QRect r = area.isValid() && !area.isEmpty() ? area.intersected(whole) : whole;
    for (int y = r.top(); y <= r.bottom(); ++y) {
        uchar *d = pixelAt(picture, r.left(), y);
        for (int x = r.left(); x <= r.right(); ++x, d += 3) {
            // In thousandths, so rounding is exact: no float lands just
            // below a half.
            const int luma = (299 * d[2] + 587 * d[1] + 114 * d[0] + 500) / 1000;
            d[0] = d[1] = d[2] = uchar(luma);
        }
    }
}

} // namespace vorlix
