#include "view/Resample.h"

#include "platform/Errors.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

// SSE2 is part of every x86-64 processor, so using it needs no special
// compiler flags. Define VORLIX_RESAMPLE_PORTABLE to build the plain code.
#if !defined(VORLIX_RESAMPLE_PORTABLE) && defined(__SSE2__)
#define VORLIX_RESAMPLE_SSE2 1
#include <emmintrin.h>
#endif

namespace vorlix {

namespace {

// ---------------------------------------------------------------------------
// Four float lanes. Every operation is lane by lane, and a weighted sum is
// always acc + w * v in contributor order, so each lane gets exactly the
// float arithmetic of the one-sample-at-a-time formula.

#ifdef VORLIX_RESAMPLE_SSE2
// The compiler's own vector type, interchangeable with __m128 but without
// its aliasing attribute, which template arguments would drop.
typedef float F4 __attribute__((vector_size(16)));

inline F4 zero4() { return _mm_setzero_ps(); }
inline F4 splat(float w) { return _mm_set1_ps(w); }
inline F4 madd(F4 acc, F4 w, F4 v) { return _mm_add_ps(acc, _mm_mul_ps(w, v)); }
inline F4 load4(const float *p) { return _mm_load_ps(p); }
inline F4 gather4(uchar a, uchar b, uchar c, uchar d)
{
    return _mm_setr_ps(float(a), float(b), float(c), float(d));
}

inline F4 clamp4(F4 v)
{
    return _mm_min_ps(_mm_max_ps(v, _mm_setzero_ps()), _mm_set1_ps(255.0f));
}

// Clamped to 0..255 and rounded, halves to even (the default rounding mode).
inline F4 byteValues(F4 v) { return _mm_cvtepi32_ps(_mm_cvtps_epi32(clamp4(v))); }
#else
struct F4
{
    float v[4];
};

inline F4 zero4() { return F4{{0.0f, 0.0f, 0.0f, 0.0f}}; }
inline F4 splat(float w) { return F4{{w, w, w, w}}; }
inline F4 madd(F4 acc, F4 w, F4 v)
{
    for (int i = 0; i < 4; ++i)
        acc.v[i] = acc.v[i] + w.v[i] * v.v[i];
    return acc;
}
inline F4 load4(const float *p)
{
    F4 r;
    std::memcpy(r.v, p, sizeof r.v);
    return r;
}
inline F4 gather4(uchar a, uchar b, uchar c, uchar d)
{
    return F4{{float(a), float(b), float(c), float(d)}};
}

inline float byteValue(float v)
{
    if (v > 255.0f)
        return 255.0f;
    if (v < 0.0f)
        return 0.0f;
    return std::nearbyint(v);
}
#endif

// ---------------------------------------------------------------------------
// The kernel and the contributor lists.

constexpr float kPi = 3.14159265358979f;

float sinc(float x)
{
    if (x == 0.0f)
        return 1.0f;
    const float px = kPi * x;
    return std::sin(px) / px;
}

float lanczos(float x, int radius)
{
    x = std::fabs(x);
    if (x >= float(radius))
        return 0.0f;
    return sinc(x) * sinc(x / float(radius));
}

int mirrored(int j, int n)
{
    if (j < 0)
        j = -j;
    else if (j >= n)
        j = 2 * n - 1 - j;
    // One reflection is not enough when the kernel is wider than the
    // picture (one- or two-pixel sources, strong reductions); the edge pixel
    // stands in for the rest.
    return std::clamp(j, 0, n - 1);
}

// The contributors of every destination position along one axis, as runs of
// consecutive unmirrored source positions: position i takes the weights
// [offset[i], offset[i] + count[i]) for j = first[i], first[i] + 1, ...
// Runs are trimmed of zero weights at both ends; a zero inside a run would
// add +0 to the sum and change nothing.
struct Axis
{
    std::vector<int> first, count, offset;
    std::vector<float> weights;
    int lowest = 0, highest = 0; // the span of j over all runs and the picture
};

Axis contributors(int n, int m, int radius)
{
    // The ends of both axes line up, hence (m - 1) / (n - 1). A single
    // destination pixel has no second end and that would be 0 (centre 0/0,
    // a kernel of infinite reach with zero weights); the size ratio, as for
    // a single source pixel, keeps the reach to the picture, and the pixel
    // sits on the first source pixel like every position 0.
    const float scale = (n == 1 || m == 1) ? float(m) / float(n) : float(m - 1) / float(n - 1);
    const bool enlarging = scale >= 1.0f;
    const float w = enlarging ? float(radius) : float(radius) / scale;

    Axis ax;
    ax.first.resize(m);
    ax.count.resize(m);
    ax.offset.resize(m);
    ax.lowest = 0;
    ax.highest = n - 1;
    std::vector<float> run;
    for (int i = 0; i < m; ++i) {
        const float c = float(i) / scale;
        const int lo = int(std::floor(c - w));
        const int hi = int(std::ceil(c + w));
        run.clear();
        int runFirst = 0;
        for (int j = lo; j <= hi; ++j) {
            const float weight = enlarging ? lanczos(c - float(j), radius)
                                           : lanczos((c - float(j)) * scale, radius) * scale;
            if (run.empty()) {
                if (weight == 0.0f)
                    continue;
                runFirst = j;
            }
            run.push_back(weight);
        }
        while (!run.empty() && run.back() == 0.0f)
            run.pop_back();
        // The kernel's samples don't sum to 1 on their own (2 to 3 per cent
        // short at most ratios), which would darken every flat colour; scaled
        // to sum to 1, a flat colour comes out exact.
        float total = 0.0f;
        for (const float weight : run)
            total += weight;
        if (total != 0.0f)
            for (float &weight : run)
                weight /= total;
        ax.first[i] = runFirst;
        ax.count[i] = int(run.size());
        ax.offset[i] = int(ax.weights.size());
        ax.weights.insert(ax.weights.end(), run.begin(), run.end());
        if (!run.empty()) {
            ax.lowest = std::min(ax.lowest, runFirst);
            ax.highest = std::max(ax.highest, runFirst + int(run.size()) - 1);
        }
    }
    return ax;
}

// ---------------------------------------------------------------------------
// Pass 1 works on four source rows at once, laid out so that one lane holds
// one row: element e (byte e of a row) is the F4 {row0[e], row1[e], row2[e],
// row3[e]}. One weight then feeds twelve sums (four rows times blue, green,
// red) with no lane wasted.

void expandRows(const uchar *const *row, int bytes, F4 *out)
{
    int e = 0;
#ifdef VORLIX_RESAMPLE_SSE2
    const __m128i zero = _mm_setzero_si128();
    for (; e + 16 <= bytes; e += 16) {
        const __m128i r0 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(row[0] + e));
        const __m128i r1 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(row[1] + e));
        const __m128i r2 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(row[2] + e));
        const __m128i r3 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(row[3] + e));
        const __m128i a = _mm_unpacklo_epi8(r0, r1), b = _mm_unpackhi_epi8(r0, r1);
        const __m128i c = _mm_unpacklo_epi8(r2, r3), d = _mm_unpackhi_epi8(r2, r3);
        // Each now holds four elements, four rows' bytes apiece.
        const __m128i q[4] = {_mm_unpacklo_epi16(a, c), _mm_unpackhi_epi16(a, c),
                              _mm_unpacklo_epi16(b, d), _mm_unpackhi_epi16(b, d)};
        for (int k = 0; k < 4; ++k) {
            const __m128i lo = _mm_unpacklo_epi8(q[k], zero), hi = _mm_unpackhi_epi8(q[k], zero);
            F4 *o = out + e + 4 * k;
            o[0] = _mm_cvtepi32_ps(_mm_unpacklo_epi16(lo, zero));
            o[1] = _mm_cvtepi32_ps(_mm_unpackhi_epi16(lo, zero));
            o[2] = _mm_cvtepi32_ps(_mm_unpacklo_epi16(hi, zero));
            o[3] = _mm_cvtepi32_ps(_mm_unpackhi_epi16(hi, zero));
        }
    }
#endif
    for (; e < bytes; ++e)
        out[e] = gather4(row[0][e], row[1][e], row[2][e], row[3][e]);
}

// Fills ext (three elements per position lowest..highest) from four source
// rows, mirrored beyond the picture.
void loadRows(const uchar *const *row, int n, const Axis &ax, F4 *ext)
{
    F4 *mid = ext - 3 * qsizetype(ax.lowest); // source pixel 0
    expandRows(row, 3 * n, mid);
    const auto copy = [&](int j) {
        const F4 *s = mid + 3 * qsizetype(mirrored(j, n));
        F4 *d = mid + 3 * qsizetype(j);
        d[0] = s[0];
        d[1] = s[1];
        d[2] = s[2];
    };
    for (int j = ax.lowest; j < 0; ++j)
        copy(j);
    for (int j = n; j <= ax.highest; ++j)
        copy(j);
}

struct Sums
{
    F4 b, g, r;
};

inline void accumulate(Sums &s, const F4 *w, const F4 *p, int from, int to)
{
    for (int t = from; t < to; ++t) {
        s.b = madd(s.b, w[t], p[3 * t]);
        s.g = madd(s.g, w[t], p[3 * t + 1]);
        s.r = madd(s.r, w[t], p[3 * t + 2]);
    }
}

// Writes one destination pixel of four intermediate rows at float offset at.
// The SSE2 stores are four floats wide: the fourth lands on the next
// pixel's blue, which is written afterwards, or on the row's padding.
inline void storePixel(float *const *out, qsizetype at, const Sums &s)
{
#ifdef VORLIX_RESAMPLE_SSE2
    const __m128 b = byteValues(s.b), g = byteValues(s.g), r = byteValues(s.r);
    const __m128 bg01 = _mm_unpacklo_ps(b, g), bg23 = _mm_unpackhi_ps(b, g);
    const __m128 r01 = _mm_unpacklo_ps(r, _mm_setzero_ps()), r23 = _mm_unpackhi_ps(r, _mm_setzero_ps());
    _mm_storeu_ps(out[0] + at, _mm_movelh_ps(bg01, r01));
    _mm_storeu_ps(out[1] + at, _mm_movehl_ps(r01, bg01));
    _mm_storeu_ps(out[2] + at, _mm_movelh_ps(bg23, r23));
    _mm_storeu_ps(out[3] + at, _mm_movehl_ps(r23, bg23));
#else
    for (int k = 0; k < 4; ++k) {
        out[k][at] = byteValue(s.b.v[k]);
        out[k][at + 1] = byteValue(s.g.v[k]);
        out[k][at + 2] = byteValue(s.r.v[k]);
    }
#endif
}

// Pass 1 for four rows, with the weights already spread over four lanes
// (wide). Two destination pixels go side by side so that six independent
// sums hide the adder's latency; each keeps its own order.
void horizontal(const F4 *ext, const Axis &ax, const F4 *wide, int dw, float *const *out)
{
    const auto at = [&](int x) { return ext + 3 * qsizetype(ax.first[x] - ax.lowest); };
    int x = 0;
    for (; x + 1 < dw; x += 2) {
        const F4 *w0 = wide + ax.offset[x], *w1 = wide + ax.offset[x + 1];
        const F4 *p0 = at(x), *p1 = at(x + 1);
        const int c0 = ax.count[x], c1 = ax.count[x + 1];
        const int both = std::min(c0, c1);
        Sums s0 = {zero4(), zero4(), zero4()}, s1 = s0;
        const auto step = [&](int t) {
            s0.b = madd(s0.b, w0[t], p0[3 * t]);
            s0.g = madd(s0.g, w0[t], p0[3 * t + 1]);
            s0.r = madd(s0.r, w0[t], p0[3 * t + 2]);
            s1.b = madd(s1.b, w1[t], p1[3 * t]);
            s1.g = madd(s1.g, w1[t], p1[3 * t + 1]);
            s1.r = madd(s1.r, w1[t], p1[3 * t + 2]);
        };
        int t = 0;
        for (; t + 1 < both; t += 2) {
            step(t);
            step(t + 1);
        }
        if (t < both)
            step(t++);
        accumulate(s0, w0, p0, t, c0);
        accumulate(s1, w1, p1, t, c1);
        storePixel(out, 3 * qsizetype(x), s0);
        storePixel(out, 3 * qsizetype(x) + 3, s1);
    }
    if (x < dw) {
        Sums s = {zero4(), zero4(), zero4()};
        accumulate(s, wide + ax.offset[x], at(x), 0, ax.count[x]);
        storePixel(out, 3 * qsizetype(x), s);
    }
}

// ---------------------------------------------------------------------------
// Pass 2 sums whole intermediate rows into a destination row, kBlock floats
// at a time so the sums stay in registers.

constexpr int kBlock = 32;

void vertical(const float *const *rows, const float *w, int count, qsizetype rowFloats, uchar *d)
{
    for (qsizetype e = 0; e < rowFloats; e += kBlock) {
        F4 a0 = zero4(), a1 = a0, a2 = a0, a3 = a0, a4 = a0, a5 = a0, a6 = a0, a7 = a0;
        for (int t = 0; t < count; ++t) {
            const F4 wt = splat(w[t]);
            const float *p = rows[t] + e;
            a0 = madd(a0, wt, load4(p));
            a1 = madd(a1, wt, load4(p + 4));
            a2 = madd(a2, wt, load4(p + 8));
            a3 = madd(a3, wt, load4(p + 12));
            a4 = madd(a4, wt, load4(p + 16));
            a5 = madd(a5, wt, load4(p + 20));
            a6 = madd(a6, wt, load4(p + 24));
            a7 = madd(a7, wt, load4(p + 28));
        }
        const int valid = int(std::min<qsizetype>(kBlock, rowFloats - e));
#ifdef VORLIX_RESAMPLE_SSE2
        // Clamp, round (halves to even) and pack to bytes.
        const auto ints = [](F4 v) { return _mm_cvtps_epi32(clamp4(v)); };
        const __m128i lo = _mm_packus_epi16(_mm_packs_epi32(ints(a0), ints(a1)), _mm_packs_epi32(ints(a2), ints(a3)));
        const __m128i hi = _mm_packus_epi16(_mm_packs_epi32(ints(a4), ints(a5)), _mm_packs_epi32(ints(a6), ints(a7)));
        if (valid == kBlock) {
            _mm_storeu_si128(reinterpret_cast<__m128i *>(d + e), lo);
            _mm_storeu_si128(reinterpret_cast<__m128i *>(d + e + 16), hi);
        } else {
            alignas(16) uchar bytes[kBlock];
            _mm_store_si128(reinterpret_cast<__m128i *>(bytes), lo);
            _mm_store_si128(reinterpret_cast<__m128i *>(bytes + 16), hi);
            std::memcpy(d + e, bytes, size_t(valid));
        }
#else
        const F4 acc[kBlock / 4] = {a0, a1, a2, a3, a4, a5, a6, a7};
        for (int k = 0; k < valid; ++k)
            d[e + k] = uchar(byteValue(acc[k / 4].v[k % 4]));
#endif
    }
}

} // namespace

QImage Resample(const QImage &source, int width, int height, int radius)
{
    if (source.width() <= 0 || source.height() <= 0)
        throw VorlixError(QStringLiteral("Source bitmap too small"));
    if (width < 1 || height < 1)
        return QImage();

    const QImage src = source.convertToFormat(QImage::Format_BGR888);
    QImage dst(width, height, QImage::Format_BGR888);
    if (src.isNull() || dst.isNull())
        throw VorlixError(QStringLiteral("Not enough memory for a picture of that size"));
    const int sw = src.width(), sh = src.height();

    try {
        const Axis horz = contributors(sw, width, radius);
        const Axis vert = contributors(sh, height, radius);

        // The intermediate picture (width x source height) holds its 8-bit
        // values as floats, so pass 2 reads them without converting. It is
        // made in groups of four rows when pass 2 first needs them, and a
        // group's memory is reused once no later destination row reads it;
        // each row is still filtered exactly once, so the result is that of
        // two whole passes. Rows have room for pass 1's wide stores and for
        // whole pass-2 blocks.
        const qsizetype rowFloats = 3 * qsizetype(width);
        const qsizetype stride = (rowFloats + kBlock) / kBlock * kBlock;
        const int groups = (sh + 3) / 4;
        std::vector<int> lastUse(size_t(groups), -1);
        for (int dy = 0; dy < height; ++dy)
            for (int t = 0; t < vert.count[dy]; ++t)
                lastUse[size_t(mirrored(vert.first[dy] + t, sh) / 4)] = dy;
        std::vector<float *> made(size_t(groups), nullptr), spare;
        std::vector<std::unique_ptr<F4[]>> storage;

        const qsizetype positions = qsizetype(horz.highest) - horz.lowest + 1;
        const std::unique_ptr<F4[]> ext(new F4[size_t(3 * positions)]);
        std::vector<F4> wide(horz.weights.size());
        std::transform(horz.weights.begin(), horz.weights.end(), wide.begin(), splat);
        // Pass 1 on one group; a short last group repeats its final row.
        const auto group = [&](int g) {
            if (made[size_t(g)])
                return made[size_t(g)];
            float *slot;
            if (spare.empty()) {
                storage.emplace_back(new F4[size_t(stride)]()); // 4 rows, padding zeroed
                slot = reinterpret_cast<float *>(storage.back().get());
            } else {
                slot = spare.back();
                spare.pop_back();
            }
            const uchar *rows[4];
            float *out[4];
            for (int r = 0; r < 4; ++r) {
                rows[r] = src.constScanLine(std::min(4 * g + r, sh - 1));
                out[r] = slot + r * stride;
            }
            loadRows(rows, sw, horz, ext.get());
            horizontal(ext.get(), horz, wide.data(), width, out);
            made[size_t(g)] = slot;
            return slot;
        };

        // Pass 2, destination row by destination row; per pixel the
        // contributors still come in list order.
        std::vector<const float *> rows;
        uchar *const dstBits = dst.bits();
        const qsizetype dstStride = dst.bytesPerLine();
        for (int dy = 0; dy < height; ++dy) {
            const int count = vert.count[dy];
            rows.resize(size_t(count));
            for (int t = 0; t < count; ++t) {
                const int r = mirrored(vert.first[dy] + t, sh);
                rows[size_t(t)] = group(r / 4) + (r % 4) * stride;
            }
            vertical(rows.data(), vert.weights.data() + vert.offset[dy], count, rowFloats,
                     dstBits + dy * dstStride);
            for (int t = 0; t < count; ++t) {
                const int g = mirrored(vert.first[dy] + t, sh) / 4;
                if (lastUse[size_t(g)] == dy && made[size_t(g)]) {
                    spare.push_back(made[size_t(g)]);
                    made[size_t(g)] = nullptr;
                }
            }
        }
    } catch (const std::bad_alloc &) {
        throw VorlixError(QStringLiteral("Not enough memory for a picture of that size"));
    }
    return dst;
}

} // namespace vorlix
