// The rest of the skin: the equaliser, the playlist, the shaded bars, the
// letters and digits, and the colour files. Sprite places and window places
// are typed in from the players' published layout, not taken from the
// program.
#include <QtTest>

#include "MainWindowFixture.h"
#include "SkinFixtures.h"
#include "app/Application.h"
#include "mainwindow/MainForm.h"
#include "skin/GlobalVar.h"
#include "skin/WindowCompose.h"

using namespace vorlix;

namespace {

// One sprite: a block of a sheet that players draw on its own.
struct Sprite
{
    const char *name;
    SheetKind sheet;
    int x, y, w, h;
};

// The players' sprites of the sheets beyond the main window's, plus the main
// window's shaded bar (on the title bar sheet).
const Sprite kSprites[] = {
    {"EQ_WINDOW_BACKGROUND", skEqMain, 0, 0, 275, 116},
    {"EQ_TITLE_BAR_SELECTED", skEqMain, 0, 134, 275, 14},
    {"EQ_TITLE_BAR", skEqMain, 0, 149, 275, 14},
    {"EQ_CLOSE_BUTTON", skEqMain, 0, 116, 9, 9},
    {"EQ_CLOSE_BUTTON_ACTIVE", skEqMain, 0, 125, 9, 9},
    {"EQ_ON_BUTTON", skEqMain, 10, 119, 26, 12},
    {"EQ_ON_BUTTON_DEPRESSED", skEqMain, 128, 119, 26, 12},
    {"EQ_ON_BUTTON_SELECTED", skEqMain, 69, 119, 26, 12},
    {"EQ_ON_BUTTON_SELECTED_DEPRESSED", skEqMain, 187, 119, 26, 12},
    {"EQ_AUTO_BUTTON", skEqMain, 36, 119, 32, 12},
    {"EQ_AUTO_BUTTON_DEPRESSED", skEqMain, 154, 119, 32, 12},
    {"EQ_AUTO_BUTTON_SELECTED", skEqMain, 95, 119, 32, 12},
    {"EQ_AUTO_BUTTON_SELECTED_DEPRESSED", skEqMain, 213, 119, 32, 12},
    {"EQ_SLIDER_BACKGROUND_0", skEqMain, 13, 164, 14, 63},
    {"EQ_SLIDER_BACKGROUND_13", skEqMain, 208, 164, 14, 63},
    {"EQ_SLIDER_BACKGROUND_14", skEqMain, 13, 229, 14, 63},
    {"EQ_SLIDER_BACKGROUND_27", skEqMain, 208, 229, 14, 63},
    {"EQ_SLIDER_THUMB", skEqMain, 0, 164, 11, 11},
    {"EQ_SLIDER_THUMB_SELECTED", skEqMain, 0, 176, 11, 11},
    {"EQ_PRESETS_BUTTON", skEqMain, 224, 164, 44, 12},
    {"EQ_PRESETS_BUTTON_SELECTED", skEqMain, 224, 176, 44, 12},
    {"EQ_GRAPH_BACKGROUND", skEqMain, 0, 294, 113, 19},
    {"EQ_GRAPH_LINE_COLORS", skEqMain, 115, 294, 1, 19},
    {"EQ_PREAMP_LINE", skEqMain, 0, 314, 113, 1},
    {"EQ_SHADE_BACKGROUND_SELECTED", skEqEx, 0, 0, 275, 14},
    {"EQ_SHADE_BACKGROUND", skEqEx, 0, 15, 275, 14},
    {"EQ_SHADE_VOLUME_SLIDER_LEFT", skEqEx, 1, 30, 3, 7},
    {"EQ_SHADE_VOLUME_SLIDER_CENTER", skEqEx, 4, 30, 3, 7},
    {"EQ_SHADE_VOLUME_SLIDER_RIGHT", skEqEx, 7, 30, 3, 7},
    {"EQ_SHADE_BALANCE_SLIDER_LEFT", skEqEx, 11, 30, 3, 7},
    {"EQ_SHADE_BALANCE_SLIDER_RIGHT", skEqEx, 17, 30, 3, 7},
    {"EQ_MAXIMIZE_BUTTON_ACTIVE", skEqEx, 1, 38, 9, 9},
    {"EQ_MINIMIZE_BUTTON_ACTIVE", skEqEx, 1, 47, 9, 9},
    {"EQ_SHADE_CLOSE_BUTTON", skEqEx, 11, 38, 9, 9},
    {"EQ_SHADE_CLOSE_BUTTON_ACTIVE", skEqEx, 11, 47, 9, 9},
    {"PLAYLIST_TOP_LEFT_SELECTED", skPlEdit, 0, 0, 25, 20},
    {"PLAYLIST_TOP_LEFT_CORNER", skPlEdit, 0, 21, 25, 20},
    {"PLAYLIST_TITLE_BAR_SELECTED", skPlEdit, 26, 0, 100, 20},
    {"PLAYLIST_TITLE_BAR", skPlEdit, 26, 21, 100, 20},
    {"PLAYLIST_TOP_TILE_SELECTED", skPlEdit, 127, 0, 25, 20},
    {"PLAYLIST_TOP_RIGHT_CORNER_SELECTED", skPlEdit, 153, 0, 25, 20},
    {"PLAYLIST_TOP_RIGHT_CORNER", skPlEdit, 153, 21, 25, 20},
    {"PLAYLIST_LEFT_TILE", skPlEdit, 0, 42, 12, 29},
    {"PLAYLIST_RIGHT_TILE", skPlEdit, 31, 42, 20, 29},
    {"PLAYLIST_SCROLL_HANDLE", skPlEdit, 52, 53, 8, 18},
    {"PLAYLIST_SCROLL_HANDLE_SELECTED", skPlEdit, 61, 53, 8, 18},
    {"PLAYLIST_BOTTOM_LEFT_CORNER", skPlEdit, 0, 72, 125, 38},
    {"PLAYLIST_BOTTOM_RIGHT_CORNER", skPlEdit, 126, 72, 150, 38},
    {"PLAYLIST_BOTTOM_TILE", skPlEdit, 179, 0, 25, 38},
    {"PLAYLIST_VISUALIZER_BACKGROUND", skPlEdit, 205, 0, 75, 38},
    {"PLAYLIST_CLOSE_SELECTED", skPlEdit, 52, 42, 9, 9},
    {"PLAYLIST_COLLAPSE_SELECTED", skPlEdit, 62, 42, 9, 9},
    {"PLAYLIST_SHADE_BACKGROUND_LEFT", skPlEdit, 72, 42, 25, 14},
    {"PLAYLIST_SHADE_BACKGROUND", skPlEdit, 72, 57, 25, 14},
    {"PLAYLIST_SHADE_BACKGROUND_RIGHT_SELECTED", skPlEdit, 99, 42, 50, 14},
    {"PLAYLIST_SHADE_BACKGROUND_RIGHT", skPlEdit, 99, 57, 50, 14},
    {"PLAYLIST_ADD_URL", skPlEdit, 0, 111, 22, 18},
    {"PLAYLIST_ADD_URL_SELECTED", skPlEdit, 23, 111, 22, 18},
    {"PLAYLIST_ADD_FILE_SELECTED", skPlEdit, 23, 149, 22, 18},
    {"PLAYLIST_REMOVE_MISC_SELECTED", skPlEdit, 77, 168, 22, 18},
    {"PLAYLIST_SELECT_ZERO", skPlEdit, 104, 130, 22, 18},
    {"PLAYLIST_MISC_OPTIONS_SELECTED", skPlEdit, 177, 149, 22, 18},
    {"PLAYLIST_LOAD_LIST", skPlEdit, 204, 149, 22, 18},
    {"MAIN_SHADE_BACKGROUND_SELECTED", skTitleBar, 27, 29, 275, 14},
    {"MAIN_SHADE_BACKGROUND", skTitleBar, 27, 42, 275, 14},
};

QRgb spriteColour(int i)
{
    return qRgb(40 + 3 * i, 250 - 2 * i, (i * 53) & 0xff);
}

const Sprite &sprite(const char *name)
{
    for (const Sprite &s : kSprites)
        if (qstrcmp(s.name, name) == 0)
            return s;
    qFatal("no sprite %s", name);
}

int spriteIndex(const char *name)
{
    return int(&sprite(name) - kSprites);
}

// Each pixel tells where it lies: red the low bits of x, green y, blue the
// high bits of x and a tag.
QRgb placeColour(int x, int y, int tag = 0)
{
    return qRgb(x & 0xff, y & 0xff, (x >> 8) | (tag << 4));
}

QImage placePicture(int w, int h, int tag = 0)
{
    QImage img(w, h, QImage::Format_BGR888);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, placeColour(x, y, tag));
    return img;
}

} // namespace

class TestWholeSkin : public QObject, protected MainWindowFixture
{
    Q_OBJECT
private slots:
    void init() { setUpMainWindow(); }
    void cleanup() { tearDownMainWindow(); }

    void elementsShowTheirSprite_data();
    void elementsShowTheirSprite();
    void wholeEqualiserImportIsCutIntoItsParts();
    void wholePlaylistImportIsCutIntoItsParts();
    void digitsImportWritesBothDigitSheets();
    void colourEditWritesOneLine();
    void builtInSkinSavesWhole();
    void builtInSkinIsMarkedOnlyByEdits();
    void titleNamesTheSkinAndSavesSaySo();
    void previewFindsTheElementUnderThePointer_data();
    void previewFindsTheElementUnderThePointer();
};

void TestWholeSkin::elementsShowTheirSprite_data()
{
    QTest::addColumn<int>("node");
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("sprite");
    const auto row = [](int node, int state, const char *name) {
        QTest::addRow("%d.%d %s", node, state, name) << node << state << QString::fromLatin1(name);
    };
    row(46, 0, "EQ_WINDOW_BACKGROUND");
    row(47, 0, "EQ_TITLE_BAR_SELECTED");
    row(47, 1, "EQ_TITLE_BAR");
    row(62, 0, "EQ_ON_BUTTON");
    row(62, 1, "EQ_ON_BUTTON_DEPRESSED");
    row(62, 2, "EQ_ON_BUTTON_SELECTED");
    row(62, 3, "EQ_ON_BUTTON_SELECTED_DEPRESSED");
    row(63, 0, "EQ_AUTO_BUTTON");
    row(63, 1, "EQ_AUTO_BUTTON_DEPRESSED");
    row(63, 2, "EQ_AUTO_BUTTON_SELECTED");
    row(63, 3, "EQ_AUTO_BUTTON_SELECTED_DEPRESSED");
    row(64, 0, "EQ_PRESETS_BUTTON");
    row(64, 1, "EQ_PRESETS_BUTTON_SELECTED");
    row(65, 0, "EQ_CLOSE_BUTTON");
    row(65, 1, "EQ_CLOSE_BUTTON_ACTIVE");
    row(66, 0, "EQ_SLIDER_BACKGROUND_0");
    row(66, 13, "EQ_SLIDER_BACKGROUND_13");
    row(66, 14, "EQ_SLIDER_BACKGROUND_14");
    row(66, 27, "EQ_SLIDER_BACKGROUND_27");
    row(67, 0, "EQ_SLIDER_THUMB");
    row(67, 1, "EQ_SLIDER_THUMB_SELECTED");
    row(68, 0, "EQ_GRAPH_BACKGROUND");
    row(69, 0, "EQ_GRAPH_LINE_COLORS");
    row(70, 0, "EQ_PREAMP_LINE");
    row(49, 0, "MAIN_SHADE_BACKGROUND_SELECTED");
    row(49, 1, "MAIN_SHADE_BACKGROUND");
    row(50, 0, "EQ_SHADE_BACKGROUND_SELECTED");
    row(50, 1, "EQ_SHADE_BACKGROUND");
    row(71, 0, "EQ_MAXIMIZE_BUTTON_ACTIVE");
    row(71, 1, "EQ_MINIMIZE_BUTTON_ACTIVE");
    row(72, 0, "EQ_SHADE_CLOSE_BUTTON");
    row(72, 1, "EQ_SHADE_CLOSE_BUTTON_ACTIVE");
    row(73, 0, "EQ_SHADE_VOLUME_SLIDER_LEFT");
    row(73, 1, "EQ_SHADE_VOLUME_SLIDER_CENTER");
    row(73, 2, "EQ_SHADE_VOLUME_SLIDER_RIGHT");
    row(74, 0, "EQ_SHADE_BALANCE_SLIDER_LEFT");
    row(74, 2, "EQ_SHADE_BALANCE_SLIDER_RIGHT");
    row(75, 0, "PLAYLIST_TOP_LEFT_SELECTED");
    row(75, 1, "PLAYLIST_TOP_LEFT_CORNER");
    row(76, 0, "PLAYLIST_TITLE_BAR_SELECTED");
    row(76, 1, "PLAYLIST_TITLE_BAR");
    row(77, 0, "PLAYLIST_TOP_TILE_SELECTED");
    row(78, 0, "PLAYLIST_TOP_RIGHT_CORNER_SELECTED");
    row(78, 1, "PLAYLIST_TOP_RIGHT_CORNER");
    row(79, 0, "PLAYLIST_LEFT_TILE");
    row(80, 0, "PLAYLIST_RIGHT_TILE");
    row(81, 0, "PLAYLIST_SCROLL_HANDLE");
    row(81, 1, "PLAYLIST_SCROLL_HANDLE_SELECTED");
    row(82, 0, "PLAYLIST_BOTTOM_LEFT_CORNER");
    row(83, 0, "PLAYLIST_BOTTOM_RIGHT_CORNER");
    row(84, 0, "PLAYLIST_BOTTOM_TILE");
    row(85, 0, "PLAYLIST_VISUALIZER_BACKGROUND");
    row(86, 0, "PLAYLIST_CLOSE_SELECTED");
    row(86, 1, "PLAYLIST_COLLAPSE_SELECTED");
    row(87, 0, "PLAYLIST_ADD_URL");
    row(87, 1, "PLAYLIST_ADD_URL_SELECTED");
    row(87, 5, "PLAYLIST_ADD_FILE_SELECTED");
    row(88, 7, "PLAYLIST_REMOVE_MISC_SELECTED");
    row(89, 2, "PLAYLIST_SELECT_ZERO");
    row(90, 5, "PLAYLIST_MISC_OPTIONS_SELECTED");
    row(91, 4, "PLAYLIST_LOAD_LIST");
    row(92, 0, "PLAYLIST_SHADE_BACKGROUND_LEFT");
    row(93, 0, "PLAYLIST_SHADE_BACKGROUND");
    row(94, 0, "PLAYLIST_SHADE_BACKGROUND_RIGHT_SELECTED");
    row(94, 1, "PLAYLIST_SHADE_BACKGROUND_RIGHT");
}

// A skin whose every sprite has a colour of its own: each element's state
// shows exactly its sprite, all of it and nothing else.
void TestWholeSkin::elementsShowTheirSprite()
{
    QFETCH(int, node);
    QFETCH(int, state);
    QFETCH(QString, sprite);
    std::array<QImage, kSheetCount> sheets;
    for (SheetKind k : {skEqMain, skEqEx, skPlEdit, skTitleBar}) {
        sheets[size_t(k)] = QImage(sheetSize(k), QImage::Format_BGR888);
        sheets[size_t(k)].fill(QColor(1, 2, 3));
    }
    // The sprite under test last: the players' two main-window shaded bars
    // share a row.
    QList<int> order;
    for (int i = 0; i < int(std::size(kSprites)); ++i)
        if (i != spriteIndex(qPrintable(sprite)))
            order << i;
    order << spriteIndex(qPrintable(sprite));
    for (int i : order) {
        const Sprite &s = kSprites[i];
        QImage &sheet = sheets[size_t(s.sheet)];
        for (int y = s.y; y < s.y + s.h; ++y)
            for (int x = s.x; x < s.x + s.w; ++x)
                sheet.setPixel(x, y, spriteColour(i));
    }
    for (SheetKind k : {skEqMain, skEqEx, skPlEdit, skTitleBar})
        setSheet(G(), k, sheets[size_t(k)], SheetOrigin::File);

    selectNode(node);
    MainForm->StateChanger->setValue(state);
    const Sprite &s = ::sprite(qPrintable(sprite));
    const QImage shown = MainForm->DesktopImg->Picture();
    QCOMPARE(shown.size(), QSize(s.w, s.h));
    QImage expected(s.w, s.h, QImage::Format_BGR888);
    expected.fill(QColor::fromRgb(spriteColour(spriteIndex(qPrintable(sprite)))));
    QCOMPARE(shown.convertToFormat(QImage::Format_BGR888), expected);
}

// A picture of the whole equaliser window: every part takes the block at its
// place on the window, in every one of its states.
void TestWholeSkin::wholeEqualiserImportIsCutIntoItsParts()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("eq.bmp"));
    placePicture(275, 116).save(file, "BMP");
    QImage eqBefore = *G().sheet(skEqMain);

    selectNode(45);
    fake()->files.enqueue(file);
    MainForm->OpenImage1Click();
    QVERIFY(fake()->messages.isEmpty());

    // Window place (equaliser window), size, and the sheet places it fills.
    struct Part
    {
        const char *what;
        int wx, wy, w, h;
        QList<QPoint> states;
    };
    QList<QPoint> sliderFrames;
    for (int k = 0; k < 28; ++k)
        sliderFrames << QPoint(13 + 15 * (k % 14), 164 + 65 * (k / 14));
    const QList<Part> parts = {
        {"background", 0, 0, 275, 116, {{0, 0}}},
        {"title bar", 0, 0, 275, 14, {{0, 134}, {0, 149}}},
        {"on", 14, 18, 26, 12, {{10, 119}, {128, 119}, {69, 119}, {187, 119}}},
        {"auto", 40, 18, 32, 12, {{36, 119}, {154, 119}, {95, 119}, {213, 119}}},
        {"presets", 217, 18, 44, 12, {{224, 164}, {224, 176}}},
        {"close", 264, 3, 9, 9, {{0, 116}, {0, 125}}},
        {"graph", 86, 17, 113, 19, {{0, 294}}},
        {"slider", 21, 38, 14, 63, sliderFrames},
    };
    const QImage &eq = *G().sheet(skEqMain);
    for (const Part &p : parts)
        for (const QPoint &at : p.states)
            for (int y = 0; y < p.h; ++y)
                for (int x = 0; x < p.w; ++x)
                    QVERIFY2(eq.pixel(at.x() + x, at.y() + y) == placeColour(p.wx + x, p.wy + y),
                             qPrintable(QStringLiteral("%1 at %2,%3 pixel %4,%5")
                                            .arg(QLatin1String(p.what)).arg(at.x()).arg(at.y()).arg(x).arg(y)));
    // Parts that have no place on the window are left alone.
    QCOMPARE(eq.pixel(115, 300), eqBefore.pixel(115, 300)); // graph line colours
    QCOMPARE(eq.pixel(50, 314), eqBefore.pixel(50, 314));   // preamp line
    QCOMPARE(*G().sheet(skMain), loadDefaultImage(QStringLiteral("MAIN")));
}

void TestWholeSkin::wholePlaylistImportIsCutIntoItsParts()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("pl.bmp"));
    placePicture(275, 116).save(file, "BMP");
    selectNode(55);
    fake()->files.enqueue(file);
    MainForm->OpenImage1Click();
    QVERIFY(fake()->messages.isEmpty());
    // Sheet place, window place at 275 x 116, size.
    struct Part
    {
        const char *what;
        int sx, sy, wx, wy, w, h;
    };
    const Part parts[] = {
        {"top left, active", 0, 0, 0, 0, 25, 20},       {"top left, inactive", 0, 21, 0, 0, 25, 20},
        {"title, active", 26, 0, 87, 0, 100, 20},       {"title, inactive", 26, 21, 87, 0, 100, 20},
        {"top tile", 127, 0, 25, 0, 25, 20},            {"top right", 153, 0, 250, 0, 25, 20},
        {"left side", 0, 42, 0, 20, 12, 29},            {"right side", 31, 42, 255, 20, 20, 29},
        {"scroll handle", 52, 53, 260, 20, 8, 18},      {"bottom left", 0, 72, 0, 78, 125, 38},
        {"bottom right", 126, 72, 125, 78, 150, 38},
    };
    const QImage &pl = *G().sheet(skPlEdit);
    for (const Part &p : parts)
        for (int y = 0; y < p.h; ++y)
            for (int x = 0; x < p.w; ++x)
                QVERIFY2(pl.pixel(p.sx + x, p.sy + y) == placeColour(p.wx + x, p.wy + y),
                         qPrintable(QStringLiteral("%1 pixel %2,%3").arg(QLatin1String(p.what)).arg(x).arg(y)));
}

// Players prefer nums_ex.bmp and older ones read numbers.bmp: a picture of
// the twelve cells goes into both, the first ten cells 1:1 into numbers.bmp.
void TestWholeSkin::digitsImportWritesBothDigitSheets()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("digits.bmp"));
    placePicture(108, 13, 5).save(file, "BMP");
    selectNode(61);
    fake()->files.enqueue(file);
    MainForm->OpenImage1Click();
    QCOMPARE(*G().sheet(skNumsEx), placePicture(108, 13, 5));
    QCOMPARE(*G().sheet(skNumbers), placePicture(99, 13, 5));
}

// A colour changed in the view is one changed line of the skin's
// viscolor.txt; its comments and everything else stay.
void TestWholeSkin::colourEditWritesOneLine()
{
    QTemporaryDir dir;
    const QString skin = dir.filePath(QStringLiteral("skin"));
    QDir().mkpath(skin);
    const QStringList sheets{"main.bmp", "titlebar.bmp", "cbuttons.bmp"};
    writeFile(skin + QStringLiteral("/main.bmp"), bmpBytes(275, 116, 24, 1));
    const QByteArray vis = "0,0,0 // background\r\n24, 33, 41\t// dots\r\n239,49,16\r\n";
    writeFile(skin + QStringLiteral("/viscolor.txt"), vis);
    fake()->folders.enqueue(skin);
    fake()->answers.enqueue(MsgAnswer::Ok); // the missing sheets
    MainForm->OpenSkin1->trigger();

    selectNode(53); // "Spectrum Analyzer": background, dots, the 16 bars, peaks
    const QImage swatches = MainForm->DesktopImg->Picture();
    QVERIFY(!swatches.isNull());
    QCOMPARE(QColor(swatches.pixel(14, 14)).rgb(), qRgb(0, 0, 0));
    QCOMPARE(QColor(swatches.pixel(42, 14)).rgb(), qRgb(24, 33, 41));
    // A double-click on the second swatch, at zoom 1.
    fake()->colors.enqueue(QColor(200, 100, 50));
    MainForm->DesktopImgDoubleClick(42, 14);
    QCOMPARE(QColor(MainForm->DesktopImg->Picture().pixel(42, 14)).rgb(), qRgb(200, 100, 50));

    const QString saved = dir.filePath(QStringLiteral("saved"));
    QDir().mkpath(saved);
    fake()->folders.enqueue(saved);
    MainForm->SaveSkin1->trigger();
    QCOMPARE(readAll(saved + QStringLiteral("/viscolor.txt")),
             QByteArray("0,0,0 // background\r\n200, 100, 50\t// dots\r\n239,49,16\r\n"));
    // Nothing else was added: the skin lacked pledit.txt and still does.
    QVERIFY(!QFile::exists(saved + QStringLiteral("/pledit.txt")));
}

// Saved as a skin folder, the built-in skin is complete: every sheet and
// both colour files, and read back it is the same skin.
void TestWholeSkin::builtInSkinSavesWhole()
{
    QTemporaryDir top;
    // A name typed in the folder dialog that is no folder yet: made on saving.
    const QDir dir(top.filePath(QStringLiteral("New Skin")));
    fake()->folders.enqueue(dir.path());
    MainForm->SaveSkin1->trigger();
    QVERIFY(fake()->messages.isEmpty());
    QStringList expected{"main.bmp",   "titlebar.bmp", "cbuttons.bmp", "shufrep.bmp", "playpaus.bmp",
                         "volume.bmp", "balance.bmp",  "monoster.bmp", "posbar.bmp",  "eqmain.bmp",
                         "eq_ex.bmp",  "pledit.bmp",   "text.bmp",     "numbers.bmp", "nums_ex.bmp",
                         "mb.bmp",     "viscolor.txt", "pledit.txt"};
    expected.sort();
    QStringList written = QDir(dir.path()).entryList(QDir::Files, QDir::Name);
    QCOMPARE(written, expected);
    for (const QString &name : expected)
        if (name.endsWith(QLatin1String(".bmp"))) {
            const QImage read(dir.filePath(name), "BMP");
            QVERIFY2(!read.isNull(), qPrintable(name));
        }
    const QImage eq(dir.filePath(QStringLiteral("eqmain.bmp")), "BMP");
    QCOMPARE(eq.convertToFormat(QImage::Format_BGR888), loadDefaultImage(QStringLiteral("EQMAIN")));
    QVERIFY(!MainForm->skinHasUnsavedChanges());
}

// The built-in sheets are read when first shown: showing one leaves the
// skin unmarked, an applied edit marks it, and Undo's way back unmarks it.
void TestWholeSkin::builtInSkinIsMarkedOnlyByEdits()
{
    for (int node : {16, 46, 76}) { // a control button, the equaliser, the playlist
        selectNode(node);
        QVERIFY2(!MainForm->isWindowModified(), qPrintable(QString::number(node)));
    }
    selectNode(16);
    const QImage before = MainForm->DesktopImg->Picture();
    MainForm->DesktopImg->pictureBits().fill(Qt::red);
    MainForm->ApplyBtn->setEnabled(true);
    fake()->answers.enqueue(MsgAnswer::Yes);
    MainForm->ApplyBtnClick();
    QVERIFY(MainForm->isWindowModified());
    MainForm->DesktopImg->pictureBits() = before;
    MainForm->ApplyBtn->setEnabled(true);
    fake()->answers.enqueue(MsgAnswer::Yes);
    MainForm->ApplyBtnClick();
    QVERIFY(!MainForm->isWindowModified());
}

// What the desktop shows of the window: the skin's name, marked while
// anything is unsaved; and a save tells what it wrote, with no box.
void TestWholeSkin::titleNamesTheSkinAndSavesSaySo()
{
    QCOMPARE(MainForm->windowTitle(), QStringLiteral("Untitled[*] - Vorlix"));
    QVERIFY(!MainForm->isWindowModified());
    selectNode(16);
    MainForm->ApplyBtn->setEnabled(true); // an edit waiting in the view
    QVERIFY(MainForm->isWindowModified());
    MainForm->ApplyBtn->setEnabled(false);
    QVERIFY(!MainForm->isWindowModified());

    QTemporaryDir dir;
    const QString skin = dir.filePath(QStringLiteral("Chrome"));
    QDir().mkpath(skin);
    writeFile(skin + QStringLiteral("/main.bmp"), bmpBytes(275, 116, 24, 1));
    fake()->folders.enqueue(skin);
    fake()->answers.enqueue(MsgAnswer::Ok); // the missing sheets
    MainForm->OpenSkin1->trigger();
    QCOMPARE(fake()->messages.last().caption, QStringLiteral("Vorlix"));
    QCOMPARE(MainForm->windowTitle(), QStringLiteral("Chrome[*] - Vorlix"));
    QVERIFY(!MainForm->isWindowModified());

    // An applied edit marks it; a save clears the mark and says where.
    selectNode(16);
    MainForm->DesktopImg->pictureBits().fill(Qt::red);
    MainForm->ApplyBtn->setEnabled(true);
    fake()->answers.enqueue(MsgAnswer::Yes);
    MainForm->ApplyBtnClick();
    QVERIFY(MainForm->isWindowModified());
    QVERIFY(!MainForm->SaveNote->isVisible());
    const int boxes = int(fake()->messages.size());
    fake()->folders.enqueue(skin);
    MainForm->SaveSkin1->trigger();
    QCOMPARE(int(fake()->messages.size()), boxes); // no box
    QVERIFY(!MainForm->isWindowModified());
    QVERIFY(MainForm->SaveNote->isVisibleTo(MainForm));
    QCOMPARE(MainForm->SaveNote->toolTip(), QStringLiteral("Saved 2 files to %1").arg(skin));

    const QString archive = dir.filePath(QStringLiteral("Chrome.wsz"));
    fake()->files.enqueue(archive);
    MainForm->SaveZIPSkin1->trigger();
    QCOMPARE(MainForm->windowTitle(), QStringLiteral("Chrome[*] - Vorlix"));
    QCOMPARE(MainForm->SaveNote->toolTip(), QStringLiteral("Saved %1").arg(archive));
}

void TestWholeSkin::previewFindsTheElementUnderThePointer_data()
{
    QTest::addColumn<QPoint>("point");
    QTest::addColumn<int>("node");
    // The preview stacks main window (y 0), equaliser (116), playlist (232),
    // then the shaded bars of the three (348, 362, 376).
    QTest::newRow("play button") << QPoint(45, 95) << 16;
    QTest::newRow("main window background") << QPoint(5, 60) << 1;
    QTest::newRow("song title") << QPoint(150, 29) << 59;
    QTest::newRow("time") << QPoint(50, 30) << 61;
    QTest::newRow("spectrum") << QPoint(40, 50) << 53;
    QTest::newRow("equaliser ON") << QPoint(20, 116 + 22) << 62;
    QTest::newRow("equaliser knob beats its bar") << QPoint(27, 116 + 68) << 67;
    QTest::newRow("equaliser graph") << QPoint(100, 116 + 25) << 68;
    QTest::newRow("equaliser background") << QPoint(150, 116 + 90) << 46;
    QTest::newRow("playlist title") << QPoint(130, 232 + 5) << 76;
    QTest::newRow("playlist entries") << QPoint(100, 232 + 50) << 60;
    QTest::newRow("playlist bottom right") << QPoint(200, 232 + 100) << 83;
    QTest::newRow("main window shaded") << QPoint(100, 348 + 7) << 49;
    QTest::newRow("equaliser shaded, its close button") << QPoint(268, 362 + 7) << 72;
    QTest::newRow("playlist shaded, right end") << QPoint(240, 376 + 7) << 94;
    QTest::newRow("below everything") << QPoint(100, 395) << -1;
}

void TestWholeSkin::previewFindsTheElementUnderThePointer()
{
    QFETCH(QPoint, point);
    QFETCH(int, node);
    QCOMPARE(previewElementAt(G().ElementTable, point), node);
}

VORLIX_WINDOW_TEST_MAIN(TestWholeSkin)
#include "tst_wholeskin.moc"
