#pragma once
// Keyboard focus after a dialog closes. Without a window manager nobody
// hands the keyboard back when a dialog or message box goes away, so the
// main window would ignore its shortcuts until it was clicked.
class QWidget;

namespace vorlix {

// From now on, whenever another top-level window of the program is hidden
// and leaves no window active, the still open modal window (if any) or else
// mainWindow is activated again. Lasts as long as mainWindow.
void returnKeyboardAfterDialogs(QWidget *mainWindow);

} // namespace vorlix
