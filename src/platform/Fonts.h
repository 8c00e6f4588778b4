#pragma once
#include <QFont>

namespace vorlix {

// Starts reading the system's font configuration on a worker thread. Qt
// reads it the first time any text is measured, and on a desktop with many
// fonts that is the largest single cost of starting up; begun before the
// connection to the window system is made, the two overlap. Does nothing
// where Qt doesn't use fontconfig. Call from the main thread.
void startFontConfigLoad();
// Waits until the font work on the worker thread has ended.
void waitForFontConfig();

// Waits for the font configuration, then makes the classic UI fonts known to
// Qt: Debian's fonts-wine ships Tahoma and MS Sans Serif without registering
// them. Missing files are skipped and the system sans font stands in. With an
// application object, goes on listing the system's fonts on the worker
// thread while the caller builds its windows.
void registerFonts();

// Point sizes of the layout are at 96 dpi; pixel sizes keep the character
// height exact whatever the screen's dpi (8 pt = 11 px, 10 pt = 13 px).
QFont tahomaFont(int pixelSize, bool bold = false);
// "MS Sans Serif" 8 pt, the font of every control that names none.
QFont defaultFont();

} // namespace vorlix
