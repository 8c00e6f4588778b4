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

} // namespace

void fillElementTable(ElementTableArray &t)
{
    // Element 0 names all twelve children of its tree node, but only the
    // first five (the ones with data) take part in an import.
    set(t[0], 0, skNone, {0, 0, 275, 116}, {0, 0, 0, 0},
        {1, 2, 3, 9, 14, 21, 24, 27, 30, 33, 36, 39}, 0, 5, 0, 0);
    set(t[1], 1, skMain, {0, 0, 275, 116}, {0, 0, 275, 116}, {-1}, 0, 0, 0, 0);
    set(t[2], 2, skTitleBar, {27, 0, 302, 14}, {0, 0, 275, 14}, {-1}, 1, 0, 0, 15);
    set(t[3], 3, skTitleBar, {304, 0, 312, 43}, {13, 24, 20, 62}, {4, 5, 6, 7, 8}, 1, 5, 8, 0);
    set(t[4], 4, skTitleBar, {308, 3, 312, 9}, {13, 24, 18, 31}, {-1}, 1, 0, 0, 44);
    set(t[5], 5, skTitleBar, {308, 11, 312, 17}, {13, 32, 18, 39}, {-1}, 1, 0, 8, 44);
    set(t[6], 6, skTitleBar, {308, 19, 312, 25}, {13, 40, 18, 47}, {-1}, 1, 0, 16, 44);
    set(t[7], 7, skTitleBar, {308, 27, 312, 33}, {13, 48, 18, 55}, {-1}, 1, 0, 24, 44);
    set(t[8], 8, skTitleBar, {308, 35, 312, 41}, {13, 55, 18, 62}, {-1}, 1, 0, 32, 43);
    set(t[9], 9, skNone, {0, 0, 275, 14}, {0, 0, 275, 14}, {10, 11, 12, 13}, 0, 4, 0, 0);
    set(t[10], 10, skTitleBar, {0, 0, 9, 9}, {6, 3, 14, 11}, {-1}, 1, 0, 0, 9);
    set(t[11], 11, skTitleBar, {9, 0, 18, 9}, {245, 3, 252, 11}, {-1}, 1, 0, 0, 9);
    set(t[12], 12, skTitleBar, {0, 18, 9, 27}, {254, 3, 261, 11}, {-1}, 1, 0, 0, 9);
    set(t[13], 13, skTitleBar, {18, 0, 27, 9}, {245, 3, 271, 11}, {-1}, 1, 0, 0, 9);
    set(t[14], 14, skNone, {0, 0, 136, 36}, {16, 88, 271, 105},
        {15, 16, 17, 18, 19, 20}, 0, 6, 0, 9);
    set(t[15], 15, skCButtons, {0, 0, 21, 17}, {16, 88, 37, 105}, {-1}, 1, 0, 0, 18);
    set(t[16], 16, skCButtons, {23, 0, 44, 17}, {39, 88, 60, 105}, {-1}, 1, 0, 0, 18);
    set(t[17], 17, skCButtons, {46, 0, 67, 17}, {62, 88, 83, 105}, {-1}, 1, 0, 0, 18);
    set(t[18], 18, skCButtons, {69, 0, 90, 17}, {85, 88, 106, 105}, {-1}, 1, 0, 0, 18);
    set(t[19], 19, skCButtons, {92, 0, 113, 17}, {108, 88, 129, 105}, {-1}, 1, 0, 0, 18);
    set(t[20], 20, skCButtons, {114, 0, 135, 15}, {136, 88, 157, 105}, {-1}, 1, 0, 0, 16);
}

Rect stateRect(const SkinElement &e, int state)
{
    const int dx = state * e.StateStepX;
    const int dy = state * e.StateStepY;
    return {e.SheetRect.Left + dx, e.SheetRect.Top + dy,
            e.SheetRect.Right + dx, e.SheetRect.Bottom + dy};
}

} // namespace vorlix
