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

void fillOtherWindows(ElementTableArray &t);

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

    fillOtherWindows(t);
}

namespace {

// Places every element of the equaliser, the playlist, the shaded bars, the
// letters and digits and the colours. Window rectangles are on the window the
// element lies on; parts drawn nowhere fixed have their sheet size there, so
// an import on them alone reads the picture's corner 1:1.
void fillOtherWindows(ElementTableArray &t)
{
    const auto on = [&t](int id, std::int8_t window) { t[size_t(id)].Window = window; };

    // The equaliser, active title bar first. Its buttons keep off, off
    // pressed, on, on pressed in separate columns of one row.
    set(t[45], 45, skNone, {0, 0, 275, 116}, {0, 0, 275, 116}, {46, 47, 62, 63, 64, 65, 66, 67, 68}, 0, 9, 0, 0);
    set(t[46], 46, skEqMain, {0, 0, 275, 116}, {0, 0, 275, 116}, {-1}, 0, 0, 0, 0);
    set(t[47], 47, skEqMain, {0, 134, 275, 148}, {0, 0, 275, 14}, {-1}, 1, 0, 0, 15);
    set(t[62], 62, skEqMain, {10, 119, 36, 131}, {14, 18, 40, 30}, {-1}, 0, 0, 0, 0);
    setCorners(t[62], {{10, 119}, {128, 119}, {69, 119}, {187, 119}});
    set(t[63], 63, skEqMain, {36, 119, 68, 131}, {40, 18, 72, 30}, {-1}, 0, 0, 0, 0);
    setCorners(t[63], {{36, 119}, {154, 119}, {95, 119}, {213, 119}});
    set(t[64], 64, skEqMain, {224, 164, 268, 176}, {217, 18, 261, 30}, {-1}, 1, 0, 0, 12);
    set(t[65], 65, skEqMain, {0, 116, 9, 125}, {264, 3, 273, 12}, {-1}, 1, 0, 0, 9);
    // 28 slider backgrounds, 14 to a row; on the window each band shows one
    // of them, the preamp's place stands for all.
    set(t[66], 66, skEqMain, {13, 164, 27, 227}, {21, 38, 35, 101}, {-1}, 0, 0, 0, 0);
    {
        SkinElement &e = t[66];
        for (int k = 0; k < 28; ++k)
            e.StateCorners[size_t(k)] = {std::int16_t(13 + 15 * (k % 14)), std::int16_t(164 + 65 * (k / 14))};
        e.ExplicitStates = 28;
        e.MaxState = 27;
    }
    set(t[67], 67, skEqMain, {0, 164, 11, 175}, {22, 63, 33, 74}, {-1}, 1, 0, 0, 12);
    set(t[68], 68, skEqMain, {0, 294, 113, 313}, {86, 17, 199, 36}, {-1}, 0, 0, 0, 0);
    set(t[69], 69, skEqMain, {115, 294, 116, 313}, {0, 0, 1, 19}, {-1}, 0, 0, 0, 0);
    set(t[70], 70, skEqMain, {0, 314, 113, 315}, {0, 0, 113, 1}, {-1}, 0, 0, 0, 0);
    for (int id : {45, 46, 47, 62, 63, 64, 65, 66, 67, 68})
        on(id, kEqualizerWindow);
    on(69, kNoWindow);
    on(70, kNoWindow);

    // The shaded bars, each 275 x 14, the active look first.
    set(t[48], 48, skNone, {0, 0, 0, 0}, {0, 0, 0, 0}, {49, 50, 51}, 0, 3, 0, 0);
    on(48, kNoWindow);
    set(t[49], 49, skTitleBar, {27, 29, 302, 43}, {0, 0, 275, 14}, {-1}, 1, 0, 0, 13);
    on(49, kMainShade);
    set(t[50], 50, skEqEx, {0, 0, 275, 14}, {0, 0, 275, 14}, {71, 72, 73, 74}, 1, 4, 0, 15);
    set(t[71], 71, skEqEx, {1, 38, 10, 47}, {254, 3, 263, 12}, {-1}, 1, 0, 0, 9);
    set(t[72], 72, skEqEx, {11, 38, 20, 47}, {264, 3, 273, 12}, {-1}, 1, 0, 0, 9);
    set(t[73], 73, skEqEx, {1, 30, 4, 37}, {61, 4, 64, 11}, {-1}, 2, 0, 3, 0);
    set(t[74], 74, skEqEx, {11, 30, 14, 37}, {184, 4, 187, 11}, {-1}, 2, 0, 3, 0);
    for (int id : {50, 71, 72, 73, 74})
        on(id, kEqualizerShade);
    set(t[51], 51, skNone, {0, 0, 275, 14}, {0, 0, 275, 14}, {92, 93, 94}, 0, 3, 0, 0);
    set(t[92], 92, skPlEdit, {72, 42, 97, 56}, {0, 0, 25, 14}, {-1}, 0, 0, 0, 0);
    set(t[93], 93, skPlEdit, {72, 57, 97, 71}, {25, 0, 50, 14}, {-1}, 0, 0, 0, 0);
    set(t[94], 94, skPlEdit, {99, 42, 149, 56}, {225, 0, 275, 14}, {-1}, 1, 0, 0, 15);
    for (int id : {51, 92, 93, 94})
        on(id, kPlaylistShade);

    // The visualisation draws in viscolor.txt's colours, not from a sheet.
    set(t[52], 52, skNone, {0, 0, 0, 0}, {24, 43, 100, 59}, {53, 54}, 0, 2, 0, 0);
    set(t[53], 53, skNone, {0, 0, 0, 0}, {24, 43, 100, 59}, {-1}, 0, 0, 0, 0);
    set(t[54], 54, skNone, {0, 0, 0, 0}, {24, 43, 100, 59}, {-1}, 0, 0, 0, 0);
    t[53].Colours = kSpectrumColours;
    t[54].Colours = kScopeColours;

    // The playlist at its smallest, 275 x 116: corners, the title centred,
    // tiles between, sides, and the bottom's two halves. Title row: active
    // above, inactive 21 rows lower.
    set(t[55], 55, skNone, {0, 0, 275, 116}, {0, 0, 275, 116},
        {75, 76, 77, 78, 79, 80, 81, 82, 83}, 0, 9, 0, 0);
    set(t[75], 75, skPlEdit, {0, 0, 25, 20}, {0, 0, 25, 20}, {-1}, 1, 0, 0, 21);
    set(t[76], 76, skPlEdit, {26, 0, 126, 20}, {87, 0, 187, 20}, {-1}, 1, 0, 0, 21);
    set(t[77], 77, skPlEdit, {127, 0, 152, 20}, {25, 0, 50, 20}, {-1}, 1, 0, 0, 21);
    set(t[78], 78, skPlEdit, {153, 0, 178, 20}, {250, 0, 275, 20}, {-1}, 1, 0, 0, 21);
    set(t[79], 79, skPlEdit, {0, 42, 12, 71}, {0, 20, 12, 49}, {-1}, 0, 0, 0, 0);
    set(t[80], 80, skPlEdit, {31, 42, 51, 71}, {255, 20, 275, 49}, {-1}, 0, 0, 0, 0);
    set(t[81], 81, skPlEdit, {52, 53, 60, 71}, {260, 20, 268, 38}, {-1}, 1, 0, 9, 0);
    set(t[82], 82, skPlEdit, {0, 72, 125, 110}, {0, 78, 125, 116}, {-1}, 0, 0, 0, 0);
    set(t[83], 83, skPlEdit, {126, 72, 276, 110}, {125, 78, 275, 116}, {-1}, 0, 0, 0, 0);
    // Drawn only in a wider playlist.
    set(t[84], 84, skPlEdit, {179, 0, 204, 38}, {0, 0, 25, 38}, {-1}, 0, 0, 0, 0);
    set(t[85], 85, skPlEdit, {205, 0, 280, 38}, {0, 0, 75, 38}, {-1}, 0, 0, 0, 0);
    // Close and shade pressed; then the pop-up menus, each item's pressed
    // image beside it.
    set(t[86], 86, skPlEdit, {52, 42, 61, 51}, {0, 0, 9, 9}, {-1}, 1, 0, 10, 0);
    set(t[87], 87, skPlEdit, {0, 111, 22, 129}, {0, 0, 22, 18}, {-1}, 0, 0, 0, 0);
    setCorners(t[87], {{0, 111}, {23, 111}, {0, 130}, {23, 130}, {0, 149}, {23, 149}});
    set(t[88], 88, skPlEdit, {54, 111, 76, 129}, {0, 0, 22, 18}, {-1}, 0, 0, 0, 0);
    setCorners(t[88], {{54, 111}, {77, 111}, {54, 130}, {77, 130}, {54, 149}, {77, 149}, {54, 168}, {77, 168}});
    set(t[89], 89, skPlEdit, {104, 111, 126, 129}, {0, 0, 22, 18}, {-1}, 0, 0, 0, 0);
    setCorners(t[89], {{104, 111}, {127, 111}, {104, 130}, {127, 130}, {104, 149}, {127, 149}});
    set(t[90], 90, skPlEdit, {154, 111, 176, 129}, {0, 0, 22, 18}, {-1}, 0, 0, 0, 0);
    setCorners(t[90], {{154, 111}, {177, 111}, {154, 130}, {177, 130}, {154, 149}, {177, 149}});
    set(t[91], 91, skPlEdit, {204, 111, 226, 129}, {0, 0, 22, 18}, {-1}, 0, 0, 0, 0);
    setCorners(t[91], {{204, 111}, {227, 111}, {204, 130}, {227, 130}, {204, 149}, {227, 149}});
    for (int id : {55, 75, 76, 77, 78, 79, 80, 81, 82, 83})
        on(id, kPlaylistWindow);
    for (int id : {84, 85, 86, 87, 88, 89, 90, 91})
        on(id, kNoWindow);

    set(t[56], 56, skMb, {0, 0, 234, 119}, {0, 0, 234, 119}, {-1}, 0, 0, 0, 0);
    on(56, kNoWindow);

    // Letters and digits: each sheet whole, as players cut it into cells.
    // Players prefer nums_ex.bmp; numbers.bmp serves the older ones, and an
    // import on the digits writes both.
    set(t[57], 57, skNone, {0, 0, 0, 0}, {0, 0, 0, 0}, {58, 61}, 0, 2, 0, 0);
    set(t[58], 58, skNone, {0, 0, 0, 0}, {0, 0, 0, 0}, {59, 60}, 0, 2, 0, 0);
    set(t[59], 59, skText, {0, 0, 155, 18}, {0, 0, 155, 18}, {-1}, 0, 0, 0, 0);
    set(t[60], 60, skNone, {0, 0, 0, 0}, {0, 0, 0, 0}, {-1}, 0, 0, 0, 0);
    t[60].Colours = kPlaylistColours;
    set(t[61], 61, skNumsEx, {0, 0, 108, 13}, {0, 0, 108, 13}, {95}, 0, 1, 0, 0);
    set(t[95], 95, skNumbers, {0, 0, 99, 13}, {0, 0, 99, 13}, {-1}, 0, 0, 0, 0);
    for (int id : {52, 53, 54, 57, 58, 59, 60, 61, 95})
        on(id, kNoWindow);
    on(52, kMainWindow);
    on(53, kMainWindow);
    on(54, kMainWindow);
}

} // namespace

bool importCutsWindow(const SkinElement &e)
{
    // The main window's group keeps an empty window rectangle of its own.
    return e.Id == 0 || (e.isGroup() && e.Window > kMainWindow && e.WindowRect.width() > 0);
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
