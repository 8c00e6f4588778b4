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
// The work is built a second time for AVX2, eight float lanes to an
// instruction where SSE2 has four, and the program picks one per processor.
// The AVX2 build's instructions also don't mind the state in which other
// code left the upper halves of the vector registers: on processors where
// plain SSE pays for that, the resize ran several times slower after Qt's
// picture code (a BMP read, a format conversion) than on a fresh thread.
#if defined(__x86_64__) && (defined(__clang__) || defined(__GNUC__))
#define VORLIX_RESAMPLE_AVX2 1
#endif
#endif

// Everything the work calls in its loops is forced inline, so that it is
// built with the instructions of the build it is part of.
#define VORLIX_INLINE inline __attribute__((always_inline))

namespace vorlix {

namespace {

// ---------------------------------------------------------------------------
// L float lanes (4 or 8), the compiler's own vectors, and the same width in
// other element types. Every operation is lane by lane, and a weighted sum
// is always acc + w * v in contributor order, so each lane gets exactly the
// float arithmetic of the one-sample-at-a-time formula.
template <int L>
struct Lanes
{
    typedef float F __attribute__((vector_size(4 * L)));
    typedef int I __attribute__((vector_size(4 * L)));
    // For arrays of them: a structure keeps its alignment, a template
    // argument would drop the vector type's.
    struct alignas(4 * L) Block
    {
        F v;
    };
};

template <typename V>
VORLIX_INLINE void madd(V &acc, const V &w, const V &v)
{
    acc = acc + w * v;
}

template <typename V>
VORLIX_INLINE void loadLanes(V &v, const float *p)
{
    std::memcpy(&v, p, sizeof v);
}

// Every lane w (an out parameter: a vector passed or returned by value
// would be laid out differently in the two builds).
template <typename V>
VORLIX_INLINE void splat(V &v, float w)
{
    v = w - V{}; // exactly w, a negative zero too
}

#ifdef VORLIX_RESAMPLE_SSE2
typedef float F4 __attribute__((vector_size(16)));

VORLIX_INLINE F4 clamp4(F4 v)
{
    return _mm_min_ps(_mm_max_ps(v, _mm_setzero_ps()), _mm_set1_ps(255.0f));
}

// Clamped to 0..255 and rounded, halves to even (the default rounding mode).
VORLIX_INLINE F4 byteValues(F4 v) { return _mm_cvtepi32_ps(_mm_cvtps_epi32(clamp4(v))); }

// Lanes 4q..4q + 3 of v (q 0 or 1).
template <typename V>
VORLIX_INLINE F4 quarter(const V &v, int q)
{
    if constexpr (sizeof(V) == sizeof(F4))
        return v;
    else
        return q ? __builtin_shufflevector(v, v, 4, 5, 6, 7) : __builtin_shufflevector(v, v, 0, 1, 2, 3);
}
#else
VORLIX_INLINE float byteValue(float v)
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

VORLIX_INLINE int mirrored(int j, int n)
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

// The kernel at each distance x[i] (n of them, a multiple of L):
// sinc(x) sinc(x / radius), sinc(x) = sin(pi x) / (pi x) in floats and 1 at
// 0, times scale when reducing, 0 from the radius on. Apart from the sines,
// L at a time: one at a time, the divisions were much of the time of a
// small resize.
template <int L>
VORLIX_INLINE void kernelWeights(const float *x, float *out, size_t n, float r, bool enlarging, float scale)
{
    typedef typename Lanes<L>::F F;
    typedef typename Lanes<L>::I I;
    std::vector<float> near(n), far(n), nearSine(n), farSine(n);
    for (size_t i = 0; i < n; i += L) {
        F v;
        loadLanes(v, x + i);
        const I inside = v < r;
        const F q = v / r;
        // Where the sine isn't used, 0 stands in (never an argument that
        // is): it is left out below, and its lane is never chosen.
        const F a = (inside & (v != 0.0f)) ? kPi * v : 0.0f;
        const F b = (inside & (q != 0.0f)) ? kPi * q : 0.0f;
        std::memcpy(near.data() + i, &a, sizeof a);
        std::memcpy(far.data() + i, &b, sizeof b);
    }
    for (size_t i = 0; i < n; ++i) {
        if (near[i] != 0.0f)
            nearSine[i] = std::sin(near[i]);
        if (far[i] != 0.0f)
            farSine[i] = std::sin(far[i]);
    }
    for (size_t i = 0; i < n; i += L) {
        F v, a, b, sa, sb;
        loadLanes(v, x + i);
        loadLanes(a, near.data() + i);
        loadLanes(b, far.data() + i);
        loadLanes(sa, nearSine.data() + i);
        loadLanes(sb, farSine.data() + i);
        const F q = v / r;
        F w = (v != 0.0f ? sa / a : 1.0f) * (q != 0.0f ? sb / b : 1.0f);
        if (!enlarging)
            w = w * scale;
        w = v < r ? w : 0.0f;
        std::memcpy(out + i, &w, sizeof w);
    }
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

// w[i] /= by[i] for n weights, L at a time.
template <int L>
VORLIX_INLINE void divideAll(float *w, const float *by, size_t n)
{
    typedef typename Lanes<L>::F F;
    size_t i = 0;
    for (; i + L <= n; i += L) {
        F a, b;
        loadLanes(a, w + i);
        loadLanes(b, by + i);
        a = a / b;
        std::memcpy(w + i, &a, sizeof a);
    }
    for (; i < n; ++i)
        w[i] = w[i] / by[i];
}

// Each weight is sinc(x) sinc(x / radius) for the tap's distance x from
// the position's centre (in source pixels when enlarging, result pixels
// when reducing, then times the scale), sinc(x) = sin(pi x) / (pi x) in
// floats, 1 at 0, and 0 from the radius on.
template <int L>
VORLIX_INLINE Axis contributors(int n, int m, int radius)
{
    // The ends of both axes line up, hence (m - 1) / (n - 1). A single
    // destination pixel has no second end and that would be 0 (centre 0/0,
    // a kernel of infinite reach with zero weights); the size ratio, as for
    // a single source pixel, keeps the reach to the picture, and the pixel
    // sits on the first source pixel like every position 0.
    const float scale = (n == 1 || m == 1) ? float(m) / float(n) : float(m - 1) / float(n - 1);
    const bool enlarging = scale >= 1.0f;
    const float w = enlarging ? float(radius) : float(radius) / scale;
    const float r = float(radius);

    // Every tap's distance, position after position, then all the weights
    // at once.
    std::vector<int> lo(static_cast<size_t>(m)), hi(static_cast<size_t>(m));
    std::vector<float> distance;
    distance.reserve(size_t(m) * size_t(2 * w + 3) + 8);
    for (int i = 0; i < m; ++i) {
        const float c = float(i) / scale;
        lo[size_t(i)] = int(std::floor(c - w));
        hi[size_t(i)] = int(std::ceil(c + w));
        for (int j = lo[size_t(i)]; j <= hi[size_t(i)]; ++j)
            distance.push_back(std::fabs(enlarging ? c - float(j) : (c - float(j)) * scale));
    }
    distance.resize((distance.size() + 7) / 8 * 8, r);
    std::vector<float> kernel(distance.size());
    kernelWeights<L>(distance.data(), kernel.data(), distance.size(), r, enlarging, scale);

    Axis ax;
    ax.first.resize(size_t(m));
    ax.count.resize(size_t(m));
    ax.offset.resize(size_t(m));
    ax.lowest = 0;
    ax.highest = n - 1;
    ax.weights.reserve(distance.size());
    // Each weight's position's sum, to divide by.
    std::vector<float> totals;
    totals.reserve(distance.size());
    size_t tap = 0;
    for (int i = 0; i < m; ++i) {
        // The run, trimmed of zero weights at both ends.
        const float *from = kernel.data() + tap;
        const int taps = hi[size_t(i)] - lo[size_t(i)] + 1;
        tap += size_t(taps);
        int begin = 0, end = taps;
        while (begin < end && from[begin] == 0.0f)
            ++begin;
        while (end > begin && from[end - 1] == 0.0f)
            --end;
        // The kernel's samples don't sum to 1 on their own (2 to 3 per cent
        // short at most ratios), which would darken every flat colour; scaled
        // to sum to 1, a flat colour comes out exact.
        float total = 0.0f;
        for (int t = begin; t < end; ++t)
            total += from[t];
        const int runFirst = begin < end ? lo[size_t(i)] + begin : 0;
        ax.first[size_t(i)] = runFirst;
        ax.count[size_t(i)] = end - begin;
        ax.offset[size_t(i)] = int(ax.weights.size());
        ax.weights.insert(ax.weights.end(), from + begin, from + end);
        totals.insert(totals.end(), size_t(end - begin), total != 0.0f ? total : 1.0f);
        if (begin < end) {
            ax.lowest = std::min(ax.lowest, runFirst);
            ax.highest = std::max(ax.highest, runFirst + (end - begin) - 1);
        }
    }
    divideAll<L>(ax.weights.data(), totals.data(), ax.weights.size());
    return ax;
}

// ---------------------------------------------------------------------------
// Pass 1 works on L source rows at once, laid out so that one lane holds one
// row: element e (byte e of a row) is the vector {row0[e], row1[e], ...}.
// One weight then feeds 3 L sums (L rows times blue, green, red) with no
// lane wasted.

// Four rows' bytes into lanes first..first + 3 of each element of out,
// elements L floats apart.
template <int L>
VORLIX_INLINE void expandFour(const uchar *const *row, int bytes, float *out, int first)
{
    float *const to = out + first;
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
            float *o = to + L * (e + 4 * k);
            _mm_storeu_ps(o, _mm_cvtepi32_ps(_mm_unpacklo_epi16(lo, zero)));
            _mm_storeu_ps(o + L, _mm_cvtepi32_ps(_mm_unpackhi_epi16(lo, zero)));
            _mm_storeu_ps(o + 2 * L, _mm_cvtepi32_ps(_mm_unpacklo_epi16(hi, zero)));
            _mm_storeu_ps(o + 3 * L, _mm_cvtepi32_ps(_mm_unpackhi_epi16(hi, zero)));
        }
    }
#endif
    for (; e < bytes; ++e)
        for (int k = 0; k < 4; ++k)
            to[L * e + k] = float(row[k][e]);
}

// Fills ext (three elements per position lowest..highest) from L source
// rows, mirrored beyond the picture.
template <int L>
VORLIX_INLINE void loadRows(const uchar *const *row, int n, const Axis &ax, typename Lanes<L>::F *ext)
{
    typedef typename Lanes<L>::F F;
    F *mid = ext - 3 * qsizetype(ax.lowest); // source pixel 0
    for (int first = 0; first < L; first += 4)
        expandFour<L>(row + first, 3 * n, reinterpret_cast<float *>(mid), first);
    for (int j = ax.lowest; j <= ax.highest; ++j) {
        if (j >= 0 && j < n)
            continue; // the picture itself
        const F *from = mid + 3 * qsizetype(mirrored(j, n));
        F *to = mid + 3 * qsizetype(j);
        to[0] = from[0];
        to[1] = from[1];
        to[2] = from[2];
    }
}

template <typename V>
struct Sums
{
    V b, g, r;
};

template <typename V>
VORLIX_INLINE void accumulate(Sums<V> &s, const V *w, const V *p, int from, int to)
{
    for (int t = from; t < to; ++t) {
        madd(s.b, w[t], p[3 * t]);
        madd(s.g, w[t], p[3 * t + 1]);
        madd(s.r, w[t], p[3 * t + 2]);
    }
}

// Writes one destination pixel of L intermediate rows at float offset at.
// The SSE2 stores are four floats wide: the fourth lands on the next
// pixel's blue, which is written afterwards, or on the row's padding.
template <int L>
VORLIX_INLINE void storePixel(float *const *out, qsizetype at, const Sums<typename Lanes<L>::F> &s)
{
#ifdef VORLIX_RESAMPLE_SSE2
    for (int q = 0; q < L / 4; ++q) {
        const __m128 b = byteValues(quarter(s.b, q)), g = byteValues(quarter(s.g, q)), r = byteValues(quarter(s.r, q));
        const __m128 bg01 = _mm_unpacklo_ps(b, g), bg23 = _mm_unpackhi_ps(b, g);
        const __m128 r01 = _mm_unpacklo_ps(r, _mm_setzero_ps()), r23 = _mm_unpackhi_ps(r, _mm_setzero_ps());
        float *const *o = out + 4 * q;
        _mm_storeu_ps(o[0] + at, _mm_movelh_ps(bg01, r01));
        _mm_storeu_ps(o[1] + at, _mm_movehl_ps(r01, bg01));
        _mm_storeu_ps(o[2] + at, _mm_movelh_ps(bg23, r23));
        _mm_storeu_ps(o[3] + at, _mm_movehl_ps(r23, bg23));
    }
#else
    for (int k = 0; k < L; ++k) {
        out[k][at] = byteValue(s.b[k]);
        out[k][at + 1] = byteValue(s.g[k]);
        out[k][at + 2] = byteValue(s.r[k]);
    }
#endif
}

// Pass 1 for L rows, with the weights already spread over the lanes (wide).
// Two destination pixels go side by side so that six independent sums hide
// the adder's latency; each keeps its own order.
template <int L>
VORLIX_INLINE void horizontal(const typename Lanes<L>::F *ext, const Axis &ax, const typename Lanes<L>::F *wide,
                              int dw, float *const *out)
{
    typedef typename Lanes<L>::F F;
    int x = 0;
    for (; x + 1 < dw; x += 2) {
        const F *w0 = wide + ax.offset[x], *w1 = wide + ax.offset[x + 1];
        const F *p0 = ext + 3 * qsizetype(ax.first[x] - ax.lowest);
        const F *p1 = ext + 3 * qsizetype(ax.first[x + 1] - ax.lowest);
        const int c0 = ax.count[x], c1 = ax.count[x + 1];
        const int both = std::min(c0, c1);
        Sums<F> s0 = {F{}, F{}, F{}}, s1 = s0;
        int t = 0;
        for (; t < both; ++t) {
            madd(s0.b, w0[t], p0[3 * t]);
            madd(s0.g, w0[t], p0[3 * t + 1]);
            madd(s0.r, w0[t], p0[3 * t + 2]);
            madd(s1.b, w1[t], p1[3 * t]);
            madd(s1.g, w1[t], p1[3 * t + 1]);
            madd(s1.r, w1[t], p1[3 * t + 2]);
        }
        accumulate(s0, w0, p0, t, c0);
        accumulate(s1, w1, p1, t, c1);
        storePixel<L>(out, 3 * qsizetype(x), s0);
        storePixel<L>(out, 3 * qsizetype(x) + 3, s1);
    }
    if (x < dw) {
        Sums<F> s = {F{}, F{}, F{}};
        accumulate(s, wide + ax.offset[x], ext + 3 * qsizetype(ax.first[x] - ax.lowest), 0, ax.count[x]);
        storePixel<L>(out, 3 * qsizetype(x), s);
    }
}

// ---------------------------------------------------------------------------
// Pass 2 sums whole intermediate rows into a destination row, a block of
// eight vectors at a time: the sums stay in registers, and eight of them
// hide the adder's latency.

template <int L>
constexpr int kBlock = 8 * L;

template <int L>
VORLIX_INLINE void vertical(const float *const *rows, const float *w, int count, qsizetype rowFloats, uchar *d)
{
    typedef typename Lanes<L>::F F;
    constexpr int block = kBlock<L>;
    for (qsizetype e = 0; e < rowFloats; e += block) {
        F acc[8] = {};
        for (int t = 0; t < count; ++t) {
            F wt;
            splat(wt, w[t]);
            const float *p = rows[t] + e;
#pragma GCC unroll 8
            for (int k = 0; k < 8; ++k) {
                F v;
                loadLanes(v, p + k * L);
                madd(acc[k], wt, v);
            }
        }
        const int valid = int(std::min<qsizetype>(block, rowFloats - e));
#ifdef VORLIX_RESAMPLE_SSE2
        // Clamp, round (halves to even) and pack to bytes, 32 at a time.
        alignas(16) uchar bytes[block];
#pragma GCC unroll 2
        for (int half = 0; half < block / 32; ++half) {
            __m128i ints[8];
#pragma GCC unroll 8
            for (int k = 0; k < 8; ++k) {
                const int q = 8 * half + k; // the quarter of the block
                ints[k] = _mm_cvtps_epi32(clamp4(quarter(acc[q / (L / 4)], q % (L / 4))));
            }
            const __m128i lo = _mm_packus_epi16(_mm_packs_epi32(ints[0], ints[1]), _mm_packs_epi32(ints[2], ints[3]));
            const __m128i hi = _mm_packus_epi16(_mm_packs_epi32(ints[4], ints[5]), _mm_packs_epi32(ints[6], ints[7]));
            uchar *to = valid == block ? d + e + 32 * half : bytes + 32 * half;
            _mm_storeu_si128(reinterpret_cast<__m128i *>(to), lo);
            _mm_storeu_si128(reinterpret_cast<__m128i *>(to + 16), hi);
        }
        if (valid != block)
            std::memcpy(d + e, bytes, size_t(valid));
#else
        for (int k = 0; k < valid; ++k)
            d[e + k] = uchar(byteValue(acc[k / L][k % L]));
#endif
    }
}

// Both passes, into dst (width x height, allocated) from src (BGR888), L
// lanes to a vector.
template <int L>
VORLIX_INLINE void resampleInto(const QImage &src, QImage &dst, int radius)
{
    typedef typename Lanes<L>::F F;
    typedef typename Lanes<L>::Block Block;
    const int sw = src.width(), sh = src.height();
    const int width = dst.width(), height = dst.height();
    const Axis horz = contributors<L>(sw, width, radius);
    const Axis vert = contributors<L>(sh, height, radius);

    // The intermediate picture (width x source height) holds its 8-bit
    // values as floats, so pass 2 reads them without converting. It is
    // made in groups of L rows when pass 2 first needs them, and a group's
    // memory is reused once no later destination row reads it; each row is
    // still filtered exactly once, so the result is that of two whole
    // passes. Rows have room for pass 1's wide stores and for whole pass-2
    // blocks.
    const qsizetype rowFloats = 3 * qsizetype(width);
    const qsizetype stride = (rowFloats + kBlock<L>) / kBlock<L> * kBlock<L>;
    const int groups = (sh + L - 1) / L;
    std::vector<int> lastUse(size_t(groups), -1);
    for (int dy = 0; dy < height; ++dy)
        for (int t = 0; t < vert.count[dy]; ++t)
            lastUse[size_t(mirrored(vert.first[dy] + t, sh) / L)] = dy;
    std::vector<float *> made(size_t(groups), nullptr), spare;
    std::vector<std::unique_ptr<Block[]>> storage;

    const qsizetype positions = qsizetype(horz.highest) - horz.lowest + 1;
    const std::unique_ptr<Block[]> ext(new Block[size_t(3 * positions)]);
    std::vector<Block> wide(horz.weights.size());
    for (size_t k = 0; k < wide.size(); ++k)
        splat(wide[k].v, horz.weights[k]);

    // Pass 2, destination row by destination row; per pixel the
    // contributors still come in list order. Pass 1 makes each group of
    // source rows when it is first needed; a short last group repeats its
    // final row.
    std::vector<const float *> rows;
    uchar *const dstBits = dst.bits();
    const qsizetype dstStride = dst.bytesPerLine();
    for (int dy = 0; dy < height; ++dy) {
        const int count = vert.count[dy];
        rows.resize(size_t(count));
        for (int t = 0; t < count; ++t) {
            const int r = mirrored(vert.first[dy] + t, sh);
            const int g = r / L;
            if (!made[size_t(g)]) {
                float *slot;
                if (spare.empty()) {
                    storage.emplace_back(new Block[size_t(stride)]()); // L rows, padding zeroed
                    slot = reinterpret_cast<float *>(storage.back().get());
                } else {
                    slot = spare.back();
                    spare.pop_back();
                }
                const uchar *from[L];
                float *out[L];
                for (int k = 0; k < L; ++k) {
                    from[k] = src.constScanLine(std::min(L * g + k, sh - 1));
                    out[k] = slot + k * stride;
                }
                F *const lanes = &ext[0].v;
                loadRows<L>(from, sw, horz, lanes);
                horizontal<L>(lanes, horz, &wide.data()->v, width, out);
                made[size_t(g)] = slot;
            }
            rows[size_t(t)] = made[size_t(g)] + (r % L) * stride;
        }
        vertical<L>(rows.data(), vert.weights.data() + vert.offset[dy], count, rowFloats, dstBits + dy * dstStride);
        for (int t = 0; t < count; ++t) {
            const int g = mirrored(vert.first[dy] + t, sh) / L;
            if (lastUse[size_t(g)] == dy && made[size_t(g)]) {
                spare.push_back(made[size_t(g)]);
                made[size_t(g)] = nullptr;
            }
        }
    }
}

void resampleFour(const QImage &src, QImage &dst, int radius)
{
    resampleInto<4>(src, dst, radius);
}

#ifdef VORLIX_RESAMPLE_AVX2
__attribute__((target("avx2"))) void resampleEight(const QImage &src, QImage &dst, int radius)
{
    resampleInto<8>(src, dst, radius);
}
#endif

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
    try {
#ifdef VORLIX_RESAMPLE_AVX2
        static const bool avx2 = __builtin_cpu_supports("avx2");
        if (avx2)
            resampleEight(src, dst, radius);
        else
#endif
            resampleFour(src, dst, radius);
    } catch (const std::bad_alloc &) {
        throw VorlixError(QStringLiteral("Not enough memory for a picture of that size"));
    }
    return dst;
}

} // namespace vorlix
