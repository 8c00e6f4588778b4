// The main window's parts below the title bar and background (options bar,
// title-bar buttons, transport keys, toggles, bars, sliders, indicators):
// where they lie, how an imported picture and an applied edit reach them,
// and the miniature drawn from the sheets. The sizes and places below are
// written from the players' layout, not read from the element table.
#include <QtTest>

#include "MainWindowFixture.h"
#include "Pictures.h"
#include "app/Application.h"
#include "mainwindow/MainForm.h"
#include "skin/GlobalVar.h"
#include "skin/Miniature.h"

using namespace vorlix;

namespace {

using Corners = QList<QPoint>;

// States n of one size, `step` apart.
Corners run(int x, int y, int dx, int dy, int n)
{
    Corners out;
    for (int k = 0; k < n; ++k)
        out << QPoint(x + k * dx, y + k * dy);
    return out;
}

struct Part
{
    const char *name;
    int index;
    int sheet;
    QSize size;
    Corners states; // top-left corner of every state in the sheet, in order
    QPoint window;  // top-left corner on the 275 x 116 window
    QList<int> children = {};
};

// Keys: normal, pressed. Options-bar buttons: at rest, lit. Toggles: off,
// off pressed, on, on pressed. Slider knobs: normal, pressed (the pressed
// one lies left of it). Mono and stereo: lit, then dark.
const QList<Part> &parts()
{
    static const QList<Part> list = {
        {"Options Bar", 3, skTitleBar, {8, 43}, {{304, 0}, {312, 0}}, {10, 22}, {4, 5, 6, 7, 8}},
        {"Options Indicator", 4, skTitleBar, {8, 8}, {{304, 3}, {304, 47}}, {10, 25}},
        {"Always-On-Top Indic.", 5, skTitleBar, {8, 7}, {{304, 11}, {312, 55}}, {10, 33}},
        {"File Info Indicator", 6, skTitleBar, {8, 7}, {{304, 18}, {320, 62}}, {10, 40}},
        {"Doublesize Indicator", 7, skTitleBar, {8, 8}, {{304, 25}, {328, 69}}, {10, 47}},
        {"Visualization Indic.", 8, skTitleBar, {8, 7}, {{304, 33}, {336, 77}}, {10, 55}},
        {"System Menu", 10, skTitleBar, {9, 9}, {{0, 0}, {0, 9}}, {6, 3}},
        {"Minimize Button", 11, skTitleBar, {9, 9}, {{9, 0}, {9, 9}}, {244, 3}},
        {"WindowShade Mode", 12, skTitleBar, {9, 9}, {{0, 18}, {9, 18}}, {254, 3}},
        {"Close Button", 13, skTitleBar, {9, 9}, {{18, 0}, {18, 9}}, {264, 3}},
        {"Previous Track", 15, skCButtons, {23, 18}, {{0, 0}, {0, 18}}, {16, 88}},
        {"Play", 16, skCButtons, {23, 18}, {{23, 0}, {23, 18}}, {39, 88}},
        {"Pause", 17, skCButtons, {23, 18}, {{46, 0}, {46, 18}}, {62, 88}},
        {"Stop", 18, skCButtons, {23, 18}, {{69, 0}, {69, 18}}, {85, 88}},
        {"Next Track", 19, skCButtons, {22, 18}, {{92, 0}, {92, 18}}, {108, 88}},
        {"Open file(s)", 20, skCButtons, {22, 16}, {{114, 0}, {114, 16}}, {136, 89}},
        {"Shuffle Button", 22, skShufRep, {47, 15}, run(28, 0, 0, 15, 4), {164, 89}},
        {"Repeat Button", 23, skShufRep, {28, 15}, run(0, 0, 0, 15, 4), {210, 89}},
        {"Equalizer Button", 25, skShufRep, {23, 12}, {{0, 61}, {46, 61}, {0, 73}, {46, 73}}, {219, 58}},
        {"Playlist Editor Button", 26, skShufRep, {23, 12}, {{23, 61}, {69, 61}, {23, 73}, {69, 73}}, {242, 58}},
        {"Volume Bar", 28, skVolume, {68, 13}, run(0, 0, 0, 15, 28), {107, 57}},
        {"Volume Slider", 29, skVolume, {14, 11}, {{15, 422}, {0, 422}}, {157, 58}},
        {"Balance Bar", 31, skBalance, {38, 13}, run(9, 0, 0, 15, 28), {177, 57}},
        {"Balance Slider", 32, skBalance, {14, 11}, {{15, 422}, {0, 422}}, {189, 58}},
        {"Position Bar", 34, skPosBar, {248, 10}, {{0, 0}}, {16, 72}},
        {"Position Slider", 35, skPosBar, {29, 10}, {{248, 0}, {278, 0}}, {85, 72}},
        {"Mono Indicator", 37, skMonoSter, {27, 12}, {{29, 0}, {29, 12}}, {212, 41}},
        {"Stereo Indicator", 38, skMonoSter, {29, 12}, {{0, 0}, {0, 12}}, {239, 41}},
        {"Play State", 40, skPlayPaus, {9, 9}, {{0, 0}}, {26, 28}},
        {"Pause State", 41, skPlayPaus, {9, 9}, {{9, 0}}, {26, 28}},
        {"Stop State", 42, skPlayPaus, {9, 9}, {{18, 0}}, {26, 28}},
        {"Playing Indic.", 43, skPlayPaus, {3, 9}, {{36, 0}}, {24, 28}},
        {"Recording Indic.", 44, skPlayPaus, {3, 9}, {{39, 0}}, {24, 28}},
    };
    return list;
}

const Part &part(int index)
{
    for (const Part &p : parts())
        if (p.index == index)
            return p;
    qFatal("no part %d", index);
}

Rect rectAt(QPoint corner, QSize size)
{
    return {corner.x(), corner.y(), corner.x() + size.width(), corner.y() + size.height()};
}

void paste(QImage &sheet, QPoint at, const QImage &pic)
{
    for (int y = 0; y < pic.height(); ++y)
        for (int x = 0; x < pic.width(); ++x)
            sheet.setPixel(at.x() + x, at.y() + y, pic.pixel(x, y));
}

} // namespace

Q_DECLARE_METATYPE(vorlix::Rect)

class TestElements : public QObject, protected MainWindowFixture
{
    Q_OBJECT
private slots:
    void initTestCase() { initApplication(*qApp); }
    void init();
    void cleanup();

    void partRecords_data();
    void partRecords();
    void groupRecords_data();
    void groupRecords();
    void importFillsExactlyTheStates_data();
    void importFillsExactlyTheStates();
    void wholeWindowImportReachesEveryPart();
    void drawnWindowImportedDrawsTheSameWindow();
    void applyWritesTheShownState_data();
    void applyWritesTheShownState();
    void miniatureShowsTheImportedWindow();
    void applyRedrawsTheMiniature();
    void untouchedSkinKeepsTheBuiltInMiniature();
    void reduceByArea_data();
    void reduceByArea();

private:
    QString writeBmp(const QImage &img);
    std::array<QImage, kSheetCount> sheets() const;
    QTemporaryDir *m_dir = nullptr;
};

void TestElements::init()
{
    setUpMainWindow();
    m_dir = new QTemporaryDir;
}

void TestElements::cleanup()
{
    tearDownMainWindow();
    delete m_dir;
}

QString TestElements::writeBmp(const QImage &img)
{
    const QString path = m_dir->filePath(QStringLiteral("pic.bmp"));
    [&] { QVERIFY(img.save(path, "BMP")); }();
    return path;
}

std::array<QImage, kSheetCount> TestElements::sheets() const
{
    std::array<QImage, kSheetCount> out;
    for (int k = 0; k < kSheetCount; ++k)
        out[size_t(k)] = *G().sheet(SheetKind(k));
    return out;
}

void TestElements::partRecords_data()
{
    QTest::addColumn<int>("index");
    for (const Part &p : parts())
        QTest::newRow(p.name) << p.index;
}

void TestElements::partRecords()
{
    QFETCH(int, index);
    const Part &p = part(index);
    const SkinElement &e = G().ElementTable[size_t(index)];
    QCOMPARE(int(e.Id), index);
    QCOMPARE(int(e.Sheet), p.sheet);
    QCOMPARE(e.SheetRect, rectAt(p.states.first(), p.size));
    QCOMPARE(e.WindowRect, rectAt(p.window, p.size));
    QCOMPARE(int(e.MaxState), p.states.size() - 1);
    for (int k = 0; k < p.states.size(); ++k)
        QCOMPARE(stateRect(e, k), rectAt(p.states[k], p.size));
    QCOMPARE(int(e.ChildCount), p.children.size());
    if (p.children.isEmpty())
        QCOMPARE(int(e.Children[0]), -1);
    for (int j = 0; j < p.children.size(); ++j)
        QCOMPARE(int(e.Children[size_t(j)]), p.children[j]);
}

void TestElements::groupRecords_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QRect>("window");
    QTest::addColumn<QList<int>>("children");
    QTest::newRow("States Buttons") << 9 << QRect(0, 0, 275, 14) << QList<int>{10, 11, 12, 13};
    QTest::newRow("Control Buttons") << 14 << QRect(16, 88, 142, 18) << QList<int>{15, 16, 17, 18, 19, 20};
    QTest::newRow("Shuffle/Repeat Buttons") << 21 << QRect(164, 89, 74, 15) << QList<int>{22, 23};
    QTest::newRow("Eq/PL Buttons") << 24 << QRect(219, 58, 46, 12) << QList<int>{25, 26};
    QTest::newRow("Volume") << 27 << QRect(107, 57, 68, 13) << QList<int>{28, 29};
    QTest::newRow("Balance") << 30 << QRect(177, 57, 38, 13) << QList<int>{31, 32};
    QTest::newRow("Position Bar") << 33 << QRect(16, 72, 248, 10) << QList<int>{34, 35};
    QTest::newRow("Mono/Stereo Indicator") << 36 << QRect(212, 41, 56, 12) << QList<int>{37, 38};
    QTest::newRow("Play/Pause State") << 39 << QRect(24, 28, 11, 9) << QList<int>{40, 41, 42, 43, 44};
}

void TestElements::groupRecords()
{
    QFETCH(int, index);
    QFETCH(QRect, window);
    QFETCH(QList<int>, children);
    const SkinElement &e = G().ElementTable[size_t(index)];
    QCOMPARE(int(e.Id), index);
    QVERIFY(e.isGroup());
    QCOMPARE(e.WindowRect.toQRect(), window);
    // A picture imported on the group has the size of its area.
    QCOMPARE(e.SheetRect, (Rect{0, 0, window.width(), window.height()}));
    QCOMPARE(int(e.ChildCount), children.size());
    for (int j = 0; j < children.size(); ++j)
        QCOMPARE(int(e.Children[size_t(j)]), children[j]);
}

void TestElements::importFillsExactlyTheStates_data()
{
    // The options bar writes its pressed columns and its buttons too
    // (tst_import follows that import write by write).
    QTest::addColumn<int>("index");
    for (const Part &p : parts())
        if (p.children.isEmpty())
            QTest::newRow(p.name) << p.index;
}

void TestElements::importFillsExactlyTheStates()
{
    QFETCH(int, index);
    const Part &p = part(index);
    selectNode(index);
    const QImage pic = patterned(p.size.width(), p.size.height());
    auto expected = sheets();
    for (QPoint corner : p.states)
        paste(expected[size_t(p.sheet)], corner, pic);

    fake()->files.enqueue(writeBmp(pic));
    MainForm->OpenImage1Click();
    QVERIFY(fake()->messages.isEmpty());
    QVERIFY(G().FirstResizeDialog); // the right size needs no dialog
    for (int k = 0; k < kSheetCount; ++k)
        QVERIFY2(*G().sheet(SheetKind(k)) == expected[size_t(k)], qPrintable(sheetFileName(SheetKind(k))));
    QCOMPARE(MainForm->DesktopImg->Picture(), pic);
}

void TestElements::wholeWindowImportReachesEveryPart()
{
    selectNode(0);
    const QImage pic = patterned(275, 116);
    fake()->files.enqueue(writeBmp(pic));
    MainForm->OpenImage1Click();
    for (const Part &p : parts()) {
        const QImage want = pic.copy(QRect(p.window, p.size));
        for (int k = 0; k < p.states.size(); ++k)
            QVERIFY2(G().sheet(SheetKind(p.sheet))->copy(QRect(p.states[k], p.size)) == want,
                     qPrintable(QStringLiteral("%1, state %2").arg(p.name).arg(k)));
    }
}

// The window as the miniature draws it from the built-in sheets, imported
// whole, draws as the same window: the cut-up reads every part where the
// window shows it.
void TestElements::drawnWindowImportedDrawsTheSameWindow()
{
    const QImage drawn = composeWindow(sheetSet(G()));
    selectNode(0);
    fake()->files.enqueue(writeBmp(drawn));
    MainForm->OpenImage1Click();
    QVERIFY(fake()->messages.isEmpty());
    QCOMPARE(composeWindow(sheetSet(G())), drawn);
}

void TestElements::applyWritesTheShownState_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("state");
    QTest::newRow("doublesize lit") << 7 << 1;
    QTest::newRow("window shade pressed, beside it") << 12 << 1;
    QTest::newRow("eject pressed") << 20 << 1;
    QTest::newRow("equaliser on") << 25 << 2;
    QTest::newRow("playlist on and pressed") << 26 << 3;
    QTest::newRow("volume knob pressed") << 29 << 1;
    QTest::newRow("last balance background") << 31 << 27;
    QTest::newRow("position thumb pressed") << 35 << 1;
    QTest::newRow("stereo dark") << 38 << 1;
    QTest::newRow("recording lamp") << 44 << 0;
}

void TestElements::applyWritesTheShownState()
{
    QFETCH(int, index);
    QFETCH(int, state);
    const Part &p = part(index);
    const QRect place(p.states[state], p.size);
    selectNode(index);
    MainForm->StateChanger->setValue(state);
    QCOMPARE(MainForm->StateChanger->isEnabled(), p.states.size() > 1);
    QCOMPARE(int(G().CurrentState), state);
    QCOMPARE(MainForm->DesktopImg->Picture(), G().sheet(SheetKind(p.sheet))->copy(place));

    const QColor paint(12, 200, 99);
    MainForm->DesktopImg->pictureBits().fill(paint);
    MainForm->ApplyBtn->setEnabled(true);
    auto expected = sheets();
    paste(expected[size_t(p.sheet)], place.topLeft(), uniform(p.size.width(), p.size.height(), paint));
    fake()->answers.enqueue(MsgAnswer::Yes);
    MainForm->ApplyBtnClick();
    QVERIFY(!MainForm->ApplyBtn->isEnabled());
    for (int k = 0; k < kSheetCount; ++k)
        QVERIFY2(*G().sheet(SheetKind(k)) == expected[size_t(k)], qPrintable(sheetFileName(SheetKind(k))));
}

void TestElements::miniatureShowsTheImportedWindow()
{
    // Flat areas on a window picture, each over one part of the player.
    struct Area
    {
        QRect onWindow;
        QColor colour;
    };
    const QList<Area> areas = {
        {QRect(0, 88, 16, 28), QColor(40, 90, 160)},   // bare background, lower left
        {QRect(107, 57, 68, 13), QColor(200, 30, 60)}, // volume with its knob
        {QRect(16, 72, 248, 10), QColor(20, 180, 40)}, // position bar with its thumb
        {QRect(164, 89, 47, 15), QColor(250, 220, 10)},// shuffle
        {QRect(239, 41, 29, 12), QColor(90, 10, 200)}, // stereo
        {QRect(219, 58, 23, 12), QColor(0, 200, 200)}, // equaliser
    };
    QImage pic = uniform(275, 116, QColor(128, 128, 128));
    for (const Area &a : areas)
        for (int y = a.onWindow.top(); y <= a.onWindow.bottom(); ++y)
            for (int x = a.onWindow.left(); x <= a.onWindow.right(); ++x)
                pic.setPixelColor(x, y, a.colour);
    selectNode(0);
    fake()->files.enqueue(writeBmp(pic));
    MainForm->OpenImage1Click();

    // The miniature is the window at 175/275 of its size; a miniature pixel
    // near an area's centre is made of that area's pixels alone.
    const QImage mini = MainForm->selectimg->picture();
    const QImage groupView = MainForm->DesktopImg->Picture(); // "Main Window" shows it too
    QCOMPARE(mini.size(), QSize(175, 74));
    QCOMPARE(groupView, mini);
    for (const Area &a : areas) {
        const QPointF c = QRectF(a.onWindow).center();
        const QPoint at(int(c.x() * 175 / 275), int(c.y() * 74 / 116));
        QVERIFY2(mini.pixelColor(at) == a.colour,
                 qPrintable(QStringLiteral("at (%1, %2)").arg(at.x()).arg(at.y())));
    }
    QCOMPARE(mini.pixel(0, 10), qRgb(0, 255, 0)); // the outline stays
}

void TestElements::applyRedrawsTheMiniature()
{
    selectNode(1); // the background
    const QColor paint(70, 140, 210);
    MainForm->DesktopImg->pictureBits().fill(paint);
    MainForm->ApplyBtn->setEnabled(true);
    fake()->answers.enqueue(MsgAnswer::Yes);
    MainForm->ApplyBtnClick();
    // Lower left of the window shows nothing but the background.
    QCOMPARE(MainForm->selectimg->picture().pixelColor(4, 65), paint);
    selectNode(16); // a new selection reloads the miniature: the new one
    QCOMPARE(MainForm->selectimg->picture().pixelColor(4, 65), paint);
}

void TestElements::untouchedSkinKeepsTheBuiltInMiniature()
{
    const QImage builtIn = loadDefaultImage(QStringLiteral("WINAMPMINI"));
    QCOMPARE(MainForm->selectimg->picture(), builtIn);
    MainForm->RefreshMiniature();
    QCOMPARE(MainForm->selectimg->picture(), builtIn);
}

void TestElements::reduceByArea_data()
{
    QTest::addColumn<QList<int>>("row"); // grey levels of a one-row picture
    QTest::addColumn<QList<int>>("reduced");
    QTest::newRow("halves") << QList<int>{10, 30, 200, 100} << QList<int>{20, 150};
    // Each output pixel covers one and a half input pixels.
    QTest::newRow("thirds") << QList<int>{0, 90, 180} << QList<int>{30, 150};
    QTest::newRow("rounds half up") << QList<int>{0, 1} << QList<int>{1};
}

void TestElements::reduceByArea()
{
    QFETCH(QList<int>, row);
    QFETCH(QList<int>, reduced);
    QImage src(int(row.size()), 1, QImage::Format_BGR888);
    for (int x = 0; x < row.size(); ++x)
        src.setPixelColor(x, 0, QColor(row[x], row[x], row[x]));
    const QImage out = vorlix::reduceByArea(src, int(reduced.size()), 1);
    QCOMPARE(out.format(), QImage::Format_BGR888);
    QCOMPARE(out.width(), reduced.size());
    for (int x = 0; x < reduced.size(); ++x)
        QCOMPARE(out.pixelColor(x, 0), QColor(reduced[x], reduced[x], reduced[x]));
}

VORLIX_WINDOW_TEST_MAIN(TestElements)

#include "tst_elements.moc"
