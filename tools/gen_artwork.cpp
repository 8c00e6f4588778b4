// gen_artwork: draws Vorlix's built-in pictures into a resources directory.
//
//   gen_artwork <resources-dir>
//
// Outputs: the nine default skin sheets, the player miniature, the window
// background, the button glyphs, the logos, the icons and the two cursors.
//
// The files must come out byte-identical on every run and every machine, so
// everything is set pixel by pixel: no fonts (text uses the bitmap fonts
// below), no antialiasing, no clock, no randomness but a fixed-seed LCG, and
// the files are written by our own encoders rather than whatever libpng and
// zlib the machine has. The pictures built into the program are BMP files;
// the desktop icons in icons/ are PNG.
//
// Cursor hot spots:
//   GRABHAND.bmp  (16,16)  the middle of the closed hand
//   CUR_MENU.bmp  (0,0)    the tip of the arrow
//
// The program ends by checking what it wrote and exits with 1 if a check
// fails.

#include "skin/Miniature.h"

#include <QImage>
#include <QString>

#include <algorithm>
#include <array>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace {

// ---------------------------------------------------------------------------
// Colours

struct Rgb
{
    int r, g, b;
    friend constexpr bool operator==(Rgb, Rgb) = default;
};

namespace pal {
constexpr Rgb black{0, 0, 0};
constexpr Rgb ink{8, 8, 10};            // outlines
constexpr Rgb shadow{18, 18, 21};       // bevel shadows on dark parts
constexpr Rgb body0{26, 26, 30};        // darkest body
constexpr Rgb body1{36, 36, 41};
constexpr Rgb body2{48, 49, 56};
constexpr Rgb steelLo{78, 81, 90};
constexpr Rgb steel{124, 128, 138};
constexpr Rgb steelHi{172, 176, 186};
constexpr Rgb text{200, 204, 212};      // light glyphs on dark keys
constexpr Rgb orange{255, 158, 62};
constexpr Rgb orangeHi{255, 206, 146};
constexpr Rgb orangeLo{176, 96, 30};
constexpr Rgb orangeDim{92, 52, 20};
constexpr Rgb green{78, 238, 108};
constexpr Rgb greenHi{184, 255, 196};
constexpr Rgb greenDim{24, 60, 32};
constexpr Rgb yellow{236, 220, 72};
constexpr Rgb alert{200, 30, 30};       // "not working" lamp; never pure red
constexpr Rgb white{255, 255, 255};
// Grey face of the editor window.
constexpr Rgb face{192, 192, 192};
constexpr Rgb faceHi{240, 240, 240};
constexpr Rgb faceLo{128, 128, 128};
constexpr Rgb faceDark{64, 64, 64};
// Colour the tool-button glyphs use for "see-through".
constexpr Rgb key{255, 0, 255};
// Colour the window shape cuts out.
constexpr Rgb cutOut{255, 0, 0};
} // namespace pal

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

// A tiny LCG with a fixed seed: the only "randomness" used (brushed metal).
struct Lcg
{
    uint32_t s;
    int next(int n)
    {
        s = s * 1664525u + 1013904223u;
        return int((s >> 16) % uint32_t(n));
    }
};

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

// A small pixel picture, one string a row; '#' marks the pixels to paint.
using Pattern = std::initializer_list<std::string_view>;

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
    {' ', {"...", "...", "...", "...", "..."}},
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

// The 3x5 font is 3 columns wide except for M, N and W.
int glyph3Width(char c)
{
    return int(std::strlen(glyph3(c)[0]));
}

// Width of a 5x7 text at the given scale: 5 columns a letter, 1 between.
int width5(std::string_view s, int scale = 1)
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

void text5(QImage &im, int x, int y, std::string_view s, Rgb c, int scale = 1)
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
// Shared parts of the skin: keys, lamps, troughs.

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

// ---------------------------------------------------------------------------
// CBUTTONS: the six transport keys, normal row at y 0, pressed row below.

const Pattern kPrev{"#...#...#", "#..##..##", "#.###.###", "#########", "#.###.###", "#..##..##", "#...#...#"};
const Pattern kPlay{"#....", "##...", "###..", "####.", "#####", "####.", "###..", "##...", "#...."};
const Pattern kPause{"##.##", "##.##", "##.##", "##.##", "##.##", "##.##", "##.##"};
const Pattern kStop{"#######", "#######", "#######", "#######", "#######", "#######", "#######"};
const Pattern kNext{"#...#...#", "##..##..#", "###.###.#", "#########", "###.###.#", "##..##..#", "#...#...#"};
const Pattern kEject{"...#...", "..###..", ".#####.", "#######", ".......", "#######"};

// Key glyph centred on the key, with a drop shadow; pressed keys move it
// one pixel down-right and light it up.
void keyGlyph(QImage &im, int x, int y, int w, int h, const Pattern &g, bool pressed)
{
    const int gw = patternWidth(g);
    const int gh = int(g.size());
    const int gx = x + (w - gw) / 2 + (pressed ? 1 : 0);
    const int gy = y + (h - gh) / 2 + (pressed ? 1 : 0);
    pattern(im, gx + 1, gy + 1, g, pal::ink);
    pattern(im, gx, gy, g, pressed ? pal::orangeHi : pal::orange);
}

QImage makeCbuttons()
{
    QImage im = newRgb(136, 36, pal::body0);
    struct K { int x, w; const Pattern *g; };
    const K keys[] = {{0, 23, &kPrev}, {23, 23, &kPlay}, {46, 23, &kPause}, {69, 23, &kStop}, {92, 22, &kNext}};
    for (bool pressed : {false, true})
        for (const K &k : keys) {
            const int y = pressed ? 18 : 0;
            drawKey(im, k.x, y, k.w, 18, pressed);
            keyGlyph(im, k.x, y, k.w, 18, *k.g, pressed);
        }
    for (bool pressed : {false, true}) {
        const int y = pressed ? 16 : 0;
        drawKey(im, 114, y, 22, 16, pressed);
        keyGlyph(im, 114, y, 22, 16, kEject, pressed);
    }
    return im;
}

// ---------------------------------------------------------------------------
// TITLEBAR: title bars, shade bars, the 9x9 title buttons, clutter bars.

enum class TitleGlyph { Options, Minimize, Close, Shade };

// Window shade: the window rolls up into a bar.
const Pattern kShadeGlyph = {"#####", "#####", ".....", "..#..", ".###."};

// `latched` draws the down look with the resting glyph colour: a button
// that stays in, not one being pressed.
void titleButton(QImage &im, int x, int y, TitleGlyph g, bool pressed, bool latched = false)
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

// The four title buttons at their places on the 275-pixel bar; on a shade
// bar the shade button is latched down.
void titleButtonsOnBar(QImage &im, int x, int y, bool shaded)
{
    titleButton(im, x + 6, y + 3, TitleGlyph::Options, false);
    titleButton(im, x + 244, y + 3, TitleGlyph::Minimize, false);
    titleButton(im, x + 254, y + 3, TitleGlyph::Shade, shaded, shaded);
    titleButton(im, x + 264, y + 3, TitleGlyph::Close, false);
}

// Common frame of every 275x14 bar: gradient, light top, dark bottom.
void barFrame(QImage &im, int x, int y, bool active)
{
    if (active)
        gradV(im, x, y + 1, 275, 12, {64, 64, 72}, {30, 30, 35});
    else
        gradV(im, x, y + 1, 275, 12, {46, 46, 50}, {30, 30, 33});
    hline(im, x, x + 274, y, active ? pal::steel : pal::steelLo);
    hline(im, x, x + 274, y + 13, pal::ink);
    vline(im, x, y, y + 12, active ? pal::steel : pal::steelLo);
    vline(im, x + 274, y + 1, y + 13, pal::ink);
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

// Title bar. `caption` false draws grooves the whole way (the second pair).
void titleBar(QImage &im, int x, int y, bool active, bool caption)
{
    barFrame(im, x, y, active);
    const std::string_view word = "PLAYER";
    const int tw = width5(word);
    const int tx = x + (275 - tw) / 2;
    if (caption) {
        grooves(im, x + 19, tx - 7, y + 3, active);
        grooves(im, tx + tw + 6, x + 239, y + 3, active);
        text5(im, tx + 1, y + 4, word, pal::ink);
        text5(im, tx, y + 3, word, active ? pal::orange : Rgb{118, 120, 128});
    } else {
        grooves(im, x + 19, x + 239, y + 3, active);
    }
    titleButtonsOnBar(im, x, y, false);
}

// Shade-mode position bar: a 17x7 groove; shadeThumb draws its three 3x7
// thumbs (start, middle and end of the song).
void shadePosbar(QImage &im, int x, int y)
{
    fill(im, x, y, 17, 7, pal::black);
    bevel(im, x, y, 17, 7, pal::ink, pal::steelLo);
    hline(im, x + 2, x + 14, y + 3, pal::orangeDim);
}

void shadeThumb(QImage &im, int x, int y, Rgb c)
{
    vline(im, x, y, y + 6, shade(c, 50));
    vline(im, x + 1, y, y + 6, c);
    vline(im, x + 2, y, y + 6, shade(c, -70));
}

// Window-shade bar: the player shrinks to this strip and draws a small
// visualisation, the time and a mini position bar over it; the tiny
// transport keys are part of the picture.
void shadeBar(QImage &im, int x, int y, bool active)
{
    barFrame(im, x, y, active);
    grooves(im, x + 19, x + 74, y + 4, active);
    // Mini visualisation window and time display.
    fill(im, x + 79, y + 5, 38, 5, pal::black);
    sunkenDark(im, x + 79, y + 5, 38, 5);
    fill(im, x + 126, y + 3, 31, 8, pal::black);
    sunkenDark(im, x + 126, y + 3, 31, 8);
    // Mini transport keys: prev, play, pause, stop, next, eject.
    const Rgb c = active ? pal::orange : Rgb{118, 120, 128};
    pattern(im, x + 169, y + 4, {"#..#", "#.##", "####", "#.##", "#..#"}, c);
    pattern(im, x + 179, y + 4, {"#..", "##.", "###", "##.", "#.."}, c);
    pattern(im, x + 189, y + 4, {"#.#", "#.#", "#.#", "#.#", "#.#"}, c);
    pattern(im, x + 198, y + 4, {"####", "####", "####", "####"}, c);
    pattern(im, x + 207, y + 4, {"#..#", "##.#", "####", "##.#", "#..#"}, c);
    pattern(im, x + 216, y + 4, {"..#..", ".###.", "#####", ".....", "#####"}, c);
    shadePosbar(im, x + 226, y + 4);
    titleButtonsOnBar(im, x, y, true);
}

// Clutter bar buttons O, A, I, D, V: players read each as a block of the
// bar, 8 wide, starting at these rows with these heights. A lit button
// fills its whole block; its letter sits in the block's last five rows but
// one. The engraved rules between buttons (dark over light) keep each half
// in its own block, so lighting one block leaves its neighbours whole.
constexpr int kClutterTop[5] = {3, 11, 18, 25, 33};
constexpr int kClutterHeight[5] = {8, 7, 7, 8, 7};
constexpr char kClutterLetters[5] = {'O', 'A', 'I', 'D', 'V'};
constexpr Rgb kClutterLitInk{48, 22, 4};

int clutterLetterY(int k)
{
    return kClutterTop[k] + kClutterHeight[k] - 6;
}

void clutterBar(QImage &im, int x, int y, int lit, bool disabled)
{
    fill(im, x, y, 8, 43, {34, 35, 40});
    bevel(im, x, y, 8, 43, pal::steelLo, pal::ink);
    for (int k = 0; k < 5; ++k) {
        const int top = y + kClutterTop[k], h = kClutterHeight[k];
        const int ly = y + clutterLetterY(k);
        const std::string_view letter(&kClutterLetters[k], 1);
        if (k == lit) {
            // The whole block lights up, raised: light top and left edge,
            // dark bottom and right edge.
            fill(im, x, top, 8, h, pal::orange);
            hline(im, x, x + 7, top, pal::orangeHi);
            vline(im, x, top, top + h - 1, pal::orangeHi);
            hline(im, x + 1, x + 7, top + h - 1, pal::orangeLo);
            vline(im, x + 7, top + 1, top + h - 1, pal::orangeLo);
            vline(im, x + 1, ly, ly + 4, pal::orangeLo);
            vline(im, x + 2, ly + 1, ly + 3, pal::orangeHi);
            text3(im, x + 4, ly, letter, kClutterLitInk);
            continue;
        }
        if (k > 0)
            hline(im, x + 1, x + 6, top, {54, 55, 62});
        if (k < 4)
            hline(im, x + 1, x + 6, top + h - 1, pal::shadow);
        // A tiny slot to the left of each letter, like a switch.
        vline(im, x + 1, ly, ly + 4, pal::shadow);
        vline(im, x + 2, ly + 1, ly + 3, Rgb{22, 22, 25});
        text3(im, x + 4, ly, letter, disabled ? Rgb{70, 72, 80} : pal::steelHi);
    }
}

QImage makeTitlebar()
{
    QImage im = newRgb(344, 87, pal::body0);
    titleBar(im, 27, 0, true, true);
    titleBar(im, 27, 15, false, true);
    shadeBar(im, 27, 29, true);
    shadeBar(im, 27, 42, false);
    titleBar(im, 27, 57, true, false);
    titleBar(im, 27, 72, false, false);

    titleButton(im, 0, 0, TitleGlyph::Options, false);
    titleButton(im, 0, 9, TitleGlyph::Options, true);
    titleButton(im, 9, 0, TitleGlyph::Minimize, false);
    titleButton(im, 9, 9, TitleGlyph::Minimize, true);
    titleButton(im, 18, 0, TitleGlyph::Close, false);
    titleButton(im, 18, 9, TitleGlyph::Close, true);
    titleButton(im, 0, 18, TitleGlyph::Shade, false);
    titleButton(im, 9, 18, TitleGlyph::Shade, true);
    // Unshade: shown while the window is shaded, so it looks latched down.
    titleButton(im, 0, 27, TitleGlyph::Shade, true, true);
    titleButton(im, 9, 27, TitleGlyph::Shade, true);

    shadePosbar(im, 0, 36);
    shadeThumb(im, 17, 36, pal::orangeLo);
    shadeThumb(im, 20, 36, pal::orange);
    shadeThumb(im, 23, 36, pal::orangeHi);

    clutterBar(im, 304, 0, -1, false);
    clutterBar(im, 312, 0, -1, true);
    for (int k = 0; k < 5; ++k)
        clutterBar(im, 304 + 8 * k, 44, k, false);
    return im;
}

// ---------------------------------------------------------------------------
// SHUFREP: repeat, shuffle, EQ and PL toggles.

const Pattern kRepeatGlyph = {
    "......#....", ".#######.#.", "#.....#...#", "#.........#", "#...#.....#", ".#.#######.", "....#......"};

// One toggle key: lamp at the left, label after it.
void toggleKey(QImage &im, int x, int y, int w, int h, bool on, bool pressed,
               const std::function<void(int, int, Rgb)> &label)
{
    drawKey(im, x, y, w, h, pressed);
    const int o = pressed ? 1 : 0;
    drawLamp(im, x + 4 + o, y + (h - 3) / 2 + o, on);
    label(x + 10 + o, y + o, on ? pal::orange : pal::text);
}

QImage makeShufrep()
{
    QImage im = newRgb(92, 85, pal::body0);
    for (int s = 0; s < 4; ++s) {
        const bool on = s >= 2, pressed = s % 2 == 1;
        const int y = 15 * s;
        toggleKey(im, 0, y, 28, 15, on, pressed, [&](int x, int yy, Rgb c) {
            pattern(im, x + 1, yy + 5, kRepeatGlyph, pal::ink);
            pattern(im, x, yy + 4, kRepeatGlyph, c);
        });
        toggleKey(im, 28, y, 47, 15, on, pressed, [&](int x, int yy, Rgb c) {
            text3(im, x + 2, yy + 6, "SHUFFLE", pal::ink);
            text3(im, x + 1, yy + 5, "SHUFFLE", c);
        });
    }
    struct T { int x, y; bool on, pressed; std::string_view label; };
    const T small[] = {
        {0, 61, false, false, "EQ"}, {0, 73, true, false, "EQ"}, {46, 61, false, true, "EQ"}, {46, 73, true, true, "EQ"},
        {23, 61, false, false, "PL"}, {23, 73, true, false, "PL"}, {69, 61, false, true, "PL"}, {69, 73, true, true, "PL"},
    };
    for (const T &t : small)
        toggleKey(im, t.x, t.y, 23, 12, t.on, t.pressed, [&](int x, int yy, Rgb c) {
            text3(im, x + 2, yy + 4, t.label, pal::ink);
            text3(im, x + 1, yy + 3, t.label, c);
        });
    return im;
}

// ---------------------------------------------------------------------------
// PLAYPAUS, MONOSTER, POSBAR.

QImage makePlaypaus()
{
    QImage im = newRgb(42, 9, pal::black);
    // Column 0 of each state is left dark: players cover it with the
    // working lamp.
    pattern(im, 3, 1, {"#...", "##..", "###.", "####", "###.", "##..", "#..."}, pal::green);
    put(im, 3, 1, pal::greenHi);
    pattern(im, 12, 2, {"##.##", "##.##", "##.##", "##.##", "##.##"}, pal::yellow);
    fill(im, 20, 2, 5, 5, pal::orange);
    hline(im, 20, 24, 2, pal::orangeHi);
    // Blank state at 27 stays black.
    gradV(im, 36, 0, 3, 9, pal::greenHi, pal::green);
    vline(im, 38, 0, 8, shade(pal::green, -80));
    gradV(im, 39, 0, 3, 9, {236, 90, 80}, pal::alert);
    vline(im, 41, 0, 8, {120, 18, 18});
    return im;
}

QImage makeMonoster()
{
    QImage im = newRgb(58, 24, pal::body0);
    auto lamp = [&](int x, int y, int w, std::string_view word, bool lit) {
        fill(im, x, y, w, 12, pal::black);
        outline(im, x, y, w, 12, {30, 32, 34});
        const int tx = x + (w - width3(word)) / 2;
        if (lit) {
            text3(im, tx, y + 4, word, pal::green);
            hline(im, tx, tx + width3(word) - 1, y + 10, pal::greenDim);
        } else {
            text3(im, tx, y + 4, word, pal::greenDim);
        }
    };
    lamp(0, 0, 29, "STEREO", true);
    lamp(0, 12, 29, "STEREO", false);
    lamp(29, 0, 27, "MONO", true);
    lamp(29, 12, 27, "MONO", false);
    return im;
}

void posbarThumb(QImage &im, int x, bool pressed)
{
    const Rgb top = pressed ? Rgb{255, 220, 170} : Rgb{255, 186, 110};
    const Rgb bottom = pressed ? Rgb{236, 150, 70} : Rgb{190, 104, 34};
    gradV(im, x, 0, 29, 10, top, bottom);
    outline(im, x, 0, 29, 10, pal::ink);
    bevel(im, x + 1, 1, 27, 8, pressed ? pal::orangeLo : pal::orangeHi, pressed ? pal::orangeHi : pal::orangeLo);
    for (int k = -1; k <= 1; ++k) {
        vline(im, x + 14 + 3 * k, 3, 6, pal::orangeDim);
        vline(im, x + 15 + 3 * k, 3, 6, pal::orangeHi);
    }
}

QImage makePosbar()
{
    QImage im = newRgb(307, 10, pal::body0);
    fill(im, 0, 0, 248, 10, {12, 12, 14});
    bevel(im, 0, 0, 248, 10, pal::ink, pal::steelLo);
    // The track: a thin warm line with minute ticks above and below it.
    hline(im, 3, 244, 4, pal::orangeDim);
    hline(im, 3, 244, 5, {60, 34, 14});
    for (int x = 3; x <= 244; x += 11) {
        put(im, x, 2, pal::steelLo);
        put(im, x, 7, pal::steelLo);
    }
    posbarThumb(im, 248, false);
    posbarThumb(im, 278, true);
    return im;
}

// ---------------------------------------------------------------------------
// VOLUME and BALANCE: 28 backgrounds each, then the slider knobs.

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

QImage makeVolume()
{
    QImage im = newRgb(68, 433, pal::body0);
    for (int i = 0; i < 28; ++i) {
        const int y = 15 * i;
        trough(im, 0, y, 68);
        // A wedge growing to the right; the lit part grows with i.
        const int lit = (i * 64 + 13) / 27;
        for (int c = 0; c < 64; ++c) {
            const int h = 2 + c * 7 / 63;
            const Rgb col = c < lit ? levelColour(c, 63) : Rgb{38, 39, 44};
            vline(im, 2 + c, y + 10 - h, y + 10, col);
        }
    }
    sliderKnob(im, 0, 422, true);
    sliderKnob(im, 15, 422, false);
    return im;
}

QImage makeBalance()
{
    QImage im = newRgb(68, 433, pal::body0);
    for (int i = 0; i < 28; ++i) {
        const int y = 15 * i;
        // The bar proper is 38 pixels at x 9; the margins stay dark.
        trough(im, 9, y, 38);
        const int lit = (i * 17 + 13) / 27;
        const Rgb col = levelColour(i, 27);
        for (int d = 0; d < 17; ++d) {
            const int h = 2 + d * 6 / 16;
            const Rgb c = d < lit ? col : Rgb{38, 39, 44};
            vline(im, 9 + 18 - d, y + 6 - h / 2, y + 6 + h / 2, c);
            vline(im, 9 + 19 + d, y + 6 - h / 2, y + 6 + h / 2, c);
        }
        // Centre mark.
        vline(im, 27, y + 2, y + 10, i == 0 ? pal::steel : col);
        vline(im, 28, y + 2, y + 10, i == 0 ? pal::steel : col);
    }
    sliderKnob(im, 0, 422, true);
    sliderKnob(im, 15, 422, false);
    return im;
}

// ---------------------------------------------------------------------------
// MAIN: the player body with everything at rest.

struct Sheets
{
    QImage balance, cbuttons, main, monoster, playpaus, posbar, shufrep, titlebar, volume;
};

// Where the sliders rest in the pictures of the whole player. The volume
// sits near the top of its travel and the position a quarter in, where the
// editor's miniature expects their hover areas.
constexpr int kVolumeIndex = 25;     // volume background, of 0..27
constexpr int kVolumeKnobX = 157;    // volume knob on the window
constexpr int kBalanceKnobX = 189;   // balance knob, centred
constexpr int kPosThumbX = 85;       // position thumb on the window

// Small emblem: a V on a steel tile, bottom right of the player.
void emblem(QImage &im, int x, int y)
{
    gradV(im, x, y, 13, 15, {70, 72, 80}, {36, 36, 41});
    bevel(im, x, y, 13, 15, pal::steel, pal::ink);
    pattern(im, x + 3, y + 4, {"##...##", "##...##", ".##.##.", ".##.##.", "..###..", "..###..", "...#..."}, pal::ink);
    pattern(im, x + 2, y + 3, {"##...##", "##...##", ".##.##.", ".##.##.", "..###..", "..###..", "...#..."}, pal::orange);
}

QImage makeMain(const Sheets &s)
{
    QImage im = newRgb(275, 116, pal::body1);
    // Brushed metal: each row a shade lighter or darker, from a fixed seed.
    Lcg lcg{20240611u};
    for (int y = 14; y < 116; ++y) {
        const Rgb base = mix({46, 47, 54}, {30, 30, 35}, y - 14, 101);
        hline(im, 0, 274, y, shade(base, lcg.next(5) - 2));
    }
    hline(im, 0, 274, 14, pal::steelLo);
    vline(im, 0, 14, 115, pal::steelLo);
    hline(im, 0, 274, 115, pal::ink);
    vline(im, 274, 14, 115, pal::ink);

    blit(im, 0, 0, s.titlebar, 27, 0, 275, 14);

    // LCD: clutter bar, play state, time and visualisation on one black
    // glass.
    fill(im, 9, 21, 96, 45, pal::black);
    sunkenDark(im, 9, 21, 96, 45);
    blit(im, 10, 22, s.titlebar, 304, 0, 8, 43);
    // Faint rule between the time and the visualisation.
    hline(im, 24, 99, 41, {16, 22, 18});

    // Song title window and the kbps/khz boxes.
    fill(im, 109, 24, 158, 13, pal::black);
    sunkenDark(im, 109, 24, 158, 13);
    fill(im, 111, 43, 15, 6, pal::black);
    sunkenDark(im, 111, 43, 15, 6);
    text3(im, 129, 44, "KBPS", pal::steel);
    fill(im, 156, 43, 10, 6, pal::black);
    sunkenDark(im, 156, 43, 10, 6);
    text3(im, 169, 44, "KHZ", pal::steel);

    blit(im, 212, 41, s.monoster, 29, 12, 27, 12);
    blit(im, 239, 41, s.monoster, 0, 12, 29, 12);

    blit(im, 107, 57, s.volume, 0, 15 * kVolumeIndex, 68, 13);
    blit(im, kVolumeKnobX, 58, s.volume, 15, 422, 14, 11);
    blit(im, 177, 57, s.balance, 9, 0, 38, 13);
    blit(im, kBalanceKnobX, 58, s.balance, 15, 422, 14, 11);
    blit(im, 219, 58, s.shufrep, 0, 61, 23, 12);
    blit(im, 242, 58, s.shufrep, 23, 61, 23, 12);

    blit(im, 16, 72, s.posbar, 0, 0, 248, 10);

    // Engraved rule above the keys.
    hline(im, 8, 266, 84, pal::ink);
    hline(im, 8, 266, 85, {62, 63, 70});

    blit(im, 16, 88, s.cbuttons, 0, 0, 114, 18);
    blit(im, 136, 89, s.cbuttons, 114, 0, 22, 16);
    blit(im, 164, 89, s.shufrep, 28, 0, 47, 15);
    blit(im, 210, 89, s.shufrep, 0, 0, 28, 15);
    emblem(im, 253, 91);
    // Two screws at the lower corners.
    for (int x : {5, 267}) {
        fill(im, x, 108, 3, 3, pal::steel);
        put(im, x, 108, pal::steelHi);
        put(im, x + 2, 110, pal::ink);
        put(im, x + 1, 109, pal::steelLo);
    }
    return im;
}

// ---------------------------------------------------------------------------
// The player as shown in the editor's miniature.

// Composed and reduced by the editor's own code, so the built-in picture is
// exactly what the editor draws from the default sheets after every change.
QImage miniature(const Sheets &s)
{
    const vorlix::SheetSet sheets{&s.balance, &s.cbuttons, &s.main,     &s.monoster, &s.playpaus,
                                  &s.posbar,  &s.shufrep,  &s.titlebar, &s.volume};
    return vorlix::composeMiniature(sheets).convertToFormat(QImage::Format_RGB888);
}

// ---------------------------------------------------------------------------
// Editor window pictures.

// Window shape: pure red everywhere outside these rectangles.
struct Rect
{
    int l, t, r, b;
    bool contains(int x, int y) const { return x >= l && x < r && y >= t && y < b; }
};
constexpr Rect kShape[] = {
    {0, 0, 636, 48}, {0, 48, 637, 73}, {0, 73, 193, 351}, {201, 73, 637, 351}, {201, 351, 637, 477}};

bool inShape(int x, int y)
{
    for (const Rect &r : kShape)
        if (r.contains(x, y))
            return true;
    return false;
}

// Grey-face frames, Windows style.
void sunkenFace(QImage &im, int x, int y, int w, int h)
{
    bevel(im, x - 1, y - 1, w + 2, h + 2, pal::faceLo, pal::white);
}

// Engraved rectangle: a dark line with a light one just inside-below it.
void engraved(QImage &im, int x, int y, int w, int h)
{
    outline(im, x + 1, y + 1, w - 1, h - 1, pal::white);
    outline(im, x, y, w - 1, h - 1, pal::faceLo);
}

// Text pressed into the grey face: shadow on the upper-left inner edges of
// each stroke, light on the lower-right ones.
void engravedText(QImage &im, int x, int y, std::string_view s, int scale)
{
    const int w = width5(s, scale), h = 7 * scale;
    QImage mask = newRgb(w, h, pal::black);
    text5(mask, 0, 0, s, pal::white, scale);
    auto ink = [&](int i, int j) { return i >= 0 && j >= 0 && i < w && j < h && get(mask, i, j) == pal::white; };
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i) {
            if (!ink(i, j))
                continue;
            Rgb c{180, 180, 180};
            if (!ink(i - 1, j) || !ink(i, j - 1))
                c = pal::faceLo;
            else if (!ink(i + 1, j) || !ink(i, j + 1))
                c = pal::white;
            put(im, x + i, y + j, c);
        }
}

// A grey panel raised from the dark frame.
void greyPanel(QImage &im, int x, int y, int w, int h)
{
    fill(im, x, y, w, h, pal::face);
    bevel(im, x, y, w, h, pal::faceHi, pal::faceLo);
    bevel(im, x + 1, y + 1, w - 2, h - 2, pal::white, {160, 160, 160});
}

void folderIcon(QImage &im, int x, int y, Rgb c)
{
    pattern(im, x, y, {".##...", "######", "#....#", "#....#", "#....#", "######"}, pal::faceDark);
    fill(im, x + 1, y + 2, 4, 3, c);
    hline(im, x + 1, x + 4, y + 2, shade(c, 40));
}

QImage makeBackground()
{
    QImage im = newRgb(640, 480, pal::cutOut);
    // Dark frame: the whole shape in brushed charcoal first.
    Lcg lcg{7051u};
    for (int y = 0; y < 480; ++y) {
        const Rgb base = shade(pal::body1, lcg.next(3) - 1);
        for (int x = 0; x < 640; ++x)
            if (inShape(x, y))
                put(im, x, y, base);
    }
    // Its outer edges catch the light on the top and left.
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) {
            if (!inShape(x, y))
                continue;
            if (!inShape(x - 1, y) || !inShape(x, y - 1))
                put(im, x, y, pal::steelLo);
            else if (!inShape(x + 1, y) || !inShape(x, y + 1))
                put(im, x, y, pal::ink);
        }

    // Title band: near-black. The menu buttons, the window buttons and the
    // small logo are drawn over it by the program, so their places stay
    // plain; only the wordmark and a grip pattern in the middle.
    fill(im, 1, 1, 634, 46, {10, 10, 12});
    hline(im, 1, 634, 1, {30, 30, 34});
    text5(im, 9, 7, "VORLIX", pal::orangeDim, 2);
    text5(im, 8, 6, "VORLIX", pal::orange, 2);
    text3(im, 86, 15, "SKIN EDITOR", pal::steel);
    for (int k = 0; k < 3; ++k) {
        hline(im, 140, 580, 9 + 3 * k, pal::ink);
        hline(im, 140, 580, 10 + 3 * k, {40, 40, 46});
    }
    // Warm rule under the band.
    hline(im, 1, 635, 48, pal::orangeLo);
    hline(im, 1, 635, 49, pal::orangeDim);

    // Panel headings in the strip, and three pilot lamps at its right end.
    text3(im, 8, 56, "SKIN ELEMENTS", pal::orange);
    text3(im, 209, 56, "ELEMENT VIEW", pal::orange);
    drawLamp(im, 604, 56, true);
    drawLamp(im, 612, 56, false);
    drawLamp(im, 620, 56, false);

    // The two grey panels.
    greyPanel(im, 4, 64, 185, 283);
    greyPanel(im, 205, 64, 428, 409);

    // Left panel: element tree, then the miniature player.
    sunkenFace(im, 6, 72, 179, 171);
    sunkenFace(im, 8, 256, 177, 76);
    text3(im, 9, 337, "PLAYER PREVIEW", pal::faceDark);

    // Right panel, top: a rule under the Save BMP row.
    hline(im, 209, 550, 104, pal::faceLo);
    hline(im, 209, 550, 105, pal::white);
    text3(im, 209, 111, "TOOLS", pal::faceDark);
    sunkenFace(im, 208, 120, 65, 33);

    // The element view with a deep two-pixel well; the zoom bar beside it.
    sunkenFace(im, 279, 120, 290, 178);
    bevel(im, 277, 118, 294, 182, {96, 96, 96}, {223, 223, 223});
    sunkenFace(im, 576, 120, 16, 177);

    // Colours, state slider, apply button.
    text3(im, 209, 289, "COLORS", pal::faceDark);
    sunkenFace(im, 208, 298, 25, 25);
    sunkenFace(im, 248, 298, 25, 25);
    sunkenFace(im, 280, 316, 289, 34);
    engraved(im, 356, 364, 154, 58);
    // Maker's mark pressed into the panel's empty corner.
    engravedText(im, 545, 390, "VORLIX", 2);

    // Status well: version, temp and output directories.
    fill(im, 208, 437, 421, 33, {200, 200, 200});
    sunkenFace(im, 208, 437, 421, 33);
    hline(im, 214, 622, 453, pal::faceLo);
    hline(im, 214, 622, 454, pal::white);
    vline(im, 457, 457, 467, pal::faceLo);
    vline(im, 458, 457, 467, pal::white);
    // Folder marks in front of the two directory texts.
    folderIcon(im, 208, 459, pal::face);
    folderIcon(im, 464, 459, {236, 180, 110});
    return im;
}

// Orange cross / dash glyph strips for the window's own close and minimise
// buttons: normal, disabled, pressed, latched.
QImage makeWindowButton(bool close)
{
    QImage im = newRgb(64, 16, pal::black);
    const Rgb colours[4] = {pal::orange, {90, 64, 40}, pal::orangeHi, pal::orange};
    for (int k = 0; k < 4; ++k) {
        const int x = 16 * k + (k == 2 ? 1 : 0), y = k == 2 ? 1 : 0;
        const Rgb c = colours[k];
        if (close) {
            for (int i = 0; i < 8; ++i) {
                fill(im, x + 4 + i, y + 4 + i, 2, 1, c);
                fill(im, x + 10 - i, y + 4 + i, 2, 1, c);
            }
        } else {
            fill(im, x + 4, y + 10, 8, 2, c);
        }
        if (k == 3)
            outline(im, 16 * k + 1, 1, 14, 14, pal::orangeDim);
    }
    return im;
}

// Hand for pan mode, 19x19 per state, on the see-through key colour.
const Pattern kPanHand = {
    "...................",
    "........##.........",
    ".......#ww###......",
    ".....###ww#ww#.....",
    "....#ww#ww#ww###...",
    "....#ww#ww#ww#ww#..",
    "....#ww#ww#ww#ww#..",
    "....#ww#ww#ww#ww#..",
    ".##.#ww#ww#ww#ww#..",
    "#ww##wwwwwwwwwww#..",
    ".#wwwwwwwwwwwwww#..",
    "..#wwwwwwwwwwwww#..",
    "...#wwwwwwwwwwww#..",
    "....#wwwwwwwwwww#..",
    ".....#wwwwwwwwww#..",
    ".....#wwwwwwwww#...",
    ".....###########...",
    "...................",
    "...................",
};

void paintHand(QImage &im, int x, int y, Rgb outlineC, Rgb fillC)
{
    int j = 0;
    for (std::string_view row : kPanHand) {
        for (int i = 0; i < int(row.size()); ++i) {
            if (row[size_t(i)] == '#')
                put(im, x + i, y + j, outlineC);
            else if (row[size_t(i)] == 'w')
                put(im, x + i, y + j, fillC);
        }
        ++j;
    }
}

QImage makePanButton()
{
    QImage im = newRgb(76, 19, pal::key);
    paintHand(im, 0, 0, pal::black, pal::white);
    // Disabled: embossed grey, the way the toolkit greys glyphs.
    paintHand(im, 20, 1, pal::white, pal::white);
    paintHand(im, 19, 0, pal::faceLo, pal::face);
    paintHand(im, 39, 1, pal::black, pal::white);
    paintHand(im, 57, 0, pal::black, {255, 214, 160});
    // The pattern leaves the bottom rows of every image see-through.
    return im;
}

QImage makeSelectButton()
{
    QImage im = newRgb(25, 25, pal::key);
    // Marching-ants rectangle, 2 on 2 off, corners always set.
    const int l = 3, t = 4, r = 21, b = 19;
    for (int x = l; x <= r; ++x)
        if (((x - l) / 2) % 2 == 0 || x == r) {
            put(im, x, t, pal::black);
            put(im, x, b, pal::black);
        }
    for (int y = t; y <= b; ++y)
        if (((y - t) / 2) % 2 == 0 || y == b) {
            put(im, l, y, pal::black);
            put(im, r, y, pal::black);
        }
    // Small cross-hair in the middle: "pick a region".
    hline(im, 10, 14, 12, pal::black);
    vline(im, 12, 10, 14, pal::black);
    return im;
}

QImage makeExchangeGlyph()
{
    QImage im = newRgb(9, 10, pal::key);
    pattern(im, 0, 0,
            {"..#......", ".##......", "#######..", ".##...#..", "..#...#..", "......#..", "......#..",
             "....#####", ".....###.", "......#.."},
            pal::black);
    return im;
}

// The small logo: wordmark over a row of level bars, on black.
QImage makeStatusLogo()
{
    QImage im = newRgb(38, 19, pal::black);
    text5(im, 2, 2, "VORLIX", pal::orange);
    hline(im, 2, 35, 10, pal::orangeDim);
    const int heights[12] = {2, 4, 3, 5, 6, 4, 5, 3, 4, 2, 3, 1};
    for (int k = 0; k < 12; ++k) {
        const int h = heights[k];
        vline(im, 2 + 3 * k, 17 - h + 1, 17, levelColour(k, 11));
        vline(im, 3 + 3 * k, 17 - h + 1, 17, shade(levelColour(k, 11), -60));
    }
    return im;
}

QImage makeAboutLogo()
{
    QImage im = newRgb(200, 100, pal::white);
    // Big wordmark, 5x scale, charcoal shadow under orange letters.
    const int scale = 5, w = width5("VORLIX", scale);
    const int x = (200 - w) / 2, y = 14;
    text5(im, x + 3, y + 3, "VORLIX", {60, 60, 66}, scale);
    text5(im, x, y, "VORLIX", pal::orange, scale);
    // Light-to-warm gradient down the letters gives them some body.
    for (int j = y; j < y + 35; ++j)
        for (int i = x; i < x + w; ++i)
            if (get(im, i, j) == pal::orange)
                put(im, i, j, mix({255, 200, 128}, {232, 118, 28}, j - y, 34));
    // Steel rule and a level meter under the wordmark.
    hline(im, x, x + w - 1, 58, pal::steel);
    hline(im, x, x + w - 1, 59, pal::steelLo);
    for (int k = 0; k < 35; ++k) {
        const int h = 3 + ((k * 7) % 11 + (k * 3) % 5) * 14 / 15;
        fill(im, x + 5 * k, 90 - h, 4, h, levelColour(k, 34));
    }
    return im;
}

QImage makeAboutBanner()
{
    QImage im = newRgb(200, 50, pal::body1);
    gradV(im, 0, 0, 200, 50, {58, 58, 66}, {22, 22, 26});
    outline(im, 0, 0, 200, 50, pal::ink);
    bevel(im, 1, 1, 198, 48, pal::steel, pal::shadow);
    const std::string_view big = "SKIN EDITOR";
    const int bx = (200 - width5(big, 2)) / 2;
    text5(im, bx + 1, 9, big, pal::ink, 2);
    text5(im, bx, 8, big, pal::orange, 2);
    const std::string_view small = "CLASSIC SKINS EDITION";
    text5(im, (200 - width5(small)) / 2, 32, small, pal::steelHi);
    return im;
}

// Window icon: a skin-like tile with an orange V and a green LCD line.
QImage makeIcon(int size)
{
    QImage im = newRgb(size, size, pal::body1);
    gradV(im, 0, 0, size, size, {76, 78, 88}, {30, 30, 35});
    outline(im, 0, 0, size, size, pal::ink);
    bevel(im, 1, 1, size - 2, size - 2, pal::steelHi, pal::shadow);
    if (size >= 32) {
        fill(im, 4, 4, 24, 5, pal::black);
        hline(im, 6, 16, 6, pal::green);
        hline(im, 18, 21, 6, pal::greenDim);
        const Pattern v = {
            "###........###", "###........###", ".###......###.", ".###......###.", "..###....###..",
            "..###....###..", "...###..###...", "...###..###...", "....######....", "....######....",
            ".....####.....", ".....####.....", "......##......"};
        pattern(im, 10, 13, v, pal::ink);
        pattern(im, 9, 12, v, pal::orange);
    } else {
        hline(im, 3, 12, 3, pal::green);
        const Pattern v = {
            "##....##", "##....##", ".##..##.", ".##..##.", "..####..", "..####..", "...##..."};
        pattern(im, 5, 7, v, pal::ink);
        pattern(im, 4, 6, v, pal::orange);
    }
    return im;
}

// Cursors: '#' black outline, 'w' white fill, everything else transparent.
QImage makeCursor(Pattern rows, int x, int y)
{
    QImage im(32, 32, QImage::Format_ARGB32);
    im.fill(Qt::transparent);
    int j = 0;
    for (std::string_view row : rows) {
        for (int i = 0; i < int(row.size()); ++i) {
            if (row[size_t(i)] == '#')
                im.setPixel(x + i, y + j, qRgba(0, 0, 0, 255));
            else if (row[size_t(i)] == 'w')
                im.setPixel(x + i, y + j, qRgba(255, 255, 255, 255));
        }
        ++j;
    }
    return im;
}

QImage makeGrabHand()
{
    // Closed hand, knuckles up; its middle lies at (16,16).
    return makeCursor({
                          "....##.##.##....",
                          "...#ww#ww#ww##..",
                          "...#ww#ww#ww#w#.",
                          "...#ww#ww#ww#ww#",
                          ".###wwwwwwwwwww#",
                          "#ww#wwwwwwwwwww#",
                          "#wwwwwwwwwwwwww#",
                          ".#wwwwwwwwwwwww#",
                          ".#wwwwwwwwwwww#.",
                          "..#wwwwwwwwwww#.",
                          "...#wwwwwwwww#..",
                          "....#wwwwwwww#..",
                          "....#wwwwwwww#..",
                          "....##########..",
                      },
                      8, 9);
}

QImage makeMenuCursor()
{
    // Arrow with its tip at (0,0).
    return makeCursor({
                          "#...........",
                          "##..........",
                          "#w#.........",
                          "#ww#........",
                          "#www#.......",
                          "#wwww#......",
                          "#wwwww#.....",
                          "#wwwwww#....",
                          "#wwwwwww#...",
                          "#wwwwwwww#..",
                          "#wwwww#####.",
                          "#ww#ww#.....",
                          "#w#.#ww#....",
                          "##..#ww#....",
                          "#....#ww#...",
                          ".....#ww#...",
                          "......##....",
                      },
                      0, 0);
}

// ---------------------------------------------------------------------------
// PNG writer: fixed-Huffman deflate with greedy LZ77. Small, and its output
// depends on nothing but the pixels.

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
void le(std::vector<uint8_t> &v, uint32_t x, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        v.push_back(uint8_t(x >> (8 * i)));
}

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

// Every pair of states of the skin elements the editor knows must differ,
// and the lit indicators must actually show orange.
void checkSheets(const Sheets &s)
{
    struct State { const char *name; const QImage *im; int x0, y0, x1, y1, w, h; };
    const State states[] = {
        {"title bar", &s.titlebar, 27, 0, 27, 15, 275, 14},
        {"clutter bar", &s.titlebar, 304, 0, 312, 0, 8, 43},
        {"options", &s.titlebar, 0, 0, 0, 9, 9, 9},
        {"minimise", &s.titlebar, 9, 0, 9, 9, 9, 9},
        {"shade", &s.titlebar, 0, 18, 0, 27, 9, 9},
        {"shade pressed", &s.titlebar, 0, 18, 9, 18, 9, 9},
        {"close", &s.titlebar, 18, 0, 18, 9, 9, 9},
        {"previous", &s.cbuttons, 0, 0, 0, 18, 23, 18},
        {"play", &s.cbuttons, 23, 0, 23, 18, 23, 18},
        {"pause", &s.cbuttons, 46, 0, 46, 18, 23, 18},
        {"stop", &s.cbuttons, 69, 0, 69, 18, 23, 18},
        {"next", &s.cbuttons, 92, 0, 92, 18, 22, 18},
        {"eject", &s.cbuttons, 114, 0, 114, 16, 22, 16},
        {"repeat on", &s.shufrep, 0, 0, 0, 30, 28, 15},
        {"shuffle on", &s.shufrep, 28, 0, 28, 30, 47, 15},
        {"eq on", &s.shufrep, 0, 61, 0, 73, 23, 12},
        {"pl on", &s.shufrep, 23, 61, 23, 73, 23, 12},
        {"stereo", &s.monoster, 0, 0, 0, 12, 29, 12},
        {"mono", &s.monoster, 29, 0, 29, 12, 27, 12},
        {"position thumb", &s.posbar, 248, 0, 278, 0, 29, 10},
    };
    for (const State &st : states)
        if (sameRect(*st.im, st.x0, st.y0, st.x1, st.y1, st.w, st.h))
            fail("states of %s look the same", st.name);
    // Options-bar buttons: at rest in the bar at (304, top), lit in pressed
    // bar k at (304 + 8k, 44 + top). The lit look must cover the whole 8-wide
    // block players read and stay inside it.
    for (int k = 0; k < 5; ++k) {
        const int top = kClutterTop[k], h = kClutterHeight[k];
        const int lx = 304 + 8 * k, ly = 44 + top;
        const char c = kClutterLetters[k];
        if (rectHas(s.titlebar, 304, top, 8, h, pal::orange))
            fail("indicator %c is lit in its normal state", c);
        if (!rectHas(s.titlebar, lx, ly, 8, h, pal::orange))
            fail("indicator %c is not lit in its lit state", c);
        if (!rectHas(s.titlebar, lx, ly, 8, h, kClutterLitInk))
            fail("indicator %c: letter outside its lit block", c);
        for (int j = 0; j < h; ++j)
            for (int i = 0; i < 8; ++i)
                if (get(s.titlebar, lx + i, ly + j) == get(s.titlebar, 304 + i, top + j))
                    fail("indicator %c: lit block leaves (%d, %d) as at rest", c, i, j);
        for (int r = 0; r < 43; ++r)
            if ((r < top || r >= top + h) && !sameRect(s.titlebar, lx, 44 + r, 304, r, 8, 1))
                fail("indicator %c: pressed bar differs from the resting one in row %d", c, r);
    }
    // Volume and balance fills grow with the index.
    for (const QImage *im : {&s.volume, &s.balance}) {
        int last = -1;
        for (int i = 0; i < 28; ++i) {
            int litPx = 0;
            for (int y = 15 * i; y < 15 * i + 13; ++y)
                for (int x = 0; x < 68; ++x)
                    if (get(*im, x, y).g > 100 && get(*im, x, y).r > 40)
                        ++litPx;
            if (litPx < last)
                fail("%s fill shrinks at index %d", im == &s.volume ? "volume" : "balance", i);
            last = litPx;
        }
    }
}

// Miniature: each PreviewHitMap row should cover its element, scaled from
// the window's 275x116 to the miniature's 175x74.
void checkHitMap(std::vector<std::string> &notes)
{
    struct Row { int l, t, r, b; };
    static const Row map[45] = {
        {0, 0, 174, 73}, {0, 0, 174, 73}, {0, 0, 174, 7}, {6, 13, 12, 41}, {6, 16, 12, 21},
        {6, 21, 12, 25}, {6, 25, 12, 30}, {6, 30, 12, 35}, {6, 35, 12, 40}, {0, 0, 174, 8},
        {1, 1, 10, 8}, {153, 0, 161, 8}, {160, 0, 167, 8}, {166, 0, 174, 8}, {9, 54, 100, 67},
        {9, 54, 23, 67}, {23, 54, 38, 67}, {38, 54, 52, 67}, {52, 54, 67, 67}, {67, 54, 82, 67},
        {85, 54, 100, 67}, {104, 55, 151, 66}, {104, 55, 133, 66}, {133, 55, 151, 66}, {139, 36, 168, 44},
        {139, 36, 153, 44}, {153, 36, 168, 44}, {67, 36, 110, 44}, {67, 38, 110, 42}, {100, 36, 108, 44},
        {113, 36, 137, 44}, {113, 38, 137, 42}, {120, 36, 128, 44}, {9, 44, 168, 52}, {9, 45, 168, 51},
        {54, 44, 73, 52}, {136, 26, 169, 33}, {136, 26, 152, 33}, {152, 26, 169, 33}, {13, 15, 23, 25},
        {17, 15, 23, 25}, {17, 15, 23, 25}, {17, 15, 23, 25}, {13, 15, 18, 21}, {13, 20, 18, 25},
    };
    // The elements on the window (x, y, w, h).
    struct El { const char *name; int x, y, w, h; };
    static const El el[45] = {
        {"main window", 0, 0, 275, 116}, {"background", 0, 0, 275, 116}, {"title bar", 0, 0, 275, 14},
        {"clutter bar", 10, 22, 8, 43}, {"O", 10, 25, 8, 8}, {"A", 10, 33, 8, 7}, {"I", 10, 40, 8, 7},
        {"D", 10, 47, 8, 8}, {"V", 10, 55, 8, 7}, {"title buttons", 0, 0, 275, 14}, {"options", 6, 3, 9, 9},
        {"minimise", 244, 3, 9, 9}, {"shade", 254, 3, 9, 9}, {"close", 264, 3, 9, 9},
        {"control keys", 16, 88, 142, 18}, {"previous", 16, 88, 23, 18}, {"play", 39, 88, 23, 18},
        {"pause", 62, 88, 23, 18}, {"stop", 85, 88, 23, 18}, {"next", 108, 88, 22, 18}, {"eject", 136, 89, 22, 16},
        {"shuffle+repeat", 164, 89, 74, 15}, {"shuffle", 164, 89, 47, 15}, {"repeat", 210, 89, 28, 15},
        {"eq+pl", 219, 58, 46, 12}, {"eq", 219, 58, 23, 12}, {"pl", 242, 58, 23, 12},
        {"volume", 107, 57, 68, 13}, {"volume bar", 107, 57, 68, 13}, {"volume knob", kVolumeKnobX, 58, 14, 11},
        {"balance", 177, 57, 38, 13}, {"balance bar", 177, 57, 38, 13}, {"balance knob", kBalanceKnobX, 58, 14, 11},
        {"position bar", 16, 72, 248, 10}, {"position bar", 16, 72, 248, 10}, {"position thumb", kPosThumbX, 72, 29, 10},
        {"mono+stereo", 212, 41, 56, 12}, {"mono", 212, 41, 27, 12}, {"stereo", 239, 41, 29, 12},
        {"play state group", 24, 28, 11, 9}, {"play state", 26, 28, 9, 9}, {"pause state", 26, 28, 9, 9},
        {"stop state", 26, 28, 9, 9}, {"working lamp", 24, 28, 3, 9}, {"not-working lamp", 24, 28, 3, 9},
    };
    for (int i = 0; i < 45; ++i) {
        // Scaled element in miniature pixels (as reals, x1000).
        const long ex0 = el[i].x * 175000L / 275, ex1 = (el[i].x + el[i].w) * 175000L / 275;
        const long ey0 = el[i].y * 74000L / 116, ey1 = (el[i].y + el[i].h) * 74000L / 116;
        const long cx0 = std::max(ex0, map[i].l * 1000L), cx1 = std::min(ex1, map[i].r * 1000L);
        const long cy0 = std::max(ey0, map[i].t * 1000L), cy1 = std::min(ey1, map[i].b * 1000L);
        const long inter = std::max(0L, cx1 - cx0) * std::max(0L, cy1 - cy0) / 1000;
        const long area = (ex1 - ex0) * (ey1 - ey0) / 1000;
        const int pct = int(inter * 100 / std::max(1L, area));
        const long mx = (ex0 + ex1) / 2, my = (ey0 + ey1) / 2;
        const bool centreIn = mx >= map[i].l * 1000L && mx < map[i].r * 1000L && my >= map[i].t * 1000L && my < map[i].b * 1000L;
        char line[200];
        std::snprintf(line, sizeof line, "row %2d %-17s element (%.1f,%.1f)-(%.1f,%.1f) hit (%d,%d)-(%d,%d) covered %3d%%%s",
                      i, el[i].name, ex0 / 1000.0, ey0 / 1000.0, ex1 / 1000.0, ey1 / 1000.0, map[i].l, map[i].t,
                      map[i].r, map[i].b, pct, centreIn ? "" : "  CENTRE OUTSIDE");
        notes.push_back(line);
        if (!centreIn)
            fail("hit map row %d misses its element's centre", i);
    }
}

struct Output
{
    const char *name;
    QImage image;
};

void checkOutputs(const std::vector<Output> &outs)
{
    struct Size { const char *name; int w, h; };
    static const Size sizes[] = {
        {"BALANCE", 68, 433}, {"CBUTTONS", 136, 36}, {"MAIN", 275, 116}, {"MONOSTER", 58, 24},
        {"PLAYPAUS", 42, 9}, {"POSBAR", 307, 10}, {"SHUFREP", 92, 85}, {"TITLEBAR", 344, 87},
        {"VOLUME", 68, 433}, {"WINAMPMINI", 175, 74}, {"BACKGROUND", 640, 480}, {"CLOSEBUT", 64, 16},
        {"MINIMIZEBUT", 64, 16}, {"PANBTN", 76, 19}, {"SELECTBTN", 25, 25}, {"EXCHCLR", 9, 10},
        {"STATUSLOGO", 38, 19}, {"ABOUTLOGO", 200, 100}, {"ABOUTBANNER", 200, 50}, {"ICON32", 32, 32},
        {"ICON16", 16, 16}, {"GRABHAND", 32, 32}, {"CUR_MENU", 32, 32},
    };
    if (outs.size() != std::size(sizes))
        fail("%s: wrong number of pictures", "outputs");
    for (const Size &sz : sizes) {
        auto it = std::find_if(outs.begin(), outs.end(), [&](const Output &o) { return std::strcmp(o.name, sz.name) == 0; });
        if (it == outs.end()) {
            fail("%s missing", sz.name);
            continue;
        }
        if (it->image.width() != sz.w || it->image.height() != sz.h)
            fail("%s has the wrong size (%d x %d)", sz.name, it->image.width(), it->image.height());
    }

    for (const Output &o : outs) {
        const QImage &im = o.image;
        const std::string_view name = o.name;
        const char *cname = o.name;
        const bool cursor = im.format() == QImage::Format_ARGB32;
        if (!cursor && im.format() != QImage::Format_RGB888)
            fail("%s is not 24-bit", cname);
        // Count the bad pixels and report the first, so one broken picture
        // neither floods the output nor hides the others.
        int bad = 0;
        for (int y = 0; y < im.height(); ++y)
            for (int x = 0; x < im.width(); ++x) {
                const QRgb p = im.pixel(x, y);
                const bool red = qRed(p) == 255 && qGreen(p) == 0 && qBlue(p) == 0 && qAlpha(p) == 255;
                const bool redWanted = name == "BACKGROUND" && !inShape(x, y);
                const char *why = nullptr;
                if (red && !redWanted)
                    why = "pure red";
                else if (!red && redWanted)
                    why = "not pure red outside the window shape";
                else if (cursor && qAlpha(p) != 0 && qAlpha(p) != 255)
                    why = "partly transparent";
                else if (cursor && qAlpha(p) == 0 && (p & 0xFFFFFFu) != 0)
                    why = "transparent but coloured";
                if (why && bad++ == 0)
                    fail("%s: %s at (%d,%d)", cname, why, x, y);
            }
        if (bad > 1)
            fail("%s: %d more such pixels", cname, bad - 1);
    }

    // Cursors: hot spot on an opaque pixel, corners see-through.
    for (const Output &o : outs) {
        const std::string_view name = o.name;
        const char *cname = o.name;
        if (name != "GRABHAND" && name != "CUR_MENU")
            continue;
        const int hx = name == "GRABHAND" ? 16 : 0, hy = hx;
        if (qAlpha(o.image.pixel(hx, hy)) != 255)
            fail("%s: hot spot (%d,%d) is not on the picture", cname, hx, hy);
        if (qAlpha(o.image.pixel(31, 31)) != 0)
            fail("%s: background not transparent", cname);
    }

    // Tool glyphs: the bottom-left pixel of every image is the see-through
    // key, and the key colour appears nowhere but in the background.
    for (const Output &o : outs) {
        const std::string_view name = o.name;
        const char *cname = o.name;
        int frames = 0;
        if (name == "PANBTN")
            frames = 4;
        else if (name == "SELECTBTN" || name == "EXCHCLR")
            frames = 1;
        if (!frames)
            continue;
        const int fw = o.image.width() / frames;
        for (int f = 0; f < frames; ++f) {
            if (!(get(o.image, f * fw, o.image.height() - 1) == pal::key))
                fail("%s: image %d has no see-through bottom-left pixel", cname, f);
            if (!rectHas(o.image, f * fw, 0, fw, o.image.height(), pal::black) &&
                !rectHas(o.image, f * fw, 0, fw, o.image.height(), pal::faceLo))
                fail("%s: image %d is empty", cname, f);
        }
    }
}

// Desktop icons at 48, 128 and 256 pixels, for the application menu: the
// small window icon's tile, LCD line and V, drawn at the size instead of
// enlarged, so edges stay crisp. Written into <dir>/icons (a committed
// folder) and not built into the program. Integer arithmetic only, so the
// files are identical everywhere.
QImage makeLargeIcon(int size)
{
    // Positions below are on the 32-pixel icon's grid; g(v) maps them here.
    auto g = [size](int v) { return v * size / 32; };
    const int line = std::max(1, size / 64);
    QImage im = newRgb(size, size, pal::body1);
    gradV(im, 0, 0, size, size, {76, 78, 88}, {30, 30, 35});
    outline(im, 0, 0, size, size, pal::ink);
    for (int i = 0; i < line; ++i)
        bevel(im, 1 + i, 1 + i, size - 2 - 2 * i, size - 2 - 2 * i, pal::steelHi, pal::shadow);

    // LCD window, sunk into the tile, with the green level line.
    const int lx = g(4), ly = g(4), lw = g(28) - g(4), lh = g(9) - g(4);
    fill(im, lx, ly, lw, lh, pal::black);
    for (int i = 0; i < line; ++i)
        bevel(im, lx - 1 - i, ly - 1 - i, lw + 2 + 2 * i, lh + 2 + 2 * i, pal::shadow, pal::steelLo);
    const int ly0 = g(6), lyh = std::max(1, g(7) - g(6));
    fill(im, g(6), ly0, g(17) - g(6), lyh, pal::green);
    if (size >= 128)
        fill(im, g(6), ly0, g(17) - g(6), std::max(1, lyh / 4), pal::greenHi);
    fill(im, g(18), ly0, g(22) - g(18), lyh, pal::greenDim);

    // The V: two strokes 3 grid pixels wide, from x 10.5 and 21.5 at the
    // top (y 12) to the middle at the bottom (y 25). Pixel centres are
    // tested in units of 1/(2*size) of the tile.
    const int S = 2 * size;
    auto inV = [&](int x, int y) {
        if (x < 0 || y < 0 || x >= size || y >= size)
            return false;
        const int U = (2 * x + 1) * 32, V = (2 * y + 1) * 32;
        if (V < 12 * S || V >= 25 * S)
            return false;
        const int d = 48 * std::abs(U - 16 * S), c = 11 * (49 * S - 2 * V);
        return d >= c - 72 * S && d <= c + 72 * S;
    };
    const int drop = std::max(1, size / 32), edge = std::max(1, size / 64);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            if (inV(x - drop, y - drop))
                put(im, x, y, pal::ink);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            if (!inV(x, y))
                continue;
            Rgb c = pal::orange;
            if (!inV(x - edge, y) || !inV(x, y - edge))
                c = pal::orangeHi;
            else if (!inV(x + edge, y) || !inV(x, y + edge))
                c = pal::orangeLo;
            put(im, x, y, c);
        }
    return im;
}

// The icons for the desktop, at every size the menu asks for: the two
// smallest are the window icons, the others are drawn larger.
void writeDesktopIcons(const std::string &dir)
{
    for (int size : {16, 32, 48, 128, 256}) {
        const QImage im = size <= 32 ? makeIcon(size) : makeLargeIcon(size);
        const std::string path = dir + "/icons/ICON" + std::to_string(size) + ".png";
        if (!writeFile(path, encodePng(im))) {
            fail("cannot write %s (does the icons folder exist?)", path.c_str());
            continue;
        }
        const QImage back = QImage(QString::fromStdString(path)).convertToFormat(QImage::Format_RGB32);
        if (back != im.convertToFormat(QImage::Format_RGB32))
            fail("%s does not read back as written", path.c_str());
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: gen_artwork <resources-dir>\n");
        return 2;
    }
    const std::string dir = argv[1];

    Sheets s;
    s.balance = makeBalance();
    s.cbuttons = makeCbuttons();
    s.monoster = makeMonoster();
    s.playpaus = makePlaypaus();
    s.posbar = makePosbar();
    s.shufrep = makeShufrep();
    s.titlebar = makeTitlebar();
    s.volume = makeVolume();
    s.main = makeMain(s);

    std::vector<Output> outs = {
        {"BALANCE", s.balance}, {"CBUTTONS", s.cbuttons}, {"MAIN", s.main}, {"MONOSTER", s.monoster},
        {"PLAYPAUS", s.playpaus}, {"POSBAR", s.posbar}, {"SHUFREP", s.shufrep}, {"TITLEBAR", s.titlebar},
        {"VOLUME", s.volume},
        {"WINAMPMINI", miniature(s)},
        {"BACKGROUND", makeBackground()},
        {"CLOSEBUT", makeWindowButton(true)},
        {"MINIMIZEBUT", makeWindowButton(false)},
        {"PANBTN", makePanButton()},
        {"SELECTBTN", makeSelectButton()},
        {"EXCHCLR", makeExchangeGlyph()},
        {"STATUSLOGO", makeStatusLogo()},
        {"ABOUTLOGO", makeAboutLogo()},
        {"ABOUTBANNER", makeAboutBanner()},
        {"ICON32", makeIcon(32)},
        {"ICON16", makeIcon(16)},
        {"GRABHAND", makeGrabHand()},
        {"CUR_MENU", makeMenuCursor()},
    };

    checkSheets(s);
    std::vector<std::string> notes;
    checkHitMap(notes);
    checkOutputs(outs);

    for (const Output &o : outs) {
        const std::string path = dir + "/" + o.name + ".bmp";
        if (!writeFile(path, encodeBmp(o.image))) {
            std::fprintf(stderr, "gen_artwork: cannot write %s\n", path.c_str());
            return 1;
        }
        // Read it back with Qt's reader: the file must hold exactly our pixels.
        QImage back(QString::fromStdString(path), "bmp");
        const QImage want = o.image.format() == QImage::Format_ARGB32 ? o.image : o.image.convertToFormat(QImage::Format_RGB32);
        const QImage got = back.convertToFormat(want.format());
        if (back.isNull() || got != want)
            fail("%s does not read back as written", o.name);
    }

    writeDesktopIcons(dir);

    for (const std::string &n : notes)
        std::printf("%s\n", n.c_str());
    if (g_failures) {
        std::fprintf(stderr, "gen_artwork: %d check(s) failed\n", g_failures);
        return 1;
    }
    std::printf("gen_artwork: %zu pictures written to %s, all checks passed\n", outs.size(), dir.c_str());
    return 0;
}
