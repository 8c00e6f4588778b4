#include "view/OImage.h"

#include "platform/Blit.h"
#include "platform/BmpRead.h"
#include "platform/Errors.h"
#include "platform/WaitCursor.h"
#include "skin/GlobalVar.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageReader>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleFactory>
#include <QPixmap>
#include <QScrollBar>
#include <QSignalBlocker>

#include <algorithm>
#include <climits>
#include <cmath>
#include <optional>

namespace vorlix {

namespace {

// Float to int toward zero, saturating, NaN as 0: the view's arithmetic must
// never hit an undefined conversion, whatever the zoom.
int truncInt(double v)
{
    if (std::isnan(v))
        return 0;
    if (v >= static_cast<double>(INT_MAX))
        return INT_MAX;
    if (v <= static_cast<double>(INT_MIN))
        return INT_MIN;
    return static_cast<int>(v); // truncates toward zero
}

QImage toBgr888(const QImage &image)
{
    if (image.isNull() || image.format() == QImage::Format_BGR888)
        return image;
    return image.convertToFormat(QImage::Format_BGR888);
}

std::optional<TOImage::TMouseButton> toButton(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton: return TOImage::mbLeft;
    case Qt::RightButton: return TOImage::mbRight;
    case Qt::MiddleButton: return TOImage::mbMiddle;
    default: return std::nullopt;
    }
}

QPoint clientPoint(const QMouseEvent *event)
{
    const QPointF p = event->position();
    return {truncInt(p.x()), truncInt(p.y())};
}

// Sets a flag for the lifetime of the object, cleared again on unwinding.
class FlagScope
{
public:
    explicit FlagScope(bool &flag) : m_flag(flag) { m_flag = true; }
    ~FlagScope() { m_flag = false; }
    FlagScope(const FlagScope &) = delete;
    FlagScope &operator=(const FlagScope &) = delete;

private:
    bool &m_flag;
};

// The format follows the file's extension. BMP files go through our own
// reader, which gives every pixel of a damaged file a defined value.
QImage readPicture(const QString &name)
{
    const auto failed = [&name](const QString &why) {
        return VorlixError(QStringLiteral("Cannot read the picture \"%1\": %2")
                               .arg(QDir::toNativeSeparators(name), why));
    };
    if (name.endsWith(QLatin1String(".bmp"), Qt::CaseInsensitive)) {
        try {
            return readBmpFile(name);
        } catch (const VorlixError &e) {
            throw failed(e.message());
        }
    }
    if (!QFileInfo(name).isFile()) // a pipe or device would block the reader
        throw failed(QStringLiteral("It is not a regular file."));
    QImageReader reader(name);
    QImage loaded;
    try {
        loaded = readPictureForSkin(reader);
    } catch (const VorlixError &e) {
        throw failed(e.message());
    }
    if (loaded.isNull())
        throw failed(reader.errorString());
    return loaded;
}

} // namespace

TOImage::TOImage(QWidget *parent) : QWidget(parent)
{
    // Every paint covers the whole client area.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
    setMouseTracking(true); // where the pointer is, for the owner's readout
    resize(100, 100);

    m_vertBar = new QScrollBar(Qt::Vertical, this);
    m_vertBar->setObjectName(QStringLiteral("VertBar"));
    m_horzBar = new QScrollBar(Qt::Horizontal, this);
    m_horzBar->setObjectName(QStringLiteral("HorzBar"));
    m_corner = new QWidget(this);
    m_corner->setObjectName(QStringLiteral("Corner"));
    m_corner->setAutoFillBackground(true);
    // The classic bars draw in a fraction of the time of gradient ones, and
    // they repaint with every zoomed paint.
    static QStyle *const barStyle = QStyleFactory::create(QStringLiteral("Windows"));
    for (QScrollBar *bar : {m_vertBar, m_horzBar}) {
        if (barStyle)
            bar->setStyle(barStyle);
        bar->setRange(0, 100);
        bar->setValue(0);
        bar->setSingleStep(5);
        bar->setPageStep(25);
        bar->setFocusPolicy(Qt::NoFocus);
    }
    connect(m_horzBar, &QScrollBar::valueChanged, this,
            [this](int p) { barScrolled(Qt::Horizontal, p); });
    connect(m_vertBar, &QScrollBar::valueChanged, this,
            [this](int p) { barScrolled(Qt::Vertical, p); });

    QPixmap hand;
    try {
        hand = QPixmap::fromImage(readBuiltInPicture(QStringLiteral("GRABHAND"), QImage::Format_ARGB32));
    } catch (const VorlixError &) {
    }
    m_grabHand = hand.isNull() ? QCursor(Qt::ClosedHandCursor) : QCursor(hand, 16, 16);

    UpdateScrollbars();
}

TOImage::~TOImage() = default;

// --- Picture -----------------------------------------------------------------

bool TOImage::hasPicture() const
{
    return !m_picture.isNull() && m_picture.width() > 0 && m_picture.height() > 0;
}

void TOImage::setPicture(const QImage &picture)
{
    FlagScope reset(m_resetViewOnChange);
    if (m_undo)
        SaveUndo();
    m_picture = toBgr888(picture);
    pictureChanged();
}

void TOImage::assignPicture(const QImage &picture)
{
    m_picture = toBgr888(picture);
    pictureChanged();
}

void TOImage::setFileName(const QString &name)
{
    if (name.isEmpty()) {
        m_picture = QImage();
        pictureChanged();
    }
    m_fileName = name;
    if (!name.isEmpty() && QFileInfo::exists(name)) {
        // Read first: a file that fails leaves picture and snapshot alone.
        WaitCursor wait;
        const QImage loaded = readPicture(name);
        if (m_undo)
            SaveUndo();
        FlagScope reset(m_resetViewOnChange);
        m_picture = toBgr888(loaded);
        pictureChanged();
    }
    repaint();
}

void TOImage::pictureChanged()
{
    // A new picture or another edit ends a stroke still held: its next move
    // must not bring back the picture the stroke began on.
    m_strokeButton = -1;
    m_strokeBase = QImage();
    if (m_autoSize && hasPicture())
        resize(m_picture.size());
    if (m_resetViewOnChange)
        resetView();
    UpdateScrollbars();
    emit OnPictureChanged();
    update();
}

void TOImage::resetView()
{
    m_zoom = 1.0;
    m_offsetX = m_offsetY = 0;
    m_savedOffsetX = m_savedOffsetY = 0;
    m_savedZoom = 1.0;
    if (m_drawStyle == dsStretchRatio)
        FitRatio();
}

// --- Undo --------------------------------------------------------------------

void TOImage::setUndoBitmap(const QImage &snapshot)
{
    m_undoBitmap = toBgr888(snapshot);
}

void TOImage::SaveUndo()
{
    WaitCursor wait;
    m_undoBitmap = m_picture; // QImage detaches on write: an independent copy
}

void TOImage::RestoreUndo()
{
    WaitCursor wait;
    std::swap(m_picture, m_undoBitmap);
    pictureChanged();
}

// --- View state --------------------------------------------------------------

int TOImage::toPictureExtent(int clientPixels) const
{
    return truncInt(clientPixels / m_zoom);
}

int TOImage::toClientExtent(double picturePixels) const
{
    return truncInt(picturePixels * m_zoom);
}

bool TOImage::overflows() const
{
    return width() < toClientExtent(m_picture.width())
        || height() < toClientExtent(m_picture.height());
}

bool TOImage::overflowCountsForDrag() const
{
    return m_drawStyle != dsStretch && m_drawStyle != dsStretchRatio && m_scrolling
        && overflows();
}

int TOImage::dragBarThickness() const
{
    return overflowCountsForDrag() && m_showScrollbars ? m_scrollbarWidth : 0;
}

void TOImage::setOffsetX(int x)
{
    m_offsetX = std::max(0, x);
    UpdateScrollbars();
    update();
}

void TOImage::setOffsetY(int y)
{
    m_offsetY = std::max(0, y);
    UpdateScrollbars();
    update();
}

void TOImage::paintNow()
{
    repaint();
}

void TOImage::SetZoom(double factor)
{
    if (std::isnan(factor)) {
        repaint();
        return;
    }
    const double r = factor / m_zoom;
    const int pw = m_picture.width();
    const int ph = m_picture.height();
    if (m_zoom >= factor) {
        if (!hasPicture())
            return;
        if (m_zoom * r <= 0.075) {
            repaint();
            return;
        }
        m_zoom = m_zoom * r;
        // Zooming out: keep the right and bottom edges from leaving a gap.
        if (width() > (pw - m_offsetX) * m_zoom)
            m_offsetX = std::max(0, pw - toPictureExtent(width()));
        if (height() > (ph - m_offsetY) * m_zoom)
            m_offsetY = std::max(0, ph - toPictureExtent(height()));
    } else {
        if (!hasPicture())
            return;
        if (m_zoom * r >= 50) {
            repaint();
            return;
        }
        m_zoom = m_zoom * r;
    }
    UpdateScrollbars();
    try {
        paintNow();
    } catch (...) {
        // The zoom stands even when this paint fails; the next one retries.
    }
}

QRect TOImage::draggedBand() const
{
    if (!m_bandShown)
        return {};
    const QPoint a = clientToPicture(m_band1), b = clientToPicture(m_band2);
    return QRect(QPoint(std::min(a.x(), b.x()), std::min(a.y(), b.y())),
                 QPoint(std::max(a.x(), b.x()) - 1, std::max(a.y(), b.y()) - 1));
}

int TOImage::maxOffsetX() const
{
    const int view = width() - (m_showScrollbars ? m_scrollbarWidth : 0);
    return std::max(0, m_picture.width() - toPictureExtent(std::max(0, view)));
}

int TOImage::maxOffsetY() const
{
    const int view = height() - (m_showScrollbars ? m_scrollbarWidth : 0);
    return std::max(0, m_picture.height() - toPictureExtent(std::max(0, view)));
}

void TOImage::zoomKeeping(double factor, QPoint client)
{
    if (!hasPicture())
        return;
    const QPoint kept = clientToPicture(client - QPoint(m_centerShiftX, m_centerShiftY));
    SetZoom(factor);
    if (!overflows()) {
        m_offsetX = m_offsetY = 0;
    } else {
        m_offsetX = std::clamp(kept.x() - toPictureExtent(client.x()), 0, maxOffsetX());
        m_offsetY = std::clamp(kept.y() - toPictureExtent(client.y()), 0, maxOffsetY());
    }
    UpdateScrollbars();
    update();
}

void TOImage::setShowGrid(bool on)
{
    if (m_showGrid == on)
        return;
    m_showGrid = on;
    update();
}

void TOImage::wheelEvent(QWheelEvent *event)
{
    const QPoint angle = event->angleDelta();
    const bool zoom = event->modifiers() & Qt::ControlModifier;
    // Shift turns the wheel sideways; some systems report that as x already.
    const bool sideways = !zoom && ((event->modifiers() & Qt::ShiftModifier) || (angle.y() == 0 && angle.x() != 0));
    m_wheelRest += angle.y() != 0 ? angle.y() : angle.x();
    const int steps = m_wheelRest / 120;
    m_wheelRest -= steps * 120;
    event->accept();
    if (steps == 0)
        return;
    if (zoom) {
        emit OnZoomWheel(steps, event->position().toPoint());
        return;
    }
    if (!hasPicture() || !overflows())
        return;
    // Three picture rows or columns a notch, as text scrolls three lines.
    if (sideways)
        m_offsetX = std::clamp(m_offsetX - 3 * steps, 0, maxOffsetX());
    else
        m_offsetY = std::clamp(m_offsetY - 3 * steps, 0, maxOffsetY());
    UpdateScrollbars();
    update();
    emit OnPointerMove(mapFromGlobal(QCursor::pos()));
}

void TOImage::leaveEvent(QEvent *event)
{
    emit OnPointerLeave();
    QWidget::leaveEvent(event);
}

void TOImage::FitRatio()
{
    if (!hasPicture() || width() <= 0 || height() <= 0)
        return;
    m_zoom = std::min(double(height()) / m_picture.height(), double(width()) / m_picture.width());
}

void TOImage::setDrawStyle(TDrawStyle style)
{
    if (style == m_drawStyle)
        return;
    m_drawStyle = style;
    if (style == dsStretchRatio && hasPicture()) {
        m_savedOffsetX = m_offsetX;
        m_savedOffsetY = m_offsetY;
        m_savedZoom = m_zoom;
        m_offsetX = m_offsetY = 0;
        FitRatio();
    } else {
        if (style == dsTile || style == dsCenter) {
            m_scrolling = false;
            UpdateScrollbars();
            m_vertBar->setEnabled(false);
            m_horzBar->setEnabled(false);
            m_corner->setEnabled(false);
        }
        m_offsetX = m_savedOffsetX;
        m_offsetY = m_savedOffsetY;
        m_zoom = m_savedZoom;
    }
    UpdateScrollbars();
    repaint();
}

// --- Properties ----------------------------------------------------------------

void TOImage::setAutoSize(bool on)
{
    m_autoSize = on;
    if (on)
        pictureChanged();
}

void TOImage::setStretchCntr(bool on)
{
    m_stretchCntr = on;
    repaint();
}

void TOImage::setScrollbarWidth(int width)
{
    width = std::max(0, width);
    if (width == m_scrollbarWidth)
        return;
    m_scrollbarWidth = width;
    UpdateScrollbars();
    repaint();
}

void TOImage::setScrolling(bool on)
{
    m_scrolling = on;
    UpdateScrollbars();
    m_vertBar->setEnabled(on);
    m_horzBar->setEnabled(on);
    m_corner->setEnabled(on);
    pictureChanged();
}

void TOImage::setShowScrollbars(bool on)
{
    if (!on && m_showScrollbars && hasPicture()) {
        // The strip the bars leave must show picture, not background.
        const int pw = m_picture.width();
        const int ph = m_picture.height();
        if (toClientExtent(pw) > width()) {
            const int b = truncInt(width() - (pw - m_offsetX) * m_zoom);
            if (b > 0)
                m_offsetX = std::max(0, truncInt(m_offsetX - b / m_zoom) - 1);
        }
        if (toClientExtent(ph) > height()) {
            const int b = truncInt(height() - (ph - m_offsetY) * m_zoom);
            if (b > 0)
                m_offsetY = std::max(0, truncInt(m_offsetY - b / m_zoom) - 1);
        }
    }
    m_showScrollbars = on;
    UpdateScrollbars();
    pictureChanged();
}

void TOImage::setColor(const QColor &c)
{
    if (c == m_color)
        return;
    m_color = c;
    update();
}

void TOImage::setTabStop(bool on)
{
    m_tabStop = on;
    setFocusPolicy(on ? Qt::TabFocus : Qt::NoFocus);
    UpdateScrollbars();
}

// --- Scroll bars -----------------------------------------------------------------

void TOImage::hideBars()
{
    for (QWidget *w : {static_cast<QWidget *>(m_vertBar), static_cast<QWidget *>(m_horzBar), m_corner}) {
        w->hide();
        w->setGeometry(-1, -1, 0, 0);
    }
    m_vertBar->setFocusPolicy(Qt::NoFocus);
    m_horzBar->setFocusPolicy(Qt::NoFocus);
}

void TOImage::UpdateScrollbars()
{
    const bool needed = hasPicture() && m_drawStyle != dsStretch && m_drawStyle != dsStretchRatio
        && overflows() && m_scrolling && m_showScrollbars;
    if (!needed) {
        hideBars();
        return;
    }
    const int W = width();
    const int H = height();
    const int b = m_scrollbarWidth;
    const Qt::FocusPolicy focus = m_tabStop ? Qt::TabFocus : Qt::NoFocus;
    m_vertBar->setFocusPolicy(focus);
    m_horzBar->setFocusPolicy(focus);
    m_vertBar->setGeometry(W - b, 1, b, std::max(0, H - b - 1));
    m_horzBar->setGeometry(1, H - b, std::max(0, W - b - 1), b);
    m_corner->setGeometry(W - b, H - b, b, b);
    m_vertBar->show();
    m_horzBar->show();
    m_corner->show();

    // Bar positions are screen pixels of the zoomed picture.
    const auto sync = [](QScrollBar *bar, int maximum, int position) {
        const QSignalBlocker block(bar);
        bar->setRange(0, maximum);
        bar->setValue(position);
    };
    const int hMax = std::max(0, toClientExtent(m_picture.width()) - W + b);
    const int vMax = std::max(0, toClientExtent(m_picture.height()) - H + b);
    sync(m_horzBar, hMax, hMax == 0 ? 0 : std::min(toClientExtent(m_offsetX), hMax));
    sync(m_vertBar, vMax, vMax == 0 ? 0 : std::min(toClientExtent(m_offsetY), vMax));
}

void TOImage::barScrolled(Qt::Orientation orientation, int position)
{
    if (orientation == Qt::Horizontal)
        m_offsetX = toPictureExtent(position);
    else
        m_offsetY = toPictureExtent(position);
    paintNow();
}

// --- Paint -------------------------------------------------------------------------

TOImage::PaintPlan TOImage::planPaint()
{
    PaintPlan plan;
    if (m_drawStyle == dsTile) {
        plan.layout = Layout::Tile;
        return plan;
    }
    if (!hasPicture())
        return plan;

    const int W = width();
    const int H = height();
    const int pw = m_picture.width();
    const int ph = m_picture.height();
    plan.source = QRect(0, 0, pw, ph);

    if (m_drawStyle == dsStretch) {
        plan.layout = Layout::Stretch;
        plan.dest = QRect(0, 0, W, H);
        return plan;
    }
    if ((m_drawStyle == dsNormal || m_drawStyle == dsCenter) && !m_scrolling) {
        plan.layout = Layout::Plain;
        plan.dest = m_drawStyle == dsCenter ? QRect((W - pw) / 2, (H - ph) / 2, pw, ph)
                                            : QRect(0, 0, pw, ph);
        return plan;
    }

    // Zoomed display: only the visible block S of the picture goes onto D.
    plan.layout = Layout::Zoomed;
    m_centerShiftX = m_centerShiftY = 0;
    const int zw = toClientExtent(pw);
    const int zh = toClientExtent(ph);
    const int s = m_showScrollbars ? m_scrollbarWidth : 0;
    const int viewW = std::max(0, W - s);
    const int viewH = std::max(0, H - s);
    if (W >= zw && H >= zh) {
        plan.dest = QRect(0, 0, zw, zh);
        if (m_stretchCntr) {
            m_centerShiftX = (W - zw) / 2;
            m_centerShiftY = (H - zh) / 2;
        }
    } else if (W < zw && H < zh) {
        plan.source = QRect(m_offsetX, m_offsetY, toPictureExtent(viewW), toPictureExtent(viewH));
        plan.dest = QRect(0, 0, viewW, viewH);
    } else if (W < zw) {
        plan.source = QRect(m_offsetX, m_offsetY, toPictureExtent(viewW), ph);
        plan.dest = QRect(0, 0, viewW, zh);
        if (m_drawStyle == dsCenter)
            m_centerShiftY = (H - zh) / 2;
    } else {
        plan.source = QRect(m_offsetX, m_offsetY, pw, toPictureExtent(viewH));
        plan.dest = QRect(0, 0, zw, viewH);
        if (m_drawStyle == dsCenter)
            m_centerShiftX = (W - zw) / 2;
    }
    plan.dest.translate(m_centerShiftX, m_centerShiftY);
    return plan;
}

QImage TOImage::renderFrame(QRect *paintArea)
{
    if (paintArea)
        *paintArea = QRect();
    const int W = width();
    const int H = height();
    if (W <= 0 || H <= 0)
        return {};
    // A 32-bit frame goes onto the screen without a conversion.
    QImage frame(W, H, QImage::Format_RGB32);
    if (frame.isNull())
        return {};
    // Whatever the picture leaves uncovered shows Color; the bar strip is
    // covered by the bars and the corner.
    frame.fill(m_color);

    const PaintPlan plan = planPaint();
    const QImage picture = toBgr888(m_picture);
    const QRect &S = plan.source;
    const QRect &D = plan.dest;
    switch (plan.layout) {
    case Layout::Empty:
        return frame;
    case Layout::Tile:
        if (hasPicture()) {
            for (int y = 0; y < H; y += picture.height())
                for (int x = 0; x < W; x += picture.width())
                    blockCopy(frame, x, y, picture.width(), picture.height(), picture, 0, 0);
        }
        return frame;
    case Layout::Stretch:
        stretchCopy(frame, D.x(), D.y(), D.width(), D.height(), picture, S.x(), S.y(), S.width(), S.height());
        UpdateScrollbars();
        break;
    case Layout::Plain:
        blockCopy(frame, D.x(), D.y(), D.width(), D.height(), picture, 0, 0);
        break;
    case Layout::Zoomed:
        stretchCopy(frame, D.x(), D.y(), D.width(), D.height(), picture, S.x(), S.y(), S.width(), S.height());
        UpdateScrollbars();
        if (m_showGrid && m_zoom >= kGridZoom) {
            // On the first screen column and row of every picture pixel but
            // the outermost, inside the picture's place.
            const QRect inside = D.intersected(frame.rect());
            for (int c = S.left() + 1; c <= S.right(); ++c) {
                const int x = D.x() + toClientExtent(c - S.x());
                if (x >= inside.left() && x <= inside.right())
                    for (int y = inside.top(); y <= inside.bottom(); ++y)
                        reinterpret_cast<QRgb *>(frame.scanLine(y))[x] = kGridColour;
            }
            for (int r = S.top() + 1; r <= S.bottom(); ++r) {
                const int y = D.y() + toClientExtent(r - S.y());
                if (y >= inside.top() && y <= inside.bottom()) {
                    auto *line = reinterpret_cast<QRgb *>(frame.scanLine(y));
                    std::fill(line + inside.left(), line + inside.right() + 1, kGridColour);
                }
            }
        }
        break;
    }
    if (paintArea)
        *paintArea = D;
    return frame;
}

void TOImage::paintEvent(QPaintEvent *)
{
    QRect area;
    const QImage frame = renderFrame(&area);
    const bool tile = m_drawStyle == dsTile;
    const bool pictureDrawn = !tile && hasPicture();
    {
        QPainter painter(this);
        // Zoomed pixels stay sharp blocks at any screen scale.
        painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
        if (frame.isNull())
            painter.fillRect(rect(), m_color);
        else
            painter.drawImage(0, 0, frame);
    }
    if (!tile) {
        if (pictureDrawn) // a stretch reports the picture's own rectangle
            emit OnPaintArea(m_drawStyle == dsStretch ? QRect(QPoint(0, 0), m_picture.size()) : area);
        emit OnPaint();
    }
    if (m_bandShown) {
        QPainter painter(this);
        drawBand(painter);
    }
}

void TOImage::drawBand(QPainter &painter) const
{
    // The outline covers left .. right - 1 and top .. bottom - 1.
    const int left = std::min(m_band1.x(), m_band2.x());
    const int right = std::max(m_band1.x(), m_band2.x());
    const int top = std::min(m_band1.y(), m_band2.y());
    const int bottom = std::max(m_band1.y(), m_band2.y());
    if (right - left < 1 || bottom - top < 1)
        return;
    QPen pen(Qt::black, 0, Qt::DashDotDotLine);
    pen.setCosmetic(true);
    painter.setCompositionMode(QPainter::RasterOp_NotDestination);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRect(left, top, right - left - 1, bottom - top - 1));
}

void TOImage::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    UpdateScrollbars();
    if (m_drawStyle == dsStretchRatio && hasPicture())
        FitRatio();
}

// --- Mouse -------------------------------------------------------------------------

void TOImage::mouseDoubleClickEvent(QMouseEvent *event)
{
    // The second press still counts as a press for the modes above.
    mousePressEvent(event);
    if (event->button() == Qt::LeftButton) {
        const QPoint pos = clientPoint(event);
        emit OnDoubleClick(pos.x(), pos.y());
    }
}

void TOImage::mousePressEvent(QMouseEvent *event)
{
    const auto button = toButton(event->button());
    if (!button) {
        QWidget::mousePressEvent(event);
        return;
    }
    const QPoint pos = clientPoint(event);
    if (m_tabStop && *button == mbLeft)
        setFocus(Qt::MouseFocusReason);
    emit OnMouseDown(*button, event->modifiers(), pos.x(), pos.y());

    if (isDrawingMode(m_mouseMode)) {
        if (!isStroking() && (*button == mbLeft || *button == mbRight))
            startStroke(pos, *button);
    } else if (m_mouseMode == mmPan && m_drawStyle == dsNormal && m_scrolling && *button == m_panBtn) {
        startPan(pos, *button);
    } else if (m_mouseMode == mmRubberband && *button == m_rubberbandBtn) {
        m_held = {};
        m_held[*button] = true;
        m_band1 = m_band2 = pos;
        m_bandShown = false;
    }
}

void TOImage::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint pos = clientPoint(event);
    emit OnPointerMove(pos);
    if (isStroking())
        continueStroke(pos);
    if (m_panning)
        panTo(pos);
    if (m_mouseMode == mmRubberband && (m_held[mbLeft] || m_held[mbRight] || m_held[mbMiddle]))
        bandTo(pos);
}

void TOImage::mouseReleaseEvent(QMouseEvent *event)
{
    const auto button = toButton(event->button());
    if (!button) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    if (isStroking() && int(*button) == m_strokeButton) {
        continueStroke(clientPoint(event));
        endStroke();
    }
    if (m_mouseMode != mmRubberband) {
        m_held[*button] = false;
        m_panLast = clientPoint(event);
        if (m_panning)
            endPan();
    } else {
        // A pan cut short by a switch of mode must still end.
        if (m_panning)
            endPan();
        if (m_held[*button])
            releaseBand(*button, event->modifiers());
    }
}

void TOImage::startPan(QPoint at, TMouseButton button)
{
    m_held = {};
    m_held[button] = true;
    m_panLast = at;
    if (!hasPicture() || !overflows())
        return;
    if (!m_panning) {
        m_hadCursor = testAttribute(Qt::WA_SetCursor);
        m_savedCursor = cursor();
    }
    m_panning = true;
    setCursor(m_grabHand);
}

void TOImage::panTo(QPoint to)
{
    // Step in picture pixels; any movement moves at least one pixel.
    const int dx = m_panLast.x() - to.x();
    const int dy = m_panLast.y() - to.y();
    int sx = toPictureExtent(dx);
    int sy = toPictureExtent(dy);
    if (dx != 0 && sx == 0)
        sx = dx > 0 ? 1 : -1;
    if (dy != 0 && sy == 0)
        sy = dy > 0 ? 1 : -1;
    m_panLast = to;

    const bool counted = overflowCountsForDrag();
    const int b = dragBarThickness();
    double zw = m_picture.width() * m_zoom;
    double zh = m_picture.height() * m_zoom;
    if (counted && width() > zw)
        zw += m_scrollbarWidth;
    if (counted && height() > zh)
        zh += m_scrollbarWidth;

    const auto step = [this, b](int offset, int s, int view, double zoomed, int extent) {
        if (offset + s < 0)
            return 0;
        if (view > zoomed)
            return 0;
        if (view - b > (extent - (offset + s)) * m_zoom)
            return std::max(0, extent - toPictureExtent(view - b));
        return offset + s;
    };
    m_offsetX = step(m_offsetX, sx, width(), zw, m_picture.width());
    m_offsetY = step(m_offsetY, sy, height(), zh, m_picture.height());
    UpdateScrollbars();
    paintNow();
}

namespace {

// The drawing tools' cursors, with their hot spots on the pixel they act
// on; the line and rectangle take a cross-hair.
QCursor toolCursor(TOImage::TMouseMode mode)
{
    struct Shape { const char *name; int hotX, hotY; };
    static const QCursor cross(Qt::CrossCursor);
    Shape shape;
    switch (mode) {
    case TOImage::mmPencil: shape = {"CUR_PENCIL", 1, 30}; break;
    case TOImage::mmFill: shape = {"CUR_FILL", 13, 27}; break;
    case TOImage::mmPicker: shape = {"CUR_PICKER", 1, 30}; break;
    default: return cross;
    }
    try {
        const QImage image = readBuiltInPicture(QString::fromLatin1(shape.name), QImage::Format_ARGB32);
        return QCursor(QPixmap::fromImage(image), shape.hotX, shape.hotY);
    } catch (const VorlixError &) {
        return cross;
    }
}

} // namespace

void TOImage::setMouseMode(TMouseMode mode)
{
    m_mouseMode = mode;
    // A pan in progress keeps its grab hand and puts this one back at the end.
    if (isDrawingMode(mode)) {
        const QCursor c = toolCursor(mode);
        if (m_panning) {
            m_hadCursor = true;
            m_savedCursor = c;
        } else {
            setCursor(c);
        }
    } else if (m_panning) {
        m_hadCursor = false;
    } else {
        unsetCursor();
    }
}

void TOImage::endPan()
{
    m_panning = false;
    if (m_hadCursor)
        setCursor(m_savedCursor);
    else
        unsetCursor();
}

void TOImage::bandTo(QPoint to)
{
    const int b = dragBarThickness();
    m_band2 = QPoint(std::max(0, std::min(to.x(), width() - b)),
                     std::max(0, std::min(to.y(), height() - b)));
    m_bandShown = true;
    paintNow();
}

void TOImage::releaseBand(TMouseButton button, Qt::KeyboardModifiers shift)
{
    m_held[button] = false;
    m_bandShown = false;
    paintNow();
    m_rubberbandRect = Rect{clientToPictureX(m_band1.x()), clientToPictureY(m_band1.y()),
                            clientToPictureX(m_band2.x()), clientToPictureY(m_band2.y())};
    emit OnRubberband(button, shift, m_band1.x(), m_band1.y(), m_band2.x(), m_band2.y());
}

} // namespace vorlix
