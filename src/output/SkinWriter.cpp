#include "output/SkinWriter.h"

#include "platform/Errors.h"
#include "platform/NativeName.h"
#include "platform/ZipLib.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace vorlix {

// ---- The real calls --------------------------------------------------------

int SaveCalls::open(const QByteArray &path, int flags, unsigned mode)
{
    int fd;
    do
        fd = ::open(path.constData(), flags, mode_t(mode));
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

int SaveCalls::rename(const QByteArray &from, const QByteArray &to)
{
    return std::rename(from.constData(), to.constData());
}

int SaveCalls::exchange(const QByteArray &a, const QByteArray &b)
{
#if defined(__linux__) && defined(RENAME_EXCHANGE)
    return ::renameat2(AT_FDCWD, a.constData(), AT_FDCWD, b.constData(), RENAME_EXCHANGE);
#else
    Q_UNUSED(a);
    Q_UNUSED(b);
    errno = EINVAL;
    return -1;
#endif
}

int SaveCalls::unlink(const QByteArray &path)
{
    return ::unlink(path.constData());
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

// Tells a file's new bytes from its old ones after a kill; no defence
// against anyone, just quick (four independent lanes, several GB/s) and the
// same on every run.
quint64 contentHash(const QByteArray &bytes)
{
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

// ---- The journal -----------------------------------------------------------
//
// Text. Before any temporary is made, the paths the save will write; once
// every temporary is complete and flushed, one line per file and a closing
// line with the count and a hash of everything before it. A journal without
// a right closing line was cut short before a single rename:
//   vorlix-save-journal 1
//   plan <path, %-encoded>
//   <1 when an old file was there, else 0> <size> <hash> <path, %-encoded>
//   end <count> <hash>
// Paths are relative to the journal's folder and never leave it.

constexpr char kJournalHeader[] = "vorlix-save-journal 1\n";

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
    return out;
}

// The lines that close a journal whose plan is `plan`.
QByteArray journalEnd(const QByteArray &plan, const QList<JournalEntry> &entries)
{
    QByteArray out;
    for (const JournalEntry &e : entries)
        out += QByteArray(e.hadOld ? "1 " : "0 ") + QByteArray::number(e.size) + ' ' + hex(e.hash) + ' '
            + e.relative.toPercentEncoding("/") + '\n';
    return out + "end " + QByteArray::number(entries.size()) + ' ' + hex(contentHash(plan + out)) + '\n';
}

bool safeRelative(const QByteArray &relative)
{
    if (relative.isEmpty() || relative.startsWith('/') || relative.contains('\0'))
        return false;
    for (const QByteArray &part : relative.split('/'))
        if (part.isEmpty() || part == "." || part == "..")
            return false;
    return true;
}

struct Journal
{
    QList<QByteArray> planned;   // every path read, planned or entered
    QList<JournalEntry> entries; // valid only when whole
    bool whole = false;
};

Journal parseJournal(const QByteArray &bytes)
{
    Journal j;
    if (!bytes.startsWith(kJournalHeader))
        return j;
    qsizetype at = qsizetype(sizeof kJournalHeader) - 1;
    while (at < bytes.size()) {
        const qsizetype nl = bytes.indexOf('\n', at);
        if (nl < 0)
            return j; // cut in the middle of a line
        const QList<QByteArray> f = bytes.mid(at, nl - at).split(' ');
        if (f.size() == 3 && f[0] == "end") {
            bool okCount = false, okHash = false;
            j.whole = f[1].toLongLong(&okCount) == j.entries.size() && okCount
                && f[2].toULongLong(&okHash, 16) == contentHash(bytes.left(at)) && okHash && nl + 1 == bytes.size();
            return j;
        }
        QByteArray relative;
        if (f.size() == 2 && f[0] == "plan") {
            relative = QByteArray::fromPercentEncoding(f[1]);
        } else if (f.size() == 4 && (f[0] == "0" || f[0] == "1")) {
            bool okSize = false, okHash = false;
            JournalEntry e;
            e.hadOld = f[0] == "1";
            e.size = f[1].toLongLong(&okSize);
            e.hash = f[2].toULongLong(&okHash, 16);
            e.relative = relative = QByteArray::fromPercentEncoding(f[3]);
            if (!okSize || !okHash || e.size < 0)
                return j;
            j.entries.append(e);
        } else {
            return j;
        }
        if (!safeRelative(relative))
            return j;
        if (!j.planned.contains(relative))
            j.planned.append(relative);
        at = nl + 1;
    }
    return j;
}

// ---- Small helpers over the calls ------------------------------------------

bool exists(const QByteArray &path)
{
    struct stat st;
    return ::lstat(path.constData(), &st) == 0;
}

// Reads a regular file whole, by its own bytes, up to limit bytes. Returns 0
// or the errno of the failure (EFBIG past the limit).
int readWhole(const QByteArray &path, qint64 limit, QByteArray &out)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
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

// True when the file holds exactly the bytes the journal describes.
bool holds(const QByteArray &path, qint64 size, quint64 hash)
{
    struct stat st;
    if (::lstat(path.constData(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size != size)
        return false;
    QByteArray bytes;
    return readWhole(path, size, bytes) == 0 && bytes.size() == size && contentHash(bytes) == hash;
}

// Flushes each folder's entries. Returns 0, or the errno of the failure.
int syncFolders(const QStringList &folders, SaveCalls &calls)
{
    for (const QString &folder : folders) {
        const int fd = calls.open(nativeFromName(folder), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
        if (fd < 0)
            return errno;
        const int rc = calls.fsync(fd);
        const int error = errno;
        calls.close(fd);
        // Some file systems can't flush a folder; their entries are written
        // with the file's data anyway.
        if (rc != 0 && error != EINVAL && error != ENOTSUP)
            return error;
    }
    return 0;
}

int removeFile(const QByteArray &path, SaveCalls &calls)
{
    return calls.unlink(path) == 0 || errno == ENOENT ? 0 : errno;
}

// Creates a new file, replacing a leftover of ours in the way. O_EXCL and
// O_NOFOLLOW keep a planted link from redirecting the write.
int createNew(const QByteArray &path, unsigned mode, SaveCalls &calls)
{
    constexpr int flags = O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW;
    int fd = calls.open(path, flags, mode);
    if (fd < 0 && errno == EEXIST && calls.unlink(path) == 0)
        fd = calls.open(path, flags, mode);
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

// Puts the new file (at tmp) in place. Over an old file the two names are
// swapped, so the old file stays at hand under the temporary's name until
// all are done and a failure can put it back; where the file system can't
// swap, a plain rename does. Returns 0 or the errno of the failure.
int replace(const QByteArray &tmp, const QByteArray &finalName, bool hadOld, bool &swapped, SaveCalls &calls)
{
    swapped = false;
    if (hadOld) {
        if (calls.exchange(tmp, finalName) == 0) {
            swapped = true;
            return 0;
        }
        if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP && errno != ENOENT)
            return errno;
    }
    return calls.rename(tmp, finalName) == 0 ? 0 : errno;
}

// ---- Completing or undoing a cut-short save --------------------------------

[[noreturn]] void cannotFinish(const QString &folder, int error)
{
    throw VorlixError(QStringLiteral("Cannot finish the save cut short in %1: %2").arg(folder, reason(error)));
}

void recoverFromJournal(const QString &folder, SaveCalls &calls)
{
    const QString journalPath = folder + QLatin1Char('/') + QLatin1String(kJournalName);
    QByteArray journalText;
    // A few lines a file; anything far larger is not one of ours and is
    // read as a journal cut short.
    constexpr qint64 kMaxJournalBytes = 16 << 20;
    if (const int e = readWhole(nativeFromName(journalPath), kMaxJournalBytes, journalText)) {
        if (e == ENOENT)
            return;
        if (e != EFBIG && e != EINVAL)
            cannotFinish(folder, e);
    }
    const Journal journal = parseJournal(journalText);

    const QByteArray base = nativeFromName(folder) + '/';
    struct State
    {
        QByteArray finalPath, tmpPath;
        bool newInPlace = false, newAsTemporary = false, tmpExists = false;
    };
    QList<State> states;
    QStringList folders{folder};
    if (!journal.whole) {
        // Cut short before a single rename: the new files just go.
        int error = 0;
        for (const QByteArray &relative : journal.planned) {
            const QByteArray tmp = nativeFromName(temporaryPathFor(nameFromNative(base + relative)));
            if (const int e = removeFile(tmp, calls); e != 0 && error == 0)
                error = e;
        }
        if (error == 0)
            error = removeFile(nativeFromName(journalPath), calls);
        if (error != 0)
            cannotFinish(folder, error);
        return;
    }
    for (const JournalEntry &e : journal.entries) {
        State s;
        s.finalPath = base + e.relative;
        s.tmpPath = nativeFromName(temporaryPathFor(nameFromNative(s.finalPath)));
        s.newInPlace = holds(s.finalPath, e.size, e.hash);
        s.newAsTemporary = !s.newInPlace && holds(s.tmpPath, e.size, e.hash);
        s.tmpExists = exists(s.tmpPath);
        const QString f = folderOf(nameFromNative(s.finalPath));
        if (!folders.contains(f))
            folders << f;
        states.append(s);
    }

    bool forward = true;
    for (const State &s : states)
        forward = forward && (s.newInPlace || s.newAsTemporary);
    if (forward) {
        // Every new file is there: finish the renames. The temporaries of
        // files already in place hold the old files; they go only after
        // the last rename, as they are what a failure would put back.
        for (qsizetype i = 0; i < states.size() && forward; ++i) {
            State &s = states[i];
            if (!s.newAsTemporary)
                continue;
            bool swapped = false;
            if (replace(s.tmpPath, s.finalPath, journal.entries[i].hadOld, swapped, calls) != 0) {
                forward = false;
                break;
            }
            s.newInPlace = true;
            s.newAsTemporary = false;
            s.tmpExists = swapped;
        }
    }
    if (forward) {
        if (const int e = syncFolders(folders, calls))
            cannotFinish(folder, e);
        for (const State &s : states)
            if (s.tmpExists)
                removeFile(s.tmpPath, calls);
    } else {
        // Put the old files back, drop the new ones.
        int error = 0;
        for (qsizetype i = 0; i < states.size(); ++i) {
            const State &s = states[i];
            int rc = 0;
            if (s.newInPlace && s.tmpExists)
                rc = calls.rename(s.tmpPath, s.finalPath) == 0 ? 0 : errno;
            else if (s.newInPlace && !journal.entries[i].hadOld)
                rc = removeFile(s.finalPath, calls);
            else if (s.tmpExists)
                rc = removeFile(s.tmpPath, calls);
            if (rc != 0 && error == 0)
                error = rc;
        }
        if (error != 0)
            cannotFinish(folder, error);
        if (const int e = syncFolders(folders, calls))
            cannotFinish(folder, e);
    }
    if (const int e = removeFile(nativeFromName(journalPath), calls))
        cannotFinish(folder, e);
}

// ---- The save ---------------------------------------------------------------

struct Planned
{
    QString finalPath; // as given, for messages
    QByteArray finalName, tmpName;
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
// rest. Returns true when every rename was undone.
bool undo(QList<Planned> &plan, qsizetype count, SaveCalls &calls)
{
    bool ok = true;
    for (qsizetype i = count - 1; i >= 0; --i) {
        const Planned &p = plan[i];
        if (p.swapped)
            ok = calls.rename(p.tmpName, p.finalName) == 0 && ok;
        else if (p.renamed && !p.hadOld)
            ok = removeFile(p.finalName, calls) == 0 && ok;
        else if (p.renamed)
            ok = false; // renamed without a swap: the old file is gone
    }
    for (qsizetype i = count; i < plan.size(); ++i)
        removeFile(plan[i].tmpName, calls);
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
            removeFile(p.tmpName, calls);
    }
}

} // namespace

QString temporaryPathFor(const QString &finalPath)
{
    return withPrefix(finalPath, kTemporaryPrefix);
}

bool isTemporaryName(const QString &fileName)
{
    return fileName.startsWith(QLatin1String(kTemporaryPrefix)) || fileName.startsWith(QLatin1String(kOldLinkPrefix))
        || fileName == QLatin1String(kJournalName);
}

void finishUnfinishedSave(const QString &folder, SaveCalls &calls)
{
    const QString clean = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    const QByteArray dirName = nativeFromName(clean);
    DIR *dir = ::opendir(dirName.constData());
    if (!dir)
        return;
    bool journal = false;
    QList<QByteArray> leftovers;
    while (const dirent *e = ::readdir(dir)) {
        const char *name = e->d_name;
        if (name[0] != '.')
            continue;
        if (std::strcmp(name, kJournalName) == 0)
            journal = true;
        else if (std::strncmp(name, kTemporaryPrefix, sizeof kTemporaryPrefix - 1) == 0
                 || std::strncmp(name, kOldLinkPrefix, sizeof kOldLinkPrefix - 1) == 0)
            leftovers << dirName + '/' + name;
    }
    ::closedir(dir);
    if (journal)
        recoverFromJournal(clean, calls);
    // Temporaries no journal names are of a save killed before its journal
    // was written: nothing was replaced, they just go. A folder we may not
    // change (a skin on a read-only disk) keeps them, unharmed.
    for (const QByteArray &path : std::as_const(leftovers))
        removeFile(path, calls);
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
    QStringList folders;
    for (const FileToWrite &f : files) {
        const QString folder = folderOf(f.path);
        if (!folders.contains(folder))
            folders << folder;
        while (!isUnder(folder, base))
            base = folderOf(base);
    }
    finishUnfinishedSave(base, calls);

    QList<Planned> plan;
    plan.reserve(files.size());
    for (const FileToWrite &f : files)
        plan.append({f.path, nativeFromName(f.path), nativeFromName(temporaryPathFor(f.path))});
    // A single rename is all or nothing by itself: no journal then.
    const bool journaled = files.size() > 1;
    const QByteArray journalName = nativeFromName(base + QLatin1Char('/') + QLatin1String(kJournalName));
    QList<JournalEntry> entries;
    QByteArray journalStart;
    int journalFd = -1;
    bool journalMade = false;
    OpenFiles closeAtEnd{plan, journalFd};
    try {
        for (const FileToWrite &f : files)
            if (f.createFolder && !makeNativePath(folderOf(f.path)))
                fail("Cannot create file", f.path, errno ? errno : EACCES);
        if (journaled) {
            // The plan goes first, so that a kill while the temporaries are
            // written leaves none of them behind (those in subfolders
            // included): the next start sees a cut-short journal and removes
            // what it names.
            const qsizetype cut = nativeFromName(base).size() + (base == QLatin1String("/") ? 0 : 1);
            QList<QByteArray> relatives;
            for (const FileToWrite &f : files)
                relatives << nativeFromName(QDir::cleanPath(QFileInfo(f.path).absoluteFilePath())).mid(cut);
            journalStart = journalPlan(relatives);
            for (const QByteArray &r : relatives)
                entries.append({r});
            // Where it can't be made, neither can the first file.
            journalFd = createNew(journalName, 0644, calls);
            if (journalFd < 0)
                fail("Cannot create file", files.first().path, errno);
            journalMade = true;
            if (const int e = writeAll(journalFd, journalStart, calls))
                fail("Cannot save into", base, e);
        }
        // Every new file to its temporary; the flushes are started as each
        // is written and waited for together afterwards.
        for (qsizetype i = 0; i < files.size(); ++i) {
            const FileToWrite &f = files[i];
            Planned &p = plan[i];
            struct stat st;
            p.hadOld = ::lstat(p.finalName.constData(), &st) == 0;
            if (p.hadOld && S_ISDIR(st.st_mode))
                fail("Cannot create file", f.path, EISDIR);
            const unsigned mode = f.permissions ? modeOf(*f.permissions) : 0666u;
            p.fd = createNew(p.tmpName, mode, calls);
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
                entries[i].hash = contentHash(bytes);
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
            if (calls.rename(plan[0].tmpName, plan[0].finalName) != 0)
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
            e = syncFolders(folders.contains(base) ? folders : QStringList{base} + folders, calls);
        if (e != 0)
            fail("Cannot save into", base, e);
    } catch (const VorlixError &) {
        removeTemporaries(plan, calls);
        if (journalMade)
            removeFile(journalName, calls);
        throw;
    }

    // The renames.
    for (qsizetype i = 0; i < plan.size(); ++i) {
        Planned &p = plan[i];
        if (const int error = replace(p.tmpName, p.finalName, p.hadOld, p.swapped, calls)) {
            // With every rename undone the journal goes too; should one of
            // them fail, it stays and the next start settles the folder.
            if (undo(plan, i, calls) && syncFolders(folders, calls) == 0)
                removeFile(journalName, calls);
            fail("Cannot replace file", p.finalPath, error);
        }
        p.renamed = !p.swapped;
    }
    if (const int e = syncFolders(folders, calls)) {
        if (undo(plan, plan.size(), calls) && syncFolders(folders, calls) == 0)
            removeFile(journalName, calls);
        fail("Cannot save into", base, e);
    }
    // The old files, now under the temporaries' names, then the journal.
    for (const Planned &p : plan)
        if (p.swapped)
            removeFile(p.tmpName, calls);
    removeFile(journalName, calls);
}

QByteArray buildZipArchive(const QList<ArchiveEntry> &entries)
{
    const auto fail = [](const char *what) -> QByteArray {
        throw VorlixError(QStringLiteral("Cannot build the skin archive (%1)").arg(QLatin1String(what)));
    };
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t *buffer = zip_source_buffer_create(nullptr, 0, 0, &error);
    if (!buffer)
        return fail(zip_error_strerror(&error));
    std::unique_ptr<zip_source_t, void (*)(zip_source_t *)> keepBuffer(buffer, zip_source_free);
    zip_t *archive = zip_open_from_source(buffer, ZIP_TRUNCATE, &error);
    if (!archive)
        return fail(zip_error_strerror(&error));
    zip_source_keep(buffer); // read back after the archive is closed

    for (const ArchiveEntry &e : entries) {
        zip_source_t *data = zip_source_buffer(archive, e.bytes.constData(), zip_uint64_t(e.bytes.size()), 0);
        const QByteArray name = e.path.toUtf8();
        const zip_int64_t index = data ? zip_file_add(archive, name.constData(), data, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE) : -1;
        // Whatever mode the files had, what we hand out is never writable by
        // others; unpacked, it reads as an ordinary file.
        constexpr zip_uint32_t kRegularFile0644 = 0100644u << 16;
        if (index < 0
            || zip_file_set_external_attributes(archive, zip_uint64_t(index), 0, ZIP_OPSYS_UNIX, kRegularFile0644) < 0) {
            if (data && index < 0)
                zip_source_free(data);
            const QByteArray why = zip_strerror(archive);
            zip_discard(archive);
            return fail(why.constData());
        }
    }
    if (zip_close(archive) != 0) {
        const QByteArray why = zip_strerror(archive);
        zip_discard(archive);
        return fail(why.constData());
    }

    if (zip_source_open(buffer) != 0)
        return fail("read back");
    QByteArray out;
    char chunk[65536];
    zip_int64_t n;
    while ((n = zip_source_read(buffer, chunk, sizeof chunk)) > 0)
        out.append(chunk, qsizetype(n));
    zip_source_close(buffer);
    if (n < 0)
        return fail("read back");
    return out;
}

} // namespace vorlix
