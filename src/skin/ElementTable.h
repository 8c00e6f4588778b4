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
// pressed, on, on and pressed) that lie in two columns, not one step apart.
constexpr int kMaxExplicitStates = 8;

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

    bool isGroup() const { return Sheet == skNone; }
    // Whether the element has a place in a sheet; records without data have
    // none and can neither take an import nor an applied edit.
    bool hasSheetPlace() const { return SheetRect.width() > 0 && SheetRect.height() > 0; }
};

constexpr int kElementCount = 256;
using ElementTableArray = std::array<SkinElement, kElementCount>;

// Writes the layout of the main window's elements 0..44 into the table;
// leaves the rest alone.
void fillElementTable(ElementTableArray &table);

// Rectangle of state k of an element in its sheet, of SheetRect's size: at
// the element's explicit corner for k when it has them, else SheetRect moved
// by k * (StateStepX, StateStepY). The one rule that showing, importing and
// applying share.
Rect stateRect(const SkinElement &element, int state);

} // namespace vorlix
