#pragma once
// Writing a set of files so that a kill or a failure leaves as little mixed
// state as possible: every file goes to a hidden temporary beside its final
// place first, and only when all of them are complete are they renamed into
// place, one after another. Also builds skin archives.
#include <QByteArray>
#include <QFileDevice>
#include <QList>
#include <QString>

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

// The prefixes of our hidden names: the new file being written, and a second
// link that holds the old file while the new one is renamed over it. No
// skin file starts with them, so leftovers of a killed save can be removed
// without touching a user's file.
inline constexpr char kTemporaryPrefix[] = ".vorlix-tmp-";
inline constexpr char kOldLinkPrefix[] = ".vorlix-old-";

// The hidden temporary used for a final path: same folder, prefixed name.
QString temporaryPathFor(const QString &finalPath);
// True for a file name (no folder) that is one of our hidden names.
bool isTemporaryName(const QString &fileName);

// Writes the files in two phases. Failures keep the order the user sees: the
// files before the failing one are in place, the failing one and every later
// one are not (their old versions stay), no temporary is left behind, and the
// error is VorlixError "Cannot create file <final path>" or "Stream write
// error". Parent folders of the files are created when missing.
void writeFilesTwoPhase(const QList<FileToWrite> &files);

// One entry of a skin archive: its path inside the archive ("/" separated).
struct ArchiveEntry
{
    QString path;
    QByteArray bytes;
};

// The bytes of a zip archive holding the entries (deflated), in their order,
// each an ordinary file readable by all and writable by its owner (0644).
// Throws VorlixError when the archive can't be built.
QByteArray buildZipArchive(const QList<ArchiveEntry> &entries);

} // namespace vorlix
