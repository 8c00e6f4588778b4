// What every picture of the generator draws with: the palette, pixel
// helpers, the bitmap fonts, the parts all skin windows share (keys, lamps,
// title buttons, bars, sliders), the file encoders and the check helpers.
#pragma once

#include <QImage>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace art {

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

Rgb mix(Rgb a, Rgb b, int t, int n);
Rgb shade(Rgb c, int d);

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

Rgb get(const QImage &im, int x, int y);
void put(QImage &im, int x, int y, Rgb c);
void fill(QImage &im, int x, int y, int w, int h, Rgb c);
void hline(QImage &im, int x0, int x1, int y, Rgb c);
void vline(QImage &im, int x, int y0, int y1, Rgb c);
void outline(QImage &im, int x, int y, int w, int h, Rgb c);
// One-pixel bevel: top and left in `tl`, bottom and right in `br`.
void bevel(QImage &im, int x, int y, int w, int h, Rgb tl, Rgb br);
void gradV(QImage &im, int x, int y, int w, int h, Rgb top, Rgb bottom);
void blit(QImage &dst, int dx, int dy, const QImage &src, int sx, int sy, int w, int h);

// A small pixel picture, one string a row; '#' marks the pixels to paint.
using Pattern = std::initializer_list<std::string_view>;

// Paints the '#' cells of a pattern.
void pattern(QImage &im, int x, int y, Pattern rows, Rgb c);
int patternWidth(Pattern rows);
QImage newRgb(int w, int h, Rgb c);

// ---------------------------------------------------------------------------
// Bitmap fonts: 5x7 for captions and logos, 3x5 for the tiny skin labels.

// The 3x5 font is 3 columns wide except for M, N and W.
int glyph3Width(char c);
// Width of a 5x7 text at the given scale: 5 columns a letter, 1 between.
int width5(std::string_view s, int scale = 1);
int width3(std::string_view s);
void text5(QImage &im, int x, int y, std::string_view s, Rgb c, int scale = 1);
void text3(QImage &im, int x, int y, std::string_view s, Rgb c);

// ---------------------------------------------------------------------------
// Parts every skin window shares.

// A raised key of the player; a pressed key has the bevel the other way
// round and a darker face, so "down" reads at a glance.
void drawKey(QImage &im, int x, int y, int w, int h, bool pressed);
// A 3x3 lamp: dark green when off, bright with a light core when on.
void drawLamp(QImage &im, int x, int y, bool on);
// Sunken one-pixel frame around (x, y, w, h), for the dark skin parts.
void sunkenDark(QImage &im, int x, int y, int w, int h);

enum class TitleGlyph { Options, Minimize, Close, Shade };
// A 9x9 title-bar button. `latched` draws the down look with the resting
// glyph colour: a button that stays in, not one being pressed.
void titleButton(QImage &im, int x, int y, TitleGlyph g, bool pressed, bool latched = false);
// Common frame of every 275x14 bar: gradient, light top, dark bottom.
void barFrame(QImage &im, int x, int y, bool active);
// A piece of such a bar, `w` wide, for windows put together from tiles;
// only a piece that ends the bar gets its end's edge.
void barPiece(QImage &im, int x, int y, int w, bool active, bool leftEnd, bool rightEnd);
// The body of a window: brushed metal, each row a shade lighter or darker
// from a fixed seed, over a dark-to-darker gradient, light top-left edge.
void brushedPanel(QImage &im, int x, int y, int w, int h, uint32_t seed);
// A 3x3 screw head, lit from the top left.
void screw(QImage &im, int x, int y);
// Engraved grooves: the bar's grip pattern. Active bars get warm grooves.
void grooves(QImage &im, int x0, int x1, int y, bool active);
// One 3x7 thumb of a shade-bar slider.
void shadeThumb(QImage &im, int x, int y, Rgb c);
// One toggle key: lamp at the left, label after it.
void toggleKey(QImage &im, int x, int y, int w, int h, bool on, bool pressed,
               const std::function<void(int, int, Rgb)> &label);
// Colour of the lit fill along a bar: green, yellow, orange.
Rgb levelColour(int t, int n);
void trough(QImage &im, int x, int y, int w);
void sliderKnob(QImage &im, int x, int y, bool pressed);

// ---------------------------------------------------------------------------
// Files.

// PNG: colour type 3 for at most 256 colours without alpha, else 2 or 6.
std::vector<uint8_t> encodePng(const QImage &im);
// BMP as the program decodes it at start-up: uncompressed, bottom-up.
std::vector<uint8_t> encodeBmp(const QImage &im);
bool writeFile(const std::string &path, const std::vector<uint8_t> &bytes);

// ---------------------------------------------------------------------------
// Checks run on the finished pictures.

extern int g_failures;
[[gnu::format(printf, 1, 2)]] void fail(const char *fmt, ...);
bool sameRect(const QImage &im, int x1, int y1, int x2, int y2, int w, int h);
bool rectHas(const QImage &im, int x, int y, int w, int h, Rgb c);

} // namespace art
