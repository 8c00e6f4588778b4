#include "artwork/Common.h"

#include <algorithm>
#include <array>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace art {

Rgb mix(Rgb a, Rgb b, int t, int n)
{
    if (n <= 0)
        return a;
    auto m = [&](int x, int y) { return (x * (n - t) + y * t + n / 2) / n; };
    return {m(a.r, b.r), m(a.g, b.g), m(a.b, b.b)};
}

Rgb shade(Rgb c, int d)
{
    auto cl = [](int v) { return std::clamp(v, 0, 255); };
    return {cl(c.r + d), cl(c.g + d), cl(c.b + d)};
}

// ---------------------------------------------------------------------------
// Pixel helpers. Everything clips to the picture.

Rgb get(const QImage &im, int x, int y)
{
    const QRgb p = im.pixel(x, y);
    return {qRed(p), qGreen(p), qBlue(p)};
}

void put(QImage &im, int x, int y, Rgb c)
{
    if (x >= 0 && y >= 0 && x < im.width() && y < im.height())
        im.setPixel(x, y, qRgb(c.r, c.g, c.b));
}

void fill(QImage &im, int x, int y, int w, int h, Rgb c)
{
    for (int j = y; j < y + h; ++j)
        for (int i = x; i < x + w; ++i)
            put(im, i, j, c);
}

void hline(QImage &im, int x0, int x1, int y, Rgb c)
{
    for (int x = x0; x <= x1; ++x)
        put(im, x, y, c);
}

void vline(QImage &im, int x, int y0, int y1, Rgb c)
{
    for (int y = y0; y <= y1; ++y)
        put(im, x, y, c);
}

void outline(QImage &im, int x, int y, int w, int h, Rgb c)
{
    hline(im, x, x + w - 1, y, c);
    hline(im, x, x + w - 1, y + h - 1, c);
    vline(im, x, y, y + h - 1, c);
    vline(im, x + w - 1, y, y + h - 1, c);
}

// One-pixel bevel: top and left in `tl`, bottom and right in `br`.
void bevel(QImage &im, int x, int y, int w, int h, Rgb tl, Rgb br)
{
    hline(im, x, x + w - 1, y, tl);
    vline(im, x, y, y + h - 1, tl);
    hline(im, x, x + w - 1, y + h - 1, br);
    vline(im, x + w - 1, y + 1, y + h - 1, br);
}

void gradV(QImage &im, int x, int y, int w, int h, Rgb top, Rgb bottom)
{
    for (int j = 0; j < h; ++j)
        hline(im, x, x + w - 1, y + j, mix(top, bottom, j, std::max(1, h - 1)));
}

void blit(QImage &dst, int dx, int dy, const QImage &src, int sx, int sy, int w, int h)
{
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i)
            if (sx + i >= 0 && sy + j >= 0 && sx + i < src.width() && sy + j < src.height())
                put(dst, dx + i, dy + j, get(src, sx + i, sy + j));
}

// Paints the '#' cells of a pattern.
void pattern(QImage &im, int x, int y, Pattern rows, Rgb c)
{
    int j = 0;
    for (std::string_view row : rows) {
        for (int i = 0; i < int(row.size()); ++i)
            if (row[size_t(i)] == '#')
                put(im, x + i, y + j, c);
        ++j;
    }
}

int patternWidth(Pattern rows)
{
    size_t w = 0;
    for (auto r : rows)
        w = std::max(w, r.size());
    return int(w);
}

QImage newRgb(int w, int h, Rgb c)
{
    QImage im(w, h, QImage::Format_RGB888);
    im.fill(QColor(c.r, c.g, c.b));
    return im;
}

// ---------------------------------------------------------------------------
// Bitmap fonts: 5x7 for captions and logos, 3x5 for the tiny skin labels.

namespace {

struct Glyph5
{
    char ch;
    const char *rows[7];
};

constexpr Glyph5 kFont5[] = {
    {'A', {".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"}},
    {'B', {"####.", "#...#", "#...#", "####.", "#...#", "#...#", "####."}},
    {'C', {".###.", "#...#", "#....", "#....", "#....", "#...#", ".###."}},
    {'D', {"####.", "#...#", "#...#", "#...#", "#...#", "#...#", "####."}},
    {'E', {"#####", "#....", "#....", "####.", "#....", "#....", "#####"}},
    {'F', {"#####", "#....", "#....", "####.", "#....", "#....", "#...."}},
    {'G', {".###.", "#...#", "#....", "#.###", "#...#", "#...#", ".####"}},
    {'H', {"#...#", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"}},
    {'I', {".###.", "..#..", "..#..", "..#..", "..#..", "..#..", ".###."}},
    {'J', {"..###", "...#.", "...#.", "...#.", "...#.", "#..#.", ".##.."}},
    {'K', {"#...#", "#..#.", "#.#..", "##...", "#.#..", "#..#.", "#...#"}},
    {'L', {"#....", "#....", "#....", "#....", "#....", "#....", "#####"}},
    {'M', {"#...#", "##.##", "#.#.#", "#.#.#", "#...#", "#...#", "#...#"}},
    {'N', {"#...#", "#...#", "##..#", "#.#.#", "#..##", "#...#", "#...#"}},
    {'O', {".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."}},
    {'P', {"####.", "#...#", "#...#", "####.", "#....", "#....", "#...."}},
    {'Q', {".###.", "#...#", "#...#", "#...#", "#.#.#", "#..#.", ".##.#"}},
    {'R', {"####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"}},
    {'S', {".####", "#....", "#....", ".###.", "....#", "....#", "####."}},
    {'T', {"#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."}},
    {'U', {"#...#", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."}},
    {'V', {"#...#", "#...#", "#...#", "#...#", "#...#", ".#.#.", "..#.."}},
    {'W', {"#...#", "#...#", "#...#", "#.#.#", "#.#.#", "#.#.#", ".#.#."}},
    {'X', {"#...#", "#...#", ".#.#.", "..#..", ".#.#.", "#...#", "#...#"}},
    {'Y', {"#...#", "#...#", ".#.#.", "..#..", "..#..", "..#..", "..#.."}},
    {'Z', {"#####", "....#", "...#.", "..#..", ".#...", "#....", "#####"}},
    {'0', {".###.", "#...#", "#..##", "#.#.#", "##..#", "#...#", ".###."}},
    {'1', {"..#..", ".##..", "..#..", "..#..", "..#..", "..#..", ".###."}},
    {'2', {".###.", "#...#", "....#", "...#.", "..#..", ".#...", "#####"}},
    {'3', {"#####", "...#.", "..#..", "...#.", "....#", "#...#", ".###."}},
    {'4', {"...#.", "..##.", ".#.#.", "#..#.", "#####", "...#.", "...#."}},
    {'5', {"#####", "#....", "####.", "....#", "....#", "#...#", ".###."}},
    {'6', {"..##.", ".#...", "#....", "####.", "#...#", "#...#", ".###."}},
    {'7', {"#####", "....#", "...#.", "..#..", ".#...", ".#...", ".#..."}},
    {'8', {".###.", "#...#", "#...#", ".###.", "#...#", "#...#", ".###."}},
    {'9', {".###.", "#...#", "#...#", ".####", "....#", "...#.", ".##.."}},
    {'-', {".....", ".....", ".....", ".###.", ".....", ".....", "....."}},
    {'.', {".....", ".....", ".....", ".....", ".....", ".##..", ".##.."}},
    {':', {".....", ".##..", ".##..", ".....", ".##..", ".##..", "....."}},
    {'/', {"....#", "....#", "...#.", "..#..", ".#...", "#....", "#...."}},
    {'!', {"..#..", "..#..", "..#..", "..#..", "..#..", ".....", "..#.."}},
    {'+', {".....", "..#..", "..#..", "#####", "..#..", "..#..", "....."}},
    {' ', {".....", ".....", ".....", ".....", ".....", ".....", "....."}},
};

struct Glyph3
{
    char ch;
    const char *rows[5];
};

constexpr Glyph3 kFont3[] = {
    {'A', {".#.", "#.#", "###", "#.#", "#.#"}}, {'B', {"##.", "#.#", "##.", "#.#", "##."}},
    {'C', {".##", "#..", "#..", "#..", ".##"}}, {'D', {"##.", "#.#", "#.#", "#.#", "##."}},
    {'E', {"###", "#..", "##.", "#..", "###"}}, {'F', {"###", "#..", "##.", "#..", "#.."}},
    {'G', {".##", "#..", "#.#", "#.#", ".##"}}, {'H', {"#.#", "#.#", "###", "#.#", "#.#"}},
    {'I', {"###", ".#.", ".#.", ".#.", "###"}}, {'J', {"..#", "..#", "..#", "#.#", ".#."}},
    {'K', {"#.#", "#.#", "##.", "#.#", "#.#"}}, {'L', {"#..", "#..", "#..", "#..", "###"}},
    {'M', {"#...#", "##.##", "#.#.#", "#...#", "#...#"}}, {'N', {"#..#", "##.#", "#.##", "#..#", "#..#"}},
    {'O', {".#.", "#.#", "#.#", "#.#", ".#."}}, {'P', {"##.", "#.#", "##.", "#..", "#.."}},
    {'Q', {".#.", "#.#", "#.#", "##.", ".##"}}, {'R', {"##.", "#.#", "##.", "#.#", "#.#"}},
    {'S', {".##", "#..", ".#.", "..#", "##."}}, {'T', {"###", ".#.", ".#.", ".#.", ".#."}},
    {'U', {"#.#", "#.#", "#.#", "#.#", "###"}}, {'V', {"#.#", "#.#", "#.#", "#.#", ".#."}},
    {'W', {"#...#", "#...#", "#.#.#", "##.##", "#...#"}}, {'X', {"#.#", "#.#", ".#.", "#.#", "#.#"}},
    {'Y', {"#.#", "#.#", ".#.", ".#.", ".#."}}, {'Z', {"###", "..#", ".#.", "#..", "###"}},
    {'0', {"###", "#.#", "#.#", "#.#", "###"}}, {'1', {".#.", "##.", ".#.", ".#.", "###"}},
    {'2', {"##.", "..#", ".#.", "#..", "###"}}, {'3', {"##.", "..#", ".#.", "..#", "##."}},
    {'4', {"#.#", "#.#", "###", "..#", "..#"}}, {'5', {"###", "#..", "##.", "..#", "##."}},
    {'6', {".##", "#..", "###", "#.#", "###"}}, {'7', {"###", "..#", ".#.", ".#.", ".#."}},
    {'8', {"###", "#.#", "###", "#.#", "###"}}, {'9', {"###", "#.#", "###", "..#", "##."}},
    {'-', {"...", "...", "###", "...", "..."}}, {'.', {"...", "...", "...", "...", ".#."}},
    {':', {"...", ".#.", "...", ".#.", "..."}}, {'/', {"..#", "..#", ".#.", "#..", "#.."}},
    {'+', {"...", ".#.", "###", ".#.", "..."}}, {' ', {"...", "...", "...", "...", "..."}},
};

const char *const *glyph5(char c)
{
    for (const auto &g : kFont5)
        if (g.ch == c)
            return g.rows;
    std::fprintf(stderr, "gen_artwork: no 5x7 glyph for '%c'\n", c);
    std::exit(2);
}

const char *const *glyph3(char c)
{
    for (const auto &g : kFont3)
        if (g.ch == c)
            return g.rows;
    std::fprintf(stderr, "gen_artwork: no 3x5 glyph for '%c'\n", c);
    std::exit(2);
}

} // namespace

int glyph3Width(char c)
{
    return int(std::strlen(glyph3(c)[0]));
}

// Width of a 5x7 text at the given scale: 5 columns a letter, 1 between.
int width5(std::string_view s, int scale)
{
    return s.empty() ? 0 : (int(s.size()) * 6 - 1) * scale;
}

int width3(std::string_view s)
{
    int w = 0;
    for (char c : s)
        w += glyph3Width(c) + 1;
    return std::max(0, w - 1);
}

void text5(QImage &im, int x, int y, std::string_view s, Rgb c, int scale)
{
    for (char ch : s) {
        const char *const *rows = glyph5(ch);
        for (int j = 0; j < 7; ++j)
            for (int i = 0; i < 5; ++i)
                if (rows[j][i] == '#')
                    fill(im, x + i * scale, y + j * scale, scale, scale, c);
        x += 6 * scale;
    }
}

void text3(QImage &im, int x, int y, std::string_view s, Rgb c)
{
    for (char ch : s) {
        const char *const *rows = glyph3(ch);
        const int w = glyph3Width(ch);
        for (int j = 0; j < 5; ++j)
            for (int i = 0; i < w; ++i)
                if (rows[j][i] == '#')
                    put(im, x + i, y + j, c);
        x += w + 1;
    }
}

// ---------------------------------------------------------------------------
// Parts every skin window shares: keys, lamps, title buttons, bars, troughs.

// A raised key of the player; a pressed key has the bevel the other way
// round and a darker face, so "down" reads at a glance.
void drawKey(QImage &im, int x, int y, int w, int h, bool pressed)
{
    outline(im, x, y, w, h, pal::ink);
    if (!pressed) {
        gradV(im, x + 1, y + 1, w - 2, h - 2, {82, 84, 94}, {42, 43, 50});
        hline(im, x + 1, x + w - 2, y + 1, pal::steelHi);
        vline(im, x + 1, y + 1, y + h - 2, pal::steel);
        hline(im, x + 1, x + w - 2, y + h - 2, pal::shadow);
        vline(im, x + w - 2, y + 2, y + h - 2, pal::shadow);
    } else {
        gradV(im, x + 1, y + 1, w - 2, h - 2, {30, 30, 35}, {46, 47, 54});
        hline(im, x + 1, x + w - 2, y + 1, pal::ink);
        vline(im, x + 1, y + 1, y + h - 2, pal::ink);
        hline(im, x + 2, x + w - 2, y + h - 2, pal::steelLo);
        vline(im, x + w - 2, y + 2, y + h - 2, pal::steelLo);
    }
}

// A 3x3 lamp: dark green when off, bright with a light core when on.
void drawLamp(QImage &im, int x, int y, bool on)
{
    fill(im, x, y, 3, 3, on ? pal::green : pal::greenDim);
    put(im, x, y, on ? pal::greenHi : shade(pal::greenDim, 18));
    outline(im, x - 1, y - 1, 5, 5, pal::ink);
}

// Sunken one-pixel frame around (x, y, w, h), for the dark skin parts.
void sunkenDark(QImage &im, int x, int y, int w, int h)
{
    bevel(im, x - 1, y - 1, w + 2, h + 2, pal::ink, pal::steelLo);
}

// Window shade: the window rolls up into a bar.
const Pattern kShadeGlyph = {"#####", "#####", ".....", "..#..", ".###."};

void titleButton(QImage &im, int x, int y, TitleGlyph g, bool pressed, bool latched)
{
    if (!pressed) {
        gradV(im, x, y, 9, 9, {96, 98, 108}, {54, 55, 62});
        bevel(im, x, y, 9, 9, pal::steelHi, pal::ink);
    } else {
        gradV(im, x, y, 9, 9, {34, 34, 39}, {52, 53, 60});
        bevel(im, x, y, 9, 9, pal::ink, pal::steel);
    }
    const int o = pressed ? 1 : 0;
    const Rgb c = pressed && !latched ? pal::orange : pal::text;
    const int gx = x + 2 + o, gy = y + 2 + o;
    switch (g) {
    case TitleGlyph::Options:
        pattern(im, gx, gy + 1, {"#####", ".###.", "..#.."}, c);
        break;
    case TitleGlyph::Minimize:
        pattern(im, gx, gy + 3, {"#####", "#####"}, c);
        break;
    case TitleGlyph::Close:
        pattern(im, gx, gy, {"#...#", ".#.#.", "..#..", ".#.#.", "#...#"}, c);
        break;
    case TitleGlyph::Shade:
        pattern(im, gx, gy, kShadeGlyph, c);
        break;
    }
}

void barFrame(QImage &im, int x, int y, bool active)
{
    barPiece(im, x, y, 275, active, true, true);
}

void barPiece(QImage &im, int x, int y, int w, bool active, bool leftEnd, bool rightEnd)
{
    if (active)
        gradV(im, x, y + 1, w, 12, {64, 64, 72}, {30, 30, 35});
    else
        gradV(im, x, y + 1, w, 12, {46, 46, 50}, {30, 30, 33});
    hline(im, x, x + w - 1, y, active ? pal::steel : pal::steelLo);
    hline(im, x, x + w - 1, y + 13, pal::ink);
    if (leftEnd)
        vline(im, x, y, y + 12, active ? pal::steel : pal::steelLo);
    if (rightEnd)
        vline(im, x + w - 1, y + 1, y + 13, pal::ink);
}

void brushedPanel(QImage &im, int x, int y, int w, int h, uint32_t seed)
{
    Lcg lcg{seed};
    for (int j = 0; j < h; ++j) {
        const Rgb base = mix({46, 47, 54}, {30, 30, 35}, j, h - 1);
        hline(im, x, x + w - 1, y + j, shade(base, lcg.next(5) - 2));
    }
    hline(im, x, x + w - 1, y, pal::steelLo);
    vline(im, x, y, y + h - 1, pal::steelLo);
    hline(im, x, x + w - 1, y + h - 1, pal::ink);
    vline(im, x + w - 1, y, y + h - 1, pal::ink);
}

void screw(QImage &im, int x, int y)
{
    fill(im, x, y, 3, 3, pal::steel);
    put(im, x, y, pal::steelHi);
    put(im, x + 2, y + 2, pal::ink);
    put(im, x + 1, y + 1, pal::steelLo);
}

// Engraved grooves: the bar's grip pattern. Active bars get warm grooves.
void grooves(QImage &im, int x0, int x1, int y, bool active)
{
    const Rgb dark = pal::ink;
    const Rgb light = active ? pal::orangeLo : Rgb{74, 75, 82};
    for (int k = 0; k < 3; ++k) {
        hline(im, x0, x1, y + 3 * k, dark);
        hline(im, x0, x1, y + 3 * k + 1, light);
    }
}

void shadeThumb(QImage &im, int x, int y, Rgb c)
{
    vline(im, x, y, y + 6, shade(c, 50));
    vline(im, x + 1, y, y + 6, c);
    vline(im, x + 2, y, y + 6, shade(c, -70));
}

// One toggle key: lamp at the left, label after it.
void toggleKey(QImage &im, int x, int y, int w, int h, bool on, bool pressed,
               const std::function<void(int, int, Rgb)> &label)
{
    drawKey(im, x, y, w, h, pressed);
    const int o = pressed ? 1 : 0;
    drawLamp(im, x + 4 + o, y + (h - 3) / 2 + o, on);
    label(x + 10 + o, y + o, on ? pal::orange : pal::text);
}

// Colour of the lit fill along the bar: green, yellow, orange.
Rgb levelColour(int t, int n)
{
    if (2 * t <= n)
        return mix(pal::green, pal::yellow, 2 * t, n);
    return mix(pal::yellow, pal::orange, 2 * t - n, n);
}

void trough(QImage &im, int x, int y, int w)
{
    fill(im, x, y, w, 13, {10, 10, 12});
    bevel(im, x, y, w, 13, pal::ink, pal::steelLo);
}

void sliderKnob(QImage &im, int x, int y, bool pressed)
{
    gradV(im, x, y, 14, 11, pressed ? Rgb{120, 124, 134} : pal::steelHi,
          pressed ? Rgb{70, 72, 80} : Rgb{92, 95, 104});
    outline(im, x, y, 14, 11, pal::ink);
    bevel(im, x + 1, y + 1, 12, 9, pressed ? pal::steelLo : pal::white, pressed ? pal::steelHi : pal::steelLo);
    vline(im, x + 6, y + 3, y + 7, pressed ? pal::orangeHi : pal::orange);
    vline(im, x + 7, y + 3, y + 7, pressed ? pal::orange : pal::orangeLo);
}

// ---------------------------------------------------------------------------
// PNG writer: fixed-Huffman deflate with greedy LZ77. Small, and its output
// depends on nothing but the pixels.

namespace {

uint32_t crc32(const uint8_t *p, size_t n, uint32_t crc = 0)
{
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    crc = ~crc;
    for (size_t i = 0; i < n; ++i)
        crc = table[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

struct BitWriter
{
    std::vector<uint8_t> &out;
    uint32_t acc = 0;
    int n = 0;
    void bits(uint32_t v, int count) // LSB first
    {
        acc |= v << n;
        n += count;
        while (n >= 8) {
            out.push_back(uint8_t(acc));
            acc >>= 8;
            n -= 8;
        }
    }
    void huff(uint32_t code, int len) // Huffman codes go MSB first
    {
        uint32_t r = 0;
        for (int i = 0; i < len; ++i)
            r |= ((code >> i) & 1) << (len - 1 - i);
        bits(r, len);
    }
    void flush()
    {
        if (n > 0)
            out.push_back(uint8_t(acc));
        acc = 0;
        n = 0;
    }
};

void fixedLiteral(BitWriter &bw, int sym)
{
    if (sym < 144)
        bw.huff(0x30 + sym, 8);
    else if (sym < 256)
        bw.huff(0x190 + sym - 144, 9);
    else if (sym < 280)
        bw.huff(sym - 256, 7);
    else
        bw.huff(0xC0 + sym - 280, 8);
}

std::vector<uint8_t> deflateFixed(const std::vector<uint8_t> &d)
{
    static const int lenBase[] = {3, 4, 5, 6, 7, 8, 9, 10, 11, 13, 15, 17, 19, 23, 27,
                                  31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
    static const int lenExtra[] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
    static const int distBase[] = {1, 2, 3, 4, 5, 7, 9, 13, 17, 25, 33, 49, 65, 97, 129,
                                   193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
    static const int distExtra[] = {0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
    constexpr int kWindow = 32768, kHashBits = 15, kMaxChain = 96;

    std::vector<uint8_t> out;
    BitWriter bw{out};
    bw.bits(1, 1); // last block
    bw.bits(1, 2); // fixed Huffman codes
    const int n = int(d.size());
    std::vector<int> head(1 << kHashBits, -1), prev(size_t(n), -1);
    auto hash = [&](int i) { return ((d[size_t(i)] << 10) ^ (d[size_t(i) + 1] << 5) ^ d[size_t(i) + 2]) & ((1 << kHashBits) - 1); };
    auto insert = [&](int i) {
        if (i + 2 < n) {
            const int h = hash(i);
            prev[size_t(i)] = head[size_t(h)];
            head[size_t(h)] = i;
        }
    };
    int i = 0;
    while (i < n) {
        int bestLen = 0, bestDist = 0;
        if (i + 2 < n) {
            int cand = head[size_t(hash(i))];
            for (int chain = 0; cand >= 0 && i - cand <= kWindow && chain < kMaxChain; ++chain) {
                int len = 0;
                while (len < 258 && i + len < n && d[size_t(cand + len)] == d[size_t(i + len)])
                    ++len;
                if (len > bestLen) {
                    bestLen = len;
                    bestDist = i - cand;
                    if (len == 258)
                        break;
                }
                cand = prev[size_t(cand)];
            }
        }
        if (bestLen >= 3) {
            int li = 28;
            while (lenBase[li] > bestLen)
                --li;
            fixedLiteral(bw, 257 + li);
            bw.bits(uint32_t(bestLen - lenBase[li]), lenExtra[li]);
            int di = 29;
            while (distBase[di] > bestDist)
                --di;
            bw.huff(uint32_t(di), 5);
            bw.bits(uint32_t(bestDist - distBase[di]), distExtra[di]);
            for (int k = 0; k < bestLen; ++k)
                insert(i + k);
            i += bestLen;
        } else {
            fixedLiteral(bw, d[size_t(i)]);
            insert(i);
            ++i;
        }
    }
    fixedLiteral(bw, 256);
    bw.flush();
    return out;
}

void be32(std::vector<uint8_t> &v, uint32_t x)
{
    for (int s = 24; s >= 0; s -= 8)
        v.push_back(uint8_t(x >> s));
}

void chunk(std::vector<uint8_t> &png, const char *type, const std::vector<uint8_t> &data)
{
    be32(png, uint32_t(data.size()));
    std::vector<uint8_t> body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    png.insert(png.end(), body.begin(), body.end());
    be32(png, crc32(body.data(), body.size()));
}

std::vector<uint8_t> zlibStream(const std::vector<uint8_t> &raw);

// A picture of at most 256 colours and no alpha as colour type 3: one byte
// a pixel and no row filters, as the desktop icons are written. Empty when
// the picture has more colours.
std::vector<uint8_t> encodePalettePng(const QImage &im)
{
    if (im.format() == QImage::Format_ARGB32)
        return {};
    std::vector<QRgb> palette;
    std::vector<uint8_t> raw;
    for (int y = 0; y < im.height(); ++y) {
        raw.push_back(0); // filter: none
        for (int x = 0; x < im.width(); ++x) {
            const QRgb p = im.pixel(x, y) | 0xff000000u;
            const auto it = std::find(palette.begin(), palette.end(), p);
            if (it == palette.end()) {
                if (palette.size() == 256)
                    return {};
                palette.push_back(p);
            }
            raw.push_back(uint8_t(std::find(palette.begin(), palette.end(), p) - palette.begin()));
        }
    }
    std::vector<uint8_t> plte;
    for (const QRgb c : palette)
        plte.insert(plte.end(), {uint8_t(qRed(c)), uint8_t(qGreen(c)), uint8_t(qBlue(c))});
    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> ihdr;
    be32(ihdr, uint32_t(im.width()));
    be32(ihdr, uint32_t(im.height()));
    ihdr.insert(ihdr.end(), {8, 3, 0, 0, 0});
    chunk(png, "IHDR", ihdr);
    chunk(png, "PLTE", plte);
    chunk(png, "IDAT", zlibStream(raw));
    chunk(png, "IEND", {});
    return png;
}

std::vector<uint8_t> zlibStream(const std::vector<uint8_t> &raw)
{
    std::vector<uint8_t> z = {0x78, 0x01};
    const std::vector<uint8_t> def = deflateFixed(raw);
    z.insert(z.end(), def.begin(), def.end());
    uint32_t s1 = 1, s2 = 0;
    for (uint8_t b : raw) {
        s1 = (s1 + b) % 65521;
        s2 = (s2 + s1) % 65521;
    }
    be32(z, (s2 << 16) | s1);
    return z;
}

} // namespace

// Encodes an RGB888 picture as colour type 3 when it has at most 256
// colours, else as type 2; an ARGB32 one as type 6.
std::vector<uint8_t> encodePng(const QImage &im)
{
    if (std::vector<uint8_t> png = encodePalettePng(im); !png.empty())
        return png;
    const bool alpha = im.format() == QImage::Format_ARGB32;
    const int bpp = alpha ? 4 : 3, w = im.width(), h = im.height(), stride = w * bpp;
    std::vector<uint8_t> raw;
    std::vector<uint8_t> prevRow(static_cast<size_t>(stride), 0), best;
    std::vector<uint8_t> row(static_cast<size_t>(stride)), cand(static_cast<size_t>(stride));
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const QRgb p = im.pixel(x, y);
            uint8_t *q = &row[size_t(x * bpp)];
            q[0] = uint8_t(qRed(p));
            q[1] = uint8_t(qGreen(p));
            q[2] = uint8_t(qBlue(p));
            if (alpha)
                q[3] = uint8_t(qAlpha(p));
        }
        // Pick the row filter with the smallest sum of |residual|.
        long bestScore = -1;
        int bestType = 0;
        for (int type = 0; type < 5; ++type) {
            long score = 0;
            for (int k = 0; k < stride; ++k) {
                const int a = k >= bpp ? row[size_t(k - bpp)] : 0;
                const int b = prevRow[size_t(k)];
                const int c = k >= bpp ? prevRow[size_t(k - bpp)] : 0;
                int pred = 0;
                switch (type) {
                case 1: pred = a; break;
                case 2: pred = b; break;
                case 3: pred = (a + b) / 2; break;
                case 4: {
                    const int pp = a + b - c, pa = std::abs(pp - a), pb = std::abs(pp - b), pc = std::abs(pp - c);
                    pred = (pa <= pb && pa <= pc) ? a : (pb <= pc ? b : c);
                    break;
                }
                default: break;
                }
                cand[size_t(k)] = uint8_t(row[size_t(k)] - pred);
                score += std::abs(int(int8_t(cand[size_t(k)])));
            }
            if (bestScore < 0 || score < bestScore) {
                bestScore = score;
                bestType = type;
                best = cand;
            }
        }
        raw.push_back(uint8_t(bestType));
        raw.insert(raw.end(), best.begin(), best.end());
        prevRow = row;
    }

    const std::vector<uint8_t> z = zlibStream(raw);

    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> ihdr;
    be32(ihdr, uint32_t(w));
    be32(ihdr, uint32_t(h));
    ihdr.insert(ihdr.end(), {8, uint8_t(alpha ? 6 : 2), 0, 0, 0});
    chunk(png, "IHDR", ihdr);
    chunk(png, "IDAT", z);
    chunk(png, "IEND", {});
    return png;
}

// BMP writer for the pictures built into the program: uncompressed and
// bottom-up, which the editor decodes at start-up in one pass. At most 256
// colours and no alpha: 8 bits with a palette; more colours: 24 bits; alpha:
// 32 bits with bit masks in a V4 header.
namespace {
void le(std::vector<uint8_t> &v, uint32_t x, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        v.push_back(uint8_t(x >> (8 * i)));
}
} // namespace

std::vector<uint8_t> encodeBmp(const QImage &im)
{
    const int w = im.width(), h = im.height();
    const bool alpha = im.format() == QImage::Format_ARGB32;
    std::vector<QRgb> palette;
    bool paletted = !alpha;
    for (int y = 0; y < h && paletted; ++y)
        for (int x = 0; x < w && paletted; ++x) {
            const QRgb p = im.pixel(x, y) | 0xff000000u;
            if (std::find(palette.begin(), palette.end(), p) == palette.end()) {
                if (palette.size() == 256)
                    paletted = false;
                else
                    palette.push_back(p);
            }
        }
    if (!paletted)
        palette.clear();
    const int bits = alpha ? 32 : paletted ? 8 : 24;
    const uint32_t header = alpha ? 108 : 40;
    const uint32_t colours = paletted ? uint32_t(palette.size()) : 0;
    const uint32_t stride = (uint32_t(w) * uint32_t(bits) / 8 + 3) / 4 * 4;
    const uint32_t pixelsAt = 14 + header + 4 * colours;
    const uint32_t fileSize = pixelsAt + stride * uint32_t(h);

    std::vector<uint8_t> f = {'B', 'M'};
    le(f, fileSize, 4);
    le(f, 0, 4);
    le(f, pixelsAt, 4);
    le(f, header, 4);
    le(f, uint32_t(w), 4);
    le(f, uint32_t(h), 4);
    le(f, 1, 2);
    le(f, uint32_t(bits), 2);
    le(f, alpha ? 3 : 0, 4); // BI_BITFIELDS : BI_RGB
    le(f, stride * uint32_t(h), 4);
    le(f, 2835, 4); // 72 dpi
    le(f, 2835, 4);
    le(f, colours, 4);
    le(f, 0, 4);
    if (alpha) {
        le(f, 0x00ff0000u, 4);
        le(f, 0x0000ff00u, 4);
        le(f, 0x000000ffu, 4);
        le(f, 0xff000000u, 4);
        le(f, 0x73524742u, 4); // 'sRGB'
        f.insert(f.end(), 48, 0); // endpoints and gamma, unused with sRGB
    }
    for (const QRgb c : palette)
        le(f, c & 0x00ffffffu, 4);
    for (int y = h - 1; y >= 0; --y) {
        const size_t rowStart = f.size();
        for (int x = 0; x < w; ++x) {
            const QRgb p = im.pixel(x, y);
            if (bits == 8)
                f.push_back(uint8_t(std::find(palette.begin(), palette.end(), p | 0xff000000u) - palette.begin()));
            else
                le(f, bits == 32 ? p : (p & 0x00ffffffu), bits / 8);
        }
        f.resize(rowStart + stride, 0);
    }
    return f;
}

bool writeFile(const std::string &path, const std::vector<uint8_t> &bytes)
{
    FILE *f = std::fopen(path.c_str(), "wb");
    const bool written = f && std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return (f ? std::fclose(f) == 0 : false) && written;
}

// ---------------------------------------------------------------------------
// Checks run on the finished pictures.

int g_failures = 0;

[[gnu::format(printf, 1, 2)]] void fail(const char *fmt, ...)
{
    std::va_list ap;
    va_start(ap, fmt);
    std::fprintf(stderr, "CHECK FAILED: ");
    std::vfprintf(stderr, fmt, ap);
    std::fprintf(stderr, "\n");
    va_end(ap);
    ++g_failures;
}

bool sameRect(const QImage &im, int x1, int y1, int x2, int y2, int w, int h)
{
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i)
            if (!(get(im, x1 + i, y1 + j) == get(im, x2 + i, y2 + j)))
                return false;
    return true;
}

bool rectHas(const QImage &im, int x, int y, int w, int h, Rgb c)
{
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i)
            if (get(im, x + i, y + j) == c)
                return true;
    return false;
}

} // namespace art
