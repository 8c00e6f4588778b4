#include "platform/ColorNumber.h"

#include <QGuiApplication>
#include <QPalette>

namespace vorlix {

namespace {

// System colour indices (scroll bar 0 .. menu bar 30) to palette roles.
QColor systemColor(int index)
{
    const QPalette pal = QGuiApplication::palette();
    const auto act = [&](QPalette::ColorRole role) { return pal.color(QPalette::Active, role); };
    switch (index) {
    case 0: return act(QPalette::Button);          // scroll bar
    case 1: return act(QPalette::Dark);            // desktop
    case 2: case 27: return act(QPalette::Highlight); // active caption
    case 3: case 28: return act(QPalette::Mid);    // inactive caption
    case 4: case 30: return act(QPalette::Window); // menu, menu bar
    case 5: return act(QPalette::Base);            // window
    case 6: return act(QPalette::Shadow);          // window frame
    case 7: return act(QPalette::WindowText);      // menu text
    case 8: return act(QPalette::Text);            // window text
    case 9: return act(QPalette::HighlightedText); // caption text
    case 10: case 11: return act(QPalette::Window); // borders
    case 12: return act(QPalette::Dark);           // application workspace
    case 13: case 29: return act(QPalette::Highlight);
    case 14: return act(QPalette::HighlightedText);
    case 15: return act(QPalette::Button);         // button face
    case 16: return act(QPalette::Dark);           // button shadow
    case 17: return pal.color(QPalette::Disabled, QPalette::Text); // grey text
    case 18: return act(QPalette::ButtonText);
    case 19: return pal.color(QPalette::Inactive, QPalette::WindowText);
    case 20: return act(QPalette::Light);          // button highlight
    case 21: return act(QPalette::Shadow);         // 3-D dark shadow
    case 22: return act(QPalette::Midlight);       // 3-D light
    case 23: return act(QPalette::ToolTipText);
    case 24: return act(QPalette::ToolTipBase);
    case 26: return act(QPalette::Link);           // hot light
    default: return act(QPalette::WindowText);
    }
}

} // namespace

QColor colorFromNumber(ColorNumber n)
{
    if (isSystemColor(n))
        return systemColor(n & 0xFF);
    return QColor(n & 0xFF, (n >> 8) & 0xFF, (n >> 16) & 0xFF);
}

ColorNumber numberFromColor(const QColor &c)
{
    const QColor rgb = c.toRgb();
    return rgbColorNumber(rgb.red(), rgb.green(), rgb.blue());
}

} // namespace vorlix
