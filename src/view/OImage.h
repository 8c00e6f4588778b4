#pragma once
// TOImage: the zoomable, pannable picture control. It shows one 24-bit
// picture magnified by a floating-point zoom, with two scroll bars while the
// picture overflows, panning with a grab hand, a rubber band reported in
// picture pixels, and a one-step undo snapshot.
#include "skin/ElementTable.h" // Rect: Left, Top, Right, Bottom

#include <QColor>
#include <QCursor>
#include <QImage>
#include <QRect>
#include <QString>
#include <QWidget>

#include <array>

class QKeyEvent;
class QScrollBar;

namespace vorlix {

class TOImage : public QWidget
{
    Q_OBJECT
public:
    // How the picture is laid out.
    enum TDrawStyle { dsNormal = 0, dsTile = 1, dsStretch = 2, dsStretchRatio = 3, dsCenter = 4 };
    Q_ENUM(TDrawStyle)
    // What a drag with the mouse does. The drawing modes work on the
    // picture with the left button in ForeColor and the right one in
    // BackColor; the picker reports a pixel's colour instead.
    enum TMouseMode {
        mmPan = 0,
        mmRubberband = 1,
        mmOther = 2,
        mmPencil = 3,
        mmLine = 4,
        mmRectangle = 5,
        mmFill = 6,
        mmPicker = 7,
    };
    Q_ENUM(TMouseMode)
    enum TMouseButton { mbLeft = 0, mbRight = 1, mbMiddle = 2 };
    Q_ENUM(TMouseButton)

    explicit TOImage(QWidget *parent = nullptr);
    ~TOImage() override;

    // --- The picture -------------------------------------------------------
    // Two ways in, on purpose:
    //  * setPicture() and setFileName() bring in a *new* picture: the undo
    //    snapshot is taken first (when Undo() is on) and Zoom and the offsets
    //    go back to 1.0 and 0.
    //  * assignPicture() replaces the pixels of the current picture: Zoom and
    //    offsets stay and UndoBitmap is not touched. The element view uses it
    //    so that the zoom carries over from element to element.
    // Either way the picture is kept as QImage::Format_BGR888.
    const QImage &Picture() const { return m_picture; }
    void setPicture(const QImage &picture);
    void assignPicture(const QImage &picture);
    // Direct access to the picture's pixels for block copies onto it. Writes
    // here do not notify: refresh the view afterwards, and keep the size and
    // the format.
    QImage &pictureBits() { return m_picture; }

    // An empty name clears the picture; a name of a missing file leaves the
    // picture as it is; a file that can't be read throws VorlixError and
    // leaves picture, snapshot and view unchanged.
    QString FileName() const { return m_fileName; }
    void setFileName(const QString &name);

    // --- Undo snapshot -----------------------------------------------------
    bool Undo() const { return m_undo; }
    void setUndo(bool on) { m_undo = on; }
    const QImage &UndoBitmap() const { return m_undoBitmap; }
    void setUndoBitmap(const QImage &snapshot);
    void SaveUndo();    // snapshot := picture
    void RestoreUndo(); // picture <-> snapshot; a second call redoes

    // --- Editing operations (OImageEdit.cpp) --------------------------------
    // Rectangles are in picture pixels, right and bottom exclusive, corners in
    // any order. Every edit that changes the picture takes the undo snapshot
    // first when Undo() is on, and keeps Zoom and the offsets.

    // Puts the rectangle's pixels on the clipboard as a 24-bit image. The
    // rectangle is not limited to the picture: parts outside it come out
    // black. A rectangle without width or height leaves the clipboard alone.
    void CopyRectToClipboard(Rect r);
    // Fills the rectangle, clipped to the picture. The colour is a colour
    // number 0x00BBGGRR (red in the low byte), as the colour boxes hold it;
    // with the highest bit set the low byte names a system colour.
    void FillArea(Rect r, quint32 colorBgr);
    void FillArea(Rect r, const QColor &color);
    // Without this an enum colour such as Qt::white would pick the colour
    // number overload.
    void FillArea(Rect r, Qt::GlobalColor color) { FillArea(r, QColor(color)); }
    // Replaces the picture by a width x height copy: mode 1 smooth (Lanczos,
    // radius 3), any other mode sharp (nearest neighbour). A width or height
    // below 1 gives an empty picture; the sharp mode makes an empty picture
    // into a black one of the new size. The smooth mode throws VorlixError
    // ("Source bitmap too small") for an empty picture, and either mode
    // throws when the new picture can't be allocated; the picture then stays
    // as it was (the snapshot is already taken).
    void ResizePicture(int width, int height, int mode);
    // Whole-picture clipboard operations; also reached with Ctrl+C / Ctrl+X /
    // Ctrl+V, Ctrl+Insert (copy), Shift+Insert (paste) and Shift+Delete (cut)
    // while the control has the focus.
    void CopyToClipboard();    // nothing for an empty picture
    void CutToClipboard();     // copy, then empty the picture
    // Nothing unless the clipboard holds an image; transparency is
    // flattened onto white.
    void PasteFromClipboard();
    // Turns the rectangle's pixels (clipped to the picture; an empty
    // rectangle means the whole picture) into grey of their luma.
    void Grayscale(Rect r);

    // --- View state ----------------------------------------------------------
    double Zoom() const { return m_zoom; } // screen pixels per picture pixel
    int OffsetX() const { return m_offsetX; } // picture column at the left edge
    int OffsetY() const { return m_offsetY; }
    void setOffsetX(int x);
    void setOffsetY(int y);
    // The last released rubber band in picture pixels, corners in drag order
    // (Right may be less than Left, Bottom less than Top).
    Rect RubberbandRect() const { return m_rubberbandRect; }
    // The band being dragged now in picture pixels, normalised; empty when
    // none is.
    QRect draggedBand() const;
    int CenterShiftX() const { return m_centerShiftX; }
    int CenterShiftY() const { return m_centerShiftY; }

    // Zooms to an absolute factor; factors of 0.075 or less and of 50 or
    // more are refused silently. Zooming out pulls the offsets back so the
    // picture's right and bottom edges leave no empty space.
    void SetZoom(double factor);
    // Zooms to an absolute factor keeping the picture pixel under the client
    // point where it is, as far as the picture's edges allow.
    void zoomKeeping(double factor, QPoint client);
    // The largest offsets a scroll may reach at the current zoom.
    int maxOffsetX() const;
    int maxOffsetY() const;
    // A one-pixel grid between picture pixels, drawn at zoom 4 and more.
    bool ShowGrid() const { return m_showGrid; }
    void setShowGrid(bool on);
    static constexpr double kGridZoom = 4.0;
    static constexpr QRgb kGridColour = 0xff808080;
    // Zoom so that the whole picture fits (used by dsStretchRatio).
    void FitRatio();
    // Places the scroll bars and sets their ranges from the current state.
    void UpdateScrollbars();

    // --- Coordinate transforms (truncating toward zero) ---------------------
    int toPictureExtent(int clientPixels) const;   // trunc(n / Zoom)
    int toClientExtent(double picturePixels) const; // trunc(n * Zoom)
    int clientToPictureX(int x) const { return toPictureExtent(x) + m_offsetX; }
    int clientToPictureY(int y) const { return toPictureExtent(y) + m_offsetY; }
    QPoint clientToPicture(QPoint p) const { return {clientToPictureX(p.x()), clientToPictureY(p.y())}; }
    int pictureToClientX(int x) const { return toClientExtent(double(x) - m_offsetX); }
    int pictureToClientY(int y) const { return toClientExtent(double(y) - m_offsetY); }
    // True when the zoomed picture is wider or taller than the control.
    bool overflows() const;

    // --- Properties ------------------------------------------------------------
    bool AutoSize() const { return m_autoSize; }
    void setAutoSize(bool on);
    bool StretchCntr() const { return m_stretchCntr; }
    void setStretchCntr(bool on);
    // Kept for the owners' window definitions; the grab hand shown while
    // panning is always the built-in one.
    int GrabHandCursor() const { return m_grabHandCursor; }
    void setGrabHandCursor(int number) { m_grabHandCursor = number; }
    int ScrollbarWidth() const { return m_scrollbarWidth; }
    void setScrollbarWidth(int width);
    bool Scrolling() const { return m_scrolling; }
    void setScrolling(bool on);
    bool ShowScrollbars() const { return m_showScrollbars; }
    void setShowScrollbars(bool on);
    TDrawStyle DrawStyle() const { return m_drawStyle; }
    void setDrawStyle(TDrawStyle style);
    TMouseMode MouseMode() const { return m_mouseMode; }
    // Also shows the mode's cursor over the control.
    void setMouseMode(TMouseMode mode);
    static bool isDrawingMode(TMouseMode mode) { return mode >= mmPencil && mode <= mmPicker; }
    // The colours the drawing modes use for the left and the right button.
    QColor ForeColor() const { return m_foreColor; }
    QColor BackColor() const { return m_backColor; }
    void setDrawColors(const QColor &fore, const QColor &back);
    // True from the press of a drawing stroke until its release.
    bool isStroking() const { return m_strokeButton >= 0; }
    TMouseButton PanBtn() const { return m_panBtn; }
    void setPanBtn(TMouseButton b) { m_panBtn = b; }
    TMouseButton RubberbandBtn() const { return m_rubberbandBtn; }
    void setRubberbandBtn(TMouseButton b) { m_rubberbandBtn = b; }
    QColor Color() const { return m_color; }
    void setColor(const QColor &c);
    // True: the control takes the keyboard focus on a left click and by Tab.
    bool TabStop() const { return m_tabStop; }
    void setTabStop(bool on);

    // --- Child controls ----------------------------------------------------------
    // While not needed they are hidden with geometry (-1, -1, 0, 0).
    QScrollBar *VertBar() const { return m_vertBar; }
    QScrollBar *HorzBar() const { return m_horzBar; }
    QWidget *Corner() const { return m_corner; }

    bool isPanning() const { return m_panning; }

    // The client area as a paint draws it, without the rubber band: a W x H
    // Format_RGB32 frame (null for an empty control). Updates the centring
    // shift and the scroll bars as a paint does, but fires no signal.
    // paintArea receives the picture's destination in client pixels, or an
    // invalid rectangle when no picture was drawn (empty picture, dsTile).
    QImage renderFrame(QRect *paintArea = nullptr);

signals:
    // Fired last in every paint except with dsTile. A QPainter may be opened
    // on the control while it runs (the selection marquee is drawn so).
    void OnPaint();
    // Fired during a picture paint with the picture's destination.
    void OnPaintArea(QRect area);
    void OnPictureChanged();
    // A rubber band was released: start and end in client pixels, unordered.
    // RubberbandRect() already holds it in picture pixels.
    void OnRubberband(vorlix::TOImage::TMouseButton button, Qt::KeyboardModifiers shift,
                      int x, int y, int xx, int yy);
    // Fired on every press, before the control's own press handling.
    void OnMouseDown(vorlix::TOImage::TMouseButton button, Qt::KeyboardModifiers shift,
                     int x, int y);
    // A left double-click, in client pixels.
    void OnDoubleClick(int x, int y);
    // A drawing stroke changed the picture; fired once a stroke, at the
    // press, after the undo snapshot was taken.
    void OnStroke();
    // The stroke begun by the last OnStroke is over: the button was
    // released (a fill is over at its press).
    void OnStrokeEnd();
    // The picker was pressed on a pixel of the picture.
    void OnColorPicked(vorlix::TOImage::TMouseButton button, QColor color);
    // Ctrl+wheel: steps up (positive, zoom in) or down, at a client point.
    void OnZoomWheel(int steps, QPoint client);
    // The pointer moved over the control (client pixels), or left it.
    void OnPointerMove(QPoint client);
    void OnPointerLeave();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void leaveEvent(QEvent *event) override;
    bool event(QEvent *event) override;

private:
    // Where a paint puts the picture: source S in picture pixels onto
    // destination D in client pixels.
    enum class Layout { Empty, Tile, Stretch, Plain, Zoomed };
    struct PaintPlan
    {
        Layout layout = Layout::Empty;
        QRect source;
        QRect dest;
    };
    PaintPlan planPaint();
    bool hasPicture() const;
    // Bar thickness to keep clear during mouse drags.
    int dragBarThickness() const;
    bool overflowCountsForDrag() const;
    // The picture's change notification: resize, reset view if asked, signal.
    void pictureChanged();
    void resetView();
    void paintNow();

    void startPan(QPoint at, TMouseButton button);
    void panTo(QPoint to);
    void endPan();
    void bandTo(QPoint to);
    void releaseBand(TMouseButton button, Qt::KeyboardModifiers shift);
    void drawBand(QPainter &painter) const;
    // Drawing strokes (OImageEdit.cpp).
    void startStroke(QPoint client, TMouseButton button);
    void continueStroke(QPoint client);
    void endStroke();
    void barScrolled(Qt::Orientation orientation, int position);
    void hideBars();
    // The clipboard operation a key stands for, if any.
    enum class ClipboardKey { None, Copy, Cut, Paste };
    static ClipboardKey clipboardKey(const QKeyEvent *event);

    QImage m_picture;
    QImage m_undoBitmap;
    QString m_fileName;

    bool m_autoSize = false;
    bool m_stretchCntr = false;
    int m_grabHandCursor = 5;
    bool m_undo = false;
    int m_scrollbarWidth = 12;
    bool m_scrolling = true;
    bool m_showScrollbars = true;
    TDrawStyle m_drawStyle = dsNormal;
    TMouseMode m_mouseMode = mmPan;
    TMouseButton m_panBtn = mbLeft;
    TMouseButton m_rubberbandBtn = mbLeft;
    QColor m_color = Qt::black;
    bool m_tabStop = false;
    bool m_showGrid = false;
    int m_wheelRest = 0; // eighths of a degree not yet a whole step

    double m_zoom = 1.0;
    int m_offsetX = 0;
    int m_offsetY = 0;
    Rect m_rubberbandRect;
    double m_savedZoom = 1.0;
    int m_savedOffsetX = 0;
    int m_savedOffsetY = 0;
    int m_centerShiftX = 0;
    int m_centerShiftY = 0;
    bool m_resetViewOnChange = false;

    // Pan and band state; one held flag per mouse button.
    std::array<bool, 3> m_held{};
    bool m_panning = false;
    QPoint m_panLast;
    bool m_hadCursor = false;
    QCursor m_savedCursor;
    QCursor m_grabHand;
    QPoint m_band1;
    QPoint m_band2;
    bool m_bandShown = false;

    // Drawing: the stroke's button (-1: none), its colour, where it began
    // and was last, and the picture as it was at the press, which the line
    // and rectangle previews are drawn over afresh at every move.
    QColor m_foreColor = Qt::white;
    QColor m_backColor = Qt::black;
    int m_strokeButton = -1;
    TMouseMode m_strokeMode = mmOther; // a key may switch tools mid-stroke
    QColor m_strokeColor;
    QPoint m_strokeStart;
    QPoint m_strokeLast;
    QImage m_strokeBase;

    QScrollBar *m_vertBar = nullptr;
    QScrollBar *m_horzBar = nullptr;
    QWidget *m_corner = nullptr;
};

} // namespace vorlix
