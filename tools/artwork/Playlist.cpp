// The playlist (PLEDIT): a window players put together from tiles, so every
// piece here must join its neighbours at any width and height. The title
// strip is the main window's title bar cut into pieces; the list sits in a
// sunken well like the main window's display.
#include "artwork/Pictures.h"

#include <string_view>

namespace art {

namespace {

constexpr Rgb kBody{38, 39, 45};
constexpr Rgb kInactiveGlyph{118, 120, 128};

// Pieces of the top strip: a 14-row bar, then the frame down to the list's
// top edge in row 19. The list runs from x 12 of the window to 21 short of
// its right edge, so the well's edges lie at column 11 of the left corner
// and column 5 of the right corner (the right tile starts 20 from the edge).
enum class Top { LeftCorner, Title, Tile, RightCorner };

void topPiece(QImage &im, int px, int py, int w, Top kind, bool active)
{
    const bool left = kind == Top::LeftCorner, right = kind == Top::RightCorner;
    barPiece(im, px, py, w, active, left, right);
    fill(im, px, py + 14, w, 6, kBody);
    hline(im, px, px + w - 1, py + 14, pal::steelLo);
    // The list's top edge, dark as on a sunken display.
    hline(im, px + (left ? 11 : 0), px + (right ? 5 : w - 1), py + 19, pal::ink);
    if (left)
        vline(im, px, py + 14, py + 19, pal::steelLo);
    if (right) {
        vline(im, px + w - 1, py + 14, py + 19, pal::ink);
        hline(im, px + 9, px + 18, py + 19, pal::ink); // top of the scroll groove
    }

    switch (kind) {
    case Top::LeftCorner:
        grooves(im, px + 6, px + w - 1, py + 3, active);
        break;
    case Top::Tile:
        grooves(im, px, px + w - 1, py + 3, active);
        break;
    case Top::Title: {
        const std::string_view word = "PLAYLIST";
        const int tw = width5(word), tx = px + (w - tw) / 2;
        grooves(im, px, tx - 7, py + 3, active);
        grooves(im, tx + tw + 6, px + w - 1, py + 3, active);
        text5(im, tx + 1, py + 4, word, pal::ink);
        text5(im, tx, py + 3, word, active ? pal::orange : kInactiveGlyph);
        break;
    }
    case Top::RightCorner:
        // Shade and close where players look for them: 12 and 2 pixels in
        // from the right edge.
        titleButton(im, px + 4, py + 3, TitleGlyph::Shade, false);
        titleButton(im, px + 14, py + 3, TitleGlyph::Close, false);
        break;
    }
}

// Left side, 12 wide: light outer edge, an engraved rule, the list's dark
// left edge.
void leftTile(QImage &im, int px, int py)
{
    fill(im, px, py, 12, 29, kBody);
    vline(im, px, py, py + 28, pal::steelLo);
    vline(im, px + 5, py, py + 28, pal::ink);
    vline(im, px + 6, py, py + 28, {54, 55, 62});
    vline(im, px + 11, py, py + 28, pal::ink);
}

// Right side, 20 wide: the list's light right edge, the scroll groove the
// 8-wide handle runs in (columns 5..12), the dark outer edge.
void rightTile(QImage &im, int px, int py)
{
    fill(im, px, py, 20, 29, kBody);
    vline(im, px, py, py + 28, pal::steelLo);
    vline(im, px + 4, py, py + 28, pal::ink);
    fill(im, px + 5, py, 8, 29, pal::black);
    vline(im, px + 8, py, py + 28, {20, 20, 24});
    vline(im, px + 13, py, py + 28, pal::steelLo);
    vline(im, px + 19, py, py + 28, pal::ink);
}

void scrollHandle(QImage &im, int x, int y, bool pressed)
{
    gradV(im, x, y, 8, 18, pressed ? Rgb{120, 124, 134} : pal::steelHi, pressed ? Rgb{70, 72, 80} : Rgb{92, 95, 104});
    outline(im, x, y, 8, 18, pal::ink);
    bevel(im, x + 1, y + 1, 6, 16, pressed ? pal::steelLo : pal::white, pressed ? pal::steelHi : pal::steelLo);
    for (int r : {6, 8, 10}) {
        hline(im, x + 2, x + 5, y + r, pressed ? pal::orangeHi : pal::orange);
        hline(im, x + 2, x + 5, y + r + 1, pressed ? pal::orange : pal::orangeLo);
    }
}

// Bottom strip, 38 rows: the list's light bottom edge in row 0 over
// [wellL, wellR], body shading down like the main window's, dark last row.
void bottomBase(QImage &im, int px, int py, int w, int wellL, int wellR)
{
    gradV(im, px, py, w, 38, {46, 47, 54}, {30, 30, 35});
    hline(im, px + wellL, px + wellR, py, pal::steelLo);
    hline(im, px, px + w - 1, py + 37, pal::ink);
}

// A key of the bottom strip or of its pop-up menus, 22x18, with a label.
void menuKey(QImage &im, int x, int y, std::string_view label, bool pressed)
{
    drawKey(im, x, y, 22, 18, pressed);
    const int o = pressed ? 1 : 0;
    const int tx = x + (22 - width3(label)) / 2 + o, ty = y + 6 + o;
    text3(im, tx + 1, ty + 1, label, pal::ink);
    text3(im, tx, ty, label, pressed ? pal::orange : pal::text);
}

// Small glyph with the keys' drop shadow.
void glyph(QImage &im, int x, int y, Pattern p, Rgb c)
{
    pattern(im, x + 1, y + 1, p, pal::ink);
    pattern(im, x, y, p, c);
}

void bottomLeft(QImage &im, int px, int py)
{
    bottomBase(im, px, py, 125, 11, 124);
    vline(im, px, py, py + 36, pal::steelLo);
    // The menus open from these four, 12 rows above the window's bottom.
    const std::string_view labels[4] = {"ADD", "REM", "SEL", "MISC"};
    for (int i = 0; i < 4; ++i)
        menuKey(im, px + 14 + 29 * i, py + 8, labels[i], false);
    screw(im, px + 4, py + 30);
}

// Right end: running time, the small transport, the track time, the list
// menu, the scroll arrows and the resize grip, where players have them.
void bottomRight(QImage &im, int px, int py)
{
    bottomBase(im, px, py, 150, 0, 130);
    // The scroll groove ends here; the right tile's body above the rest.
    hline(im, px + 131, px + 133, py, kBody);
    hline(im, px + 134, px + 143, py, pal::steelLo);
    hline(im, px + 144, px + 148, py, kBody);
    vline(im, px + 149, py, py + 37, pal::ink);

    // Letters of the running time and track time go on black, as players
    // draw them with the letter sheet.
    fill(im, px + 7, py + 10, 57, 6, pal::black);
    sunkenDark(im, px + 7, py + 10, 57, 6);
    fill(im, px + 66, py + 23, 25, 6, pal::black);
    sunkenDark(im, px + 66, py + 23, 25, 6);

    // Previous, play, pause, stop, next, eject: 10x10 each from x 3.
    const Rgb c = pal::orange;
    glyph(im, px + 6, py + 24, {"#..#", "#.##", "####", "#.##", "#..#"}, c);
    glyph(im, px + 16, py + 24, {"#..", "##.", "###", "##.", "#.."}, c);
    glyph(im, px + 26, py + 24, {"#.#", "#.#", "#.#", "#.#", "#.#"}, c);
    glyph(im, px + 36, py + 25, {"####", "####", "####", "####"}, c);
    glyph(im, px + 46, py + 24, {"#..#", "##.#", "####", "##.#", "#..#"}, c);
    glyph(im, px + 55, py + 24, {"..#..", ".###.", "#####", ".....", "#####"}, c);

    menuKey(im, px + 106, py + 8, "LIST", false);

    glyph(im, px + 135, py + 3, {"...##...", "..####..", ".######."}, pal::steelHi);
    glyph(im, px + 135, py + 9, {".######.", "..####..", "...##..."}, pal::steelHi);

    // Resize grip: three engraved diagonals in the corner.
    for (int d : {4, 8, 12})
        for (int i = 0; i <= d; ++i) {
            put(im, px + 147 - i, py + 35 - (d - i), pal::steelLo);
            put(im, px + 148 - i, py + 35 - (d - i), pal::ink);
        }
}

// The shaded playlist's strip: a bar with a black well for the track's
// title in letters. Left end and tile never change; the right end has the
// resize grip, unshade (latched down as on the main shade bar) and close,
// dimmed when the window is not active.
void shadeWell(QImage &im, int x0, int x1, int py)
{
    fill(im, x0, py + 3, x1 - x0 + 1, 8, pal::black);
    hline(im, x0, x1, py + 2, pal::ink);
    hline(im, x0, x1, py + 11, pal::steelLo);
}

void shadeLeft(QImage &im, int px, int py)
{
    barPiece(im, px, py, 25, true, true, false);
    shadeWell(im, px + 2, px + 24, py);
    vline(im, px + 2, py + 2, py + 10, pal::ink);
}

void shadeTile(QImage &im, int px, int py)
{
    barPiece(im, px, py, 25, true, false, false);
    shadeWell(im, px, px + 24, py);
}

void shadeRight(QImage &im, int px, int py, bool active)
{
    barPiece(im, px, py, 50, true, false, true);
    shadeWell(im, px, px + 19, py);
    vline(im, px + 20, py + 3, py + 11, pal::steelLo);
    for (int d : {2, 5})
        for (int i = 0; i <= d; ++i) {
            put(im, px + 26 - i, py + 10 - (d - i), pal::steelLo);
            put(im, px + 27 - i, py + 10 - (d - i), pal::ink);
        }
    titleButton(im, px + 29, py + 3, TitleGlyph::Shade, true, true);
    titleButton(im, px + 39, py + 3, TitleGlyph::Close, false);
    if (!active)
        for (int y = py + 3; y < py + 12; ++y)
            for (int x = px + 29; x < px + 48; ++x)
                if (get(im, x, y) == pal::text)
                    put(im, x, y, kInactiveGlyph);
}

// A menu's side bar, 3 wide, marking each item's 18 rows.
void menuBar(QImage &im, int x, int y, int h)
{
    vline(im, x, y, y + h - 1, pal::orangeHi);
    vline(im, x + 1, y, y + h - 1, pal::orange);
    vline(im, x + 2, y, y + h - 1, pal::orangeLo);
    for (int r = 18; r < h; r += 18)
        hline(im, x, x + 2, y + r - 1, pal::orangeDim);
}

} // namespace

QImage makePledit()
{
    QImage im = newRgb(280, 186, pal::body0);
    for (bool active : {true, false}) {
        const int y = active ? 0 : 21;
        topPiece(im, 0, y, 25, Top::LeftCorner, active);
        topPiece(im, 26, y, 100, Top::Title, active);
        topPiece(im, 127, y, 25, Top::Tile, active);
        topPiece(im, 153, y, 25, Top::RightCorner, active);
    }
    leftTile(im, 0, 42);
    rightTile(im, 31, 42);
    scrollHandle(im, 52, 53, false);
    scrollHandle(im, 61, 53, true);
    titleButton(im, 52, 42, TitleGlyph::Close, true);
    titleButton(im, 62, 42, TitleGlyph::Shade, true);
    bottomLeft(im, 0, 72);
    bottomRight(im, 126, 72);
    bottomBase(im, 179, 0, 25, 0, 24);
    bottomBase(im, 205, 0, 75, 0, 74);
    fill(im, 207, 12, 72, 16, pal::black);
    sunkenDark(im, 207, 12, 72, 16);

    shadeLeft(im, 72, 42);
    shadeTile(im, 72, 57);
    shadeRight(im, 99, 42, true);
    shadeRight(im, 99, 57, false);
    titleButton(im, 150, 42, TitleGlyph::Shade, true);

    // Pop-up menus: each item, then its pressed look 23 to the right.
    struct Menu { int x; std::initializer_list<std::string_view> items; };
    const Menu menus[] = {
        {0, {"URL", "DIR", "FILE"}},
        {54, {"ALL", "CROP", "SEL", "MISC"}},
        {104, {"INV", "NONE", "ALL"}},
        {154, {"SORT", "INFO", "OPTS"}},
        {204, {"NEW", "SAVE", "LOAD"}},
    };
    for (const Menu &m : menus) {
        int y = 111;
        for (std::string_view item : m.items) {
            menuKey(im, m.x, y, item, false);
            menuKey(im, m.x + 23, y, item, true);
            y += 19;
        }
    }
    menuBar(im, 48, 111, 54);
    menuBar(im, 100, 111, 72);
    menuBar(im, 150, 111, 54);
    menuBar(im, 200, 111, 54);
    menuBar(im, 250, 111, 54);
    return im;
}

void checkPlaylist(const QImage &pl)
{
    struct State { const char *name; int x0, y0, x1, y1, w, h; };
    const State states[] = {
        {"playlist top left", 0, 0, 0, 21, 25, 20},
        {"playlist title", 26, 0, 26, 21, 100, 20},
        {"playlist top tile", 127, 0, 127, 21, 25, 20},
        {"playlist top right", 153, 0, 153, 21, 25, 20},
        {"playlist shade right", 99, 42, 99, 57, 50, 14},
        {"scroll handle", 52, 53, 61, 53, 8, 18},
        {"playlist close", 52, 42, 153 + 14, 0, 9, 9},
        {"playlist shade", 62, 42, 153 + 4, 0, 9, 9},
    };
    for (const State &st : states)
        if (sameRect(pl, st.x0, st.y0, st.x1, st.y1, st.w, st.h))
            fail("states of %s look the same", st.name);
    for (int x : {0, 54, 104, 154, 204})
        for (int y : {111, 130, 149})
            if (sameRect(pl, x, y, x + 23, y, 22, 18))
                fail("playlist menu item at (%d,%d) looks the same pressed", x, y);
    // Pieces that players repeat must join themselves: the side tiles top
    // to bottom (each row alike), the top and bottom tiles side to side
    // (each column alike).
    for (int y = 43; y < 71; ++y)
        if (!sameRect(pl, 0, 42, 0, y, 12, 1) || !sameRect(pl, 31, 42, 31, y, 20, 1))
            fail("playlist side tile row %d differs from its first", y - 42);
    for (int x = 1; x < 25; ++x)
        if (!sameRect(pl, 179, 0, 179 + x, 0, 1, 38) || !sameRect(pl, 72, 57, 72 + x, 57, 1, 14)
            || !sameRect(pl, 127, 0, 127 + x, 0, 1, 20) || !sameRect(pl, 127, 21, 127 + x, 21, 1, 20))
            fail("playlist top, bottom or shade tile column %d differs from its first", x);
    // The right tile's groove fits the handle, which runs at its columns
    // 5..12.
    for (int x = 5; x <= 12; ++x)
        if (!(get(pl, 31 + x, 42) == pal::black) && !(get(pl, 31 + x, 42) == Rgb{20, 20, 24}))
            fail("scroll groove does not cover column %d", x);
}

} // namespace art
