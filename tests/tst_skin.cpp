// The skin model: default sheets, element table and the state rule.
#include <QtTest>

#include "platform/Errors.h"
#include "skin/GlobalVar.h"

using namespace vorlix;

Q_DECLARE_METATYPE(vorlix::Rect)

class TestSkin : public QObject
{
    Q_OBJECT
private slots:
    void init() { resetGlobals(); }

    void sheetsAfterCreate_data();
    void sheetsAfterCreate();
    void importPictureStartsEmpty();
    void freeBitmapsDropsAll();
    void builtInPicturesMatchQtsReader_data();
    void builtInPicturesMatchQtsReader();
    void prefetchedPicturesMatchQtsReader();
    void damagedBuiltInPictureIsRefused_data();
    void damagedBuiltInPictureIsRefused();

    void elementRecords_data();
    void elementRecords();
    void recordsOutsideTheFilledRangeStayZero();
    void childLists_data();
    void childLists();
    void stateRect_data();
    void stateRect();
};

void TestSkin::sheetsAfterCreate_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QSize>("size");
    QTest::newRow("BALANCE") << 0 << "balance.bmp" << QSize(68, 433);
    QTest::newRow("CBUTTONS") << 1 << "cbuttons.bmp" << QSize(136, 36);
    QTest::newRow("MAIN") << 2 << "main.bmp" << QSize(275, 116);
    QTest::newRow("MONOSTER") << 3 << "monoster.bmp" << QSize(58, 24);
    QTest::newRow("PLAYPAUS") << 4 << "playpaus.bmp" << QSize(42, 9);
    QTest::newRow("POSBAR") << 5 << "posbar.bmp" << QSize(307, 10);
    QTest::newRow("SHUFREP") << 6 << "shufrep.bmp" << QSize(92, 85);
    QTest::newRow("TITLEBAR") << 7 << "titlebar.bmp" << QSize(344, 87);
    QTest::newRow("VOLUME") << 8 << "volume.bmp" << QSize(68, 433);
    QTest::newRow("EQMAIN") << 9 << "eqmain.bmp" << QSize(275, 315);
    QTest::newRow("EQ_EX") << 10 << "eq_ex.bmp" << QSize(275, 82);
    QTest::newRow("PLEDIT") << 11 << "pledit.bmp" << QSize(280, 186);
    QTest::newRow("TEXT") << 12 << "text.bmp" << QSize(155, 18);
    QTest::newRow("NUMBERS") << 13 << "numbers.bmp" << QSize(99, 13);
    QTest::newRow("NUMS_EX") << 14 << "nums_ex.bmp" << QSize(108, 13);
    QTest::newRow("MB") << 15 << "mb.bmp" << QSize(234, 119);
}

void TestSkin::sheetsAfterCreate()
{
    QFETCH(int, kind);
    QFETCH(QString, fileName);
    QFETCH(QSize, size);
    createBitmaps(G());
    const QImage *sheet = G().sheet(static_cast<SheetKind>(kind));
    QVERIFY(sheet);
    QCOMPARE(sheet->size(), size);
    QCOMPARE(sheet->format(), QImage::Format_BGR888);
    QCOMPARE(sheet->depth(), 24);
    QCOMPARE(sheetFileName(static_cast<SheetKind>(kind)), fileName);
    QCOMPARE(QString::fromLatin1(sheetInfo(static_cast<SheetKind>(kind)).imageName),
             QString::fromLatin1(QTest::currentDataTag()));
}

void TestSkin::importPictureStartsEmpty()
{
    createBitmaps(G());
    QVERIFY(G().ImportPicture);
    QCOMPARE(G().ImportPicture->width(), 0);
    QCOMPARE(G().ImportPicture->height(), 0);
    QVERIFY(!G().sheet(skNone));
}

void TestSkin::freeBitmapsDropsAll()
{
    createBitmaps(G());
    freeBitmaps(G());
    for (SheetKind k = 0; k < kSheetCount; ++k)
        QVERIFY(!G().sheet(k));
    QVERIFY(!G().ImportPicture);
}

// Every picture built into the program, decoded by the program's own reader
// in each layout it offers, against Qt's BMP reader on the same bytes.
void TestSkin::builtInPicturesMatchQtsReader_data()
{
    QTest::addColumn<QString>("name");
    const QStringList names = QDir(QStringLiteral(":/images")).entryList(QDir::Files);
    QCOMPARE(names.size(), 38); // the generator's 38 pictures
    for (const QString &file : names)
        QTest::newRow(qPrintable(file)) << QFileInfo(file).completeBaseName();
}

void TestSkin::builtInPicturesMatchQtsReader()
{
    QFETCH(QString, name);
    const QString path = QStringLiteral(":/images/") + name + QStringLiteral(".bmp");
    QCOMPARE(defaultImagePath(name), path);
    const QImage qt = QImage(path, "bmp").convertToFormat(QImage::Format_ARGB32);
    QVERIFY(!qt.isNull());
    const QImage argb = readBuiltInPicture(name, QImage::Format_ARGB32);
    QCOMPARE(argb.format(), QImage::Format_ARGB32);
    QCOMPARE(argb, qt);
    const QImage rgb = readBuiltInPicture(name, QImage::Format_RGB32);
    QCOMPARE(rgb.format(), QImage::Format_RGB32);
    QCOMPARE(rgb, qt.convertToFormat(QImage::Format_RGB32));
    const QImage bgr = loadDefaultImage(name);
    QCOMPARE(bgr.format(), QImage::Format_BGR888);
    QCOMPARE(bgr, qt.convertToFormat(QImage::Format_BGR888));
    // Pictures kept with their palette: only those stored with 8 bits.
    if (QImage(path, "bmp").depth() == 8) {
        const QImage indexed = readBuiltInPicture(name, QImage::Format_Indexed8);
        QCOMPARE(indexed.format(), QImage::Format_Indexed8);
        QCOMPARE(indexed.convertToFormat(QImage::Format_ARGB32), qt);
    } else {
        QVERIFY_THROWS_EXCEPTION(VorlixError, readBuiltInPicture(name, QImage::Format_Indexed8));
    }
}

// Decoded ahead on a thread, each picture is handed out once in the format
// asked for; a read in another format, a second read and a missing picture
// behave as without the thread.
void TestSkin::prefetchedPicturesMatchQtsReader()
{
    const auto qt = [](const char *name, QImage::Format f) {
        return QImage(QStringLiteral(":/images/%1.bmp").arg(QLatin1String(name)), "bmp").convertToFormat(f);
    };
    prefetchBuiltInPictures({{QStringLiteral("BACKGROUND"), QImage::Format_Indexed8},
                             {QStringLiteral("EXCHCLR"), QImage::Format_BGR888},
                             {QStringLiteral("NOSUCHPICTURE"), QImage::Format_BGR888}});
    for (int read = 0; read < 2; ++read) {
        QCOMPARE(readBuiltInPicture(QStringLiteral("BACKGROUND"), QImage::Format_Indexed8)
                     .convertToFormat(QImage::Format_RGB32),
                 qt("BACKGROUND", QImage::Format_RGB32));
        QCOMPARE(readBuiltInPicture(QStringLiteral("EXCHCLR"), QImage::Format_ARGB32),
                 qt("EXCHCLR", QImage::Format_ARGB32));
        QCOMPARE(loadDefaultImage(QStringLiteral("EXCHCLR")), qt("EXCHCLR", QImage::Format_BGR888));
        QVERIFY_THROWS_EXCEPTION(VorlixError, loadDefaultImage(QStringLiteral("NOSUCHPICTURE")));
    }
}

void TestSkin::damagedBuiltInPictureIsRefused_data()
{
    QFile file(QStringLiteral(":/images/EXCHCLR.bmp")); // 9 x 10, 8 bits
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray good = file.readAll();
    QVERIFY(!decodeBuiltInBmp(good, QImage::Format_BGR888).isNull());
    const auto patched = [&](int at, QByteArray bytes) {
        QByteArray b = good;
        b.replace(at, bytes.size(), bytes);
        return b;
    };
    QTest::addColumn<QByteArray>("data");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("last row cut short") << good.left(good.size() - 1);
    QTest::newRow("headers only") << good.left(54);
    QTest::newRow("not BM") << patched(0, "MB");
    QTest::newRow("pixels past the end") << patched(10, QByteArray("\xff\xff\x00\x00", 4));
    QTest::newRow("core header") << patched(14, QByteArray("\x0c\x00\x00\x00", 4));
    QTest::newRow("top-down") << patched(22, QByteArray("\xf6\xff\xff\xff", 4));
    QTest::newRow("zero width") << patched(18, QByteArray(4, '\0'));
    QTest::newRow("4 bits") << patched(28, QByteArray("\x04\x00", 2));
    QTest::newRow("run-length") << patched(30, QByteArray("\x01\x00\x00\x00", 4));
    QTest::newRow("300 colours") << patched(46, QByteArray("\x2c\x01\x00\x00", 4));
}

void TestSkin::damagedBuiltInPictureIsRefused()
{
    QFETCH(QByteArray, data);
    QVERIFY(decodeBuiltInBmp(data, QImage::Format_BGR888).isNull());
}

void TestSkin::elementRecords_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("sheet");
    QTest::addColumn<Rect>("sheetRect");
    QTest::addColumn<Rect>("windowRect");
    QTest::addColumn<int>("maxState");
    QTest::addColumn<int>("childCount");
    QTest::addColumn<int>("stepX");
    QTest::addColumn<int>("stepY");
    auto row = [](int i, int sheet, Rect sr, Rect wr, int ms, int cc, int sx, int sy) {
        QTest::addRow("%d", i) << i << sheet << sr << wr << ms << cc << sx << sy;
    };
    row(0, -1, {0, 0, 275, 116}, {0, 0, 0, 0}, 0, 12, 0, 0);
    row(1, 2, {0, 0, 275, 116}, {0, 0, 275, 116}, 0, 0, 0, 0);
    row(2, 7, {27, 0, 302, 14}, {0, 0, 275, 14}, 1, 0, 0, 15);
    // The options bar, its buttons, the title-bar buttons and the control
    // buttons at the places and sizes players draw them: the bar 8 x 43 at
    // (10, 22) on the window; its buttons at rows 3, 11, 18, 25, 33 of it,
    // 8, 7, 7, 8, 7 high, lit in column j of the pressed bars 44 rows lower;
    // the 9 x 9 buttons at x 6, 244, 254, 264 (the shade button's pressed
    // image beside it); keys 23 x 18 ("next" 22), eject 22 x 16 one row lower.
    row(3, 7, {304, 0, 312, 43}, {10, 22, 18, 65}, 1, 5, 8, 0);
    row(4, 7, {304, 3, 312, 11}, {10, 25, 18, 33}, 1, 0, 0, 44);
    row(5, 7, {304, 11, 312, 18}, {10, 33, 18, 40}, 1, 0, 8, 44);
    row(6, 7, {304, 18, 312, 25}, {10, 40, 18, 47}, 1, 0, 16, 44);
    row(7, 7, {304, 25, 312, 33}, {10, 47, 18, 55}, 1, 0, 24, 44);
    row(8, 7, {304, 33, 312, 40}, {10, 55, 18, 62}, 1, 0, 32, 44);
    row(9, -1, {0, 0, 275, 14}, {0, 0, 275, 14}, 0, 4, 0, 0);
    row(10, 7, {0, 0, 9, 9}, {6, 3, 15, 12}, 1, 0, 0, 9);
    row(11, 7, {9, 0, 18, 9}, {244, 3, 253, 12}, 1, 0, 0, 9);
    row(12, 7, {0, 18, 9, 27}, {254, 3, 263, 12}, 1, 0, 9, 0);
    row(13, 7, {18, 0, 27, 9}, {264, 3, 273, 12}, 1, 0, 0, 9);
    row(14, -1, {0, 0, 142, 18}, {16, 88, 158, 106}, 0, 6, 0, 0);
    row(15, 1, {0, 0, 23, 18}, {16, 88, 39, 106}, 1, 0, 0, 18);
    row(16, 1, {23, 0, 46, 18}, {39, 88, 62, 106}, 1, 0, 0, 18);
    row(17, 1, {46, 0, 69, 18}, {62, 88, 85, 106}, 1, 0, 0, 18);
    row(18, 1, {69, 0, 92, 18}, {85, 88, 108, 106}, 1, 0, 0, 18);
    row(19, 1, {92, 0, 114, 18}, {108, 88, 130, 106}, 1, 0, 0, 18);
    row(20, 1, {114, 0, 136, 16}, {136, 89, 158, 105}, 1, 0, 0, 16);
}

void TestSkin::elementRecords()
{
    QFETCH(int, index);
    ElementTableArray table{};
    fillElementTable(table);
    const SkinElement &e = table[static_cast<size_t>(index)];
    QCOMPARE(int(e.Id), index);
    QTEST(int(e.Sheet), "sheet");
    QTEST(e.SheetRect, "sheetRect");
    QTEST(e.WindowRect, "windowRect");
    QTEST(int(e.MaxState), "maxState");
    QTEST(int(e.ChildCount), "childCount");
    QTEST(int(e.StateStepX), "stepX");
    QTEST(int(e.StateStepY), "stepY");
}

void TestSkin::recordsOutsideTheFilledRangeStayZero()
{
    ElementTableArray table{};
    fillElementTable(table);
    for (size_t i = 96; i < table.size(); ++i) {
        const SkinElement &e = table[i];
        QVERIFY2(e.Id == 0 && e.Sheet == 0 && e.SheetRect == Rect{} && e.WindowRect == Rect{}
                     && e.MaxState == 0 && e.ChildCount == 0 && e.StateStepX == 0
                     && e.StateStepY == 0 && e.ExplicitStates == 0,
                 qPrintable(QString::number(i)));
        for (auto c : e.Children)
            QCOMPARE(int(c), 0);
    }
    // A record without data is a sheet-0 element with an empty picture, not a group.
    QVERIFY(!table[96].isGroup());
}

void TestSkin::childLists_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QList<int>>("children"); // every written entry; the rest are 0
    QTest::newRow("0") << 0 << QList<int>{1, 2, 3, 9, 14, 21, 24, 27, 30, 33, 36, 39};
    QTest::newRow("3") << 3 << QList<int>{4, 5, 6, 7, 8};
    QTest::newRow("9") << 9 << QList<int>{10, 11, 12, 13};
    QTest::newRow("14") << 14 << QList<int>{15, 16, 17, 18, 19, 20};
    for (int leaf : {1, 2, 4, 5, 6, 7, 8, 10, 11, 12, 13, 15, 16, 17, 18, 19, 20})
        QTest::addRow("%d", leaf) << leaf << QList<int>{-1};
}

void TestSkin::childLists()
{
    QFETCH(int, index);
    QFETCH(QList<int>, children);
    ElementTableArray table{};
    fillElementTable(table);
    const auto &list = table[static_cast<size_t>(index)].Children;
    for (int i = 0; i < kChildSlots; ++i)
        QCOMPARE(int(list[static_cast<size_t>(i)]), i < children.size() ? children[i] : 0);
}

void TestSkin::stateRect_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("state");
    QTest::addColumn<Rect>("expected");
    QTest::newRow("title bar state 1") << 2 << 1 << Rect{27, 15, 302, 29};
    // Players' sprites: V lit at (336, 77) 8 x 7, play at (23, 0) and
    // (23, 18) 23 x 18, eject pressed at (114, 16) 22 x 16, shade pressed
    // at (9, 18) 9 x 9.
    QTest::newRow("visualisation indicator state 1") << 8 << 1 << Rect{336, 77, 344, 84};
    QTest::newRow("play state 0") << 16 << 0 << Rect{23, 0, 46, 18};
    QTest::newRow("play state 1") << 16 << 1 << Rect{23, 18, 46, 36};
    QTest::newRow("eject state 1") << 20 << 1 << Rect{114, 16, 136, 32};
    QTest::newRow("window shade state 1") << 12 << 1 << Rect{9, 18, 18, 27};
    QTest::newRow("options bar state 1") << 3 << 1 << Rect{312, 0, 320, 43};
    QTest::newRow("record without data") << 96 << 0 << Rect{};
    // The other windows, from the players' sprite layout.
    QTest::newRow("equaliser title bar, inactive") << 47 << 1 << Rect{0, 149, 275, 163};
    QTest::newRow("equaliser ON, lit") << 62 << 2 << Rect{69, 119, 95, 131};
    QTest::newRow("equaliser AUTO, lit and pressed") << 63 << 3 << Rect{213, 119, 245, 131};
    QTest::newRow("equaliser slider bar 13") << 66 << 13 << Rect{208, 164, 222, 227};
    QTest::newRow("equaliser slider bar 15") << 66 << 15 << Rect{28, 229, 42, 292};
    QTest::newRow("equaliser slider bar 27") << 66 << 27 << Rect{208, 229, 222, 292};
    QTest::newRow("equaliser knob, pressed") << 67 << 1 << Rect{0, 176, 11, 187};
    QTest::newRow("presets, pressed") << 64 << 1 << Rect{224, 176, 268, 188};
    QTest::newRow("main window shaded, inactive") << 49 << 1 << Rect{27, 42, 302, 56};
    QTest::newRow("equaliser shaded, inactive") << 50 << 1 << Rect{0, 15, 275, 29};
    QTest::newRow("shaded volume knob, right") << 73 << 2 << Rect{7, 30, 10, 37};
    QTest::newRow("playlist title, inactive") << 76 << 1 << Rect{26, 21, 126, 41};
    QTest::newRow("playlist scroll handle, pressed") << 81 << 1 << Rect{61, 53, 69, 71};
    QTest::newRow("playlist shaded right end, inactive") << 94 << 1 << Rect{99, 57, 149, 71};
    QTest::newRow("remove menu, misc pressed") << 88 << 7 << Rect{77, 168, 99, 186};
    QTest::newRow("list menu, load") << 91 << 4 << Rect{204, 149, 226, 167};
    QTest::newRow("digits") << 61 << 0 << Rect{0, 0, 108, 13};
    QTest::newRow("letters") << 59 << 0 << Rect{0, 0, 155, 18};
}

void TestSkin::stateRect()
{
    QFETCH(int, index);
    QFETCH(int, state);
    ElementTableArray table{};
    fillElementTable(table);
    QTEST(vorlix::stateRect(table[static_cast<size_t>(index)], state), "expected");
}

QTEST_GUILESS_MAIN(TestSkin)
#include "tst_skin.moc"
