#pragma once
// Which kind of display the program is drawn on, told from what the display
// itself offers (the platform Qt connected to, the X server's extensions,
// screens and selections), not from environment variables.
#include <QString>

namespace vorlix {

struct DisplayServer
{
    enum Kind {
        Wayland,  // a Wayland compositor, through Qt's wayland plugin
        XWayland, // the X server a Wayland compositor runs for X programs
        X11,      // any other X server
        Other     // offscreen, a framebuffer, another system
    };
    Kind kind = Other;
    // An X compositing manager owns the _NET_WM_CM_S<screen> selection.
    bool compositing = false;

    // Where the compositor draws each window from its own picture, a window
    // shape cuts out input only: the cut-away parts must be transparent in
    // the picture itself.
    bool drawsThroughAlpha() const { return kind == Wayland || kind == XWayland; }
    // The compositor's rules let no program read the screen.
    bool forbidsScreenReading() const { return kind == Wayland; }
    // One line for the log and the tests: "XWayland, compositing manager".
    QString describe() const;
};

// Asks the display the application is connected to.
DisplayServer probeDisplayServer();

} // namespace vorlix
