// Archives saved back as the user's skin was: every entry's name, order, time
// and attributes, checked against what the zip tools themselves list.
#include <QtTest>

#include "MainWindowFixture.h"
#include "SkinFixtures.h"
#include "app/Application.h"
#include "editor/SkinFiles.h"
#include "mainwindow/MainForm.h"
#include "skin/GlobalVar.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <fcntl.h>
#include <sys/stat.h>

using namespace vorlix;

namespace {

// One entry of an archive made for a test. Files named like a sheet hold a
// 24-bit picture of the sheet's size, others some text.
struct ZipEntry
{
    QString name;
    int mode = 0100644;                             // Unix type and mode
    QString when = QStringLiteral("1999-12-31 23:59:58"); // local time
    int system = 3;                                  // "made by": 0 MS-DOS, 3 Unix, 11 NTFS
    int dosAttributes = 0;                           // the low byte of the external attributes
    int seed = 0;                                    // the picture's; 0: from its place
};
using Entries = QList<ZipEntry>;

// Sheet sizes written here from the classic skin format.
QSize sheetSizeOf(const QString &name)
{
    const QString leaf = name.section(QLatin1Char('/'), -1).section(QLatin1Char('\\'), -1).toLower();
    if (leaf.startsWith(QLatin1String("main.")))
        return {275, 116};
    if (leaf.startsWith(QLatin1String("cbuttons.")))
        return {136, 36};
    return {};
}

QByteArray contentOf(const ZipEntry &e, int place)
{
    const QSize size = sheetSizeOf(e.name);
    const int seed = e.seed ? e.seed : place + 2;
    if (!size.isValid())
        return "notes " + e.name.toUtf8() + binaryBytes();
    return e.name.endsWith(QLatin1String(".png"), Qt::CaseInsensitive) ? pngBytes(size.width(), size.height(), seed)
                                                                     : bmpBytes(size.width(), size.height(), 24, seed);
}

QImage pictureOf(int w, int h, int seed)
{
    QImage img(w, h, QImage::Format_BGR888);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, colourAt(24, seed, x, y));
    return img;
}

// An entry's bytes as the unzip tool gives them; its name is a pattern
// there, where a backslash escapes what follows.
QByteArray unpacked(const QString &archive, const QString &name)
{
    QString pattern;
    for (QChar c : name) {
        if (c == QLatin1Char('\\') || c == QLatin1Char('[') || c == QLatin1Char('*') || c == QLatin1Char('?'))
            pattern += QLatin1Char('\\');
        pattern += c;
    }
    return run(QStringLiteral("unzip"), {QStringLiteral("-p"), archive, pattern});
}

bool isFolderName(const QString &name)
{
    return name.endsWith(QLatin1Char('/')) || name.endsWith(QLatin1Char('\\'));
}

// An archive of the entries in this order, written by Python's zipfile
// (which stores names, times and attributes as given, even a name twice).
bool makeWithPython(const QString &stage, const QString &archive, const Entries &entries)
{
    QJsonArray spec;
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const ZipEntry &e = entries[i];
        QString source;
        if (!isFolderName(e.name)) {
            source = stage + QStringLiteral("/src%1").arg(i);
            writeFile(source, contentOf(e, int(i)));
        }
        const QDateTime t = QDateTime::fromString(e.when, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        spec.append(QJsonObject{{"name", e.name},
                                {"src", source},
                                {"when", QJsonArray{t.date().year(), t.date().month(), t.date().day(),
                                                    t.time().hour(), t.time().minute(), t.time().second()}},
                                {"system", e.system},
                                {"attr", double((quint32(e.mode) << 16) | quint32(e.dosAttributes))}});
    }
    const char *script = R"(
import json, sys, warnings, zipfile
warnings.simplefilter('ignore')
with zipfile.ZipFile(sys.argv[1], 'w') as z:
    for e in json.loads(sys.argv[2]):
        info = zipfile.ZipInfo(e['name'], tuple(e['when']))
        info.create_system = e['system']
        info.external_attr = int(e['attr'])
        info.compress_type = zipfile.ZIP_DEFLATED if e['src'] else zipfile.ZIP_STORED
        z.writestr(info, open(e['src'], 'rb').read() if e['src'] else b'')
)";
    return run(QStringLiteral("python3"),
               {QStringLiteral("-c"), QString::fromLatin1(script), archive,
                QString::fromUtf8(QJsonDocument(spec).toJson(QJsonDocument::Compact))})
        != "#failed";
}

// The same with the zip tool, from files given those modes and times: it
// adds its own entries for folders and extended timestamps. The entries'
// order is the tool's (a folder, then what it holds, by name).
bool makeWithZipTool(const QString &stage, const QString &archive, const Entries &entries)
{
    QStringList top;
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const ZipEntry &e = entries[i];
        const QString file = stage + QLatin1Char('/') + e.name;
        if (isFolderName(e.name))
            QDir().mkpath(file);
        else
            writeFile(file, contentOf(e, int(i)));
        const QString first = e.name.section(QLatin1Char('/'), 0, 0);
        if (!top.contains(first))
            top << first;
    }
    // Modes and times once everything is written: a file added below a
    // folder would change the folder's time again.
    for (auto it = entries.crbegin(); it != entries.crend(); ++it) {
        const QString file = stage + QLatin1Char('/') + it->name;
        const QDateTime t = QDateTime::fromString(it->when, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        const QByteArray native = QFile::encodeName(file);
        const timespec times[2] = {{t.toSecsSinceEpoch(), 0}, {t.toSecsSinceEpoch(), 0}};
        if (::chmod(native.constData(), mode_t(it->mode & 07777)) != 0
            || ::utimensat(AT_FDCWD, native.constData(), times, 0) != 0)
            return false;
    }
    QFile::remove(archive);
    return run(QStringLiteral("zip"), QStringList{QStringLiteral("-q"), QStringLiteral("-r"), archive} + top, stage)
        != "#failed";
}

// zipinfo's line for each entry, in order, times to the second: the mode,
// the version and system that made it, sizes, method, time and name.
QStringList zipinfoLines(const QString &archive)
{
    const QStringList lines = QString::fromUtf8(run(QStringLiteral("unzip"), {QStringLiteral("-Z"),
                                                                               QStringLiteral("-T"), archive}))
                                  .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    // Two lines about the archive first, a summary last.
    return lines.size() >= 3 ? lines.mid(2, lines.size() - 3) : QStringList{QStringLiteral("no listing")};
}

// A zipinfo line's mode ("-rw-r--r--"), time ("19991231.235958") and name.
struct Listed
{
    QString mode, time, name;
};
Listed parse(const QString &line)
{
    static const QRegularExpression re(
        QStringLiteral(R"(^(\S+)\s+\S+\s+\S+\s+\d+\s+\S+\s+\S+\s+(\d{8}\.\d{6}) (.*)$)"));
    const QRegularExpressionMatch m = re.match(line);
    return m.hasMatch() ? Listed{m.captured(1), m.captured(2), m.captured(3)} : Listed{line, {}, {}};
}

// Each entry's packed bytes as they lie in the archive (a digest), method
// and name, read by Python's zipfile from the local headers: an entry that
// was unpacked and packed again gives other bytes even when it unpacks to
// the same file.
QStringList packedEntries(const QString &archive)
{
    const char *script = R"(
import hashlib, struct, sys, zipfile
with open(sys.argv[1], 'rb') as f, zipfile.ZipFile(sys.argv[1]) as z:
    for i in z.infolist():
        f.seek(i.header_offset)
        header = f.read(30)
        name, extra = struct.unpack('<HH', header[26:30])
        f.seek(i.header_offset + 30 + name + extra)
        print(hashlib.sha256(f.read(i.compress_size)).hexdigest(), i.compress_type, i.orig_filename)
)";
    return QString::fromUtf8(run(QStringLiteral("python3"), {QStringLiteral("-c"), QString::fromLatin1(script), archive}))
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// Those lines without the entries of these names.
QStringList without(QStringList lines, const QStringList &names)
{
    lines.removeIf([&](const QString &line) { return names.contains(line.section(QLatin1Char(' '), 2, -1)); });
    return lines;
}

QStringList namesOf(const QStringList &lines)
{
    QStringList names;
    for (const QString &l : lines)
        names << parse(l).name;
    return names;
}

} // namespace

Q_DECLARE_METATYPE(ZipEntry)

class TestArchives : public QObject, protected MainWindowFixture
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void unchangedSaveKeepsEveryEntry_data();
    void unchangedSaveKeepsEveryEntry();
    void editedAndNewSheetsAreWrittenAfresh_data();
    void editedAndNewSheetsAreWrittenAfresh();
    void reopensFromTheFolderItWasReadFrom();
    void nameGivenTwice();
    void folderFilesKeepTheirTimeAndMode();

private:
    QString path(const QString &name) const { return m_dir->filePath(name); }
    void openArchive(const QString &archive)
    {
        fake()->files.enqueue(archive);
        MainForm->OpenZIPSkin1->trigger();
    }
    void saveArchive(const QString &archive)
    {
        fake()->files.enqueue(archive);
        MainForm->SaveZIPSkin1->trigger();
    }
    // An applied edit of "Play" (state 0 at (23, 0) of the control buttons).
    void editControlButtons(QRgb colour)
    {
        selectNode(16);
        MainForm->DesktopImg->pictureBits().fill(QColor::fromRgb(colour));
        MainForm->ApplyBtn->setEnabled(true);
        fake()->answers.enqueue(MsgAnswer::Yes);
        MainForm->ApplyBtnClick();
        QCOMPARE(G().sheet(skCButtons)->pixel(23, 0), colour);
    }
    QTemporaryDir *m_dir = nullptr;
};

void TestArchives::initTestCase()
{
    initApplication(*qApp);
    for (const char *tool : {"zip", "unzip", "python3"})
        QVERIFY2(!QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty(), tool);
}

void TestArchives::init()
{
    setUpMainWindow();
    m_dir = new QTemporaryDir;
    QVERIFY(m_dir->isValid());
}

void TestArchives::cleanup()
{
    tearDownMainWindow();
    delete m_dir;
}

void TestArchives::unchangedSaveKeepsEveryEntry_data()
{
    QTest::addColumn<QString>("maker"); // "python" or "zip"
    QTest::addColumn<Entries>("entries");
    QTest::addColumn<QStringList>("dropped"); // never part of a skin
    QTest::addColumn<QStringList>("tamed");   // "name mode": the mode it comes back with

    const int dir = 040755, file = 0100644;
    QTest::newRow("zip tool: folder entry, 0666 and 0755 files, old times")
        << "zip"
        << Entries{{"xmms-turquoise/", dir, "2004-05-06 07:08:09"},
                   {"xmms-turquoise/main.bmp", 0100666, "1999-12-31 23:59:58"},
                   {"xmms-turquoise/cbuttons.bmp", 0100755, "2001-02-03 04:05:07"},
                   {"xmms-turquoise/viscolor.txt", 0100600, "1996-07-08 09:10:11"}}
        << QStringList() << QStringList();
    QTest::newRow("folder with a space, a read-me beside it")
        << "python"
        << Entries{{"readme.txt", file, "2002-01-01 10:00:00"},
                   {"Zaxon Remake/", dir, "2002-01-01 10:00:02"},
                   {"Zaxon Remake/main.bmp", file, "2002-01-01 10:00:04"},
                   {"Zaxon Remake/cbuttons.bmp", 0100444, "2002-01-01 10:00:06"}}
        << QStringList() << QStringList();
    QTest::newRow("backslashes between folder and file")
        << "python"
        << Entries{{"rei1\\main.bmp", file, "1998-03-04 05:06:08"},
                   {"rei1\\pledit.txt", file, "1998-03-04 05:06:10"},
                   {"rei1\\cbuttons.bmp", file, "1998-03-04 05:06:12"}}
        << QStringList() << QStringList();
    QTest::newRow("made on MS-DOS: read-only, archive, folder attributes")
        << "python"
        << Entries{{"PAPER-AMP/", 0, "1997-01-02 03:04:06", 0, 0x10},
                   {"PAPER-AMP/MAIN.BMP", 0, "1997-01-02 03:04:08", 0, 0x21},
                   {"PAPER-AMP/CBUTTONS.BMP", 0, "1997-01-02 03:04:10", 0, 0x20}}
        << QStringList() << QStringList();
    QTest::newRow("made on NTFS, hidden file")
        << "python"
        << Entries{{"main.bmp", 0, "2010-11-12 13:14:16", 11, 0x20}, {"desktop.ini", 0, "2010-11-12 13:14:18", 11, 0x22}}
        << QStringList() << QStringList();
    QTest::newRow("set-uid, sticky and link bits")
        << "python"
        << Entries{{"main.bmp", 0104755, "2005-06-07 08:09:10"},
                   {"cbuttons.bmp", 0121777, "2005-06-07 08:09:12"},
                   {"notes/", 043777, "2005-06-07 08:09:14"}}
        << QStringList() << QStringList{"main.bmp -rwxr-xr-x", "cbuttons.bmp -rwxrwxrwx", "notes/ drwxrwxrwx"};
    QTest::newRow("our temporaries and resource forks")
        << "python"
        << Entries{{"Skin/", dir},
                   {"Skin/main.bmp"},
                   {"Skin/.vorlix-tmp-main.bmp"},
                   {"Skin/.vorlix-journal"},
                   {".vorlix-old-cbuttons.bmp"},
                   {"Skin/.vorlix-tmp-x/inner.txt"},
                   {"__MACOSX/Skin/._main.bmp"},
                   {"Skin/cbuttons.bmp"}}
        << QStringList{"Skin/.vorlix-tmp-main.bmp", "Skin/.vorlix-journal", ".vorlix-old-cbuttons.bmp",
                       "Skin/.vorlix-tmp-x/inner.txt", "__MACOSX/Skin/._main.bmp"}
        << QStringList();
}

void TestArchives::unchangedSaveKeepsEveryEntry()
{
    QFETCH(QString, maker);
    QFETCH(Entries, entries);
    QFETCH(QStringList, dropped);
    QFETCH(QStringList, tamed);

    const QString original = path(QStringLiteral("original.wsz"));
    QVERIFY(maker == QLatin1String("zip") ? makeWithZipTool(path(QStringLiteral("stage")), original, entries)
                                          : makeWithPython(path(QStringLiteral("stage")), original, entries));
    openArchive(original);
    QCOMPARE(MainForm->skinPath(), QFileInfo(original).absoluteFilePath());
    QVERIFY(G().sheet(skMain) && G().SheetStates[size_t(skMain)].Origin == SheetOrigin::File);
    fake()->messages.clear();

    const QString saved = path(QStringLiteral("saved.wsz"));
    saveArchive(saved);
    QVERIFY(fake()->messages.isEmpty());

    QStringList expected;
    for (const QString &line : zipinfoLines(original))
        if (!dropped.contains(parse(line).name))
            expected << line;
    QCOMPARE(expected.size(), entries.size() - dropped.size());
    const QStringList got = zipinfoLines(saved);
    QCOMPARE(namesOf(got), namesOf(expected));
    for (qsizetype i = 0; i < got.size(); ++i) {
        const Listed g = parse(got[i]);
        const QString *mode = nullptr;
        for (const QString &t : tamed)
            if (t.section(QLatin1Char(' '), 0, 0) == g.name)
                mode = &t;
        if (!mode) {
            QCOMPARE(got[i], expected[i]); // mode, system, sizes, method, time: all of it
            continue;
        }
        QCOMPARE(g.mode, mode->section(QLatin1Char(' '), 1));
        QCOMPARE(g.time, parse(expected[i]).time);
    }
    // Copied as they lay, not packed again.
    const QStringList packed = packedEntries(saved);
    QVERIFY(!packed.isEmpty());
    QCOMPARE(packed, without(packedEntries(original), dropped));
    // And the files within, byte for byte.
    for (const QString &name : namesOf(got))
        if (!isFolderName(name))
            QVERIFY2(unpacked(saved, name) == unpacked(original, name) && unpacked(saved, name) != "#failed",
                     qPrintable(name));
}

void TestArchives::editedAndNewSheetsAreWrittenAfresh_data()
{
    QTest::addColumn<QString>("folder");   // as the archive writes it
    QTest::addColumn<QString>("cbuttons"); // its name in the archive; empty when it lacks one
    QTest::addColumn<QString>("written");  // the entry the edit goes to

    QTest::newRow("BMP in a folder") << "xmms-turquoise/" << "cbuttons.bmp" << "xmms-turquoise/cbuttons.bmp";
    QTest::newRow("PNG named in capitals") << "Chrome/" << "CBUTTONS.PNG" << "Chrome/CBUTTONS.PNG";
    QTest::newRow("new sheet into the folder") << "Zaxon Remake/" << "" << "Zaxon Remake/cbuttons.bmp";
    QTest::newRow("new sheet into a folder written with a backslash") << "rei1\\" << "" << "rei1\\cbuttons.bmp";
    QTest::newRow("new sheet at the root") << "" << "" << "cbuttons.bmp";
}

void TestArchives::editedAndNewSheetsAreWrittenAfresh()
{
    QFETCH(QString, folder);
    QFETCH(QString, cbuttons);
    QFETCH(QString, written);

    Entries entries;
    if (folder.endsWith(QLatin1Char('/')))
        entries << ZipEntry{folder, 040755, "2003-03-03 03:03:04"};
    entries << ZipEntry{folder + QStringLiteral("main.bmp"), 0100600, "2003-03-03 03:03:06"};
    if (!cbuttons.isEmpty())
        entries << ZipEntry{folder + cbuttons, 0100755, "2003-03-03 03:03:08"};
    entries << ZipEntry{folder + QStringLiteral("viscolor.txt"), 0100666, "2003-03-03 03:03:10"};
    const QString original = path(QStringLiteral("original.wsz"));
    QVERIFY(makeWithPython(path(QStringLiteral("stage")), original, entries));

    openArchive(original);
    const QRgb colour = qRgb(250, 10, 20);
    editControlButtons(colour);
    fake()->messages.clear();
    const QString saved = path(QStringLiteral("saved.wsz"));
    const QString before = QDate::currentDate().toString(QStringLiteral("yyyyMMdd"));
    saveArchive(saved);
    const QString after = QDate::currentDate().toString(QStringLiteral("yyyyMMdd"));
    QVERIFY(fake()->messages.isEmpty());

    // The others as they were, in their order; a new sheet after them.
    QStringList expected = zipinfoLines(original);
    QStringList got = zipinfoLines(saved);
    qsizetype at = namesOf(got).indexOf(written);
    QVERIFY2(at >= 0, qPrintable(got.join(QLatin1Char('\n'))));
    if (cbuttons.isEmpty())
        QCOMPARE(at, got.size() - 1);
    const Listed fresh = parse(got.takeAt(at));
    if (!cbuttons.isEmpty())
        expected.removeAt(namesOf(expected).indexOf(written));
    QCOMPARE(got, expected);
    QCOMPARE(without(packedEntries(saved), {written}), without(packedEntries(original), {written}));
    // Written at the save, readable by all, writable by its owner.
    QCOMPARE(fresh.mode, QStringLiteral("-rw-r--r--"));
    QVERIFY2(fresh.time.startsWith(before) || fresh.time.startsWith(after), qPrintable(fresh.time));

    // In the format its name gives, whatever the name's case.
    const QByteArray bytes = unpacked(saved, written);
    const bool png = written.endsWith(QLatin1String(".png"), Qt::CaseInsensitive);
    QVERIFY(bytes.startsWith(png ? QByteArray("\x89PNG\r\n\x1a\n") : QByteArray("BM")));
    const QImage back = QImage::fromData(bytes, png ? "png" : "bmp");
    QCOMPARE(back.pixel(23, 0), colour);

    // Reopened, the edit is the skin's; saved again unchanged, the entry
    // keeps the time it was written at.
    fake()->messages.clear();
    openArchive(saved);
    QCOMPARE(G().sheet(skCButtons)->pixel(23, 0), colour);
    const QString again = path(QStringLiteral("again.wsz"));
    saveArchive(again);
    QCOMPARE(zipinfoLines(again), zipinfoLines(saved));
}

// An archive holding two skins: the first one in it is the one read, and
// stays the first however its sheets are edited.
void TestArchives::reopensFromTheFolderItWasReadFrom()
{
    const QString original = path(QStringLiteral("original.wsz"));
    QVERIFY(makeWithPython(path(QStringLiteral("stage")), original,
                           Entries{{"A/cbuttons.bmp", 0100644, "2000-01-01 00:00:00", 3, 0, 5},
                                   {"B/main.bmp", 0100644, "2000-01-01 00:00:00", 3, 0, 6},
                                   {"B/cbuttons.bmp", 0100644, "2000-01-01 00:00:00", 3, 0, 7}}));
    openArchive(original);
    QCOMPARE(*G().sheet(skCButtons), pictureOf(136, 36, 5));
    const QRgb colour = qRgb(1, 99, 200);
    editControlButtons(colour);
    const QString saved = path(QStringLiteral("saved.wsz"));
    saveArchive(saved);
    QCOMPARE(namesOf(zipinfoLines(saved)), namesOf(zipinfoLines(original)));

    fake()->messages.clear();
    openArchive(saved);
    QCOMPARE(MainForm->skinPath(), QFileInfo(saved).absoluteFilePath());
    QCOMPARE(G().sheet(skCButtons)->pixel(23, 0), colour);
    QCOMPARE(G().sheet(skCButtons)->pixel(0, 0), pictureOf(136, 36, 5).pixel(0, 0));
    QVERIFY(G().SheetStates[size_t(skMain)].Origin != SheetOrigin::File); // B's main.bmp is not this skin's
}

// Packers let a name in twice; unpacked one after another, the last wins.
void TestArchives::nameGivenTwice()
{
    const QString original = path(QStringLiteral("original.wsz"));
    QVERIFY(makeWithPython(path(QStringLiteral("stage")), original,
                           Entries{{"main.bmp", 0100644, "2000-01-01 00:00:00", 3, 0, 11},
                                   {"MAIN.BMP", 0100644, "2000-01-01 00:00:02", 3, 0, 12},
                                   {"cbuttons.bmp", 0100644, "2000-01-01 00:00:04", 3, 0, 13},
                                   {"main.bmp", 0100644, "2000-01-01 00:00:06", 3, 0, 14}}));

    const LoadedSkin read = readSkinArchive(original);
    QStringList paths;
    for (const SkinFile &f : read.set.files)
        paths << f.path;
    QCOMPARE(paths, (QStringList{"MAIN.BMP", "cbuttons.bmp", "main.bmp"}));
    QCOMPARE(read.sheets[size_t(skMain)], pictureOf(275, 116, 14));
    const QString report = read.report();
    QVERIFY2(report.contains(QStringLiteral("main.bmp (named twice; the last one is used)")), qPrintable(report));
    QVERIFY2(report.contains(QStringLiteral("MAIN.BMP (main.bmp is the one players use)")), qPrintable(report));

    openArchive(original);
    QCOMPARE(MainForm->skinPath(), QFileInfo(original).absoluteFilePath());
    QCOMPARE(*G().sheet(skMain), pictureOf(275, 116, 14));
    QCOMPARE(fake()->messages.size(), 1);
    QCOMPARE(fake()->messages.first().icon, MsgIcon::Warning);
    fake()->messages.clear();

    // Saved, every entry stays, the earlier main.bmp too; so the edit goes
    // to the last one, the one players use.
    editControlButtons(qRgb(9, 8, 7));
    selectNode(1); // the whole main sheet
    MainForm->DesktopImg->pictureBits().fill(QColor(3, 4, 5));
    MainForm->ApplyBtn->setEnabled(true);
    fake()->answers.enqueue(MsgAnswer::Yes);
    MainForm->ApplyBtnClick();
    fake()->messages.clear();
    const QString saved = path(QStringLiteral("saved.wsz"));
    saveArchive(saved);
    QVERIFY2(fake()->messages.isEmpty(), qPrintable(fake()->messages.value(0).text));
    const QStringList before = zipinfoLines(original), after = zipinfoLines(saved);
    QCOMPARE(namesOf(after), namesOf(before));
    QCOMPARE(after.mid(0, 2), before.mid(0, 2));
    const LoadedSkin back = readSkinArchive(saved);
    QCOMPARE(back.sheets[size_t(skMain)].pixel(0, 0), qRgb(3, 4, 5));
    QCOMPARE(back.sheets[size_t(skCButtons)].pixel(23, 0), qRgb(9, 8, 7));
}

// A folder skin saved as an archive: each file's entry as the zip tool makes
// it from the same folder, with the file's mode and time.
void TestArchives::folderFilesKeepTheirTimeAndMode()
{
    const QString stage = path(QStringLiteral("stage"));
    const Entries files{{"skin/cbuttons.bmp", 0100755, "2001-02-03 04:05:07"},
                        {"skin/main.bmp", 0100666, "1999-12-31 23:59:59"},
                        {"skin/readme.txt", 0100600, "1996-07-08 09:10:11"}};
    const QString reference = path(QStringLiteral("reference.zip"));
    QVERIFY(makeWithZipTool(stage, reference, files));
    fake()->folders.enqueue(stage + QStringLiteral("/skin"));
    MainForm->OpenSkin1->trigger();
    QCOMPARE(MainForm->skinPath(), QFileInfo(stage + QStringLiteral("/skin")).absoluteFilePath());
    fake()->messages.clear();

    const QString saved = path(QStringLiteral("saved.wsz"));
    saveArchive(saved);
    QStringList expected;
    for (const QString &line : zipinfoLines(reference)) {
        const Listed l = parse(line);
        if (l.name != QLatin1String("skin/"))
            expected << QStringLiteral("%1 %2 %3").arg(l.mode, l.time, l.name.mid(5));
    }
    QStringList got;
    for (const QString &line : zipinfoLines(saved)) {
        const Listed l = parse(line);
        got << QStringLiteral("%1 %2 %3").arg(l.mode, l.time, l.name);
    }
    // The zip tool takes a folder's files in the order the system lists
    // them; a skin's are sorted.
    expected.sort();
    got.sort();
    QCOMPARE(got, expected);
}

VORLIX_WINDOW_TEST_MAIN(TestArchives)

#include "tst_archives.moc"
