#include <QtTest>

#include "Pictures.h"

#include <QPainter>
#include <QScrollBar>
#include <QTemporaryDir>

#include <cmath>
#include <limits>

#include "platform/Errors.h"
#include "view/OImage.h"

using vorlix::TOImage;

namespace {

const QColor kMaroon(128, 0, 0);

// A rendered frame of one colour.
QImage uniformFrame(int w, int h, QColor c)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(c);
    return img;
}

// The desktop view: 290 x 178, maroon background, like the main window's.
struct View
{
    TOImage v;
    explicit View(QSize size = {290, 178}, QSize picture = {275, 116})
    {
        v.resize(size);
        v.setColor(kMaroon);
        if (!picture.isEmpty())
            v.assignPicture(patterned(picture.width(), picture.height()));
    }
    void show()
    {
        v.show();
        QVERIFY(QTest::qWaitForWindowExposed(&v));
    }
};

// Reference for the nearest-neighbour stretch: the source index sampled by
// destination index i of n, over a source extent of m.
int sampled(int i, int n, int m)
{
    return static_cast<int>((2LL * i + 1) * m / (2LL * n));
}

void moveWithButtons(QWidget *w, QPoint to, Qt::MouseButtons buttons)
{
    QMouseEvent e(QEvent::MouseMove, QPointF(to), QPointF(w->mapToGlobal(to)), Qt::NoButton,
                  buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

QRect barGeometry(const QWidget *w)
{
    return w->isHidden() ? QRect(-1, -1, 0, 0) : w->geometry();
}

} // namespace

class TestOImage : public QObject
{
    Q_OBJECT
private slots:
    void constructionValues();

    void layout_data();
    void layout();
    void partlyVisibleColumnNeverDrawn();
    void tileRepeatsPictureWithoutOnPaint();
    void paintSignals();

    void scrollBars_data();
    void scrollBars();
    void scrollBarMovesOffsets();
    void hidingBarsPullsOffsetBack_data();
    void hidingBarsPullsOffsetBack();

    void setZoomLimits_data();
    void setZoomLimits();
    void zoomOffsets_data();
    void zoomOffsets();
    void drawStyleSavesAndRestoresView();

    void pan_data();
    void pan();
    void panCursorAndOnMouseDown();

    void rubberBand_data();
    void rubberBand();
    void rubberBandDrawnInverted();

    void restoreUndoTwice();
    void assignKeepsViewSetPictureResets();
    void fileName();
    void degenerateInputsStaySafe();
};

void TestOImage::constructionValues()
{
    TOImage v;
    QCOMPARE(v.size(), QSize(100, 100));
    QCOMPARE(v.AutoSize(), false);
    QCOMPARE(v.StretchCntr(), false);
    QCOMPARE(v.GrabHandCursor(), 5);
    QVERIFY(v.Picture().isNull());
    QCOMPARE(v.Undo(), false);
    QCOMPARE(v.ScrollbarWidth(), 12);
    QCOMPARE(v.Scrolling(), true);
    QCOMPARE(v.ShowScrollbars(), true);
    QCOMPARE(v.DrawStyle(), TOImage::dsNormal);
    QCOMPARE(v.MouseMode(), TOImage::mmPan);
    QCOMPARE(v.PanBtn(), TOImage::mbLeft);
    QCOMPARE(v.RubberbandBtn(), TOImage::mbLeft);
    QCOMPARE(v.Color(), QColor(Qt::black));
    QCOMPARE(v.TabStop(), false);
    QCOMPARE(v.Zoom(), 1.0);
    QCOMPARE(v.OffsetX(), 0);
    QCOMPARE(v.OffsetY(), 0);
    for (QWidget *child : {static_cast<QWidget *>(v.VertBar()), static_cast<QWidget *>(v.HorzBar()), v.Corner()})
        QCOMPARE(barGeometry(child), QRect(-1, -1, 0, 0));
    QCOMPARE(v.VertBar()->orientation(), Qt::Vertical);
    QCOMPARE(v.HorzBar()->orientation(), Qt::Horizontal);
    QCOMPARE(v.HorzBar()->singleStep(), 5);
    QCOMPARE(v.HorzBar()->pageStep(), 25);

    // An empty control is all background.
    v.setColor(kMaroon);
    const QImage frame = v.renderFrame();
    QCOMPARE(frame.format(), QImage::Format_RGB32);
    QCOMPARE(frame, uniformFrame(100, 100, kMaroon));
}

// Every paint style: where the picture goes (S onto D) and that every pixel
// of the frame is either the sampled picture pixel or the background.
void TestOImage::layout_data()
{
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<double>("zoom"); // 0: as the style leaves it
    QTest::addColumn<QPoint>("offset");
    QTest::addColumn<int>("style");
    QTest::addColumn<bool>("scrolling");
    QTest::addColumn<bool>("centred");
    QTest::addColumn<bool>("bars");
    QTest::addColumn<QRect>("source");
    QTest::addColumn<QRect>("dest");

    const QPoint o0(0, 0);
    QTest::newRow("23x21 fits at zoom 8") << QSize(23, 21) << 8.0 << o0 << int(TOImage::dsNormal)
        << true << false << true << QRect(0, 0, 23, 21) << QRect(0, 0, 184, 168);
    QTest::newRow("fits, StretchCntr") << QSize(23, 21) << 8.0 << o0 << int(TOImage::dsNormal)
        << true << true << true << QRect(0, 0, 23, 21) << QRect(53, 5, 184, 168);
    QTest::newRow("overflows both ways") << QSize(275, 116) << 3.0 << QPoint(10, 5) << int(TOImage::dsNormal)
        << true << false << true << QRect(10, 5, 92, 55) << QRect(0, 0, 278, 166);
    QTest::newRow("overflows both ways, no bars") << QSize(275, 116) << 3.0 << QPoint(10, 5) << int(TOImage::dsNormal)
        << true << false << false << QRect(10, 5, 96, 59) << QRect(0, 0, 290, 178);
    QTest::newRow("overflows horizontally") << QSize(150, 50) << 2.0 << o0 << int(TOImage::dsNormal)
        << true << false << true << QRect(0, 0, 139, 50) << QRect(0, 0, 278, 100);
    QTest::newRow("overflows horizontally, dsCenter") << QSize(150, 50) << 2.0 << o0 << int(TOImage::dsCenter)
        << true << false << true << QRect(0, 0, 139, 50) << QRect(0, 39, 278, 100);
    QTest::newRow("overflows vertically") << QSize(60, 100) << 2.0 << o0 << int(TOImage::dsNormal)
        << true << false << true << QRect(0, 0, 60, 83) << QRect(0, 0, 120, 166);
    QTest::newRow("overflows vertically, dsCenter") << QSize(60, 100) << 2.0 << o0 << int(TOImage::dsCenter)
        << true << false << true << QRect(0, 0, 60, 83) << QRect(85, 0, 120, 166);
    QTest::newRow("not scrolling: 1:1 at the corner") << QSize(23, 21) << 8.0 << o0 << int(TOImage::dsNormal)
        << false << false << true << QRect(0, 0, 23, 21) << QRect(0, 0, 23, 21);
    QTest::newRow("not scrolling, dsCenter") << QSize(23, 21) << 1.0 << o0 << int(TOImage::dsCenter)
        << false << false << true << QRect(0, 0, 23, 21) << QRect(133, 78, 23, 21);
    QTest::newRow("dsCenter, picture larger than view") << QSize(300, 200) << 1.0 << o0 << int(TOImage::dsCenter)
        << false << false << true << QRect(0, 0, 300, 200) << QRect(-5, -11, 300, 200);
    QTest::newRow("dsStretch") << QSize(23, 21) << 1.0 << o0 << int(TOImage::dsStretch)
        << true << false << true << QRect(0, 0, 23, 21) << QRect(0, 0, 290, 178);
    QTest::newRow("dsStretchRatio") << QSize(23, 21) << 0.0 << o0 << int(TOImage::dsStretchRatio)
        << true << false << true << QRect(0, 0, 23, 21) << QRect(0, 0, 194, 178);
    QTest::newRow("empty picture") << QSize() << 1.0 << o0 << int(TOImage::dsNormal)
        << true << false << true << QRect() << QRect();
}

void TestOImage::layout()
{
    QFETCH(QSize, picture);
    QFETCH(double, zoom);
    QFETCH(QPoint, offset);
    QFETCH(int, style);
    QFETCH(bool, scrolling);
    QFETCH(bool, centred);
    QFETCH(bool, bars);
    QFETCH(QRect, source);
    QFETCH(QRect, dest);

    View view({290, 178}, picture);
    TOImage &v = view.v;
    // The style first: leaving dsNormal brings back the saved zoom.
    v.setDrawStyle(TOImage::TDrawStyle(style));
    v.setScrolling(scrolling);
    if (zoom > 0)
        v.SetZoom(zoom);
    v.setStretchCntr(centred);
    v.setShowScrollbars(bars);
    v.setOffsetX(offset.x());
    v.setOffsetY(offset.y());

    QRect area;
    const QImage frame = v.renderFrame(&area);
    QCOMPARE(area, dest);
    QCOMPARE(frame.size(), QSize(290, 178));

    const QImage &pic = v.Picture();
    for (int y = 0; y < frame.height(); ++y) {
        for (int x = 0; x < frame.width(); ++x) {
            QColor want = kMaroon;
            if (dest.contains(x, y)) {
                const int sx = source.x() + sampled(x - dest.x(), dest.width(), source.width());
                const int sy = source.y() + sampled(y - dest.y(), dest.height(), source.height());
                if (pic.rect().contains(sx, sy))
                    want = pic.pixelColor(sx, sy);
            }
            if (frame.pixelColor(x, y) != want)
                QFAIL(qPrintable(QStringLiteral("pixel (%1, %2)").arg(x).arg(y)));
        }
    }
}

void TestOImage::partlyVisibleColumnNeverDrawn()
{
    // Zoom 3, bars shown: 278 screen columns show 92 whole picture columns.
    View view;
    view.v.SetZoom(3);
    view.v.setOffsetX(10);
    const QImage frame = view.v.renderFrame();
    QSet<int> columns;
    for (int x = 0; x < 278; ++x)
        columns.insert(frame.pixelColor(x, 0).red());
    QCOMPARE(columns.size(), 92);
    QCOMPARE(*std::max_element(columns.begin(), columns.end()), 10 + 91);
    QCOMPARE(frame.pixelColor(277, 0).red(), 101);
}

void TestOImage::tileRepeatsPictureWithoutOnPaint()
{
    View view({29, 17}, {});
    TOImage &v = view.v;
    const QImage tile = patterned(3, 2);
    v.assignPicture(tile);
    v.setDrawStyle(TOImage::dsTile);
    QCOMPARE(v.Scrolling(), false);

    const QImage frame = v.renderFrame();
    for (int y = 0; y < 17; ++y)
        for (int x = 0; x < 29; ++x)
            QCOMPARE(frame.pixelColor(x, y), tile.pixelColor(x % 3, y % 2));

    view.show();
    QSignalSpy paints(&v, &TOImage::OnPaint);
    QSignalSpy areas(&v, &TOImage::OnPaintArea);
    v.repaint();
    QCOMPARE(paints.count(), 0);
    QCOMPARE(areas.count(), 0);
    v.setDrawStyle(TOImage::dsNormal);
    paints.clear();
    v.repaint();
    QCOMPARE(paints.count(), 1);
}

void TestOImage::paintSignals()
{
    View view({290, 178}, {23, 21});
    TOImage &v = view.v;
    v.SetZoom(8);
    QStringList order;
    QRect area;
    connect(&v, &TOImage::OnPaintArea, &v, [&](QRect r) { order << "area"; area = r; });
    connect(&v, &TOImage::OnPaint, &v, [&] {
        order << "paint";
        // Owners draw over the view from here.
        QPainter p(&v);
        QVERIFY(p.isActive());
    });
    view.show();
    order.clear();
    v.repaint();
    QCOMPARE(order, QStringList({"area", "paint"}));
    QCOMPARE(area, QRect(0, 0, 184, 168));

    // A stretched picture reports its own rectangle, not the view's.
    v.setDrawStyle(TOImage::dsStretch);
    v.repaint();
    QCOMPARE(area, QRect(0, 0, 23, 21));
    v.setDrawStyle(TOImage::dsNormal);

    v.assignPicture(QImage());
    order.clear();
    v.repaint();
    QCOMPARE(order, QStringList({"paint"}));
}

void TestOImage::scrollBars_data()
{
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<double>("zoom");
    QTest::addColumn<QPoint>("offset");
    QTest::addColumn<int>("style");
    QTest::addColumn<bool>("bars");
    QTest::addColumn<bool>("shown");
    QTest::addColumn<int>("hMax");
    QTest::addColumn<int>("vMax");
    QTest::addColumn<int>("hPos");
    QTest::addColumn<int>("vPos");

    const int normal = TOImage::dsNormal;
    QTest::newRow("275x116 fits at zoom 1") << QSize(275, 116) << 1.0 << QPoint() << normal << true
                                            << false << 0 << 0 << 0 << 0;
    QTest::newRow("275x116 overflows at zoom 2") << QSize(275, 116) << 2.0 << QPoint() << normal << true
                                                 << true << 272 << 66 << 0 << 0;
    QTest::newRow("positions follow the offsets") << QSize(275, 116) << 2.0 << QPoint(100, 20) << normal << true
                                                  << true << 272 << 66 << 200 << 40;
    QTest::newRow("positions stop at the maxima") << QSize(275, 116) << 2.0 << QPoint(200, 60) << normal << true
                                                  << true << 272 << 66 << 272 << 66;
    QTest::newRow("overflowing one way shows both bars") << QSize(150, 50) << 2.0 << QPoint(5, 0) << normal << true
                                                         << true << 22 << 0 << 10 << 0;
    QTest::newRow("ShowScrollbars off") << QSize(275, 116) << 2.0 << QPoint() << normal << false
                                        << false << 0 << 0 << 0 << 0;
    QTest::newRow("dsStretch") << QSize(275, 116) << 2.0 << QPoint() << int(TOImage::dsStretch) << true
                               << false << 0 << 0 << 0 << 0;
    QTest::newRow("empty picture") << QSize() << 2.0 << QPoint() << normal << true
                                   << false << 0 << 0 << 0 << 0;
}

void TestOImage::scrollBars()
{
    QFETCH(QSize, picture);
    QFETCH(double, zoom);
    QFETCH(QPoint, offset);
    QFETCH(int, style);
    QFETCH(bool, bars);
    QFETCH(bool, shown);
    QFETCH(int, hMax);
    QFETCH(int, vMax);
    QFETCH(int, hPos);
    QFETCH(int, vPos);

    View view({290, 178}, picture);
    TOImage &v = view.v;
    v.SetZoom(zoom);
    v.setDrawStyle(TOImage::TDrawStyle(style));
    v.setShowScrollbars(bars);
    v.setOffsetX(offset.x());
    v.setOffsetY(offset.y());
    v.renderFrame();

    if (!shown) {
        for (QWidget *child : {static_cast<QWidget *>(v.VertBar()), static_cast<QWidget *>(v.HorzBar()), v.Corner()}) {
            QVERIFY(child->isHidden());
            QCOMPARE(child->geometry(), QRect(-1, -1, 0, 0));
        }
        return;
    }
    QCOMPARE(barGeometry(v.VertBar()), QRect(278, 1, 12, 165));
    QCOMPARE(barGeometry(v.HorzBar()), QRect(1, 166, 277, 12));
    QCOMPARE(barGeometry(v.Corner()), QRect(278, 166, 12, 12));
    QCOMPARE(v.HorzBar()->maximum(), hMax);
    QCOMPARE(v.VertBar()->maximum(), vMax);
    QCOMPARE(v.HorzBar()->value(), hPos);
    QCOMPARE(v.VertBar()->value(), vPos);
    // Syncing the bars must not feed back into the offsets.
    QCOMPARE(v.OffsetX(), offset.x());
    QCOMPARE(v.OffsetY(), offset.y());
}

void TestOImage::scrollBarMovesOffsets()
{
    View view;
    TOImage &v = view.v;
    v.SetZoom(3);
    view.show();
    v.HorzBar()->setValue(100); // screen pixels
    QCOMPARE(v.OffsetX(), 33);
    QCOMPARE(v.HorzBar()->value(), 99); // re-synced by the paint
    v.VertBar()->setValue(50);
    QCOMPARE(v.OffsetY(), 16);
    QCOMPARE(v.renderFrame().pixelColor(0, 0), v.Picture().pixelColor(33, 16));
}

void TestOImage::hidingBarsPullsOffsetBack_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<double>("zoom");
    QTest::addColumn<int>("offsetX");
    QTest::addColumn<int>("expected");

    QTest::newRow("strip at the right is filled") << QSize(290, 178) << QSize(275, 116) << 2.0 << 140 << 129;
    QTest::newRow("no strip, no change") << QSize(290, 178) << QSize(275, 116) << 2.0 << 10 << 10;
    // The pull-back would give -1 here; an offset never goes below 0.
    QTest::newRow("never below zero") << QSize(299, 178) << QSize(100, 50) << 3.0 << 50 << 0;
}

void TestOImage::hidingBarsPullsOffsetBack()
{
    QFETCH(QSize, size);
    QFETCH(QSize, picture);
    QFETCH(double, zoom);
    QFETCH(int, offsetX);
    QFETCH(int, expected);

    View view(size, picture);
    view.v.SetZoom(zoom);
    view.v.setOffsetX(offsetX);
    view.v.setShowScrollbars(false);
    QCOMPARE(view.v.OffsetX(), expected);
    QVERIFY(view.v.HorzBar()->isHidden());
}

void TestOImage::setZoomLimits_data()
{
    QTest::addColumn<bool>("hasPicture");
    QTest::addColumn<double>("requested");
    QTest::addColumn<double>("expected");

    QTest::newRow("whole factor is exact") << true << 8.0 << 8.0;
    QTest::newRow("0.075 refused") << true << 0.075 << 1.0;
    QTest::newRow("just above 0.075") << true << 0.0751 << 0.0751;
    QTest::newRow("50 refused") << true << 50.0 << 1.0;
    QTest::newRow("just below 50") << true << 49.9 << 49.9;
    QTest::newRow("zero refused") << true << 0.0 << 1.0;
    QTest::newRow("NaN refused") << true << std::numeric_limits<double>::quiet_NaN() << 1.0;
    QTest::newRow("empty picture keeps zoom") << false << 4.0 << 1.0;
}

void TestOImage::setZoomLimits()
{
    QFETCH(bool, hasPicture);
    QFETCH(double, requested);
    QFETCH(double, expected);

    View view({290, 178}, hasPicture ? QSize(275, 116) : QSize());
    view.v.SetZoom(requested);
    QCOMPARE(view.v.Zoom(), expected);
}

void TestOImage::zoomOffsets_data()
{
    QTest::addColumn<double>("from");
    QTest::addColumn<QPoint>("offset");
    QTest::addColumn<double>("to");
    QTest::addColumn<QPoint>("expected");

    QTest::newRow("8 to 1 resets both offsets") << 8.0 << QPoint(200, 80) << 1.0 << QPoint(0, 0);
    QTest::newRow("8 to 4 pulls back to the edges") << 8.0 << QPoint(240, 90) << 4.0 << QPoint(203, 72);
    QTest::newRow("zooming out with room keeps them") << 8.0 << QPoint(10, 5) << 4.0 << QPoint(10, 5);
    QTest::newRow("zooming in keeps them") << 2.0 << QPoint(100, 20) << 4.0 << QPoint(100, 20);
}

void TestOImage::zoomOffsets()
{
    QFETCH(double, from);
    QFETCH(QPoint, offset);
    QFETCH(double, to);
    QFETCH(QPoint, expected);

    View view;
    view.v.SetZoom(from);
    view.v.setOffsetX(offset.x());
    view.v.setOffsetY(offset.y());
    view.v.SetZoom(to);
    QCOMPARE(view.v.Zoom(), to);
    QCOMPARE(QPoint(view.v.OffsetX(), view.v.OffsetY()), expected);
}

void TestOImage::drawStyleSavesAndRestoresView()
{
    View view({290, 178}, {23, 21});
    TOImage &v = view.v;
    v.SetZoom(20);
    v.setOffsetX(3);
    v.setOffsetY(2);

    v.setDrawStyle(TOImage::dsStretchRatio);
    QCOMPARE(v.OffsetX(), 0);
    QCOMPARE(v.OffsetY(), 0);
    QCOMPARE(v.Zoom(), std::min(178.0 / 21, 290.0 / 23));
    QVERIFY(v.HorzBar()->isHidden());
    view.show();
    v.resize(100, 420);
    QCOMPARE(v.Zoom(), 100.0 / 23); // refitted on resize

    v.resize(290, 178);
    v.setDrawStyle(TOImage::dsNormal);
    QCOMPARE(v.Zoom(), 20.0);
    QCOMPARE(QPoint(v.OffsetX(), v.OffsetY()), QPoint(3, 2));
    QVERIFY(!v.HorzBar()->isHidden());

    v.setDrawStyle(TOImage::dsCenter);
    QCOMPARE(v.Scrolling(), false);
    QVERIFY(!v.HorzBar()->isEnabled());
    QVERIFY(v.HorzBar()->isHidden());
}

void TestOImage::pan_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<double>("zoom");
    QTest::addColumn<bool>("bars");
    QTest::addColumn<QPoint>("start");
    QTest::addColumn<QPoint>("drag"); // mouse movement in client pixels
    QTest::addColumn<QPoint>("expected");

    const QSize view(290, 178), pic(275, 116);
    QTest::newRow("one pixel left at zoom 8") << view << pic << 8.0 << true << QPoint(10, 10) << QPoint(-1, 0) << QPoint(11, 10);
    QTest::newRow("one pixel right at zoom 8") << view << pic << 8.0 << true << QPoint(10, 10) << QPoint(1, 0) << QPoint(9, 10);
    QTest::newRow("one pixel up at zoom 8") << view << pic << 8.0 << true << QPoint(10, 10) << QPoint(0, -1) << QPoint(10, 11);
    QTest::newRow("17 pixels left at zoom 8") << view << pic << 8.0 << true << QPoint(10, 10) << QPoint(-17, 0) << QPoint(12, 10);
    QTest::newRow("past the left and top edges") << view << pic << 8.0 << true << QPoint(10, 10) << QPoint(100, 100) << QPoint(0, 0);
    QTest::newRow("past the right and bottom edges") << view << pic << 8.0 << true << QPoint(200, 10) << QPoint(-800, -900) << QPoint(241, 96);
    QTest::newRow("edges without bars") << view << pic << 8.0 << false << QPoint(200, 10) << QPoint(-800, -900) << QPoint(239, 94);
    // Picture narrower than the view, overflowing only vertically.
    QTest::newRow("narrow picture under the bar") << QSize(105, 50) << QSize(100, 100) << 1.0 << true << QPoint(0, 0) << QPoint(-1, 0) << QPoint(1, 0);
    QTest::newRow("narrow picture never goes negative") << QSize(105, 50) << QSize(100, 100) << 1.0 << false << QPoint(0, 0) << QPoint(-1, 0) << QPoint(0, 0);
}

void TestOImage::pan()
{
    QFETCH(QSize, size);
    QFETCH(QSize, picture);
    QFETCH(double, zoom);
    QFETCH(bool, bars);
    QFETCH(QPoint, start);
    QFETCH(QPoint, drag);
    QFETCH(QPoint, expected);

    View view(size, picture);
    TOImage &v = view.v;
    v.SetZoom(zoom);
    v.setShowScrollbars(bars);
    v.setOffsetX(start.x());
    v.setOffsetY(start.y());
    view.show();

    const QPoint from(40, 30);
    QTest::mousePress(&v, Qt::LeftButton, {}, from);
    QVERIFY(v.isPanning());
    moveWithButtons(&v, from + drag, Qt::LeftButton);
    QCOMPARE(QPoint(v.OffsetX(), v.OffsetY()), expected);
    QTest::mouseRelease(&v, Qt::LeftButton, {}, from + drag);
    QVERIFY(!v.isPanning());
    // The view shows what the offsets say, with no column of background.
    QCOMPARE(v.renderFrame().pixelColor(0, 0), v.Picture().pixelColor(expected.x(), expected.y()));
}

void TestOImage::panCursorAndOnMouseDown()
{
    View view;
    TOImage &v = view.v;
    v.SetZoom(2);
    v.setCursor(Qt::CrossCursor);
    view.show();

    QList<QVariantList> downs;
    connect(&v, &TOImage::OnMouseDown, &v,
            [&](TOImage::TMouseButton b, Qt::KeyboardModifiers m, int x, int y) {
                downs << QVariantList{int(b), int(m), x, y, v.isPanning()};
            });

    QTest::mousePress(&v, Qt::LeftButton, Qt::ShiftModifier, QPoint(50, 60));
    QCOMPARE(downs.size(), 1);
    // Fired before the pan started.
    QCOMPARE(downs[0], (QVariantList{int(TOImage::mbLeft), int(Qt::ShiftModifier), 50, 60, false}));
    QVERIFY(v.isPanning());
    QVERIFY(v.cursor().shape() != Qt::CrossCursor);
    QTest::mouseRelease(&v, Qt::LeftButton, {}, QPoint(50, 60));
    QCOMPARE(v.cursor().shape(), Qt::CrossCursor);

    v.unsetCursor();
    QTest::mousePress(&v, Qt::LeftButton, {}, QPoint(50, 60));
    QTest::mouseRelease(&v, Qt::LeftButton, {}, QPoint(50, 60));
    QCOMPARE(v.cursor().shape(), Qt::ArrowCursor);

    // Only the pan button pans, and only while the picture overflows.
    QTest::mousePress(&v, Qt::RightButton, {}, QPoint(50, 60));
    QVERIFY(!v.isPanning());
    QTest::mouseRelease(&v, Qt::RightButton, {}, QPoint(50, 60));
    v.SetZoom(1);
    QTest::mousePress(&v, Qt::LeftButton, {}, QPoint(50, 60));
    QVERIFY(!v.isPanning());
    QTest::mouseRelease(&v, Qt::LeftButton, {}, QPoint(50, 60));

    // mmOther: the press is reported, the control does nothing with it.
    v.SetZoom(2);
    v.setMouseMode(TOImage::mmOther);
    downs.clear();
    QTest::mousePress(&v, Qt::MiddleButton, {}, QPoint(7, 8));
    QCOMPARE(downs.size(), 1);
    QCOMPARE(downs[0].mid(0, 4), (QVariantList{int(TOImage::mbMiddle), 0, 7, 8}));
    QTest::mouseRelease(&v, Qt::MiddleButton, {}, QPoint(7, 8));
    QTest::mousePress(&v, Qt::LeftButton, {}, QPoint(7, 8));
    QVERIFY(!v.isPanning());
    QTest::mouseRelease(&v, Qt::LeftButton, {}, QPoint(7, 8));
}

void TestOImage::rubberBand_data()
{
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<double>("zoom");
    QTest::addColumn<QPoint>("offset");
    QTest::addColumn<int>("button");
    QTest::addColumn<QPoint>("press");
    QTest::addColumn<QPoint>("move");
    QTest::addColumn<QPoint>("bandEnd");   // client pixels after limiting
    QTest::addColumn<QRect>("pictureRect"); // Left, Top, Right, Bottom as x1, y1, x2, y2

    const QSize pic(275, 116);
    const int left = TOImage::mbLeft;
    QTest::newRow("right to left at zoom 3, OffsetX 10") << pic << 3.0 << QPoint(10, 0) << left
        << QPoint(31, 20) << QPoint(5, 40) << QPoint(5, 40) << QRect(QPoint(20, 6), QPoint(11, 13));
    QTest::newRow("beyond the view, bars shown") << pic << 2.0 << QPoint(0, 0) << left
        << QPoint(100, 100) << QPoint(1000, 1000) << QPoint(278, 166) << QRect(QPoint(50, 50), QPoint(139, 83));
    QTest::newRow("before the view") << pic << 2.0 << QPoint(4, 3) << left
        << QPoint(100, 100) << QPoint(-50, -30) << QPoint(0, 0) << QRect(QPoint(54, 53), QPoint(4, 3));
    QTest::newRow("beyond the view, no bars") << QSize(23, 21) << 8.0 << QPoint(0, 0) << left
        << QPoint(10, 10) << QPoint(500, 500) << QPoint(290, 178) << QRect(QPoint(1, 1), QPoint(36, 22));
    QTest::newRow("right button") << pic << 1.0 << QPoint(0, 0) << int(TOImage::mbRight)
        << QPoint(10, 10) << QPoint(20, 30) << QPoint(20, 30) << QRect(QPoint(10, 10), QPoint(20, 30));
}

void TestOImage::rubberBand()
{
    QFETCH(QSize, picture);
    QFETCH(double, zoom);
    QFETCH(QPoint, offset);
    QFETCH(int, button);
    QFETCH(QPoint, press);
    QFETCH(QPoint, move);
    QFETCH(QPoint, bandEnd);
    QFETCH(QRect, pictureRect);

    View view({290, 178}, picture);
    TOImage &v = view.v;
    v.SetZoom(zoom);
    v.setOffsetX(offset.x());
    v.setOffsetY(offset.y());
    v.setMouseMode(TOImage::mmRubberband);
    v.setRubberbandBtn(TOImage::TMouseButton(button));
    view.show();

    QVariantList fired;
    connect(&v, &TOImage::OnRubberband, &v,
            [&](TOImage::TMouseButton b, Qt::KeyboardModifiers, int x, int y, int xx, int yy) {
                const vorlix::Rect r = v.RubberbandRect(); // already set when fired
                fired = {int(b), x, y, xx, yy, QRect(QPoint(r.Left, r.Top), QPoint(r.Right, r.Bottom))};
            });
    const Qt::MouseButton qtButton = button == TOImage::mbRight ? Qt::RightButton : Qt::LeftButton;
    QTest::mousePress(&v, qtButton, {}, press);
    moveWithButtons(&v, move, qtButton);
    QVERIFY(fired.isEmpty());
    QTest::mouseRelease(&v, qtButton, {}, move);

    QCOMPARE(fired, (QVariantList{button, press.x(), press.y(), bandEnd.x(), bandEnd.y(), pictureRect}));
    const vorlix::Rect r = v.RubberbandRect();
    QCOMPARE(QRect(QPoint(r.Left, r.Top), QPoint(r.Right, r.Bottom)), pictureRect);
}

void TestOImage::rubberBandDrawnInverted()
{
    const QColor base(10, 20, 30);
    const QColor inverted(245, 235, 225);
    View view({290, 178}, {});
    TOImage &v = view.v;
    v.assignPicture(uniform(23, 21, base));
    v.SetZoom(8);
    v.setMouseMode(TOImage::mmRubberband);
    view.show();

    QTest::mousePress(&v, Qt::LeftButton, {}, QPoint(60, 50));
    QVERIFY(v.grab().toImage().pixelColor(60, 50) == base); // nothing drawn at the press
    moveWithButtons(&v, QPoint(20, 20), Qt::LeftButton);
    const QImage shot = v.grab().toImage();
    // Outline on columns 20..59 and rows 20..49, dash-dot-dot, nothing else.
    int top = 0, bottom = 0, leftSide = 0, rightSide = 0;
    for (int y = 0; y < 168; ++y) {
        for (int x = 0; x < 184; ++x) {
            const QColor c = shot.pixelColor(x, y);
            if (c == base)
                continue;
            QCOMPARE(c, inverted);
            const bool onOutline = (x >= 20 && x <= 59 && (y == 20 || y == 49))
                || (y >= 20 && y <= 49 && (x == 20 || x == 59));
            if (!onOutline)
                QFAIL(qPrintable(QStringLiteral("stray pixel (%1, %2)").arg(x).arg(y)));
            top += y == 20;
            bottom += y == 49;
            leftSide += x == 20;
            rightSide += x == 59;
        }
    }
    QVERIFY(top > 0 && bottom > 0 && leftSide > 0 && rightSide > 0);
    QVERIFY(top < 40); // dashed, not solid
    QCOMPARE(shot.pixelColor(20, 20), inverted);

    QTest::mouseRelease(&v, Qt::LeftButton, {}, QPoint(20, 20));
    QCOMPARE(v.grab().toImage().pixelColor(20, 20), base);
}

void TestOImage::restoreUndoTwice()
{
    TOImage v;
    v.setUndo(true);
    const QImage a = patterned(5, 4);
    const QImage b = uniform(6, 3, Qt::green);
    v.setPicture(a);
    v.setPicture(b);
    QCOMPARE(v.UndoBitmap(), a);

    QSignalSpy changed(&v, &TOImage::OnPictureChanged);
    v.RestoreUndo();
    QCOMPARE(v.Picture(), a);
    QCOMPARE(v.UndoBitmap(), b);
    v.RestoreUndo();
    QCOMPARE(v.Picture(), b);
    QCOMPARE(v.UndoBitmap(), a);
    QCOMPARE(changed.count(), 2);

    // The snapshot is a copy: drawing on the picture leaves it alone.
    v.SaveUndo();
    v.pictureBits().setPixelColor(0, 0, Qt::red);
    QCOMPARE(v.UndoBitmap(), b);
}

void TestOImage::assignKeepsViewSetPictureResets()
{
    View view;
    TOImage &v = view.v;
    v.setUndo(true);
    const QImage snapshot = patterned(2, 2);
    v.setUndoBitmap(snapshot);
    v.SetZoom(4);
    v.setOffsetX(10);
    v.setOffsetY(5);

    QImage argb(300, 120, QImage::Format_ARGB32);
    argb.fill(Qt::blue);
    v.assignPicture(argb);
    QCOMPARE(v.Zoom(), 4.0);
    QCOMPARE(QPoint(v.OffsetX(), v.OffsetY()), QPoint(10, 5));
    QCOMPARE(v.UndoBitmap(), snapshot);
    QCOMPARE(v.Picture().format(), QImage::Format_BGR888);

    const QImage before = v.Picture();
    v.setPicture(patterned(40, 30));
    QCOMPARE(v.Zoom(), 1.0);
    QCOMPARE(QPoint(v.OffsetX(), v.OffsetY()), QPoint(0, 0));
    QCOMPARE(v.UndoBitmap(), before);
    QCOMPARE(v.Picture(), patterned(40, 30));

    // AutoSize takes the picture's size.
    v.setAutoSize(true);
    QCOMPARE(v.size(), QSize(40, 30));
}

void TestOImage::fileName()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString good = dir.filePath("pic.bmp");
    QImage rgb32(7, 5, QImage::Format_RGB32);
    rgb32.fill(QColor(1, 2, 3));
    QVERIFY(rgb32.save(good, "BMP"));
    const QString bad = dir.filePath("broken.bmp");
    {
        QFile f(bad);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("BM this is not a picture");
    }

    View view({290, 178}, {});
    TOImage &v = view.v;
    v.setUndo(true);
    const QImage first = patterned(275, 116);
    v.assignPicture(first);
    v.SetZoom(4);
    v.setOffsetX(10);

    // A file that exists: snapshot, load as 24 bits, view reset.
    v.setFileName(good);
    QCOMPARE(v.FileName(), good);
    QCOMPARE(v.Picture(), uniform(7, 5, QColor(1, 2, 3)));
    QCOMPARE(v.UndoBitmap(), first);
    QCOMPARE(v.Zoom(), 1.0);
    QCOMPARE(v.OffsetX(), 0);

    // A missing file leaves the picture.
    v.assignPicture(first);
    v.SetZoom(4);
    v.setFileName(dir.filePath("missing.bmp"));
    QCOMPARE(v.Picture(), first);
    QCOMPARE(v.Zoom(), 4.0);

    // An unreadable file throws and changes nothing, and the next
    // assignment still keeps the view.
    const QImage snapshot = uniform(3, 3, Qt::yellow);
    v.setUndoBitmap(snapshot);
    try {
        v.setFileName(bad);
        QFAIL("no error for an unreadable file");
    } catch (const vorlix::VorlixError &e) {
        QVERIFY2(e.message().contains("broken.bmp"), qPrintable(e.message()));
    }
    QCOMPARE(v.Picture(), first);
    QCOMPARE(v.UndoBitmap(), snapshot);
    QCOMPARE(v.Zoom(), 4.0);
    v.assignPicture(first);
    QCOMPARE(v.Zoom(), 4.0);

    // An empty name clears the picture.
    v.setFileName(QString());
    QVERIFY(v.Picture().isNull());
}

void TestOImage::degenerateInputsStaySafe()
{
    {
        // Tiling nothing must not loop forever.
        View view({20, 10}, {});
        view.v.setDrawStyle(TOImage::dsTile);
        QCOMPARE(view.v.renderFrame(), uniformFrame(20, 10, kMaroon));
    }
    {
        // A view too small for its bars shows no mirrored picture.
        View view({5, 5});
        view.v.SetZoom(8);
        QCOMPARE(view.v.renderFrame(), uniformFrame(5, 5, kMaroon));
    }
    {
        // Fitting into an empty view keeps a usable zoom.
        View view({0, 0}, {23, 21});
        view.v.setDrawStyle(TOImage::dsStretchRatio);
        QVERIFY(std::isfinite(view.v.Zoom()) && view.v.Zoom() > 0);
        QVERIFY(view.v.renderFrame().isNull());
        view.v.resize(46, 42);
        view.show();
        QCOMPARE(view.v.Zoom(), 2.0);
    }
}

QTEST_MAIN(TestOImage)
#include "tst_oimage.moc"
