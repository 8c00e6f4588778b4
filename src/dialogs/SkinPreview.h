#pragma once
// A window of its own showing the whole skin as players draw it: the main
// window, the equaliser and the playlist stacked, then the three shaded bars,
// at 1x or 2x. The part under the pointer is outlined; a click chooses it.
#include <QImage>
#include <QRect>
#include <QWidget>
#include <functional>

namespace vorlix {

class TSkinPreview : public QWidget
{
    Q_OBJECT
public:
    explicit TSkinPreview(QWidget *parent = nullptr);

    // The composed skin at scale 1; shown at scale() without smoothing.
    void setPicture(const QImage &picture);
    const QImage &picture() const { return m_picture; }
    int scale() const { return m_scale; }
    void setScale(int scale);
    // The chosen element's area at scale 1, outlined in green.
    void setSelectedArea(const QRect &area);
    // The element under a point of the picture at scale 1 (-1 for none), and
    // its area there.
    std::function<int(QPoint)> elementAt;
    std::function<QRect(int)> areaOf;
    int hovered() const { return m_hovered; }

signals:
    void elementChosen(int index);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    QPoint toPicture(QPoint widgetPoint) const;
    void outline(class QPainter &p, const QRect &area, const QColor &colour) const;

    QImage m_picture;
    int m_scale = 1;
    QRect m_selected;
    int m_hovered = -1;
};

} // namespace vorlix
