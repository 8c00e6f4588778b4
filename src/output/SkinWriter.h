#pragma once
// Writing a set of files all or nothing, so that neither a failure nor a
// kill leaves a folder holding part of one save and part of another: every
// file goes to a hidden temporary beside its final place first, and only
// when all of them are complete and on disk are they renamed into place,
// with a journal of the renames that the next start or save uses to finish
// or undo them. Also builds skin archives.
#include <QByteArray>
#include <QFileDevice>
#include <QList>
#include <QString>
#include <QStringList>

#include "platform/BackgroundJob.h"

#include <functional>
#include <optional>

namespace vorlix {

struct FileToWrite
{
    QString path; // final path, as the user will see it in a message
    QByteArray bytes;
    // Create the file's folder (and the folders above it) when missing; off,
    // a missing folder fails like any other file that can't be created.
    bool createFolder = false;
    // Given to the new file when set (a skin file keeps its mode); else the
    // new file gets the usual mode for new files.
    std::optional<QFileDevice::Permissions> permissions;
};

// The prefixes of our hidden names: the new file being written (after the
// swap it holds the old file until that goes), and a second link to an old
// file that earlier versions of the program made. No skin file starts with
// them, so leftovers of a killed save can be removed without touching a
// user's file.
inline constexpr char kTemporaryPrefix[] = ".vorlix-tmp-";
inline constexpr char kOldLinkPrefix[] = ".vorlix-old-";
// The record of a save's planned renames, beside the files, while they are
// being done. Same hidden ".vorlix-" start as the temporaries. Where the
// name is taken by something not ours, the journal gets a unique name
// starting with it and a dash, which recovery looks for as well.
inline constexpr char kJournalName[] = ".vorlix-journal";
// The most files one save (and so one journal) may hold, room for the
// largest skin that opens (10,000 files) and what a save adds to it: a
// journal naming more is not ours, whatever it says.
inline constexpr int kMaxJournalFiles = 10100;

// The hidden temporary used for a final path: same folder, prefixed name.
QString temporaryPathFor(const QString &finalPath);
// True for a file name (no folder) that is one of our hidden names,
// journals included.
bool isTemporaryName(const QString &fileName);

// How a journal tells a file's new bytes from its old ones after a kill.
quint64 saveContentHash(const QByteArray &bytes);

// The calls by which a save changes the disk. Tests put their own in to fail
// a call or to stop the save at a call as a kill would (by throwing anything
// but a VorlixError: the writer then cleans nothing up). Every name is one
// entry of the folder dirFd (no "/"), in the file system's encoding, so
// nothing a call does can reach outside that folder; none follows a link
// at the name. Each returns what the system call returns, with errno set on
// failure.
class SaveCalls
{
public:
    virtual ~SaveCalls() = default;
    virtual int open(int dirFd, const QByteArray &name, int flags, unsigned mode);
    virtual long write(int fd, const char *data, unsigned long size);
    virtual int fchmod(int fd, unsigned mode);
    // Starts the write-back of a file without waiting for it, so the files'
    // flushes overlap. Returns 0 where there is no such call.
    virtual int startWriteBack(int fd);
    virtual int fdatasync(int fd);
    virtual int fsync(int fd);
    virtual int close(int fd);
    virtual int rename(int dirFd, const QByteArray &from, const QByteArray &to);
    // Swaps two names atomically; -1 with errno EINVAL (or ENOSYS) where the
    // file system can't.
    virtual int exchange(int dirFd, const QByteArray &a, const QByteArray &b);
    virtual int unlink(int dirFd, const QByteArray &name);
    // Gives a file opened with O_TMPFILE (and so still unnamed) its name;
    // EEXIST when the name is taken.
    virtual int link(int fd, int dirFd, const QByteArray &name);
};
// The real calls.
SaveCalls &systemSaveCalls();

// Writes the files all or nothing. Every new file goes to its hidden
// temporary and is flushed; if any of them fails, the temporaries go, no
// file is replaced, and VorlixError says which final path failed and why
// ("Cannot create file <path>: <reason>", "Cannot write file <path>:
// <reason>", "Cannot replace file <path>: <reason>"). With all of them
// written, the planned renames are recorded in a signed journal beside the
// files (in the folder holding all of them) and then done; should one
// fail, those already done are undone. A kill at any point leaves a folder
// that finishUnfinishedSave() brings to the old or the new set, never a
// mix; a save settles its folder first. The folder holding all the files
// is taken as given (links in its path included); below it nothing is
// reached through a link. Parent folders of files that ask for it are
// created.
void writeFilesTwoPhase(const QList<FileToWrite> &files, SaveCalls &calls = systemSaveCalls());
// The same, with file i's bytes made by makeBytes(i) just before it is
// written (its `bytes` unused), so that making the next file overlaps the
// disk writing this one.
void writeFilesTwoPhase(const QList<FileToWrite> &files, const std::function<QByteArray(qsizetype)> &makeBytes,
                        SaveCalls &calls = systemSaveCalls());

// What settling a folder left as it was, for the user to hear of once.
struct SettleReport
{
    // Journals that aren't this user's (signed with another key, or not a
    // journal at all): never acted upon.
    QStringList notOurs;
    // Temporaries a journal of ours names that are not our files (links,
    // folders): never renamed, removed or followed.
    QStringList leftAlone;

    bool isEmpty() const { return notOurs.isEmpty() && leftAlone.isEmpty(); }
    // In words, for a message box; empty when there is nothing to say.
    QString message(const QString &folder) const;
};

// Completes or undoes our own save of the folder that a kill cut short,
// before anything else reads the folder: when its journal is whole and
// every file it names is there in its new form (as the temporary or
// already in place), the rest of the renames are done; when the journal
// was cut short before its renames, or a file is missing, the new files go
// and the old ones are put back. Only journals signed with this user's key
// are acted upon; anything else in the folder stays exactly as it is and
// is named in the report. Nothing is reached through a link. Safe to run
// again after a kill during it. Nothing to do costs one listing of the
// folder; a folder that doesn't exist is left alone. A Cancel (JobCancelled)
// comes before the first change, never during them. Throws VorlixError
// when an unfinished save of ours can't be completed or undone.
SettleReport finishUnfinishedSave(const QString &folder, SaveCalls &calls = systemSaveCalls(),
                                  JobProgress *progress = nullptr);

// One entry of a skin archive.
struct ArchiveEntry
{
    // Its path inside the archive ("/" separated, or as the archive it
    // comes from writes it); unused for a copy.
    QString path;
    QByteArray bytes;
    // The entry of the base archive it is (-1: a new entry, added after
    // the base's). Copied as it lies (name, time, attributes, packed bytes)
    // unless changed: then `bytes` are written afresh in its place, under
    // its name.
    qint64 base = -1;
    bool changed = false;
    // A new entry's time (seconds since 1970) and mode; without them, the
    // time of the save and 0644. A written entry is always an ordinary file.
    std::optional<qint64> modified;
    std::optional<QFileDevice::Permissions> permissions;
};

// The bytes of a zip archive holding the entries: those of the base archive
// named by an entry in the base's order (the others are left out), then the
// new ones in their order. An entry copied from the base keeps its packed
// bytes as they were; one written afresh is deflated at zlib's default
// level. An entry written afresh without a mode
// is readable by all and writable by its owner (0644); a copied one keeps
// its attributes but never a set-uid, set-gid or sticky bit, nor a type
// other than file or folder. indexes, when given, gets each entry's place
// in the result. Throws VorlixError when the archive can't be built.
QByteArray buildZipArchive(const QList<ArchiveEntry> &entries, const QByteArray &base = QByteArray(),
                           QList<qint64> *indexes = nullptr);

} // namespace vorlix
