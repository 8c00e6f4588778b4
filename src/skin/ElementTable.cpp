#include "skin/ElementTable.h"

#include <initializer_list>

namespace vorlix {

namespace {

void set(SkinElement &e, int id, SheetKind sheet, Rect sheetRect, Rect windowRect,
         std::initializer_list<int> children, int maxState, int childCount,
         int stepX, int stepY)
{
    e.Id = static_cast<std::int16_t>(id);
    e.Sheet = sheet;
    e.SheetRect = sheetRect;
    e.WindowRect = windowRect;
    size_t i = 0;
    for (int c : children)
        e.Children[i++] = static_cast<std::int8_t>(c);
    e.MaxState = static_cast<std::int8_t>(maxState);
    e.ChildCount = static_cast<std::int8_t>(childCount);
    e.StateStepX = static_cast<std::int8_t>(stepX);
    e.StateStepY = static_cast<std::int8_t>(stepY);
}

// A button whose states lie at the given corners, in state order.
void setCorners(SkinElement &e, std::initializer_list<StateCorner> corners)
{
    size_t i = 0;
    for (StateCorner c : corners)
        e.StateCorners[i++] = c;
    e.ExplicitStates = static_cast<std::int8_t>(corners.size());
    e.MaxState = static_cast<std::int8_t>(corners.size() - 1);
}

} // namespace

void fillElementTable(ElementTableArray &t)
{
    // Element 0 names all twelve children of its tree node; an import of the
    // whole window reaches every one of them.
    set(t[0], 0, skNone, {0, 0, 275, 116}, {0, 0, 0, 0},
        {1, 2, 3, 9, 14, 21, 24, 27, 30, 33, 36, 39}, 0, 12, 0, 0);
    set(t[1], 1, skMain, {0, 0, 275, 116}, {0, 0, 275, 116}, {-1}, 0, 0, 0, 0);
    set(t[2], 2, skTitleBar, {27, 0, 302, 14}, {0, 0, 275, 14}, {-1}, 1, 0, 0, 15);
    // The options bar: 8 x 43 on the window, its disabled look one column
    // right. Each indicator is a block of the bar at rest; lit, it lies in
    // its own column of pressed bars 44 rows lower (column j for button j).
    set(t[3], 3, skTitleBar, {304, 0, 312, 43}, {10, 22, 18, 65}, {4, 5, 6, 7, 8}, 1, 5, 8, 0);
    set(t[4], 4, skTitleBar, {304, 3, 312, 11}, {10, 25, 18, 33}, {-1}, 1, 0, 0, 44);
    set(t[5], 5, skTitleBar, {304, 11, 312, 18}, {10, 33, 18, 40}, {-1}, 1, 0, 8, 44);
    set(t[6], 6, skTitleBar, {304, 18, 312, 25}, {10, 40, 18, 47}, {-1}, 1, 0, 16, 44);
    set(t[7], 7, skTitleBar, {304, 25, 312, 33}, {10, 47, 18, 55}, {-1}, 1, 0, 24, 44);
    set(t[8], 8, skTitleBar, {304, 33, 312, 40}, {10, 55, 18, 62}, {-1}, 1, 0, 32, 44);
    // The 9 x 9 title-bar buttons; only the shade button keeps its pressed
    // image beside it rather than below.
    set(t[9], 9, skNone, {0, 0, 275, 14}, {0, 0, 275, 14}, {10, 11, 12, 13}, 0, 4, 0, 0);
    set(t[10], 10, skTitleBar, {0, 0, 9, 9}, {6, 3, 15, 12}, {-1}, 1, 0, 0, 9);
    set(t[11], 11, skTitleBar, {9, 0, 18, 9}, {244, 3, 253, 12}, {-1}, 1, 0, 0, 9);
    set(t[12], 12, skTitleBar, {0, 18, 9, 27}, {254, 3, 263, 12}, {-1}, 1, 0, 9, 0);
    set(t[13], 13, skTitleBar, {18, 0, 27, 9}, {264, 3, 273, 12}, {-1}, 1, 0, 0, 9);
    // Control buttons, pressed row below: four 23 x 18 keys, "next" one
    // column narrower, and the 22 x 16 eject key one row lower on the window.
    set(t[14], 14, skNone, {0, 0, 142, 18}, {16, 88, 158, 106},
        {15, 16, 17, 18, 19, 20}, 0, 6, 0, 0);
    set(t[15], 15, skCButtons, {0, 0, 23, 18}, {16, 88, 39, 106}, {-1}, 1, 0, 0, 18);
    set(t[16], 16, skCButtons, {23, 0, 46, 18}, {39, 88, 62, 106}, {-1}, 1, 0, 0, 18);
    set(t[17], 17, skCButtons, {46, 0, 69, 18}, {62, 88, 85, 106}, {-1}, 1, 0, 0, 18);
    set(t[18], 18, skCButtons, {69, 0, 92, 18}, {85, 88, 108, 106}, {-1}, 1, 0, 0, 18);
    set(t[19], 19, skCButtons, {92, 0, 114, 18}, {108, 88, 130, 106}, {-1}, 1, 0, 0, 18);
    set(t[20], 20, skCButtons, {114, 0, 136, 16}, {136, 89, 158, 105}, {-1}, 1, 0, 0, 16);

    // The rest of the main window. A group's SheetRect carries the size of
    // its area on the window. Toggles have four states: off, off pressed,
    // on, on pressed.
    set(t[21], 21, skNone, {0, 0, 74, 15}, {164, 89, 238, 104}, {22, 23}, 0, 2, 0, 0);
    set(t[22], 22, skShufRep, {28, 0, 75, 15}, {164, 89, 211, 104}, {-1}, 3, 0, 0, 15);
    set(t[23], 23, skShufRep, {0, 0, 28, 15}, {210, 89, 238, 104}, {-1}, 3, 0, 0, 15);
    set(t[24], 24, skNone, {0, 0, 46, 12}, {219, 58, 265, 70}, {25, 26}, 0, 2, 0, 0);
    set(t[25], 25, skShufRep, {0, 61, 23, 73}, {219, 58, 242, 70}, {-1}, 0, 0, 0, 0);
    setCorners(t[25], {{0, 61}, {46, 61}, {0, 73}, {46, 73}});
    set(t[26], 26, skShufRep, {23, 61, 46, 73}, {242, 58, 265, 70}, {-1}, 0, 0, 0, 0);
    setCorners(t[26], {{23, 61}, {69, 61}, {23, 73}, {69, 73}});
    // Bars: 28 backgrounds 15 rows apart; the slider knob's pressed image
    // lies left of its normal one.
    set(t[27], 27, skNone, {0, 0, 68, 13}, {107, 57, 175, 70}, {28, 29}, 0, 2, 0, 0);
    set(t[28], 28, skVolume, {0, 0, 68, 13}, {107, 57, 175, 70}, {-1}, 27, 0, 0, 15);
    set(t[29], 29, skVolume, {15, 422, 29, 433}, {157, 58, 171, 69}, {-1}, 1, 0, -15, 0);
    set(t[30], 30, skNone, {0, 0, 38, 13}, {177, 57, 215, 70}, {31, 32}, 0, 2, 0, 0);
    set(t[31], 31, skBalance, {9, 0, 47, 13}, {177, 57, 215, 70}, {-1}, 27, 0, 0, 15);
    set(t[32], 32, skBalance, {15, 422, 29, 433}, {189, 58, 203, 69}, {-1}, 1, 0, -15, 0);
    set(t[33], 33, skNone, {0, 0, 248, 10}, {16, 72, 264, 82}, {34, 35}, 0, 2, 0, 0);
    set(t[34], 34, skPosBar, {0, 0, 248, 10}, {16, 72, 264, 82}, {-1}, 0, 0, 0, 0);
    set(t[35], 35, skPosBar, {248, 0, 277, 10}, {85, 72, 114, 82}, {-1}, 1, 0, 30, 0);
    // Lit on the top row, dark below.
    set(t[36], 36, skNone, {0, 0, 56, 12}, {212, 41, 268, 53}, {37, 38}, 0, 2, 0, 0);
    set(t[37], 37, skMonoSter, {29, 0, 56, 12}, {212, 41, 239, 53}, {-1}, 1, 0, 0, 12);
    set(t[38], 38, skMonoSter, {0, 0, 29, 12}, {239, 41, 268, 53}, {-1}, 1, 0, 0, 12);
    // Play, pause and stop share one place on the window; so do the two
    // 3 x 9 lamps left of it.
    set(t[39], 39, skNone, {0, 0, 11, 9}, {24, 28, 35, 37}, {40, 41, 42, 43, 44}, 0, 5, 0, 0);
    set(t[40], 40, skPlayPaus, {0, 0, 9, 9}, {26, 28, 35, 37}, {-1}, 0, 0, 0, 0);
    set(t[41], 41, skPlayPaus, {9, 0, 18, 9}, {26, 28, 35, 37}, {-1}, 0, 0, 0, 0);
    set(t[42], 42, skPlayPaus, {18, 0, 27, 9}, {26, 28, 35, 37}, {-1}, 0, 0, 0, 0);
    set(t[43], 43, skPlayPaus, {36, 0, 39, 9}, {24, 28, 27, 37}, {-1}, 0, 0, 0, 0);
    set(t[44], 44, skPlayPaus, {39, 0, 42, 9}, {24, 28, 27, 37}, {-1}, 0, 0, 0, 0);
}

Rect stateRect(const SkinElement &e, int state)
{
    if (state >= 0 && state < e.ExplicitStates) {
        const StateCorner c = e.StateCorners[static_cast<size_t>(state)];
        return {c.X, c.Y, c.X + e.SheetRect.width(), c.Y + e.SheetRect.height()};
    }
    const int dx = state * e.StateStepX;
    const int dy = state * e.StateStepY;
    return {e.SheetRect.Left + dx, e.SheetRect.Top + dy,
            e.SheetRect.Right + dx, e.SheetRect.Bottom + dy};
}

} // namespace vorlix
