#pragma once
// The player's main window drawn from the nine skin sheets, and the small
// picture of it beside the element tree. The artwork generator uses the same
// functions for the built-in miniature, so at start-up the picture composed
// from the default sheets is exactly the built-in one.
#include "skin/SkinSheets.h"

#include <QImage>
#include <array>

namespace vorlix {

struct GlobalVar;

constexpr int kWindowWidth = 275;
constexpr int kWindowHeight = 116;
constexpr int kMiniatureWidth = 175;
constexpr int kMiniatureHeight = 74;

// The nine sheets in SheetKind order; any picture format. A missing sheet
// (nullptr) leaves its parts of the window as the layers below show them.
using SheetSet = std::array<const QImage *, kSheetCount>;
SheetSet sheetSet(const GlobalVar &g);

// The 275 x 116 main window as a player draws it at rest: the background,
// then every part at its place in its resting state (volume near the top of
// its travel, balance centred, position a quarter in, stereo lit). 24 bits
// per pixel (QImage::Format_BGR888).
QImage composeWindow(const SheetSet &sheets);

// Reduces a picture to w x h by averaging: each destination pixel is the
// area-weighted mean of the source pixels it covers, in exact integer
// arithmetic, so the result depends on nothing but the input.
QImage reduceByArea(const QImage &src, int w, int h);

// The window reduced to the 175 x 74 miniature.
QImage composeMiniature(const SheetSet &sheets);
QImage composeMiniature(const GlobalVar &g);

} // namespace vorlix
