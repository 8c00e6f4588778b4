#include "controls/Controls.h"

#include <QBitmap>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <QPainter>
#include <QStyleOptionSlider>

namespace vorlix {

void drawBevel(QPainter &p, const QRect &r, bool lowered)
{
    const QColor light = QColor(255, 255, 255);
    const QColor dark = QColor(128, 128, 128);
    const QColor topLeft = lowered ? dark : light;
    const QColor bottomRight = lowered ? light : dark;
    p.setPen(topLeft);
    p.drawLine(r.left(), r.top(), r.right() - 1, r.top());
    p.drawLine(r.left(), r.top(), r.left(), r.bottom() - 1);
    p.setPen(bottomRight);
    p.drawLine(r.left(), r.bottom(), r.right(), r.bottom());
    p.drawLine(r.right(), r.top(), r.right(), r.bottom());
}

// ---------------------------------------------------------------- TfcImageForm

TfcImageForm::TfcImageForm(QWidget *parent) : QWidget(parent) {}

void TfcImageForm::setPicture(const QImage &picture)
{
    // Either layout is kept as it comes, without a copy; a picture with
    // see-through parts keeps them.
    m_picture = picture.format() == QImage::Format_Indexed8 ? picture
                : picture.convertToFormat(picture.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                                    : QImage::Format_RGB32);
    update();
}

// Pictures are pixel art: on a screen of 2x they are drawn as blocks of
// equal pixels, never smoothed.
void TfcImageForm::paintEvent(QPaintEvent *e)
{
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform, false);
    p.drawImage(e->rect().topLeft(), m_picture, e->rect());
}

// ---------------------------------------------------------------- TSpeedButton

TSpeedButton::TSpeedButton(QWidget *parent) : QAbstractButton(parent)
{
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_Hover);
}

void TSpeedButton::setGlyph(const QImage &strip, int numGlyphs)
{
    m_strip = strip;
    m_numGlyphs = strip.isNull() ? 0 : std::max(1, numGlyphs);
    QPixmap pm = QPixmap::fromImage(strip);
    if (!strip.isNull()) {
        const QColor clear = strip.pixelColor(0, strip.height() - 1);
        pm.setMask(QBitmap::fromImage(strip.createMaskFromColor(clear.rgb(), Qt::MaskInColor)));
    }
    m_stripPixmap = pm;
    update();
}

int TSpeedButton::currentGlyphIndex() const
{
    int index = 0;
    if (!isEnabled())
        index = 1;
    else if (QAbstractButton::isDown())
        index = 2;
    else if (isChecked())
        index = 3;
    if (index >= m_numGlyphs)
        index = index == 3 && m_numGlyphs > 2 ? 2 : 0;
    return index;
}

QPixmap TSpeedButton::glyphImage(int index) const
{
    if (m_numGlyphs == 0)
        return {};
    const int w = m_stripPixmap.width() / m_numGlyphs;
    return m_stripPixmap.copy(index * w, 0, w, m_stripPixmap.height());
}

void TSpeedButton::setLatched(bool latched)
{
    setChecked(latched);
    // A click latches without telling checkStateSet(); latching again must
    // still release the others.
    if (latched)
        releaseSiblings();
}

void TSpeedButton::checkStateSet()
{
    if (isChecked())
        releaseSiblings();
    update();
}

void TSpeedButton::nextCheckState()
{
    if (m_groupIndex == 0)
        return;
    if (isChecked()) {
        if (m_allowAllUp)
            setChecked(false);
    } else {
        setChecked(true);
        releaseSiblings(); // the click blocks checkStateSet()
    }
}

void TSpeedButton::releaseSiblings()
{
    if (m_groupIndex == 0 || !parentWidget())
        return;
    const auto siblings = parentWidget()->findChildren<TSpeedButton *>(Qt::FindDirectChildrenOnly);
    for (TSpeedButton *b : siblings)
        if (b != this && b->m_groupIndex == m_groupIndex && b->isChecked())
            b->setChecked(false);
}

void TSpeedButton::enterEvent(QEnterEvent *e)
{
    m_hover = true;
    update();
    QAbstractButton::enterEvent(e);
}

void TSpeedButton::leaveEvent(QEvent *e)
{
    m_hover = false;
    update();
    QAbstractButton::leaveEvent(e);
}

void TSpeedButton::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const bool pushed = QAbstractButton::isDown() || isChecked();
    // Flat look: no frame at rest, raised under the mouse, lowered when down.
    if (isEnabled() && pushed)
        drawBevel(p, rect(), true);
    else if (isEnabled() && m_hover)
        drawBevel(p, rect(), false);
    const int shift = pushed && isEnabled() ? 1 : 0;

    if (m_numGlyphs > 0) {
        p.setRenderHint(QPainter::SmoothPixmapTransform, false);
        const QPixmap g = glyphImage(currentGlyphIndex());
        const int x = (width() - g.width()) / 2 + shift;
        const int y = (height() - g.height()) / 2 + shift;
        p.drawPixmap(x, y, g);
    }
    if (!text().isEmpty()) {
        p.setFont(font());
        const QRect r = rect().translated(shift, shift);
        if (isEnabled()) {
            p.setPen(m_textColor.isValid() ? m_textColor : palette().color(QPalette::WindowText));
            p.drawText(r, Qt::AlignCenter, text());
        } else {
            // Engraved, as disabled captions are drawn on classic desktops.
            p.setPen(palette().color(QPalette::Light));
            p.drawText(r.translated(1, 1), Qt::AlignCenter, text());
            p.setPen(palette().color(QPalette::Dark));
            p.drawText(r, Qt::AlignCenter, text());
        }
    }
}

// ---------------------------------------------------------------------- TImage

TImage::TImage(QWidget *parent) : QWidget(parent) {}

void TImage::setPicture(const QImage &picture)
{
    m_picture = picture;
    update();
}

void TImage::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform, false);
    p.drawImage(0, 0, m_picture);
}

void TImage::mousePressEvent(QMouseEvent *e)
{
    m_pressed = e->button() == Qt::LeftButton;
}

void TImage::mouseReleaseEvent(QMouseEvent *e)
{
    const bool click = m_pressed && e->button() == Qt::LeftButton && rect().contains(e->position().toPoint());
    m_pressed = false;
    if (click)
        emit clicked();
}

void TImage::mouseMoveEvent(QMouseEvent *e)
{
    const QPoint pos = e->position().toPoint();
    emit mouseMoved(e->buttons(), e->modifiers(), pos.x(), pos.y());
}

// ------------------------------------------------------------------- TPaintBox

TPaintBox::TPaintBox(QWidget *parent) : QWidget(parent) {}

void TPaintBox::setColorNumber(ColorNumber color)
{
    m_color = color;
    update();
}

void TPaintBox::paintEvent(QPaintEvent *)
{
    // Filled, with a one-pixel black outline on the box's outermost pixels.
    QPainter p(this);
    p.fillRect(rect(), colorFromNumber(m_color));
    if (width() > 0 && height() > 0) {
        p.setPen(QPen(Qt::black, 0));
        p.setBrush(Qt::NoBrush);
        p.drawRect(0, 0, width() - 1, height() - 1);
    }
}

void TPaintBox::mouseReleaseEvent(QMouseEvent *e)
{
    if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint()))
        emit clicked();
}

void TPaintBox::mouseDoubleClickEvent(QMouseEvent *e)
{
    if (e->button() == Qt::LeftButton)
        emit doubleClicked();
}

// ------------------------------------------------------------------- TRxSlider

TRxSlider::TRxSlider(QWidget *parent) : QSlider(Qt::Horizontal, parent)
{
    setTickPosition(QSlider::TicksBelow);
    setTickInterval(1);
    setSingleStep(1);
    setPageStep(1);
    setRange(0, 1);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(136, 136, 136));
    pal.setColor(QPalette::Button, QColor(136, 136, 136));
    setPalette(pal);
}

void TRxSlider::paintEvent(QPaintEvent *e)
{
    QSlider::paintEvent(e);
    QPainter p(this);
    drawBevel(p, rect(), true);
}

QString TPathLabel::shownText() const
{
    return fontMetrics().elidedText(text(), Qt::ElideMiddle, contentsRect().width());
}

void TPathLabel::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(contentsRect(), int(alignment()) | Qt::TextSingleLine, shownText());
}

bool TPathLabel::event(QEvent *e)
{
    if (e->type() == QEvent::ToolTip) {
        QToolTip::showText(static_cast<QHelpEvent *>(e)->globalPos(), text(), this);
        return true;
    }
    return QLabel::event(e);
}

} // namespace vorlix
