#pragma once
// The player's three windows and their shaded bars drawn from the skin sheets
// as a player shows them at rest: a song playing at 1:23, the equaliser on and
// flat, three songs in the playlist. Every part is a block copy of its sheet
// at the place players draw it; a missing sheet (nullptr) leaves its parts
// showing what lies beneath, and a part past the end of a short sheet keeps
// what lies beneath too. Pictures are 24 bits per pixel
// (QImage::Format_BGR888).
#include "skin/Miniature.h"

#include <QImage>
#include <QPoint>
#include <QRgb>
#include <QString>

#include <array>
#include <cstdint>

namespace vorlix {

enum class SkinWindow : std::int8_t { Main, Equalizer, Playlist, MainShade, EqualizerShade, PlaylistShade };

// The playlist's colours and font, as pledit.txt gives them.
struct PlaylistLook
{
    QRgb normal, current, normalBg, selectedBg;
    QString font; // a family name; empty or unknown falls back to Arial, then sans-serif
};

// The 24 visualisation colours: 0 background, 1 dots, 2..17 spectrum top to
// bottom, 18..22 scope, 23 peaks.
using VisPalette = std::array<QRgb, 24>;

constexpr int kEqualizerHeight = 116;
constexpr int kShadeHeight = 14;
constexpr int kPlaylistMinWidth = 275;
constexpr int kPlaylistMinHeight = 116;

// composeWindow(), then the song title, kbps and kHz in the text.bmp letters,
// the elapsed time in the nums_ex digits (numbers when nums_ex is missing)
// and the spectrum analyser in the palette.
QImage composeMainWindow(const SheetSet &sheets, const VisPalette &palette);

// 275 x 116: the equaliser switched on, every slider at 0 dB.
QImage composeEqualizer(const SheetSet &sheets);

// The playlist window, active, at the given size (at least 275 x 116; players
// grow it in steps of 25 x 29). The entries are drawn with QPainter, so a
// QGuiApplication must exist.
QImage composePlaylist(const SheetSet &sheets, const PlaylistLook &look,
                       int width = kPlaylistMinWidth, int height = kPlaylistMinHeight);

// 275 x 14, active: the shaded bar of MainShade, EqualizerShade or
// PlaylistShade; a null picture for the other three.
QImage composeShade(const SheetSet &sheets, SkinWindow shadeWindow);

// Main window, equaliser and playlist stacked as players show them, then the
// three shaded bars, at scale 1 or 2 (each pixel an s x s block, never
// smoothed). Other scales count as 1.
QImage composeSkinPreview(const SheetSet &sheets, const PlaylistLook &look,
                          const VisPalette &palette, int scale);

// Top-left corner of each window in composeSkinPreview at scale 1.
QPoint previewOrigin(SkinWindow window);

struct SkinElement;
// Where an element shows in composeSkinPreview at scale 1: its place on its
// window; the letters, digits and colours where the player draws with them.
// Empty for an element shown nowhere.
QRect previewArea(const SkinElement &element);
// The element under a point of composeSkinPreview at scale 1: of those whose
// area holds it, the smallest, one without parts before one with parts of the
// same area; -1 when none does.
int previewElementAt(const std::array<SkinElement, 256> &table, QPoint p);

} // namespace vorlix
