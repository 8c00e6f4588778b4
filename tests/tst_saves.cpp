// Saving a set of files all or nothing: a failure at each step of a save, a
// kill at each step (and during the clean-up after it), and journals cut
// short, each followed by what the next start or save makes of the folder.
#include <QImage>
#include <QtTest>

#include "editor/SkinFiles.h"
#include "output/SkinWriter.h"
#include "platform/Errors.h"

#include <cerrno>
#include <clocale>
#include <csignal>
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

    int open(const QByteArray &path, int flags, unsigned mode) override
    {
        return step("open") ? -1 : SaveCalls::open(path, flags, mode);
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
    int rename(const QByteArray &from, const QByteArray &to) override
    {
        return step("rename") ? -1 : SaveCalls::rename(from, to);
    }
    int exchange(const QByteArray &a, const QByteArray &b) override
    {
        if (step("exchange"))
            return -1;
        if (!canSwap) {
            errno = EINVAL;
            return -1;
        }
        return SaveCalls::exchange(a, b);
    }
    int unlink(const QByteArray &path) override { return step("unlink") ? -1 : SaveCalls::unlink(path); }

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

} // namespace

class TestSaves : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { std::setlocale(LC_MESSAGES, "C"); } // reasons checked in English

    void wholeSave();
    void failures_data();
    void failures();
    void killAt_data();
    void killAt();
    void killAtEveryCall_data();
    void killAtEveryCall();
    void tornJournal_data();
    void tornJournal();
    void journalStaysInsideItsFolder();
    void oldFileThatCannotBePutBack();
    void killDuringRecovery_data();
    void killDuringRecovery();
    void openingAFolderSettlesItFirst();
    void realKills();
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
    QTest::newRow("empty") << "empty";
    QTest::newRow("the header cut") << "cut 10";
    QTest::newRow("cut in the plan") << "cut in plan";
    QTest::newRow("cut before the closing line") << "no end";
    QTest::newRow("cut in the closing line") << "cut in end";
    QTest::newRow("the closing line's newline missing") << "chop 1";
    QTest::newRow("a size changed") << "size";
    QTest::newRow("a stray line after the end") << "stray";
    QTest::newRow("zeros, as a power cut can leave") << "zeros";
}

void TestSaves::tornJournal()
{
    QFETCH(QString, how);
    // The temporaries are complete, the journal whole, nothing renamed...
    Fixture f;
    f.killedSave("fsync", 1);
    const QString path = f.dir + QStringLiteral("/.vorlix-journal");
    QByteArray j = readAll(path);
    QVERIFY(j.startsWith("vorlix-save-journal 1\nplan a.bmp\n"));
    // ... then the journal is spoilt as a kill or a power cut while it was
    // written would leave it. A journal that isn't whole can't be trusted
    // to roll forward: the old set stays.
    const qsizetype end = j.lastIndexOf("end ");
    if (how == QLatin1String("empty"))
        j.clear();
    else if (how == QLatin1String("cut 10"))
        j.truncate(10);
    else if (how == QLatin1String("cut in plan"))
        j.truncate(j.indexOf("plan b.bmp") + 7);
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
    else if (how == QLatin1String("zeros"))
        j.fill('\0');
    writeFile(path, j);
    f.next(QStringLiteral("start"));
    QCOMPARE(f.state(), QStringLiteral("old"));
    // Temporaries in the subfolder go too where the plan names them; a
    // journal without a plan leaves them, hidden from every reader.
    QStringList left = f.leftovers();
    left.removeAll(QStringLiteral("sub/.vorlix-tmp-d.cur"));
    QCOMPARE(left, QStringList());
}

void TestSaves::journalStaysInsideItsFolder()
{
    QTemporaryDir outer;
    const QString dir = outer.path() + QStringLiteral("/skin");
    writeFile(outer.path() + QStringLiteral("/.vorlix-tmp-victim.bmp"), "not ours to touch");
    writeFile(dir + QStringLiteral("/.vorlix-journal"),
              "vorlix-save-journal 1\nplan ../victim.bmp\nplan /etc/.vorlix-tmp-passwd\n");
    finishUnfinishedSave(dir);
    QCOMPARE(readAll(outer.path() + QStringLiteral("/.vorlix-tmp-victim.bmp")), QByteArray("not ours to touch"));
    QVERIFY(!QFile::exists(dir + QStringLiteral("/.vorlix-journal")));
}

void TestSaves::oldFileThatCannotBePutBack()
{
    // sub/d.cur can't be replaced, and putting b.bmp's old file back fails
    // as well (c.txt was rename 1, b.bmp's way back is rename 2): the
    // journal stays, and the next start puts b.bmp back.
    Fixture f;
    ScriptedCalls calls;
    calls.failures = {{"exchange", 3, EPERM}, {"rename", 2, EIO}};
    QVERIFY_THROWS_EXCEPTION(VorlixError, writeFilesTwoPhase(f.newSet(), calls));
    QVERIFY(QFile::exists(f.dir + QStringLiteral("/.vorlix-journal")));
    finishUnfinishedSave(f.dir);
    QCOMPARE(f.state(), QStringLiteral("old"));
    QCOMPARE(f.leftovers(), QStringList());
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
