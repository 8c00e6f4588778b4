#pragma once
// Keyboard focus after a dialog closes. Without a window manager nobody
// hands the keyboard back when a dialog or message box goes away, so the
// main window would ignore its shortcuts until it was clicked. And where
// dialogs open: beside the main window.
class QWidget;

namespace vorlix {

// From now on, whenever another top-level window of the program is hidden
// and leaves no window active, the still open modal window (if any) or else
// mainWindow is activated again. Lasts as long as mainWindow.
void returnKeyboardAfterDialogs(QWidget *mainWindow);

// From now on, every dialog of the program that is shown without a parent
// (the dialogs made at start-up, message boxes) is made transient for
// mainWindow, so the desktop puts it over or beside the main window: under
// Wayland nothing else tells the compositor where it belongs. Menus and tips
// are left alone, their parent is the window they pop out of. Lasts as long
// as mainWindow.
void keepDialogsWith(QWidget *mainWindow);

} // namespace vorlix
