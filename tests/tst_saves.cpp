// Saving a set of files all or nothing: a failure at each step of a save, a
// kill at each step (and during the clean-up after it), and journals cut
// short, each followed by what the next start or save makes of the folder.
#include <QImage>
#include <QMessageAuthenticationCode>
#include <QtTest>

#include "editor/SkinFiles.h"
#include "output/JournalKey.h"
#include "output/SkinWriter.h"
#include "platform/BeneathPath.h"
#include "platform/Errors.h"

#include <cerrno>
#include <clocale>
#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace vorlix;

namespace {

// Thrown by the calls below in place of a kill: the save stops there and
// cleans nothing up.
struct Killed
{
};

// Counts the calls of a save by kind; the nth of one kind (or the nth call
// of any kind) can fail with an errno or be where the program is killed.
class ScriptedCalls final : public SaveCalls
{
public:
    // The nth call of a kind fails with an errno.
    struct Failure
    {
        QByteArray kind;
        int nth;
        int error;
    };
    QList<Failure> failures;
    QByteArray killKind; // "any": killNth counts every call
    int killNth = 0;
    bool canSwap = true;
    int total = 0;

    int open(int dirFd, const QByteArray &name, int flags, unsigned mode) override
    {
        return step("open") ? -1 : SaveCalls::open(dirFd, name, flags, mode);
    }
    long write(int fd, const char *data, unsigned long size) override
    {
        return step("write") ? -1 : SaveCalls::write(fd, data, size);
    }
    int fchmod(int fd, unsigned mode) override { return step("fchmod") ? -1 : SaveCalls::fchmod(fd, mode); }
    int startWriteBack(int fd) override { return step("startWriteBack") ? -1 : SaveCalls::startWriteBack(fd); }
    int fdatasync(int fd) override { return step("fdatasync") ? -1 : SaveCalls::fdatasync(fd); }
    int fsync(int fd) override { return step("fsync") ? -1 : SaveCalls::fsync(fd); }
    int close(int fd) override
    {
        if (step("close")) {
            SaveCalls::close(fd); // a failing close still frees the descriptor
            return -1;
        }
        return SaveCalls::close(fd);
    }
    int rename(int dirFd, const QByteArray &from, const QByteArray &to) override
    {
        return step("rename") ? -1 : SaveCalls::rename(dirFd, from, to);
    }
    int exchange(int dirFd, const QByteArray &a, const QByteArray &b) override
    {
        if (step("exchange"))
            return -1;
        if (!canSwap) {
            errno = EINVAL;
            return -1;
        }
        return SaveCalls::exchange(dirFd, a, b);
    }
    int unlink(int dirFd, const QByteArray &name) override
    {
        return step("unlink") ? -1 : SaveCalls::unlink(dirFd, name);
    }
    int link(int fd, int dirFd, const QByteArray &name) override
    {
        return step("link") ? -1 : SaveCalls::link(fd, dirFd, name);
    }

private:
    QHash<QByteArray, int> m_seen;

    bool step(const char *kind)
    {
        const int n = ++m_seen[kind];
        ++total;
        if ((killKind == kind && killNth == n) || (killKind == "any" && killNth == total))
            throw Killed{};
        for (const Failure &f : std::as_const(failures))
            if (f.kind == kind && f.nth == n) {
                errno = f.error;
                return true;
            }
        return false;
    }
};

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

FileToWrite file(const QString &path, const QByteArray &bytes)
{
    FileToWrite f;
    f.path = path;
    f.bytes = bytes;
    return f;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

// A folder holding an old set, and the new set a save writes over it: two
// files that are there, one that is new, one in a subfolder.
struct Fixture
{
    QTemporaryDir tmp;
    QString dir = tmp.path();

    Fixture()
    {
        writeFile(dir + QStringLiteral("/a.bmp"), "old a");
        writeFile(dir + QStringLiteral("/b.bmp"), "old b, longer");
        writeFile(dir + QStringLiteral("/sub/d.cur"), "old d");
    }

    QList<FileToWrite> newSet() const
    {
        return {file(dir + QStringLiteral("/a.bmp"), "new a, longer"), file(dir + QStringLiteral("/b.bmp"), "new b"),
                file(dir + QStringLiteral("/c.txt"), "new c"), file(dir + QStringLiteral("/sub/d.cur"), "new d")};
    }

    // "old", "new", or what the files hold when they are mixed.
    QString state() const
    {
        const QByteArray a = readAll(dir + QStringLiteral("/a.bmp")), b = readAll(dir + QStringLiteral("/b.bmp")),
                         c = readAll(dir + QStringLiteral("/c.txt")), d = readAll(dir + QStringLiteral("/sub/d.cur"));
        if (a == "old a" && b == "old b, longer" && c == "<missing>" && d == "old d")
            return QStringLiteral("old");
        if (a == "new a, longer" && b == "new b" && c == "new c" && d == "new d")
            return QStringLiteral("new");
        return QStringLiteral("mixed: ") + QString::fromLatin1(a + " | " + b + " | " + c + " | " + d);
    }

    // Our hidden files anywhere below the folder.
    QStringList leftovers() const
    {
        QStringList out;
        QDirIterator it(dir, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString p = it.next();
            if (QFileInfo(p).fileName().startsWith(QLatin1String(".vorlix-")))
                out << QDir(dir).relativeFilePath(p);
        }
        return out;
    }

    // A save of the new set killed at the given call.
    void killedSave(const QByteArray &kind, int nth, bool canSwap = true)
    {
        ScriptedCalls calls;
        calls.killKind = kind;
        calls.killNth = nth;
        calls.canSwap = canSwap;
        QVERIFY_THROWS_EXCEPTION(Killed, writeFilesTwoPhase(newSet(), calls));
    }

    // What happens to the folder next: the program starts, or another save
    // goes into it.
    void next(const QString &how)
    {
        if (how == QLatin1String("start"))
            finishUnfinishedSave(dir);
        else
            writeFilesTwoPhase({file(dir + QStringLiteral("/x.bmp"), "x"), file(dir + QStringLiteral("/y.bmp"), "y")});
    }
};

// The number of calls a save of the new set makes, to its end or to its
// failure.
int callsOfASave(bool canSwap, int failingSwap)
{
    Fixture f;
    ScriptedCalls calls;
    calls.canSwap = canSwap;
    calls.failures = {{"exchange", failingSwap, EPERM}};
    try {
        writeFilesTwoPhase(f.newSet(), calls);
    } catch (const VorlixError &) {
    }
    return calls.total;
}

// The key file, read as any program would: where the settings live.
QByteArray keyFileBytes()
{
    journalKey(); // made at first use
    return readAll(qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/Tarnby/save-journal.key"));
}

// A journal as our own writer lays it out, signed with this user's key or
// with a signature anyone could write.
struct JournalLine
{
    QByteArray path;
    bool hadOld;
    QByteArray newBytes;
};

QByteArray journalText(const QList<JournalLine> &lines, bool whole, bool signedByUs)
{
    const auto signature = [&](const QByteArray &before) {
        return signedByUs ? QMessageAuthenticationCode::hash(before, keyFileBytes(), QCryptographicHash::Sha256).toHex()
                          : QByteArray(64, 'a');
    };
    QByteArray j = "vorlix-save-journal 2\n";
    for (const JournalLine &l : lines)
        j += "plan " + l.path + '\n';
    j += "planned " + QByteArray::number(lines.size()) + ' ' + signature(j) + '\n';
    if (!whole)
        return j;
    for (const JournalLine &l : lines)
        j += QByteArray(l.hadOld ? "1 " : "0 ") + QByteArray::number(l.newBytes.size()) + ' '
            + QByteArray::number(saveContentHash(l.newBytes), 16).rightJustified(16, '0') + ' ' + l.path + '\n';
    return j + "end " + QByteArray::number(lines.size()) + ' ' + signature(j) + '\n';
}

// Everything below a folder, links not followed: what each entry is and
// holds.
QMap<QString, QByteArray> snapshot(const QString &dir)
{
    QMap<QString, QByteArray> out;
    QDirIterator it(dir, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString p = it.next();
        const QFileInfo info(p);
        const QString key = QDir(dir).relativeFilePath(p);
        if (info.isSymLink())
            out.insert(key, "link to " + QFile::encodeName(info.symLinkTarget()));
        else if (info.isDir())
            out.insert(key, "folder");
        else if (info.isFile())
            out.insert(key, readAll(p));
        else
            out.insert(key, "special");
    }
    return out;
}

QMap<QString, QByteArray> withoutJournals(QMap<QString, QByteArray> files)
{
    files.removeIf([](const auto &e) { return e.key().startsWith(QLatin1String(".vorlix-journal")); });
    return files;
}

void writeSheet(const QString &path)
{
    QImage sheet(275, 116, QImage::Format_RGB32); // a sheet, so the folder opens as a skin
    sheet.fill(Qt::red);
    QVERIFY(sheet.save(path, "BMP"));
}

} // namespace

class TestSaves : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        std::setlocale(LC_MESSAGES, "C"); // reasons checked in English
        // The journals' key goes with the settings: this test's own.
        QVERIFY(m_config.isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
    }

    void wholeSave();
    void failures_data();
    void failures();
    void killAt_data();
    void killAt();
    void killAtEveryCall_data();
    void killAtEveryCall();
    void tornJournal_data();
    void tornJournal();
    void attackFolders_data();
    void attackFolders();
    void theKeyIsTheUsersOwn();
    void failedUndo_data();
    void failedUndo();
    void cancelChangesNothing();
    void journalUnderAnotherName();
    void killDuringRecovery_data();
    void killDuringRecovery();
    void openingAFolderSettlesItFirst();
    void realKills();

private:
    QTemporaryDir m_config;
};

void TestSaves::wholeSave()
{
    Fixture f;
    writeFilesTwoPhase(f.newSet());
    QCOMPARE(f.state(), QStringLiteral("new"));
    QCOMPARE(f.leftovers(), QStringList());
}

void TestSaves::failures_data()
{
    QTest::addColumn<QByteArray>("kind");
    QTest::addColumn<int>("nth");
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("message"); // %1: the folder

    // The calls of the save, in order: the journal is made and its plan
    // written (open 1, write 1); each file's temporary is made and written
    // (open 2-5, write 2-5); each is flushed and closed (fdatasync 1-4);
    // the journal is closed and flushed (write 6, fdatasync 5); the two
    // folders are flushed (fsync 1-2); a, b and sub/d are swapped with
    // their temporaries (exchange 1-3), c is renamed (rename 1); the folders
    // are flushed again (fsync 3-4).
    QTest::newRow("the journal can't be made") << QByteArray("open") << 1 << EACCES
                                               << "Cannot create file %1/a.bmp: Permission denied";
    QTest::newRow("the plan can't be written") << QByteArray("write") << 1 << ENOSPC
                                               << "Cannot save into %1: No space left on device";
    const char *const files[] = {"a.bmp", "b.bmp", "c.txt", "sub/d.cur"};
    for (int i = 0; i < 4; ++i) {
        QTest::addRow("%s: its temporary can't be made", files[i])
            << QByteArray("open") << i + 2 << EROFS
            << QStringLiteral("Cannot create file %1/%2: Read-only file system").arg(QStringLiteral("%1"), files[i]);
        QTest::addRow("%s: the disk fills", files[i])
            << QByteArray("write") << i + 2 << ENOSPC
            << QStringLiteral("Cannot write file %1/%2: No space left on device").arg(QStringLiteral("%1"), files[i]);
        QTest::addRow("%s: its flush fails", files[i])
            << QByteArray("fdatasync") << i + 1 << EIO
            << QStringLiteral("Cannot write file %1/%2: Input/output error").arg(QStringLiteral("%1"), files[i]);
    }
    QTest::newRow("the journal can't be closed") << QByteArray("write") << 6 << ENOSPC
                                                 << "Cannot save into %1: No space left on device";
    QTest::newRow("the journal's flush fails") << QByteArray("fdatasync") << 5 << EIO
                                               << "Cannot save into %1: Input/output error";
    QTest::newRow("the folder's flush fails") << QByteArray("fsync") << 1 << EIO
                                              << "Cannot save into %1: Input/output error";
    QTest::newRow("a.bmp can't be replaced") << QByteArray("exchange") << 1 << EPERM
                                             << "Cannot replace file %1/a.bmp: Operation not permitted";
    QTest::newRow("b.bmp can't be replaced") << QByteArray("exchange") << 2 << EBUSY
                                             << "Cannot replace file %1/b.bmp: Device or resource busy";
    QTest::newRow("the new c.txt can't be put in place") << QByteArray("rename") << 1 << EACCES
                                                         << "Cannot replace file %1/c.txt: Permission denied";
    QTest::newRow("sub/d.cur, the last, can't be replaced")
        << QByteArray("exchange") << 3 << EPERM << "Cannot replace file %1/sub/d.cur: Operation not permitted";
    QTest::newRow("the folders' flush after the renames fails") << QByteArray("fsync") << 3 << EIO
                                                                << "Cannot save into %1: Input/output error";
}

void TestSaves::failures()
{
    QFETCH(QByteArray, kind);
    QFETCH(int, nth);
    QFETCH(int, error);
    QFETCH(QString, message);
    Fixture f;
    ScriptedCalls calls;
    calls.failures = {{kind, nth, error}};
    QString said;
    try {
        writeFilesTwoPhase(f.newSet(), calls);
    } catch (const VorlixError &e) {
        said = e.message();
    }
    QCOMPARE(said, message.arg(f.dir));
    QCOMPARE(f.state(), QStringLiteral("old"));
    QCOMPARE(f.leftovers(), QStringList());
    // Nothing is left for the next start to do.
    finishUnfinishedSave(f.dir);
    QCOMPARE(f.state(), QStringLiteral("old"));
}

void TestSaves::killAt_data()
{
    QTest::addColumn<QByteArray>("kind");
    QTest::addColumn<int>("nth");
    QTest::addColumn<bool>("canSwap");
    QTest::addColumn<QString>("expected");

    // Until the journal's closing lines are written the old set stays;
    // from then on the new set is complete and the next start finishes it.
    QTest::newRow("as the journal is made") << QByteArray("open") << 1 << true << "old";
    QTest::newRow("as the plan is written") << QByteArray("write") << 1 << true << "old";
    QTest::newRow("as b.bmp's temporary is made") << QByteArray("open") << 3 << true << "old";
    QTest::newRow("as c.txt is written") << QByteArray("write") << 4 << true << "old";
    QTest::newRow("as sub/d.cur's flush starts") << QByteArray("startWriteBack") << 4 << true << "old";
    QTest::newRow("as b.bmp is flushed") << QByteArray("fdatasync") << 2 << true << "old";
    QTest::newRow("as sub/d.cur's temporary is closed") << QByteArray("close") << 4 << true << "old";
    QTest::newRow("as the journal's closing lines are written") << QByteArray("write") << 6 << true << "old";
    QTest::newRow("as the journal is flushed") << QByteArray("fdatasync") << 5 << true << "new";
    QTest::newRow("as the folder is flushed") << QByteArray("fsync") << 1 << true << "new";
    QTest::newRow("at the 1st swap") << QByteArray("exchange") << 1 << true << "new";
    QTest::newRow("at the 2nd swap") << QByteArray("exchange") << 2 << true << "new";
    QTest::newRow("as the new c.txt is renamed") << QByteArray("rename") << 1 << true << "new";
    QTest::newRow("at the last swap") << QByteArray("exchange") << 3 << true << "new";
    QTest::newRow("as the folders are flushed after the renames") << QByteArray("fsync") << 3 << true << "new";
    QTest::newRow("as the 1st old file is removed") << QByteArray("unlink") << 1 << true << "new";
    QTest::newRow("as the journal is removed") << QByteArray("unlink") << 4 << true << "new";
    // Where names can't be swapped, plain renames: rename 1-4.
    QTest::newRow("no swaps: before the journal is closed") << QByteArray("write") << 6 << false << "old";
    QTest::newRow("no swaps: at the 1st rename") << QByteArray("rename") << 1 << false << "new";
    QTest::newRow("no swaps: at the 3rd rename") << QByteArray("rename") << 3 << false << "new";
    QTest::newRow("no swaps: as the journal is removed") << QByteArray("unlink") << 1 << false << "new";
}

void TestSaves::killAt()
{
    QFETCH(QByteArray, kind);
    QFETCH(int, nth);
    QFETCH(bool, canSwap);
    QFETCH(QString, expected);
    for (const QString &how : {QStringLiteral("start"), QStringLiteral("save")}) {
        Fixture f;
        f.killedSave(kind, nth, canSwap);
        f.next(how);
        QVERIFY2(f.state() == expected, qPrintable(how + QStringLiteral(": ") + f.state()));
        QVERIFY2(f.leftovers().isEmpty(), qPrintable(how + QStringLiteral(": ") + f.leftovers().join(u' ')));
    }
}

void TestSaves::killAtEveryCall_data()
{
    QTest::addColumn<bool>("canSwap");
    QTest::addColumn<int>("failingSwap"); // 0: none
    QTest::newRow("names swapped") << true << 0;
    QTest::newRow("plain renames") << false << 0;
    // sub/d.cur can't be replaced: the save puts a.bmp and b.bmp back and
    // removes c.txt; a kill can come at any of those steps too.
    QTest::newRow("a failed save undoing its renames") << true << 3;
}

void TestSaves::killAtEveryCall()
{
    QFETCH(bool, canSwap);
    QFETCH(int, failingSwap);
    // Every position, not only the named ones above: never a mix, never a
    // leftover, and in a save that goes through, once a kill leaves the new
    // set every later one does.
    const int total = callsOfASave(canSwap, failingSwap);
    QVERIFY(total > 30);
    bool sawNew = false;
    for (int k = 1; k <= total; ++k) {
        Fixture f;
        ScriptedCalls calls;
        calls.canSwap = canSwap;
        calls.failures = {{"exchange", failingSwap, EPERM}};
        calls.killKind = "any";
        calls.killNth = k;
        QVERIFY_THROWS_EXCEPTION(Killed, writeFilesTwoPhase(f.newSet(), calls));
        finishUnfinishedSave(f.dir);
        const QString state = f.state();
        QVERIFY2(state == QLatin1String("new") || (state == QLatin1String("old") && (!sawNew || failingSwap)),
                 qPrintable(QStringLiteral("killed at call %1: %2").arg(k).arg(state)));
        sawNew = sawNew || state == QLatin1String("new");
        QVERIFY2(f.leftovers().isEmpty(), qPrintable(QStringLiteral("killed at call %1").arg(k)));
    }
    QVERIFY(sawNew);
}

void TestSaves::tornJournal_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("planStillSigned");
    // Spoilt before the plan's signed line: nothing says the journal is
    // ours, so nothing of it is acted upon.
    QTest::newRow("empty") << "empty" << false;
    QTest::newRow("the header cut") << "cut 10" << false;
    QTest::newRow("cut in the plan") << "cut in plan" << false;
    QTest::newRow("zeros, as a power cut can leave") << "zeros" << false;
    QTest::newRow("a planned path changed") << "plan changed" << false;
    // The plan is ours and signed, the end isn't: cut short (or changed)
    // before a single rename.
    QTest::newRow("cut before the closing line") << "no end" << true;
    QTest::newRow("cut in the closing line") << "cut in end" << true;
    QTest::newRow("the closing line's newline missing") << "chop 1" << true;
    QTest::newRow("a size changed") << "size" << true;
    QTest::newRow("a stray line after the end") << "stray" << true;
    // Changed to match what is on disk: without the closing signature it
    // would read as sub/d.cur already in place and finish a mixed set.
    QTest::newRow("an entry changed to the old file's size and hash") << "old d" << true;
}

void TestSaves::tornJournal()
{
    QFETCH(QString, how);
    QFETCH(bool, planStillSigned);
    // The temporaries are complete, the journal whole, nothing renamed...
    Fixture f;
    f.killedSave("fsync", 1);
    const QString path = f.dir + QStringLiteral("/.vorlix-journal");
    QByteArray j = readAll(path);
    QVERIFY(j.startsWith("vorlix-save-journal 2\nplan a.bmp\n"));
    // ... then the journal is spoilt as a kill or a power cut while it was
    // written would leave it, or changed by hand. A journal that isn't
    // whole and signed can't be trusted to roll forward: the old set stays.
    const qsizetype end = j.lastIndexOf("end ");
    if (how == QLatin1String("empty"))
        j.clear();
    else if (how == QLatin1String("cut 10"))
        j.truncate(10);
    else if (how == QLatin1String("cut in plan"))
        j.truncate(j.indexOf("plan b.bmp") + 7);
    else if (how == QLatin1String("zeros"))
        j.fill('\0');
    else if (how == QLatin1String("plan changed"))
        j.replace("plan c.txt", "plan e.txt");
    else if (how == QLatin1String("no end"))
        j.truncate(end);
    else if (how == QLatin1String("cut in end"))
        j.truncate(end + 6);
    else if (how == QLatin1String("chop 1"))
        j.chop(1);
    else if (how == QLatin1String("size"))
        j.replace(" 13 ", " 12 "); // a.bmp's new size
    else if (how == QLatin1String("stray"))
        j += "plan e.bmp\n";
    else if (how == QLatin1String("old d")) {
        const QByteArray newD = "1 5 " + QByteArray::number(saveContentHash("new d"), 16).rightJustified(16, '0');
        const QByteArray oldD = "1 5 " + QByteArray::number(saveContentHash("old d"), 16).rightJustified(16, '0');
        QVERIFY(j.contains(newD + " sub/d.cur\n"));
        j.replace(newD, oldD);
    }
    writeFile(path, j);
    const QMap<QString, QByteArray> before = snapshot(f.dir);
    const SettleReport report = finishUnfinishedSave(f.dir);
    QCOMPARE(f.state(), QStringLiteral("old"));
    if (planStillSigned) {
        // Ours: the temporaries it names go, those in the subfolder too.
        QCOMPARE(f.leftovers(), QStringList());
        QVERIFY(report.isEmpty());
    } else {
        // Not known to be ours: left exactly as it is, and said.
        QCOMPARE(snapshot(f.dir), before);
        QCOMPARE(report.notOurs, QStringList{QStringLiteral(".vorlix-journal")});
        QVERIFY(report.message(f.dir).contains(f.dir));
    }
}

void TestSaves::attackFolders_data()
{
    QTest::addColumn<QString>("attack");
    QTest::addColumn<bool>("signedByUs");
    QTest::addColumn<bool>("byParts");
    // Each is a downloaded skin folder. Unsigned is what a stranger can
    // write; signed with this user's key shows that even our own journal
    // never reaches outside the folder.
    const QStringList throughLinks{"rolled back through a link: would delete",
                                   "rolled back through a relative link: would delete",
                                   "finished through a link: would overwrite",
                                   "cut short through a link: would remove a temporary outside",
                                   "a temporary that is a link to a file outside"};
    for (const QString &a : throughLinks)
        for (const bool signedByUs : {false, true})
            for (const bool byParts : {false, true})
                if (!byParts || signedByUs)
                    QTest::addRow("%s%s%s", qPrintable(a), signedByUs ? ", signed" : "",
                                  byParts ? ", walked by parts" : "")
                        << a << signedByUs << byParts;
    for (const char *a : {"temporaries of a stranger finished over main.bmp and pledit.txt",
                          "the journal is a folder", "the journal is a link to a journal outside",
                          "the journal is a FIFO"})
        QTest::newRow(a) << QString::fromLatin1(a) << false << false;
    QTest::newRow("80,000 plan lines") << "80,000 plan lines" << false << false;
    QTest::newRow("80,000 plan lines, signed") << "80,000 plan lines" << true << false;
}

void TestSaves::attackFolders()
{
    QFETCH(QString, attack);
    QFETCH(bool, signedByUs);
    QFETCH(bool, byParts);
    setResolveByParts(byParts);
    const auto resetResolve = qScopeGuard([] { setResolveByParts(false); });

    QTemporaryDir tmp;
    const QString outside = tmp.path() + QStringLiteral("/outside"), skin = tmp.path() + QStringLiteral("/skin");
    writeFile(outside + QStringLiteral("/victim.txt"), "precious");
    writeFile(outside + QStringLiteral("/.vorlix-tmp-victim.txt"), "the attacker's bytes");
    writeFile(outside + QStringLiteral("/.vorlix-journal"),
              journalText({{"victim.txt", true, "the attacker's bytes"}}, true, signedByUs));
    QVERIFY(QDir().mkpath(skin));
    writeSheet(skin + QStringLiteral("/main.bmp"));
    writeFile(skin + QStringLiteral("/pledit.txt"), "[Text]\nNormal=#00FF00\n");
    const QString journal = skin + QStringLiteral("/.vorlix-journal");
    const auto link = [](const QString &target, const QString &at) { QVERIFY(QFile::link(target, at)); };
    if (attack.contains(QLatin1String("relative link")))
        link(QStringLiteral("../outside"), skin + QStringLiteral("/h"));
    else if (attack.contains(QLatin1String("through a link")))
        link(outside, skin + QStringLiteral("/h"));

    if (attack.startsWith(QLatin1String("rolled back"))) {
        // h/victim.txt reads as a new file already in place, a.txt's new
        // file is missing: the way back removes the new files.
        writeFile(journal, journalText({{"h/victim.txt", false, "precious"}, {"a.txt", false, "x"}}, true, signedByUs));
    } else if (attack.startsWith(QLatin1String("finished"))) {
        writeFile(journal, journalText({{"h/victim.txt", true, "the attacker's bytes"}}, true, signedByUs));
    } else if (attack.startsWith(QLatin1String("cut short"))) {
        writeFile(journal, journalText({{"h/victim.txt", true, "x"}, {"a.txt", false, "x"}}, false, signedByUs));
    } else if (attack.startsWith(QLatin1String("a temporary that is a link"))) {
        link(outside + QStringLiteral("/victim.txt"), skin + QStringLiteral("/.vorlix-tmp-main.bmp"));
        writeFile(journal, journalText({{"main.bmp", true, "precious"}}, true, signedByUs));
    } else if (attack.startsWith(QLatin1String("temporaries of a stranger"))) {
        writeFile(skin + QStringLiteral("/.vorlix-tmp-main.bmp"), "the attacker's main.bmp");
        writeFile(skin + QStringLiteral("/.vorlix-tmp-pledit.txt"), "the attacker's pledit.txt");
        writeFile(journal, journalText({{"main.bmp", true, "the attacker's main.bmp"},
                                        {"pledit.txt", true, "the attacker's pledit.txt"}},
                                       true, signedByUs));
    } else if (attack == QLatin1String("the journal is a folder")) {
        QVERIFY(QDir().mkpath(journal + QStringLiteral("/inside")));
    } else if (attack == QLatin1String("the journal is a link to a journal outside")) {
        link(outside + QStringLiteral("/.vorlix-journal"), journal);
    } else if (attack == QLatin1String("the journal is a FIFO")) {
        QCOMPARE(::mkfifo(QFile::encodeName(journal).constData(), 0644), 0);
    } else if (attack == QLatin1String("80,000 plan lines")) {
        // Past what any save of ours holds: not ours, signed or not, and
        // read in one pass (a check of each line against all before it
        // took minutes here).
        QList<JournalLine> lines;
        for (int i = 0; i < 80000; ++i)
            lines.append({"h" + QByteArray::number(i) + ".bmp", false, "x"});
        writeFile(journal, journalText(lines, false, signedByUs));
        writeFile(skin + QStringLiteral("/.vorlix-tmp-h7.bmp"), "left as it is");
    }
    const QMap<QString, QByteArray> outsideBefore = snapshot(outside), skinBefore = snapshot(skin);

    // Opened: the program starts with it as its output folder, or the user
    // opens it. Nothing outside changes, nothing of the skin, and the user
    // hears of it.
    QString said;
    try {
        said = finishUnfinishedSave(skin).message(skin);
    } catch (const VorlixError &e) {
        said = e.message(); // a journal of ours that can't be settled
    }
    QVERIFY2(!said.isEmpty(), "nothing said");
    QCOMPARE(snapshot(outside), outsideBefore);
    if (signedByUs && !attack.startsWith(QLatin1String("80,000"))) {
        // Ours: settled as far as it stays inside; only the journal may go.
        QCOMPARE(withoutJournals(snapshot(skin)), withoutJournals(skinBefore));
        return;
    }
    QCOMPARE(snapshot(skin), skinBefore);

    const LoadedSkin loaded = readSkinFolder(skin);
    QVERIFY2(loaded.report().contains(QLatin1String("not made by you")), qPrintable(loaded.report()));
    QCOMPARE(snapshot(outside), outsideBefore);
    QCOMPARE(snapshot(skin), skinBefore);

    // And it doesn't stand in the way of a save into the folder.
    writeFilesTwoPhase({file(skin + QStringLiteral("/main.bmp"), "saved main.bmp"),
                        file(skin + QStringLiteral("/pledit.txt"), "saved pledit.txt")});
    QCOMPARE(readAll(skin + QStringLiteral("/main.bmp")), QByteArray("saved main.bmp"));
    QCOMPARE(readAll(skin + QStringLiteral("/pledit.txt")), QByteArray("saved pledit.txt"));
    QCOMPARE(snapshot(outside), outsideBefore);
    // The stranger's journal is still there, as it was.
    const QMap<QString, QByteArray> after = snapshot(skin);
    for (auto it = skinBefore.cbegin(); it != skinBefore.cend(); ++it)
        if (it.key().startsWith(QLatin1String(".vorlix-journal")))
            QCOMPARE(after.value(it.key()), it.value());
}

void TestSaves::theKeyIsTheUsersOwn()
{
    Fixture f;
    writeFilesTwoPhase(f.newSet());
    const QString key = m_config.path() + QStringLiteral("/Tarnby/save-journal.key");
    struct stat st;
    QCOMPARE(::stat(QFile::encodeName(key).constData(), &st), 0);
    QCOMPARE(st.st_mode & 0777, 0600u);
    QCOMPARE(qint64(st.st_size), qint64(32));
    // Never in the folder saved into.
    QCOMPARE(f.leftovers(), QStringList());
}

void TestSaves::failedUndo_data()
{
    QTest::addColumn<bool>("canSwap");
    QTest::addColumn<QByteArray>("failing"); // "kind nth" pairs, errno EIO
    QTest::addColumn<QString>("expected");
    // sub/d.cur can't be replaced, and putting b.bmp's old file back fails
    // as well (c.txt was rename 1, b.bmp's way back is rename 2): the
    // journal stays, and the next start puts b.bmp back.
    QTest::newRow("an old file can't be put back") << true << QByteArray("exchange 3 rename 2") << "old";
    // The same, with the new c.txt (no old file) already in place and its
    // removal failing: the next start removes it.
    QTest::newRow("a brand-new file in place can't be removed") << true << QByteArray("exchange 3 unlink 1") << "old";
    // Without swaps a.bmp and b.bmp replaced their old files for good when
    // c.txt's rename fails: there is no way back, so the journal stays and
    // the next start finishes the new set.
    QTest::newRow("renamed over old files, no way back") << false << QByteArray("rename 3") << "new";
}

void TestSaves::failedUndo()
{
    QFETCH(bool, canSwap);
    QFETCH(QByteArray, failing);
    QFETCH(QString, expected);
    Fixture f;
    ScriptedCalls calls;
    calls.canSwap = canSwap;
    const QList<QByteArray> words = failing.split(' ');
    for (qsizetype i = 0; i + 1 < words.size(); i += 2)
        calls.failures.append({words[i], words[i + 1].toInt(), EIO});
    QVERIFY_THROWS_EXCEPTION(VorlixError, writeFilesTwoPhase(f.newSet(), calls));
    QVERIFY(QFile::exists(f.dir + QStringLiteral("/.vorlix-journal")));
    finishUnfinishedSave(f.dir);
    QCOMPARE(f.state(), expected);
    QCOMPARE(f.leftovers(), QStringList());
}

void TestSaves::cancelChangesNothing()
{
    // A whole journal, every new file waiting as its temporary: settling
    // would rename them all. A Cancel while the files are checked stops it
    // before the first change.
    Fixture f;
    f.killedSave("fsync", 1);
    const QMap<QString, QByteArray> before = snapshot(f.dir);
    JobProgress progress;
    int reports = 0;
    progress.onReport = [&](JobProgress &p) {
        ++reports;
        p.requestCancel();
    };
    QVERIFY_THROWS_EXCEPTION(JobCancelled, finishUnfinishedSave(f.dir, systemSaveCalls(), &progress));
    QCOMPARE(reports, 1);
    QCOMPARE(snapshot(f.dir), before);
    finishUnfinishedSave(f.dir);
    QCOMPARE(f.state(), QStringLiteral("new"));
}

void TestSaves::journalUnderAnotherName()
{
    // ".vorlix-journal" is a stranger's folder: the save's journal takes
    // another name, and after a kill the next start still finds and
    // finishes it, leaving the stranger's folder as it was.
    Fixture f;
    QVERIFY(QDir().mkpath(f.dir + QStringLiteral("/.vorlix-journal")));
    f.killedSave("exchange", 2);
    QStringList journals = QDir(f.dir).entryList({QStringLiteral(".vorlix-journal-*")}, QDir::Files | QDir::Hidden);
    QCOMPARE(journals.size(), 1);
    const SettleReport report = finishUnfinishedSave(f.dir);
    QCOMPARE(f.state(), QStringLiteral("new"));
    QCOMPARE(f.leftovers(), QStringList());
    QVERIFY(QFileInfo(f.dir + QStringLiteral("/.vorlix-journal")).isDir());
    QCOMPARE(report.notOurs, QStringList{QStringLiteral(".vorlix-journal")});
}

void TestSaves::killDuringRecovery_data()
{
    QTest::addColumn<bool>("loseATemporary");
    QTest::addColumn<QString>("expected");
    // Killed after a.bmp's swap: b, c and sub/d still wait as temporaries.
    QTest::newRow("finishing the renames") << false << "new";
    // The same, with b.bmp's new file gone: a.bmp's old file is put back.
    QTest::newRow("putting the old files back") << true << "old";
}

void TestSaves::killDuringRecovery()
{
    QFETCH(bool, loseATemporary);
    QFETCH(QString, expected);
    for (int k = 1;; ++k) {
        Fixture f;
        f.killedSave("exchange", 2);
        if (loseATemporary)
            QVERIFY(QFile::remove(f.dir + QStringLiteral("/.vorlix-tmp-b.bmp")));
        ScriptedCalls calls;
        calls.killKind = "any";
        calls.killNth = k;
        bool killed = false;
        try {
            finishUnfinishedSave(f.dir, calls);
        } catch (const Killed &) {
            killed = true;
        }
        // The start after that one.
        finishUnfinishedSave(f.dir);
        QVERIFY2(f.state() == expected, qPrintable(QStringLiteral("killed at call %1: %2").arg(k).arg(f.state())));
        QVERIFY2(f.leftovers().isEmpty(), qPrintable(QStringLiteral("killed at call %1").arg(k)));
        if (!killed)
            break;
        QVERIFY(k < 100);
    }
}

void TestSaves::openingAFolderSettlesItFirst()
{
    Fixture f;
    QImage sheet(275, 116, QImage::Format_RGB32); // a sheet, so the folder opens as a skin
    sheet.fill(Qt::red);
    QVERIFY(sheet.save(f.dir + QStringLiteral("/main.bmp"), "BMP"));
    f.killedSave("exchange", 2); // a.bmp new, the rest still old
    const LoadedSkin skin = readSkinFolder(f.dir);
    QMap<QString, QByteArray> read;
    for (const SkinFile &file : skin.set.files)
        if (file.path != QLatin1String("main.bmp"))
            read.insert(file.path, file.bytes);
    const QMap<QString, QByteArray> expected{
        {"a.bmp", "new a, longer"}, {"b.bmp", "new b"}, {"c.txt", "new c"}, {"sub/d.cur", "new d"}};
    QCOMPARE(read, expected);
    QCOMPARE(f.leftovers(), QStringList());
}

void TestSaves::realKills()
{
    // A child saves two sets in turn as fast as it can and is killed at
    // random moments; after each kill the next start leaves one set whole.
    Fixture f;
    const QStringList names{"a.bmp", "b.bmp", "c.txt", "sub/d.cur"};
    const auto set = [&](const QByteArray &tag) {
        QList<FileToWrite> files;
        for (const QString &n : names)
            files << file(f.dir + QLatin1Char('/') + n, tag + n.toLatin1() + QByteArray(int(n.size()) * 700, 'x'));
        return files;
    };
    const QList<FileToWrite> one = set("one "), two = set("two ");
    writeFilesTwoPhase(one);
    QRandomGenerator random(20261211);
    int seenOne = 0, seenTwo = 0;
    for (int round = 0; round < 40; ++round) {
        const pid_t child = ::fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            for (;;) {
                writeFilesTwoPhase(two);
                writeFilesTwoPhase(one);
            }
        }
        ::usleep(useconds_t(random.bounded(2000, 30000)));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        finishUnfinishedSave(f.dir);
        QStringList tags;
        for (const QString &n : names)
            tags << QString::fromLatin1(readAll(f.dir + QLatin1Char('/') + n).left(4));
        QVERIFY2(tags == QStringList(4, QStringLiteral("one ")) || tags == QStringList(4, QStringLiteral("two ")),
                 qPrintable(QStringLiteral("round %1: %2").arg(round).arg(tags.join(u'|'))));
        (tags.first() == QLatin1String("one ") ? seenOne : seenTwo)++;
        QCOMPARE(f.leftovers(), QStringList());
    }
    qInfo("whole sets after the kills: %d of the first, %d of the second", seenOne, seenTwo);
}

QTEST_GUILESS_MAIN(TestSaves)
#include "tst_saves.moc"
