// The mini browser (MB): no player we know draws it, so the picture is a
// small window of our own in the skin's style: title bar, a black well for
// the page, and a row of keys with a status well beside them.
#include "artwork/Pictures.h"

#include <string_view>

namespace art {

QImage makeMb()
{
    constexpr int w = 234, h = 119;
    QImage im = newRgb(w, h, pal::body0);

    barPiece(im, 0, 0, w, true, true, true);
    const std::string_view word = "MINIBROWSER";
    const int tw = width5(word), tx = (w - tw) / 2;
    grooves(im, 6, tx - 7, 3, true);
    grooves(im, tx + tw + 6, w - 16, 3, true);
    text5(im, tx + 1, 4, word, pal::ink);
    text5(im, tx, 3, word, pal::orange);
    titleButton(im, w - 11, 3, TitleGlyph::Close, false);

    brushedPanel(im, 0, 14, w, h - 14, 20240613u);

    // The page.
    fill(im, 7, 20, w - 14, 76, pal::black);
    sunkenDark(im, 7, 20, w - 14, 76);

    // Back, forward, stop, reload, home.
    const Pattern glyphs[5] = {
        {"..#..", ".##..", "#####", ".##..", "..#.."},
        {"..#..", "..##.", "#####", "..##.", "..#.."},
        {"####", "####", "####", "####"},
        {".##.#", "#..##", "#.###", "#....", ".###."},
        {"..#..", ".###.", "#####", ".#.#.", ".###."},
    };
    for (int i = 0; i < 5; ++i) {
        const int x = 7 + 20 * i, y = 102;
        drawKey(im, x, y, 18, 12, false);
        const Pattern &g = glyphs[i];
        const int gx = x + (18 - patternWidth(g)) / 2, gy = y + (12 - int(g.size())) / 2;
        pattern(im, gx + 1, gy + 1, g, pal::ink);
        pattern(im, gx, gy, g, pal::orange);
    }
    // Status line beside the keys, black like the other displays.
    fill(im, 109, 104, w - 116, 8, pal::black);
    sunkenDark(im, 109, 104, w - 116, 8);
    return im;
}

} // namespace art
