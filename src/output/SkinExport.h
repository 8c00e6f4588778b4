#pragma once
// The order in which "Save BMP" writes the skin's files (sheetFileName()
// gives each file's name).
#include "skin/SkinSheets.h"

#include <array>

namespace vorlix {

inline constexpr std::array<SheetKind, kSheetCount> kSkinFileOrder{
    skMain, skTitleBar, skCButtons, skShufRep, skPlayPaus, skVolume, skBalance, skMonoSter, skPosBar,
    // The other windows' sheets after the main window's nine.
    skEqMain, skEqEx, skPlEdit, skText, skNumbers, skNumsEx, skMb,
};

} // namespace vorlix
