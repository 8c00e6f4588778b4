#pragma once
#include "skin/SkinSheets.h"

#include <QRect>
#include <array>
#include <cstdint>

namespace vorlix {

// Rectangle with exclusive right and bottom edges, as stored in the table.
struct Rect
{
    std::int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;

    constexpr std::int32_t width() const { return Right - Left; }
    constexpr std::int32_t height() const { return Bottom - Top; }
    constexpr bool operator==(const Rect &) const = default;
    QRect toQRect() const { return QRect(Left, Top, width(), height()); }
};

constexpr int kChildSlots = 41;

// Top-left corner of one state's image in its sheet.
struct StateCorner
{
    std::int16_t X = 0, Y = 0;
    constexpr bool operator==(const StateCorner &) const = default;
};

// Room for explicit state corners: a toggle button has four images (off,
// pressed, on, on and pressed) that lie in two columns, not one step apart;
// the equaliser's slider bar has 28 in two rows.
constexpr int kMaxExplicitStates = 28;

// The player window an element's WindowRect lies on.
enum : std::int8_t {
    kNoWindow = -1, // drawn in many places (letters, digits) or nowhere
    kMainWindow = 0,
    kEqualizerWindow = 1,
    kPlaylistWindow = 2,
    kMainShade = 3,
    kEqualizerShade = 4,
    kPlaylistShade = 5,
};

// Colours of a skin's text files that an element stands for instead of
// pixels.
enum : std::int8_t {
    kNoColours = 0,
    kSpectrumColours = 1, // viscolor.txt: background, dots, bars, peaks
    kScopeColours = 2,    // viscolor.txt: background, the scope's five
    kPlaylistColours = 3, // pledit.txt: the six colours and the font
};

// Where one element of the player lives in the skin sheets.
struct SkinElement
{
    std::int16_t Id = 0;
    SheetKind Sheet = 0;
    Rect SheetRect;
    Rect WindowRect;
    std::array<std::int8_t, kChildSlots> Children{};
    std::int8_t MaxState = 0;
    std::int8_t ChildCount = 0;
    std::int8_t StateStepX = 0;
    std::int8_t StateStepY = 0;
    // When above 0, state k lies at StateCorners[k] instead of one regular
    // step further than state k - 1; the steps are then unused.
    std::int8_t ExplicitStates = 0;
    std::array<StateCorner, kMaxExplicitStates> StateCorners{};
    std::int8_t Window = kMainWindow;
    std::int8_t Colours = kNoColours;

    bool isGroup() const { return Sheet == skNone; }
    // Whether the element has a place in a sheet; records without data have
    // none and can neither take an import nor an applied edit.
    bool hasSheetPlace() const { return SheetRect.width() > 0 && SheetRect.height() > 0; }
};

constexpr int kElementCount = 256;
using ElementTableArray = std::array<SkinElement, kElementCount>;

// Writes the layout of every element into the table: the main window's
// 0..44, the other windows, letters and colours 45..61, and from 62 the parts
// of those that the tree lists below them. Leaves the rest alone.
void fillElementTable(ElementTableArray &table);
constexpr int kElementsInUse = 96;

// Whether an import on the element takes each part from its place on a whole
// window's picture, rather than every part from the picture's corner.
bool importCutsWindow(const SkinElement &element);

// Rectangle of state k of an element in its sheet, of SheetRect's size: at
// the element's explicit corner for k when it has them, else SheetRect moved
// by k * (StateStepX, StateStepY). The one rule that showing, importing and
// applying share.
Rect stateRect(const SkinElement &element, int state);

} // namespace vorlix
