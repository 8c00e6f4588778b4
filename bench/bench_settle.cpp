// Settling a folder before it is read or saved into: what a stranger's long
// journal costs (one pass, then left alone), what our own largest journal
// costs to finish, and how soon a Cancel stops the check. Journals of ours
// are made by a real save into a temporary folder, killed as its renames
// begin. Asserts nothing.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <atomic>
#include <cstdio>
#include <thread>

#include "output/SkinWriter.h"
#include "platform/BackgroundJob.h"

using namespace vorlix;

namespace {

struct Killed
{
};

// Stops a save at its first swap or rename, as a kill would: the journal is
// whole, every new file waits as its temporary.
class StopAtRenames final : public SaveCalls
{
public:
    int rename(int, const QByteArray &, const QByteArray &) override { throw Killed{}; }
    int exchange(int, const QByteArray &, const QByteArray &) override { throw Killed{}; }
    int fdatasync(int) override { return 0; } // flushes time the disk, not us
    int fsync(int) override { return 0; }
};

void unfinishedSave(const QString &dir, int files, qsizetype bytes)
{
    QList<FileToWrite> set;
    for (int i = 0; i < files; ++i) {
        FileToWrite f;
        f.path = dir + QStringLiteral("/f%1.bmp").arg(i);
        f.bytes = QByteArray(bytes, char('a' + i % 26));
        QFile old(f.path);
        if (old.open(QIODevice::WriteOnly))
            old.write("old");
        set << f;
    }
    StopAtRenames calls;
    try {
        writeFilesTwoPhase(set, calls);
    } catch (const Killed &) {
    }
}

double settleMs(const QString &dir)
{
    QElapsedTimer t;
    t.start();
    finishUnfinishedSave(dir);
    return double(t.nsecsElapsed()) / 1e6;
}

void foreignJournal(int lines)
{
    QTemporaryDir tmp;
    QByteArray j = "vorlix-save-journal 2\n";
    for (int i = 0; i < lines; ++i)
        j += "plan " + QByteArray::number(i) + '\n';
    QFile f(tmp.path() + QStringLiteral("/.vorlix-journal"));
    if (f.open(QIODevice::WriteOnly))
        f.write(j);
    f.close();
    std::printf("a stranger's journal of %d plan lines (%.1f MB): %.1f ms, left as it is\n", lines,
                double(j.size()) / 1e6, settleMs(tmp.path()));
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));

    foreignJournal(80000);
    foreignJournal(1100000);

    for (const int files : {20, 1000, 10000}) {
        QTemporaryDir tmp;
        unfinishedSave(tmp.path(), files, 4096);
        std::printf("our own journal of %d files of 4 kB, finished: %.1f ms\n", files, settleMs(tmp.path()));
    }

    // A Cancel pressed while our largest journal's files are checked.
    QTemporaryDir tmp;
    unfinishedSave(tmp.path(), 10000, 64 * 1024);
    JobProgress progress;
    std::atomic<qint64> stoppedAt{0};
    QElapsedTimer clock;
    clock.start();
    std::thread worker([&] {
        try {
            finishUnfinishedSave(tmp.path(), systemSaveCalls(), &progress);
        } catch (const JobCancelled &) {
        }
        stoppedAt = clock.nsecsElapsed();
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    const qint64 pressed = clock.nsecsElapsed();
    progress.requestCancel();
    worker.join();
    std::printf("Cancel while 10000 files of 64 kB are checked: stopped %.2f ms after it was pressed\n",
                double(stoppedAt - pressed) / 1e6);
    return 0;
}
