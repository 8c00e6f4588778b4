#pragma once
// The program's shared state: the ten bitmaps, the element table and the
// editor state. One instance for the whole run; tests reset it.
#include "skin/ElementTable.h"
#include "skin/SkinSheets.h"

#include <QByteArrayView>
#include <QImage>
#include <QList>
#include <utility>
#include <QString>
#include <array>
#include <memory>

namespace vorlix {

struct GlobalVar
{
    // The nine skin sheets in SheetKind order, then the import picture.
    // Null before createBitmaps() and after freeBitmaps().
    std::array<std::unique_ptr<QImage>, kSheetCount> Sheets;
    std::unique_ptr<QImage> ImportPicture;

    // Where each sheet's picture came from, and the picture as it came:
    // whatever differs from it (pixels or size) is the user's edit.
    struct SheetState
    {
        SheetOrigin Origin = SheetOrigin::BuiltIn;
        QImage Original;
    };
    std::array<SheetState, kSheetCount> SheetStates;

    ElementTableArray ElementTable{};

    // Editor state shared by the main window and the size dialog.
    std::int16_t CurrentState = 0;   // state of the selected element on show
    Rect SelectionRect;              // selection in picture pixels
    QString ImportFileName;          // file chosen by the last "Open Image..."
    std::int32_t RequiredWidth = 0;  // size the imported image must have
    std::int32_t RequiredHeight = 0;
    bool SizeMismatch = false;       // loaded image still differs in size
    bool SourceAtWindowRect = false; // import reads sources at WindowRect
    bool StartAtCurrentState = false;
    bool FirstResizeDialog = false;  // the start-up size dialog is unused yet

    // Sheet of a kind, or nullptr for -1 (a group) and while not created.
    // A built-in sheet is decoded here on its first use; throws VorlixError
    // when its picture can't be.
    QImage *sheet(SheetKind kind) const;
    // True while the sheet is the built-in picture not yet decoded: it is
    // unedited, and equal to builtInSheet(kind).
    bool sheetWaiting(SheetKind kind) const;
    // True when the sheet differs from the picture it came with.
    bool sheetEdited(SheetKind kind) const;

private:
    // Most built-in sheets are not drawn until the user picks one of their
    // elements: they are decoded then, not at start-up.
    std::array<bool, kSheetCount> m_waiting{};
    friend void createBitmaps(GlobalVar &g);
    friend void setSheet(GlobalVar &g, SheetKind kind, const QImage &picture, SheetOrigin origin);
    friend void freeBitmaps(GlobalVar &g);
};

GlobalVar &G();
// Drops every bitmap and zeroes all state, as at program start.
void resetGlobals();

// Creates the sheets as the built-in default images in 24 bits per pixel,
// each decoded on its first use, then the empty ImportPicture.
void createBitmaps(GlobalVar &g);
// The built-in picture of a sheet in 24 bits per pixel, decoded once and
// shared by every caller; safe on any thread. Throws VorlixError when it
// can't be loaded or has the wrong size.
QImage builtInSheet(SheetKind kind);
// Sets the sheet's picture and where it came from; it counts as unedited.
void setSheet(GlobalVar &g, SheetKind kind, const QImage &picture, SheetOrigin origin);
// A sheet that stands in for a missing one with the picture of another
// (balance from volume) follows that sheet while the user leaves it alone,
// as players would draw it from the file saved. Call after sheets change.
void followFallbackSheets(GlobalVar &g);
// Before drawing into rectangle r of a sheet smaller than the skin format's
// size: grows the sheet to that size (at least), the new area black, as
// players leave what a short file lacks. True when it grew.
bool growSheetToCover(GlobalVar &g, SheetKind kind, const Rect &r);
// The colour that marks a pixel of an element that its sheet lacks: a grey
// checker of 4 x 4 squares, never shown for any pixel a sheet holds.
QRgb absentPixelColour(int x, int y);

// Frees the nine sheets in SheetKind order, then ImportPicture.
void freeBitmaps(GlobalVar &g);

// Loads a built-in picture by name in QImage::Format_BGR888, Format_RGB32 or
// Format_ARGB32 (which keeps its alpha); throws VorlixError on failure.
QImage readBuiltInPicture(const QString &name, QImage::Format format);
// Begins decoding these built-in pictures on a worker thread, so that a
// start-up busy elsewhere (connecting to the display) finds them ready: the
// first readBuiltInPicture of each name and format takes its result (and
// waits for it). Only the first call does anything. Needs no application
// object.
void prefetchBuiltInPictures(const QList<std::pair<QString, QImage::Format>> &pictures);
// Decodes a built-in picture: an uncompressed bottom-up BMP of 8 bits with a
// palette, 24 bits, or 32 bits with an alpha mask (V4 or V5 header). Null for
// anything else, for a damaged file, or for another output format. An 8-bit
// picture may also be asked for as Format_Indexed8, with its palette.
QImage decodeBuiltInBmp(QByteArrayView data, QImage::Format format);
// Loads a built-in picture by name as 24 bits per pixel; throws on failure.
QImage loadDefaultImage(const QString &name);

} // namespace vorlix
