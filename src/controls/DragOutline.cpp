#include "controls/DragOutline.h"

#include <QPainter>
#include <QResizeEvent>

namespace vorlix {

TDragOutline::TDragOutline(QWidget *parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint
                          | Qt::BypassWindowManagerHint | Qt::WindowTransparentForInput
                          | Qt::WindowDoesNotAcceptFocus)
{
    setObjectName(QStringLiteral("dragOutline"));
    // Titled apart from the main window, so nothing looking for it by its
    // title finds the outline instead.
    setWindowTitle(QStringLiteral("drag outline"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
}

void TDragOutline::showAt(const QRect &rect)
{
    setGeometry(rect);
    if (!isVisible())
        show();
}

void TDragOutline::resizeEvent(QResizeEvent *e)
{
    QWidget::resizeEvent(e);
    const QRect outer(QPoint(0, 0), e->size());
    setMask(QRegion(outer) - QRegion(outer.adjusted(kThickness, kThickness, -kThickness, -kThickness)));
}

void TDragOutline::paintEvent(QPaintEvent *)
{
    // A dotted line alternates pixels; black and white dots stay visible on
    // any desktop, as an inverted pattern would.
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    p.setPen(Qt::black);
    const int w = width(), h = height();
    for (int inset = 0; inset < kThickness; ++inset) {
        const int l = inset, t = inset, r = w - 1 - inset, b = h - 1 - inset;
        if (r < l || b < t)
            break;
        for (int x = l; x <= r; ++x) {
            if ((x + t) % 2 == 0)
                p.drawPoint(x, t);
            if ((x + b) % 2 == 0)
                p.drawPoint(x, b);
        }
        for (int y = t + 1; y < b; ++y) {
            if ((l + y) % 2 == 0)
                p.drawPoint(l, y);
            if ((r + y) % 2 == 0)
                p.drawPoint(r, y);
        }
    }
}

} // namespace vorlix
