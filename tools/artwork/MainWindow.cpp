// The main window's nine sheets, and the player miniature composed from them.
#include "artwork/Pictures.h"

#include "skin/Miniature.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

namespace art {

// ---------------------------------------------------------------------------
// CBUTTONS: the six transport keys, normal row at y 0, pressed row below.

namespace {

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

} // namespace

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

namespace {

// The four title buttons at their places on the 275-pixel bar; on a shade
// bar the shade button is latched down.
void titleButtonsOnBar(QImage &im, int x, int y, bool shaded)
{
    titleButton(im, x + 6, y + 3, TitleGlyph::Options, false);
    titleButton(im, x + 244, y + 3, TitleGlyph::Minimize, false);
    titleButton(im, x + 254, y + 3, TitleGlyph::Shade, shaded, shaded);
    titleButton(im, x + 264, y + 3, TitleGlyph::Close, false);
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

} // namespace

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

namespace {

const Pattern kRepeatGlyph = {
    "......#....", ".#######.#.", "#.....#...#", "#.........#", "#...#.....#", ".#.#######.", "....#......"};

} // namespace

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

namespace {

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

} // namespace

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

namespace {

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

} // namespace

QImage makeMain(const Sheets &s)
{
    QImage im = newRgb(275, 116, pal::body1);
    brushedPanel(im, 0, 14, 275, 102, 20240611u);

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
    screw(im, 5, 108);
    screw(im, 267, 108);
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

} // namespace art
