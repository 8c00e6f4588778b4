// The letters (TEXT) and the time digits (NUMBERS, NUMS_EX): green on the
// black glass of the main window's display, like its lamps and play mark.
#include "artwork/Pictures.h"

#include <cstring>
#include <vector>

namespace art {

namespace {

// Display ink; the digits' segments are darker along their inner edge.
constexpr Rgb kLit = pal::green;
constexpr Rgb kLitInner{50, 170, 76};

// ---------------------------------------------------------------------------
// TEXT: 31 cells of 5x6 a row. Glyphs are 4 columns wide (M, V, W and the
// ellipsis 5) in the top five rows, so letters side by side keep a column
// and the lines a row apart; players show upper-case shapes for both cases.

struct Cell
{
    int row, col;
    const char *rows[5];
};

constexpr Cell kCells[] = {
    {0, 0, {".##.", "#..#", "####", "#..#", "#..#"}},      // a
    {0, 1, {"###.", "#..#", "###.", "#..#", "###."}},      // b
    {0, 2, {".###", "#...", "#...", "#...", ".###"}},      // c
    {0, 3, {"###.", "#..#", "#..#", "#..#", "###."}},      // d
    {0, 4, {"####", "#...", "###.", "#...", "####"}},      // e
    {0, 5, {"####", "#...", "###.", "#...", "#..."}},      // f
    {0, 6, {".###", "#...", "#.##", "#..#", ".###"}},      // g
    {0, 7, {"#..#", "#..#", "####", "#..#", "#..#"}},      // h
    {0, 8, {"###", ".#.", ".#.", ".#.", "###"}},           // i
    {0, 9, {"...#", "...#", "...#", "#..#", ".##."}},      // j
    {0, 10, {"#..#", "#.#.", "##..", "#.#.", "#..#"}},     // k
    {0, 11, {"#...", "#...", "#...", "#...", "####"}},     // l
    {0, 12, {"#...#", "##.##", "#.#.#", "#...#", "#...#"}}, // m
    {0, 13, {"#..#", "##.#", "#.##", "#..#", "#..#"}},     // n
    {0, 14, {".##.", "#..#", "#..#", "#..#", ".##."}},     // o
    {0, 15, {"###.", "#..#", "###.", "#...", "#..."}},     // p
    {0, 16, {".##.", "#..#", "#..#", "#.#.", ".#.#"}},     // q
    {0, 17, {"###.", "#..#", "###.", "#.#.", "#..#"}},     // r
    {0, 18, {".###", "#...", ".##.", "...#", "###."}},     // s
    {0, 19, {"###", ".#.", ".#.", ".#.", ".#."}},          // t
    {0, 20, {"#..#", "#..#", "#..#", "#..#", ".##."}},     // u
    {0, 21, {"#...#", "#...#", ".#.#.", ".#.#.", "..#.."}}, // v
    {0, 22, {"#...#", "#...#", "#.#.#", "#.#.#", ".#.#."}}, // w
    {0, 23, {"#..#", "#..#", ".##.", "#..#", "#..#"}},     // x
    {0, 24, {"#.#", "#.#", ".#.", ".#.", ".#."}},          // y
    {0, 25, {"####", "...#", ".##.", "#...", "####"}},     // z
    {0, 26, {"#.#", "#.#", "...", "...", "..."}},          // "
    {0, 27, {".##.", "#..#", "#.##", "#...", ".###"}},     // @
    // Digits in the 3-column shapes of the skin's small labels.
    {1, 0, {"###", "#.#", "#.#", "#.#", "###"}},
    {1, 1, {".#.", "##.", ".#.", ".#.", "###"}},
    {1, 2, {"##.", "..#", ".#.", "#..", "###"}},
    {1, 3, {"##.", "..#", ".#.", "..#", "##."}},
    {1, 4, {"#.#", "#.#", "###", "..#", "..#"}},
    {1, 5, {"###", "#..", "##.", "..#", "##."}},
    {1, 6, {".##", "#..", "###", "#.#", "###"}},
    {1, 7, {"###", "..#", ".#.", ".#.", ".#."}},
    {1, 8, {"###", "#.#", "###", "#.#", "###"}},
    {1, 9, {"###", "#.#", "###", "..#", "##."}},
    {1, 10, {".....", ".....", ".....", ".....", "#.#.#"}}, // ellipsis
    {1, 11, {"..", "..", "..", "..", ".#"}},               // .
    {1, 12, {"..", ".#", "..", ".#", ".."}},               // :
    {1, 13, {"..#", ".#.", ".#.", ".#.", "..#"}},          // (
    {1, 14, {"#..", ".#.", ".#.", ".#.", "#.."}},          // )
    {1, 15, {"...", "...", "###", "...", "..."}},          // -
    {1, 16, {".#", ".#", "..", "..", ".."}},               // '
    {1, 17, {".#", ".#", ".#", "..", ".#"}},               // !
    {1, 18, {"....", "....", "....", "....", "####"}},     // _
    {1, 19, {"...", ".#.", "###", ".#.", "..."}},          // +
    {1, 20, {"#...", ".#..", ".#..", "..#.", "...#"}},     // backslash
    {1, 21, {"...#", "..#.", ".#..", ".#..", "#..."}},     // /
    {1, 22, {".##", ".#.", ".#.", ".#.", ".##"}},          // [
    {1, 23, {"##.", ".#.", ".#.", ".#.", "##."}},          // ]
    {1, 24, {".#.", "#.#", "...", "...", "..."}},          // ^
    {1, 25, {".#..", "#.#.", ".#..", "#.#.", ".#.#"}},     // &
    {1, 26, {"#..#", "..#.", ".#..", "#...", "#..#"}},     // %
    {1, 27, {"..", "..", "..", ".#", "#."}},               // ,
    {1, 28, {"...", "###", "...", "###", "..."}},          // =
    {1, 29, {".###", "##..", ".##.", "..##", "###."}},     // $
    {1, 30, {"#.#.", "####", "#.#.", "####", "#.#."}},     // #
    {2, 0, {"..#.", ".##.", "#..#", "####", "#..#"}},      // A with ring
    {2, 1, {"#..#", ".##.", "#..#", "#..#", ".##."}},      // O with dots
    {2, 2, {"#..#", ".##.", "#..#", "####", "#..#"}},      // A with dots
    {2, 3, {"###.", "...#", ".##.", "....", ".#.."}},      // ?
    {2, 4, {"....", "#.#.", ".#..", "#.#.", "...."}},      // *
};

// ---------------------------------------------------------------------------
// Digits: seven segments in a 9x13 cell, two pixels thick with bevelled
// ends. Players that lack NUMS_EX take the minus sign from row 6, columns
// 2..6 of the 2, where its middle segment runs, and the blank from row 6,
// columns 0..4 of the 1, which is dark; so unlit segments are not drawn.

// Each segment as pixels (x, y), outer edge first then the inner one, so
// the inner line can be shaded darker.
struct Px { int x, y; bool inner; };

std::vector<Px> segmentPixels(int s)
{
    std::vector<Px> p;
    auto row = [&](int x0, int x1, int y, bool inner) {
        for (int x = x0; x <= x1; ++x)
            p.push_back({x, y, inner});
    };
    auto col = [&](int x, int y0, int y1, bool inner) {
        for (int y = y0; y <= y1; ++y)
            p.push_back({x, y, inner});
    };
    switch (s) {
    case 0: row(2, 6, 0, false); row(3, 5, 1, true); break;   // top
    case 1: col(7, 1, 5, false); col(6, 2, 4, true); break;   // top right
    case 2: col(7, 7, 11, false); col(6, 8, 10, true); break; // bottom right
    case 3: row(2, 6, 12, false); row(3, 5, 11, true); break; // bottom
    case 4: col(1, 7, 11, false); col(2, 8, 10, true); break; // bottom left
    case 5: col(1, 1, 5, false); col(2, 2, 4, true); break;   // top left
    default: row(2, 6, 6, false); row(3, 5, 5, true); row(3, 5, 7, true); break; // middle
    }
    return p;
}

// Segments lit for 0..9, top, top right, bottom right, bottom, bottom
// left, top left, middle.
constexpr const char *kDigitSegments[10] = {
    "1111110", "0110000", "1101101", "1111001", "0110011",
    "1011011", "1011111", "1110000", "1111111", "1111011",
};

// One cell; `lit` has a '1' for each lit segment.
void digitCell(QImage &im, int x, const char *lit)
{
    for (int s = 0; s < 7; ++s)
        if (lit[s] == '1')
            for (const Px &p : segmentPixels(s))
                put(im, x + p.x, p.y, p.inner ? kLitInner : kLit);
}

void digits(QImage &im)
{
    for (int d = 0; d < 10; ++d)
        digitCell(im, 9 * d, kDigitSegments[d]);
}

} // namespace

QImage makeText()
{
    QImage im = newRgb(155, 18, pal::black);
    for (const Cell &c : kCells)
        for (int j = 0; j < 5; ++j)
            for (int i = 0; c.rows[j][i]; ++i)
                if (c.rows[j][i] == '#')
                    put(im, 5 * c.col + i, 6 * c.row + j, kLit);
    return im;
}

QImage makeNumbers()
{
    QImage im = newRgb(99, 13, pal::black);
    digits(im);
    return im;
}

QImage makeNumsEx()
{
    QImage im = newRgb(108, 13, pal::black);
    digits(im);
    // Blank stays dark; the minus is the digits' middle segment.
    digitCell(im, 99, "0000001");
    return im;
}

void checkLetters(const QImage &text, const QImage &numbers, const QImage &numsEx)
{
    // Every cell players read has a glyph, no two alike, each inside its
    // cell and off its last row, which parts the lines.
    for (const Cell &c : kCells) {
        const int x = 5 * c.col, y = 6 * c.row;
        if (!rectHas(text, x, y, 5, 6, kLit))
            fail("TEXT cell (%d,%d) is empty", c.row, c.col);
        if (rectHas(text, x, y + 5, 5, 1, kLit))
            fail("TEXT cell (%d,%d) runs into the next line", c.row, c.col);
        if (std::strlen(c.rows[0]) > 5)
            fail("TEXT cell (%d,%d) is too wide", c.row, c.col);
        for (const Cell &o : kCells)
            if (&o != &c && sameRect(text, x, y, 5 * o.col, 6 * o.row, 5, 6))
                fail("TEXT cells (%d,%d) and (%d,%d) look the same", c.row, c.col, o.row, o.col);
    }
    // Blank cells: row 0 from 28, row 2 from 5.
    if (rectHas(text, 140, 0, 15, 6, kLit) || rectHas(text, 25, 12, 130, 6, kLit))
        fail("TEXT blank cells are not blank");

    for (int d = 0; d < 10; ++d)
        for (int e = d + 1; e < 10; ++e)
            if (sameRect(numbers, 9 * d, 0, 9 * e, 0, 9, 13))
                fail("digits %d and %d look the same", d, e);
    for (int x = 0; x < 90; ++x)
        for (int y = 0; y < 13; ++y)
            if (!(get(numbers, x, y) == get(numsEx, x, y)))
                fail("NUMBERS and NUMS_EX digits differ at (%d,%d)", x, y);
    // The minus and blank players take from NUMBERS: a lit bar from the 2,
    // a dark one from the 1; NUMS_EX's own two the same at full size.
    for (int i = 0; i < 5; ++i) {
        if (!(get(numbers, 20 + i, 6) == kLit))
            fail("NUMBERS: the minus bar at (%d,6) is not lit", 20 + i);
        if (!(get(numbers, 9 + i, 6) == pal::black))
            fail("NUMBERS: the blank bar at (%d,6) is not dark", 9 + i);
    }
    if (!sameRect(numsEx, 99, 6, 18, 6, 9, 1) || rectHas(numsEx, 99, 0, 9, 5, kLit)
        || rectHas(numsEx, 99, 8, 9, 5, kLit)
        || rectHas(numsEx, 90, 0, 9, 13, kLit) || rectHas(numsEx, 90, 0, 9, 13, kLitInner))
        fail("NUMS_EX: minus or blank does not match the digits' middle bar");
}

} // namespace art
