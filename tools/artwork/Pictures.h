// The pictures the generator writes, one source file per group.
#pragma once

#include "artwork/Common.h"

#include <string>
#include <vector>

namespace art {

// MainWindow.cpp: the main window's nine sheets and the miniature.
struct Sheets
{
    QImage balance, cbuttons, main, monoster, playpaus, posbar, shufrep, titlebar, volume;
};

QImage makeBalance();
QImage makeCbuttons();
QImage makeMonoster();
QImage makePlaypaus();
QImage makePosbar();
QImage makeShufrep();
QImage makeTitlebar();
QImage makeVolume();
QImage makeMain(const Sheets &s);
QImage miniature(const Sheets &s);
void checkSheets(const Sheets &s);
void checkHitMap(std::vector<std::string> &notes);

// Equaliser.cpp: the equaliser window and its shaded bar.
QImage makeEqmain();
QImage makeEqEx();
void checkEqualiser(const QImage &eqmain, const QImage &eqex);

// Playlist.cpp: the playlist's frame, buttons and pop-up menus.
QImage makePledit();
void checkPlaylist(const QImage &pledit);

// Letters.cpp: the letters and the two digit sheets.
QImage makeText();
QImage makeNumbers();
QImage makeNumsEx();
void checkLetters(const QImage &text, const QImage &numbers, const QImage &numsEx);

// MiniBrowser.cpp.
QImage makeMb();

// Program.cpp: the editor's own pictures.
bool inShape(int x, int y); // inside the editor window's shape
QImage makeBackground();
QImage makeWindowButton(bool close);
QImage makePanButton();
QImage makeSelectButton();
QImage makeExchangeGlyph();
// The drawing tools: button strips (normal, disabled) and cursors.
QImage makePencilButton();
QImage makeLineButton();
QImage makeRectButton();
QImage makeFillButton();
QImage makePickerButton();
QImage makePencilCursor();
QImage makeFillCursor();
QImage makePickerCursor();
QImage makeStatusLogo();
QImage makeAboutLogo();
QImage makeAboutBanner();
QImage makeIcon(int size);
QImage makeGrabHand();
QImage makeMenuCursor();
void writeDesktopIcons(const std::string &dir);

} // namespace art
