// The main window's shape (stored record, cut from the picture, applied) and
// moving the window by dragging its body.
#include <QtTest>

#include "MainWindowFixture.h"
#include "app/Application.h"
#include "controls/DragOutline.h"
#include "mainwindow/MainForm.h"
#include "platform/WindowRegion.h"
#include "skin/GlobalVar.h"

using namespace vorlix;

Q_DECLARE_METATYPE(StoredRegion::Kind)

namespace {

// The window less its pure red parts, as left, top, right, bottom (right and
// bottom exclusive), in the order a banded region lists them.
const int kFive[5][4] = {
    {0, 0, 636, 48},    {0, 48, 637, 73},    {0, 73, 193, 351},
    {201, 73, 637, 351}, {201, 351, 637, 477},
};

QRect ltrb(int l, int t, int r, int b)
{
    return QRect(l, t, r - l, b - t);
}

QList<QRect> fiveRects()
{
    QList<QRect> out;
    for (const auto &r : kFive)
        out.append(ltrb(r[0], r[1], r[2], r[3]));
    return out;
}

// Little-endian 32-bit words.
QByteArray words(std::initializer_list<qint64> values)
{
    QByteArray out;
    for (qint64 v : values)
        for (int shift = 0; shift < 32; shift += 8)
            out.append(char((quint64(v) >> shift) & 0xFF));
    return out;
}

QByteArray fiveRecord()
{
    QByteArray rects;
    for (const auto &r : kFive)
        rects += words({r[0], r[1], r[2], r[3]});
    return words({112, 32, 1, 5, 80, 0, 0, 637, 477}) + rects;
}

QList<QRect> rectsOf(const QRegion &region)
{
    return QList<QRect>(region.begin(), region.end());
}

// A picture from rows of letters: R red, r (254, 0, 0), G green, B blue,
// . white.
QImage letters(const QStringList &rows, QImage::Format format)
{
    QImage img(rows.isEmpty() ? 0 : int(rows[0].size()), int(rows.size()), QImage::Format_RGB888);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const char c = rows[y][x].toLatin1();
            img.setPixelColor(x, y,
                              c == 'R'   ? QColor(255, 0, 0)
                              : c == 'r' ? QColor(254, 0, 0)
                              : c == 'G' ? QColor(0, 255, 0)
                              : c == 'B' ? QColor(0, 0, 255)
                                         : QColor(255, 255, 255));
        }
    return img.convertToFormat(format);
}

} // namespace

class TestShape : public QObject, protected MainWindowFixture
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init() { setUpMainWindow(); }
    void cleanup() { tearDownMainWindow(); }

    void storedRecord_data();
    void storedRecord();
    void fiveRectanglesEverywhere_data();
    void fiveRectanglesEverywhere();
    void scanRules_data();
    void scanRules();

    void pressStartsDrag_data();
    void pressStartsDrag();
    void drag_data();
    void drag();
    void outlineIsThreeDottedRectanglesAndLetsClicksThrough();

private:
    QWindow *showForm();
};

void TestShape::initTestCase()
{
    initApplication(*qApp);
}

QWindow *TestShape::showForm()
{
    MainForm->move(150, 120);
    MainForm->show();
    if (!QTest::qWaitForWindowExposed(MainForm))
        return nullptr;
    return MainForm->windowHandle();
}

void TestShape::storedRecord_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<StoredRegion::Kind>("kind");
    QTest::addColumn<QList<QRect>>("rects");

    const QByteArray five = fiveRecord();
    QTest::newRow("five rectangles") << five << StoredRegion::Rectangles << fiveRects();
    QTest::newRow("bytes after the stated length are ignored")
        << five + words({1, 2, 3}) << StoredRegion::Rectangles << fiveRects();
    QTest::newRow("no rectangles") << words({32, 32, 1, 0, 0, 0, 0, 0, 0}) << StoredRegion::Rectangles
                                   << QList<QRect>();
    QTest::newRow("length 0: cut from the picture") << words({0}) << StoredRegion::ComputeFromPicture
                                                    << QList<QRect>();

    QTest::newRow("empty") << QByteArray() << StoredRegion::Invalid << QList<QRect>();
    QTest::newRow("length cut short") << five.left(3) << StoredRegion::Invalid << QList<QRect>();
    QTest::newRow("data shorter than its length") << five.left(115) << StoredRegion::Invalid << QList<QRect>();
    QTest::newRow("length shorter than a header") << words({16, 32, 1, 0, 0}) << StoredRegion::Invalid
                                                  << QList<QRect>();
    QTest::newRow("negative length") << words({-112}) + five.mid(4) << StoredRegion::Invalid << QList<QRect>();
    QByteArray header40 = five;
    header40.replace(4, 4, words({40}));
    QTest::newRow("header size 40") << header40 << StoredRegion::Invalid << QList<QRect>();
    QByteArray type2 = five;
    type2.replace(8, 4, words({2}));
    QTest::newRow("not a rectangle list") << type2 << StoredRegion::Invalid << QList<QRect>();
    QByteArray six = five;
    six.replace(12, 4, words({6}));
    QTest::newRow("more rectangles than bytes") << six << StoredRegion::Invalid << QList<QRect>();
    QByteArray huge = five;
    huge.replace(12, 4, words({0x10000001}));
    QTest::newRow("count that overflows") << huge << StoredRegion::Invalid << QList<QRect>();
    QByteArray negative = five;
    negative.replace(12, 4, words({-1}));
    QTest::newRow("negative count") << negative << StoredRegion::Invalid << QList<QRect>();
}

void TestShape::storedRecord()
{
    QFETCH(QByteArray, data);
    QFETCH(StoredRegion::Kind, kind);
    QFETCH(QList<QRect>, rects);

    const StoredRegion parsed = parseStoredRegion(data);
    QCOMPARE(parsed.kind, kind);
    QCOMPARE(parsed.rects, rects);
    if (rects.size() == 5)
        QCOMPARE(parsed.bounds, ltrb(0, 0, 637, 477));
    if (kind != StoredRegion::Rectangles)
        QVERIFY(parsed.region().isEmpty());
}

void TestShape::fiveRectanglesEverywhere_data()
{
    QTest::addColumn<int>("source");
    QTest::newRow("stored record") << 0;
    QTest::newRow("cut from the background picture") << 1;
    QTest::newRow("applied to the main window") << 2;
}

void TestShape::fiveRectanglesEverywhere()
{
    QFETCH(int, source);
    QRegion shape;
    if (source == 0)
        shape = parseStoredRegion(fiveRecord()).region();
    else if (source == 1)
        shape = shapeFromPicture(loadDefaultImage(QStringLiteral("BACKGROUND")), 0x0000FF).value_or(QRegion());
    else
        shape = MainForm->mask();
    QCOMPARE(rectsOf(shape), fiveRects());
    QCOMPARE(shape.boundingRect(), ltrb(0, 0, 637, 477));
}

void TestShape::scanRules_data()
{
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QImage::Format>("format");
    QTest::addColumn<uint>("transparent");
    QTest::addColumn<bool>("hasShape");
    QTest::addColumn<QList<QRect>>("shape"); // unioned

    const uint red = 0x0000FF;
    QTest::newRow("exact colour only") << QStringList{"RrR"} << QImage::Format_RGB888 << red << true
                                       << QList<QRect>{QRect(1, 0, 1, 1)};
    QTest::newRow("one run per opaque stretch of a row")
        << QStringList{"R..RR.", "......", "RRRRRR"} << QImage::Format_RGB888 << red << true
        << QList<QRect>{QRect(1, 0, 2, 1), QRect(5, 0, 1, 1), QRect(0, 1, 6, 1)};
    QTest::newRow("blue is 65536 times its value") << QStringList{"BRB"} << QImage::Format_RGB888 << 0xFF0000u
                                                   << true << QList<QRect>{QRect(1, 0, 1, 1)};
    QTest::newRow("green is 256 times its value") << QStringList{"GBG", ".G."} << QImage::Format_RGB888
                                                  << 0x00FF00u << true
                                                  << QList<QRect>{QRect(1, 0, 1, 1), QRect(0, 1, 1, 1),
                                                                  QRect(2, 1, 1, 1)};
    QTest::newRow("32-bit picture") << QStringList{"R..R", "RRRR"} << QImage::Format_ARGB32 << red << true
                                    << QList<QRect>{QRect(1, 0, 2, 1)};
    QTest::newRow("paletted picture") << QStringList{"R..R", "RRRR"} << QImage::Format_Indexed8 << red << true
                                      << QList<QRect>{QRect(1, 0, 2, 1)};
    QTest::newRow("16-bit picture") << QStringList{"R..R", "RRRR"} << QImage::Format_RGB16 << red << true
                                    << QList<QRect>{QRect(1, 0, 2, 1)};
    QTest::newRow("all cut out") << QStringList{"RR", "RR"} << QImage::Format_RGB888 << red << true
                                 << QList<QRect>();
    QTest::newRow("0 x 0 picture: no shape") << QStringList() << QImage::Format_RGB888 << red << false
                                             << QList<QRect>();
}

void TestShape::scanRules()
{
    QFETCH(QStringList, rows);
    QFETCH(QImage::Format, format);
    QFETCH(uint, transparent);
    QFETCH(bool, hasShape);
    QFETCH(QList<QRect>, shape);

    const QImage picture = letters(rows, format);
    const QImage before = picture.copy();
    const std::optional<QRegion> got = shapeFromPicture(picture, transparent);
    QCOMPARE(got.has_value(), hasShape);
    if (!hasShape)
        return;
    QRegion expected;
    for (const QRect &r : shape)
        expected += r;
    QCOMPARE(*got, expected);
    QCOMPARE(picture, before);
}

void TestShape::pressStartsDrag_data()
{
    QTest::addColumn<QPoint>("point");
    QTest::addColumn<bool>("starts");

    QTest::newRow("black title band") << QPoint(450, 12) << true;
    // Below the drawing tools, above the swatches.
    QTest::newRow("empty part of the right panel") << QPoint(250, 270) << true;
    QTest::newRow("empty part of the left panel") << QPoint(100, 340) << true;
    QTest::newRow("where the hidden labels lie") << QPoint(2, 2) << true;
    QTest::newRow("label") << QPoint(565, 108) << false;
    QTest::newRow("statusimg") << QPoint(610, 35) << false;
    QTest::newRow("glyph button closebut") << QPoint(620, 14) << false;
    QTest::newRow("glyph button PanBtn") << QPoint(220, 130) << false;
    QTest::newRow("text button btImage") << QPoint(20, 35) << false;
    QTest::newRow("disabled ApplyBtn") << QPoint(420, 390) << false;
    QTest::newRow("paint box pbFore") << QPoint(215, 305) << false;
    QTest::newRow("tree") << QPoint(60, 120) << false;
    QTest::newRow("element view") << QPoint(400, 200) << false;
}

void TestShape::pressStartsDrag()
{
    QFETCH(QPoint, point);
    QFETCH(bool, starts);
    QWindow *window = showForm();
    QVERIFY(window);
    QVERIFY(!MainForm->ApplyBtn->isEnabled());
    QCOMPARE(MainForm->pressStartsDrag(point), starts);

    // The same through the window's own routing of a press and a long move.
    const QPoint start = MainForm->pos();
    QTest::mousePress(window, Qt::LeftButton, {}, point);
    QCOMPARE(MainForm->isDraggingBody(), starts);
    QTest::mouseMove(window, point + QPoint(30, 20));
    QCOMPARE(MainForm->dragOutline()->isVisible(), starts);
    QTest::mouseRelease(window, Qt::LeftButton, {}, point + QPoint(30, 20));
    QVERIFY(!MainForm->isDraggingBody());
    QTRY_COMPARE(MainForm->pos(), starts ? start + QPoint(30, 20) : start);
}

void TestShape::drag_data()
{
    QTest::addColumn<QList<QPoint>>("moves"); // pointer offsets from the press point
    QTest::addColumn<QString>("interrupt");   // what happens before the release
    QTest::addColumn<bool>("outlineShown");   // just before the release
    QTest::addColumn<QPoint>("outlineAt");    // outline offset from the window
    QTest::addColumn<QPoint>("moved");        // window offset after the release

    const QPoint none;
    QTest::newRow("5 px in x and y: nothing") << QList<QPoint>{{5, 5}, {-5, -5}, {5, -5}} << QString() << false
                                              << none << none;
    QTest::newRow("6 px in x: outline, then moved by 6") << QList<QPoint>{{6, 0}} << QString() << true
                                                         << QPoint(6, 0) << QPoint(6, 0);
    QTest::newRow("6 px in y only") << QList<QPoint>{{0, -6}} << QString() << true << QPoint(0, -6)
                                    << QPoint(0, -6);
    QTest::newRow("outline follows the pointer") << QList<QPoint>{{10, 0}, {40, 25}} << QString() << true
                                                 << QPoint(40, 25) << QPoint(40, 25);
    QTest::newRow("back within 5 px: the outline stays")
        << QList<QPoint>{{40, 25}, {3, -2}} << QString() << true << QPoint(40, 25) << QPoint(40, 25);
    QTest::newRow("far off the screen: nothing limits it") << QList<QPoint>{{-700, -600}} << QString() << true
                                                           << QPoint(-700, -600) << QPoint(-700, -600);
    QTest::newRow("Esc") << QList<QPoint>{{40, 25}} << "escape" << false << none << none;
    QTest::newRow("grab taken by another control") << QList<QPoint>{{40, 25}} << "grab" << false << none << none;
    QTest::newRow("quit requested") << QList<QPoint>{{40, 25}} << "quit" << false << none << none;
    QTest::newRow("another window activated") << QList<QPoint>{{40, 25}} << "another window" << false << none
                                               << none;
}

void TestShape::drag()
{
    QFETCH(QList<QPoint>, moves);
    QFETCH(QString, interrupt);
    QFETCH(bool, outlineShown);
    QFETCH(QPoint, outlineAt);
    QFETCH(QPoint, moved);

    QWidget other;
    other.setGeometry(900, 700, 50, 50);
    QWindow *window = showForm();
    QVERIFY(window);
    const QPoint start = MainForm->pos();
    const QPoint press(450, 12);
    QTest::mousePress(window, Qt::LeftButton, {}, press);
    QVERIFY(MainForm->isDraggingBody());
    QCOMPARE(QWidget::mouseGrabber(), MainForm->fcImageForm1);
    for (const QPoint &d : moves)
        QTest::mouseMove(window, press + d);

    if (interrupt == QLatin1String("escape")) {
        QTest::keyClick(MainForm->SelTree, Qt::Key_Escape);
    } else if (interrupt == QLatin1String("grab")) {
        MainForm->Panel1->grabMouse();
        QTest::mouseMove(window, press + moves.last() + QPoint(1, 1));
    } else if (interrupt == QLatin1String("quit")) {
        // Seen as it passes by, without quitting the test itself.
        QObject bystander;
        QEvent quit(QEvent::Quit);
        QCoreApplication::sendEvent(&bystander, &quit);
    } else if (interrupt == QLatin1String("another window")) {
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
    }
    QCOMPARE(MainForm->dragOutline()->isVisible(), outlineShown);
    if (outlineShown)
        QCOMPARE(MainForm->dragOutline()->geometry(), QRect(start + outlineAt, QSize(640, 480)));
    if (!interrupt.isEmpty())
        QVERIFY(!MainForm->isDraggingBody());

    QTest::mouseRelease(window, Qt::LeftButton, {}, press + moves.last());
    if (QWidget::mouseGrabber() == MainForm->Panel1)
        MainForm->Panel1->releaseMouse();
    QVERIFY(!MainForm->isDraggingBody());
    QVERIFY(!MainForm->dragOutline()->isVisible());
    QVERIFY(QWidget::mouseGrabber() == nullptr);
    QTRY_COMPARE(MainForm->pos(), start + moved);
    QCOMPARE(MainForm->size(), QSize(640, 480));
}

void TestShape::outlineIsThreeDottedRectanglesAndLetsClicksThrough()
{
    TDragOutline outline;
    outline.showAt(QRect(10, 20, 40, 30));
    QVERIFY(QTest::qWaitForWindowExposed(&outline));
    QVERIFY(outline.isWindow());
    QVERIFY(outline.windowFlags() & Qt::WindowTransparentForInput);
    QVERIFY(outline.windowFlags() & Qt::FramelessWindowHint);
    QVERIFY(outline.windowFlags() & Qt::WindowDoesNotAcceptFocus);
    QCOMPARE(outline.geometry(), QRect(10, 20, 40, 30));
    // Only the three outer rings are there; inside the desktop shows.
    QCOMPARE(outline.mask(), QRegion(0, 0, 40, 30) - QRegion(3, 3, 34, 24));

    // Each ring is dotted: neighbouring pixels along it differ.
    const QImage img = outline.grab().toImage();
    for (int inset = 0; inset < 3; ++inset) {
        const int l = inset, t = inset, r = 39 - inset, b = 29 - inset;
        for (int x = l; x < r; ++x) {
            QVERIFY2(img.pixel(x, t) != img.pixel(x + 1, t), qPrintable(QString("top %1,%2").arg(x).arg(t)));
            QVERIFY2(img.pixel(x, b) != img.pixel(x + 1, b), qPrintable(QString("bottom %1,%2").arg(x).arg(b)));
        }
        for (int y = t; y < b; ++y) {
            QVERIFY2(img.pixel(l, y) != img.pixel(l, y + 1), qPrintable(QString("left %1,%2").arg(l).arg(y)));
            QVERIFY2(img.pixel(r, y) != img.pixel(r, y + 1), qPrintable(QString("right %1,%2").arg(r).arg(y)));
        }
    }
}

QTEST_MAIN(TestShape)
#include "tst_shape.moc"
