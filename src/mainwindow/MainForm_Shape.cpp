// The window's shape, and moving the window by dragging its body.
#include "mainwindow/MainForm.h"

#include "platform/DesktopServices.h"
#include "platform/WindowFocus.h"
#include "platform/WindowRegion.h"

#include <QApplication>
#include <QLoggingCategory>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

#include <cstdint>
#include <cstdlib>

namespace vorlix {

namespace {

Q_LOGGING_CATEGORY(lcDisplay, "vorlix.display", QtWarningMsg)

// The shape stored with the background: a region record of five rectangles
// (left, top, right, bottom; right and bottom exclusive), the window less the
// pure red parts of its picture. A length of 0 would mean "cut the shape from
// the picture instead".
constexpr std::int32_t kStoredShape[] = {
    112,                // length of what follows, in bytes
    32, 1, 5, 80,       // header size, type "rectangles", count, bytes of rectangles
    0, 0, 637, 477,     // bounding box
    0, 0, 636, 48,      // title band
    0, 48, 637, 73,     // strip joining the two panels
    0, 73, 193, 351,    // left panel
    201, 73, 637, 351,  // right panel, upper part
    201, 351, 637, 477, // right panel, lower part
};

// Colour number (red + 256 * green + 65536 * blue) cut out of the picture.
constexpr std::uint32_t kTransparentColor = 0x0000FF;

// Pointer movement, in x or in y, that a drag ignores.
constexpr int kDragTolerance = 5;

QByteArray storedShapeBytes()
{
    QByteArray bytes;
    for (std::int32_t v : kStoredShape)
        for (int shift = 0; shift < 32; shift += 8)
            bytes.append(char((std::uint32_t(v) >> shift) & 0xFF));
    return bytes;
}

} // namespace

// Watches presses on the background and runs a drag: the pointer is grabbed,
// an outline of the window follows it once it has moved far enough, and the
// window jumps to the outline on release. While a drag runs it watches the
// whole application, so Esc, a lost grab or a quit request end it.
class TBodyDrag : public QObject
{
public:
    TBodyDrag(TMainForm *form, const DisplayServer &display)
        : QObject(form), m_form(form), m_outline(new TDragOutline(form)),
          m_path(TMainForm::dragPathFor(display)),
          // A plain X server's window manager may not offer the move; there
          // our outline still works. Elsewhere it can't be shown.
          m_outlineIfNoSystemMove(display.kind == DisplayServer::X11)
    {
        m_form->fcImageForm1->installEventFilter(this);
    }

    // The form deletes this in removeShape, while its controls still live.
    ~TBodyDrag() override { end(false); }

    TMainForm::DragPath path() const { return m_path; }
    void setPath(TMainForm::DragPath p) { m_path = p; }
    bool active() const { return m_active; }
    const TDragOutline *outline() const { return m_outline; }

    // Ends a running drag; with move, the window goes where the outline is.
    void end(bool move)
    {
        if (!m_active)
            return;
        m_active = false;
        qApp->removeEventFilter(this);
        m_form->fcImageForm1->installEventFilter(this);
        if (QWidget::mouseGrabber() == m_form->fcImageForm1)
            m_form->fcImageForm1->releaseMouse();
        if (m_outlineShown) {
            m_outline->hide();
            if (move)
                m_form->move(m_outlineRect.topLeft());
        }
        m_outlineShown = false;
    }

protected:
    bool eventFilter(QObject *watched, QEvent *e) override
    {
        if (!m_active) {
            if (watched == m_form->fcImageForm1 && e->type() == QEvent::MouseButtonPress)
                pressed(static_cast<QMouseEvent *>(e));
            return false;
        }
        return duringDrag(watched, e);
    }

private:
    void pressed(QMouseEvent *e)
    {
        const QPoint p = m_form->fcImageForm1->mapTo(m_form, e->position().toPoint());
        if (e->button() != Qt::LeftButton || !m_form->pressStartsDrag(p))
            return;
        if (m_path == TMainForm::DragPath::SystemMove) {
            QWindow *w = m_form->windowHandle();
            if (w && w->startSystemMove()) {
                // The compositor keeps the pointer until the button is up
                // and tells us nothing of the release: let go of the press
                // ourselves, or every later pointer move would go to the
                // body instead of the control under the pointer.
                QCoreApplication::postEvent(w, new QMouseEvent(QEvent::MouseButtonRelease, QPointF(p),
                                                               e->globalPosition(), Qt::LeftButton,
                                                               Qt::NoButton, e->modifiers()));
                return;
            }
            if (!m_outlineIfNoSystemMove)
                return;
        }
        m_active = true;
        m_press = p;
        m_outlineShown = false;
        // From here on the whole application's events pass by us: moves and
        // the release under the grab, and whatever cancels the drag.
        m_form->fcImageForm1->removeEventFilter(this);
        qApp->installEventFilter(this);
        m_form->fcImageForm1->grabMouse();
    }

    bool duringDrag(QObject *watched, QEvent *e)
    {
        QWidget *body = m_form->fcImageForm1;
        const QEvent::Type t = e->type();
        if ((t == QEvent::MouseMove || t == QEvent::MouseButtonPress || t == QEvent::MouseButtonRelease)
            && QWidget::mouseGrabber() != body) {
            end(false); // another control or a popup took the pointer
            return false;
        }
        switch (t) {
        case QEvent::MouseMove:
            if (watched == body) {
                auto *me = static_cast<QMouseEvent *>(e);
                if (!(me->buttons() & Qt::LeftButton))
                    end(false); // the release went elsewhere: the grab was lost
                else
                    moved(me->globalPosition().toPoint());
            }
            return false;
        case QEvent::MouseButtonRelease:
            if (watched == body && static_cast<QMouseEvent *>(e)->button() == Qt::LeftButton)
                end(true);
            return false;
        case QEvent::KeyPress:
            if (static_cast<QKeyEvent *>(e)->key() == Qt::Key_Escape) {
                end(false);
                return true;
            }
            return false;
        case QEvent::WindowActivate:
            // Some platforms activate the outline as it appears; any other
            // window taking over means the drag is lost.
            if (watched != m_form && watched != m_outline && watched->isWidgetType()
                && static_cast<QWidget *>(watched)->isWindow())
                end(false);
            return false;
        case QEvent::Hide:
            if (watched == m_form)
                end(false);
            return false;
        case QEvent::ApplicationDeactivate:
        case QEvent::Quit:
            // Someone else has the pointer now, or the program is asked to
            // stop: drop the drag and let the event go on.
            end(false);
            return false;
        default:
            return false;
        }
    }

    void moved(const QPoint &c)
    {
        const QPoint s = m_form->mapToGlobal(m_press);
        if (std::abs(c.x() - s.x()) <= kDragTolerance && std::abs(c.y() - s.y()) <= kDragTolerance)
            return;
        m_outlineRect = QRect(c - m_press, m_form->size());
        m_outline->showAt(m_outlineRect);
        m_outlineShown = true;
    }

    TMainForm *m_form;
    TDragOutline *m_outline; // a top-level child of the form
    TMainForm::DragPath m_path;
    bool m_outlineIfNoSystemMove;
    bool m_active = false;
    bool m_outlineShown = false;
    QPoint m_press; // client coordinates
    QRect m_outlineRect;
};

void TMainForm::setupShape()
{
    const DisplayServer display = services().displayServer();
    m_bodyDrag = new TBodyDrag(this, display);
    qCInfo(lcDisplay, "display: %s; moved by %s", qPrintable(display.describe()),
           m_bodyDrag->path() == DragPath::SystemMove ? "the system's move" : "our outline");
    // Dialogs of the program open over this one.
    keepDialogsWith(this);
    const StoredRegion stored = parseStoredRegion(storedShapeBytes());
    QRegion shape;
    if (stored.kind == StoredRegion::Rectangles)
        shape = stored.region();
    else if (stored.kind == StoredRegion::ComputeFromPicture)
        shape = shapeFromPicture(fcImageForm1->picture(), kTransparentColor).value_or(QRegion());
    // An empty shape would hide the whole window: leave it rectangular.
    if (shape.isEmpty())
        return;
    setMask(shape);
    // Where the compositor draws the window from its picture alone, the parts
    // cut out of the shape must be transparent in it, or they show in the
    // mask colour (Wayland) or black (Xwayland); the shape still keeps the
    // input inside.
    if (display.drawsThroughAlpha()) {
        setAttribute(Qt::WA_TranslucentBackground);
        QImage face = fcImageForm1->picture().convertToFormat(QImage::Format_ARGB32_Premultiplied);
        QPainter p(&face);
        p.setCompositionMode(QPainter::CompositionMode_Clear);
        p.setClipRegion(QRegion(face.rect()) - shape.translated(-fcImageForm1->pos()));
        p.fillRect(face.rect(), Qt::transparent);
        p.end();
        fcImageForm1->setPicture(face);
    }
}

void TMainForm::removeShape()
{
    // Gone before the controls are: the body's own destruction must not
    // reach a filter that looks at a window which is no longer whole.
    delete m_bodyDrag; // ends a running drag and removes its filters
    m_bodyDrag = nullptr;
    clearMask();
}

bool TMainForm::pressStartsDrag(const QPoint &clientPos) const
{
    // childAt skips hidden controls and points outside the window's shape,
    // but not disabled controls: a disabled button still covers the body.
    return childAt(clientPos) == fcImageForm1;
}

TMainForm::DragPath TMainForm::dragPathFor(const DisplayServer &display)
{
    switch (display.kind) {
    case DisplayServer::Wayland:
    case DisplayServer::XWayland:
        return DragPath::SystemMove;
    case DisplayServer::X11:
        return display.compositing ? DragPath::SystemMove : DragPath::Outline;
    case DisplayServer::Other:
        break;
    }
    return DragPath::Outline;
}

TMainForm::DragPath TMainForm::dragPath() const
{
    return m_bodyDrag ? m_bodyDrag->path() : DragPath::Outline;
}

void TMainForm::setDragPath(DragPath path)
{
    if (m_bodyDrag)
        m_bodyDrag->setPath(path);
}

bool TMainForm::isDraggingBody() const
{
    return m_bodyDrag && m_bodyDrag->active();
}

const TDragOutline *TMainForm::dragOutline() const
{
    return m_bodyDrag ? m_bodyDrag->outline() : nullptr;
}

} // namespace vorlix
