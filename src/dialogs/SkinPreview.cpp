#include "dialogs/SkinPreview.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace vorlix {

TSkinPreview::TSkinPreview(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("SkinPreview"));
    setWindowTitle(QStringLiteral("Skin Preview - Vorlix"));
    setMouseTracking(true);
    setToolTip(QStringLiteral("Click a part to edit it. Keys 1 and 2 set the size; Esc closes."));
}

void TSkinPreview::setPicture(const QImage &picture)
{
    m_picture = picture;
    setFixedSize(m_picture.size() * m_scale);
    update();
}

void TSkinPreview::setScale(int scale)
{
    m_scale = scale == 2 ? 2 : 1;
    setFixedSize(m_picture.size() * m_scale);
    update();
}

void TSkinPreview::setSelectedArea(const QRect &area)
{
    m_selected = area;
    update();
}

QPoint TSkinPreview::toPicture(QPoint p) const
{
    return {p.x() / m_scale, p.y() / m_scale};
}

void TSkinPreview::outline(QPainter &p, const QRect &area, const QColor &colour) const
{
    if (area.isEmpty())
        return;
    p.setPen(QPen(colour, 0));
    const QRect r(area.topLeft() * m_scale, area.size() * m_scale);
    p.drawRect(r.adjusted(0, 0, -1, -1));
}

void TSkinPreview::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    // Pixel art stays pixel art: each picture pixel a whole block.
    p.setRenderHint(QPainter::SmoothPixmapTransform, false);
    p.drawImage(QRect(QPoint(0, 0), m_picture.size() * m_scale), m_picture);
    outline(p, m_selected, QColor(0, 255, 0));
    if (m_hovered >= 0 && areaOf)
        outline(p, areaOf(m_hovered), QColor(255, 255, 0));
}

void TSkinPreview::mouseMoveEvent(QMouseEvent *event)
{
    const int at = elementAt ? elementAt(toPicture(event->position().toPoint())) : -1;
    if (at != m_hovered) {
        m_hovered = at;
        update();
    }
}

void TSkinPreview::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !elementAt)
        return;
    const int at = elementAt(toPicture(event->position().toPoint()));
    if (at >= 0)
        emit elementChosen(at);
}

void TSkinPreview::leaveEvent(QEvent *)
{
    m_hovered = -1;
    update();
}

void TSkinPreview::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_1:
        setScale(1);
        break;
    case Qt::Key_2:
        setScale(2);
        break;
    case Qt::Key_Escape:
        close();
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

} // namespace vorlix
