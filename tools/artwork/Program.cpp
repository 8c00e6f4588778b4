// The editor's own pictures: the window background, its button glyphs, the
// logos, the icons and the cursors.
#include "artwork/Pictures.h"

#include <QString>

#include <algorithm>
#include <cstdlib>
#include <string_view>

namespace art {

// ---------------------------------------------------------------------------
// Editor window pictures.

namespace {

// Window shape: pure red everywhere outside these rectangles.
struct Rect
{
    int l, t, r, b;
    bool contains(int x, int y) const { return x >= l && x < r && y >= t && y < b; }
};
constexpr Rect kShape[] = {
    {0, 0, 636, 48}, {0, 48, 637, 73}, {0, 73, 193, 351}, {201, 73, 637, 351}, {201, 351, 637, 477}};

} // namespace

bool inShape(int x, int y)
{
    for (const Rect &r : kShape)
        if (r.contains(x, y))
            return true;
    return false;
}

namespace {

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

} // namespace

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

namespace {

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

} // namespace

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

namespace {

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

} // namespace

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

// --- Drawing tools ------------------------------------------------------------
// Each tool is one 15 x 15 picture: the button strip shows it black in a
// 25 x 25 image and embossed grey in a second (disabled), and its cursor
// shows it black with a white rim, so it reads on dark and light pixels.

namespace {

const Pattern kPencil = {
    "...............", "..........#....", ".........#.#...", "........#...#..", ".......#.#...#.",
    "......#...#.#..", ".....#.....#...", "....#.....#....", "...#.....#.....", "..#.....#......",
    ".#.....#.......", ".#....#........", "#....#.........", "##.##..........", "###............",
};
const Pattern kLine = {
    ".............##", ".............##", "............#..", "...........#...", "..........#....",
    ".........#.....", "........#......", ".......#.......", "......#........", ".....#.........",
    "....#..........", "...#...........", "..#............", "##.............", "##.............",
};
const Pattern kRect = {
    "...............", "...............", "###############", "#.............#", "#.............#",
    "#.............#", "#.............#", "#.............#", "#.............#", "#.............#",
    "#.............#", "#.............#", "###############", "...............", "...............",
};
const Pattern kFill = {
    "...............", "......#........", ".....#.#.......", "....#...#......", "...#.....#.....",
    "..#.......#....", ".###########...", "..#########.#..", "...#######..#..", "....#####..###.",
    ".....###...###.", "......#.....#..", "...............", "...............", "...............",
};
const Pattern kPicker = {
    "............##.", "...........####", "...........####", "........#..###.", ".........####..",
    "........#.##...", ".......#.#.#...", "......#.#......", ".....#.#.......", "....#.#........",
    "...#.#.........", "..#.#..........", ".###...........", "##.............", "#..............",
};

QImage toolButton(Pattern rows)
{
    QImage im = newRgb(50, 25, pal::key);
    pattern(im, 5, 5, rows, pal::black);
    // Disabled: embossed grey, as the hand's strip does it.
    pattern(im, 31, 6, rows, pal::white);
    pattern(im, 30, 5, rows, pal::faceLo);
    return im;
}

// The tool's picture at (1, 16) of a 32 x 32 cursor, so its lower-left
// corner, where the pencil and the dropper have their tips, is (1, 30).
QImage toolCursor(Pattern rows)
{
    QImage im(32, 32, QImage::Format_ARGB32);
    im.fill(Qt::transparent);
    int j = 0;
    for (std::string_view row : rows) {
        for (int i = 0; i < int(row.size()); ++i)
            if (row[size_t(i)] == '#')
                im.setPixel(1 + i, 16 + j, qRgba(0, 0, 0, 255));
        ++j;
    }
    const QImage ink = im;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            if (qAlpha(ink.pixel(x, y)) != 0)
                continue;
            bool nearInk = false;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) {
                    const int nx = x + dx, ny = y + dy;
                    if (nx >= 0 && ny >= 0 && nx < 32 && ny < 32 && qAlpha(ink.pixel(nx, ny)) != 0)
                        nearInk = true;
                }
            if (nearInk)
                im.setPixel(x, y, qRgba(255, 255, 255, 255));
        }
    return im;
}

} // namespace

QImage makePencilButton() { return toolButton(kPencil); }
QImage makeLineButton() { return toolButton(kLine); }
QImage makeRectButton() { return toolButton(kRect); }
QImage makeFillButton() { return toolButton(kFill); }
QImage makePickerButton() { return toolButton(kPicker); }
QImage makePencilCursor() { return toolCursor(kPencil); }
QImage makeFillCursor() { return toolCursor(kFill); }
QImage makePickerCursor() { return toolCursor(kPicker); }

namespace {

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

} // namespace

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

} // namespace art
