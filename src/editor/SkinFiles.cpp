#include "editor/SkinFiles.h"

#include "output/FastDIB.h"
#include "output/SkinExport.h"
#include "output/SkinWriter.h"
#include "platform/BackgroundJob.h"
#include "platform/BmpRead.h"
#include "platform/Errors.h"
#include "platform/NativeName.h"
#include "platform/ZipLib.h"
#include "skin/GlobalVar.h"

#include <QBuffer>
#include <QColorSpace>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QLocale>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace vorlix {

// A save of the largest skin that opens, with every sheet and text file it
// may add, fits in one journal.
static_assert(kMaxJournalFiles >= kMaxSkinFiles + 20);

namespace {

QString megabytes(qint64 bytes)
{
    return QString::number(bytes / (1024 * 1024));
}

[[noreturn]] void tooLarge(const QString &skin, const QString &entry, qint64 size)
{
    throw VorlixError(QStringLiteral("Cannot open skin \"%1\": \"%2\" holds %3 bytes, more than the %4 MiB "
                                     "a skin file may have")
                          .arg(skin, entry)
                          .arg(size)
                          .arg(megabytes(kMaxSkinFileBytes)));
}

[[noreturn]] void skinTooLarge(const QString &skin)
{
    throw VorlixError(QStringLiteral("Cannot open skin \"%1\": its files hold more than the %2 MiB a skin "
                                     "may have in all")
                          .arg(skin, megabytes(kMaxSkinTotalBytes)));
}

[[noreturn]] void tooManyFiles(const QString &skin)
{
    throw VorlixError(QStringLiteral("Cannot open skin \"%1\": it holds more than %2 files")
                          .arg(skin)
                          .arg(kMaxSkinFiles));
}

bool isPng(const QByteArray &bytes)
{
    return bytes.startsWith("\x89PNG\r\n\x1a\n");
}

// Real skins draw some sheets larger than ours (a wider main window, a
// longer title bar, a text sheet with more rows of letters), never near this
// many times their pixels; a header that declares more is refused before
// anything is decoded, so a few bytes of run-length data can't make the
// skin cost seconds and hundreds of megabytes. By area, not by one side:
// the cost is the pixels, and real sheets grow one way only.
constexpr int kSheetAreaFactor = 16;

// A header that declares no size at all (-1 x -1) passes: the decoder
// says what is wrong with it.
void requireSheetSize(QSize declared, SheetKind k)
{
    const QSize normal = sheetSize(k);
    const qint64 w = std::abs(qint64(declared.width()));
    const qint64 h = std::abs(qint64(declared.height())); // rows stored top-down
    if (w * h <= qint64(normal.width()) * normal.height() * kSheetAreaFactor)
        return;
    const QLocale english(QLocale::English);
    throw VorlixError(QStringLiteral("its header declares %1 x %2 pixels, more than %3 times the %4 x %5 pixels "
                                     "of %6; it was not read")
                          .arg(english.toString(w), english.toString(h))
                          .arg(kSheetAreaFactor)
                          .arg(normal.width())
                          .arg(normal.height())
                          .arg(sheetFileName(k)));
}

// A sheet's picture from its file's bytes, whatever its name says: players
// go by the content too. 24 bits per pixel; throws VorlixError when it does
// not decode or its header declares a picture far larger than the sheet.
QImage decodeSheetPicture(const QByteArray &bytes, SheetKind k)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    if (!isPng(bytes)) {
        requireSheetSize(declaredBmpSize(buffer), k);
        return readBmpDevice(buffer);
    }
    QImageReader reader(&buffer, "png");
    reader.setAutoDetectImageFormat(false);
    reader.setAutoTransform(false);
    requireSheetSize(reader.size(), k);
    QImage image = readPictureForSkin(reader);
    if (image.isNull())
        throw VorlixError(QStringLiteral("PNG image is not valid"));
    image = image.convertToFormat(QImage::Format_BGR888);
    if (image.isNull())
        throw VorlixError(QStringLiteral("PNG image is not valid"));
    image.setColorSpace(QColorSpace());
    return image;
}

bool isPngName(const QString &name)
{
    return name.endsWith(QLatin1String(".png"), Qt::CaseInsensitive);
}

// Of the files that could give sheet k, the one players use: a BMP before a
// PNG; among names that differ only in case, in an archive the last entry
// (unpacked one after another, a later file replaces an earlier one), in a
// folder the name in lower case, else the first by name.
int chooseSheetFile(const QList<int> &candidates, const QList<SkinFile> &files, SheetKind k, bool archive)
{
    QList<int> bmps, pngs;
    for (int i : candidates)
        (isPngName(files[i].path) ? pngs : bmps) << i;
    const QList<int> &pool = bmps.isEmpty() ? pngs : bmps;
    if (pool.isEmpty())
        return -1;
    if (archive)
        return pool.last();
    const QString lower = sheetFileName(k).section(QLatin1Char('.'), 0, 0)
        + (bmps.isEmpty() ? QStringLiteral(".png") : QStringLiteral(".bmp"));
    for (int i : pool)
        if (files[i].path == lower)
            return i;
    return pool.first();
}

// Sheet files that exist but could not be read are refused, not missing.
struct Unreadable
{
    QString path;
    QString reason;
};

// Chooses and reads the sheets among a skin's files.
LoadedSkin assembleSkin(QList<SkinFile> files, bool archive, const QString &skinPath,
                        const QList<Unreadable> &unreadable, JobProgress *progress)
{
    LoadedSkin skin;
    std::array<bool, kSheetCount> named{};
    for (const Unreadable &u : unreadable) {
        named[size_t(sheetForPictureName(u.path))] = true;
        skin.refused << QStringLiteral("%1 (%2)").arg(u.path, u.reason);
    }
    std::array<QList<int>, kSheetCount> candidates;
    for (int i = 0; i < files.size(); ++i) {
        const SheetKind k = files[i].path.contains(QLatin1Char('/')) ? SheetKind(skNone)
                                                                      : sheetForPictureName(files[i].path);
        if (k != skNone)
            candidates[size_t(k)] << i;
    }
    bool any = false;
    for (SheetKind k = 0; k < kSheetCount; ++k) {
        const int chosen = chooseSheetFile(candidates[size_t(k)], files, k, archive);
        skin.set.sheetFile[size_t(k)] = chosen;
        if (chosen < 0)
            continue;
        any = true;
        for (int i : candidates[size_t(k)])
            if (i != chosen)
                skin.kept << QStringLiteral("%1 (%2 is the one players use)").arg(files[i].path, files[chosen].path);
        checkCancel(progress);
        if (progress)
            progress->report(k, kSheetCount);
        try {
            skin.sheets[size_t(k)] = decodeSheetPicture(files[chosen].bytes, k);
            skin.origins[size_t(k)] = SheetOrigin::File;
        } catch (const VorlixError &e) {
            skin.refused << QStringLiteral("%1 (%2)").arg(files[chosen].path, e.message());
        }
    }
    // Most likely the wrong folder or archive was chosen: opening it would
    // only throw the current sheets away.
    if (!any && unreadable.isEmpty()) {
        QStringList names;
        for (SheetKind k : kSkinFileOrder)
            if (k < kMainSheetCount)
                names << sheetFileName(k);
        throw VorlixError(QStringLiteral("Cannot open skin \"%1\": it holds none of the skin's bitmaps (%2)")
                              .arg(skinPath, names.join(QStringLiteral(", "))));
    }
    // What stands in for the sheets that were not read.
    for (SheetKind k : kSkinFileOrder) {
        if (skin.origins[size_t(k)] == SheetOrigin::File)
            continue;
        const SheetKind from = fallbackSheet(k);
        const bool lacking = skin.set.sheetFile[size_t(k)] < 0 && !named[size_t(k)];
        if (lacking && from != skNone && skin.origins[size_t(from)] == SheetOrigin::File) {
            skin.sheets[size_t(k)] = skin.sheets[size_t(from)];
            skin.origins[size_t(k)] = SheetOrigin::Fallback;
            // Most skins give one of the two digit sheets: nothing to say.
            if (k != skNumbers && k != skNumsEx)
                skin.drawnFromOther << QStringLiteral("%1 (players draw it from %2)")
                                       .arg(sheetFileName(k), files[skin.set.sheetFile[size_t(from)]].path);
            continue;
        }
        skin.sheets[size_t(k)] = builtInSheet(k);
        skin.origins[size_t(k)] = SheetOrigin::BuiltIn;
        // The other windows' sheets are new to many skins (and to every one
        // saved before we drew them): the view's note tells of them.
        if (lacking && k < kMainSheetCount)
            skin.missing << sheetFileName(k);
    }
    skin.set.files = std::move(files);
    return skin;
}

// ---- archives

struct ZipCloser
{
    void operator()(zip_t *z) const { zip_discard(z); }
};

// A libzip error in our words: its own texts ("File already exists") tell
// the user nothing about their skin. Empty for a code with nothing to say
// beyond the caller's own words.
QString zipCodeText(int code, int systemCode = 0)
{
    switch (code) {
    case ZIP_ER_INCONS:
    case ZIP_ER_CRC:
    case ZIP_ER_EOF:
    case ZIP_ER_NOZIP:
    case ZIP_ER_ZLIB:
    case ZIP_ER_COMPRESSED_DATA:
        return QStringLiteral("the archive is truncated or damaged");
    case ZIP_ER_MEMORY:
        return QStringLiteral("there is not enough memory");
    case ZIP_ER_MULTIDISK:
        return QStringLiteral("it is one part of an archive split into several files");
    case ZIP_ER_COMPNOTSUPP:
        return QStringLiteral("an entry is packed in a way this program cannot unpack");
    case ZIP_ER_ENCRNOTSUPP:
    case ZIP_ER_NOPASSWD:
    case ZIP_ER_WRONGPASSWD:
        return QStringLiteral("an entry is encrypted");
    case ZIP_ER_EXISTS:
        return QStringLiteral("it names one entry twice");
    case ZIP_ER_READ:
    case ZIP_ER_SEEK:
    case ZIP_ER_TELL:
    case ZIP_ER_OPEN:
        return systemCode ? QString::fromLocal8Bit(std::strerror(systemCode)) : QStringLiteral("it cannot be read");
    default:
        return QString();
    }
}

// Why an archive did not open; looksLikeZip tells damage from a file of
// another kind.
QString zipOpenProblem(int code, bool looksLikeZip)
{
    if (code == ZIP_ER_NOZIP && !looksLikeZip)
        return QStringLiteral("it is not a zip archive");
    const QString text = zipCodeText(code);
    return text.isEmpty() ? QStringLiteral("the archive cannot be read (zip error %1)").arg(code) : text;
}

// Why reading an entry failed, or ours where libzip has nothing to say: a
// short read with no error of its own would otherwise come out as "No error".
QString zipProblem(zip_error_t *error, const QString &otherwise)
{
    if (!error || zip_error_code_zip(error) == ZIP_ER_OK)
        return otherwise;
    const QString text = zipCodeText(zip_error_code_zip(error), zip_error_code_system(error));
    return text.isEmpty() ? otherwise : text;
}

[[noreturn]] void badArchive(const QString &path, const QString &problem)
{
    throw VorlixError(QStringLiteral("Cannot open skin \"%1\": %2").arg(path, problem));
}

// An entry's name as a clean relative path; throws for a name that would
// reach outside the skin. Some packers write "\" between folders.
QString checkedEntryPath(const QString &archive, const QString &raw)
{
    QString name = raw;
    name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const bool absolute = name.startsWith(QLatin1Char('/'))
        || (name.size() >= 2 && name[1] == QLatin1Char(':') && name[0].isLetter());
    if (absolute)
        badArchive(archive, QStringLiteral("the entry \"%1\" has an absolute path").arg(raw));
    QStringList parts;
    for (const QString &part : name.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (part == QLatin1String(".."))
            badArchive(archive, QStringLiteral("the entry \"%1\" points outside the archive (\"..\")").arg(raw));
        if (part != QLatin1String("."))
            parts << part;
    }
    return parts.join(QLatin1Char('/'));
}

} // namespace

SheetKind sheetForFileName(const QString &fileName)
{
    for (SheetKind k = 0; k < kSheetCount; ++k)
        if (fileName.compare(sheetFileName(k), Qt::CaseInsensitive) == 0)
            return k;
    return skNone;
}

SheetKind sheetForPictureName(const QString &fileName)
{
    if (isPngName(fileName))
        return sheetForFileName(fileName.left(fileName.size() - 4) + QStringLiteral(".bmp"));
    return sheetForFileName(fileName);
}

QString LoadedSkin::report() const
{
    QStringList lines;
    if (!missing.isEmpty() || !refused.isEmpty())
        lines << QStringLiteral("Some pictures of the skin could not be used; the built-in pictures stand in "
                                "for them. They are saved with the skin only once you edit them.");
    if (!missing.isEmpty() || !drawnFromOther.isEmpty())
        lines << QStringLiteral("Missing: %1").arg((missing + drawnFromOther).join(QStringLiteral(", ")));
    if (!refused.isEmpty())
        lines << QStringLiteral("Refused, and kept as they are: %1").arg(refused.join(QStringLiteral(", ")));
    if (!kept.isEmpty())
        lines << QStringLiteral("Kept as they are: %1").arg(kept.join(QStringLiteral(", ")));
    if (!outsideFolder.isEmpty())
        lines << QStringLiteral("Beside the skin's folder, kept only in archives saved from it: %1")
                     .arg(outsideFolder.join(QStringLiteral(", ")));
    if (!leftOut.isEmpty())
        lines << QStringLiteral("Left out: %1").arg(leftOut.join(QStringLiteral(", ")));
    if (!settleNote.isEmpty())
        lines << settleNote;
    return lines.join(QLatin1Char('\n'));
}

namespace {

QString errnoText(int code)
{
    return QString::fromLocal8Bit(std::strerror(code));
}

QFileDevice::Permissions permissionsOf(mode_t mode)
{
    QFileDevice::Permissions p;
    const auto bit = [&](mode_t m, QFileDevice::Permissions q) {
        if (mode & m)
            p |= q;
    };
    bit(S_IRUSR, QFileDevice::ReadOwner | QFileDevice::ReadUser);
    bit(S_IWUSR, QFileDevice::WriteOwner | QFileDevice::WriteUser);
    bit(S_IXUSR, QFileDevice::ExeOwner | QFileDevice::ExeUser);
    bit(S_IRGRP, QFileDevice::ReadGroup);
    bit(S_IWGRP, QFileDevice::WriteGroup);
    bit(S_IXGRP, QFileDevice::ExeGroup);
    bit(S_IROTH, QFileDevice::ReadOther);
    bit(S_IWOTH, QFileDevice::WriteOther);
    bit(S_IXOTH, QFileDevice::ExeOther);
    return p;
}

// A folder skin's files, listed by their bytes (a name need not be valid
// UTF-8; see NativeName.h) without following any link to a folder, so a link
// loop can't keep us going.
struct FolderListing
{
    struct Found
    {
        QString relative;
        QByteArray native;
        bool viaLink = false;
    };
    QList<Found> found;
    QList<Unreadable> notRead;
    qint64 total = 0;
};

void listFolder(const QString &skin, const QByteArray &realRoot, const QByteArray &nativeDir,
                const QString &prefix, FolderListing &out)
{
    DIR *d = ::opendir(nativeDir.constData());
    if (!d) {
        if (prefix.isEmpty())
            throw VorlixError(QStringLiteral("Cannot open skin \"%1\": %2").arg(skin, errnoText(errno)));
        out.notRead.append({prefix.chopped(1), errnoText(errno)});
        return;
    }
    std::unique_ptr<DIR, int (*)(DIR *)> closer(d, &::closedir);
    while (const dirent *e = ::readdir(d)) {
        const QByteArray name(e->d_name);
        if (name == "." || name == "..")
            continue;
        if (out.found.size() + out.notRead.size() >= kMaxSkinFiles)
            tooManyFiles(skin);
        const QByteArray native = nativeDir + '/' + name;
        const QString fileName = nameFromNative(name);
        const QString relative = prefix + fileName;
        struct stat st;
        if (::lstat(native.constData(), &st) != 0) {
            out.notRead.append({relative, errnoText(errno)});
            continue;
        }
        // Our own temporaries and journals are never part of a skin, nor
        // is anything under such a name (a folder a stranger put there).
        if (isTemporaryName(fileName))
            continue;
        if (S_ISDIR(st.st_mode)) {
            listFolder(skin, realRoot, native, relative + QLatin1Char('/'), out);
            continue;
        }
        bool viaLink = false;
        if (S_ISLNK(st.st_mode)) {
            // Followed only within the skin: a link to /etc/passwd would
            // otherwise go into every archive saved from the skin.
            std::unique_ptr<char, decltype(&std::free)> real(::realpath(native.constData(), nullptr), &std::free);
            if (!real) {
                out.notRead.append({relative, QStringLiteral("a link to nothing")});
                continue;
            }
            if (!QByteArray(real.get()).startsWith(realRoot)) {
                out.notRead.append({relative, QStringLiteral("a link to outside the skin's folder")});
                continue;
            }
            if (::stat(native.constData(), &st) != 0) {
                out.notRead.append({relative, errnoText(errno)});
                continue;
            }
            if (S_ISDIR(st.st_mode)) {
                out.notRead.append({relative, QStringLiteral("a link to a folder")});
                continue;
            }
            viaLink = true;
        }
        // A FIFO would block the read forever, a device may never end.
        if (!S_ISREG(st.st_mode)) {
            out.notRead.append({relative, QStringLiteral("not a regular file")});
            continue;
        }
        if (st.st_size > kMaxSkinFileBytes)
            tooLarge(skin, relative, st.st_size);
        out.total += st.st_size;
        if (out.total > kMaxSkinTotalBytes)
            skinTooLarge(skin);
        out.found.append({relative, native, viaLink});
    }
}

bool isTopSheetName(const QString &relative)
{
    return !relative.contains(QLatin1Char('/')) && sheetForPictureName(relative) != skNone;
}

} // namespace

QList<ArchiveEntry> archiveEntriesFor(const SkinFileSet &set)
{
    const auto entryFor = [](const SkinFile &f, const QString &name) {
        const bool asRead = f.bytes == f.asRead;
        ArchiveEntry e{name, f.bytes, f.entry, f.entry >= 0 && !asRead, std::nullopt, std::nullopt};
        if (f.entry < 0 && asRead) {
            e.modified = f.modified;
            e.permissions = f.permissions;
        }
        return e;
    };
    QList<ArchiveEntry> entries;
    for (const qint64 i : set.archiveOnly)
        entries.append({QString(), QByteArray(), i, false, std::nullopt, std::nullopt});
    for (const SkinFile &f : set.besideFolder)
        entries.append(entryFor(f, f.path));
    for (const SkinFile &f : set.files)
        entries.append(entryFor(f, set.archiveFolderAsWritten + f.path));
    return entries;
}

LoadedSkin readSkinFolder(const QString &dir, JobProgress *progress)
{
    const QFileInfo info(dir);
    if (!info.isDir())
        throw VorlixError(QStringLiteral("Cannot open skin \"%1\": there is no such folder").arg(dir));
    // Our own save of the folder that a kill cut short is finished or
    // undone; anything else is only read.
    const QString settleNote = finishUnfinishedSave(info.absoluteFilePath(), systemSaveCalls(), progress)
                                   .message(QDir::toNativeSeparators(info.absoluteFilePath()));
    const QByteArray nativeRoot = QFile::encodeName(info.absoluteFilePath());
    std::unique_ptr<char, decltype(&std::free)> real(::realpath(nativeRoot.constData(), nullptr), &std::free);
    if (!real)
        throw VorlixError(QStringLiteral("Cannot open skin \"%1\": %2").arg(dir, errnoText(errno)));
    QByteArray realRoot(real.get());
    if (!realRoot.endsWith('/'))
        realRoot += '/';

    FolderListing listing;
    listFolder(dir, realRoot, nativeRoot, QString(), listing);
    std::sort(listing.found.begin(), listing.found.end(),
              [](const FolderListing::Found &a, const FolderListing::Found &b) { return a.relative < b.relative; });

    QList<SkinFile> files;
    QList<Unreadable> notRead = listing.notRead;
    for (const FolderListing::Found &f : listing.found) {
        checkCancel(progress);
        // Non-blocking and checked once open, in case the file was swapped
        // for a FIFO since it was listed; a link only where it was checked.
        const int fd = ::open(f.native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | (f.viaLink ? 0 : O_NOFOLLOW));
        if (fd < 0) {
            notRead.append({f.relative, errnoText(errno)});
            continue;
        }
        QFile file;
        struct stat st;
        const bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
        if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
            ::close(fd);
            notRead.append({f.relative, file.errorString()});
            continue;
        }
        if (!regular) {
            notRead.append({f.relative, QStringLiteral("not a regular file")});
            continue;
        }
        // Bounded, in case the file grew since it was listed.
        QByteArray bytes = file.read(kMaxSkinFileBytes + 1);
        if (file.error() != QFileDevice::NoError) {
            notRead.append({f.relative, file.errorString()});
            continue;
        }
        if (bytes.size() > kMaxSkinFileBytes)
            tooLarge(dir, f.relative, bytes.size());
        files.append({f.relative, bytes, permissionsOf(st.st_mode), qint64(st.st_mtime), bytes});
    }

    // A sheet that can't be read is refused like a damaged one; any other
    // file is left out, and the rest of the skin opens.
    QList<Unreadable> sheets;
    QStringList leftOut;
    std::sort(notRead.begin(), notRead.end(), [](const Unreadable &a, const Unreadable &b) { return a.path < b.path; });
    for (const Unreadable &u : std::as_const(notRead)) {
        if (isTopSheetName(u.path))
            sheets.append(u);
        else
            leftOut << QStringLiteral("%1 (%2)").arg(u.path, u.reason);
    }
    LoadedSkin skin = assembleSkin(std::move(files), false, dir, sheets, progress);
    skin.leftOut = leftOut;
    skin.settleNote = settleNote;
    return skin;
}

namespace {

struct Entry
{
    zip_uint64_t index;
    QString raw;  // the name as the archive writes it
    QString path; // as a clean relative path
    qint64 size;
};

// An entry's bytes, exactly as many as its header says; throws otherwise.
QByteArray readEntry(zip_t *archive, const QString &path, const Entry &e)
{
    QByteArray bytes(e.size, Qt::Uninitialized);
    zip_file_t *file = zip_fopen_index(archive, e.index, 0);
    if (!file)
        badArchive(path, QStringLiteral("the entry \"%1\" cannot be read (%2)")
                             .arg(e.path, zipProblem(zip_get_error(archive), QStringLiteral("unknown reason"))));
    const zip_int64_t got = e.size > 0 ? zip_fread(file, bytes.data(), zip_uint64_t(e.size)) : 0;
    char extra = 0;
    const zip_int64_t more = got == e.size ? zip_fread(file, &extra, 1) : 0;
    const QString why = zipProblem(zip_file_get_error(file),
                                   got < 0        ? QStringLiteral("it cannot be unpacked")
                                   : got < e.size ? QStringLiteral("it holds less than its header says")
                                                  : QStringLiteral("it holds more than its header says"));
    zip_fclose(file);
    if (got != e.size || more != 0)
        badArchive(path, QStringLiteral("the entry \"%1\" is damaged (%2)").arg(e.path, why));
    return bytes;
}

// The skin in an open archive; path names it in messages, bytes are the
// archive's own.
LoadedSkin readArchive(zip_t *archive, const QByteArray &bytes, const QString &path, JobProgress *progress);

// Packed, the skin's files can take a little more room than their own
// bytes (headers, data that doesn't shrink); nothing a skin needs comes
// near this much more.
constexpr qint64 kMaxSkinArchiveBytes = kMaxSkinTotalBytes + kMaxSkinFileBytes;

std::unique_ptr<zip_t, ZipCloser> openArchiveBytes(const QByteArray &bytes, int flags, int &code)
{
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t *source = zip_source_buffer_create(bytes.constData(), zip_uint64_t(bytes.size()), 0, &error);
    if (!source) {
        code = ZIP_ER_MEMORY;
        zip_error_fini(&error);
        return nullptr;
    }
    std::unique_ptr<zip_t, ZipCloser> archive(zip_open_from_source(source, flags, &error));
    if (!archive) {
        zip_source_free(source);
        code = zip_error_code_zip(&error);
    }
    zip_error_fini(&error);
    return archive;
}

} // namespace

LoadedSkin readSkinArchive(const QString &path, JobProgress *progress)
{
    const QFileInfo info(path);
    if (!info.exists())
        throw VorlixError(QStringLiteral("Cannot open skin \"%1\": there is no such file").arg(path));
    if (!info.isFile())
        badArchive(path, QStringLiteral("it is not a regular file"));
    // Read whole: the skin keeps the archive's bytes for the archives saved
    // from it, and what it holds can't change under us meanwhile.
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        badArchive(path, file.errorString());
    if (file.size() > kMaxSkinArchiveBytes)
        skinTooLarge(path);
    const QByteArray bytes = file.read(kMaxSkinArchiveBytes + 1);
    if (file.error() != QFileDevice::NoError)
        badArchive(path, file.errorString());
    if (bytes.size() > kMaxSkinArchiveBytes)
        skinTooLarge(path);
    return readSkinArchiveBytes(bytes, path, progress);
}

LoadedSkin readSkinArchiveBytes(const QByteArray &bytes, const QString &name, JobProgress *progress)
{
    int code = ZIP_ER_OK;
    std::unique_ptr<zip_t, ZipCloser> archive = openArchiveBytes(bytes, ZIP_RDONLY | ZIP_CHECKCONS, code);
    // The check refuses an archive naming one entry twice, which packers
    // make and players unpack (the later entry wins): read such an archive
    // without it, as every entry is still checked when it is read.
    if (!archive && code == ZIP_ER_EXISTS)
        archive = openArchiveBytes(bytes, ZIP_RDONLY, code);
    if (!archive)
        badArchive(name, zipOpenProblem(code, bytes.startsWith("PK")));
    return readArchive(archive.get(), bytes, name, progress);
}

namespace {

// A name under one of our own hidden names (a killed save's leftovers, a
// journal), anywhere in its path: never part of a skin.
bool isUnderTemporaryName(const QString &path)
{
    const QStringList parts = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    return std::any_of(parts.begin(), parts.end(), [](const QString &p) { return isTemporaryName(p); });
}

// Resource forks some packers add are no part of any skin.
bool isResourceFork(const QString &path)
{
    return path.startsWith(QLatin1String("__MACOSX/")) || path == QLatin1String("__MACOSX");
}

LoadedSkin readArchive(zip_t *archive, const QByteArray &archiveBytes, const QString &path, JobProgress *progress)
{
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    if (count > kMaxSkinFiles)
        tooManyFiles(path);

    // First every entry's name, size and encryption, before reading anything.
    QList<Entry> entries;
    QList<Entry> folders; // the archive's entries for folders
    qint64 total = 0;
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t st;
        zip_stat_init(&st);
        // The name's own bytes: one that isn't UTF-8 is carried byte for
        // byte (as unzip on this system makes it), not turned into other
        // characters by a guess at its old code page.
        if (zip_stat_index(archive, zip_uint64_t(i), ZIP_FL_ENC_RAW, &st) != 0)
            badArchive(path, zipProblem(zip_get_error(archive), QStringLiteral("an entry cannot be read")));
        const QString raw = nameFromNative(QByteArray(st.name));
        const QString clean = checkedEntryPath(path, raw);
        if ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE)
            badArchive(path, QStringLiteral("the entry \"%1\" is encrypted").arg(raw));
        if (raw.endsWith(QLatin1Char('/')) || raw.endsWith(QLatin1Char('\\')) || clean.isEmpty()) {
            folders.append({zip_uint64_t(i), raw, clean, 0});
            continue;
        }
        const qint64 size = (st.valid & ZIP_STAT_SIZE) ? qint64(qMin<zip_uint64_t>(st.size, 1ULL << 62)) : 0;
        if (size > kMaxSkinFileBytes)
            tooLarge(path, raw, size);
        total += size;
        if (total > kMaxSkinTotalBytes)
            skinTooLarge(path);
        entries.append({zip_uint64_t(i), raw, clean, size});
    }

    // The skin's folder: the archive's root when a sheet lies there, else the
    // one folder inside it that holds sheets (the first, in the archive's
    // order, when there are several).
    QString rootFolder;
    QString rootAsWritten;
    bool sheetAtRoot = false;
    for (const Entry &e : entries)
        if (!e.path.contains(QLatin1Char('/')) && sheetForPictureName(e.path) != skNone)
            sheetAtRoot = true;
    if (!sheetAtRoot) {
        for (const Entry &e : entries) {
            const QStringList parts = e.path.split(QLatin1Char('/'));
            if (parts.size() == 2 && sheetForPictureName(parts[1]) != skNone && !isUnderTemporaryName(e.path)
                && !isResourceFork(e.path)) {
                rootFolder = parts[0] + QLatin1Char('/');
                // The name up to its last separator, as written (no "./"
                // or doubled separators to clean here: the file's name
                // follows that one separator).
                rootAsWritten = e.raw.left(e.raw.size() - parts[1].size());
                break;
            }
        }
    }

    QList<SkinFile> files;
    QStringList leftOut;
    QList<Entry> outside;
    QList<qint64> archiveOnly;
    for (const Entry &e : folders)
        if (!isResourceFork(e.path) && !isUnderTemporaryName(e.path))
            archiveOnly << qint64(e.index);
    for (const Entry &e : entries) {
        if (isResourceFork(e.path) || isUnderTemporaryName(e.path))
            continue;
        if (!e.path.startsWith(rootFolder)) {
            outside << e;
            continue;
        }
        const QString relative = e.path.mid(rootFolder.size());

        checkCancel(progress);
        const QByteArray bytes = readEntry(archive, path, e);

        // Unpacked one after another, a later entry of the same name replaces
        // an earlier one: players see the last. The earlier stays in the
        // archives saved from the skin, as it was.
        for (qsizetype i = 0; i < files.size(); ++i)
            if (files[i].path == relative) {
                archiveOnly << files[i].entry;
                files.removeAt(i);
                leftOut << QStringLiteral("%1 (named twice; the last one is used)").arg(e.raw);
                break;
            }
        files.append({relative, bytes, std::nullopt, std::nullopt, bytes, qint64(e.index)});
    }
    LoadedSkin skin = assembleSkin(std::move(files), true, path, {}, progress);
    skin.set.archiveFolder = rootFolder;
    skin.set.archiveFolderAsWritten = rootAsWritten;
    skin.set.archive = archiveBytes;
    std::sort(archiveOnly.begin(), archiveOnly.end());
    skin.set.archiveOnly = archiveOnly;
    // Files beside the skin's folder (a read-me next to it) go back into
    // an archive saved from it; a folder has no place for them.
    for (const Entry &e : outside) {
        const QByteArray bytes = readEntry(archive, path, e);
        skin.set.besideFolder.append({e.path, bytes, std::nullopt, std::nullopt, bytes, qint64(e.index)});
        skin.outsideFolder << e.path;
    }
    skin.leftOut = leftOut;
    return skin;
}

} // namespace

LoadedSkin readSkin(const QString &path, JobProgress *progress)
{
    if (QFileInfo(path).isDir())
        return readSkinFolder(path, progress);
    return readSkinArchive(path, progress);
}

QByteArray encodeSheet(const QImage &sheet, const QString &fileName)
{
    QImage pixels = sheet.convertToFormat(QImage::Format_BGR888);
    if (!isPngName(fileName))
        return bitmapFileBytes(pixels);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (!writer.write(pixels.convertToFormat(QImage::Format_RGB888)))
        throw VorlixError(QStringLiteral("Cannot encode %1 (%2)").arg(fileName, writer.errorString()));
    return bytes;
}

SkinFileSet skinFilesToSave(const SkinFileSet &set, const GlobalVar &g, bool everySheet)
{
    SkinFileSet out = set;
    for (SheetKind k : kSkinFileOrder) {
        const QImage *sheet = g.sheet(k);
        const bool added = everySheet && out.sheetFile[size_t(k)] < 0;
        if (!sheet || (!added && !g.sheetEdited(k)))
            continue;
        int &i = out.sheetFile[size_t(k)];
        if (i < 0) {
            out.files.append({sheetFileName(k), {}, std::nullopt});
            i = int(out.files.size() - 1);
        }
        out.files[i].bytes = encodeSheet(*sheet, out.files[i].path);
    }
    return out;
}

int skinTextFile(const SkinFileSet &set, const QString &name)
{
    for (int i = 0; i < set.files.size(); ++i)
        if (set.files[i].path.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

void putSkinTextFile(SkinFileSet &set, const QString &name, const QByteArray &bytes)
{
    const int i = skinTextFile(set, name);
    if (i >= 0)
        set.files[i].bytes = bytes;
    else
        set.files.append({name, bytes, std::nullopt});
}

void markSheetsWritten(GlobalVar &g, const SkinFileSet &written)
{
    for (SheetKind k = 0; k < kSheetCount; ++k) {
        const QImage *sheet = g.sheet(k);
        if (!sheet || written.sheetFile[size_t(k)] < 0)
            continue;
        if (g.SheetStates[size_t(k)].Origin != SheetOrigin::File || g.sheetEdited(k))
            g.SheetStates[size_t(k)] = {SheetOrigin::File, *sheet};
    }
}

} // namespace vorlix
