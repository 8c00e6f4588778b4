#pragma once
// Colour numbers as stored and exchanged: 0x00BBGGRR for an RGB colour, or
// the highest bit set and the low byte a system colour index (so system
// colours are negative as signed 32-bit numbers: button face is
// 0x8000000F = -2147483633).
#include <QColor>
#include <cstdint>

namespace vorlix {

using ColorNumber = std::int32_t;

inline constexpr ColorNumber kSystemColorBit = std::int32_t(0x80000000u);

constexpr bool isSystemColor(ColorNumber n) { return n < 0; }
constexpr ColorNumber rgbColorNumber(int r, int g, int b)
{
    return ColorNumber((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr ColorNumber systemColorNumber(int index) { return kSystemColorBit | (index & 0xFF); }

// The colour a number stands for; system colours come from the
// application's palette (an unknown index gives the window text colour).
QColor colorFromNumber(ColorNumber n);
// The RGB number of a colour (alpha dropped).
ColorNumber numberFromColor(const QColor &c);

} // namespace vorlix
