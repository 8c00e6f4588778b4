#pragma once
// Reading a whole skin, from a folder or a zip archive (.wsz, .zip), and
// choosing what saving it writes. A skin the user opens is theirs: every file
// is kept with its bytes, name and order, each sheet keeps the size of its
// file, and only what the user edited is written afresh.
#include "output/SkinWriter.h"
#include "skin/SkinSheets.h"

#include <QByteArray>
#include <QFileDevice>
#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

namespace vorlix {

struct GlobalVar;
class JobProgress;

// One file of a skin: its path inside the skin's folder ("/" separated, no
// leading "/", the case it came with) and its bytes. A folder skin's name
// that is not valid UTF-8 keeps its bytes as NativeName.h tells.
struct SkinFile
{
    QString path;
    QByteArray bytes;
    // The file's permissions in a folder skin, kept when it is saved into a
    // folder; none for an archive entry.
    std::optional<QFileDevice::Permissions> permissions;
    // Its last change in a folder skin (seconds since 1970), which its entry
    // keeps in an archive saved while its bytes are those read.
    std::optional<qint64> modified = std::nullopt;
    // The bytes it was read with (shared with `bytes` until those change):
    // a file whose bytes are still these is saved as it was.
    QByteArray asRead{};
    // The entry of SkinFileSet::archive it was read from, copied as it lies
    // (name, time, attributes) into an archive saved while its bytes are
    // those read; -1 for a file of a folder or one the skin lacked.
    qint64 entry = -1;
};

// Every file of a skin, in the skin's own order (a folder's sorted by path,
// an archive's as its entries lie), and which of them each sheet came from.
struct SkinFileSet
{
    QList<SkinFile> files;
    // The file that names each sheet: the one read, or the one refused; -1
    // when the skin has none.
    std::array<int, kSheetCount> sheetFile;
    // "Name/" when an archive keeps the skin in one folder inside it.
    QString archiveFolder;
    // Entries of such an archive beside that folder, by their whole path:
    // written back into an archive, not into a folder.
    QList<SkinFile> besideFolder;
    // The archive the skin was read from, byte for byte: an archive saved
    // from the skin starts from it, so what the user didn't change keeps its
    // name, order, time and attributes. Empty for a folder skin.
    QByteArray archive;
    // Its entries kept though they give no file: folders' own entries and
    // the earlier of two entries of one name.
    QList<qint64> archiveOnly;
    // The skin's folder as the archive writes it (with a backslash where
    // the packer wrote one), for the files a save adds to it.
    QString archiveFolderAsWritten;

    SkinFileSet() { sheetFile.fill(-1); }
};

struct LoadedSkin
{
    SkinFileSet set;
    // Each of its file's size, 24 bits per pixel. A sheet the skin lacks
    // holds what players draw instead (origin Fallback), else the built-in
    // picture (origin BuiltIn), as does a sheet whose file was refused.
    std::array<QImage, kSheetCount> sheets;
    std::array<SheetOrigin, kSheetCount> origins{};
    QStringList missing;  // sheets the skin lacks; the built-in ones stand in
    QStringList drawnFromOther; // "balance.bmp (players draw it from volume.bmp)"
    QStringList refused;  // "name (reason)"
    QStringList kept;     // other files named like a sheet, kept as they are
    QStringList outsideFolder; // archive entries beside the skin's folder
    // Files not kept: an archive entry whose name is given twice; in a folder,
    // a link to outside it, a FIFO or device, a file that can't be read.
    QStringList leftOut;
    // What the folder held of unfinished saves that weren't ours, left as
    // they were; empty when nothing.
    QString settleNote;

    // One message naming what was missing, refused, kept aside or left out;
    // empty when the skin gave all nine sheets and nothing else to say.
    QString report() const;
};

// Sanity limits: nothing a skin needs comes near them.
inline constexpr qint64 kMaxSkinFileBytes = 64LL * 1024 * 1024;
inline constexpr qint64 kMaxSkinTotalBytes = 256LL * 1024 * 1024;
inline constexpr int kMaxSkinFiles = 10000;

// The sheet a BMP file name stands for, whatever its case ("MAIN.BMP"), or
// skNone.
SheetKind sheetForFileName(const QString &fileName);
// The same for a picture a skin may give a sheet as: "main.bmp" or
// "main.png", any case.
SheetKind sheetForPictureName(const QString &fileName);

// Read a skin. The result is complete or the call throws VorlixError with a
// message naming the problem (not a zip archive, truncated, an entry with an
// absolute path or "..", an encrypted entry, a file or a skin too large, no
// sheet at all), so that a caller never holds a half-read skin. A sheet
// whose header declares a picture of more than 16 times the pixels of its
// usual size is refused unread. With a progress, it is told how far the read has
// come and looked at for a Cancel between files (JobCancelled is thrown).
LoadedSkin readSkinFolder(const QString &dir, JobProgress *progress = nullptr);
// The entries of an archive saved from the set (with set.archive as the
// base): what the archive the skin came from holds is kept in place and in
// its order (the folder it keeps the skin in, the folders' own entries,
// names given twice, files beside the folder), copied as it lies while its
// bytes are those read; files new to the skin go into its folder after
// them; a folder's file keeps its time and mode while its bytes are those
// read. Anything else is written afresh.
QList<ArchiveEntry> archiveEntriesFor(const SkinFileSet &set);
LoadedSkin readSkinArchive(const QString &path, JobProgress *progress = nullptr);
// An archive's bytes, as readSkinArchive reads its file; name stands for it
// in messages.
LoadedSkin readSkinArchiveBytes(const QByteArray &bytes, const QString &name, JobProgress *progress = nullptr);
// A folder or an archive, whichever the path names.
LoadedSkin readSkin(const QString &path, JobProgress *progress = nullptr);

// What saving the skin writes, as the sheets in g now are: every file of the
// set in its order, byte for byte, except an edited sheet, which is encoded
// afresh under its file's name (PNG when the name ends in .png, else a 24-bit
// BMP); a sheet the skin lacked is added as "<name>.bmp" only once edited.
// The result's sheetFile tells where each sheet now lies.
// With everySheet (the built-in skin, which has no files of its own yet),
// every sheet the set lacks is added, edited or not.
SkinFileSet skinFilesToSave(const SkinFileSet &set, const GlobalVar &g, bool everySheet = false);

// The skin's file of that name at its top ("viscolor.txt", any case), or -1.
int skinTextFile(const SkinFileSet &set, const QString &name);
// Gives the file of that name these bytes, adding it when the set lacks it.
void putSkinTextFile(SkinFileSet &set, const QString &name, const QByteArray &bytes);
// Once those files are written: every sheet they hold now comes from its
// file, as it is.
void markSheetsWritten(GlobalVar &g, const SkinFileSet &written);

// Encodes a sheet as a file of that name would hold it: PNG for ".png",
// else a 24-bit BMP.
QByteArray encodeSheet(const QImage &sheet, const QString &fileName);

} // namespace vorlix
