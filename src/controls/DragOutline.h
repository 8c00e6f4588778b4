#pragma once
// The outline that follows the pointer while a window is dragged by its body.
// No program may draw on the desktop, so the outline is a window of its own:
// frameless, never focused, letting every click through, and cut to three
// nested dotted rectangles so the desktop shows inside and around it.
#include <QWidget>

namespace vorlix {

class TDragOutline : public QWidget
{
    Q_OBJECT
public:
    explicit TDragOutline(QWidget *parent = nullptr);

    // Shows the outline of a window whose frame is rect (screen coordinates).
    void showAt(const QRect &rect);

    // How thick the three nested rectangles are together, in pixels.
    static constexpr int kThickness = 3;

protected:
    void paintEvent(QPaintEvent *) override;
    void resizeEvent(QResizeEvent *) override;
};

} // namespace vorlix
