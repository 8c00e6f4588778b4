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

// Program.cpp: the editor's own pictures.
bool inShape(int x, int y); // inside the editor window's shape
QImage makeBackground();
QImage makeWindowButton(bool close);
QImage makePanButton();
QImage makeSelectButton();
QImage makeExchangeGlyph();
QImage makeStatusLogo();
QImage makeAboutLogo();
QImage makeAboutBanner();
QImage makeIcon(int size);
QImage makeGrabHand();
QImage makeMenuCursor();
void writeDesktopIcons(const std::string &dir);

} // namespace art
