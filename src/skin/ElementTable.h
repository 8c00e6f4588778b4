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

    bool isGroup() const { return Sheet == skNone; }
    // Whether the element has a place in a sheet; records without data have
    // none and can neither take an import nor an applied edit.
    bool hasSheetPlace() const { return SheetRect.width() > 0 && SheetRect.height() > 0; }
};

constexpr int kElementCount = 256;
using ElementTableArray = std::array<SkinElement, kElementCount>;

// Writes the layout of elements 0..20 into the table; leaves the rest alone.
void fillElementTable(ElementTableArray &table);

// Rectangle of state k of an element in its sheet: SheetRect moved by
// k * (StateStepX, StateStepY). Shared by showing, importing and applying.
Rect stateRect(const SkinElement &element, int state);

} // namespace vorlix
