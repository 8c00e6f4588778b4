// libFuzzer target: a skin folder as a stranger may leave it, with a save
// journal, settled as opening the folder settles it. The input lays out the
// folder, then gives the journal:
//   f <path> <content>   a file
//   l <path> <target>    a link (to ../outside/..., or within the folder)
//   d <path>             a folder
//   p <path>             a FIFO
//   ---
//   <the journal's text>
// "SIG" at the end of a "planned" or "end" line is replaced by the signature
// this user's key gives what comes before it, so that journals of ours are
// reached as well as strangers'. Beside the skin lies a folder "outside"
// with a file, a temporary and a journal of its own. A finding: a crash or
// sanitizer report, anything outside changed, a failure that isn't a
// VorlixError, or a second settle that changes what the first one left.
//
// With --make-seeds <skins folder> <out folder> it writes seeds instead:
// for each skin folder, a save of its file names killed at a few steps.
#include "output/JournalKey.h"
#include "output/SkinWriter.h"
#include "platform/Errors.h"

#include <QByteArray>
#include <QDir>
#include <QMap>
#include <QTemporaryDir>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace vorlix;

namespace {

constexpr int kMaxEntries = 32;
constexpr qsizetype kMaxContent = 256;

// The real calls but the flushes, which cost milliseconds each on a disk and
// change nothing a later read sees.
class NoFlushCalls final : public SaveCalls
{
public:
    int startWriteBack(int) override { return 0; }
    int fdatasync(int) override { return 0; }
    int fsync(int) override { return 0; }
};

NoFlushCalls &calls()
{
    static NoFlushCalls c;
    return c;
}

QByteArray g_base; // holds skin/ and outside/

// Removes everything below a folder, by descriptor, never through a link.
void clearFolder(int dirFd)
{
    const int listFd = ::openat(dirFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR *dir = listFd >= 0 ? ::fdopendir(listFd) : nullptr;
    if (!dir)
        return;
    QList<QByteArray> names;
    while (const dirent *e = ::readdir(dir))
        if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
            names << QByteArray(e->d_name);
    ::closedir(dir);
    for (const QByteArray &n : std::as_const(names)) {
        if (::unlinkat(dirFd, n.constData(), 0) == 0)
            continue;
        const int sub = ::openat(dirFd, n.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (sub >= 0) {
            ::fchmod(sub, 0700);
            clearFolder(sub);
            ::close(sub);
        }
        ::unlinkat(dirFd, n.constData(), AT_REMOVEDIR);
    }
}

void clear(const QByteArray &path)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd >= 0) {
        clearFolder(fd);
        ::close(fd);
    }
}

void put(const QByteArray &path, const QByteArray &bytes)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644);
    if (fd < 0)
        return;
    if (::write(fd, bytes.constData(), size_t(bytes.size())) != bytes.size())
        std::fprintf(stderr, "fuzz_journal: short write\n");
    ::close(fd);
}

// What each entry below a folder is and holds, links not followed.
void snapshot(const QByteArray &dir, const QByteArray &prefix, bool withBytes, QMap<QByteArray, QByteArray> &out)
{
    DIR *d = ::opendir(dir.constData());
    if (!d)
        return;
    while (const dirent *e = ::readdir(d)) {
        const QByteArray name(e->d_name);
        if (name == "." || name == "..")
            continue;
        const QByteArray path = dir + '/' + name, key = prefix + name;
        struct stat st;
        if (::lstat(path.constData(), &st) != 0)
            continue;
        if (S_ISLNK(st.st_mode)) {
            char target[4096];
            const ssize_t n = ::readlink(path.constData(), target, sizeof target);
            out.insert(key, "link " + QByteArray(target, n > 0 ? int(n) : 0));
        } else if (S_ISDIR(st.st_mode)) {
            out.insert(key, "folder");
            snapshot(path, key + '/', withBytes, out);
        } else if (S_ISREG(st.st_mode) && !withBytes) {
            // Nothing is ever rewritten in place: a file that changes
            // becomes another file under the name.
            out.insert(key, "file " + QByteArray::number(qulonglong(st.st_ino)) + ' '
                                + QByteArray::number(qlonglong(st.st_size)));
        } else if (S_ISREG(st.st_mode)) {
            QByteArray bytes(qsizetype(std::min<off_t>(st.st_size, 1 << 20)), '\0');
            const int fd = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
            if (fd >= 0) {
                bytes.resize(qsizetype(std::max<ssize_t>(0, ::read(fd, bytes.data(), size_t(bytes.size())))));
                ::close(fd);
            }
            out.insert(key, "file " + bytes);
        } else {
            out.insert(key, "special");
        }
    }
    ::closedir(d);
}

QMap<QByteArray, QByteArray> snapshot(const QByteArray &dir, bool withBytes = true)
{
    QMap<QByteArray, QByteArray> out;
    snapshot(dir, QByteArray(), withBytes, out);
    return out;
}

// A path the layout may create: inside the skin, by plain parts.
bool insidePath(const QByteArray &p)
{
    if (p.isEmpty() || p.startsWith('/') || p.size() > 200)
        return false;
    for (const QByteArray &part : p.split('/'))
        if (part.isEmpty() || part == "." || part == "..")
            return false;
    return true;
}

// "SIG" closing a planned or end line becomes the signature of what is
// before that line.
QByteArray signedJournal(const QByteArray &text)
{
    QByteArray out;
    qsizetype at = 0;
    while (at < text.size()) {
        qsizetype nl = text.indexOf('\n', at);
        const qsizetype end = nl < 0 ? text.size() : nl + 1;
        QByteArray line = text.mid(at, end - at);
        if ((line.startsWith("planned ") || line.startsWith("end ")) && line.endsWith(" SIG\n"))
            line = line.left(line.size() - 4) + journalSignature(out) + '\n';
        out += line;
        at = end;
    }
    return out;
}

// The skin folder as the input lays it out; the journal's text.
QByteArray layOut(const QByteArray &input, const QByteArray &skin)
{
    const qsizetype split = input.indexOf("---\n");
    const QByteArray layout = split < 0 ? QByteArray() : input.left(split);
    const QByteArray journal = split < 0 ? input : input.mid(split + 4);
    int count = 0;
    for (const QByteArray &line : layout.split('\n')) {
        if (line.size() < 3 || line[1] != ' ' || ++count > kMaxEntries)
            continue;
        const qsizetype space = line.indexOf(' ', 2);
        const QByteArray path = space < 0 ? line.mid(2) : line.mid(2, space - 2);
        const QByteArray rest = space < 0 ? QByteArray() : line.mid(space + 1).left(kMaxContent);
        if (!insidePath(path))
            continue;
        const QByteArray full = skin + '/' + path;
        switch (line[0]) {
        case 'f':
            put(full, rest);
            break;
        case 'l': {
            // Out only as far as the sandbox's own outside folder.
            const bool safe = rest.startsWith("../outside") ? !rest.mid(10).contains("..")
                                                            : insidePath(rest) && !rest.contains("..");
            if (::symlink(safe ? rest.constData() : "../outside/victim.txt", full.constData()) != 0)
                continue;
            break;
        }
        case 'd':
            ::mkdir(full.constData(), 0755);
            break;
        case 'p':
            ::mkfifo(full.constData(), 0644);
            break;
        default:
            break;
        }
    }
    return journal;
}

// Seeds: the files of each skin folder below `skins`, saved anew into a
// copy of their names, killed at several calls.
struct Killed
{
};

class KillingCalls final : public SaveCalls
{
public:
    int killAt = 0, seen = 0;
    void step()
    {
        if (++seen == killAt)
            throw Killed{};
    }
    int open(int d, const QByteArray &n, int f, unsigned m) override { return step(), SaveCalls::open(d, n, f, m); }
    int rename(int d, const QByteArray &a, const QByteArray &b) override { return step(), SaveCalls::rename(d, a, b); }
    int exchange(int d, const QByteArray &a, const QByteArray &b) override
    {
        return step(), SaveCalls::exchange(d, a, b);
    }
    int unlink(int d, const QByteArray &n) override { return step(), SaveCalls::unlink(d, n); }
    int startWriteBack(int) override { return 0; }
    int fdatasync(int) override { return 0; }
    int fsync(int) override { return 0; }
};

// The folder written back as a seed: its layout, then its journal with the
// signatures taken out again.
QByteArray seedOf(const QByteArray &folder)
{
    QByteArray layout, journal;
    const QMap<QByteArray, QByteArray> files = snapshot(folder);
    for (auto it = files.cbegin(); it != files.cend(); ++it) {
        if (it.key() == kJournalName) {
            journal = it.value().mid(5);
            continue;
        }
        if (it.value() == "folder")
            layout += "d " + it.key() + '\n';
        else if (it.value().startsWith("file "))
            layout += "f " + it.key() + ' ' + it.value().mid(5).left(kMaxContent).replace('\n', ' ') + '\n';
    }
    QByteArray unsignedJournal;
    for (QByteArray line : journal.split('\n')) {
        if (line.startsWith("planned ") || line.startsWith("end "))
            line = line.left(line.lastIndexOf(' ')) + " SIG";
        if (!line.isEmpty())
            unsignedJournal += line + '\n';
    }
    return layout + "---\n" + unsignedJournal;
}

int makeSeeds(const char *skins, const char *out)
{
    QDir().mkpath(QString::fromLocal8Bit(out));
    int made = 0;
    const QDir root(QString::fromLocal8Bit(skins));
    for (const QString &skinName : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QStringList names;
        const QDir skinDir(root.filePath(skinName));
        for (const QString &n : skinDir.entryList(QDir::Files))
            names << n;
        if (names.isEmpty())
            continue;
        names = names.mid(0, 10); // as many as a skin has sheets: enough for every step
        // The calls of such a save: the journal made, a temporary made
        // for each file, a swap for each, then the old files and the
        // journal removed. Killed in each of those stretches.
        const int n = int(names.size());
        for (const int killAt : {2, 1 + n / 2, n + 2, n + 2 + n / 2, 2 * n + 2, 3 * n + 2}) {
            QTemporaryDir tmp;
            const QString folder = tmp.path();
            QList<FileToWrite> files;
            for (const QString &n : names) {
                QFile old(folder + QLatin1Char('/') + n);
                if (old.open(QIODevice::WriteOnly))
                    old.write("old " + n.toUtf8());
                FileToWrite f;
                f.path = folder + QLatin1Char('/') + n;
                f.bytes = "new " + n.toUtf8();
                files << f;
            }
            KillingCalls killing;
            killing.killAt = killAt;
            try {
                writeFilesTwoPhase(files, killing);
            } catch (const Killed &) {
            } catch (const VorlixError &) {
            }
            const QByteArray seed = seedOf(QFile::encodeName(folder));
            put(QByteArray(out) + '/' + QFile::encodeName(skinName) + '-' + QByteArray::number(killAt), seed);
            ++made;
        }
    }
    // Without installed skins there are none: the run starts from nothing.
    std::printf("fuzz_journal: %d seeds in %s\n", made, out);
    return 0;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    // The key goes with the settings: a folder of the run's own.
    static QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    for (int i = 1; i + 2 < *argc; ++i)
        if (std::strcmp((*argv)[i], "--make-seeds") == 0)
            std::exit(makeSeeds((*argv)[i + 1], (*argv)[i + 2]));
    // On a memory file system where there is one: thousands of folders a
    // second are laid out and cleared.
    static QTemporaryDir base(QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm/fuzz_journal-XXXXXX")
                                                                        : QDir::tempPath() + QStringLiteral("/fuzz_journal-XXXXXX"));
    g_base = QFile::encodeName(base.path());
    ::mkdir((g_base + "/skin").constData(), 0755);
    ::mkdir((g_base + "/outside").constData(), 0755);
    // Emptied by descriptor before the folder itself goes, whatever the
    // last input left there.
    std::atexit([] {
        clear(g_base + "/skin");
        clear(g_base + "/outside");
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    const QByteArray skin = g_base + "/skin", outside = g_base + "/outside";
    clear(skin);
    const QByteArray journal = signedJournal(layOut(input, skin));
    if (!journal.isEmpty())
        put(skin + '/' + kJournalName, journal); // not where the layout put something else
    // Made once: any change to it is a finding.
    static const QMap<QByteArray, QByteArray> outsideBefore = [&] {
        put(outside + "/victim.txt", "precious");
        put(outside + "/.vorlix-tmp-victim.txt", "the attacker's bytes");
        put(outside + "/.vorlix-journal", signedJournal("vorlix-save-journal 2\nplan victim.txt\nplanned 1 SIG\n"
                                                        "1 20 0000000000000000 victim.txt\nend 1 SIG\n"));
        return snapshot(outside);
    }();

    bool settled = true;
    try {
        finishUnfinishedSave(QFile::decodeName(skin), calls());
    } catch (const VorlixError &e) {
        settled = false;
        if (e.message().isEmpty()) {
            std::fprintf(stderr, "fuzz_journal: a failure that says nothing\n");
            std::abort();
        }
    }
    if (snapshot(outside) != outsideBefore) {
        std::fprintf(stderr, "fuzz_journal: the folder outside the skin changed\n");
        std::abort();
    }
    if (settled) {
        const QMap<QByteArray, QByteArray> once = snapshot(skin, false);
        try {
            finishUnfinishedSave(QFile::decodeName(skin), calls());
        } catch (const VorlixError &) {
            std::fprintf(stderr, "fuzz_journal: settled, then failed to settle again\n");
            std::abort();
        }
        if (snapshot(skin, false) != once) {
            std::fprintf(stderr, "fuzz_journal: a second settle changed the folder\n");
            std::abort();
        }
    }
    return 0;
}
