// The history of changes: strokes, applies, imports and colours undone and
// redone in any order, the view and the title following; the pixels a step
// keeps; the memory bound.
#include "MainWindowFixture.h"
#include "Pictures.h"
#include "SkinFixtures.h"

#include "editor/History.h"
#include "skin/GlobalVar.h"

#include <QRandomGenerator>

using namespace vorlix;

namespace {

constexpr int kPlay = 16; // CBUTTONS, state 0 at (23, 0), 23 x 18
const QColor kInk(255, 0, 0);

using Dots = QList<QPoint>;

QImage withDots(QImage picture, const Dots &dots, QPoint offset = {})
{
    picture = picture.copy();
    for (const QPoint &p : dots)
        picture.setPixelColor(p + offset, kInk);
    return picture;
}

} // namespace

class TestHistory : public QObject, protected MainWindowFixture
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void pictureChangeKeepsOnlyWhatDiffers_data();
    void pictureChangeKeepsOnlyWhatDiffers();
    void pictureChangeSwapsBackAndForth();

    void sequences_data();
    void sequences();
    void wholeWindowImportUndoneAndRedone();
    void colourChangeUndone();
    void savedPointFollowsTheHistory();
    void openingAnotherSkinStartsANewHistory();
    void tinyStepsCostBytesAndTheBudgetDropsTheOldest();

private:
    void run(const QString &commands);
    QImage m_sheet; // CBUTTONS before the test
    QImage m_play;  // Play's state 0 before the test
};

void TestHistory::init()
{
    setUpMainWindow();
    MainForm->show();
    QVERIFY(QTest::qWaitForWindowExposed(MainForm));
    m_sheet = G().sheet(skCButtons)->copy();
    m_play = m_sheet.copy(23, 0, 23, 18);
}

void TestHistory::cleanup()
{
    tearDownMainWindow();
}

// --- The pixels a step keeps ------------------------------------------------------

void TestHistory::pictureChangeKeepsOnlyWhatDiffers_data()
{
    QTest::addColumn<Dots>("changed");
    QTest::addColumn<QList<QRect>>("kept");
    QTest::newRow("nothing") << Dots{} << QList<QRect>{};
    QTest::newRow("one pixel") << Dots{{7, 5}} << QList<QRect>{QRect(7, 5, 1, 1)};
    QTest::newRow("a row's two ends") << Dots{{0, 9}, {39, 9}} << QList<QRect>{QRect(0, 9, 40, 1)};
    QTest::newRow("rows close together make one rectangle")
        << Dots{{3, 2}, {5, 5}} << QList<QRect>{QRect(3, 2, 3, 4)};
    QTest::newRow("rows far apart make two")
        << Dots{{3, 2}, {30, 20}} << QList<QRect>{QRect(3, 2, 1, 1), QRect(30, 20, 1, 1)};
    QTest::newRow("the last pixel") << Dots{{39, 29}} << QList<QRect>{QRect(39, 29, 1, 1)};
}

void TestHistory::pictureChangeKeepsOnlyWhatDiffers()
{
    QFETCH(Dots, changed);
    const QImage before = patterned(40, 30);
    const QImage after = withDots(before, changed);
    const PictureChange c = PictureChange::between(before, after);
    QTEST(c.rects(), "kept");
    QCOMPARE(c.isEmpty(), changed.isEmpty());
    std::size_t pixels = 0;
    for (const QRect &r : c.rects())
        pixels += std::size_t(r.width() * r.height());
    QVERIFY(c.bytes() < pixels * 3 + 200); // the pixels, and little beside them
}

void TestHistory::pictureChangeSwapsBackAndForth()
{
    // Random scribbles on random pictures, checked against the pictures
    // themselves; and a change of size, kept whole.
    QRandomGenerator rng(7);
    for (int round = 0; round < 50; ++round) {
        const int w = 1 + rng.bounded(60), h = 1 + rng.bounded(40);
        QImage before = patterned(w, h);
        QImage after = before.copy();
        for (int n = rng.bounded(12); n > 0; --n)
            after.setPixelColor(rng.bounded(w), rng.bounded(h), QColor(rng.bounded(256), 0, 9));
        PictureChange c = PictureChange::between(before, after);
        QImage live = after.copy();
        QVERIFY(c.swapWith(live));
        QCOMPARE(live, before);
        QVERIFY(c.swapWith(live));
        QCOMPARE(live, after);
        QImage wrong = patterned(w + 1, h);
        QVERIFY(c.isEmpty() || !c.swapWith(wrong)); // never pixels into another picture
    }
    const QImage small = patterned(10, 8), large = patterned(20, 8);
    PictureChange grown = PictureChange::between(small, large);
    QImage live = large;
    QVERIFY(grown.swapWith(live));
    QCOMPARE(live, small);
    QVERIFY(grown.swapWith(live));
    QCOMPARE(live, large);
}

// --- Steps through the window ----------------------------------------------------

// Commands, separated by spaces: "dot:x,y" a pencil click on that pixel of
// the view at zoom 8; "apply" Apply Changes answered Yes; "leaveYes:N" and
// "leaveNo:N" choose node N, answering the question; "undo", "redo".
void TestHistory::run(const QString &commands)
{
    TMainForm *f = MainForm;
    for (const QString &c : commands.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (c.startsWith(QLatin1String("dot:"))) {
            const QStringList xy = c.mid(4).split(QLatin1Char(','));
            if (!f->PencilBtn->isLatched())
                QTest::mouseClick(f->PencilBtn, Qt::LeftButton);
            f->ScrollZoom->setValue(8);
            f->pbFore->setColor(kInk);
            QTest::mouseClick(f->DesktopImg, Qt::LeftButton, {},
                              QPoint(8 * xy[0].toInt() + 3, 8 * xy[1].toInt() + 4));
        } else if (c == QLatin1String("apply")) {
            fake()->answers.enqueue(MsgAnswer::Yes);
            QTest::mouseClick(f->ApplyBtn, Qt::LeftButton);
        } else if (c.startsWith(QLatin1String("leave"))) {
            const bool yes = c.startsWith(QLatin1String("leaveYes:"));
            fake()->answers.enqueue(yes ? MsgAnswer::Yes : MsgAnswer::No);
            selectNode(c.mid(c.indexOf(QLatin1Char(':')) + 1).toInt());
        } else if (c == QLatin1String("undo")) {
            QTest::keyClick(f->SelTree, Qt::Key_Z, Qt::ControlModifier);
        } else if (c == QLatin1String("redo")) {
            QTest::keyClick(f->SelTree, Qt::Key_Y, Qt::ControlModifier);
        } else {
            QFAIL(qPrintable(QStringLiteral("unknown command ") + c));
        }
    }
}

void TestHistory::sequences_data()
{
    QTest::addColumn<QString>("commands");
    QTest::addColumn<Dots>("view");  // dots in Play's picture shown
    QTest::addColumn<Dots>("sheet"); // dots in Play's state 0 in CBUTTONS
    QTest::addColumn<bool>("pending");
    QTest::addColumn<QString>("undo");
    QTest::addColumn<QString>("redo");
    QTest::addColumn<bool>("modified");
    const QString pencil = QStringLiteral("Pencil on Play"), apply = QStringLiteral("Apply on Play");
    const QString none;

    QTest::newRow("three strokes, three undos, two redos")
        << "dot:1,1 dot:2,2 dot:3,3 undo undo undo redo redo" << Dots{{1, 1}, {2, 2}} << Dots{} << true
        << pencil << pencil << true;
    QTest::newRow("every stroke undone: nothing left to save")
        << "dot:1,1 dot:2,2 undo undo" << Dots{} << Dots{} << false << none << pencil << false;
    QTest::newRow("undo after apply takes the sheet back")
        << "dot:1,1 apply undo" << Dots{{1, 1}} << Dots{} << true << pencil << apply << true;
    QTest::newRow("apply and the stroke undone: all as before")
        << "dot:1,1 apply undo undo" << Dots{} << Dots{} << false << none << pencil << false;
    QTest::newRow("apply undone and redone") << "dot:1,1 apply undo redo" << Dots{{1, 1}} << Dots{{1, 1}}
                                             << false << apply << none << true;
    QTest::newRow("a change after undo drops the redo")
        << "dot:1,1 dot:2,2 undo dot:3,3 redo" << Dots{{1, 1}, {3, 3}} << Dots{} << true << pencil << none << true;
    QTest::newRow("applied on leaving: undo comes back to the element")
        << "dot:1,1 leaveYes:17 undo" << Dots{{1, 1}} << Dots{} << true << pencil << apply << true;
    QTest::newRow("dropped on leaving: undo finds the element as it was")
        << "dot:1,1 leaveNo:17 undo" << Dots{} << Dots{} << false << none << pencil << false;
    QTest::newRow("dropped on leaving, undone and redone")
        << "dot:1,1 leaveNo:17 undo redo" << Dots{{1, 1}} << Dots{} << true << pencil << none << true;
    QTest::newRow("a stroke elsewhere after applying, both undone")
        << "dot:1,1 leaveYes:17 dot:2,2 undo undo" << Dots{{1, 1}} << Dots{} << true << pencil << apply << true;
    QTest::newRow("redo past the end does nothing")
        << "dot:4,4 undo redo redo redo" << Dots{{4, 4}} << Dots{} << true << pencil << none << true;
}

void TestHistory::sequences()
{
    TMainForm *f = MainForm;
    selectNode(kPlay);
    QCOMPARE(f->DesktopImg->Picture(), m_play);
    QFETCH(QString, commands);
    run(commands);

    QCOMPARE(f->selectedIndex(), kPlay);
    QFETCH(Dots, view);
    QCOMPARE(f->DesktopImg->Picture(), withDots(m_play, view));
    QFETCH(Dots, sheet);
    QCOMPARE(*G().sheet(skCButtons), withDots(m_sheet, sheet, QPoint(23, 0)));
    QTEST(f->ApplyBtn->isEnabled(), "pending");
    QFETCH(QString, undo);
    QFETCH(QString, redo);
    QCOMPARE(f->Undo1->text(), undo.isEmpty() ? QStringLiteral("Undo") : QStringLiteral("Undo ") + undo);
    QCOMPARE(f->Undo1->isEnabled(), !undo.isEmpty());
    QCOMPARE(f->Redo1->text(), redo.isEmpty() ? QStringLiteral("Redo") : QStringLiteral("Redo ") + redo);
    QCOMPARE(f->Redo1->isEnabled(), !redo.isEmpty());
    QTEST(f->isWindowModified(), "modified");
    QVERIFY(fake()->answers.isEmpty()); // every question was asked
}

void TestHistory::wholeWindowImportUndoneAndRedone()
{
    TMainForm *f = MainForm;
    std::array<QImage, kSheetCount> before;
    for (SheetKind k = 0; k < kSheetCount; ++k)
        before[size_t(k)] = G().sheet(k)->copy();
    selectNode(0);
    const QImage viewBefore = f->DesktopImg->Picture();
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("window.bmp"));
    QVERIFY(patterned(275, 116).save(file, "BMP"));
    fake()->files.enqueue(file);
    f->OpenImage1Click();
    QVERIFY(fake()->messages.isEmpty());
    std::array<QImage, kSheetCount> after;
    for (SheetKind k = 0; k < kSheetCount; ++k)
        after[size_t(k)] = G().sheet(k)->copy();
    for (SheetKind k : {skMain, skTitleBar, skCButtons})
        QVERIFY2(after[size_t(k)] != before[size_t(k)], qPrintable(sheetFileName(k)));
    QCOMPARE(f->Undo1->text(), QStringLiteral("Undo Import on Main Window"));
    QVERIFY(f->isWindowModified());

    f->Undo1->trigger();
    for (SheetKind k = 0; k < kSheetCount; ++k)
        QVERIFY2(*G().sheet(k) == before[size_t(k)], qPrintable(sheetFileName(k)));
    QCOMPARE(f->DesktopImg->Picture(), viewBefore); // the miniature as it was
    QVERIFY(!f->isWindowModified());
    QCOMPARE(f->Redo1->text(), QStringLiteral("Redo Import on Main Window"));

    QTest::keyClick(f->SelTree, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    for (SheetKind k = 0; k < kSheetCount; ++k)
        QVERIFY2(*G().sheet(k) == after[size_t(k)], qPrintable(sheetFileName(k)));
    QVERIFY(f->isWindowModified());
}

void TestHistory::colourChangeUndone()
{
    // A skin folder with its own viscolor.txt: saved again after the undo,
    // the file is written as it was read.
    QTemporaryDir dir;
    const QString skin = dir.filePath(QStringLiteral("skin"));
    QDir().mkpath(skin);
    writeFile(skin + QStringLiteral("/main.bmp"), bmpBytes(275, 116, 24, 1));
    const QByteArray vis = "0,0,0 // background\r\n24, 33, 41\t// dots\r\n";
    writeFile(skin + QStringLiteral("/viscolor.txt"), vis);
    fake()->folders.enqueue(skin);
    fake()->answers.enqueue(MsgAnswer::Ok); // the missing sheets
    MainForm->OpenSkin1->trigger();
    QVERIFY(!MainForm->Undo1->isEnabled()); // a new skin, a new history

    selectNode(53); // Spectrum Analyzer: the second swatch is the dots'
    const QImage swatches = MainForm->DesktopImg->Picture();
    fake()->colors.enqueue(QColor(200, 100, 50));
    MainForm->DesktopImgDoubleClick(42, 14);
    QCOMPARE(QColor(MainForm->DesktopImg->Picture().pixel(42, 14)).rgb(), qRgb(200, 100, 50));
    QCOMPARE(MainForm->Undo1->text(), QStringLiteral("Undo Colour Change on Spectrum Analyzer"));

    // Saved with the change, then the change undone and saved again.
    fake()->folders.enqueue(skin);
    MainForm->SaveSkin1->trigger();
    QCOMPARE(readAll(skin + QStringLiteral("/viscolor.txt")), QByteArray("0,0,0 // background\r\n200, 100, 50\t// dots\r\n"));
    QVERIFY(!MainForm->isWindowModified());
    MainForm->Undo1->trigger();
    QCOMPARE(MainForm->DesktopImg->Picture(), swatches);
    QVERIFY(MainForm->isWindowModified());
    fake()->folders.enqueue(skin);
    MainForm->SaveSkin1->trigger();
    QCOMPARE(readAll(skin + QStringLiteral("/viscolor.txt")), vis);

    MainForm->Redo1->trigger();
    QCOMPARE(QColor(MainForm->DesktopImg->Picture().pixel(42, 14)).rgb(), qRgb(200, 100, 50));
    QVERIFY(MainForm->isWindowModified());
}

void TestHistory::savedPointFollowsTheHistory()
{
    TMainForm *f = MainForm;
    selectNode(kPlay);
    run(QStringLiteral("dot:1,1 apply"));
    QVERIFY(f->isWindowModified());
    f->markSkinSaved(); // as a save does
    f->Undo1->trigger(); // Apply
    QVERIFY(f->isWindowModified());
    f->Undo1->trigger(); // the stroke
    QVERIFY(f->isWindowModified()); // the saved skin had the dot
    QVERIFY(!f->ApplyBtn->isEnabled());
    f->Redo1->trigger();
    QVERIFY(f->isWindowModified()); // the dot waits to be applied
    f->Redo1->trigger();
    QVERIFY(!f->isWindowModified()); // back at the saved point
    const qsizetype asked = fake()->messages.size();
    QVERIFY(f->canClose()); // and closing asks nothing
    QCOMPARE(fake()->messages.size(), asked);
}

void TestHistory::openingAnotherSkinStartsANewHistory()
{
    selectNode(kPlay);
    run(QStringLiteral("dot:1,1 apply"));
    QVERIFY(MainForm->Undo1->isEnabled());
    QTemporaryDir dir;
    writeFile(dir.filePath(QStringLiteral("main.bmp")), bmpBytes(275, 116, 24, 1));
    fake()->answers.enqueue(MsgAnswer::Discard); // the changes
    fake()->answers.enqueue(MsgAnswer::Ok);  // the missing sheets
    QVERIFY(MainForm->openSkin(dir.path()));
    QVERIFY(!MainForm->Undo1->isEnabled());
    QVERIFY(!MainForm->Redo1->isEnabled());
    QCOMPARE(MainForm->history().count(), 0);
}

void TestHistory::tinyStepsCostBytesAndTheBudgetDropsTheOldest()
{
    // 10,000 one-pixel steps on the largest sheet, straight through the
    // history as the window makes them.
    GlobalVar &g = G();
    VisColorText vis = VisColorText::builtIn();
    PlEditText pledit = PlEditText::builtIn();
    const SkinColours colours{&vis, &pledit};
    SheetKind largest = 0;
    for (SheetKind k = 0; k < kSheetCount; ++k)
        if (g.sheet(k)->sizeInBytes() > g.sheet(largest)->sizeInBytes())
            largest = k;
    QImage &sheet = *g.Sheets[size_t(largest)];
    const QImage original = sheet.copy();
    EditHistory h;
    const ViewShown view{kPlay, 0, false, m_play};
    const auto dot = [&](int i) {
        h.begin(QStringLiteral("Dot"), g, colours, view);
        sheet.setPixelColor(i % sheet.width(), (i / sheet.width()) % sheet.height(), QColor(i & 255, 1, 2));
        QVERIFY(h.end(g, colours, view));
    };
    for (int i = 0; i < 10000; ++i)
        dot(i);
    QCOMPARE(h.count(), 10000);
    QVERIFY2(h.bytes() < 10000u * 1024u, qPrintable(QString::number(h.bytes())));
    const QImage drawn = sheet.copy();
    for (int i = 0; i < 10000; ++i)
        h.undo(g, colours, view);
    QCOMPARE(sheet, original);
    for (int i = 0; i < 10000; ++i)
        h.redo(g, colours, view);
    QCOMPARE(sheet, drawn);

    // A budget of a few steps keeps the newest ones; undo goes back as far
    // as they reach and no further.
    h.setBudget(20 * 1024);
    QVERIFY(h.bytes() <= h.budget());
    QVERIFY(h.count() > 10 && h.count() < 10000);
    const int kept = h.count();
    int undone = 0;
    while (h.canUndo()) {
        h.undo(g, colours, view);
        ++undone;
    }
    QCOMPARE(undone, kept);
    QImage expected = original.copy();
    for (int i = 0; i < 10000 - kept; ++i)
        expected.setPixelColor(i % sheet.width(), (i / sheet.width()) % sheet.height(), QColor(i & 255, 1, 2));
    QCOMPARE(sheet, expected);
}

VORLIX_WINDOW_TEST_MAIN(TestHistory)
#include "tst_history.moc"
