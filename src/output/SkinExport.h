#pragma once
// The order in which "Save BMP" writes the skin's files (sheetFileName()
// gives each file's name).
#include "skin/SkinSheets.h"

#include <array>

namespace vorlix {

inline constexpr std::array<SheetKind, kSheetCount> kSkinFileOrder{
    skMain, skTitleBar, skCButtons, skShufRep, skPlayPaus, skVolume, skBalance, skMonoSter, skPosBar,
};

} // namespace vorlix
