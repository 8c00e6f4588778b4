#include "platform/DisplayServer.h"

#include <QGuiApplication>
#include <QScreen>

#ifdef VORLIX_HAVE_XCB
#include <xcb/xcb.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#endif

namespace vorlix {

namespace {

#ifdef VORLIX_HAVE_XCB
bool hasExtension(xcb_connection_t *c, const char *name)
{
    xcb_query_extension_reply_t *r
        = xcb_query_extension_reply(c, xcb_query_extension(c, std::uint16_t(std::strlen(name)), name), nullptr);
    const bool present = r && r->present;
    std::free(r);
    return present;
}

// Whether some client owns the selection of that name; an atom nobody ever
// made can have no owner.
bool selectionOwned(xcb_connection_t *c, const QByteArray &name)
{
    xcb_intern_atom_reply_t *a
        = xcb_intern_atom_reply(c, xcb_intern_atom(c, 1, std::uint16_t(name.size()), name.constData()), nullptr);
    const xcb_atom_t atom = a ? a->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(a);
    if (atom == XCB_ATOM_NONE)
        return false;
    xcb_get_selection_owner_reply_t *o
        = xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, atom), nullptr);
    const bool owned = o && o->owner != XCB_WINDOW_NONE;
    std::free(o);
    return owned;
}

void probeX(xcb_connection_t *c, DisplayServer &out)
{
    if (hasExtension(c, "XWAYLAND"))
        out.kind = DisplayServer::XWayland;
    const int screens = xcb_setup_roots_length(xcb_get_setup(c));
    for (int n = 0; n < screens && !out.compositing; ++n)
        out.compositing = selectionOwned(c, "_NET_WM_CM_S" + QByteArray::number(n));
}
#endif

} // namespace

QString DisplayServer::describe() const
{
    static const char *const names[] = {"Wayland", "XWayland", "X11", "other"};
    QString s = QString::fromLatin1(names[kind]);
    if (kind == XWayland || kind == X11)
        s += compositing ? QLatin1String(", compositing manager") : QLatin1String(", no compositing manager");
    return s;
}

DisplayServer probeDisplayServer()
{
    DisplayServer out;
    const QString platform = QGuiApplication::platformName();
    if (platform.startsWith(QLatin1String("wayland"), Qt::CaseInsensitive)) {
        out.kind = DisplayServer::Wayland;
        return out;
    }
    if (platform != QLatin1String("xcb"))
        return out;
    out.kind = DisplayServer::X11;
    // Xwayland announces itself with the XWAYLAND extension from version
    // 23.1 on; before that only by the names of its outputs, XWAYLAND0,
    // XWAYLAND1, ..., which Qt takes for its screens' names.
    for (const QScreen *s : QGuiApplication::screens())
        if (s->name().startsWith(QLatin1String("XWAYLAND")))
            out.kind = DisplayServer::XWayland;
#ifdef VORLIX_HAVE_XCB
    if (auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>())
        if (xcb_connection_t *c = x11->connection())
            probeX(c, out);
#endif
    return out;
}

} // namespace vorlix
