#include "skin/Miniature.h"

#include "platform/Blit.h"
#include "skin/GlobalVar.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace vorlix {

namespace {

// One part of the window: a block of a sheet and where it goes.
struct Part
{
    SheetKind sheet;
    int sx, sy, w, h;
    int dx, dy;
};

// Where the sliders rest in the composed window.
constexpr int kVolumeBackground = 25; // of 0..27, 15 rows apart
constexpr int kVolumeKnobX = 157;
constexpr int kBalanceKnobX = 189;
constexpr int kPositionThumbX = 85;

// Drawn in this order over the MAIN background; later parts cover earlier
// ones where they overlap (the knobs lie on their bars).
constexpr Part kParts[] = {
    {skTitleBar, 27, 0, 275, 14, 0, 0},     // active title bar
    {skTitleBar, 0, 0, 9, 9, 6, 3},         // options
    {skTitleBar, 9, 0, 9, 9, 244, 3},       // minimise
    {skTitleBar, 0, 18, 9, 9, 254, 3},      // window shade
    {skTitleBar, 18, 0, 9, 9, 264, 3},      // close
    {skTitleBar, 304, 0, 8, 43, 10, 22},    // options bar
    {skPlayPaus, 0, 0, 9, 9, 26, 28},       // playing
    {skPlayPaus, 36, 0, 3, 9, 24, 28},      // its lamp
    {skMonoSter, 0, 0, 29, 12, 239, 41},    // stereo, lit
    {skMonoSter, 29, 12, 27, 12, 212, 41},  // mono, dark
    {skVolume, 0, 15 * kVolumeBackground, 68, 13, 107, 57},
    {skVolume, 15, 422, 14, 11, kVolumeKnobX, 58},
    {skBalance, 9, 0, 38, 13, 177, 57},
    {skBalance, 15, 422, 14, 11, kBalanceKnobX, 58},
    {skShufRep, 0, 61, 23, 12, 219, 58},    // equaliser, off
    {skShufRep, 23, 61, 23, 12, 242, 58},   // playlist, off
    {skPosBar, 0, 0, 248, 10, 16, 72},
    {skPosBar, 248, 0, 29, 10, kPositionThumbX, 72},
    {skCButtons, 0, 0, 114, 18, 16, 88},    // previous .. next
    {skCButtons, 114, 0, 22, 16, 136, 89},  // open
    {skShufRep, 28, 0, 47, 15, 164, 89},    // shuffle, off
    {skShufRep, 0, 0, 28, 15, 210, 89},     // repeat, off
};

QImage asBgr(const QImage &img)
{
    return img.format() == QImage::Format_BGR888 ? img : img.convertToFormat(QImage::Format_BGR888);
}

// Source pixels under destination pixel j of n, from a row of m: pixel i
// spans [i*n, (i+1)*n) and pixel j spans [j*m, (j+1)*m) in units of 1/(n*m).
struct Weight
{
    int index;
    std::int64_t overlap;
};

std::vector<std::vector<Weight>> weights(int m, int n)
{
    std::vector<std::vector<Weight>> out(static_cast<size_t>(n));
    for (int j = 0; j < n; ++j) {
        const std::int64_t lo = std::int64_t(j) * m, hi = std::int64_t(j + 1) * m;
        for (std::int64_t i = lo / n; i < m && i * n < hi; ++i) {
            const std::int64_t ov = std::min(hi, (i + 1) * n) - std::max(lo, i * n);
            if (ov > 0)
                out[static_cast<size_t>(j)].push_back({int(i), ov});
        }
    }
    return out;
}

} // namespace

SheetSet sheetSet(const GlobalVar &g)
{
    SheetSet set{};
    for (SheetKind k = 0; k < kSheetCount; ++k)
        set[static_cast<size_t>(k)] = g.sheet(k);
    return set;
}

QImage composeWindow(const SheetSet &sheets)
{
    QImage window(kWindowWidth, kWindowHeight, QImage::Format_BGR888);
    window.fill(Qt::black);
    if (const QImage *main = sheets[skMain])
        blockCopy(window, 0, 0, kWindowWidth, kWindowHeight, asBgr(*main), 0, 0);
    for (const Part &p : kParts)
        if (const QImage *sheet = sheets[static_cast<size_t>(p.sheet)])
            blockCopy(window, p.dx, p.dy, p.w, p.h, asBgr(*sheet), p.sx, p.sy);
    return window;
}

QImage reduceByArea(const QImage &source, int w, int h)
{
    if (source.isNull() || w <= 0 || h <= 0)
        return {};
    const QImage src = asBgr(source);
    const auto wx = weights(src.width(), w);
    const auto wy = weights(src.height(), h);
    QImage dst(w, h, QImage::Format_BGR888);
    for (int y = 0; y < h; ++y) {
        uchar *out = dst.scanLine(y);
        for (int x = 0; x < w; ++x) {
            std::int64_t sum[3] = {0, 0, 0}, total = 0;
            for (const Weight &ry : wy[static_cast<size_t>(y)]) {
                const uchar *row = src.constScanLine(ry.index);
                for (const Weight &rx : wx[static_cast<size_t>(x)]) {
                    const std::int64_t k = ry.overlap * rx.overlap;
                    const uchar *px = row + 3 * rx.index;
                    for (int c = 0; c < 3; ++c)
                        sum[c] += px[c] * k;
                    total += k;
                }
            }
            for (int c = 0; c < 3; ++c)
                out[3 * x + c] = uchar((sum[c] + total / 2) / total);
        }
    }
    return dst;
}

QImage composeMiniature(const SheetSet &sheets)
{
    return reduceByArea(composeWindow(sheets), kMiniatureWidth, kMiniatureHeight);
}

QImage composeMiniature(const GlobalVar &g)
{
    return composeMiniature(sheetSet(g));
}

} // namespace vorlix
