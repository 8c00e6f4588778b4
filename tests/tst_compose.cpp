// The three windows and their shaded bars composed from sheets in which every
// sprite is a flat colour of its own: each piece must show exactly at its
// window place. Sprite rectangles are typed in from webamp's skinSprites.ts,
// window places from webamp's CSS, checked against Audacious's drawing code.
#include <QtTest>

#include "Pictures.h"
#include "skin/SkinSheets.h"
#include "skin/WindowCompose.h"

#include <QFontDatabase>
#include <QHash>

using namespace vorlix;

namespace {

struct Sprite
{
    SheetKind sheet;
    const char *name;
    int x, y, w, h;
};

// webamp, packages/webamp/js/skinSprites.ts (only sprites that don't overlap).
const Sprite kSprites[] = {
    {skBalance, "MAIN_BALANCE_BACKGROUND", 9, 0, 38, 420},
    {skBalance, "MAIN_BALANCE_THUMB", 15, 422, 14, 11},
    {skBalance, "MAIN_BALANCE_THUMB_ACTIVE", 0, 422, 14, 11},
    {skCButtons, "MAIN_PREVIOUS_BUTTON", 0, 0, 23, 18},
    {skCButtons, "MAIN_PREVIOUS_BUTTON_ACTIVE", 0, 18, 23, 18},
    {skCButtons, "MAIN_PLAY_BUTTON", 23, 0, 23, 18},
    {skCButtons, "MAIN_PLAY_BUTTON_ACTIVE", 23, 18, 23, 18},
    {skCButtons, "MAIN_PAUSE_BUTTON", 46, 0, 23, 18},
    {skCButtons, "MAIN_PAUSE_BUTTON_ACTIVE", 46, 18, 23, 18},
    {skCButtons, "MAIN_STOP_BUTTON", 69, 0, 23, 18},
    {skCButtons, "MAIN_STOP_BUTTON_ACTIVE", 69, 18, 23, 18},
    {skCButtons, "MAIN_NEXT_BUTTON", 92, 0, 23, 18},
    {skCButtons, "MAIN_NEXT_BUTTON_ACTIVE", 92, 18, 22, 18},
    {skCButtons, "MAIN_EJECT_BUTTON", 114, 0, 22, 16},
    {skCButtons, "MAIN_EJECT_BUTTON_ACTIVE", 114, 16, 22, 16},
    {skMain, "MAIN_WINDOW_BACKGROUND", 0, 0, 275, 116},
    {skMonoSter, "MAIN_STEREO", 0, 12, 29, 12},
    {skMonoSter, "MAIN_STEREO_SELECTED", 0, 0, 29, 12},
    {skMonoSter, "MAIN_MONO", 29, 12, 27, 12},
    {skMonoSter, "MAIN_MONO_SELECTED", 29, 0, 27, 12},
    {skNumbers, "DIGIT_0", 0, 0, 9, 13},
    {skNumbers, "DIGIT_1", 9, 0, 9, 13},
    {skNumbers, "DIGIT_2", 18, 0, 9, 13},
    {skNumbers, "DIGIT_3", 27, 0, 9, 13},
    {skNumbers, "DIGIT_4", 36, 0, 9, 13},
    {skNumbers, "DIGIT_5", 45, 0, 9, 13},
    {skNumbers, "DIGIT_6", 54, 0, 9, 13},
    {skNumbers, "DIGIT_7", 63, 0, 9, 13},
    {skNumbers, "DIGIT_8", 72, 0, 9, 13},
    {skNumbers, "DIGIT_9", 81, 0, 9, 13},
    // Not in webamp's table: Audacious draws a blank digit from the cell
    // after the nine (number.cc: '0'..'9' are cells 0..9, anything else 10).
    {skNumbers, "BLANK", 90, 0, 9, 13},
    {skNumsEx, "NO_MINUS_SIGN_EX", 90, 0, 9, 13},
    {skNumsEx, "MINUS_SIGN_EX", 99, 0, 9, 13},
    {skNumsEx, "DIGIT_0_EX", 0, 0, 9, 13},
    {skNumsEx, "DIGIT_1_EX", 9, 0, 9, 13},
    {skNumsEx, "DIGIT_2_EX", 18, 0, 9, 13},
    {skNumsEx, "DIGIT_3_EX", 27, 0, 9, 13},
    {skNumsEx, "DIGIT_4_EX", 36, 0, 9, 13},
    {skNumsEx, "DIGIT_5_EX", 45, 0, 9, 13},
    {skNumsEx, "DIGIT_6_EX", 54, 0, 9, 13},
    {skNumsEx, "DIGIT_7_EX", 63, 0, 9, 13},
    {skNumsEx, "DIGIT_8_EX", 72, 0, 9, 13},
    {skNumsEx, "DIGIT_9_EX", 81, 0, 9, 13},
    {skPlayPaus, "MAIN_PLAYING_INDICATOR", 0, 0, 9, 9},
    {skPlayPaus, "MAIN_PAUSED_INDICATOR", 9, 0, 9, 9},
    {skPlayPaus, "MAIN_STOPPED_INDICATOR", 18, 0, 9, 9},
    {skPlayPaus, "MAIN_NOT_WORKING_INDICATOR", 36, 0, 3, 9},
    {skPlayPaus, "MAIN_WORKING_INDICATOR", 39, 0, 3, 9},
    {skPlEdit, "PLAYLIST_TOP_TILE", 127, 21, 25, 20},
    {skPlEdit, "PLAYLIST_TOP_LEFT_CORNER", 0, 21, 25, 20},
    {skPlEdit, "PLAYLIST_TITLE_BAR", 26, 21, 100, 20},
    {skPlEdit, "PLAYLIST_TOP_RIGHT_CORNER", 153, 21, 25, 20},
    {skPlEdit, "PLAYLIST_TOP_TILE_SELECTED", 127, 0, 25, 20},
    {skPlEdit, "PLAYLIST_TOP_LEFT_SELECTED", 0, 0, 25, 20},
    {skPlEdit, "PLAYLIST_TITLE_BAR_SELECTED", 26, 0, 100, 20},
    {skPlEdit, "PLAYLIST_TOP_RIGHT_CORNER_SELECTED", 153, 0, 25, 20},
    {skPlEdit, "PLAYLIST_LEFT_TILE", 0, 42, 12, 29},
    {skPlEdit, "PLAYLIST_RIGHT_TILE", 31, 42, 20, 29},
    {skPlEdit, "PLAYLIST_BOTTOM_TILE", 179, 0, 25, 38},
    {skPlEdit, "PLAYLIST_BOTTOM_LEFT_CORNER", 0, 72, 125, 38},
    {skPlEdit, "PLAYLIST_BOTTOM_RIGHT_CORNER", 126, 72, 150, 38},
    {skPlEdit, "PLAYLIST_VISUALIZER_BACKGROUND", 205, 0, 75, 38},
    {skPlEdit, "PLAYLIST_SHADE_BACKGROUND", 72, 57, 25, 14},
    {skPlEdit, "PLAYLIST_SHADE_BACKGROUND_LEFT", 72, 42, 25, 14},
    {skPlEdit, "PLAYLIST_SHADE_BACKGROUND_RIGHT", 99, 57, 50, 14},
    {skPlEdit, "PLAYLIST_SHADE_BACKGROUND_RIGHT_SELECTED", 99, 42, 50, 14},
    {skPlEdit, "PLAYLIST_SCROLL_HANDLE_SELECTED", 61, 53, 8, 18},
    {skPlEdit, "PLAYLIST_SCROLL_HANDLE", 52, 53, 8, 18},
    {skPlEdit, "PLAYLIST_ADD_URL", 0, 111, 22, 18},
    {skPlEdit, "PLAYLIST_ADD_URL_SELECTED", 23, 111, 22, 18},
    {skPlEdit, "PLAYLIST_REMOVE_ALL", 54, 111, 22, 18},
    {skPlEdit, "PLAYLIST_ADD_MENU_BAR", 48, 111, 3, 54},
    {skPlEdit, "PLAYLIST_CLOSE_SELECTED", 52, 42, 9, 9},
    {skPlEdit, "PLAYLIST_COLLAPSE_SELECTED", 62, 42, 9, 9},
    {skPlEdit, "PLAYLIST_EXPAND_SELECTED", 150, 42, 9, 9},
    {skEqEx, "EQ_SHADE_BACKGROUND_SELECTED", 0, 0, 275, 14},
    {skEqEx, "EQ_SHADE_BACKGROUND", 0, 15, 275, 14},
    {skEqEx, "EQ_SHADE_VOLUME_SLIDER_LEFT", 1, 30, 3, 7},
    {skEqEx, "EQ_SHADE_VOLUME_SLIDER_CENTER", 4, 30, 3, 7},
    {skEqEx, "EQ_SHADE_VOLUME_SLIDER_RIGHT", 7, 30, 3, 7},
    {skEqEx, "EQ_MAXIMIZE_BUTTON_ACTIVE", 1, 38, 9, 9},
    {skEqEx, "EQ_SHADE_CLOSE_BUTTON", 11, 38, 9, 9},
    {skEqMain, "EQ_WINDOW_BACKGROUND", 0, 0, 275, 116},
    {skEqMain, "EQ_TITLE_BAR", 0, 149, 275, 14},
    {skEqMain, "EQ_TITLE_BAR_SELECTED", 0, 134, 275, 14},
    {skEqMain, "EQ_SLIDER_THUMB", 0, 164, 11, 11},
    {skEqMain, "EQ_SLIDER_THUMB_SELECTED", 0, 176, 11, 11},
    {skEqMain, "EQ_CLOSE_BUTTON", 0, 116, 9, 9},
    {skEqMain, "EQ_CLOSE_BUTTON_ACTIVE", 0, 125, 9, 9},
    {skEqMain, "EQ_ON_BUTTON", 10, 119, 26, 12},
    {skEqMain, "EQ_ON_BUTTON_DEPRESSED", 128, 119, 26, 12},
    {skEqMain, "EQ_ON_BUTTON_SELECTED", 69, 119, 26, 12},
    {skEqMain, "EQ_ON_BUTTON_SELECTED_DEPRESSED", 187, 119, 26, 12},
    {skEqMain, "EQ_AUTO_BUTTON", 36, 119, 32, 12},
    {skEqMain, "EQ_AUTO_BUTTON_DEPRESSED", 154, 119, 32, 12},
    {skEqMain, "EQ_AUTO_BUTTON_SELECTED", 95, 119, 32, 12},
    {skEqMain, "EQ_AUTO_BUTTON_SELECTED_DEPRESSED", 213, 119, 32, 12},
    {skEqMain, "EQ_GRAPH_BACKGROUND", 0, 294, 113, 19},
    {skEqMain, "EQ_PRESETS_BUTTON", 224, 164, 44, 12},
    {skEqMain, "EQ_PRESETS_BUTTON_SELECTED", 224, 176, 44, 12},
    {skEqMain, "EQ_PREAMP_LINE", 0, 314, 113, 1},
    {skPosBar, "MAIN_POSITION_SLIDER_BACKGROUND", 0, 0, 248, 10},
    {skPosBar, "MAIN_POSITION_SLIDER_THUMB", 248, 0, 29, 10},
    {skPosBar, "MAIN_POSITION_SLIDER_THUMB_SELECTED", 278, 0, 29, 10},
    {skShufRep, "MAIN_SHUFFLE_BUTTON", 28, 0, 47, 15},
    {skShufRep, "MAIN_REPEAT_BUTTON", 0, 0, 28, 15},
    {skShufRep, "MAIN_EQ_BUTTON", 0, 61, 23, 12},
    {skShufRep, "MAIN_PLAYLIST_BUTTON", 23, 61, 23, 12},
    {skTitleBar, "MAIN_TITLE_BAR", 27, 15, 275, 14},
    {skTitleBar, "MAIN_TITLE_BAR_SELECTED", 27, 0, 275, 14},
    {skTitleBar, "MAIN_OPTIONS_BUTTON", 0, 0, 9, 9},
    {skTitleBar, "MAIN_MINIMIZE_BUTTON", 9, 0, 9, 9},
    {skTitleBar, "MAIN_SHADE_BUTTON", 0, 18, 9, 9},
    {skTitleBar, "MAIN_CLOSE_BUTTON", 18, 0, 9, 9},
    {skTitleBar, "MAIN_CLUTTER_BAR_BACKGROUND", 304, 0, 8, 43},
    {skTitleBar, "MAIN_SHADE_BACKGROUND", 27, 42, 275, 14},
    {skTitleBar, "MAIN_SHADE_BACKGROUND_SELECTED", 27, 29, 275, 14},
    {skVolume, "MAIN_VOLUME_BACKGROUND", 0, 0, 68, 420},
    {skVolume, "MAIN_VOLUME_THUMB", 15, 422, 14, 11},
};

// Sprite colours: red's top bit set, so never black and never a sheet's
// unpainted colour below.
QRgb spriteColour(int n)
{
    return qRgb(0x80 | (n >> 8), n & 0xff, 0x5a);
}

QRgb unpaintedColour(SheetKind k)
{
    return qRgb(0x10 + k, 0x20, 0x30);
}

using Pictures = std::array<QImage, kSheetCount>;

SheetSet setOf(const Pictures &pics)
{
    SheetSet set{};
    for (size_t k = 0; k < pics.size(); ++k)
        set[k] = pics[k].isNull() ? nullptr : &pics[k];
    return set;
}

struct Fixture
{
    Pictures pics;
    QHash<QString, QRgb> colour;

    Fixture()
    {
        for (SheetKind k = 0; k < kSheetCount; ++k)
            pics[size_t(k)] = uniform(sheetSize(k).width(), sheetSize(k).height(), unpaintedColour(k));
        int n = 0;
        const auto paint = [&](SheetKind k, const QString &name, int x, int y, int w, int h) {
            const QRgb c = spriteColour(++n);
            QImage &img = pics[size_t(k)];
            for (int j = y; j < y + h; ++j)
                for (int i = x; i < x + w; ++i)
                    img.setPixel(i, j, c);
            colour.insert(name, c);
        };
        for (const Sprite &s : kSprites)
            paint(s.sheet, QString::fromLatin1(s.name), s.x, s.y, s.w, s.h);
        // text.bmp: 31 x 3 cells of 5 x 6 (FONT_LOOKUP, CHAR_X, CHAR_Y).
        for (int row = 0; row < 3; ++row)
            for (int col = 0; col < 31; ++col)
                paint(skText, QStringLiteral("TEXT_%1_%2").arg(row).arg(col), 5 * col, 6 * row, 5, 6);
        // EQ_SLIDER_BACKGROUND holds 28 frames of 14 x 63, 15 and 65 apart
        // (Band.tsx spriteOffsets).
        for (int k = 0; k < 28; ++k)
            paint(skEqMain, QStringLiteral("EQ_SLIDER_BACKGROUND_%1").arg(k), 13 + 15 * (k % 14), 164 + 65 * (k / 14), 14, 63);
        // EQ_GRAPH_LINE_COLORS: one colour for each of the graph's 19 rows.
        for (int r = 0; r < 19; ++r)
            paint(skEqMain, QStringLiteral("EQ_GRAPH_LINE_COLORS_%1").arg(r), 115, 294 + r, 1, 1);
        colour.insert(QStringLiteral("black"), qRgb(0, 0, 0));
    }

    QRgb operator()(const QString &name) const
    {
        Q_ASSERT(colour.contains(name));
        return colour.value(name);
    }
};

const Fixture &fx()
{
    static const Fixture f;
    return f;
}

// Empty when every pixel of r is want; else the first that isn't.
QString blockFault(const QImage &img, const QRect &r, QRgb want)
{
    if (!img.rect().contains(r))
        return QStringLiteral("block reaches past the picture");
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if ((img.pixel(x, y) & 0xffffff) != (want & 0xffffff))
                return QStringLiteral("(%1, %2) is #%3, want #%4")
                    .arg(x)
                    .arg(y)
                    .arg(img.pixel(x, y) & 0xffffff, 6, 16, QLatin1Char('0'))
                    .arg(want & 0xffffff, 6, 16, QLatin1Char('0'));
    return {};
}

#define CHECK_BLOCK(img, rect, rgb)                                        \
    do {                                                                   \
        const QString fault_ = blockFault((img), (rect), (rgb));           \
        QVERIFY2(fault_.isEmpty(), qPrintable(fault_));                    \
    } while (0)

// FONT_LOOKUP in skinSprites.ts, for the characters the windows show; players
// draw lower case with the capitals' cells.
QString letterSprite(QChar c)
{
    const QChar u = c.toUpper();
    if (u >= u'A' && u <= u'Z')
        return QStringLiteral("TEXT_0_%1").arg(u.unicode() - u'A');
    if (u >= u'0' && u <= u'9')
        return QStringLiteral("TEXT_1_%1").arg(u.unicode() - u'0');
    switch (u.unicode()) {
    case u'.':
        return QStringLiteral("TEXT_1_11");
    case u':':
        return QStringLiteral("TEXT_1_12");
    case u'(':
        return QStringLiteral("TEXT_1_13");
    case u')':
        return QStringLiteral("TEXT_1_14");
    case u'-':
        return QStringLiteral("TEXT_1_15");
    default:
        return QStringLiteral("TEXT_0_30"); // space
    }
}

VisPalette testPalette()
{
    VisPalette p{};
    for (int i = 0; i < 24; ++i)
        p[size_t(i)] = qRgb(0x11, 0x40 + 4 * i, 0xee);
    return p;
}

PlaylistLook testLook()
{
    return {qRgb(0x01, 0xf0, 0x02), qRgb(0xf0, 0xf0, 0xf1), qRgb(0x03, 0x04, 0x05), qRgb(0x06, 0x07, 0xa0), QString()};
}

Pictures withoutSheets(std::initializer_list<int> kinds)
{
    Pictures p = fx().pics;
    for (int k : kinds)
        if (k >= 0)
            p[size_t(k)] = QImage();
    return p;
}

// The main window's time, kbps/kHz, title and spectrum fields.
const QRect kTitleField(111, 27, 155, 6);
const QRect kKbpsField(111, 43, 15, 6);
const QRect kKhzField(156, 43, 10, 6);
const QRect kTimeField(36, 26, 63, 13);
const QRect kVisField(24, 43, 76, 16);

} // namespace

class TestCompose : public QObject
{
    Q_OBJECT
private slots:
    void mainWindowTextFields_data();
    void mainWindowTextFields();
    void mainWindowTime_data();
    void mainWindowTime();
    void mainWindowSpectrum();
    void mainWindowIsComposeWindowElsewhere();
    void equaliserParts_data();
    void equaliserParts();
    void equaliserGraphLine();
    void equaliserMissingOrShortSheet_data();
    void equaliserMissingOrShortSheet();
    void playlistFrame_data();
    void playlistFrame();
    void playlistTilesRepeatFromEachEnd_data();
    void playlistTilesRepeatFromEachEnd();
    void playlistEntries();
    void playlistWithoutItsSheet();
    void shadedBars_data();
    void shadedBars();
    void previewHoldsEveryWindowOnce();
    void previewAtScaleTwoDoublesEachPixel();
};

// Fields from main-window.css (#marquee, #kbps, #khz); the title in the
// marquee's place, padded with spaces to its 31 cells.
void TestCompose::mainWindowTextFields_data()
{
    QTest::addColumn<int>("removed");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QRect>("field");
    QTest::addColumn<QRect>("after"); // beside the field: the background shows
    QTest::newRow("title") << -1 << QStringLiteral("1. VORLIX - CLASSIC SKIN (3:45)") << kTitleField
                           << QRect(266, 24, 9, 12);
    QTest::newRow("kbps") << -1 << QStringLiteral("128") << kKbpsField << QRect(126, 43, 30, 6);
    QTest::newRow("khz") << -1 << QStringLiteral("44") << kKhzField << QRect(166, 43, 46, 6);
    QTest::newRow("title, no text.bmp") << int(skText) << QString() << kTitleField << QRect(266, 24, 9, 12);
    QTest::newRow("kbps, no text.bmp") << int(skText) << QString() << kKbpsField << QRect(126, 43, 30, 6);
}

void TestCompose::mainWindowTextFields()
{
    QFETCH(int, removed);
    QFETCH(QString, text);
    QFETCH(QRect, field);
    QFETCH(QRect, after);
    const Pictures pics = withoutSheets({removed});
    const QImage win = composeMainWindow(setOf(pics), testPalette());
    QCOMPARE(win.size(), QSize(275, 116));
    const QRgb background = fx()("MAIN_WINDOW_BACKGROUND");
    if (removed == skText) {
        CHECK_BLOCK(win, field, background);
    } else {
        for (int i = 0; 5 * i < field.width(); ++i) {
            const QChar c = i < text.size() ? text[i] : QChar(u' ');
            CHECK_BLOCK(win, QRect(field.x() + 5 * i, field.y(), 5, 6), fx()(letterSprite(c)));
        }
    }
    CHECK_BLOCK(win, after, background);
}

// #time's digits (main-window.css: left 39 + 9, 21, 39, 51; top 26); the
// sign cell at 36 as Audacious places it. "  1:23": sign and tens blank.
void TestCompose::mainWindowTime_data()
{
    QTest::addColumn<int>("removedA");
    QTest::addColumn<int>("removedB");
    QTest::addColumn<QStringList>("cells");
    const QStringList ex{"NO_MINUS_SIGN_EX", "NO_MINUS_SIGN_EX", "DIGIT_1_EX", "DIGIT_2_EX", "DIGIT_3_EX"};
    const QStringList plain{"BLANK", "BLANK", "DIGIT_1", "DIGIT_2", "DIGIT_3"};
    const QStringList none(5, QStringLiteral("MAIN_WINDOW_BACKGROUND"));
    QTest::newRow("nums_ex") << -1 << -1 << ex;
    QTest::newRow("numbers alone") << -1 << int(skNumsEx) << plain;
    QTest::newRow("nums_ex alone") << int(skNumbers) << -1 << ex;
    QTest::newRow("neither") << int(skNumbers) << int(skNumsEx) << none;
}

void TestCompose::mainWindowTime()
{
    QFETCH(int, removedA);
    QFETCH(int, removedB);
    QFETCH(QStringList, cells);
    const Pictures pics = withoutSheets({removedA, removedB});
    const QImage win = composeMainWindow(setOf(pics), testPalette());
    const int xs[] = {36, 48, 60, 78, 90};
    for (int i = 0; i < 5; ++i)
        CHECK_BLOCK(win, QRect(xs[i], 26, 9, 13), fx()(cells[i]));
    // the gaps between the digits and the colon's place show the background
    for (const QRect &gap : {QRect(45, 26, 3, 13), QRect(57, 26, 3, 13), QRect(69, 26, 9, 13), QRect(87, 26, 3, 13)})
        CHECK_BLOCK(win, gap, fx()("MAIN_WINDOW_BACKGROUND"));
}

// Audacious vis.cc: 76 x 16 at (24, 43); unlit pixels colour 0, with colour 1
// on odd rows at even columns; bars 3 wide, 1 apart, lit from the bottom,
// row y in colour 2 + y; a peak pixel in colour 23 above its bar.
void TestCompose::mainWindowSpectrum()
{
    const VisPalette pal = testPalette();
    const QImage win = composeMainWindow(setOf(fx().pics), pal);
    int bars = 0, peaks = 0;
    for (int x = 0; x < 76; ++x) {
        bool lit = false, peak = false;
        for (int y = 0; y < 16; ++y) {
            const QRgb c = win.pixel(24 + x, 43 + y);
            const bool spectrum = c == pal[size_t(2 + y)];
            const QString where = QStringLiteral("(%1, %2)").arg(x).arg(y);
            if (spectrum) {
                QVERIFY2(x % 4 != 3 && x < 75, qPrintable(where + " lit in a gap"));
                lit = true;
            } else if (c == pal[23]) {
                QVERIFY2(!lit && !peak, qPrintable(where + " peak below a lit pixel or a second peak"));
                peak = true;
            } else {
                QVERIFY2(!lit, qPrintable(where + " unlit below a lit pixel"));
                QCOMPARE(c, pal[(y % 2 == 1 && x % 2 == 0) ? 1 : 0]);
            }
            // a bar and its peak are 3 wide
            const QRgb left = win.pixel(24 + x - 1, 43 + y);
            const auto drawn = [&](QRgb p) { return p == pal[size_t(2 + y)] || p == pal[23]; };
            if (x % 4 == 1 || x % 4 == 2) {
                QCOMPARE(drawn(c), drawn(left));
                if (drawn(c))
                    QCOMPARE(c, left);
            }
        }
        if (x % 4 == 0) {
            bars += lit;
            peaks += peak;
            if (peak)
                QVERIFY2(lit, "a peak floats over an empty bar");
        }
    }
    QVERIFY2(bars >= 12, "the analyser shows too few bars to look like a song playing");
    QVERIFY(peaks >= 3);
}

// Everything but the fields is the composed main window, untouched.
void TestCompose::mainWindowIsComposeWindowElsewhere()
{
    const SheetSet set = setOf(fx().pics);
    const QImage full = composeMainWindow(set, testPalette());
    const QImage plain = composeWindow(set);
    for (int y = 0; y < 116; ++y)
        for (int x = 0; x < 275; ++x) {
            const QPoint p(x, y);
            if (kTitleField.contains(p) || kKbpsField.contains(p) || kKhzField.contains(p) ||
                kTimeField.contains(p) || kVisField.contains(p))
                continue;
            QVERIFY2(full.pixel(p) == plain.pixel(p), qPrintable(QStringLiteral("(%1, %2)").arg(x).arg(y)));
        }
}

// equalizer-window.css: #on (14, 18), #auto (40, 18), #presets-context
// (217, 18), #eqGraph (86, 17), #preamp (21, 38), bands at 78 + 18 i, y 38.
// At 0 dB a slider shows frame 14 (Band.tsx: round(50 / 100 * 27); Audacious
// eq-slider: 27 - 25 * 27 / 50) with the knob 1 in and 25 down.
void TestCompose::equaliserParts_data()
{
    QTest::addColumn<QString>("sprite");
    QTest::addColumn<QRect>("place");
    // The close button lies on the title bar at (264, 3), as in both players.
    QTest::newRow("title bar, active") << QStringLiteral("EQ_TITLE_BAR_SELECTED") << QRect(0, 0, 264, 14);
    QTest::newRow("title bar above the close button") << QStringLiteral("EQ_TITLE_BAR_SELECTED") << QRect(264, 0, 9, 3);
    QTest::newRow("title bar below the close button") << QStringLiteral("EQ_TITLE_BAR_SELECTED") << QRect(264, 12, 9, 2);
    QTest::newRow("title bar right of the close button") << QStringLiteral("EQ_TITLE_BAR_SELECTED") << QRect(273, 0, 2, 14);
    QTest::newRow("close button") << QStringLiteral("EQ_CLOSE_BUTTON") << QRect(264, 3, 9, 9);
    QTest::newRow("ON lit") << QStringLiteral("EQ_ON_BUTTON_SELECTED") << QRect(14, 18, 26, 12);
    QTest::newRow("AUTO off") << QStringLiteral("EQ_AUTO_BUTTON") << QRect(40, 18, 32, 12);
    QTest::newRow("PRESETS") << QStringLiteral("EQ_PRESETS_BUTTON") << QRect(217, 18, 44, 12);
    QTest::newRow("background left") << QStringLiteral("EQ_WINDOW_BACKGROUND") << QRect(0, 14, 14, 24);
    QTest::newRow("background right") << QStringLiteral("EQ_WINDOW_BACKGROUND") << QRect(262, 14, 13, 102);
    QTest::newRow("background under the sliders") << QStringLiteral("EQ_WINDOW_BACKGROUND") << QRect(0, 101, 262, 15);
    QTest::newRow("graph above the line") << QStringLiteral("EQ_GRAPH_BACKGROUND") << QRect(86, 17, 113, 9);
    QTest::newRow("graph below the line") << QStringLiteral("EQ_GRAPH_BACKGROUND") << QRect(86, 27, 113, 9);
    const int xs[] = {21, 78, 96, 114, 132, 150, 168, 186, 204, 222, 240};
    const char *names[] = {"preamp", "60", "170", "310", "600", "1k", "3k", "6k", "12k", "14k", "16k"};
    for (int i = 0; i < 11; ++i) {
        const int x = xs[i];
        QTest::addRow("%s knob", names[i]) << QStringLiteral("EQ_SLIDER_THUMB") << QRect(x + 1, 63, 11, 11);
        QTest::addRow("%s frame, left column", names[i]) << QStringLiteral("EQ_SLIDER_BACKGROUND_14") << QRect(x, 38, 1, 63);
        QTest::addRow("%s frame, right columns", names[i]) << QStringLiteral("EQ_SLIDER_BACKGROUND_14") << QRect(x + 12, 38, 2, 63);
        QTest::addRow("%s frame, above the knob", names[i]) << QStringLiteral("EQ_SLIDER_BACKGROUND_14") << QRect(x + 1, 38, 11, 25);
        QTest::addRow("%s frame, below the knob", names[i]) << QStringLiteral("EQ_SLIDER_BACKGROUND_14") << QRect(x + 1, 74, 11, 27);
    }
}

void TestCompose::equaliserParts()
{
    QFETCH(QString, sprite);
    QFETCH(QRect, place);
    const QImage eq = composeEqualizer(setOf(fx().pics));
    QCOMPARE(eq.size(), QSize(275, 116));
    CHECK_BLOCK(eq, place, fx()(sprite));
}

// Flat bands and 0 dB preamp lie on graph row 9 (EqGraph.tsx, Audacious
// eq-graph: 9.5 - 0); the preamp line spans the graph, the curve columns
// 2..110 in the colour of row 9.
void TestCompose::equaliserGraphLine()
{
    const QImage eq = composeEqualizer(setOf(fx().pics));
    CHECK_BLOCK(eq, QRect(86, 26, 2, 1), fx()("EQ_PREAMP_LINE"));
    CHECK_BLOCK(eq, QRect(88, 26, 109, 1), fx()("EQ_GRAPH_LINE_COLORS_9"));
    CHECK_BLOCK(eq, QRect(197, 26, 2, 1), fx()("EQ_PREAMP_LINE"));
}

void TestCompose::equaliserMissingOrShortSheet_data()
{
    QTest::addColumn<int>("height"); // of eqmain; 0: no sheet
    QTest::addColumn<QString>("sprite");
    QTest::addColumn<QRect>("place");
    QTest::newRow("missing: all black") << 0 << QStringLiteral("black") << QRect(0, 0, 275, 116);
    // An old eqmain of the window alone: nothing but the background.
    QTest::newRow("116 high: title bar") << 116 << QStringLiteral("EQ_WINDOW_BACKGROUND") << QRect(0, 0, 275, 14);
    QTest::newRow("116 high: buttons") << 116 << QStringLiteral("EQ_WINDOW_BACKGROUND") << QRect(14, 18, 58, 12);
    QTest::newRow("116 high: sliders") << 116 << QStringLiteral("EQ_WINDOW_BACKGROUND") << QRect(21, 38, 233, 63);
    QTest::newRow("116 high: graph") << 116 << QStringLiteral("EQ_WINDOW_BACKGROUND") << QRect(86, 17, 113, 19);
    // Cut inside the graph: its first 6 rows, no colour column for row 9,
    // no preamp line.
    QTest::newRow("300 high: graph's top") << 300 << QStringLiteral("EQ_GRAPH_BACKGROUND") << QRect(86, 17, 113, 6);
    QTest::newRow("300 high: below it") << 300 << QStringLiteral("EQ_WINDOW_BACKGROUND") << QRect(86, 23, 113, 13);
    QTest::newRow("300 high: sliders still") << 300 << QStringLiteral("EQ_SLIDER_THUMB") << QRect(79, 63, 11, 11);
}

void TestCompose::equaliserMissingOrShortSheet()
{
    QFETCH(int, height);
    QFETCH(QString, sprite);
    QFETCH(QRect, place);
    Pictures pics = fx().pics;
    QImage &eqmain = pics[skEqMain];
    eqmain = height ? eqmain.copy(0, 0, 275, height) : QImage();
    CHECK_BLOCK(composeEqualizer(setOf(pics)), place, fx()(sprite));
}

// Audacious skin.cc (skin_draw_playlistwin_frame) and playlist-window.css:
// corners 25 wide, the 100-wide title at (w - 100) / 2, sides 12 and 20
// wide from y 20, the bottom 38 high with its corners 125 and 150 wide and
// the visualiser's 75 to the left of the right corner once w >= 350; the
// scroll handle at the top of the groove, 15 from the right
// (.playlist-scrollbar margin-left 5).
void TestCompose::playlistFrame_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QString>("sprite");
    QTest::addColumn<QRect>("place");
    const QSize s0(275, 116), s1(350, 116), s2(400, 145);
    QTest::newRow("275: top left") << s0 << QStringLiteral("PLAYLIST_TOP_LEFT_SELECTED") << QRect(0, 0, 25, 20);
    QTest::newRow("275: tiles left of title") << s0 << QStringLiteral("PLAYLIST_TOP_TILE_SELECTED") << QRect(25, 0, 62, 20);
    QTest::newRow("275: title") << s0 << QStringLiteral("PLAYLIST_TITLE_BAR_SELECTED") << QRect(87, 0, 100, 20);
    QTest::newRow("275: tiles right of title") << s0 << QStringLiteral("PLAYLIST_TOP_TILE_SELECTED") << QRect(187, 0, 63, 20);
    QTest::newRow("275: top right") << s0 << QStringLiteral("PLAYLIST_TOP_RIGHT_CORNER_SELECTED") << QRect(250, 0, 25, 20);
    QTest::newRow("275: left side") << s0 << QStringLiteral("PLAYLIST_LEFT_TILE") << QRect(0, 20, 12, 58);
    QTest::newRow("275: right side, left of handle") << s0 << QStringLiteral("PLAYLIST_RIGHT_TILE") << QRect(255, 20, 5, 58);
    QTest::newRow("275: right side, right of handle") << s0 << QStringLiteral("PLAYLIST_RIGHT_TILE") << QRect(268, 20, 7, 58);
    QTest::newRow("275: right side, under handle") << s0 << QStringLiteral("PLAYLIST_RIGHT_TILE") << QRect(260, 38, 8, 40);
    QTest::newRow("275: scroll handle") << s0 << QStringLiteral("PLAYLIST_SCROLL_HANDLE") << QRect(260, 20, 8, 18);
    QTest::newRow("275: bottom left") << s0 << QStringLiteral("PLAYLIST_BOTTOM_LEFT_CORNER") << QRect(0, 78, 125, 38);
    QTest::newRow("275: bottom right") << s0 << QStringLiteral("PLAYLIST_BOTTOM_RIGHT_CORNER") << QRect(125, 78, 150, 38);
    QTest::newRow("350: title") << s1 << QStringLiteral("PLAYLIST_TITLE_BAR_SELECTED") << QRect(125, 0, 100, 20);
    QTest::newRow("350: visualiser") << s1 << QStringLiteral("PLAYLIST_VISUALIZER_BACKGROUND") << QRect(125, 78, 75, 38);
    QTest::newRow("350: bottom right") << s1 << QStringLiteral("PLAYLIST_BOTTOM_RIGHT_CORNER") << QRect(200, 78, 150, 38);
    QTest::newRow("350: handle") << s1 << QStringLiteral("PLAYLIST_SCROLL_HANDLE") << QRect(335, 20, 8, 18);
    QTest::newRow("400: tiles left of title") << s2 << QStringLiteral("PLAYLIST_TOP_TILE_SELECTED") << QRect(25, 0, 125, 20);
    QTest::newRow("400: title") << s2 << QStringLiteral("PLAYLIST_TITLE_BAR_SELECTED") << QRect(150, 0, 100, 20);
    QTest::newRow("400: tiles right of title") << s2 << QStringLiteral("PLAYLIST_TOP_TILE_SELECTED") << QRect(250, 0, 125, 20);
    QTest::newRow("400: top right") << s2 << QStringLiteral("PLAYLIST_TOP_RIGHT_CORNER_SELECTED") << QRect(375, 0, 25, 20);
    QTest::newRow("400: left side") << s2 << QStringLiteral("PLAYLIST_LEFT_TILE") << QRect(0, 20, 12, 87);
    QTest::newRow("400: right side") << s2 << QStringLiteral("PLAYLIST_RIGHT_TILE") << QRect(380, 20, 5, 87);
    QTest::newRow("400: bottom tiles") << s2 << QStringLiteral("PLAYLIST_BOTTOM_TILE") << QRect(125, 107, 50, 38);
    QTest::newRow("400: visualiser") << s2 << QStringLiteral("PLAYLIST_VISUALIZER_BACKGROUND") << QRect(175, 107, 75, 38);
    QTest::newRow("400: bottom right") << s2 << QStringLiteral("PLAYLIST_BOTTOM_RIGHT_CORNER") << QRect(250, 107, 150, 38);
}

void TestCompose::playlistFrame()
{
    QFETCH(QSize, size);
    QFETCH(QString, sprite);
    QFETCH(QRect, place);
    const QImage pl = composePlaylist(setOf(fx().pics), testLook(), size.width(), size.height());
    QCOMPARE(pl.size(), size);
    CHECK_BLOCK(pl, place, fx()(sprite));
}

// Which sheet pixel each frame pixel shows, on a sheet where every pixel
// tells its own place. Audacious skin.cc: tiles run from the left corner
// and from the title's right end, and the piece left over on each side is
// the tile's own left part; side tiles repeat every 29 rows from y 20.
void TestCompose::playlistTilesRepeatFromEachEnd_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QPoint>("window");
    QTest::addColumn<QPoint>("sheet");
    const QSize s0(275, 116), s2(400, 145);
    QTest::newRow("275: first tile's start") << s0 << QPoint(25, 3) << QPoint(127, 3);
    QTest::newRow("275: second tile's end") << s0 << QPoint(74, 19) << QPoint(151, 19);
    QTest::newRow("275: left piece's end") << s0 << QPoint(86, 5) << QPoint(138, 5);
    QTest::newRow("275: title's start") << s0 << QPoint(87, 5) << QPoint(26, 5);
    QTest::newRow("275: first tile right of title") << s0 << QPoint(187, 0) << QPoint(127, 0);
    QTest::newRow("275: right piece's start") << s0 << QPoint(237, 7) << QPoint(127, 7);
    QTest::newRow("275: right piece's end") << s0 << QPoint(249, 7) << QPoint(139, 7);
    QTest::newRow("275: left side, second tile") << s0 << QPoint(3, 49) << QPoint(3, 42);
    QTest::newRow("275: right side, second tile") << s0 << QPoint(270, 77) << QPoint(46, 70);
    QTest::newRow("400: fifth tile's end") << s2 << QPoint(149, 2) << QPoint(151, 2);
    QTest::newRow("400: left side, third tile") << s2 << QPoint(11, 106) << QPoint(11, 70);
    QTest::newRow("400: bottom tile") << s2 << QPoint(150, 120) << QPoint(179, 13);
}

void TestCompose::playlistTilesRepeatFromEachEnd()
{
    QFETCH(QSize, size);
    QFETCH(QPoint, window);
    QFETCH(QPoint, sheet);
    Pictures pics{};
    pics[skPlEdit] = patterned(280, 186);
    const QImage pl = composePlaylist(setOf(pics), testLook(), size.width(), size.height());
    QCOMPARE(QColor(pl.pixel(window)), QColor(pics[skPlEdit].pixel(sheet)));
}

// The list area (12, 20) to (255, 78): NormalBG, the first entry on a
// SelectedBG line from y 23, 13 rows each (playlist-window.css: padding 3,
// height 13). Text pixels are only ever the pen colour: no smoothing.
void TestCompose::playlistEntries()
{
    if (QFontDatabase::families().isEmpty())
        QSKIP("no fonts to draw the entries with");
    const PlaylistLook look = testLook();
    const QImage pl = composePlaylist(setOf(fx().pics), look);
    CHECK_BLOCK(pl, QRect(12, 20, 243, 3), look.normalBg);
    CHECK_BLOCK(pl, QRect(12, 23, 243, 1), look.selectedBg);
    CHECK_BLOCK(pl, QRect(12, 64, 243, 14), look.normalBg);
    QHash<QRgb, int> first, rest;
    for (int y = 20; y < 78; ++y)
        for (int x = 12; x < 255; ++x) {
            const QRgb c = pl.pixel(x, y) & 0xffffff;
            (y < 36 ? first : rest)[c]++;
            QVERIFY2(c == (look.normalBg & 0xffffff) || c == (look.selectedBg & 0xffffff) ||
                         c == (look.normal & 0xffffff) || c == (look.current & 0xffffff),
                     qPrintable(QStringLiteral("(%1, %2) is none of the four colours").arg(x).arg(y)));
        }
    QVERIFY(first.value(look.current & 0xffffff) > 20);
    QVERIFY(!first.contains(look.normal & 0xffffff));
    QVERIFY(rest.value(look.normal & 0xffffff) > 40);
    QVERIFY(!rest.contains(look.current & 0xffffff));
    QVERIFY(!rest.contains(look.selectedBg & 0xffffff));
}

void TestCompose::playlistWithoutItsSheet()
{
    const Pictures pics = withoutSheets({skPlEdit});
    const QImage pl = composePlaylist(setOf(pics), testLook());
    CHECK_BLOCK(pl, QRect(0, 0, 275, 20), qRgb(0, 0, 0));
    CHECK_BLOCK(pl, QRect(0, 20, 12, 96), qRgb(0, 0, 0));
    CHECK_BLOCK(pl, QRect(255, 20, 20, 96), qRgb(0, 0, 0));
    CHECK_BLOCK(pl, QRect(0, 78, 275, 38), qRgb(0, 0, 0));
    CHECK_BLOCK(pl, QRect(12, 64, 243, 14), testLook().normalBg);
}

// Audacious: the shaded main window is its title bar (27, 29) over the main
// background; eq_ex (0, 0); pledit's left end, tiles and right end
// (skin_draw_playlistwin_shaded).
void TestCompose::shadedBars_data()
{
    QTest::addColumn<int>("window");
    QTest::addColumn<int>("removedA");
    QTest::addColumn<int>("removedB");
    QTest::addColumn<QString>("sprite");
    QTest::addColumn<QRect>("place");
    const int main = int(SkinWindow::MainShade), eq = int(SkinWindow::EqualizerShade),
              pl = int(SkinWindow::PlaylistShade);
    const QRect all(0, 0, 275, 14);
    QTest::newRow("main") << main << -1 << -1 << QStringLiteral("MAIN_SHADE_BACKGROUND_SELECTED") << all;
    QTest::newRow("main, no titlebar") << main << int(skTitleBar) << -1 << QStringLiteral("MAIN_WINDOW_BACKGROUND") << all;
    QTest::newRow("main, neither sheet") << main << int(skTitleBar) << int(skMain) << QStringLiteral("black") << all;
    QTest::newRow("equaliser") << eq << -1 << -1 << QStringLiteral("EQ_SHADE_BACKGROUND_SELECTED") << all;
    QTest::newRow("equaliser, no eq_ex") << eq << int(skEqEx) << -1 << QStringLiteral("black") << all;
    QTest::newRow("playlist left") << pl << -1 << -1 << QStringLiteral("PLAYLIST_SHADE_BACKGROUND_LEFT") << QRect(0, 0, 25, 14);
    QTest::newRow("playlist tiles") << pl << -1 << -1 << QStringLiteral("PLAYLIST_SHADE_BACKGROUND") << QRect(25, 0, 200, 14);
    QTest::newRow("playlist right") << pl << -1 << -1 << QStringLiteral("PLAYLIST_SHADE_BACKGROUND_RIGHT_SELECTED")
                                    << QRect(225, 0, 50, 14);
    QTest::newRow("playlist, no pledit") << pl << int(skPlEdit) << -1 << QStringLiteral("black") << all;
}

void TestCompose::shadedBars()
{
    QFETCH(int, window);
    QFETCH(int, removedA);
    QFETCH(int, removedB);
    QFETCH(QString, sprite);
    QFETCH(QRect, place);
    const Pictures pics = withoutSheets({removedA, removedB});
    const QImage bar = composeShade(setOf(pics), SkinWindow(window));
    QCOMPARE(bar.size(), QSize(275, 14));
    CHECK_BLOCK(bar, place, fx()(sprite));
}

// Each window shows once, whole, where previewOrigin says; the six fill the
// preview without overlapping, the three windows stacked top to bottom
// (main, equaliser, playlist), then the bars.
void TestCompose::previewHoldsEveryWindowOnce()
{
    const SheetSet set = setOf(fx().pics);
    const PlaylistLook look = testLook();
    const VisPalette pal = testPalette();
    const QImage preview = composeSkinPreview(set, look, pal, 1);
    const QList<std::pair<SkinWindow, QImage>> windows{
        {SkinWindow::Main, composeMainWindow(set, pal)},
        {SkinWindow::Equalizer, composeEqualizer(set)},
        {SkinWindow::Playlist, composePlaylist(set, look)},
        {SkinWindow::MainShade, composeShade(set, SkinWindow::MainShade)},
        {SkinWindow::EqualizerShade, composeShade(set, SkinWindow::EqualizerShade)},
        {SkinWindow::PlaylistShade, composeShade(set, SkinWindow::PlaylistShade)},
    };
    qint64 area = 0;
    QList<QRect> placed;
    for (const auto &[w, img] : windows) {
        const QRect r(previewOrigin(w), img.size());
        QVERIFY(preview.rect().contains(r));
        for (const QRect &other : placed)
            QVERIFY(!r.intersects(other));
        if (!placed.isEmpty())
            QVERIFY(r.top() >= placed.last().bottom() + 1);
        placed << r;
        area += qint64(r.width()) * r.height();
        QCOMPARE(preview.copy(r), img.convertToFormat(preview.format()));
    }
    QCOMPARE(area, qint64(preview.width()) * preview.height());
}

void TestCompose::previewAtScaleTwoDoublesEachPixel()
{
    const SheetSet set = setOf(fx().pics);
    const QImage one = composeSkinPreview(set, testLook(), testPalette(), 1);
    const QImage two = composeSkinPreview(set, testLook(), testPalette(), 2);
    QCOMPARE(two.size(), one.size() * 2);
    for (int y = 0; y < two.height(); ++y)
        for (int x = 0; x < two.width(); ++x)
            if (two.pixel(x, y) != one.pixel(x / 2, y / 2))
                QFAIL(qPrintable(QStringLiteral("(%1, %2)").arg(x).arg(y)));
}

QTEST_MAIN(TestCompose)
#include "tst_compose.moc"
