#pragma once
// Small controls of the main window: the background picture, flat glyph and
// text buttons, plain images, colour boxes and the state slider.
#include <QAbstractButton>
#include <QLabel>
#include <QColor>
#include <QImage>
#include <QPixmap>
#include <QSlider>
#include <QWidget>

#include "platform/ColorNumber.h"

namespace vorlix {

// Paints the window's background picture at (0, 0) at its own size.
class TfcImageForm : public QWidget
{
    Q_OBJECT
public:
    explicit TfcImageForm(QWidget *parent = nullptr);
    // Kept as 32-bit pixels, which paint without conversion (parts of the
    // picture repaint under every control), or as 8 bits with a palette,
    // which take a quarter of the memory and paint through the palette.
    void setPicture(const QImage &picture);
    const QImage &picture() const { return m_picture; }

protected:
    void paintEvent(QPaintEvent *) override;

private:
    QImage m_picture;
};

// A flat button showing a glyph from a strip (normal, disabled, pressed,
// latched, side by side) or a caption. Buttons sharing a group index act as
// one set of latching buttons; with allowAllUp all may be released.
class TSpeedButton : public QAbstractButton
{
    Q_OBJECT
public:
    explicit TSpeedButton(QWidget *parent = nullptr);

    // The colour of the strip's bottom-left pixel is see-through.
    void setGlyph(const QImage &strip, int numGlyphs);
    int numGlyphs() const { return m_numGlyphs; }
    // Which image of the strip the button shows now (0..numGlyphs-1).
    int currentGlyphIndex() const;

    void setGroupIndex(int index) { m_groupIndex = index; setCheckable(index != 0); }
    int groupIndex() const { return m_groupIndex; }
    void setAllowAllUp(bool allow) { m_allowAllUp = allow; }
    bool allowAllUp() const { return m_allowAllUp; }
    // Latched ("down") state of a grouped button; latching one releases the
    // others of its group.
    void setLatched(bool latched);
    bool isLatched() const { return isChecked(); }

    void setTextColor(const QColor &c) { m_textColor = c; update(); }
    QColor textColor() const { return m_textColor; }

protected:
    void paintEvent(QPaintEvent *) override;
    void enterEvent(QEnterEvent *) override;
    void leaveEvent(QEvent *) override;
    void nextCheckState() override;
    void checkStateSet() override;

private:
    void releaseSiblings();
    QPixmap glyphImage(int index) const;

    QImage m_strip;
    QPixmap m_stripPixmap;
    int m_numGlyphs = 0;
    int m_groupIndex = 0;
    bool m_allowAllUp = false;
    bool m_hover = false;
    QColor m_textColor;
};

// A picture shown at its own size; reports clicks and mouse moves.
class TImage : public QWidget
{
    Q_OBJECT
public:
    explicit TImage(QWidget *parent = nullptr);
    void setPicture(const QImage &picture);
    QImage &picture() { return m_picture; }
    const QImage &picture() const { return m_picture; }

signals:
    void clicked();
    void mouseMoved(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, int x, int y);

protected:
    void paintEvent(QPaintEvent *) override;
    void mousePressEvent(QMouseEvent *) override;
    void mouseReleaseEvent(QMouseEvent *) override;
    void mouseMoveEvent(QMouseEvent *) override;

private:
    QImage m_picture;
    bool m_pressed = false;
};

// A colour swatch: a square of one colour with a thin black outline. The
// colour is kept as a colour number (0x00BBGGRR, or a system colour with the
// highest bit set), the form in which it is stored between runs.
class TPaintBox : public QWidget
{
    Q_OBJECT
public:
    explicit TPaintBox(QWidget *parent = nullptr);
    ColorNumber Color() const { return m_color; }
    void setColorNumber(ColorNumber color);
    // Stores the colour's RGB number.
    void setColor(const QColor &c) { setColorNumber(numberFromColor(c)); }
    // The colour shown; a system colour resolved through the palette.
    QColor color() const { return colorFromNumber(m_color); }

signals:
    void clicked();
    void doubleClicked();

protected:
    void paintEvent(QPaintEvent *) override;
    void mouseReleaseEvent(QMouseEvent *) override;
    void mouseDoubleClickEvent(QMouseEvent *) override;

private:
    ColorNumber m_color = rgbColorNumber(255, 255, 255);
};

// The state slider: tick marks, a lowered bevel and a grey face.
class TRxSlider : public QSlider
{
    Q_OBJECT
public:
    explicit TRxSlider(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *) override;
};

// Draws a one-pixel lowered (sunken) or raised bevel just inside r.
void drawBevel(class QPainter &p, const QRect &r, bool lowered);

// A label for a path in a fixed width: the path whole when it fits, else with
// its middle left out; the whole path is the tooltip. text() stays whole.
class TPathLabel : public QLabel
{
    Q_OBJECT
public:
    using QLabel::QLabel;
    // What the label shows of its text in its width.
    QString shownText() const;

protected:
    void paintEvent(QPaintEvent *) override;
    bool event(QEvent *e) override;
};

} // namespace vorlix
