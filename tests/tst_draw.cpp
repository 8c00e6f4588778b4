// Drawing in the element view: pencil, line, rectangle, fill and the colour
// picker on a small picture, pixel by pixel; each stroke one undo step; the
// tools refused where nothing can be drawn; Grayscale, Capture Image and the
// help window from the menus.
#include <QtTest>

#include "MainWindowFixture.h"
#include "app/Application.h"
#include "dialogs/HelpWindow.h"
#include "mainwindow/MainForm.h"
#include "platform/DesktopServices.h"
#include "skin/GlobalVar.h"
#include "view/OImage.h"

#include <QStandardPaths>
#include <QTextBrowser>

using namespace vorlix;

namespace {

// The pictures of the table, one character a pixel.
const QColor kPlain(200, 200, 200); // '.'
const QColor kWall(0, 0, 128);      // '#'
const QColor kOther(90, 60, 30);    // 'o'
const QColor kFore(10, 200, 30);    // 'F': the left button's colour
const QColor kBack(240, 120, 0);    // 'B': the right button's colour

QColor colourOf(QChar c)
{
    switch (c.toLatin1()) {
    case '#': return kWall;
    case 'o': return kOther;
    case 'F': return kFore;
    case 'B': return kBack;
    default: return kPlain;
    }
}

QImage fromRows(const QStringList &rows)
{
    QImage img(int(rows.first().size()), int(rows.size()), QImage::Format_BGR888);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            img.setPixelColor(x, y, colourOf(rows[y][x]));
    return img;
}

QString toRows(const QImage &img)
{
    QStringList rows;
    for (int y = 0; y < img.height(); ++y) {
        QString row;
        for (int x = 0; x < img.width(); ++x) {
            const QColor c = img.pixelColor(x, y);
            QChar ch = QLatin1Char('?');
            for (char k : {'.', '#', 'o', 'F', 'B'})
                if (colourOf(QLatin1Char(k)) == c)
                    ch = QLatin1Char(k);
            row += ch;
        }
        rows << row;
    }
    return rows.join(QLatin1Char('\n'));
}

// The view in the table runs at zoom 4 with its offsets at 0: picture pixel
// (x, y) covers client pixels 4x .. 4x + 3 and 4y .. 4y + 3. Points are
// taken inside the block, off its corner, so a rounding to the nearest
// block instead of truncation lands on the wrong pixel.
QPoint client(QPoint picturePixel)
{
    return {4 * picturePixel.x() + 3, 4 * picturePixel.y() + 2};
}

using Points = QList<QPoint>;

// Press at the first point, move through the others, release at the last.
void stroke(QWidget *w, Qt::MouseButton button, const Points &points)
{
    QTest::mousePress(w, button, {}, client(points.first()));
    for (const QPoint &p : points.mid(1)) {
        QMouseEvent move(QEvent::MouseMove, QPointF(client(p)), w->mapToGlobal(QPointF(client(p))),
                         Qt::NoButton, button, {});
        QCoreApplication::sendEvent(w, &move);
    }
    QTest::mouseRelease(w, button, {}, client(points.last()));
}

} // namespace

Q_DECLARE_METATYPE(vorlix::TOImage::TMouseMode)

class TestDraw : public QObject, protected MainWindowFixture
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void strokes_data();
    void strokes();
    void pickerTakesThePixelsColour_data();
    void pickerTakesThePixelsColour();
    void toolsFollowTheZoomAndOffsets();
    void toolButtonsAndKeys();
    void toolsRefusedWhereNothingCanBeDrawn_data();
    void toolsRefusedWhereNothingCanBeDrawn();
    void strokeInTheWindowIsOneUndoStep();
    void pickerSetsTheSwatches();
    void grayscale_data();
    void grayscale();
    void capture_data();
    void capture();
    void regionChooser_data();
    void regionChooser();
    void helpWindowOpensFromTheMenu();
    void homePageWithoutAddressOpensTheManual_data();
    void homePageWithoutAddressOpensTheManual();

private:
    void showActive();
};

void TestDraw::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    initApplication(*qApp);
}

void TestDraw::init()
{
    setUpMainWindow();
}

void TestDraw::cleanup()
{
    tearDownMainWindow();
}

// Window shortcuts act only in the active window.
void TestDraw::showActive()
{
    MainForm->show();
    MainForm->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(MainForm));
}

// --- The tools on a bare view --------------------------------------------------

void TestDraw::strokes_data()
{
    QTest::addColumn<TOImage::TMouseMode>("mode");
    QTest::addColumn<int>("button"); // 1 left, 2 right
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<Points>("points");
    QTest::addColumn<QStringList>("after");

    const QStringList plain = {"........", "........", "........", "........", "........", "........"};
    // A region at the top left closed by walls that meet only at corners
    // ((3,1)-(2,2) and (2,2)-(1,3)), with a pixel of another colour inside.
    const QStringList walled = {".o.#....", "...#....", "..#.....", "##......", "........", "........"};

    QTest::newRow("pencil dot, left: foreground")
        << TOImage::mmPencil << 1 << plain << Points{{2, 1}}
        << QStringList{"........", "..F.....", "........", "........", "........", "........"};
    QTest::newRow("pencil dot, right: background")
        << TOImage::mmPencil << 2 << plain << Points{{7, 5}}
        << QStringList{"........", "........", "........", "........", "........", ".......B"};
    QTest::newRow("pencil drag in small steps")
        << TOImage::mmPencil << 1 << plain << Points{{0, 0}, {1, 0}, {2, 0}, {2, 1}, {2, 2}}
        << QStringList{"FFF.....", "..F.....", "..F.....", "........", "........", "........"};
    // One jump of the pointer still leaves a line without gaps: the pixels
    // nearest to y = 3x / 5.
    QTest::newRow("pencil drag in one jump is connected")
        << TOImage::mmPencil << 1 << plain << Points{{0, 0}, {5, 3}}
        << QStringList{"F.......", ".FF.....", "...FF...", ".....F..", "........", "........"};
    // The pointer wanders before the release: only the last line stays.
    QTest::newRow("line: diagonal, the preview leaves no trace")
        << TOImage::mmLine << 1 << plain << Points{{1, 5}, {7, 5}, {3, 0}, {6, 0}}
        << QStringList{"......F.", ".....F..", "....F...", "...F....", "..F.....", ".F......"};
    QTest::newRow("line: right button, steep")
        << TOImage::mmLine << 2 << plain << Points{{0, 0}, {1, 5}}
        << QStringList{"B.......", "B.......", "B.......", ".B......", ".B......", ".B......"};
    QTest::newRow("rectangle: outline through both corners, dragged backwards")
        << TOImage::mmRectangle << 1 << plain << Points{{5, 4}, {7, 0}, {1, 1}}
        << QStringList{"........", ".FFFFF..", ".F...F..", ".F...F..", ".FFFFF..", "........"};
    // Released beyond the picture: the sides out there are not drawn.
    QTest::newRow("rectangle: dragged past the picture's edge")
        << TOImage::mmRectangle << 1 << plain << Points{{4, 2}, {10, 9}}
        << QStringList{"........", "........", "....FFFF", "....F...", "....F...", "....F..."};
    QTest::newRow("rectangle: one pixel")
        << TOImage::mmRectangle << 2 << plain << Points{{3, 3}}
        << QStringList{"........", "........", "........", "...B....", "........", "........"};
    QTest::newRow("fill: inside the walls, around the other colour, not through the corners")
        << TOImage::mmFill << 1 << walled << Points{{0, 1}}
        << QStringList{"FoF#....", "FFF#....", "FF#.....", "##......", "........", "........"};
    QTest::newRow("fill: outside the walls, not into them")
        << TOImage::mmFill << 2 << walled << Points{{7, 5}}
        << QStringList{".o.#BBBB", "...#BBBB", "..#BBBBB", "##BBBBBB", "BBBBBBBB", "BBBBBBBB"};
    QTest::newRow("fill: a single pixel of its colour")
        << TOImage::mmFill << 1 << walled << Points{{1, 0}}
        << QStringList{".F.#....", "...#....", "..#.....", "##......", "........", "........"};
}

void TestDraw::strokes()
{
    QFETCH(TOImage::TMouseMode, mode);
    QFETCH(int, button);
    QFETCH(QStringList, before);
    QFETCH(Points, points);
    QFETCH(QStringList, after);

    TOImage view;
    view.resize(60, 50); // larger than the zoomed picture: no bars
    view.setUndo(true);
    view.setPicture(fromRows(before));
    view.SetZoom(4);
    view.setMouseMode(mode);
    view.setDrawColors(kFore, kBack);
    view.show();
    QSignalSpy strokes(&view, &TOImage::OnStroke);

    stroke(&view, button == 1 ? Qt::LeftButton : Qt::RightButton, points);
    QCOMPARE(toRows(view.Picture()), after.join(QLatin1Char('\n')));
    QCOMPARE(strokes.size(), 1);
    QVERIFY(!view.isStroking());
    QCOMPARE(view.Zoom(), 4.0);

    // The snapshot is the picture at the press, whatever the moves did.
    QCOMPARE(toRows(view.UndoBitmap()), before.join(QLatin1Char('\n')));
    view.RestoreUndo();
    QCOMPARE(toRows(view.Picture()), before.join(QLatin1Char('\n')));
}

void TestDraw::pickerTakesThePixelsColour_data()
{
    QTest::addColumn<int>("button");
    QTest::addColumn<QPoint>("pixel");
    QTest::addColumn<QColor>("colour"); // invalid: nothing reported
    QTest::newRow("left on the other colour") << 1 << QPoint(1, 0) << kOther;
    QTest::newRow("right on a wall") << 2 << QPoint(2, 2) << kWall;
    QTest::newRow("beside the picture") << 1 << QPoint(9, 1) << QColor();
}

void TestDraw::pickerTakesThePixelsColour()
{
    QFETCH(int, button);
    QFETCH(QPoint, pixel);
    QFETCH(QColor, colour);
    const QStringList rows = {".o.#....", "...#....", "..#.....", "##......", "........", "........"};
    TOImage view;
    view.resize(60, 50);
    view.setUndo(true);
    view.setPicture(fromRows(rows));
    const QImage snapshot = view.UndoBitmap();
    view.SetZoom(4);
    view.setMouseMode(TOImage::mmPicker);
    view.show();
    QSignalSpy picked(&view, &TOImage::OnColorPicked);
    QSignalSpy strokes(&view, &TOImage::OnStroke);

    stroke(&view, button == 1 ? Qt::LeftButton : Qt::RightButton, {pixel});
    if (colour.isValid()) {
        QCOMPARE(picked.size(), 1);
        QCOMPARE(picked[0][0].value<TOImage::TMouseButton>(), button == 1 ? TOImage::mbLeft : TOImage::mbRight);
        QCOMPARE(picked[0][1].value<QColor>(), colour);
    } else {
        QCOMPARE(picked.size(), 0);
    }
    // Picking is no edit.
    QCOMPARE(strokes.size(), 0);
    QCOMPARE(toRows(view.Picture()), rows.join(QLatin1Char('\n')));
    QCOMPARE(view.UndoBitmap(), snapshot);
}

void TestDraw::toolsFollowTheZoomAndOffsets()
{
    // 40 x 30 at zoom 8 in a 100 x 80 view overflows; scrolled to column 10
    // and row 5, client (20, 17) lies in block (2, 2) of the visible part:
    // picture pixel (12, 7).
    TOImage view;
    view.resize(100, 80);
    view.setUndo(true);
    QImage blank(40, 30, QImage::Format_BGR888);
    blank.fill(kPlain);
    view.setPicture(blank);
    view.SetZoom(8);
    view.setOffsetX(10);
    view.setOffsetY(5);
    QCOMPARE(view.OffsetX(), 10);
    view.setMouseMode(TOImage::mmPencil);
    view.setDrawColors(kFore, kBack);
    view.show();
    QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(20, 17));
    QImage expected = blank;
    expected.setPixelColor(12, 7, kFore);
    QCOMPARE(view.Picture(), expected);
}

// --- The tools in the window ------------------------------------------------------

void TestDraw::toolButtonsAndKeys()
{
    TMainForm *f = MainForm;
    showActive();
    selectNode(16);
    f->SelTree->setFocus();

    // Beside Pan and Select, the same size, in the columns below them.
    const struct { TSpeedButton *button; QRect place; } places[] = {
        {f->PencilBtn, {208, 152, 33, 33}}, {f->LineBtn, {240, 152, 33, 33}},
        {f->RectBtn, {208, 184, 33, 33}},   {f->FillBtn, {240, 184, 33, 33}},
        {f->PickerBtn, {208, 216, 33, 33}},
    };
    for (const auto &p : places) {
        QCOMPARE(p.button->geometry(), p.place);
        QVERIFY(p.button->isEnabled());
        QCOMPARE(p.button->numGlyphs(), 2);
    }
    QCOMPARE(f->PanBtn->geometry(), QRect(208, 120, 33, 33));
    QCOMPARE(f->SelectBtn->geometry(), QRect(240, 120, 33, 33));

    const struct { Qt::Key key; TSpeedButton *button; TOImage::TMouseMode mode; } keys[] = {
        {Qt::Key_P, f->PencilBtn, TOImage::mmPencil}, {Qt::Key_L, f->LineBtn, TOImage::mmLine},
        {Qt::Key_R, f->RectBtn, TOImage::mmRectangle}, {Qt::Key_F, f->FillBtn, TOImage::mmFill},
        {Qt::Key_I, f->PickerBtn, TOImage::mmPicker},
    };
    QList<TSpeedButton *> group = {f->PanBtn, f->SelectBtn};
    for (const auto &k : keys)
        group << k.button;
    const auto onlyDown = [&](TSpeedButton *down) {
        for (TSpeedButton *b : group)
            if (b->isLatched() != (b == down))
                return false;
        return true;
    };
    QTest::mouseClick(f->SelectBtn, Qt::LeftButton);
    for (const auto &k : keys) {
        QTest::keyClick(f->SelTree, k.key);
        QVERIFY2(onlyDown(k.button), qPrintable(k.button->objectName()));
        QCOMPARE(f->DesktopImg->MouseMode(), k.mode);
        QVERIFY(f->DesktopImg->testAttribute(Qt::WA_SetCursor)); // the tool's cursor
        // The same key again keeps the tool.
        QTest::keyClick(f->SelTree, k.key);
        QVERIFY(onlyDown(k.button));
    }
    // A click chooses as the key does; Pan and Select take over again.
    QTest::mouseClick(f->LineBtn, Qt::LeftButton);
    QVERIFY(onlyDown(f->LineBtn));
    QCOMPARE(f->DesktopImg->MouseMode(), TOImage::mmLine);
    QTest::mouseClick(f->PanBtn, Qt::LeftButton);
    QVERIFY(onlyDown(f->PanBtn));
    QCOMPARE(f->DesktopImg->MouseMode(), TOImage::mmPan);
    QVERIFY(!f->DesktopImg->testAttribute(Qt::WA_SetCursor));
    QTest::mouseClick(f->FillBtn, Qt::LeftButton);
    QTest::mouseClick(f->SelectBtn, Qt::LeftButton);
    QVERIFY(onlyDown(f->SelectBtn));
    QCOMPARE(f->DesktopImg->MouseMode(), TOImage::mmRubberband);

    // Typed into the playlist font's box, the letters are text.
    f->PlaylistFont->show();
    f->PlaylistFont->setFocus();
    f->PlaylistFont->clear();
    QTest::keyClicks(f->PlaylistFont, QStringLiteral("plrfi"));
    QCOMPARE(f->PlaylistFont->text(), QStringLiteral("plrfi"));
    QVERIFY(onlyDown(f->SelectBtn));

    // The Edit menu's shortcuts are untouched by the letters.
    for (QAction *a : {f->Undo1, f->Cut1, f->Copy1, f->Paste1, f->Delete1, f->SelectAll1, f->Deselect1})
        for (QAction *key : f->ToolKeys)
            QVERIFY(a->shortcut() != key->shortcut());
}

void TestDraw::toolsRefusedWhereNothingCanBeDrawn_data()
{
    QTest::addColumn<int>("node");
    QTest::newRow("group node") << 0;
    QTest::newRow("colours without a picture of their own") << 53;
}

void TestDraw::toolsRefusedWhereNothingCanBeDrawn()
{
    QFETCH(int, node);
    TMainForm *f = MainForm;
    showActive();
    // A tool chosen on an element lets go when the node changes.
    selectNode(16);
    QTest::mouseClick(f->PencilBtn, Qt::LeftButton);
    QVERIFY(f->PencilBtn->isLatched());
    selectNode(node);
    QVERIFY(!f->PencilBtn->isLatched());
    QVERIFY(f->DesktopImg->MouseMode() != TOImage::mmPencil);

    const QImage shown = f->DesktopImg->Picture();
    const QList<TSpeedButton *> tools = {f->PencilBtn, f->LineBtn, f->RectBtn, f->FillBtn, f->PickerBtn};
    for (TSpeedButton *b : tools) {
        QVERIFY2(!b->isEnabled(), qPrintable(b->objectName()));
        QCOMPARE(b->currentGlyphIndex(), 1); // greyed
        // Even when asked directly, nothing is chosen.
        f->DrawToolClick(b);
        QVERIFY(!b->isLatched());
        QVERIFY(!TOImage::isDrawingMode(f->DesktopImg->MouseMode()));
    }
    f->SelTree->setFocus();
    for (Qt::Key key : {Qt::Key_P, Qt::Key_L, Qt::Key_R, Qt::Key_F, Qt::Key_I})
        QTest::keyClick(f->SelTree, key);
    for (TSpeedButton *b : tools)
        QVERIFY(!b->isLatched());
    QTest::mouseClick(f->DesktopImg, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseClick(f->DesktopImg, Qt::RightButton, {}, QPoint(9, 9));
    QCOMPARE(f->DesktopImg->Picture(), shown);
    QVERIFY(!f->ApplyBtn->isEnabled());

    // Back on an element the tools are there again.
    selectNode(16);
    for (TSpeedButton *b : tools)
        QVERIFY(b->isEnabled());
}

void TestDraw::strokeInTheWindowIsOneUndoStep()
{
    TMainForm *f = MainForm;
    showActive();
    selectNode(16);
    f->ScrollZoom->setValue(8);
    QCOMPARE(f->DesktopImg->Zoom(), 8.0);
    const QImage before = f->DesktopImg->Picture();
    QVERIFY(!f->ApplyBtn->isEnabled());
    f->pbFore->setColor(kFore);
    f->pbBack->setColor(kBack);

    QTest::keyClick(f->SelTree, Qt::Key_P);
    // At zoom 8: client (20, 12) is pixel (2, 1); a drag to (44, 12) draws
    // on to pixel (5, 1).
    QWidget *v = f->DesktopImg;
    QTest::mousePress(v, Qt::RightButton, {}, QPoint(20, 12));
    QMouseEvent move(QEvent::MouseMove, QPointF(44, 12), v->mapToGlobal(QPointF(44, 12)), Qt::NoButton,
                     Qt::RightButton, {});
    QCoreApplication::sendEvent(v, &move);
    QTest::mouseRelease(v, Qt::RightButton, {}, QPoint(44, 12));
    QImage expected = before.copy();
    for (int x = 2; x <= 5; ++x)
        expected.setPixelColor(x, 1, kBack);
    QCOMPARE(f->DesktopImg->Picture(), expected);
    QVERIFY(f->ApplyBtn->isEnabled());

    // Ctrl+Z takes the whole stroke back; Ctrl+Y brings it back.
    QTest::keyClick(f->SelTree, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(f->DesktopImg->Picture(), before);
    QVERIFY(!f->ApplyBtn->isEnabled());
    QTest::keyClick(f->SelTree, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(f->DesktopImg->Picture(), before);
    QTest::keyClick(f->SelTree, Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(f->DesktopImg->Picture(), expected);
    QVERIFY(f->ApplyBtn->isEnabled());
}

void TestDraw::pickerSetsTheSwatches()
{
    TMainForm *f = MainForm;
    showActive();
    selectNode(16);
    f->ScrollZoom->setValue(1); // whatever zoom the last run left
    QImage picture = f->DesktopImg->Picture().copy();
    picture.setPixelColor(1, 1, QColor(1, 2, 3));
    picture.setPixelColor(2, 1, QColor(250, 128, 7));
    f->DesktopImg->assignPicture(picture);
    QTest::mouseClick(f->PickerBtn, Qt::LeftButton);
    // (QTest takes the point (0, 0) for the widget's middle.)
    QTest::mouseClick(f->DesktopImg, Qt::LeftButton, {}, QPoint(1, 1));
    QTest::mouseClick(f->DesktopImg, Qt::RightButton, {}, QPoint(2, 1));
    QCOMPARE(f->pbFore->color(), QColor(1, 2, 3));
    QCOMPARE(f->pbBack->color(), QColor(250, 128, 7));
    QVERIFY(!f->ApplyBtn->isEnabled());
    QCOMPARE(f->DesktopImg->Picture(), picture);
}

// --- Grayscale ---------------------------------------------------------------------

void TestDraw::grayscale_data()
{
    QTest::addColumn<bool>("selectMode");
    QTest::addColumn<vorlix::Rect>("selection");
    QTest::addColumn<QRect>("grey"); // the pixels that change
    QTest::newRow("selection") << true << Rect{4, 1, 1, 3} << QRect(1, 1, 3, 2);
    QTest::newRow("no selection: the whole picture") << true << Rect{} << QRect(0, 0, 5, 3);
    // A selection left from Select Mode is not shown while drawing.
    QTest::newRow("select mode off: the whole picture") << false << Rect{0, 0, 2, 2} << QRect(0, 0, 5, 3);
}

void TestDraw::grayscale()
{
    QFETCH(bool, selectMode);
    QFETCH(vorlix::Rect, selection);
    QFETCH(QRect, grey);
    TMainForm *f = MainForm;
    selectNode(16);
    // Luma by hand: 0.299 R + 0.587 G + 0.114 B, rounded.
    const struct { QColor in; int luma; } colours[] = {
        {QColor(255, 0, 0), 76},      {QColor(0, 255, 0), 150},    {QColor(0, 0, 255), 29},
        {QColor(10, 200, 30), 124},   {QColor(100, 150, 200), 141}, {QColor(255, 255, 255), 255},
        {QColor(5, 0, 0), 1},         {QColor(0, 0, 13), 1},       {QColor(3, 1, 200), 24},
        {QColor(17, 99, 250), 92},    {QColor(200, 100, 0), 119},  {QColor(0, 0, 0), 0},
        {QColor(128, 128, 128), 128}, {QColor(1, 2, 3), 2},        {QColor(90, 60, 30), 66},
    };
    QImage picture(5, 3, QImage::Format_BGR888);
    QImage expected(5, 3, QImage::Format_BGR888);
    for (int i = 0; i < 15; ++i) {
        const QPoint p(i % 5, i / 5);
        picture.setPixelColor(p, colours[i].in);
        const int l = colours[i].luma;
        expected.setPixelColor(p, grey.contains(p) ? QColor(l, l, l) : colours[i].in);
    }
    f->DesktopImg->assignPicture(picture);
    if (selectMode)
        QTest::mouseClick(f->SelectBtn, Qt::LeftButton);
    G().SelectionRect = selection;
    f->Grayscale1->trigger();
    QCOMPARE(f->DesktopImg->Picture(), expected);
    QVERIFY(f->ApplyBtn->isEnabled());
    f->Undo1->trigger();
    QCOMPARE(f->DesktopImg->Picture(), picture);
}

// --- Capture Image -----------------------------------------------------------------

void TestDraw::capture_data()
{
    QTest::addColumn<QSize>("captured"); // empty: cancelled
    QTest::addColumn<QString>("error");
    QTest::newRow("smaller than the element") << QSize(5, 4) << QString();
    QTest::newRow("larger than the element") << QSize(60, 50) << QString();
    QTest::newRow("cancelled") << QSize() << QString();
    QTest::newRow("screen can't be read")
        << QSize(5, 4) << QStringLiteral("Under Wayland no program may read the screen.");
}

void TestDraw::capture()
{
    QFETCH(QSize, captured);
    QFETCH(QString, error);
    TMainForm *f = MainForm;
    f->show();
    QVERIFY(QTest::qWaitForWindowExposed(f));
    selectNode(16);
    const QImage before = f->DesktopImg->Picture();
    const QSize size = before.size();
    // Every pixel its own: a shifted paste shows.
    QImage shot;
    if (captured.isValid()) {
        shot = QImage(captured, QImage::Format_RGB32);
        for (int y = 0; y < captured.height(); ++y)
            for (int x = 0; x < captured.width(); ++x)
                shot.setPixelColor(x, y, QColor(3 * x, 5 * y, 77));
        fake()->captures.enqueue(shot);
    }
    fake()->captureError = error;
    // The manual's window steps aside too.
    f->Contents1->trigger();
    auto *help = f->findChild<THelpWindow *>();
    QVERIFY(help && help->isVisible());
    bool helpHidden = false;
    fake()->duringCapture = [&] { helpHidden = !help->isVisible(); };

    f->CaptureImage1->trigger();
    QCOMPARE(fake()->captureWindowVisible, QList<bool>{false}); // the window stepped aside
    QVERIFY(helpHidden);
    QVERIFY(f->isVisible()); // and both came back
    QVERIFY(help->isVisible());
    if (!error.isEmpty()) {
        QCOMPARE(fake()->messages.size(), 1);
        QCOMPARE(fake()->messages[0].text, error);
    } else {
        QVERIFY(fake()->messages.isEmpty());
    }
    if (!captured.isValid() || !error.isEmpty()) {
        QCOMPARE(f->DesktopImg->Picture(), before);
        QVERIFY(!f->ApplyBtn->isEnabled());
        return;
    }
    const QImage after = f->DesktopImg->Picture();
    QCOMPARE(after.size(), size);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x) {
            const QColor want = x < captured.width() && y < captured.height() ? QColor(3 * x, 5 * y, 77)
                                                                              : before.pixelColor(x, y);
            QCOMPARE(after.pixelColor(x, y), want);
        }
    QVERIFY(f->ApplyBtn->isEnabled());
    f->Undo1->trigger();
    QCOMPARE(f->DesktopImg->Picture(), before);
}

void TestDraw::regionChooser_data()
{
    QTest::addColumn<QPoint>("from");
    QTest::addColumn<QPoint>("to"); // (-1, -1): Esc instead of a release
    QTest::addColumn<QRect>("taken");
    QTest::newRow("dragged down right") << QPoint(10, 20) << QPoint(14, 22) << QRect(10, 20, 5, 3);
    QTest::newRow("dragged up left") << QPoint(14, 22) << QPoint(10, 20) << QRect(10, 20, 5, 3);
    QTest::newRow("past the screen's edge") << QPoint(36, 25) << QPoint(90, 70) << QRect(36, 25, 4, 5);
    QTest::newRow("escape") << QPoint(10, 20) << QPoint(-1, -1) << QRect();
}

void TestDraw::regionChooser()
{
    QFETCH(QPoint, from);
    QFETCH(QPoint, to);
    QFETCH(QRect, taken);
    QImage screen(40, 30, QImage::Format_RGB32);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x)
            screen.setPixelColor(x, y, QColor(6 * x, 8 * y, 200));

    // The chooser runs modally: the user's hand comes in from a timer.
    QTimer::singleShot(0, [&] {
        QWidget *chooser = nullptr;
        for (QWidget *w : QApplication::topLevelWidgets())
            if (w->objectName() == QLatin1String("CaptureRegionChooser") && w->isVisible())
                chooser = w;
        QVERIFY(chooser);
        QTest::mousePress(chooser, Qt::LeftButton, {}, from);
        if (to.x() < 0) {
            QTest::keyClick(chooser, Qt::Key_Escape);
            return;
        }
        QMouseEvent move(QEvent::MouseMove, QPointF(to), chooser->mapToGlobal(QPointF(to)), Qt::NoButton,
                         Qt::LeftButton, {});
        QCoreApplication::sendEvent(chooser, &move);
        QTest::mouseRelease(chooser, Qt::LeftButton, {}, to);
    });
    const QImage got = chooseScreenRegion(screen, QPoint(0, 0));
    if (taken.isNull()) {
        QVERIFY(got.isNull());
        return;
    }
    QCOMPARE(got.convertToFormat(QImage::Format_RGB32), screen.copy(taken));
}

// --- Help ----------------------------------------------------------------------------

void TestDraw::helpWindowOpensFromTheMenu()
{
    TMainForm *f = MainForm;
    f->show();
    f->Contents1->trigger();
    auto *help = f->findChild<THelpWindow *>();
    QVERIFY(help);
    QVERIFY(QTest::qWaitForWindowExposed(help));
    QVERIFY(help->isWindow());
    const QString text = help->browser()->toPlainText();
    // What a user looks for: the elements, the cut-up, editing, the tools
    // with their keys, saving and the settings.
    for (const char *words : {"element", "cut up", "Undo", "Pencil", "Fill", "Colour picker",
                              "Save Skin", "Settings", "Capture Image", "Grayscale"})
        QVERIFY2(text.contains(QLatin1String(words), Qt::CaseInsensitive), words);
    // The same text as the page installed with the documentation.
    QFile installed(QStringLiteral(VORLIX_MANUAL_SOURCE));
    QVERIFY(installed.open(QIODevice::ReadOnly));
    QCOMPARE(THelpWindow::manualHtml(), QString::fromUtf8(installed.readAll()));
    // Chosen again, the one window comes forward.
    f->Contents1->trigger();
    QCOMPARE(f->findChildren<THelpWindow *>().size(), 1);
    QVERIFY(fake()->openedUrls.isEmpty());
}

void TestDraw::homePageWithoutAddressOpensTheManual_data()
{
    QTest::addColumn<bool>("installed");
    QTest::newRow("not installed: the window") << false;
    QTest::newRow("installed: the page in the browser") << true;
}

void TestDraw::homePageWithoutAddressOpensTheManual()
{
    QFETCH(bool, installed);
    if (QStringLiteral(VORLIX_HOMEPAGE_URL) != QString())
        QSKIP("This build names a web page, which the menu opens instead");
    // This build names no web page (the default). Installed, the manual
    // lies in share/doc/vorlix beside the program's bin folder; the test
    // program plays the installed one from its own folder.
    const QString docDir = QCoreApplication::applicationDirPath() + QStringLiteral("/../share/doc/vorlix");
    const QString page = QDir::cleanPath(docDir + QStringLiteral("/manual.html"));
    QVERIFY(!QFileInfo::exists(page));
    const auto removeCopy = qScopeGuard([&] {
        QFile::remove(page);
        QDir(QCoreApplication::applicationDirPath()).rmpath(QStringLiteral("../share/doc/vorlix"));
    });
    if (installed) {
        QVERIFY(QDir().mkpath(docDir));
        QVERIFY(QFile::copy(QStringLiteral(VORLIX_MANUAL_SOURCE), page));
    }
    TMainForm *f = MainForm;
    f->show();
    f->HomepageVorlix1->trigger();
    auto *help = f->findChild<THelpWindow *>();
    if (installed) {
        QCOMPARE(fake()->openedUrls, QStringList{QUrl::fromLocalFile(page).toString()});
        QVERIFY(!help || !help->isVisible());
    } else {
        QVERIFY(fake()->openedUrls.isEmpty());
        QVERIFY(help && help->isVisible());
    }
}

VORLIX_WINDOW_TEST_MAIN(TestDraw)
#include "tst_draw.moc"
