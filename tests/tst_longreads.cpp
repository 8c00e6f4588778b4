// Long reads: skins and import pictures read off the window's thread with a
// Cancel that leaves everything as it was, run-length data decoded row by row,
// and skin sheets whose headers declare a huge picture refused unread.
#include <QtTest>

#include "MainWindowFixture.h"
#include "SkinFixtures.h"
#include "app/Application.h"
#include "dialogs/ImageRes.h"
#include "editor/SkinFiles.h"
#include "mainwindow/MainForm.h"
#include "platform/BackgroundJob.h"
#include "platform/BmpRead.h"
#include "skin/GlobalVar.h"

#include <QColorSpace>
#include <QProgressDialog>
#include <QPushButton>
#include <QThreadPool>

#include <atomic>
#include <thread>

using namespace vorlix;

namespace {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

// A run-length file (8 or 4 bits) of w x h with the given pixel data after a
// full colour table of paletteColour(1, i).
QByteArray runLengthFile(int w, int h, int bits, const QByteArray &data)
{
    return bmpHead(w, h, bits, bits == 8 ? 1 : 2, data.size(), 1) + data;
}

// Rows of 255-pixel runs and an end of line each: a few hundred kilobytes
// that declare w x h.
QByteArray stripedRunLength(int w, int h, int bits)
{
    QByteArray data;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; x += 255)
            data.append(char(std::min(255, w - x))).append(char(bits == 8 ? (x / 255) % 7 + 1 : 0x12));
        data.append('\0').append('\0');
    }
    data.append('\0').append('\1');
    return runLengthFile(w, h, bits, data);
}

// A run-length header of w x h whose data ends the picture at once: refused
// or accepted from the header alone.
QByteArray emptyRunLength(int w, int h)
{
    return runLengthFile(w, h, 8, hex("0001"));
}

QList<QImage> sheetsNow()
{
    QList<QImage> l;
    for (SheetKind k = 0; k < kSheetCount; ++k)
        l << *G().sheet(k);
    return l;
}

} // namespace

class TestLongReads : public QObject, protected MainWindowFixture
{
    Q_OBJECT

private slots:
    void initTestCase() { initApplication(*qApp); }
    void init()
    {
        setUpMainWindow();
        auto jobs = std::make_unique<FakeBackgroundJobs>();
        m_jobs = jobs.get();
        setBackgroundJobs(std::move(jobs));
        m_dir = std::make_unique<QTemporaryDir>();
    }
    void cleanup()
    {
        tearDownMainWindow();
        m_dir.reset();
    }

    void runLengthRows_data();
    void runLengthRows();
    void cancelledImportChangesNothing_data();
    void cancelledImportChangesNothing();
    void largeAllowedPictureStillImports();
    void cancelledSkinOpenChangesNothing_data();
    void cancelledSkinOpenChangesNothing();
    void sheetSizeFromHeader_data();
    void sheetSizeFromHeader();
    void tallTextSheetIsTheSkins();
    void hugeSheetsInAnArchiveAreNamed();
    void realSkinsReadAsQtReadsThem();
    void windowRunnerCancels();
    void windowRunnerGivesResultsAndFailures();

private:
    QString write(const QString &name, const QByteArray &bytes)
    {
        const QString path = m_dir->filePath(name);
        QDir().mkpath(QFileInfo(path).absolutePath());
        writeFile(path, bytes);
        return path;
    }

    FakeBackgroundJobs *m_jobs = nullptr;
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestLongReads::runLengthRows_data()
{
    QTest::addColumn<int>("bits");
    QTest::addColumn<QByteArray>("data");
    // The palette indices of the rows, top row first, worked out by hand
    // from the format's rules; pixels the data never reaches hold index 0.
    QTest::addColumn<int>("height"); // negative: rows stored top-down
    // The palette indices of the rows, top row first, worked out by hand
    // from the format's rules; "." a pixel the data never reaches, which
    // holds index 0 (Qt's reader leaves it as it found it).
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<bool>("qtReads"); // and then must agree on every pixel given
    QTest::newRow("runs, ends of line") << 8 << hex("0401 0000 0202 0203 0000 0405 0001") << 3
                                        << QStringList{"5555", "2233", "1111"} << true;
    QTest::newRow("odd absolute run, padded") << 8 << hex("0003 010203 00 0104 0000 0001") << 3
                                              << QStringList{"....", "....", "1234"} << true;
    QTest::newRow("jump right and up") << 8 << hex("0002 0201 0207 0001") << 3
                                       << QStringList{"....", "..77", "...."} << true;
    QTest::newRow("4-bit runs take turns") << 4 << hex("0412 0000 0334 0001") << 3
                                           << QStringList{"....", "343.", "1212"} << true;
    QTest::newRow("4-bit absolute run") << 4 << hex("0003 1230 0000 0004 4567 0001") << 3
                                        << QStringList{"....", "4567", "123."} << true;
    QTest::newRow("run past the row's end is cut") << 8 << hex("0903 0000 0104 0001") << 3
                                                   << QStringList{"....", "4...", "3333"} << true;
    QTest::newRow("data ends early") << 8 << hex("0206") << 3 << QStringList{"....", "....", "66.."} << true;
    QTest::newRow("top-down rows") << 8 << hex("0401 0000 0402 0001") << -2 << QStringList{"1111", "2222"}
                                   << true;
    QTest::newRow("absolute run cut by the end") << 8 << hex("0005 0102") << 3
                                                 << QStringList{"....", "....", "12.."} << false;
}

void TestLongReads::runLengthRows()
{
    QFETCH(int, bits);
    QFETCH(QByteArray, data);
    QFETCH(int, height);
    QFETCH(QStringList, rows);
    QFETCH(bool, qtReads);
    const QByteArray bytes = runLengthFile(4, height, bits, data);
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    const QImage got = readBmpDevice(buffer);
    const QImage qt = QImage::fromData(bytes, "BMP").convertToFormat(QImage::Format_RGB32);
    QCOMPARE(got.size(), QSize(4, rows.size()));
    QCOMPARE(qt.isNull(), !qtReads);
    for (int y = 0; y < rows.size(); ++y) {
        for (int x = 0; x < 4; ++x) {
            const QString at = QStringLiteral("pixel %1,%2").arg(x).arg(y);
            const QChar c = rows[y][x];
            const int index = c == QLatin1Char('.') ? 0 : QString(c).toInt(nullptr, 16);
            QVERIFY2(got.pixel(x, y) == paletteColour(1, index), qPrintable(at));
            if (qtReads && c != QLatin1Char('.'))
                QVERIFY2(got.pixel(x, y) == qt.pixel(x, y), qPrintable(at + QStringLiteral(" against Qt")));
        }
    }
}

void TestLongReads::cancelledImportChangesNothing_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("8-bit run-length, 8192 x 8192") << stripedRunLength(8192, 8192, 8);
    QTest::newRow("4-bit run-length, 16384 x 4096") << stripedRunLength(16384, 4096, 4);
    QTest::newRow("24-bit, 2000 x 2000") << bmpBytes(2000, 2000, 24, 3);
}

// Cancel pressed a few rows into the read: the import stops there, and the
// sheets, the view, the picture and the names are as they were.
void TestLongReads::cancelledImportChangesNothing()
{
    QFETCH(QByteArray, bytes);
    selectNode(16); // "Play"
    GlobalVar &g = G();
    g.ImportFileName = QStringLiteral("/somewhere/before.bmp");
    g.RequiredWidth = 7;
    g.RequiredHeight = 5;
    const QList<QImage> before = sheetsNow();
    const QImage view = MainForm->DesktopImg->Picture();
    const QImage picture = *g.ImportPicture;
    fake()->files.enqueue(write(QStringLiteral("large.bmp"), bytes));
    m_jobs->cancelAfterReports = 3;

    MainForm->OpenImage1Click();

    QVERIFY(m_jobs->cancelled);
    QCOMPARE(m_jobs->texts, QStringList{"Reading the picture large.bmp..."});
    QCOMPARE(m_jobs->reports, 3); // the read stopped at the next row
    QCOMPARE(g.ImportFileName, QStringLiteral("/somewhere/before.bmp"));
    QCOMPARE(g.RequiredWidth, 7);
    QCOMPARE(g.RequiredHeight, 5);
    QCOMPARE(*g.ImportPicture, picture);
    QVERIFY(sheetsNow() == before);
    QCOMPARE(MainForm->DesktopImg->Picture(), view);
    QVERIFY(!ImagesRes->isVisible());
    QVERIFY(fake()->messages.isEmpty());
}

// The largest pictures an import takes still come in whole, size dialog
// and all.
void TestLongReads::largeAllowedPictureStillImports()
{
    selectNode(16);
    const QString path = write(QStringLiteral("large.bmp"), stripedRunLength(8192, 8192, 8));
    fake()->files.enqueue(path);
    bool shown = false;
    QTimer::singleShot(0, [&] {
        shown = ImagesRes->isVisible();
        ImagesRes->close();
    });
    MainForm->OpenImage1Click();
    QVERIFY(shown);
    QVERIFY(!m_jobs->cancelled);
    QCOMPARE(G().ImportFileName, path);
    QCOMPARE(G().ImportPicture->size(), QSize(8192, 8192));
    // Bottom row first in the file: the first run of the last file row is
    // index 1, the run starting at x 255 index 2.
    QCOMPARE(G().ImportPicture->pixel(0, 0), paletteColour(1, 1));
    QCOMPARE(G().ImportPicture->pixel(300, 8191), paletteColour(1, 2));
    QCOMPARE(G().ImportPicture->pixel(8191, 4000), paletteColour(1, 8191 / 255 % 7 + 1));
}

void TestLongReads::cancelledSkinOpenChangesNothing_data()
{
    QTest::addColumn<bool>("archive");
    QTest::newRow("folder") << false;
    QTest::newRow("archive") << true;
}

void TestLongReads::cancelledSkinOpenChangesNothing()
{
    QFETCH(bool, archive);
    const QString folder = m_dir->filePath(QStringLiteral("Blue"));
    const char *names[] = {"main.bmp", "titlebar.bmp", "cbuttons.bmp", "shufrep.bmp", "playpaus.bmp",
                           "volume.bmp", "balance.bmp", "monoster.bmp", "posbar.bmp"};
    for (const char *name : names)
        write(QStringLiteral("Blue/%1").arg(QLatin1String(name)), bmpBytes(20, 10, 24, 5));
    QString path = folder;
    if (archive) {
        path = m_dir->filePath(QStringLiteral("Blue.wsz"));
        QVERIFY(zipFolder(folder, path));
    }
    selectNode(16);
    const QList<QImage> before = sheetsNow();
    const QImage view = MainForm->DesktopImg->Picture();
    const QString title = MainForm->windowTitle();
    const QString output = MainForm->OutputDir->text();
    m_jobs->cancelAfterReports = 1;

    QVERIFY(!MainForm->openSkin(path));

    QCOMPARE(m_jobs->reports, 1);
    QCOMPARE(m_jobs->texts.size(), 1);
    QVERIFY(m_jobs->texts[0].contains(QFileInfo(path).fileName()));
    QVERIFY(sheetsNow() == before);
    QCOMPARE(MainForm->DesktopImg->Picture(), view);
    QCOMPARE(MainForm->windowTitle(), title);
    QCOMPARE(MainForm->skinPath(), QString());
    QCOMPARE(MainForm->OutputDir->text(), output);
    QVERIFY(fake()->messages.isEmpty());

    // Without the Cancel the same skin opens.
    m_jobs->cancelAfterReports = -1;
    QVERIFY(MainForm->openSkin(path));
    QCOMPARE(MainForm->skinPath(), QFileInfo(path).absoluteFilePath());
    QCOMPARE(G().sheet(skMain)->size(), QSize(20, 10));
}

void TestLongReads::sheetSizeFromHeader_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("refusal"); // empty: read, at the size of the file
    // The default sizes, from the classic skin format: main 275 x 116,
    // titlebar 344 x 87, volume 68 x 433.
    QTest::newRow("run-length main, 16384 x 4096") << "main.bmp" << emptyRunLength(16384, 4096)
        << "main.bmp (its header declares 16,384 x 4,096 pixels, more than 16 times the 275 x 116 pixels of "
           "main.bmp; it was not read)";
    // 16 x 275 x 116 = 510,400 pixels; 275 x 1,857 is one row more.
    QTest::newRow("main one row past 16 times its pixels") << "MAIN.BMP" << emptyRunLength(275, 1857)
        << "MAIN.BMP (its header declares 275 x 1,857 pixels, more than 16 times the 275 x 116 pixels of "
           "main.bmp; it was not read)";
    QTest::newRow("top-down volume one row past 16 times") << "volume.bmp" << emptyRunLength(68, -6929)
        << "volume.bmp (its header declares 68 x 6,929 pixels, more than 16 times the 68 x 433 pixels of "
           "volume.bmp; it was not read)";
    QTest::newRow("titlebar PNG one row past 16 times") << "titlebar.png" << pngBytes(344, 1393, 2)
        << "titlebar.png (its header declares 344 x 1,393 pixels, more than 16 times the 344 x 87 pixels of "
           "titlebar.bmp; it was not read)";
    QTest::newRow("main at 16 times its pixels") << "main.bmp" << emptyRunLength(1100, 464) << QString();
    QTest::newRow("main four times as wide and more") << "main.bmp" << emptyRunLength(1101, 116) << QString();
    // As published skins draw it: more rows of letters than ours.
    QTest::newRow("a real skin's tall run-length text sheet") << "TEXT.BMP" << emptyRunLength(155, 74) << QString();
    QTest::newRow("a real skin's wider main PNG") << "main.png" << pngBytes(425, 100, 2) << QString();
    QTest::newRow("a real skin's longer titlebar") << "titlebar.bmp" << bmpBytes(494, 87, 24, 2) << QString();
}

// Refused from the header: the data after it is never decoded (here there
// is none worth decoding), and the message names the file.
void TestLongReads::sheetSizeFromHeader()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, refusal);
    write(QStringLiteral("skin/") + file, bytes);
    const LoadedSkin skin = readSkinFolder(m_dir->filePath(QStringLiteral("skin")));
    const SheetKind k = sheetForPictureName(file);
    if (refusal.isEmpty()) {
        QCOMPARE(skin.refused, QStringList());
        QCOMPARE(skin.origins[size_t(k)], SheetOrigin::File);
        QCOMPARE(skin.sheets[size_t(k)].size(), QImageReader(m_dir->filePath(QStringLiteral("skin/") + file)).size());
    } else {
        QCOMPARE(skin.refused, QStringList{refusal});
        QCOMPARE(skin.origins[size_t(k)], SheetOrigin::BuiltIn);
    }
}

// A published skin's run-length text sheet with more rows than ours: the
// editor shows and edits the skin's own letters, not the built-in ones.
void TestLongReads::tallTextSheetIsTheSkins()
{
    const QByteArray text = stripedRunLength(155, 74, 8);
    write(QStringLiteral("tall/TEXT.BMP"), text);
    write(QStringLiteral("tall/main.bmp"), bmpBytes(275, 116, 24, 3));
    QVERIFY(MainForm->openSkin(m_dir->filePath(QStringLiteral("tall"))));
    const QImage expected = QImage::fromData(text, "BMP").convertToFormat(QImage::Format_BGR888);
    QCOMPARE(expected.size(), QSize(155, 74));
    QCOMPARE(G().sheet(skText)->convertToFormat(QImage::Format_BGR888), expected);
}

// The measured case: a tiny archive whose nine sheets all declare huge
// run-length pictures opens at once with the built-in sheets and one
// message naming every file.
void TestLongReads::hugeSheetsInAnArchiveAreNamed()
{
    const QStringList names{"main.bmp", "titlebar.bmp", "cbuttons.bmp", "shufrep.bmp", "playpaus.bmp",
                            "volume.bmp", "balance.bmp", "monoster.bmp", "posbar.bmp"};
    for (const QString &name : names)
        write(QStringLiteral("Huge/") + name, emptyRunLength(16384, 4096));
    const QString path = m_dir->filePath(QStringLiteral("Huge.wsz"));
    QVERIFY(zipFolder(m_dir->filePath(QStringLiteral("Huge")), path));
    QVERIFY(QFileInfo(path).size() < 16 * 1024); // mostly their colour tables
    const QList<QImage> builtIn = sheetsNow();

    QVERIFY(MainForm->openSkin(path));

    QCOMPARE(fake()->messages.size(), 1);
    const QString text = fake()->messages[0].text;
    for (const QString &name : names)
        QVERIFY2(text.contains(name + QStringLiteral(" (its header declares 16,384 x 4,096 pixels")),
                 qPrintable(name));
    QVERIFY(sheetsNow() == builtIn);
    QCOMPARE(MainForm->skinPath(), QFileInfo(path).absoluteFilePath());
}

// Every sheet of the skins installed with a player reads as Qt's own reader
// reads its file, and none is refused.
void TestLongReads::realSkinsReadAsQtReadsThem()
{
    const QDir skins(QStringLiteral("/usr/share/audacious/Skins"));
    const QStringList entries = skins.entryList(QDir::Dirs | QDir::Files | QDir::NoDotAndDotDot);
    if (entries.isEmpty())
        QSKIP("no installed skins");
    for (const QString &entry : entries) {
        const LoadedSkin skin = readSkin(skins.filePath(entry));
        QVERIFY2(skin.refused.isEmpty(), qPrintable(entry + QStringLiteral(": ") + skin.refused.join(", ")));
        for (SheetKind k = 0; k < kSheetCount; ++k) {
            const int i = skin.set.sheetFile[size_t(k)];
            if (i < 0)
                continue;
            // 24 bits the same way: a palette entry with alpha 0 comes out
            // black then, where 32 bits would keep its colour.
            QImage qt = QImage::fromData(skin.set.files[i].bytes).convertToFormat(QImage::Format_BGR888);
            qt.setColorSpace(QColorSpace()); // the pixels matter, not a gamma tag
            QVERIFY2(!qt.isNull(), qPrintable(entry + QLatin1Char('/') + skin.set.files[i].path));
            const QString name = entry + QLatin1Char('/') + skin.set.files[i].path;
            QVERIFY2(skin.sheets[size_t(k)].size() == qt.size(), qPrintable(name));
            QVERIFY2(skin.sheets[size_t(k)] == qt, qPrintable(name));
        }
    }
}

// The ends the window's runner told of, in order.
static QList<bool> told(const QSignalSpy &spy)
{
    QList<bool> ends;
    for (const QList<QVariant> &arguments : spy)
        ends << arguments.at(0).toBool();
    return ends;
}

// The window's own runner: nothing shows for a while, then a progress
// window whose Cancel returns at once while the work winds down by itself.
void TestLongReads::windowRunnerCancels()
{
    setBackgroundJobs(nullptr); // the Qt runner
    QSignalSpy ends(&jobNotices(), &JobNotices::ended);
    auto stopped = std::make_shared<std::atomic<bool>>(false);
    QProgressDialog *seen = nullptr;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *d = qobject_cast<QProgressDialog *>(w); d && d->isVisible() && !seen) {
                seen = d;
                QCOMPARE(d->labelText(), QStringLiteral("Waiting..."));
                QVERIFY(d->isModal());
                for (QPushButton *b : d->findChildren<QPushButton *>())
                    if (b->text() == QStringLiteral("Cancel"))
                        QTest::mouseClick(b, Qt::LeftButton);
            }
    });
    poll.start(20);
    const bool finished = backgroundJobs().run(MainForm, QStringLiteral("Waiting..."), [stopped](JobProgress &p) {
        try {
            // Bounded, so a runner that never offers the Cancel fails the
            // test instead of hanging it.
            for (int i = 0; i < 4000; ++i) {
                p.check();
                p.report(i % 100, 100);
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
        } catch (const JobCancelled &) {
            *stopped = true;
            throw;
        }
    });
    poll.stop();
    QVERIFY(!finished);
    QVERIFY(seen);
    QCOMPARE(told(ends), QList<bool>{false});
    QTRY_VERIFY(stopped->load());
    // The work's own end, after the Cancel, is heard of neither then nor
    // by the next job, which waits for its own.
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();
    QCOMPARE(ends.size(), 1);
    const std::optional<int> next = runInBackground<int>(MainForm, QStringLiteral("Next..."), [](JobProgress &) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        return 7;
    });
    QCOMPARE(next, std::optional<int>(7));
    QCOMPARE(told(ends), (QList<bool>{false, true}));
}

void TestLongReads::windowRunnerGivesResultsAndFailures()
{
    setBackgroundJobs(nullptr);
    QSignalSpy ends(&jobNotices(), &JobNotices::ended);
    const std::optional<int> answer = runInBackground<int>(MainForm, QStringLiteral("Adding..."),
                                                           [](JobProgress &) { return 6 * 7; });
    QCOMPARE(answer, std::optional<int>(42));
    // Heard of once, as it ended.
    QCoreApplication::processEvents();
    QCOMPARE(told(ends), QList<bool>{true});
    for (QWidget *w : QApplication::topLevelWidgets())
        QVERIFY(!qobject_cast<QProgressDialog *>(w) || !w->isVisible());
    // A failure of the work reaches the caller on the window's thread.
    QVERIFY_THROWS_EXCEPTION(VorlixError, backgroundJobs().run(MainForm, QStringLiteral("Failing..."), [](JobProgress &) {
        throw VorlixError(QStringLiteral("Bitmap image is not valid"));
    }));
    QCoreApplication::processEvents();
    QCOMPARE(told(ends), (QList<bool>{true, true}));
    // And a whole skin read this way comes in as a direct read gives it.
    write(QStringLiteral("S/main.bmp"), bmpBytes(30, 20, 8, 4));
    const QString folder = m_dir->filePath(QStringLiteral("S"));
    QVERIFY(MainForm->openSkin(folder));
    QCOMPARE(*G().sheet(skMain), readSkinFolder(folder).sheets[size_t(skMain)]);
}

VORLIX_WINDOW_TEST_MAIN(TestLongReads)
#include "tst_longreads.moc"
