// Choosing an element in the tree or on the miniature, and showing it.
#include <QtTest>

#include "MainWindowFixture.h"
#include "platform/Blit.h"
#include "app/Application.h"
#include "mainwindow/MainForm.h"
#include "skin/ElementTree.h"
#include "skin/GlobalVar.h"

using namespace vorlix;

class TestElementView : public QObject, protected MainWindowFixture
{
    Q_OBJECT
private slots:
    void initTestCase() { initApplication(*qApp); }
    void init() { setUpMainWindow(); }
    void cleanup() { tearDownMainWindow(); }

    void treeContent();
    void hover_data();
    void hover();
    void nodesHoveringNeverSelects();
    void outline_data();
    void outline();
    void hoverSelectsAndShowsAfterTheDelay();
    void quickChangesReportOnlyTheLast();
    void guardMayRefuse();
    void firstFocusSelectsMainWindow();
    void stateGeometry_data();
    void stateGeometry();
    void groupShowsTheOutlinedMiniature();
    void groupNodePinsZoom();
    void otherWindowsShowTheirElements();
    void zoomCarriesOverElements();
};

void TestElementView::treeContent()
{
    TSelTree *tree = MainForm->SelTree;
    QCOMPARE(tree->nodeCount(), 96);
    QCOMPARE(tree->model()->rowCount(), 7);
    const QStringList top = {"Main Window", "Graphic Equalizer", "WindowShade Mode",
                             "Built-in Visualization", "Playlist Editor", "Mini Browser", "Text/Number"};
    for (int i = 0; i < 7; ++i)
        QCOMPARE(tree->model()->index(i, 0).data().toString(), top[i]);
    // Absolute indices run in pre-order over all nodes.
    QCOMPARE(tree->caption(16), QStringLiteral("Play"));
    QCOMPARE(tree->parentOf(16), 14);
    QCOMPARE(tree->caption(22), QStringLiteral("Shuffle Button"));
    QCOMPARE(tree->caption(54), QStringLiteral("Oscilloscope"));
    QCOMPARE(tree->nodeIndex(45), tree->model()->index(1, 0));
    QCOMPARE(tree->parentOf(59), 58);
    QCOMPARE(tree->caption(61), QStringLiteral("Number"));
    QCOMPARE(tree->parentOf(61), 57);
    QCOMPARE(tree->parentOf(45), -1);
    QCOMPARE(tree->caption(62), QStringLiteral("On Button"));
    QCOMPARE(tree->parentOf(62), 45);
    QVERIFY(!tree->nodeIndex(96).isValid());
    QCOMPARE(tree->indentation(), 19);
    QCOMPARE(tree->editTriggers(), QAbstractItemView::NoEditTriggers);
    QCOMPARE(tree->changeDelay(), 60);
    QCOMPARE(tree->absoluteIndex(), -1); // start-up selects nothing
}

void TestElementView::hover_data()
{
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("y");
    QTest::addColumn<int>("node");
    QTest::newRow("open files") << 90 << 60 << 20;
    QTest::newRow("system menu") << 5 << 3 << 10;
    QTest::newRow("options button, lower half") << 9 << 20 << 4;
    QTest::newRow("states buttons") << 50 << 3 << 9;
    QTest::newRow("recording") << 15 << 22 << 44;
    QTest::newRow("background") << 20 << 30 << 1;
    QTest::newRow("last column") << 174 << 10 << 0;
    QTest::newRow("last row") << 40 << 73 << 0;
    QTest::newRow("stop state wins over play and pause") << 20 << 20 << 42;
    QTest::newRow("volume slider over the bar") << 104 << 40 << 29;
}

void TestElementView::hover()
{
    QFETCH(int, x);
    QFETCH(int, y);
    QTEST(previewHitTest(x, y), "node");
}

void TestElementView::nodesHoveringNeverSelects()
{
    QSet<int> reached;
    for (int y = 0; y < 74; ++y)
        for (int x = 0; x < 175; ++x)
            reached.insert(previewHitTest(x, y));
    for (int never : {2, 21, 24, 36, 39, 40, 41})
        QVERIFY2(!reached.contains(never), qPrintable(QString::number(never)));
    for (int i = 0; i < kPreviewRows; ++i)
        if (!QSet<int>{2, 21, 24, 36, 39, 40, 41}.contains(i))
            QVERIFY2(reached.contains(i), qPrintable(QString::number(i)));
}

void TestElementView::outline_data()
{
    QTest::addColumn<int>("node");
    QTest::addColumn<QRect>("box"); // Left, Top, Right, Bottom as corners
    QTest::newRow("main window") << 0 << QRect(QPoint(0, 0), QPoint(174, 73));
    QTest::newRow("play") << 16 << QRect(QPoint(23, 54), QPoint(38, 67));
}

void TestElementView::outline()
{
    QFETCH(int, node);
    QFETCH(QRect, box);
    QImage pic(175, 74, QImage::Format_BGR888);
    pic.fill(Qt::black);
    drawPreviewOutline(pic, node);
    const QRgb green = qRgb(0, 255, 0);
    for (int y = 0; y < pic.height(); ++y)
        for (int x = 0; x < pic.width(); ++x) {
            const bool onSide = box.contains(x, y)
                                && (x == box.left() || x == box.right() || y == box.top() || y == box.bottom());
            QVERIFY2((pic.pixel(x, y) == green) == onSide, qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
        }
    QImage untouched = pic;
    drawPreviewOutline(pic, 50); // no row: nothing drawn
    drawPreviewOutline(pic, -1);
    QCOMPARE(pic, untouched);
}

void TestElementView::hoverSelectsAndShowsAfterTheDelay()
{
    showCentred(MainForm);
    QVERIFY(QTest::qWaitForWindowActive(MainForm));
    QTest::mouseMove(MainForm->selectimg, QPoint(30, 60)); // "Play"
    QCOMPARE(MainForm->SelTree->absoluteIndex(), 16);
    QCOMPARE(MainForm->SelTree->focusWidget(), MainForm->SelTree);
    QVERIFY(MainForm->SelTree->isNodeSelected(16));
    QVERIFY(MainForm->SelTree->isNodeExpanded(14)); // made visible
    QTRY_COMPARE(MainForm->Label1->text(), QStringLiteral("16"));
    QCOMPARE(MainForm->DesktopImg->Picture().size(), QSize(23, 18));
    QCOMPARE(MainForm->selectimg->picture().pixel(23, 54), qRgb(0, 255, 0));
}

void TestElementView::quickChangesReportOnlyTheLast()
{
    QSignalSpy settled(MainForm->SelTree, &TSelTree::selectionSettled);
    for (int i : {15, 16, 17, 18})
        MainForm->SelTree->selectAbsolute(i);
    QCOMPARE(settled.count(), 0);
    QTRY_COMPARE(settled.count(), 1);
    QTest::qWait(120);
    QCOMPARE(settled.count(), 1);
    QCOMPARE(MainForm->Label1->text(), QStringLiteral("18"));
}

void TestElementView::guardMayRefuse()
{
    selectNode(16);
    QList<int> asked;
    bool allow = false;
    MainForm->SelTree->changingGuard = [&](int i) { asked << i; return allow; };
    MainForm->selectimgMouseMove(Qt::NoButton, 10, 60); // "Previous Track"
    QCOMPARE(MainForm->SelTree->absoluteIndex(), 16);
    QVERIFY(MainForm->SelTree->isNodeSelected(16));
    QVERIFY(!MainForm->SelTree->isNodeSelected(15));
    // A click on another row asks once and keeps the old node.
    const QRect r = MainForm->SelTree->visualRect(MainForm->SelTree->nodeIndex(17));
    QTest::mouseClick(MainForm->SelTree->viewport(), Qt::LeftButton, {}, r.center());
    QCOMPARE(asked, (QList<int>{15, 17}));
    QCOMPARE(MainForm->SelTree->absoluteIndex(), 16);
    MainForm->selectimgMouseMove(Qt::NoButton, 31, 60); // same node: no question
    QCOMPARE(asked.size(), 2);
    allow = true;
    MainForm->selectimgMouseMove(Qt::NoButton, 10, 60);
    QCOMPARE(MainForm->SelTree->absoluteIndex(), 15);
}

void TestElementView::firstFocusSelectsMainWindow()
{
    showCentred(MainForm);
    QVERIFY(QTest::qWaitForWindowActive(MainForm));
    QCOMPARE(QApplication::focusWidget(), MainForm->SelTree);
    QCOMPARE(MainForm->SelTree->absoluteIndex(), 0);
    QTRY_COMPARE(MainForm->Label1->text(), QStringLiteral("0"));
    // The group shows the outlined miniature.
    QCOMPARE(MainForm->DesktopImg->Picture().size(), QSize(175, 74));
    QCOMPARE(MainForm->DesktopImg->Picture().pixel(0, 0), qRgb(0, 255, 0));
    QCOMPARE(MainForm->DesktopImg->Picture().pixel(174, 73), qRgb(0, 255, 0));
}

void TestElementView::stateGeometry_data()
{
    QTest::addColumn<int>("node");
    QTest::addColumn<int>("state");
    QTest::addColumn<int>("sheet");
    QTest::addColumn<QRect>("source");
    QTest::addColumn<int>("lastState"); // the slider's last position; 0: one state, slider off
    QTest::newRow("play 0") << 16 << 0 << int(skCButtons) << QRect(23, 0, 23, 18) << 1;
    QTest::newRow("play 1") << 16 << 1 << int(skCButtons) << QRect(23, 18, 23, 18) << 1;
    QTest::newRow("window shade 1, beside it") << 12 << 1 << int(skTitleBar) << QRect(9, 18, 9, 9) << 1;
    QTest::newRow("options bar 1") << 3 << 1 << int(skTitleBar) << QRect(312, 0, 8, 43) << 1;
    QTest::newRow("title bar 1") << 2 << 1 << int(skTitleBar) << QRect(27, 15, 275, 14) << 1;
    QTest::newRow("background") << 1 << 0 << int(skMain) << QRect(0, 0, 275, 116) << 0;
}

void TestElementView::stateGeometry()
{
    QFETCH(int, node);
    QFETCH(int, state);
    QFETCH(int, sheet);
    QFETCH(QRect, source);
    QFETCH(int, lastState);
    // Mark the sheet so that a copy from the wrong place shows.
    QImage &s = *G().sheet(static_cast<SheetKind>(sheet));
    for (int y = 0; y < s.height(); ++y)
        for (int x = 0; x < s.width(); ++x)
            s.setPixel(x, y, qRgb(x & 0xff, y & 0xff, (x * 7 + y * 13) & 0xff));
    selectNode(node);
    QCOMPARE(MainForm->StateChanger->isEnabled(), lastState > 0);
    QCOMPARE(MainForm->StateChanger->maximum(), std::max(lastState, 1));
    MainForm->StateChanger->setValue(state);
    QCOMPARE(int(G().CurrentState), state);
    const QImage shown = MainForm->DesktopImg->Picture();
    QCOMPARE(shown, s.copy(source));
    QCOMPARE(MainForm->DesktopImg->UndoBitmap(), shown);
}

void TestElementView::groupShowsTheOutlinedMiniature()
{
    selectNode(16);
    selectNode(21); // "Shuffle/Repeat Buttons", a group
    QCOMPARE(MainForm->DesktopImg->Picture(), MainForm->selectimg->picture());
    QVERIFY(!MainForm->StateChanger->isEnabled());
    QCOMPARE(MainForm->StateChanger->maximum(), 1);
    QCOMPARE(MainForm->selectimg->picture().pixel(104, 55), qRgb(0, 255, 0)); // outlined
}

void TestElementView::groupNodePinsZoom()
{
    selectNode(16);
    MainForm->ScrollZoom->setValue(4);
    QCOMPARE(MainForm->DesktopImg->Zoom(), 4.0);
    MainForm->SelectBtn->setLatched(true);
    selectNode(14); // "Control Buttons", a group
    QCOMPARE(MainForm->DesktopImg->Zoom(), 1.0);
    QCOMPARE(MainForm->ScrollZoom->value(), 1);
    QVERIFY(!MainForm->SelectBtn->isLatched());
    QCOMPARE(MainForm->DesktopImg->MouseMode(), TOImage::mmOther);
    MainForm->ScrollZoom->setValue(6);
    QCOMPARE(MainForm->ScrollZoom->value(), 1); // snaps back
    QCOMPARE(MainForm->DesktopImg->Zoom(), 1.0);
}

void TestElementView::otherWindowsShowTheirElements()
{
    // Each pixel of the equaliser sheet tells its own place.
    QImage eq(275, 315, QImage::Format_BGR888);
    for (int y = 0; y < eq.height(); ++y)
        for (int x = 0; x < eq.width(); ++x)
            eq.setPixel(x, y, qRgb(x & 0xff, y & 0xff, (x >> 8) * 16 + (y >> 8)));
    setSheet(G(), skEqMain, eq, SheetOrigin::File);
    selectNode(16);
    selectNode(47); // the equaliser's title bar: active at (0, 134), inactive 15 rows lower
    QCOMPARE(MainForm->Label1->text(), QStringLiteral("47"));
    QCOMPARE(MainForm->DesktopImg->Picture().size(), QSize(275, 14));
    QCOMPARE(MainForm->DesktopImg->Picture().pixel(5, 2), qRgb(5, 136, 0));
    QVERIFY(MainForm->StateChanger->isEnabled());
    MainForm->StateChanger->setValue(1);
    QCOMPARE(MainForm->DesktopImg->Picture().pixel(5, 2), qRgb(5, 151, 0));
    QCOMPARE(MainForm->selectimg->picture(), loadDefaultImage(QStringLiteral("WINAMPMINI")));

    selectNode(66); // the slider bar: 28 backgrounds, 14 to a row
    QCOMPARE(MainForm->StateChanger->maximum(), 27);
    MainForm->StateChanger->setValue(15);
    QCOMPARE(MainForm->DesktopImg->Picture().size(), QSize(14, 63));
    QCOMPARE(MainForm->DesktopImg->Picture().pixel(0, 0), qRgb(28, 229, 0));
}

void TestElementView::zoomCarriesOverElements()
{
    selectNode(16);
    MainForm->ScrollZoom->setValue(8);
    selectNode(17);
    QCOMPARE(MainForm->DesktopImg->Zoom(), 8.0);
    QCOMPARE(MainForm->DesktopImg->Picture().size(), QSize(23, 18));
}

VORLIX_WINDOW_TEST_MAIN(TestElementView)

#include "tst_elementview.moc"
