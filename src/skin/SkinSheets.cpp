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
}};
} // namespace

const SheetInfo &sheetInfo(SheetKind kind)
{
    assert(kind >= 0 && kind < kSheetCount);
    return kSheets[static_cast<size_t>(kind)];
}

SheetKind fallbackSheet(SheetKind kind)
{
    return kind == skBalance ? SheetKind(skVolume) : SheetKind(skNone);
}

QString defaultImagePath(const QString &name)
{
    return QStringLiteral(":/images/") + name + QStringLiteral(".bmp");
}

} // namespace vorlix
