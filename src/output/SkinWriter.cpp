#include "output/SkinWriter.h"

#include "output/JournalKey.h"
#include "platform/BeneathPath.h"
#include "platform/Errors.h"
#include "platform/NativeName.h"
#include "platform/ZipLib.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRandomGenerator>
#include <QSet>
#include <QtEndian>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace vorlix {

// ---- The real calls --------------------------------------------------------

int SaveCalls::open(int dirFd, const QByteArray &name, int flags, unsigned mode)
{
    int fd;
    do
        fd = ::openat(dirFd, name.constData(), flags | O_NOFOLLOW, mode_t(mode));
    while (fd < 0 && errno == EINTR);
    return fd;
}

long SaveCalls::write(int fd, const char *data, unsigned long size)
{
    return long(::write(fd, data, size));
}

int SaveCalls::fchmod(int fd, unsigned mode)
{
    return ::fchmod(fd, mode_t(mode));
}

int SaveCalls::startWriteBack(int fd)
{
#ifdef __linux__
    return ::sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE);
#else
    Q_UNUSED(fd);
    return 0;
#endif
}

int SaveCalls::fdatasync(int fd)
{
#ifdef __APPLE__
    return ::fsync(fd);
#else
    return ::fdatasync(fd);
#endif
}

int SaveCalls::fsync(int fd)
{
    return ::fsync(fd);
}

int SaveCalls::close(int fd)
{
    return ::close(fd);
}

int SaveCalls::rename(int dirFd, const QByteArray &from, const QByteArray &to)
{
    return ::renameat(dirFd, from.constData(), dirFd, to.constData());
}

int SaveCalls::exchange(int dirFd, const QByteArray &a, const QByteArray &b)
{
#if defined(__linux__) && defined(RENAME_EXCHANGE)
    return ::renameat2(dirFd, a.constData(), dirFd, b.constData(), RENAME_EXCHANGE);
#else
    Q_UNUSED(dirFd);
    Q_UNUSED(a);
    Q_UNUSED(b);
    errno = EINVAL;
    return -1;
#endif
}

int SaveCalls::unlink(int dirFd, const QByteArray &name)
{
    return ::unlinkat(dirFd, name.constData(), 0);
}

int SaveCalls::link(int fd, int dirFd, const QByteArray &name)
{
    // Linking a descriptor by itself needs a privilege; through /proc it
    // doesn't.
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd);
    return ::linkat(AT_FDCWD, self.constData(), dirFd, name.constData(), AT_SYMLINK_FOLLOW);
}

SaveCalls &systemSaveCalls()
{
    static SaveCalls calls;
    return calls;
}

namespace {

// ---- Names and messages ----------------------------------------------------

QString withPrefix(const QString &finalPath, const char *prefix)
{
    // Plain string work: the folder part stays exactly as given.
    const qsizetype slash = finalPath.lastIndexOf(QLatin1Char('/'));
    return finalPath.left(slash + 1) + QLatin1String(prefix) + finalPath.mid(slash + 1);
}

// The system's words for an errno (safe on the worker that reads skins).
QString reason(int error)
{
    return qt_error_string(error);
}

[[noreturn]] void fail(const char *what, const QString &path, int error)
{
    throw VorlixError(QStringLiteral("%1 %2: %3").arg(QLatin1String(what), path, reason(error)));
}

unsigned modeOf(QFileDevice::Permissions p)
{
    unsigned m = 0;
    const auto bit = [&](QFileDevice::Permissions any, unsigned value) {
        if (p & any)
            m |= value;
    };
    bit(QFileDevice::ReadOwner | QFileDevice::ReadUser, S_IRUSR);
    bit(QFileDevice::WriteOwner | QFileDevice::WriteUser, S_IWUSR);
    bit(QFileDevice::ExeOwner | QFileDevice::ExeUser, S_IXUSR);
    bit(QFileDevice::ReadGroup, S_IRGRP);
    bit(QFileDevice::WriteGroup, S_IWGRP);
    bit(QFileDevice::ExeGroup, S_IXGRP);
    bit(QFileDevice::ReadOther, S_IROTH);
    bit(QFileDevice::WriteOther, S_IWOTH);
    bit(QFileDevice::ExeOther, S_IXOTH);
    return m;
}

// The cleaned, absolute folder of a path as given.
QString folderOf(const QString &path)
{
    return QDir::cleanPath(QFileInfo(path).absolutePath());
}

bool isUnder(const QString &path, const QString &folder)
{
    return path == folder || path.startsWith(folder == QLatin1String("/") ? folder : folder + QLatin1Char('/'));
}

// "a/b/c.bmp" -> "a/b" and "c.bmp"; "c.bmp" -> "" and "c.bmp".
QByteArray dirPart(const QByteArray &relative)
{
    const qsizetype slash = relative.lastIndexOf('/');
    return slash < 0 ? QByteArray() : relative.left(slash);
}

QByteArray leafPart(const QByteArray &relative)
{
    return relative.mid(relative.lastIndexOf('/') + 1);
}

QByteArray temporaryLeaf(const QByteArray &leaf)
{
    return QByteArray(kTemporaryPrefix) + leaf;
}

// ---- Descriptors ----------------------------------------------------------

struct Fd
{
    int fd = -1;
    explicit Fd(int f = -1)
        : fd(f)
    {
    }
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;
    ~Fd()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

// The folders below one root that a save or a settle works in, each opened
// once, beneath the root and never through a link.
class Folders
{
public:
    explicit Folders(int rootFd)
        : m_root(rootFd)
    {
    }
    Folders(const Folders &) = delete;
    Folders &operator=(const Folders &) = delete;
    ~Folders()
    {
        for (int fd : std::as_const(m_fds))
            ::close(fd);
    }
    // The folder's descriptor, or -1 with errno.
    int open(const QByteArray &relative, bool create = false)
    {
        if (const auto it = m_index.constFind(relative); it != m_index.cend())
            return m_fds[*it];
        const int fd = openFolderBeneath(m_root, relative, create);
        if (fd < 0)
            return -1;
        m_index.insert(relative, m_fds.size());
        m_fds.append(fd);
        return fd;
    }
    const QList<int> &all() const { return m_fds; }

private:
    int m_root;
    QHash<QByteArray, qsizetype> m_index;
    QList<int> m_fds;
};

int syncFolders(const QList<int> &folders, SaveCalls &calls)
{
    for (const int fd : folders) {
        // Some file systems can't flush a folder; their entries are written
        // with the file's data anyway.
        if (calls.fsync(fd) != 0 && errno != EINVAL && errno != ENOTSUP)
            return errno;
    }
    return 0;
}

int removeEntry(int dirFd, const QByteArray &name, SaveCalls &calls)
{
    return calls.unlink(dirFd, name) == 0 || errno == ENOENT ? 0 : errno;
}

enum class Kind { None, Regular, Folder, Other };

// What the name is, not following a link; None when there is nothing.
Kind kindOf(int dirFd, const QByteArray &name)
{
    struct stat st;
    if (::fstatat(dirFd, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT ? Kind::None : Kind::Other;
    return S_ISREG(st.st_mode) ? Kind::Regular : S_ISDIR(st.st_mode) ? Kind::Folder : Kind::Other;
}

// Creates a new file, replacing a leftover of ours in the way. O_EXCL and
// O_NOFOLLOW keep a planted link from redirecting the write.
int createNew(int dirFd, const QByteArray &name, unsigned mode, SaveCalls &calls)
{
    constexpr int flags = O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW;
    int fd = calls.open(dirFd, name, flags, mode);
    if (fd < 0 && errno == EEXIST && calls.unlink(dirFd, name) == 0)
        fd = calls.open(dirFd, name, flags, mode);
    return fd;
}

// Returns 0, or the errno of the failure (ENOSPC for a write that stops).
int writeAll(int fd, const QByteArray &bytes, SaveCalls &calls)
{
    const char *p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const long n = calls.write(fd, p, (unsigned long)(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        if (n == 0)
            return ENOSPC;
        p += n;
        left -= n;
    }
    return 0;
}

// Reads a regular file of the folder whole, by its own bytes, up to limit
// bytes, never through a link nor blocking on a FIFO. Returns 0 or the
// errno of the failure (EFBIG past the limit, EINVAL for anything but a
// regular file).
int readWholeAt(int dirFd, const QByteArray &name, qint64 limit, QByteArray &out)
{
    const int fd = ::openat(dirFd, name.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0)
        return errno;
    struct stat st;
    int error = ::fstat(fd, &st) != 0 ? errno : !S_ISREG(st.st_mode) ? EINVAL : st.st_size > limit ? EFBIG : 0;
    out.resize(error ? 0 : qsizetype(st.st_size));
    qsizetype got = 0;
    while (!error && got < out.size()) {
        const ssize_t n = ::read(fd, out.data() + got, size_t(out.size() - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            error = n < 0 ? errno : EIO;
        else
            got += n;
    }
    ::close(fd);
    return error;
}

// True when the name is a regular file holding exactly the bytes the
// journal describes.
bool holds(int dirFd, const QByteArray &name, qint64 size, quint64 hash)
{
    QByteArray bytes;
    return readWholeAt(dirFd, name, size, bytes) == 0 && bytes.size() == size && saveContentHash(bytes) == hash;
}

// Puts the new file (at tmp) in place. Over an old file the two names are
// swapped, so the old file stays at hand under the temporary's name until
// all are done and a failure can put it back; where the file system can't
// swap, a plain rename does. Returns 0 or the errno of the failure.
int replace(int dirFd, const QByteArray &tmp, const QByteArray &finalName, bool hadOld, bool &swapped,
            SaveCalls &calls)
{
    swapped = false;
    if (hadOld) {
        if (calls.exchange(dirFd, tmp, finalName) == 0) {
            swapped = true;
            return 0;
        }
        if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP && errno != ENOENT)
            return errno;
    }
    return calls.rename(dirFd, tmp, finalName) == 0 ? 0 : errno;
}

// ---- The journal -----------------------------------------------------------
//
// Text. Before any temporary is made, the paths the save will write, closed
// by a signed line; once every temporary is complete and flushed, one line
// per file and a second signed line. The signatures are HMAC-SHA-256 of
// everything before them under this user's key, so a journal that anyone
// else wrote (or a copy of ours changed) is never acted upon:
//   vorlix-save-journal 2
//   plan <path, %-encoded>
//   planned <count> <signature>
//   <1 when an old file was there, else 0> <size> <hash> <path, %-encoded>
//   end <count> <signature>
// Paths are relative to the journal's folder and never leave it. A journal
// whose plan is signed but whose end isn't was cut short before a single
// rename.

constexpr char kJournalHeader[] = "vorlix-save-journal 2\n";
// Two lines a file, each short; far larger is not one of ours.
constexpr qint64 kMaxJournalBytes = 16 << 20;

struct JournalEntry
{
    QByteArray relative; // encoded path below the journal's folder
    bool hadOld = false;
    qint64 size = 0;
    quint64 hash = 0;
};

QByteArray hex(quint64 v)
{
    return QByteArray::number(v, 16).rightJustified(16, '0');
}

QByteArray journalPlan(const QList<QByteArray> &relatives)
{
    QByteArray out = kJournalHeader;
    for (const QByteArray &r : relatives)
        out += "plan " + r.toPercentEncoding("/") + '\n';
    return out + "planned " + QByteArray::number(relatives.size()) + ' ' + journalSignature(out) + '\n';
}

// The lines that close a journal whose plan is `plan`.
QByteArray journalEnd(const QByteArray &plan, const QList<JournalEntry> &entries)
{
    QByteArray out;
    for (const JournalEntry &e : entries)
        out += QByteArray(e.hadOld ? "1 " : "0 ") + QByteArray::number(e.size) + ' ' + hex(e.hash) + ' '
            + e.relative.toPercentEncoding("/") + '\n';
    return out + "end " + QByteArray::number(entries.size()) + ' ' + journalSignature(plan + out) + '\n';
}

struct Journal
{
    enum State { NotOurs, PlanOnly, Whole } state = NotOurs;
    QList<QByteArray> planned;   // valid unless NotOurs
    QList<JournalEntry> entries; // valid only when Whole
};

// One pass over the text, each line looked at once: linear in its size.
Journal parseJournal(const QByteArray &bytes)
{
    Journal j;
    if (!bytes.startsWith(kJournalHeader))
        return j;
    qsizetype at = qsizetype(sizeof kJournalHeader) - 1;
    QSet<QByteArray> seen;
    // The plan, up to its signed line.
    for (;;) {
        const qsizetype nl = bytes.indexOf('\n', at);
        if (nl < 0)
            return j;
        const QByteArrayView line(bytes.constData() + at, nl - at);
        if (line.startsWith("planned ")) {
            const QList<QByteArray> f = line.toByteArray().split(' ');
            bool ok = false;
            if (f.size() != 3 || f[1].toLongLong(&ok) != j.planned.size() || !ok
                || !sameSignature(f[2], journalSignature(bytes.left(at))))
                return j;
            at = nl + 1;
            break;
        }
        if (!line.startsWith("plan ") || j.planned.size() >= kMaxJournalFiles)
            return j;
        const QByteArray relative = QByteArray::fromPercentEncoding(line.sliced(5).toByteArray());
        if (!isPlainRelativePath(relative) || seen.contains(relative))
            return j;
        seen.insert(relative);
        j.planned.append(relative);
        at = nl + 1;
    }
    j.state = Journal::PlanOnly;
    // The entries, one per planned path in the same order, and the end.
    QList<JournalEntry> entries;
    for (;;) {
        const qsizetype nl = bytes.indexOf('\n', at);
        if (nl < 0)
            return j;
        const QList<QByteArray> f = bytes.mid(at, nl - at).split(' ');
        if (f.size() == 3 && f[0] == "end") {
            bool ok = false;
            if (f[1].toLongLong(&ok) == j.planned.size() && ok && entries.size() == j.planned.size()
                && nl + 1 == bytes.size() && sameSignature(f[2], journalSignature(bytes.left(at)))) {
                j.entries = std::move(entries);
                j.state = Journal::Whole;
            }
            return j;
        }
        if (f.size() != 4 || (f[0] != "0" && f[0] != "1") || entries.size() >= j.planned.size())
            return j;
        bool okSize = false, okHash = false;
        JournalEntry e;
        e.hadOld = f[0] == "1";
        e.size = f[1].toLongLong(&okSize);
        e.hash = f[2].toULongLong(&okHash, 16);
        e.relative = QByteArray::fromPercentEncoding(f[3]);
        if (!okSize || !okHash || e.size < 0 || e.relative != j.planned[entries.size()])
            return j;
        entries.append(e);
        at = nl + 1;
    }
}

// ---- Completing or undoing a cut-short save --------------------------------

[[noreturn]] void cannotFinish(const QString &folder, int error)
{
    throw VorlixError(QStringLiteral("Cannot finish the save cut short in %1: %2").arg(folder, reason(error)));
}

bool isJournalName(const char *name)
{
    constexpr size_t n = sizeof kJournalName - 1;
    return std::strncmp(name, kJournalName, n) == 0 && (name[n] == '\0' || name[n] == '-');
}

bool isLeftoverName(const char *name)
{
    return std::strncmp(name, kTemporaryPrefix, sizeof kTemporaryPrefix - 1) == 0
        || std::strncmp(name, kOldLinkPrefix, sizeof kOldLinkPrefix - 1) == 0;
}

QString shown(const QByteArray &relative)
{
    return nameFromNative(relative);
}

// Our own journal, cut short before its renames: its temporaries go.
void dropPlan(int rootFd, const QString &folder, const QByteArray &journalName, const Journal &journal,
              SaveCalls &calls, SettleReport &report)
{
    Folders folders(rootFd);
    int error = 0;
    for (const QByteArray &relative : journal.planned) {
        const int dirFd = folders.open(dirPart(relative));
        if (dirFd < 0) {
            if (errno != ENOENT && error == 0) // no folder, no temporary
                error = errno;
            continue;
        }
        const QByteArray tmp = temporaryLeaf(leafPart(relative));
        const Kind kind = kindOf(dirFd, tmp);
        if (kind == Kind::Regular) {
            if (const int e = removeEntry(dirFd, tmp, calls); e != 0 && error == 0)
                error = e;
        } else if (kind != Kind::None) {
            report.leftAlone << shown(dirPart(relative).isEmpty() ? tmp : dirPart(relative) + '/' + tmp);
        }
    }
    if (error == 0)
        error = removeEntry(rootFd, journalName, calls);
    if (error != 0)
        cannotFinish(folder, error);
}

// Our own whole journal: the renames finished, or undone where a new file
// is missing.
void settleWhole(int rootFd, const QString &folder, const QByteArray &journalName, const Journal &journal,
                 SaveCalls &calls, JobProgress *progress, SettleReport &report)
{
    struct State
    {
        int dirFd = -1;
        QByteArray leaf, tmp;
        bool newInPlace = false, newAsTemporary = false, tmpIsOurs = false, finalIsFolder = false;
    };
    Folders folders(rootFd);
    folders.open(QByteArray());
    QList<State> states;
    int unreachable = 0;
    for (qsizetype i = 0; i < journal.entries.size(); ++i) {
        checkCancel(progress);
        const JournalEntry &e = journal.entries[i];
        State s;
        s.leaf = leafPart(e.relative);
        s.tmp = temporaryLeaf(s.leaf);
        s.dirFd = folders.open(dirPart(e.relative));
        if (s.dirFd < 0) {
            // A folder that went (or became a link): nothing of it is
            // reached; the rest is undone.
            if (errno != ENOENT && unreachable == 0)
                unreachable = errno;
        } else {
            s.newInPlace = holds(s.dirFd, s.leaf, e.size, e.hash);
            s.newAsTemporary = !s.newInPlace && holds(s.dirFd, s.tmp, e.size, e.hash);
            const Kind tmpKind = kindOf(s.dirFd, s.tmp);
            s.tmpIsOurs = tmpKind == Kind::Regular;
            if (tmpKind != Kind::None && tmpKind != Kind::Regular)
                report.leftAlone << shown(dirPart(e.relative).isEmpty() ? s.tmp : dirPart(e.relative) + '/' + s.tmp);
            s.finalIsFolder = kindOf(s.dirFd, s.leaf) == Kind::Folder;
        }
        states.append(s);
        if (progress)
            progress->report(i + 1, journal.entries.size());
    }
    // From here on the folder changes: no Cancel in the middle of it.
    checkCancel(progress);

    bool forward = true;
    for (const State &s : states)
        forward = forward && s.dirFd >= 0 && !s.finalIsFolder && (s.newInPlace || s.newAsTemporary);
    if (forward) {
        // Every new file is there: finish the renames. The temporaries of
        // files already in place hold the old files; they go only after
        // the last rename, as they are what a failure would put back.
        for (qsizetype i = 0; i < states.size(); ++i) {
            State &s = states[i];
            if (!s.newAsTemporary)
                continue;
            bool swapped = false;
            if (replace(s.dirFd, s.tmp, s.leaf, journal.entries[i].hadOld, swapped, calls) != 0) {
                forward = false;
                break;
            }
            s.newInPlace = true;
            s.newAsTemporary = false;
            s.tmpIsOurs = swapped;
        }
    }
    if (forward) {
        if (const int e = syncFolders(folders.all(), calls))
            cannotFinish(folder, e);
        for (const State &s : states)
            if (s.tmpIsOurs)
                removeEntry(s.dirFd, s.tmp, calls);
    } else {
        // Put the old files back, drop the new ones.
        int error = unreachable;
        for (qsizetype i = 0; i < states.size(); ++i) {
            const State &s = states[i];
            if (s.dirFd < 0)
                continue;
            int rc = 0;
            if (s.newInPlace && s.tmpIsOurs)
                rc = calls.rename(s.dirFd, s.tmp, s.leaf) == 0 ? 0 : errno;
            else if (s.newInPlace && !journal.entries[i].hadOld)
                rc = removeEntry(s.dirFd, s.leaf, calls);
            else if (s.tmpIsOurs)
                rc = removeEntry(s.dirFd, s.tmp, calls);
            if (rc != 0 && error == 0)
                error = rc;
        }
        if (error != 0)
            cannotFinish(folder, error);
        if (const int e = syncFolders(folders.all(), calls))
            cannotFinish(folder, e);
    }
    if (const int e = removeEntry(rootFd, journalName, calls))
        cannotFinish(folder, e);
}

enum class Purpose { Reading, Saving };

// Settles the folder open as rootFd (shown as folder): every journal of
// ours in it finished or undone, everything else left as it is. A save
// also removes the temporaries no journal names (of a single file's save
// that a kill stopped), unless a journal not ours is there.
SettleReport settle(int rootFd, const QString &folder, Purpose purpose, SaveCalls &calls,
                    JobProgress *progress)
{
    SettleReport report;
    QList<QByteArray> journals, leftovers;
    {
        const int listFd = ::openat(rootFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        DIR *dir = listFd >= 0 ? ::fdopendir(listFd) : nullptr;
        if (!dir) {
            if (listFd >= 0)
                ::close(listFd);
            return report;
        }
        while (const dirent *e = ::readdir(dir)) {
            if (e->d_name[0] != '.')
                continue;
            if (isJournalName(e->d_name))
                journals << QByteArray(e->d_name);
            else if (isLeftoverName(e->d_name))
                leftovers << QByteArray(e->d_name);
        }
        ::closedir(dir);
    }
    std::sort(journals.begin(), journals.end());
    for (const QByteArray &name : std::as_const(journals)) {
        checkCancel(progress);
        QByteArray text;
        if (const int e = readWholeAt(rootFd, name, kMaxJournalBytes, text)) {
            if (e != ENOENT)
                report.notOurs << shown(name); // a link, a folder, a FIFO, too large
            continue;
        }
        const Journal journal = parseJournal(text);
        if (journal.state == Journal::NotOurs)
            report.notOurs << shown(name);
        else if (journal.state == Journal::PlanOnly) {
            checkCancel(progress);
            dropPlan(rootFd, folder, name, journal, calls, report);
        } else
            settleWhole(rootFd, folder, name, journal, calls, progress, report);
    }
    if (purpose == Purpose::Saving && report.notOurs.isEmpty()) {
        // Of a save killed before its journal was linked in, or of a
        // single file's save: nothing was replaced, they just go. A folder
        // we may not change keeps them, unharmed.
        for (const QByteArray &name : std::as_const(leftovers))
            if (kindOf(rootFd, name) == Kind::Regular)
                removeEntry(rootFd, name, calls);
    }
    return report;
}

// Makes the journal of a save holding the plan and gives it a free name:
// written unnamed and linked in whole, so that no kill leaves a journal
// without its signed plan. Where the file system has no unnamed files, it
// is made under its name. Returns the descriptor (the name in `name`), or
// -1 with errno and `what` the step that failed ("create" or "write").
int makeJournal(int rootFd, const QByteArray &plan, SaveCalls &calls, QByteArray &name, const char *&what)
{
    const auto nameFor = [](int attempt) {
        return attempt == 0 ? QByteArray(kJournalName)
                            : kJournalName + QByteArray("-") + hex(QRandomGenerator::system()->generate64());
    };
    constexpr int kAttempts = 16;
    what = "create";
#ifdef O_TMPFILE
    const int fd = calls.open(rootFd, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd >= 0) {
        what = "write";
        if (const int e = writeAll(fd, plan, calls)) {
            calls.close(fd);
            errno = e;
            return -1;
        }
        for (int attempt = 0; attempt < kAttempts; ++attempt) {
            const QByteArray candidate = nameFor(attempt);
            if (calls.link(fd, rootFd, candidate) == 0) {
                name = candidate;
                return fd;
            }
            if (errno == EEXIST)
                continue;
            // Without /proc the unnamed file can't be named: made under its
            // name below.
            if (errno == ENOENT && ::access("/proc/self/fd", F_OK) != 0)
                break;
            const int e = errno;
            calls.close(fd);
            errno = e;
            return -1;
        }
        const int e = errno; // EEXIST: every name taken; ENOENT: no /proc
        calls.close(fd);
        if (e == EEXIST) {
            errno = e;
            return -1;
        }
    } else if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
        return -1;
    }
#endif
    what = "create";
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const QByteArray candidate = nameFor(attempt);
        const int named = calls.open(rootFd, candidate, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (named < 0 && errno == EEXIST)
            continue;
        if (named < 0)
            return -1;
        what = "write";
        if (const int e = writeAll(named, plan, calls)) {
            calls.close(named);
            calls.unlink(rootFd, candidate);
            errno = e;
            return -1;
        }
        name = candidate;
        return named;
    }
    errno = EEXIST;
    return -1;
}

// ---- The save ---------------------------------------------------------------

struct Planned
{
    QString finalPath; // as given, for messages
    QByteArray relative; // below the folder holding all the files
    QByteArray finalName, tmpName; // in their folder
    int dirFd = -1;
    int fd = -1;
    bool created = false; // the temporary is ours to remove
    bool hadOld = false;
    bool swapped = false; // exchanged: the temporary holds the old file
    bool renamed = false; // renamed in place (nothing to put back)
};

// Closes what is still open however the save ends, a kill included.
struct OpenFiles
{
    QList<Planned> &plan;
    int &journal;
    ~OpenFiles()
    {
        for (Planned &p : plan)
            if (p.fd >= 0)
                ::close(p.fd);
        if (journal >= 0)
            ::close(journal);
    }
};

// Undoes the renames of plan[0, count) and removes the temporaries of the
// rest. Returns true when every rename was undone. Where one can't be (an
// old file replaced without a swap is gone), the rest's new files stay for
// the next start to finish the set with.
bool undo(QList<Planned> &plan, qsizetype count, SaveCalls &calls)
{
    bool ok = true;
    for (qsizetype i = count - 1; i >= 0; --i) {
        const Planned &p = plan[i];
        if (p.swapped)
            ok = calls.rename(p.dirFd, p.tmpName, p.finalName) == 0 && ok;
        else if (p.renamed && !p.hadOld)
            ok = removeEntry(p.dirFd, p.finalName, calls) == 0 && ok;
        else if (p.renamed)
            ok = false; // renamed without a swap: the old file is gone
    }
    if (ok)
        for (qsizetype i = count; i < plan.size(); ++i)
            removeEntry(plan[i].dirFd, plan[i].tmpName, calls);
    return ok;
}

void removeTemporaries(QList<Planned> &plan, SaveCalls &calls)
{
    for (Planned &p : plan) {
        if (p.fd >= 0) {
            ::close(p.fd);
            p.fd = -1;
        }
        if (p.created)
            removeEntry(p.dirFd, p.tmpName, calls);
    }
}

} // namespace

quint64 saveContentHash(const QByteArray &bytes)
{
    // Tells a file's new bytes from its old ones after a kill; no defence
    // against anyone (the journal's signature is), just quick (four
    // independent lanes, several GB/s) and the same on every run.
    constexpr quint64 k1 = 0x9E3779B97F4A7C15ull, k2 = 0xC2B2AE3D27D4EB4Full;
    const auto mix = [](quint64 h, quint64 w) {
        h ^= w * k1;
        return ((h << 31) | (h >> 33)) * k2;
    };
    const char *p = bytes.constData();
    const qsizetype n = bytes.size();
    quint64 lane[4] = {k2 ^ quint64(n), k1, k1 ^ k2, ~quint64(n)};
    qsizetype i = 0;
    for (; i + 32 <= n; i += 32)
        for (int l = 0; l < 4; ++l)
            lane[l] = mix(lane[l], qFromLittleEndian<quint64>(p + i + 8 * l));
    quint64 h = mix(mix(mix(lane[0], lane[1]), lane[2]), lane[3]);
    for (; i + 8 <= n; i += 8)
        h = mix(h, qFromLittleEndian<quint64>(p + i));
    quint64 tail = 0;
    for (qsizetype j = n - 1; j >= i; --j)
        tail = (tail << 8) | quint8(p[j]);
    h = mix(h, tail);
    h ^= h >> 33;
    h *= 0xFF51AFD7ED558CCDull;
    h ^= h >> 33;
    return h;
}

QString temporaryPathFor(const QString &finalPath)
{
    return withPrefix(finalPath, kTemporaryPrefix);
}

bool isTemporaryName(const QString &fileName)
{
    const QLatin1String journal(kJournalName);
    return fileName.startsWith(QLatin1String(kTemporaryPrefix)) || fileName.startsWith(QLatin1String(kOldLinkPrefix))
        || (fileName.startsWith(journal) && (fileName.size() == journal.size() || fileName[journal.size()] == u'-'));
}

QString SettleReport::message(const QString &folder) const
{
    QStringList lines;
    if (!notOurs.isEmpty())
        lines << QStringLiteral("The folder %1 holds the record of an unfinished save that was not made by you "
                                "with Vorlix (%2). It was not acted upon: nothing in the folder was changed. "
                                "Delete it if you don't know where it comes from.")
                     .arg(folder, notOurs.join(QStringLiteral(", ")));
    if (!leftAlone.isEmpty())
        lines << QStringLiteral("Left as they are in %1, as they are not files that Vorlix wrote: %2")
                     .arg(folder, leftAlone.join(QStringLiteral(", ")));
    return lines.join(QLatin1Char('\n'));
}

SettleReport finishUnfinishedSave(const QString &folder, SaveCalls &calls, JobProgress *progress)
{
    const QString clean = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    const Fd root(::open(nativeFromName(clean).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (root.fd < 0)
        return {};
    return settle(root.fd, clean, Purpose::Reading, calls, progress);
}

void writeFilesTwoPhase(const QList<FileToWrite> &files, SaveCalls &calls)
{
    writeFilesTwoPhase(files, [&files](qsizetype i) { return files[i].bytes; }, calls);
}

void writeFilesTwoPhase(const QList<FileToWrite> &files, const std::function<QByteArray(qsizetype)> &makeBytes,
                        SaveCalls &calls)
{
    if (files.isEmpty())
        return;
    // The journal goes into the folder that holds all the files (those of a
    // skin's subfolders included); that folder is settled first.
    QString base = folderOf(files.first().path);
    bool createFolders = false;
    for (const FileToWrite &f : files) {
        const QString folder = folderOf(f.path);
        while (!isUnder(folder, base))
            base = folderOf(base);
        createFolders = createFolders || f.createFolder;
    }
    if (files.size() > kMaxJournalFiles)
        throw VorlixError(QStringLiteral("Cannot save %1 files at once into %2: at most %3 can be saved together")
                              .arg(files.size())
                              .arg(base)
                              .arg(kMaxJournalFiles));
    // The folder itself is the user's choice and taken as given; below it,
    // nothing is reached through a link.
    if (createFolders && !makeNativePath(base))
        fail("Cannot create file", files.first().path, errno ? errno : EACCES);
    const Fd root(::open(nativeFromName(base).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (root.fd < 0)
        fail("Cannot create file", files.first().path, errno);
    settle(root.fd, base, Purpose::Saving, calls, nullptr);

    Folders folders(root.fd);
    folders.open(QByteArray()); // flushed first: it holds the journal
    const qsizetype cut = nativeFromName(base).size() + (base == QLatin1String("/") ? 0 : 1);
    QList<Planned> plan;
    plan.reserve(files.size());
    for (const FileToWrite &f : files) {
        Planned p;
        p.finalPath = f.path;
        p.relative = nativeFromName(QDir::cleanPath(QFileInfo(f.path).absoluteFilePath())).mid(cut);
        p.finalName = leafPart(p.relative);
        p.tmpName = temporaryLeaf(p.finalName);
        plan.append(p);
    }
    // A single rename is all or nothing by itself: no journal then.
    const bool journaled = files.size() > 1;
    QByteArray journalName;
    QList<JournalEntry> entries;
    QByteArray journalStart;
    int journalFd = -1;
    OpenFiles closeAtEnd{plan, journalFd};
    try {
        for (qsizetype i = 0; i < files.size(); ++i) {
            Planned &p = plan[i];
            if (p.finalName.isEmpty() || p.finalName == "." || p.finalName == "..")
                fail("Cannot create file", p.finalPath, EINVAL);
            p.dirFd = folders.open(dirPart(p.relative), files[i].createFolder);
            if (p.dirFd < 0)
                fail("Cannot create file", p.finalPath, errno);
        }
        if (journaled) {
            // The plan goes first, so that a kill while the temporaries are
            // written leaves none of them behind (those in subfolders
            // included): the next start sees a journal cut short and removes
            // what it names.
            QList<QByteArray> relatives;
            for (const Planned &p : std::as_const(plan)) {
                relatives << p.relative;
                entries.append({p.relative});
            }
            journalStart = journalPlan(relatives);
            if (2 * journalStart.size() > kMaxJournalBytes)
                fail("Cannot save into", base, ENAMETOOLONG);
            const char *what = nullptr;
            journalFd = makeJournal(root.fd, journalStart, calls, journalName, what);
            // Where it can't be made, neither can the first file.
            if (journalFd < 0 && std::strcmp(what, "create") == 0)
                fail("Cannot create file", files.first().path, errno);
            if (journalFd < 0)
                fail("Cannot save into", base, errno);
        }
        // Every new file to its temporary; the flushes are started as each
        // is written and waited for together afterwards.
        for (qsizetype i = 0; i < files.size(); ++i) {
            const FileToWrite &f = files[i];
            Planned &p = plan[i];
            const Kind old = kindOf(p.dirFd, p.finalName);
            p.hadOld = old != Kind::None;
            if (old == Kind::Folder)
                fail("Cannot create file", f.path, EISDIR);
            const unsigned mode = f.permissions ? modeOf(*f.permissions) : 0666u;
            p.fd = createNew(p.dirFd, p.tmpName, mode, calls);
            if (p.fd < 0)
                fail("Cannot create file", f.path, errno);
            p.created = true;
            const QByteArray bytes = makeBytes(i);
            if (const int e = writeAll(p.fd, bytes, calls))
                fail("Cannot write file", f.path, e);
            // The mode given to open() is cut by the umask; a skin file
            // keeps its own.
            if (f.permissions && calls.fchmod(p.fd, mode) != 0)
                fail("Cannot write file", f.path, errno);
            calls.startWriteBack(p.fd);
            if (journaled) {
                entries[i].hadOld = p.hadOld;
                entries[i].size = bytes.size();
                entries[i].hash = saveContentHash(bytes);
            }
        }
        for (Planned &p : plan) {
            const int synced = calls.fdatasync(p.fd);
            const int syncError = errno;
            const int closed = calls.close(p.fd);
            const int closeError = errno;
            p.fd = -1;
            if (synced != 0 || closed != 0)
                fail("Cannot write file", p.finalPath, synced != 0 ? syncError : closeError);
        }
        if (!journaled) {
            if (calls.rename(plan[0].dirFd, plan[0].tmpName, plan[0].finalName) != 0)
                fail("Cannot replace file", plan[0].finalPath, errno);
            return;
        }
        // Closed only now that every new file is complete and flushed: a
        // whole journal means a complete set. Flushed with the folders'
        // entries (the temporaries' and its own) before the first rename.
        int e = writeAll(journalFd, journalEnd(journalStart, entries), calls);
        if (e == 0 && calls.fdatasync(journalFd) != 0)
            e = errno;
        if (calls.close(journalFd) != 0 && e == 0)
            e = errno;
        journalFd = -1;
        if (e == 0)
            e = syncFolders(folders.all(), calls);
        if (e != 0)
            fail("Cannot save into", base, e);
    } catch (const VorlixError &) {
        removeTemporaries(plan, calls);
        if (!journalName.isEmpty())
            removeEntry(root.fd, journalName, calls);
        throw;
    }

    // The renames.
    for (qsizetype i = 0; i < plan.size(); ++i) {
        Planned &p = plan[i];
        if (const int error = replace(p.dirFd, p.tmpName, p.finalName, p.hadOld, p.swapped, calls)) {
            // With every rename undone the journal goes too; should one of
            // them fail, it stays and the next start settles the folder.
            if (undo(plan, i, calls) && syncFolders(folders.all(), calls) == 0)
                removeEntry(root.fd, journalName, calls);
            fail("Cannot replace file", p.finalPath, error);
        }
        p.renamed = !p.swapped;
    }
    if (const int e = syncFolders(folders.all(), calls)) {
        if (undo(plan, plan.size(), calls) && syncFolders(folders.all(), calls) == 0)
            removeEntry(root.fd, journalName, calls);
        fail("Cannot save into", base, e);
    }
    // The old files, now under the temporaries' names, then the journal.
    for (const Planned &p : plan)
        if (p.swapped)
            removeEntry(p.dirFd, p.tmpName, calls);
    removeEntry(root.fd, journalName, calls);
}

namespace {

// What went wrong building an archive, in our words: libzip's own texts
// ("File already exists") would tell the user nothing.
QString zipBuildProblem(int code)
{
    switch (code) {
    case ZIP_ER_MEMORY:
        return QStringLiteral("there is not enough memory");
    case ZIP_ER_EXISTS:
        return QStringLiteral("two of its files would have the same name");
    case ZIP_ER_NOZIP:
    case ZIP_ER_INCONS:
    case ZIP_ER_EOF:
    case ZIP_ER_CRC:
    case ZIP_ER_ZLIB:
    case ZIP_ER_COMPRESSED_DATA:
        return QStringLiteral("the archive the skin was read from is damaged");
    case ZIP_ER_COMPNOTSUPP:
        return QStringLiteral("an entry is packed in a way this program cannot handle");
    default:
        return QStringLiteral("zip error %1").arg(code);
    }
}

[[noreturn]] void archiveFailed(int code)
{
    throw VorlixError(QStringLiteral("Cannot build the skin archive (%1)").arg(zipBuildProblem(code)));
}

struct DiscardArchive
{
    void operator()(zip_t *z) const { zip_discard(z); }
};

// DOS times hold the years 1980 to 2107 only, in local time; a day's margin
// keeps a stranger's file time from reaching the ends in any time zone.
qint64 dosRange(qint64 t)
{
    constexpr qint64 kFirst = 315532800 + 86400;  // 1980-01-02
    constexpr qint64 kLast = 4354732800 - 86400;  // 2107-12-30
    return std::clamp(t, kFirst, kLast);
}

// Gives entry i of a new or rewritten entry its time and mode: the DOS
// time, the extended timestamp (to the second, in UTC) where it fits, and
// the mode as an ordinary file written on Unix.
void stampEntry(zip_t *archive, zip_uint64_t i, qint64 time, unsigned mode)
{
    const auto check = [archive](int result) {
        if (result < 0)
            archiveFailed(zip_error_code_zip(zip_get_error(archive)));
    };
    check(zip_file_set_mtime(archive, i, time_t(dosRange(time)), 0));
    if (time >= 0 && time <= 0x7fffffff) {
        // Flag "modification time", then the time: the same in the local
        // and the central header when only that time is given.
        zip_uint8_t stamp[5] = {1};
        qToLittleEndian(quint32(time), stamp + 1);
        check(zip_file_extra_field_set(archive, i, 0x5455, ZIP_EXTRA_FIELD_NEW, stamp, sizeof stamp,
                                       ZIP_FL_LOCAL | ZIP_FL_CENTRAL));
    }
    check(zip_file_set_external_attributes(archive, i, 0, ZIP_OPSYS_UNIX, zip_uint32_t(S_IFREG | (mode & 0777)) << 16));
}

// A copied entry's attributes with what no skin file should unpack as taken
// out: set-uid, set-gid and sticky bits, links, devices. The low half (the
// DOS attributes) stays as it is.
zip_uint32_t tamedAttributes(zip_uint32_t attributes, bool folder)
{
    const zip_uint32_t mode = attributes >> 16;
    if (mode == 0)
        return attributes;
    zip_uint32_t tamed = mode & 0777;
    if (mode & S_IFMT)
        tamed |= folder ? S_IFDIR : S_IFREG;
    return (tamed << 16) | (attributes & 0xffff);
}

// An archive's bytes in memory, read and rewritten by libzip. Its own
// buffer source can't be used to rewrite an archive it was given: this
// libzip's copy of the unchanged start shares (and then frees) the caller's
// bytes. Here a write always goes to a buffer of its own.
struct MemoryArchive
{
    QByteArray in;
    QByteArray out;
    qint64 readAt = 0;
    qint64 writeAt = 0;
    int error = ZIP_ER_OK;

    zip_int64_t fail(int code)
    {
        error = code;
        return -1;
    }
    // The place a seek asks for in something of that size, or -1.
    static qint64 seekTo(const void *data, zip_uint64_t length, qint64 at, qint64 size)
    {
        if (length < sizeof(zip_source_args_seek_t))
            return -1;
        const auto *seek = static_cast<const zip_source_args_seek_t *>(data);
        const qint64 from = seek->whence == SEEK_SET ? 0 : seek->whence == SEEK_CUR ? at : size;
        if ((seek->whence != SEEK_SET && seek->whence != SEEK_CUR && seek->whence != SEEK_END)
            || (seek->offset < 0 && -seek->offset > from) || (seek->offset > 0 && seek->offset > size - from))
            return -1;
        return from + seek->offset;
    }

    static zip_int64_t call(void *self, void *data, zip_uint64_t length, zip_source_cmd_t command)
    {
        return static_cast<MemoryArchive *>(self)->handle(data, length, command);
    }

    zip_int64_t handle(void *data, zip_uint64_t length, zip_source_cmd_t command)
    {
        switch (command) {
        case ZIP_SOURCE_OPEN:
            readAt = 0;
            return 0;
        case ZIP_SOURCE_READ: {
            const qint64 n = std::min<qint64>(qint64(std::min<zip_uint64_t>(length, 1ULL << 62)), in.size() - readAt);
            std::memcpy(data, in.constData() + readAt, size_t(n));
            readAt += n;
            return n;
        }
        case ZIP_SOURCE_CLOSE:
        case ZIP_SOURCE_FREE: // owned by buildZipArchive
            return 0;
        case ZIP_SOURCE_STAT: {
            if (length < sizeof(zip_stat_t))
                return fail(ZIP_ER_INVAL);
            auto *st = static_cast<zip_stat_t *>(data);
            zip_stat_init(st);
            st->size = zip_uint64_t(in.size());
            st->valid |= ZIP_STAT_SIZE;
            return sizeof(zip_stat_t);
        }
        case ZIP_SOURCE_ERROR: {
            if (length < 2 * sizeof(int))
                return -1;
            const int codes[2] = {error, 0};
            std::memcpy(data, codes, sizeof codes);
            return sizeof codes;
        }
        case ZIP_SOURCE_SEEK: {
            const qint64 to = seekTo(data, length, readAt, in.size());
            if (to < 0)
                return fail(ZIP_ER_INVAL);
            readAt = to;
            return 0;
        }
        case ZIP_SOURCE_TELL:
            return readAt;
        case ZIP_SOURCE_BEGIN_WRITE:
            out.clear();
            writeAt = 0;
            return 0;
        case ZIP_SOURCE_WRITE: {
            if (length > zip_uint64_t(kMaxWrittenArchive) || writeAt + qint64(length) > kMaxWrittenArchive)
                return fail(ZIP_ER_MEMORY);
            if (out.size() < writeAt + qint64(length))
                out.resize(writeAt + qint64(length));
            std::memcpy(out.data() + writeAt, data, size_t(length));
            writeAt += qint64(length);
            return zip_int64_t(length);
        }
        case ZIP_SOURCE_SEEK_WRITE: {
            const qint64 to = seekTo(data, length, writeAt, out.size());
            if (to < 0)
                return fail(ZIP_ER_INVAL);
            writeAt = to;
            return 0;
        }
        case ZIP_SOURCE_TELL_WRITE:
            return writeAt;
        case ZIP_SOURCE_COMMIT_WRITE:
            in = std::exchange(out, QByteArray());
            return 0;
        case ZIP_SOURCE_ROLLBACK_WRITE:
            out.clear();
            return 0;
        case ZIP_SOURCE_REMOVE:
            in.clear();
            out.clear();
            return 0;
        case ZIP_SOURCE_SUPPORTS:
            return ZIP_SOURCE_MAKE_COMMAND_BITMASK(ZIP_SOURCE_OPEN) | ZIP_SOURCE_MAKE_COMMAND_BITMASK(ZIP_SOURCE_READ)
                | ZIP_SOURCE_MAKE_COMMAND_BITMASK(ZIP_SOURCE_CLOSE) | ZIP_SOURCE_MAKE_COMMAND_BITMASK(ZIP_SOURCE_STAT)
                | ZIP_SOURCE_MAKE_COMMAND_BITMASK(ZIP_SOURCE_ERROR) | ZIP_SOURCE_MAKE_COMMAND_BITMASK(ZIP_SOURCE_FREE)
                | ZIP_SOURCE_MAKE_COMMAND_BITMASK(ZIP_SOURCE_SEEK) | ZIP_SOURCE_MAKE_COMMAND_BITMASK(ZIP_SOURCE_TELL)
                | ZIP_SOURCE_MAKE_COMMAND_BITMASK(ZIP_SOURCE_BEGIN_WRITE)
                | ZIP_SOURCE_MAKE_COMMAND_BITMASK(ZIP_SOURCE_WRITE)
                | ZIP_SOURCE_MAKE_COMMAND_BITMASK(ZIP_SOURCE_SEEK_WRITE)
                | ZIP_SOURCE_MAKE_COMMAND_BITMASK(ZIP_SOURCE_TELL_WRITE)
                | ZIP_SOURCE_MAKE_COMMAND_BITMASK(ZIP_SOURCE_COMMIT_WRITE)
                | ZIP_SOURCE_MAKE_COMMAND_BITMASK(ZIP_SOURCE_ROLLBACK_WRITE)
                | ZIP_SOURCE_MAKE_COMMAND_BITMASK(ZIP_SOURCE_REMOVE);
        default:
            return fail(ZIP_ER_OPNOTSUPP);
        }
    }

    // Far above any skin's archive, far below what a QByteArray holds.
    static constexpr qint64 kMaxWrittenArchive = 1LL << 31;
};

} // namespace

QByteArray buildZipArchive(const QList<ArchiveEntry> &entries, const QByteArray &base, QList<qint64> *indexes)
{
    MemoryArchive memory;
    memory.in = base;
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t *buffer = zip_source_function_create(&MemoryArchive::call, &memory, &error);
    if (!buffer) {
        zip_error_fini(&error);
        archiveFailed(ZIP_ER_MEMORY);
    }
    // No consistency check: the base opened as a skin, and one that names an
    // entry twice must open here too.
    std::unique_ptr<zip_t, DiscardArchive> archive(zip_open_from_source(buffer, base.isEmpty() ? ZIP_TRUNCATE : 0, &error));
    if (!archive) {
        zip_source_free(buffer);
        const int code = zip_error_code_zip(&error);
        zip_error_fini(&error);
        archiveFailed(code);
    }
    zip_error_fini(&error);
    zip_t *z = archive.get();
    const auto check = [z](zip_int64_t result) {
        if (result < 0)
            archiveFailed(zip_error_code_zip(zip_get_error(z)));
    };

    const zip_int64_t count = base.isEmpty() ? 0 : zip_get_num_entries(z, 0);
    QList<bool> kept(count, false);
    for (const ArchiveEntry &e : entries) {
        if (e.base >= count)
            archiveFailed(ZIP_ER_INVAL);
        if (e.base >= 0)
            kept[e.base] = true;
    }
    for (zip_int64_t i = 0; i < count; ++i) {
        if (!kept[i]) {
            check(zip_delete(z, zip_uint64_t(i)));
            continue;
        }
        zip_uint8_t opsys = 0;
        zip_uint32_t attributes = 0;
        const char *name = zip_get_name(z, zip_uint64_t(i), ZIP_FL_ENC_RAW);
        check(name ? zip_file_get_external_attributes(z, zip_uint64_t(i), 0, &opsys, &attributes) : -1);
        const size_t length = std::strlen(name);
        const bool folder = length > 0 && (name[length - 1] == '/' || name[length - 1] == '\\');
        const zip_uint32_t tamed = tamedAttributes(attributes, folder);
        if (tamed != attributes)
            check(zip_file_set_external_attributes(z, zip_uint64_t(i), 0, opsys, tamed));
    }

    const qint64 now = QDateTime::currentSecsSinceEpoch();
    constexpr unsigned kReadableByAll = 0644;
    // zlib's own default level. Left unset, libzip packs at 9, which makes
    // skin pictures hardly smaller and takes several times as long.
    constexpr zip_uint32_t kDeflateLevel = 6;
    const auto source = [z, &check](const QByteArray &bytes) {
        zip_source_t *data = zip_source_buffer(z, bytes.constData(), zip_uint64_t(bytes.size()), 0);
        if (!data)
            check(-1);
        return data;
    };
    qint64 added = 0;
    QList<qint64> addedAt(entries.size(), -1);
    for (qsizetype n = 0; n < entries.size(); ++n) {
        const ArchiveEntry &e = entries[n];
        if (e.base >= 0) {
            if (!e.changed)
                continue;
            // Written afresh in its place, under its own name; the old
            // entry's extra fields (its old times among them) go with it.
            zip_source_t *data = source(e.bytes);
            if (zip_file_replace(z, zip_uint64_t(e.base), data, 0) < 0) {
                zip_source_free(data);
                check(-1);
            }
            check(zip_file_extra_field_delete(z, zip_uint64_t(e.base), ZIP_EXTRA_FIELD_ALL,
                                              ZIP_FL_LOCAL | ZIP_FL_CENTRAL));
            check(zip_set_file_compression(z, zip_uint64_t(e.base), ZIP_CM_DEFLATE, kDeflateLevel));
            stampEntry(z, zip_uint64_t(e.base), now, kReadableByAll);
            continue;
        }
        zip_source_t *data = source(e.bytes);
        // A name that isn't UTF-8 goes in by its own bytes, unmarked, as
        // the archivers of its system store it; every other name is marked
        // UTF-8. A name already there fails rather than replace that entry.
        const QByteArray name = nativeFromName(e.path);
        const bool utf8 = QUtf8StringView(name).isValidUtf8();
        const zip_int64_t index = zip_file_add(z, name.constData(), data, utf8 ? ZIP_FL_ENC_UTF_8 : ZIP_FL_ENC_RAW);
        if (index < 0) {
            zip_source_free(data);
            check(-1);
        }
        check(zip_set_file_compression(z, zip_uint64_t(index), ZIP_CM_DEFLATE, kDeflateLevel));
        // Whatever mode the file had, what we hand out is an ordinary file.
        stampEntry(z, zip_uint64_t(index), e.modified.value_or(now),
                   e.permissions ? modeOf(*e.permissions) : kReadableByAll);
        addedAt[n] = added++;
    }
    if (zip_close(z) != 0)
        check(-1);
    archive.release(); // closed

    if (indexes) {
        // Deleted entries leave no gap: the kept ones close up in their
        // order, the added ones follow.
        QList<qint64> place(count, -1);
        qint64 next = 0;
        for (zip_int64_t i = 0; i < count; ++i)
            if (kept[i])
                place[i] = next++;
        indexes->clear();
        for (qsizetype n = 0; n < entries.size(); ++n)
            indexes->append(entries[n].base >= 0 ? place[entries[n].base] : next + addedAt[n]);
    }

    return memory.in;
}

} // namespace vorlix
