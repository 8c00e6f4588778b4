// "Open Image...": reading the file, and cutting the picture up into the
// states of the element and of the elements below it.
#include <QtTest>

#include "FakeServices.h"
#include "Pictures.h"
#include "dialogs/ImageRes.h"
#include "platform/BmpRead.h"
#include "app/Application.h"
#include "mainwindow/MainForm.h"
#include "skin/GlobalVar.h"

using namespace vorlix;

namespace {

// One block the import must write: a source rectangle of the picture
// stretched (nearest neighbour) onto a destination rectangle of a sheet.
struct Write
{
    int sheet;
    QRect dest;
    QRect src;
};
using Writes = QList<Write>;

Write w(int sheet, int dl, int dt, int dr, int db, int sl, int st, int sr, int sb)
{
    return {sheet, QRect(QPoint(dl, dt), QPoint(dr - 1, db - 1)), QRect(QPoint(sl, st), QPoint(sr - 1, sb - 1))};
}

void applyWrite(QImage &sheet, const Write &wr, const QImage &pic)
{
    const QRect d = wr.dest, s = wr.src;
    for (int i = 0; i < d.height(); ++i)
        for (int j = 0; j < d.width(); ++j) {
            const int sx = s.left() + (2 * j + 1) * s.width() / (2 * d.width());
            const int sy = s.top() + (2 * i + 1) * s.height() / (2 * d.height());
            if (sheet.rect().contains(d.left() + j, d.top() + i)) // the sheet clips
                sheet.setPixel(d.left() + j, d.top() + i, pic.pixel(sx, sy));
        }
}

// The whole player window cut up: every element with data, every state,
// from its place on the window; TITLEBAR takes destination-sized blocks.
Writes mainWindowWrites()
{
    ElementTableArray t{};
    fillElementTable(t);
    Writes out;
    for (int i = 1; i <= 44; ++i) {
        const SkinElement &e = t[size_t(i)];
        if (e.isGroup())
            continue;
        for (int k = 0; k <= e.MaxState; ++k) {
            const Rect d = stateRect(e, k);
            int sw = e.WindowRect.width(), sh = e.WindowRect.height();
            if (e.Sheet == skTitleBar) {
                sw = d.width();
                sh = d.height();
            }
            const int sl = e.WindowRect.Left, st = e.WindowRect.Top;
            out << w(e.Sheet, d.Left, d.Top, d.Right, d.Bottom, sl, st, sl + sw, st + sh);
            if (e.Id == 3)
                for (int j = 0; j < 6; ++j)
                    out << w(skTitleBar, 304 + 8 * j, 44, 312 + 8 * j, 87, sl, st, sl + 8, st + 43);
        }
    }
    return out;
}

Writes optionsBarWrites(int fromState)
{
    Writes out;
    const int firstLeft[2] = {304, 312};
    for (int k = fromState; k <= 1; ++k) {
        out << w(skTitleBar, firstLeft[k], 0, firstLeft[k] + 8, 43, 0, 0, 8, 43);
        for (int j = 0; j < 6; ++j)
            out << w(skTitleBar, 304 + 8 * j, 44, 312 + 8 * j, 87, 0, 0, 8, 43);
    }
    // The five indicators below it: 4 x 6 blocks from the corner, two states each.
    const int stepX[5] = {0, 8, 16, 24, 32}, stepY[5] = {44, 44, 44, 44, 43};
    for (int i = 0; i < 5; ++i) {
        const int top = 3 + 8 * i;
        out << w(skTitleBar, 308, top, 312, top + 6, 0, 0, 4, 6);
        out << w(skTitleBar, 308 + stepX[i], top + stepY[i], 312 + stepX[i], top + stepY[i] + 6, 0, 0, 4, 6);
    }
    return out;
}

// An 8-bit run-length BMP of the given size whose data ends at once, so the
// reader decodes no pixel. Palette entry 0 is red 12, green 34, blue 56.
QByteArray emptyRunLengthBmp(qint32 width, qint32 height)
{
    QByteArray bmp(14 + 40 + 8 + 2, '\0');
    bmp[0] = 'B';
    bmp[1] = 'M';
    qToLittleEndian<quint32>(bmp.size(), bmp.data() + 2);
    qToLittleEndian<quint32>(14 + 40 + 8, bmp.data() + 10);
    qToLittleEndian<quint32>(40, bmp.data() + 14);
    qToLittleEndian<qint32>(width, bmp.data() + 18);
    qToLittleEndian<qint32>(height, bmp.data() + 22);
    qToLittleEndian<quint16>(1, bmp.data() + 26);
    qToLittleEndian<quint16>(8, bmp.data() + 28);
    qToLittleEndian<quint32>(1, bmp.data() + 30); // RLE8
    qToLittleEndian<quint32>(2, bmp.data() + 46); // two palette entries
    bmp[54] = 0x56;
    bmp[55] = 0x34;
    bmp[56] = 0x12;
    bmp[58] = char(0xFF);
    bmp[62] = 0;
    bmp[63] = 1; // end of bitmap
    return bmp;
}

} // namespace

Q_DECLARE_METATYPE(Writes)

class TestImport : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { initApplication(*qApp); }
    void init();
    void cleanup();

    void propagation_data();
    void propagation();
    void importKeepsPendingEditsFlag();
    void recordsWithoutDataTakeNothing();
    void badFiles_data();
    void badFiles();
    void damagedRunLengthDataGivesDefinedPixels();
    void mismatchShowsTheDialog_data();
    void mismatchShowsTheDialog();
    void laterMismatchesBuildNewDialogs();
    void imageMenu();

private:
    void select(int index);
    QString writeBmp(const QImage &img, const QString &name = QStringLiteral("pic.bmp"));
    std::array<QImage, kSheetCount> sheets() const;
    FakeServices *fake() const { return m_services->fake; }
    FakeServicesScope *m_services = nullptr;
    AppWindows m_windows;
    QTemporaryDir *m_dir = nullptr;
};

void TestImport::init()
{
    resetGlobals();
    m_services = new FakeServicesScope;
    m_windows = createWindows();
    m_dir = new QTemporaryDir;
}

void TestImport::cleanup()
{
    m_windows = AppWindows();
    delete m_services;
    delete m_dir;
}

void TestImport::select(int index)
{
    MainForm->SelTree->selectAbsolute(index);
    MainForm->SelTreeChange();
}

QString TestImport::writeBmp(const QImage &img, const QString &name)
{
    const QString path = m_dir->filePath(name);
    [&] { QVERIFY(img.save(path, "BMP")); }();
    return path;
}

std::array<QImage, kSheetCount> TestImport::sheets() const
{
    std::array<QImage, kSheetCount> out;
    for (int k = 0; k < kSheetCount; ++k)
        out[size_t(k)] = *G().sheet(SheetKind(k));
    return out;
}

void TestImport::propagation_data()
{
    QTest::addColumn<int>("node");
    QTest::addColumn<int>("state");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<Writes>("writes");
    QTest::newRow("Play from state 0") << 16 << 0 << QSize(21, 17)
        << Writes{w(skCButtons, 23, 0, 44, 17, 0, 0, 21, 17), w(skCButtons, 23, 18, 44, 35, 0, 0, 21, 17)};
    QTest::newRow("Play from state 1") << 16 << 1 << QSize(21, 17)
        << Writes{w(skCButtons, 23, 18, 44, 35, 0, 0, 21, 17)};
    QTest::newRow("Main Window, whole player") << 0 << 0 << QSize(275, 116) << mainWindowWrites();
    Writes buttons;
    const int lefts[6] = {0, 23, 46, 69, 92, 114};
    for (int i = 0; i < 6; ++i) {
        const int h = i == 5 ? 15 : 17, step = i == 5 ? 16 : 18;
        buttons << w(skCButtons, lefts[i], 0, lefts[i] + 21, h, 0, 0, 21, 17)
                << w(skCButtons, lefts[i], step, lefts[i] + 21, step + h, 0, 0, 21, 17);
    }
    QTest::newRow("Control Buttons: each takes the corner") << 14 << 0 << QSize(136, 36) << buttons;
    QTest::newRow("Options Indicator: 1:1 on TITLEBAR") << 4 << 0 << QSize(4, 6)
        << Writes{w(skTitleBar, 308, 3, 312, 9, 0, 0, 4, 6), w(skTitleBar, 308, 47, 312, 53, 0, 0, 4, 6)};
    QTest::newRow("Options Bar from state 0") << 3 << 0 << QSize(8, 43) << optionsBarWrites(0);
    QTest::newRow("Options Bar from state 1") << 3 << 1 << QSize(8, 43) << optionsBarWrites(1);
}

void TestImport::propagation()
{
    QFETCH(int, node);
    QFETCH(int, state);
    QFETCH(QSize, size);
    QFETCH(Writes, writes);
    select(node);
    MainForm->StateChanger->setValue(state);
    QCOMPARE(int(G().CurrentState), state);
    const QImage pic = patterned(size.width(), size.height());
    auto expected = sheets();
    for (const Write &wr : writes)
        applyWrite(expected[size_t(wr.sheet)], wr, pic);

    fake()->files.enqueue(writeBmp(pic));
    MainForm->OpenImage1Click();
    QVERIFY(ImagesRes && !ImagesRes->isVisible());
    QVERIFY(G().FirstResizeDialog); // no size dialog was needed
    QCOMPARE(fake()->fileRequests.size(), 1);
    QCOMPARE(fake()->fileRequests.first().title, QStringLiteral("Open Image..."));
    QCOMPARE(fake()->fileRequests.first().filter, QStringLiteral("All (*.bmp)|*.bmp|Bitmaps (*.bmp)|*.bmp"));
    for (int k = 0; k < kSheetCount; ++k)
        QVERIFY2(*G().sheet(SheetKind(k)) == expected[size_t(k)], qPrintable(sheetFileName(SheetKind(k))));
    QVERIFY(G().SourceAtWindowRect);
    // The view shows state 0 as the sheet now holds it.
    QCOMPARE(MainForm->StateChanger->value(), 0);
    QCOMPARE(int(G().CurrentState), 0);
    if (node == 16)
        QCOMPARE(MainForm->DesktopImg->Picture().pixel(5, 3), G().sheet(skCButtons)->pixel(28, 3));
}

void TestImport::importKeepsPendingEditsFlag()
{
    select(16);
    MainForm->DesktopImg->pictureBits().fill(Qt::white);
    MainForm->ApplyBtn->setEnabled(true);
    fake()->files.enqueue(writeBmp(patterned(21, 17)));
    MainForm->OpenImage1Click();
    QVERIFY(fake()->messages.isEmpty()); // the import asks no question
    QVERIFY(MainForm->ApplyBtn->isEnabled());
    QCOMPARE(MainForm->DesktopImg->Picture().pixel(2, 1), qRgb(2, 1, 0x80));
}

void TestImport::recordsWithoutDataTakeNothing()
{
    select(16);
    select(46); // a record without a place in any sheet
    const auto before = sheets();
    fake()->files.enqueue(writeBmp(patterned(21, 17)));
    MainForm->OpenImage1Click();
    QCOMPARE(fake()->messages.size(), 1);
    QVERIFY(fake()->messages.first().text.contains(QStringLiteral("cannot take a picture")));
    QVERIFY(fake()->fileRequests.isEmpty());
    QVERIFY(sheets() == before);
}

void TestImport::badFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QByteArray good;
    {
        QBuffer b(&good);
        b.open(QIODevice::WriteOnly);
        patterned(21, 17).save(&b, "BMP");
    }
    QByteArray png;
    {
        QBuffer b(&png);
        b.open(QIODevice::WriteOnly);
        patterned(21, 17).save(&b, "PNG");
    }
    QByteArray huge = good;
    qToLittleEndian<qint32>(60000, huge.data() + 18);
    qToLittleEndian<qint32>(60000, huge.data() + 22);
    QTest::newRow("truncated") << good.left(good.size() / 2);
    QTest::newRow("PNG named .bmp") << png;
    QTest::newRow("claims 60000 x 60000") << huge;
    QTest::newRow("run-length, claims 60000 x 60000") << emptyRunLengthBmp(60000, 60000);
    QTest::newRow("empty file") << QByteArray();
    QTest::newRow("header only") << good.left(20);
}

void TestImport::badFiles()
{
    QFETCH(QByteArray, bytes);
    select(16);
    const QString path = m_dir->filePath(QStringLiteral("bad.bmp"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    f.close();
    const auto before = sheets();
    fake()->files.enqueue(path);
    MainForm->OpenImage1->trigger(); // through the handler guard, as from the menu
    QCOMPARE(fake()->messages.size(), 1);
    QCOMPARE(fake()->messages.first().text, QStringLiteral("Bitmap image is not valid."));
    QCOMPARE(fake()->messages.first().icon, MsgIcon::Error);
    QVERIFY(sheets() == before);
    QCOMPARE(G().ImportFileName, path);
    QCOMPARE(G().RequiredWidth, 21);
}

void TestImport::damagedRunLengthDataGivesDefinedPixels()
{
    // A 40 x 30 run-length file whose data ends at once: no pixel is decoded.
    const QByteArray bmp = emptyRunLengthBmp(40, 30);
    const QString path = m_dir->filePath(QStringLiteral("rle.bmp"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bmp);
    f.close();
    // Run under valgrind (the _valgrind test) to see undefined pixels used.
    const QImage img = readBmpFile(path);
    QCOMPARE(img.size(), QSize(40, 30));
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x)
            QCOMPARE(img.pixel(x, y), qRgb(0x12, 0x34, 0x56));
}

void TestImport::mismatchShowsTheDialog_data()
{
    QTest::addColumn<bool>("pressResize");
    QTest::newRow("Resize imports the sharp copy") << true;
    QTest::newRow("close box imports nothing") << false;
}

void TestImport::mismatchShowsTheDialog()
{
    QFETCH(bool, pressResize);
    select(16);
    const QImage pic = patterned(42, 34);
    auto expected = sheets();
    if (pressResize) {
        applyWrite(expected[skCButtons], w(skCButtons, 23, 0, 44, 17, 0, 0, 42, 34), pic);
        applyWrite(expected[skCButtons], w(skCButtons, 23, 18, 44, 35, 0, 0, 42, 34), pic);
    }
    TImagesRes *startup = ImagesRes;
    bool shown = false;
    QTimer::singleShot(0, [&] {
        shown = ImagesRes == startup && ImagesRes->isVisible();
        QCOMPARE(ImagesRes->StaticText7->text(), QStringLiteral("42"));
        QCOMPARE(ImagesRes->StaticText9->text(), QStringLiteral("21"));
        if (pressResize)
            ImagesRes->btResizeClick();
        else
            ImagesRes->close();
    });
    fake()->files.enqueue(writeBmp(pic));
    MainForm->OpenImage1Click();
    QVERIFY(shown);
    QVERIFY(!G().FirstResizeDialog);
    QCOMPARE(G().SizeMismatch, !pressResize);
    QVERIFY(sheets() == expected);
    QCOMPARE(int(G().CurrentState), 0);
}

void TestImport::laterMismatchesBuildNewDialogs()
{
    select(16);
    QList<TImagesRes *> seen;
    for (int round = 0; round < 3; ++round) {
        QTimer::singleShot(0, [&] {
            seen << ImagesRes;
            QVERIFY(ImagesRes->isVisible());
            QCOMPARE(ImagesRes->ResizeType->ItemIndex(), 0);
            ImagesRes->btResizeClick();
        });
        fake()->files.enqueue(writeBmp(patterned(30, 30)));
        MainForm->OpenImage1Click();
        QCOMPARE(G().SizeMismatch, false);
    }
    QCOMPARE(fake()->fileRequests.first().directory, QDir::homePath());
    QCOMPARE(fake()->fileRequests.last().directory, m_dir->path()); // where the last one came from
    QCOMPARE(seen.size(), 3);
    QVERIFY(seen[0] != seen[1] && seen[1] != seen[2]);
}

void TestImport::imageMenu()
{
    QMenu *menu = MainForm->pmImage;
    QStringList captions;
    for (QAction *a : menu->actions())
        captions << (a->isSeparator() ? QStringLiteral("-") : a->text());
    QCOMPARE(captions, (QStringList{"Open Image...", "Scan Image...", "Capture Image...", "-",
                                    "Save Image...", "-", "Exit"}));
    QCOMPARE(MainForm->OpenImage1->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
    QCOMPARE(MainForm->SaveImage1->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_S));

    // Ctrl+O reaches the import also while the tree has the focus.
    showCentred(MainForm);
    QVERIFY(QTest::qWaitForWindowActive(MainForm));
    select(16);
    MainForm->SelTree->setFocus();
    QTest::keyClick(MainForm->SelTree, Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(fake()->fileRequests.size(), 1);

    // The button opens the menu just below itself; choosing nothing does nothing.
    QTimer::singleShot(0, [&] {
        QVERIFY(menu->isVisible());
        const QPoint expected = MainForm->btImage->mapToGlobal(QPoint(0, 15));
        QCOMPARE(menu->pos(), expected);
        menu->close();
    });
    MainForm->btImage->click();
    QCOMPARE(fake()->fileRequests.size(), 1);
}

QTEST_MAIN(TestImport)
#include "tst_import.moc"
