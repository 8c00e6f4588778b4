#pragma once
#include <QSize>
#include <QString>
#include <cstdint>

namespace vorlix {

// Names one of the skin bitmaps; -1 means no sheet (a group element).
using SheetKind = std::int8_t;

enum : SheetKind {
    skNone = -1,
    skBalance = 0,
    skCButtons = 1,
    skMain = 2,
    skMonoSter = 3,
    skPlayPaus = 4,
    skPosBar = 5,
    skShufRep = 6,
    skTitleBar = 7,
    skVolume = 8,
    // The other windows and the letters: sheets players draw too, after the
    // main window's nine.
    skEqMain = 9,
    skEqEx = 10,
    skPlEdit = 11,
    skText = 12,
    skNumbers = 13,
    skNumsEx = 14,
    skMb = 15,
};

// The main window's nine sheets are 0..8; every sheet is 0..kSheetCount - 1.
constexpr int kMainSheetCount = 9;
constexpr int kSheetCount = 16;

struct SheetInfo
{
    const char *imageName; // name of the built-in default image
    const char *fileName;  // name of the file in a saved skin
    int width;
    int height;
};

// One row per SheetKind, in SheetKind order (the main window's nine
// alphabetical by image name, then the others).
const SheetInfo &sheetInfo(SheetKind kind);
inline QSize sheetSize(SheetKind kind) { return {sheetInfo(kind).width, sheetInfo(kind).height}; }
inline QString sheetFileName(SheetKind kind) { return QString::fromLatin1(sheetInfo(kind).fileName); }

// Where the picture of a sheet comes from.
enum class SheetOrigin : std::uint8_t {
    BuiltIn,  // our own picture, standing in for a sheet the skin lacks
    File,     // the skin's own file of that name
    Fallback, // the skin lacks it and players draw it from another sheet
};

// The sheet players draw a missing sheet from (balance from volume, either
// digit sheet from the other), or skNone when they have no such rule and fall
// back to their own picture.
SheetKind fallbackSheet(SheetKind kind);

// Resource path of a built-in picture by its name ("MAIN", "WINAMPMINI", ...).
QString defaultImagePath(const QString &name);

} // namespace vorlix
