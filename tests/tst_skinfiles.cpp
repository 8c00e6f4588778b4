// Whole skins: opening folders and archives, saving them with their other
// files, the two-phase write, and the question before unsaved work is lost.
#include <QtTest>

#include "MainWindowFixture.h"
#include "SkinFixtures.h"
#include "app/Application.h"
#include "editor/SkinFiles.h"
#include "mainwindow/MainForm.h"
#include "output/SkinWriter.h"
#include "skin/GlobalVar.h"
#include "Unprivileged.h"

#include <atomic>
#include <chrono>
#include <clocale>
#include <optional>
#include <thread>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace vorlix;

namespace {

// The nine sheet files and their sizes, written here from the classic skin
// format rather than taken from the program.
struct SheetRow
{
    const char *file;
    SheetKind kind;
    int w, h;
};
const SheetRow kSheets[] = {
    {"main.bmp", skMain, 275, 116},       {"titlebar.bmp", skTitleBar, 344, 87},
    {"cbuttons.bmp", skCButtons, 136, 36}, {"shufrep.bmp", skShufRep, 92, 85},
    {"playpaus.bmp", skPlayPaus, 42, 9},   {"volume.bmp", skVolume, 68, 433},
    {"balance.bmp", skBalance, 68, 433},   {"monoster.bmp", skMonoSter, 58, 24},
    {"posbar.bmp", skPosBar, 307, 10},
};

const SheetRow &rowFor(const QString &file)
{
    for (const SheetRow &r : kSheets)
        if (file.compare(QLatin1String(r.file), Qt::CaseInsensitive) == 0)
            return r;
    qFatal("no such sheet file");
}

QImage builtIn(SheetKind k)
{
    return loadDefaultImage(QString::fromLatin1(sheetInfo(k).imageName));
}

QList<SheetKind> allKinds()
{
    QList<SheetKind> l;
    for (const SheetRow &r : kSheets)
        l << r.kind;
    return l;
}

} // namespace

class TestSkinFiles : public QObject, protected MainWindowFixture
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void openSkin_data();
    void openSkin();
    void openAsksBeforeDroppingWork_data();
    void openAsksBeforeDroppingWork();
    void badSkins_data();
    void badSkins();
    void roundTripKeepsEveryOtherFile();
    void folderEntriesThatAreNotPlainFiles_data();
    void folderEntriesThatAreNotPlainFiles();
    void unreadableOtherFileIsLeftOut();
    void namesThatAreNotUtf8KeepTheirBytes();
    void saveSkinReplacesAnyCaseOfASheetFile();
    void twoPhaseFailures_data();
    void twoPhaseFailures();
    void leftoversAreReplacedAndLinksNotFollowed();
    void exitQuestion_data();
    void exitQuestion();
    void layoutStaysLeftToRight();
    void fontTheFileCannotHoldIsRefused();

private:
    QString path(const QString &name) const { return m_dir->filePath(name); }
    void makePendingEdit(QRgb colour)
    {
        MainForm->DesktopImg->pictureBits().fill(QColor::fromRgb(colour));
        MainForm->ApplyBtn->setEnabled(true);
    }
    void editSheet(QRgb colour)
    {
        selectNode(16); // "Play", state 0 at (23, 0) of the control buttons
        makePendingEdit(colour);
        fake()->answers.enqueue(MsgAnswer::Yes);
        MainForm->ApplyBtnClick();
        QCOMPARE(G().sheet(skCButtons)->pixel(23, 0), colour);
        fake()->messages.clear();
    }
    // A complete skin folder: the nine files, 24-bit, each with its own seed.
    QString makeCompleteFolder(const QString &name, int seed = 1)
    {
        const QString dir = path(name);
        for (const SheetRow &r : kSheets)
            writeFile(dir + QLatin1Char('/') + QLatin1String(r.file), bmpBytes(r.w, r.h, 24, seed + int(r.kind)));
        return dir;
    }
    // A sheet read from a file is that file's picture, at its own size.
    static QImage expectedSheet(int w, int h, int bits, int seed)
    {
        QImage img(w, h, QImage::Format_BGR888);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                img.setPixel(x, y, colourAt(bits, seed, x, y));
        return img;
    }
    QTemporaryDir *m_dir = nullptr;
};

void TestSkinFiles::initTestCase()
{
    initApplication(*qApp);
    std::setlocale(LC_MESSAGES, "C"); // the reasons in save errors are checked in English
    QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("zip")).isEmpty(), "the zip tool is missing");
    QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("unzip")).isEmpty(), "the unzip tool is missing");
}

void TestSkinFiles::init()
{
    setUpMainWindow();
    m_dir = new QTemporaryDir;
    QVERIFY(m_dir->isValid());
    QDir().mkpath(path(QStringLiteral("out")));
    MainForm->OutputDir->setText(path(QStringLiteral("out")));
}

void TestSkinFiles::cleanup()
{
    tearDownMainWindow();
    delete m_dir;
}

// A sheet file: "name bits WxH", or "name garbage".
void TestSkinFiles::openSkin_data()
{
    QTest::addColumn<QString>("container"); // "folder" or "wsz"
    QTest::addColumn<QString>("inside");    // folder inside the archive
    QTest::addColumn<QStringList>("sheetFiles");
    QTest::addColumn<QStringList>("otherFiles");
    QTest::addColumn<QStringList>("missing");
    QTest::addColumn<QStringList>("refused");

    const auto nine = [](bool upper, const QStringList &skip = {}) {
        QStringList l;
        for (const SheetRow &r : kSheets) {
            const QString name = QLatin1String(r.file);
            if (!skip.contains(name))
                l << QStringLiteral("%1 24 %2x%3").arg(upper ? name.toUpper() : name).arg(r.w).arg(r.h);
        }
        return l;
    };
    QTest::newRow("folder with upper-case names")
        << "folder" << "" << nine(true) << QStringList{"README.TXT", "Sub/PLEDIT.TXT", "gen.bmp"}
        << QStringList() << QStringList();
    QStringList mixed = nine(false);
    mixed[0] = QStringLiteral("Main.bmp 24 275x116");
    QTest::newRow("wsz, the files in one folder inside")
        << "wsz" << "Chrome/" << mixed << QStringList{"viscolor.txt", "cursors/normal.cur"} << QStringList()
        << QStringList();
    // Some packers write "\" between folders; the zip tool stores such a
    // name as it is.
    QTest::newRow("wsz, \"\\\" between the folder and its files")
        << "wsz" << "rei1\\" << nine(false) << QStringList{"viscolor.txt"} << QStringList() << QStringList();
    QStringList palettes = nine(false, {"main.bmp", "cbuttons.bmp"});
    palettes << "main.bmp 8 275x116" << "cbuttons.bmp 4 136x36";
    QTest::newRow("8-bit and 4-bit palette pictures")
        << "folder" << "" << palettes << QStringList() << QStringList() << QStringList();
    QStringList larger = nine(false, {"titlebar.bmp"});
    larger << "titlebar.bmp 24 400x100";
    QTest::newRow("larger titlebar, kept whole") << "wsz" << "" << larger << QStringList{"region.txt"}
                                              << QStringList() << QStringList();
    QStringList smaller = nine(false, {"titlebar.bmp"});
    smaller << "titlebar.bmp 24 100x50";
    QTest::newRow("smaller titlebar, nothing built in")
        << "folder" << "" << smaller << QStringList() << QStringList() << QStringList();
    QTest::newRow("missing posbar") << "wsz" << "" << nine(false, {"posbar.bmp"}) << QStringList()
                                    << QStringList{"posbar.bmp"} << QStringList();
    QStringList damaged = nine(false, {"volume.bmp"});
    damaged << "volume.bmp garbage";
    QTest::newRow("unreadable volume") << "folder" << "" << damaged << QStringList() << QStringList()
                                       << QStringList{"volume.bmp"};
}

void TestSkinFiles::openSkin()
{
    QFETCH(QString, container);
    QFETCH(QString, inside);
    QFETCH(QStringList, sheetFiles);
    QFETCH(QStringList, otherFiles);
    QFETCH(QStringList, missing);
    QFETCH(QStringList, refused);

    const QString dir = path(QStringLiteral("skin/") + inside);
    std::array<QImage, kSheetCount> expected;
    for (SheetKind k : allKinds())
        expected[size_t(k)] = builtIn(k);
    int seed = 3;
    for (const QString &spec : sheetFiles) {
        const QStringList p = spec.split(QLatin1Char(' '));
        if (p[1] == QLatin1String("garbage")) {
            writeFile(dir + p[0], QByteArray("BM this is no picture"));
            continue;
        }
        const int bits = p[1].toInt();
        const int w = p[2].section(QLatin1Char('x'), 0, 0).toInt();
        const int h = p[2].section(QLatin1Char('x'), 1, 1).toInt();
        writeFile(dir + p[0], bmpBytes(w, h, bits, seed));
        const SheetRow &r = rowFor(p[0]);
        expected[size_t(r.kind)] = expectedSheet(w, h, bits, seed);
        ++seed;
    }
    for (const QString &other : otherFiles)
        writeFile(dir + other, "content of " + other.toUtf8() + binaryBytes());

    selectNode(1); // "Background Image": the whole main sheet
    if (container == QLatin1String("folder")) {
        fake()->folders.enqueue(path(QStringLiteral("skin")));
        MainForm->OpenSkin1->trigger();
    } else {
        QVERIFY(zipFolder(path(QStringLiteral("skin")), path(QStringLiteral("skin.wsz"))));
        fake()->files.enqueue(path(QStringLiteral("skin.wsz")));
        MainForm->OpenZIPSkin1->trigger();
    }

    for (SheetKind k : allKinds()) {
        QCOMPARE(G().sheet(k)->format(), QImage::Format_BGR888);
        QVERIFY2(*G().sheet(k) == expected[size_t(k)], sheetInfo(k).fileName);
    }
    QCOMPARE(MainForm->DesktopImg->Picture(), expected[size_t(skMain)]);
    QCOMPARE(MainForm->DesktopImg->UndoBitmap(), expected[size_t(skMain)]);
    QVERIFY(!MainForm->ApplyBtn->isEnabled());

    if (missing.isEmpty() && refused.isEmpty()) {
        QVERIFY(fake()->messages.isEmpty());
    } else {
        QCOMPARE(fake()->messages.size(), 1);
        const QString text = fake()->messages.first().text;
        for (const QString &m : missing + refused)
            QVERIFY2(text.contains(m), qPrintable(text));
        for (const SheetRow &r : kSheets)
            if (!missing.contains(QLatin1String(r.file)) && !refused.contains(QLatin1String(r.file)))
                QVERIFY2(!text.contains(QLatin1String(r.file)), qPrintable(text));
    }
    // The other files are carried exactly; saving as a folder shows them.
    fake()->folders.enqueue(path(QStringLiteral("saved")));
    QDir().mkpath(path(QStringLiteral("saved")));
    MainForm->SaveSkin1Click();
    for (const QString &other : otherFiles)
        QCOMPARE(readAll(path(QStringLiteral("saved/")) + other), readAll(dir + other));
}

void TestSkinFiles::openAsksBeforeDroppingWork_data()
{
    QTest::addColumn<QList<MsgAnswer>>("answers");
    QTest::addColumn<bool>("opened");
    QTest::addColumn<bool>("editInSheet"); // before the open replaced it
    QTest::newRow("Cancel the pending edits: nothing happens")
        << QList<MsgAnswer>{MsgAnswer::Cancel} << false << false;
    QTest::newRow("No: the edits go, nothing else unsaved")
        << QList<MsgAnswer>{MsgAnswer::No} << true << false;
    QTest::newRow("Yes, then Cancel the unsaved skin")
        << QList<MsgAnswer>{MsgAnswer::Yes, MsgAnswer::Cancel} << false << true;
    QTest::newRow("Yes, then Discard") << QList<MsgAnswer>{MsgAnswer::Yes, MsgAnswer::Discard} << true << true;
}

void TestSkinFiles::openAsksBeforeDroppingWork()
{
    QFETCH(QList<MsgAnswer>, answers);
    QFETCH(bool, opened);
    QFETCH(bool, editInSheet);
    const QString dir = makeCompleteFolder(QStringLiteral("skin"));
    selectNode(16);
    makePendingEdit(qRgb(1, 2, 3));
    for (MsgAnswer a : answers)
        fake()->answers.enqueue(a);
    fake()->folders.enqueue(dir);
    MainForm->OpenSkin1->trigger();

    QCOMPARE(fake()->messages.size(), answers.size());
    QCOMPARE(fake()->messages.first().text, QStringLiteral("Apply Changes ?"));
    if (answers.size() > 1) {
        QCOMPARE(fake()->messages[1].text,
                 QStringLiteral("The skin has unsaved changes. Save them before opening another skin?"));
        QCOMPARE(fake()->messages[1].buttons, MsgButtons::SaveDiscardCancel);
    }
    QCOMPARE(fake()->folders.isEmpty(), opened); // the folder was asked for only when going on
    const QImage fromFile = QImage(dir + QStringLiteral("/cbuttons.bmp")).convertToFormat(QImage::Format_BGR888);
    QCOMPARE(*G().sheet(skCButtons) == fromFile, opened);
    if (!opened)
        QCOMPARE(G().sheet(skCButtons)->pixel(23, 0) == qRgb(1, 2, 3), editInSheet);
    QCOMPARE(MainForm->skinPath().isEmpty(), !opened);
}

void TestSkinFiles::badSkins_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("problem"); // a part of the message
    QTest::newRow("not a zip file") << "text" << "not a zip archive";
    QTest::newRow("truncated archive") << "truncated" << "truncated or damaged";
    QTest::newRow("entry with an absolute path") << "absolute" << "has an absolute path";
    QTest::newRow("entry reaching out with ..") << "dotdot" << "points outside the archive";
    QTest::newRow("encrypted entry") << "encrypted" << "is encrypted";
    QTest::newRow("entry above 64 MiB") << "bigentry" << "more than the 64 MiB";
    QTest::newRow("archive above 256 MiB in all") << "bigtotal" << "more than the 256 MiB";
    QTest::newRow("no skin bitmap at all") << "noskin" << "none of the skin's bitmaps";
    QTest::newRow("a folder without skin bitmaps") << "folder" << "none of the skin's bitmaps";
    // Its real size, from the listing: a read stops one byte past the limit.
    QTest::newRow("a folder's file above 64 MiB")
        << "bigfile in folder" << "\"zeros.bin\" holds 68157440 bytes, more than the 64 MiB";
    QTest::newRow("entry longer than its header says") << "lying size"
                                                       << "\"readme.txt\" is damaged (it holds more than its header says)";
}

void TestSkinFiles::badSkins()
{
    QFETCH(QString, kind);
    QFETCH(QString, problem);
    // A skin is open; a bad one must leave every bit of it in place.
    const QString good = makeCompleteFolder(QStringLiteral("good"), 20);
    fake()->folders.enqueue(good);
    MainForm->OpenSkin1->trigger();
    QVERIFY(fake()->messages.isEmpty());
    std::array<QImage, kSheetCount> before;
    for (SheetKind k : allKinds())
        before[size_t(k)] = *G().sheet(k);

    const QString src = path(QStringLiteral("src"));
    const QString bad = path(QStringLiteral("bad.wsz"));
    QString open = bad;
    writeFile(src + QStringLiteral("/main.bmp"), bmpBytes(275, 116, 24, 5));
    if (kind == QLatin1String("text")) {
        writeFile(bad, "just some text, not an archive\n");
    } else if (kind == QLatin1String("truncated")) {
        QVERIFY(zipFolder(src, bad));
        const QByteArray whole = readAll(bad);
        writeFile(bad, whole.left(whole.size() / 2));
    } else if (kind == QLatin1String("absolute") || kind == QLatin1String("dotdot")) {
        // The zip tool won't store such names; a same-length stand-in is
        // swapped in the archive's bytes (names are outside the checksum).
        const bool absolute = kind == QLatin1String("absolute");
        const QByteArray stand = absolute ? "Qtitlebar.bmp" : "QQ/evil.txt";
        const QByteArray real = absolute ? "/titlebar.bmp" : "../evil.txt";
        writeFile(src + QLatin1Char('/') + QString::fromLatin1(stand), "x");
        QVERIFY(zipFolder(src, bad));
        QByteArray bytes = readAll(bad);
        QCOMPARE(bytes.count(stand), 2); // local header and central directory
        writeFile(bad, bytes.replace(stand, real));
    } else if (kind == QLatin1String("lying size")) {
        // A stored entry whose size, in both its headers, is one short.
        writeFile(src + QStringLiteral("/readme.txt"), "0123456789");
        QVERIFY(zipFolder(src, bad, {QStringLiteral("-0")}));
        QByteArray bytes = readAll(bad);
        const qsizetype local = bytes.indexOf("readme.txt");
        const qsizetype central = bytes.indexOf("readme.txt", local + 1);
        QVERIFY(local >= 30 && central > local);
        for (const qsizetype field : {local - 30 + 22, central - 46 + 24}) {
            QCOMPARE(bytes.mid(field, 4), QByteArray("\x0a\0\0\0", 4));
            bytes[field] = 9;
        }
        writeFile(bad, bytes);
    } else if (kind == QLatin1String("encrypted")) {
        QVERIFY(zipFolder(src, bad, {QStringLiteral("-P"), QStringLiteral("secret")}));
    } else if (kind == QLatin1String("bigentry") || kind == QLatin1String("bigtotal")) {
        // Sparse files of zeros: large to unpack, small to keep.
        const int count = kind == QLatin1String("bigentry") ? 1 : 5;
        const qint64 size = kind == QLatin1String("bigentry") ? 65LL << 20 : 60LL << 20;
        for (int i = 0; i < count; ++i) {
            QFile f(src + QStringLiteral("/zeros%1.bin").arg(i));
            QVERIFY(f.open(QIODevice::WriteOnly) && f.resize(size));
        }
        QVERIFY(zipFolder(src, bad, {QStringLiteral("-1")}));
    } else if (kind == QLatin1String("noskin")) {
        QFile::remove(src + QStringLiteral("/main.bmp"));
        writeFile(src + QStringLiteral("/readme.txt"), "not a skin");
        QVERIFY(zipFolder(src, bad));
    } else if (kind == QLatin1String("folder")) {
        QFile::remove(src + QStringLiteral("/main.bmp"));
        writeFile(src + QStringLiteral("/photo.bmp"), bmpBytes(4, 4, 24, 1));
        open = src;
    } else if (kind == QLatin1String("bigfile in folder")) {
        // Far below the limit of the whole skin: only the file's own limit
        // refuses it.
        QFile f(src + QStringLiteral("/zeros.bin"));
        QVERIFY(f.open(QIODevice::WriteOnly) && f.resize(65LL << 20));
        open = src;
    }

    if (open == src) {
        fake()->folders.enqueue(open);
        MainForm->OpenSkin1->trigger();
    } else {
        fake()->files.enqueue(open);
        MainForm->OpenZIPSkin1->trigger();
    }
    QCOMPARE(fake()->messages.size(), 1);
    const RecordedMessage m = fake()->messages.first();
    QCOMPARE(m.icon, MsgIcon::Error);
    QVERIFY2(m.text.contains(problem), qPrintable(m.text));
    QVERIFY2(m.text.contains(open), qPrintable(m.text));
    for (SheetKind k : allKinds())
        QVERIFY2(*G().sheet(k) == before[size_t(k)], sheetInfo(k).fileName);
    QCOMPARE(MainForm->skinPath(), QFileInfo(good).absoluteFilePath());
}

void TestSkinFiles::roundTripKeepsEveryOtherFile()
{
    const QString dir = makeCompleteFolder(QStringLiteral("skin"));
    const QStringList others{"pledit.txt", "viscolor.txt", "region.txt", "genex.bmp", "cursors/close.cur",
                             ".hidden"};
    for (const QString &o : others)
        writeFile(dir + QLatin1Char('/') + o, o.toUtf8() + binaryBytes());
    // What a killed save left behind is no part of the skin: neither the
    // archive nor the folder saved from it gets these.
    writeFile(dir + QStringLiteral("/.vorlix-tmp-main.bmp"), bmpBytes(275, 116, 24, 9));
    writeFile(dir + QStringLiteral("/cursors/.vorlix-old-close.cur"), "old close.cur");
    fake()->folders.enqueue(dir);
    MainForm->OpenSkin1->trigger();
    editSheet(qRgb(250, 1, 2));
    std::array<QImage, kSheetCount> edited;
    for (SheetKind k : allKinds())
        edited[size_t(k)] = *G().sheet(k);

    // No extension given: ".wsz" is added.
    fake()->files.enqueue(path(QStringLiteral("copy")));
    MainForm->SaveZIPSkin1->trigger();
    const QString archive = path(QStringLiteral("copy.wsz"));
    QVERIFY(QFile::exists(archive));
    QVERIFY(fake()->messages.isEmpty());

    // Another reader sees every file at the archive's root, byte for byte.
    QStringList listed = QString::fromUtf8(run(QStringLiteral("unzip"), {QStringLiteral("-Z1"), archive}))
                             .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QStringList expectedNames = others;
    for (const SheetRow &r : kSheets)
        expectedNames << QLatin1String(r.file);
    listed.sort();
    expectedNames.sort();
    QCOMPARE(listed, expectedNames);
    for (const QString &o : others)
        QCOMPARE(run(QStringLiteral("unzip"), {QStringLiteral("-p"), archive, o}), readAll(dir + QLatin1Char('/') + o));
    const QImage mainFromZip = QImage::fromData(run(QStringLiteral("unzip"), {QStringLiteral("-p"), archive,
                                                                             QStringLiteral("cbuttons.bmp")}));
    QCOMPARE(mainFromZip.pixel(23, 0), qRgb(250, 1, 2));

    // Saving over it asks first; No keeps the old archive.
    const QByteArray saved = readAll(archive);
    editSheet(qRgb(3, 3, 3));
    fake()->files.enqueue(archive);
    fake()->answers.enqueue(MsgAnswer::No);
    MainForm->SaveZIPSkin1->trigger();
    QCOMPARE(fake()->messages.size(), 1);
    QVERIFY(fake()->messages.first().text.contains(QStringLiteral("copy.wsz already exists")));
    QCOMPARE(readAll(archive), saved);

    // Reopened: the same sheets, and saved again as a folder the same files.
    fake()->messages.clear();
    fake()->answers.enqueue(MsgAnswer::Discard); // the 3,3,3 edit
    fake()->files.enqueue(archive);
    MainForm->OpenZIPSkin1->trigger();
    QCOMPARE(fake()->messages.size(), 1);
    for (SheetKind k : allKinds())
        QVERIFY2(*G().sheet(k) == edited[size_t(k)], sheetInfo(k).fileName);
    const QString again = path(QStringLiteral("again"));
    QDir().mkpath(again);
    fake()->folders.enqueue(again);
    MainForm->SaveSkin1->trigger();
    for (const QString &o : others)
        QCOMPARE(readAll(again + QLatin1Char('/') + o), readAll(dir + QLatin1Char('/') + o));
    QStringList written = QDir(again).entryList(QDir::Files | QDir::Hidden);
    QCOMPARE(written.size(), kMainSheetCount + 5); // the nine, five others at the top, no temporaries
}

void TestSkinFiles::folderEntriesThatAreNotPlainFiles_data()
{
    // Made in the skin folder, beside the nine sheets and readme.txt:
    // "link NAME TARGET" (%1: the folder above the skin), "fifo NAME",
    // "rm NAME".
    QTest::addColumn<QStringList>("made");
    QTest::addColumn<QString>("said");    // in the opening message; empty: no message
    QTest::addColumn<QString>("notSaid"); // nowhere in it
    QTest::addColumn<QStringList>("saved"); // besides the nine sheets, saved as a folder
    const QString linkedOut = "a link to outside the skin's folder";
    QTest::newRow("link to a file outside the folder")
        << QStringList{"link passwd.txt %1/secret.txt"} << "Left out: passwd.txt (" + linkedOut + ")"
        << "secret" << QStringList{"readme.txt"};
    QTest::newRow("link to a file inside the folder, followed")
        << QStringList{"link alias.txt readme.txt", "link art/again.txt ../readme.txt"} << QString() << QString()
        << QStringList{"alias.txt", "art/again.txt", "readme.txt"};
    QTest::newRow("link inside that leaves through a link outside")
        << QStringList{"link out %1", "link hop.txt out/secret.txt"} << "hop.txt (" + linkedOut + ")" << QString()
        << QStringList{"readme.txt"};
    QTest::newRow("link to nothing") << QStringList{"link gone.txt nowhere.txt"} << "Left out: gone.txt (a link to nothing)"
                                     << QString() << QStringList{"readme.txt"};
    QTest::newRow("sheet linked from outside")
        << QStringList{"rm main.bmp", "link main.bmp %1/secret.txt"} << "main.bmp (" + linkedOut + ")" << "Missing"
        << QStringList{"readme.txt"};
    QTest::newRow("FIFO named main.bmp")
        << QStringList{"rm main.bmp", "fifo main.bmp"} << "Refused, and kept as they are: main.bmp (not a regular file)"
        << "Missing" << QStringList{"readme.txt"};
    QTest::newRow("FIFO beside the sheets") << QStringList{"fifo art/pipe"} << "Left out: art/pipe (not a regular file)"
                                            << QString() << QStringList{"readme.txt"};
    QTest::newRow("link to a device") << QStringList{"link dev.txt /dev/null"} << "dev.txt (" + linkedOut + ")"
                                      << QString() << QStringList{"readme.txt"};
}

void TestSkinFiles::folderEntriesThatAreNotPlainFiles()
{
    QFETCH(QStringList, made);
    QFETCH(QString, said);
    QFETCH(QString, notSaid);
    QFETCH(QStringList, saved);

    const QString dir = makeCompleteFolder(QStringLiteral("skin"));
    writeFile(dir + QStringLiteral("/readme.txt"), "the read-me");
    writeFile(path(QStringLiteral("secret.txt")), "secret of the user");
    QDir().mkpath(dir + QStringLiteral("/art"));
    QStringList fifos;
    for (const QString &step : made) {
        const QStringList p = QString(step).replace(QStringLiteral("%1"), m_dir->path()).split(QLatin1Char(' '));
        const QString at = dir + QLatin1Char('/') + p[1];
        if (p[0] == QLatin1String("link")) {
            QCOMPARE(::symlink(QFile::encodeName(p[2]).constData(), QFile::encodeName(at).constData()), 0);
        } else if (p[0] == QLatin1String("fifo")) {
            QCOMPARE(::mkfifo(QFile::encodeName(at).constData(), 0600), 0);
            fifos << at;
        } else {
            QVERIFY(QFile::remove(at));
        }
    }
    // Anyone opening a FIFO for reading waits for a writer: one comes by
    // every 50 ms, so a wrong open ends and is seen, rather than hanging.
    std::atomic<bool> done = false, fifoOpened = false;
    std::thread writer([&] {
        while (!done) {
            for (const QString &f : fifos) {
                const int fd = ::open(QFile::encodeName(f).constData(), O_WRONLY | O_NONBLOCK);
                if (fd >= 0) {
                    fifoOpened = true;
                    ::close(fd);
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    });
    fake()->folders.enqueue(dir);
    MainForm->OpenSkin1->trigger();
    done = true;
    writer.join();
    QVERIFY(!fifoOpened);

    QCOMPARE(MainForm->skinPath(), QFileInfo(dir).absoluteFilePath());
    if (said.isEmpty()) {
        QVERIFY(fake()->messages.isEmpty());
    } else {
        QCOMPARE(fake()->messages.size(), 1);
        const QString text = fake()->messages.first().text;
        QVERIFY2(text.contains(said), qPrintable(text));
        if (!notSaid.isEmpty())
            QVERIFY2(!text.contains(notSaid), qPrintable(text));
    }
    fake()->messages.clear();

    // What was read is what saving carries: never the file behind a link
    // that leaves the folder; a followed link as a file of its own.
    const QString out = path(QStringLiteral("saved"));
    QDir().mkpath(out);
    fake()->folders.enqueue(out);
    MainForm->SaveSkin1->trigger();
    QStringList expected = saved;
    for (const SheetRow &r : kSheets)
        if (!made.contains(QStringLiteral("rm ") + QLatin1String(r.file)))
            expected << QLatin1String(r.file);
    expected.sort();
    QCOMPARE(filesUnder(out), expected);
    for (const QString &f : saved) {
        QVERIFY(!QFileInfo(out + QLatin1Char('/') + f).isSymLink());
        QCOMPARE(readAll(out + QLatin1Char('/') + f), QByteArray("the read-me"));
    }
    fake()->files.enqueue(path(QStringLiteral("shared.wsz")));
    MainForm->SaveZIPSkin1->trigger();
    QVERIFY(!readAll(path(QStringLiteral("shared.wsz"))).isEmpty());
    QVERIFY(!run(QStringLiteral("unzip"), {QStringLiteral("-p"), path(QStringLiteral("shared.wsz"))})
                 .contains("secret of the user"));
}

void TestSkinFiles::unreadableOtherFileIsLeftOut()
{
    // One file the user can't read: named, and the rest of the skin opens.
    const QString dir = makeCompleteFolder(QStringLiteral("skin"), 4);
    const QString readme = dir + QStringLiteral("/readme.txt");
    writeFile(readme, "private");
    writeFile(dir + QStringLiteral("/pledit.txt"), "[Text]\n");
    QStringList owned{m_dir->path(), dir, readme, dir + QStringLiteral("/pledit.txt")};
    for (const SheetRow &r : kSheets)
        owned << dir + QLatin1Char('/') + QLatin1String(r.file);
    AsUnprivilegedUser user(owned);
    if (!user.problem().isEmpty())
        QSKIP(qPrintable(user.problem()));
    QVERIFY(QFile::setPermissions(readme, {}));

    fake()->folders.enqueue(dir);
    MainForm->OpenSkin1->trigger();
    QCOMPARE(MainForm->skinPath(), QFileInfo(dir).absoluteFilePath());
    QCOMPARE(fake()->messages.size(), 1);
    QCOMPARE(fake()->messages.first().text, QStringLiteral("Left out: readme.txt (Permission denied)"));
    for (const SheetRow &r : kSheets)
        QVERIFY2(*G().sheet(r.kind) == expectedSheet(r.w, r.h, 24, 4 + int(r.kind)), r.file);
    fake()->messages.clear();
    const QString out = path(QStringLiteral("saved"));
    QVERIFY(QDir().mkpath(out));
    fake()->folders.enqueue(out);
    MainForm->SaveSkin1->trigger();
    QStringList expected{"pledit.txt"};
    for (const SheetRow &r : kSheets)
        expected << QLatin1String(r.file);
    expected.sort();
    QCOMPARE(filesUnder(out), expected);
}

namespace {

// A file's names under dir by their bytes, with "/" between folders.
QList<QByteArray> nativeNamesUnder(const QByteArray &dir, const QByteArray &prefix = {})
{
    QList<QByteArray> out;
    DIR *d = ::opendir(dir.constData());
    if (!d)
        return out;
    while (const dirent *e = ::readdir(d)) {
        const QByteArray name(e->d_name);
        if (name == "." || name == "..")
            continue;
        struct stat st;
        if (::lstat((dir + '/' + name).constData(), &st) == 0 && S_ISDIR(st.st_mode))
            out += nativeNamesUnder(dir + '/' + name, prefix + name + '/');
        else
            out << prefix + name;
    }
    ::closedir(d);
    std::sort(out.begin(), out.end());
    return out;
}

} // namespace

void TestSkinFiles::namesThatAreNotUtf8KeepTheirBytes()
{
    // Names as another system wrote them: Latin-1 (a file's and a folder's),
    // a lone continuation byte, a cut-off sequence, and one UTF-8 name for
    // company.
    const QList<QByteArray> names{"caf\xe9.txt", "art/\x80x.txt", "\xe2\x82.txt", "\xc3\xa9t\xc3\xa9.txt",
                                  "d\xfcr/x.txt"};
    const QString dir = makeCompleteFolder(QStringLiteral("skin"));
    QDir().mkpath(dir + QStringLiteral("/art"));
    const QByteArray nativeDir = QFile::encodeName(dir);
    QCOMPARE(::mkdir((nativeDir + "/d\xfcr").constData(), 0755), 0);
    for (const QByteArray &n : names) {
        const int fd = ::open((nativeDir + '/' + n).constData(), O_WRONLY | O_CREAT | O_EXCL, 0640);
        QVERIFY(fd >= 0);
        QCOMPARE(::write(fd, n.constData(), size_t(n.size())), ssize_t(n.size()));
        ::close(fd);
    }
    fake()->folders.enqueue(dir);
    MainForm->OpenSkin1->trigger();
    QVERIFY(fake()->messages.isEmpty());

    const QString out = path(QStringLiteral("saved"));
    QDir().mkpath(out);
    fake()->folders.enqueue(out);
    MainForm->SaveSkin1->trigger();
    QVERIFY(fake()->messages.isEmpty() || fake()->messages.first().icon != MsgIcon::Error);
    QList<QByteArray> expected = names;
    for (const SheetRow &r : kSheets)
        expected << QByteArray(r.file);
    std::sort(expected.begin(), expected.end());
    const QByteArray nativeOut = QFile::encodeName(out);
    QCOMPARE(nativeNamesUnder(nativeOut), expected);
    for (const QByteArray &n : names) {
        QFile f;
        const int fd = ::open((nativeOut + '/' + n).constData(), O_RDONLY);
        QVERIFY(fd >= 0 && f.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle));
        QCOMPARE(f.readAll(), n);
        struct stat st;
        QCOMPARE(::stat((nativeOut + '/' + n).constData(), &st), 0);
        QCOMPARE(st.st_mode & 0777, mode_t(0640));
    }

    // In an archive too: unzip lists each name by its bytes, and the archive
    // opened again saves as the same folder.
    fake()->files.enqueue(path(QStringLiteral("named.wsz")));
    MainForm->SaveZIPSkin1->trigger();
    QVERIFY(fake()->messages.isEmpty());
    QList<QByteArray> listed = run(QStringLiteral("unzip"), {QStringLiteral("-Z1"), path(QStringLiteral("named.wsz"))})
                                   .split('\n');
    listed.removeAll(QByteArray());
    std::sort(listed.begin(), listed.end());
    QCOMPARE(listed, expected);
    fake()->files.enqueue(path(QStringLiteral("named.wsz")));
    MainForm->OpenZIPSkin1->trigger();
    QVERIFY(fake()->messages.isEmpty());
    const QString again = path(QStringLiteral("again"));
    QDir().mkpath(again);
    fake()->folders.enqueue(again);
    MainForm->SaveSkin1->trigger();
    QCOMPARE(nativeNamesUnder(QFile::encodeName(again)), expected);
}

void TestSkinFiles::saveSkinReplacesAnyCaseOfASheetFile()
{
    const QString dir = path(QStringLiteral("skin"));
    for (const SheetRow &r : kSheets)
        writeFile(dir + QLatin1Char('/') + QString::fromLatin1(r.file).toUpper(), bmpBytes(r.w, r.h, 24, 7));
    writeFile(dir + QStringLiteral("/sub/readme.txt"), "hello");
    fake()->folders.enqueue(dir);
    MainForm->OpenSkin1->trigger();
    editSheet(qRgb(9, 200, 9));
    fake()->folders.enqueue(dir);
    MainForm->SaveSkin1->trigger();
    QVERIFY(fake()->messages.isEmpty());

    QStringList names = QDir(dir).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    QStringList upper;
    for (const SheetRow &r : kSheets)
        upper << QString::fromLatin1(r.file).toUpper();
    upper.sort();
    QCOMPARE(names, upper);
    QCOMPARE(QImage(dir + QStringLiteral("/CBUTTONS.BMP")).pixel(23, 0), qRgb(9, 200, 9));
    QCOMPARE(readAll(dir + QStringLiteral("/sub/readme.txt")), QByteArray("hello"));
}

void TestSkinFiles::twoPhaseFailures_data()
{
    QTest::addColumn<QString>("blocker"); // what stands in the way of f4
    QTest::addColumn<int>("failing");
    QTest::addColumn<QString>("reason");
    QTest::newRow("the 4th temporary can't be made") << ".vorlix-tmp-f4" << 3 << "Is a directory";
    QTest::newRow("a folder holds the 4th name") << "f4" << 3 << "Is a directory";
    QTest::newRow("the 1st file's folder is missing") << "#missing" << 0 << "No such file or directory";
}

void TestSkinFiles::twoPhaseFailures()
{
    QFETCH(QString, blocker);
    QFETCH(int, failing);
    QFETCH(QString, reason);
    const QString dir = path(QStringLiteral("w"));
    QList<FileToWrite> files;
    for (int i = 1; i <= 6; ++i) {
        const QString name = QStringLiteral("%1/f%2").arg(dir).arg(i);
        if (blocker != QLatin1String("f4") || i != 4)
            writeFile(name, "old " + QByteArray::number(i));
        files.append({name, "new " + QByteArray::number(i), false, std::nullopt});
    }
    if (blocker == QLatin1String("#missing"))
        files[0].path = dir + QStringLiteral("/missing/f1");
    else
        writeFile(dir + QLatin1Char('/') + blocker + QStringLiteral("/keep"), "keep");

    QString message;
    try {
        writeFilesTwoPhase(files);
    } catch (const VorlixError &e) {
        message = e.message();
    }
    QCOMPARE(message, QStringLiteral("Cannot create file %1: %2").arg(files[failing].path, reason));
    // All or nothing: not one file is replaced.
    for (int i = 0; i < files.size(); ++i) {
        if (i == failing && blocker != QLatin1String(".vorlix-tmp-f4"))
            continue; // the blocker itself
        const QByteArray expected = "old " + QByteArray::number(i + 1);
        QCOMPARE(readAll(files[i].path), expected);
    }
    // No temporaries remain beside the files (the blocker is the user's).
    const QStringList hidden = QDir(dir).entryList({QStringLiteral(".vorlix-*")}, QDir::AllEntries | QDir::Hidden);
    QCOMPARE(hidden, blocker == QLatin1String(".vorlix-tmp-f4") ? QStringList{blocker} : QStringList());
}

void TestSkinFiles::leftoversAreReplacedAndLinksNotFollowed()
{
    const QString dir = path(QStringLiteral("w"));
    writeFile(dir + QStringLiteral("/.vorlix-tmp-a.bmp"), "left by a killed save");
    writeFile(dir + QStringLiteral("/.vorlix-old-a.bmp"), "left by a killed save");
    writeFile(dir + QStringLiteral("/a.bmp"), "old a");
    writeFile(path(QStringLiteral("victim")), "precious");
    QVERIFY(QFile::link(path(QStringLiteral("victim")), dir + QStringLiteral("/.vorlix-tmp-b.bmp")));
    writeFilesTwoPhase({{dir + QStringLiteral("/a.bmp"), "A", false, std::nullopt}, {dir + QStringLiteral("/b.bmp"), "B", false, std::nullopt}});
    QCOMPARE(readAll(dir + QStringLiteral("/a.bmp")), QByteArray("A"));
    QCOMPARE(readAll(dir + QStringLiteral("/b.bmp")), QByteArray("B"));
    QCOMPARE(readAll(path(QStringLiteral("victim"))), QByteArray("precious"));
    QVERIFY(!QFileInfo(dir + QStringLiteral("/b.bmp")).isSymLink());
    QCOMPARE(QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
             (QStringList{"a.bmp", "b.bmp"}));
}

void TestSkinFiles::exitQuestion_data()
{
    QTest::addColumn<QString>("origin"); // built-in, folder, archive
    QTest::addColumn<QString>("change"); // none, sheet, pending, sheet+saved
    QTest::addColumn<QList<MsgAnswer>>("answers");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<bool>("closed");
    QTest::addColumn<QString>("savedTo"); // where the edit lands: "", output, origin

    using L = QList<MsgAnswer>;
    QTest::newRow("built-in, unchanged") << "built-in" << "none" << L{} << false << true << "";
    QTest::newRow("built-in, edited, Cancel") << "built-in" << "sheet" << L{MsgAnswer::Cancel} << true << false << "";
    QTest::newRow("built-in, edited, Discard") << "built-in" << "sheet" << L{MsgAnswer::Discard} << true << true << "";
    QTest::newRow("built-in, edited, Save runs Save BMP")
        << "built-in" << "sheet" << L{MsgAnswer::Save} << true << true << "output";
    QTest::newRow("built-in, Save cancelled at Apply Changes")
        << "built-in" << "pending" << L{MsgAnswer::Save, MsgAnswer::Cancel} << true << false << "";
    QTest::newRow("built-in, pending edit only, Save and apply")
        << "built-in" << "pending" << L{MsgAnswer::Save, MsgAnswer::Yes} << true << true << "output";
    QTest::newRow("built-in, edited and saved") << "built-in" << "sheet+saved" << L{} << false << true << "";
    QTest::newRow("built-in, Save fails: stays open")
        << "built-in" << "sheet+badoutput" << L{MsgAnswer::Save} << true << false << "";
    QTest::newRow("folder, unchanged") << "folder" << "none" << L{} << false << true << "";
    QTest::newRow("folder, edited, Save") << "folder" << "sheet" << L{MsgAnswer::Save} << true << true << "origin";
    QTest::newRow("folder, edited, Discard") << "folder" << "sheet" << L{MsgAnswer::Discard} << true << true << "";
    // The view's edit is asked about before the skin is written, and lands.
    QTest::newRow("folder, pending edit, Save and apply")
        << "folder" << "pending" << L{MsgAnswer::Save, MsgAnswer::Yes} << true << true << "origin";
    QTest::newRow("archive, unchanged") << "archive" << "none" << L{} << false << true << "";
    QTest::newRow("archive, edited, Save") << "archive" << "sheet" << L{MsgAnswer::Save} << true << true << "origin";
    QTest::newRow("archive, pending edit, Save, Cancel at Apply Changes")
        << "archive" << "pending" << L{MsgAnswer::Save, MsgAnswer::Cancel} << true << false << "";
    QTest::newRow("archive, pending edit, Save and apply")
        << "archive" << "pending" << L{MsgAnswer::Save, MsgAnswer::Yes} << true << true << "origin";
}

void TestSkinFiles::exitQuestion()
{
    QFETCH(QString, origin);
    QFETCH(QString, change);
    QFETCH(QList<MsgAnswer>, answers);
    QFETCH(bool, asked);
    QFETCH(bool, closed);
    QFETCH(QString, savedTo);

    const QString dir = makeCompleteFolder(QStringLiteral("skin"));
    const QString archive = path(QStringLiteral("skin.wsz"));
    if (origin == QLatin1String("folder")) {
        fake()->folders.enqueue(dir);
        MainForm->OpenSkin1->trigger();
    } else if (origin == QLatin1String("archive")) {
        QVERIFY(zipFolder(dir, archive));
        fake()->files.enqueue(archive);
        MainForm->OpenZIPSkin1->trigger();
    }
    QVERIFY(fake()->messages.isEmpty());
    const QRgb edit = qRgb(77, 66, 55);
    if (change.startsWith(QLatin1String("sheet")))
        editSheet(edit);
    if (change == QLatin1String("pending")) {
        selectNode(16);
        makePendingEdit(edit);
    }
    if (change == QLatin1String("sheet+saved")) {
        MainForm->Button2Click();
        QDir(path(QStringLiteral("out"))).removeRecursively(); // only what closing writes counts
        QDir().mkpath(path(QStringLiteral("out")));
        fake()->messages.clear();
    }
    if (change == QLatin1String("sheet+badoutput"))
        MainForm->OutputDir->setText(path(QStringLiteral("missing")));
    const QByteArray archiveBefore = readAll(archive);
    const QByteArray folderBefore = readAll(dir + QStringLiteral("/cbuttons.bmp"));

    for (MsgAnswer a : answers)
        fake()->answers.enqueue(a);
    QCOMPARE(MainForm->close(), closed);

    QCOMPARE(!fake()->messages.isEmpty(), asked);
    if (asked) {
        const RecordedMessage q = fake()->messages.first();
        QCOMPARE(q.caption, QStringLiteral("Vorlix"));
        QCOMPARE(q.text, QStringLiteral("The skin has unsaved changes. Save them before closing?"));
        QCOMPARE(q.buttons, MsgButtons::SaveDiscardCancel);
    }
    if (change == QLatin1String("sheet+badoutput")) {
        QCOMPARE(fake()->messages.last().icon, MsgIcon::Error);
        QVERIFY(fake()->messages.last().text.startsWith(QStringLiteral("Cannot create file")));
    }

    const QString outCbuttons = path(QStringLiteral("out/cbuttons.bmp"));
    QCOMPARE(QFile::exists(outCbuttons), savedTo == QLatin1String("output"));
    if (savedTo == QLatin1String("output"))
        QCOMPARE(QImage(outCbuttons).pixel(23, 0), edit);
    if (origin == QLatin1String("folder")) {
        const bool rewritten = readAll(dir + QStringLiteral("/cbuttons.bmp")) != folderBefore;
        QCOMPARE(rewritten, savedTo == QLatin1String("origin"));
        if (rewritten)
            QCOMPARE(QImage(dir + QStringLiteral("/cbuttons.bmp")).pixel(23, 0), edit);
    }
    if (origin == QLatin1String("archive")) {
        const bool rewritten = readAll(archive) != archiveBefore;
        QCOMPARE(rewritten, savedTo == QLatin1String("origin"));
        if (rewritten) {
            const QImage fromZip = QImage::fromData(
                run(QStringLiteral("unzip"), {QStringLiteral("-p"), archive, QStringLiteral("cbuttons.bmp")}));
            QCOMPARE(fromZip.pixel(23, 0), edit);
        }
    }
}

void TestSkinFiles::layoutStaysLeftToRight()
{
    // What Qt's -reverse option does, before the program sets itself up.
    qApp->setLayoutDirection(Qt::RightToLeft);
    initApplication(*qApp);
    m_windows = createWindows();
    QCOMPARE(MainForm->SelTree->layoutDirection(), Qt::LeftToRight);
    QCOMPARE(MainForm->StateChanger->layoutDirection(), Qt::LeftToRight);
}

void TestSkinFiles::fontTheFileCannotHoldIsRefused()
{
    // A pledit.txt in the Windows code page ("Arïal" as one byte 0xEF): a
    // Chinese name can't be written into it.
    const QString dir = makeCompleteFolder(QStringLiteral("latin1"));
    const QByteArray pledit = "[Text]\r\nNormal=#00FF00\r\nFont=Ar\xef" "al\r\n";
    writeFile(dir + QStringLiteral("/pledit.txt"), pledit);
    QVERIFY(MainForm->openSkin(dir));
    fake()->messages.clear();
    MainForm->PlaylistFont->setText(QStringLiteral("\u5fae\u8f6f\u96c5\u9ed1"));
    emit MainForm->PlaylistFont->editingFinished();
    QCOMPARE(fake()->messages.size(), 1);
    QVERIFY2(fake()->messages.first().text.contains(QLatin1String("cannot be written")),
             qPrintable(fake()->messages.first().text));
    // The box shows the font the skin keeps; nothing is marked unsaved.
    QCOMPARE(MainForm->PlaylistFont->text(), QStringLiteral("Ar\u00efal"));
    QVERIFY(!MainForm->skinHasUnsavedChanges());
}

QTEST_MAIN(TestSkinFiles)
#include "tst_skinfiles.moc"
