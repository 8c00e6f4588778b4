#include "skin/SkinSheets.h"

#include <array>
#include <cassert>

namespace vorlix {

namespace {
constexpr std::array<SheetInfo, kSheetCount> kSheets{{
    {"BALANCE", "balance.bmp", 68, 433},
    {"CBUTTONS", "cbuttons.bmp", 136, 36},
    {"MAIN", "main.bmp", 275, 116},
    {"MONOSTER", "monoster.bmp", 58, 24},
    {"PLAYPAUS", "playpaus.bmp", 42, 9},
    {"POSBAR", "posbar.bmp", 307, 10},
    {"SHUFREP", "shufrep.bmp", 92, 85},
    {"TITLEBAR", "titlebar.bmp", 344, 87},
    {"VOLUME", "volume.bmp", 68, 433},
    {"EQMAIN", "eqmain.bmp", 275, 315},
    {"EQ_EX", "eq_ex.bmp", 275, 82},
    {"PLEDIT", "pledit.bmp", 280, 186},
    {"TEXT", "text.bmp", 155, 18},
    {"NUMBERS", "numbers.bmp", 99, 13},
    {"NUMS_EX", "nums_ex.bmp", 108, 13},
    {"MB", "mb.bmp", 234, 119},
}};
} // namespace

const SheetInfo &sheetInfo(SheetKind kind)
{
    assert(kind >= 0 && kind < kSheetCount);
    return kSheets[static_cast<size_t>(kind)];
}

SheetKind fallbackSheet(SheetKind kind)
{
    switch (kind) {
    case skBalance:
        return skVolume;
    // Players that find only one of the two digit sheets draw the time from it.
    case skNumsEx:
        return skNumbers;
    case skNumbers:
        return skNumsEx;
    default:
        return skNone;
    }
}

QString defaultImagePath(const QString &name)
{
    return QStringLiteral(":/images/") + name + QStringLiteral(".bmp");
}

} // namespace vorlix
