// Capture Image: the screen as one picture, and a full-screen window over
// it on which the user drags the rectangle to take.
#include "platform/DesktopServices.h"
#include "platform/Errors.h"

#include <QEventLoop>

#include <algorithm>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <QWidget>

namespace vorlix {

namespace {

// Shows the frozen screen picture and a rubber band; Esc or a right click
// cancels, releasing the left button takes the band.
class RegionChooser : public QWidget
{
public:
    RegionChooser(const QImage &screen, QPoint origin)
        : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint
                               | Qt::BypassWindowManagerHint),
          m_screen(screen)
    {
        setObjectName(QStringLiteral("CaptureRegionChooser"));
        setWindowTitle(QStringLiteral("Capture Image"));
        setAttribute(Qt::WA_OpaquePaintEvent);
        setCursor(Qt::CrossCursor);
        setFocusPolicy(Qt::StrongFocus);
        setGeometry(QRect(origin, screen.size()));
    }

    QRect chosen() const { return m_chosen; }
    bool done() const { return m_done; }

    void run()
    {
        QEventLoop loop;
        m_loop = &loop;
        show();
        raise();
        activateWindow();
        setFocus();
        // Without a window manager nothing hands the keyboard over: take
        // it, so Esc reaches us.
        grabKeyboard();
        if (!m_done)
            loop.exec();
        releaseKeyboard();
        m_loop = nullptr;
        hide();
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.drawImage(0, 0, m_screen);
        if (m_dragging) {
            const QRect band(QPoint(std::min(m_start.x(), m_end.x()), std::min(m_start.y(), m_end.y())),
                             QPoint(std::max(m_start.x(), m_end.x()), std::max(m_start.y(), m_end.y())));
            p.setCompositionMode(QPainter::RasterOp_NotDestination);
            QPen pen(Qt::black, 0, Qt::DashLine);
            pen.setCosmetic(true);
            p.setPen(pen);
            p.setBrush(Qt::NoBrush);
            p.drawRect(band);
        }
    }
    void mousePressEvent(QMouseEvent *e) override
    {
        if (e->button() == Qt::RightButton) {
            finish(QRect());
            return;
        }
        if (e->button() != Qt::LeftButton)
            return;
        m_dragging = true;
        m_start = m_end = clampToScreen(e->position().toPoint());
        update();
    }
    void mouseMoveEvent(QMouseEvent *e) override
    {
        if (!m_dragging)
            return;
        m_end = clampToScreen(e->position().toPoint());
        update();
    }
    void mouseReleaseEvent(QMouseEvent *e) override
    {
        if (e->button() != Qt::LeftButton || !m_dragging)
            return;
        m_end = clampToScreen(e->position().toPoint());
        m_dragging = false;
        // Both corners are taken, whichever way the band was dragged: press
        // and release on one pixel take that pixel.
        finish(QRect(QPoint(std::min(m_start.x(), m_end.x()), std::min(m_start.y(), m_end.y())),
                     QPoint(std::max(m_start.x(), m_end.x()), std::max(m_start.y(), m_end.y()))));
    }
    void keyPressEvent(QKeyEvent *e) override
    {
        if (e->key() == Qt::Key_Escape)
            finish(QRect());
        else
            QWidget::keyPressEvent(e);
    }
    void closeEvent(QCloseEvent *) override { finish(QRect()); }

private:
    QPoint clampToScreen(QPoint p) const
    {
        return {std::clamp(p.x(), 0, m_screen.width() - 1), std::clamp(p.y(), 0, m_screen.height() - 1)};
    }
    void finish(const QRect &r)
    {
        m_chosen = r;
        m_done = true;
        if (m_loop)
            m_loop->quit();
    }

    QImage m_screen;
    QEventLoop *m_loop = nullptr;
    bool m_dragging = false;
    bool m_done = false;
    QPoint m_start, m_end;
    QRect m_chosen;
};

} // namespace

QImage grabAllScreens(QPoint *origin)
{
    QRect desktop;
    const QList<QScreen *> screens = QGuiApplication::screens();
    for (QScreen *s : screens)
        desktop |= s->geometry();
    if (origin)
        *origin = desktop.topLeft();
    if (desktop.isEmpty())
        return {};
    QImage whole(desktop.size(), QImage::Format_RGB32);
    whole.fill(Qt::black);
    QPainter p(&whole);
    for (QScreen *s : screens) {
        const QPixmap shot = s->grabWindow(0);
        if (shot.isNull())
            continue;
        // In the screens' own coordinates: one screen pixel a picture pixel
        // at scale 1; a scaled screen is brought to its logical size.
        p.drawPixmap(QRect(s->geometry().topLeft() - desktop.topLeft(), s->geometry().size()), shot);
    }
    return whole;
}

QImage chooseScreenRegion(const QImage &screen, QPoint origin)
{
    if (screen.isNull())
        return {};
    RegionChooser chooser(screen, origin);
    chooser.run();
    const QRect r = chooser.chosen();
    if (!chooser.done() || r.isEmpty())
        return {};
    return screen.copy(r);
}

QString DesktopServices::screenReadRefusal()
{
    if (!displayServer().forbidsScreenReading())
        return {};
    return QStringLiteral(
        "Capture Image cannot read the screen here: under Wayland the desktop lets no program "
        "read the screen. Take a screenshot with the desktop's own tool and open it with "
        "\"Open Image...\", or start Vorlix with QT_QPA_PLATFORM=xcb.");
}

QImage DesktopServices::captureScreenRegion(QWidget *)
{
    if (const QString refusal = screenReadRefusal(); !refusal.isEmpty())
        throw VorlixError(refusal);
    // Let the windows that were hidden leave the screen before it is read.
    QEventLoop settle;
    QTimer::singleShot(300, &settle, &QEventLoop::quit);
    settle.exec();
    QPoint origin;
    const QImage screen = grabAllScreens(&origin);
    if (screen.isNull())
        throw VorlixError(QStringLiteral("Capture Image could not read the screen."));
    return chooseScreenRegion(screen, origin);
}

} // namespace vorlix
