#include "editor/SkinFiles.h"

#include "output/SkinWriter.h"
#include "platform/Blit.h"
#include "platform/BmpRead.h"
#include "platform/Errors.h"
#include "skin/GlobalVar.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <zip.h>

#include <algorithm>
#include <memory>

namespace vorlix {

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

// Collects the sheets and carried files of one skin, then hands them over.
class SkinBuilder
{
public:
    SkinBuilder()
    {
        for (SheetKind k = 0; k < kSheetCount; ++k)
            m_skin.sheets[size_t(k)] = loadDefaultImage(QString::fromLatin1(sheetInfo(k).imageName));
    }

    bool haveSheet(SheetKind k) const { return !m_sourceName[size_t(k)].isEmpty(); }

    // A picture read for sheet k: copied into the built-in sheet's top-left
    // corner, clipped, so a picture of another size keeps the rest built in.
    void setSheet(SheetKind k, const QString &name, const QImage &picture)
    {
        QImage &sheet = m_skin.sheets[size_t(k)];
        if (picture.size() == sheet.size() && picture.format() == QImage::Format_BGR888)
            sheet = picture;
        else
            blockCopy(sheet, 0, 0, picture.width(), picture.height(), picture, 0, 0);
        m_sourceName[size_t(k)] = name;
    }

    // A second file for a sheet already read ("MAIN.BMP" beside "main.bmp").
    void duplicate(SheetKind k, const QString &name)
    {
        m_skin.refused << QStringLiteral("%1 (%2 was used instead)").arg(name, m_sourceName[size_t(k)]);
    }

    void refuse(SheetKind k, const QString &name, const QString &reason)
    {
        m_sourceName[size_t(k)] = name; // tried: not reported missing as well
        m_skin.refused << QStringLiteral("%1 (%2)").arg(name, reason);
    }

    // An archive may name a file twice; the first copy is kept, as a folder
    // can hold only one.
    void carry(const QString &path, const QByteArray &bytes)
    {
        for (const CarriedFile &c : m_skin.carried)
            if (c.path == path)
                return;
        m_skin.carried.append({path, bytes});
    }
    void leaveOut(const QString &path) { m_skin.leftOut << path; }

    LoadedSkin finish(const QString &skinPath)
    {
        for (SheetKind k : {skMain, skTitleBar, skCButtons, skShufRep, skPlayPaus, skVolume, skBalance,
                            skMonoSter, skPosBar})
            if (!haveSheet(k))
                m_skin.missing << sheetFileName(k);
        // Most likely the wrong folder or archive was chosen: opening it would
        // only throw the current sheets away.
        if (m_skin.missing.size() == kSheetCount)
            throw VorlixError(QStringLiteral("Cannot open skin \"%1\": it holds none of the skin's bitmaps (%2)")
                                  .arg(skinPath, m_skin.missing.join(QStringLiteral(", "))));
        return std::move(m_skin);
    }

private:
    LoadedSkin m_skin;
    std::array<QString, kSheetCount> m_sourceName;
};

// Reads a sheet through the BMP reader; a refusal goes into the report.
void readSheetFile(SkinBuilder &b, SheetKind k, const QString &name, const QString &file,
                   const QString &shownFile)
{
    if (b.haveSheet(k)) {
        b.duplicate(k, name);
        return;
    }
    try {
        b.setSheet(k, name, readBmpFile(file));
    } catch (const VorlixError &e) {
        QString reason = e.message();
        reason.replace(file, shownFile); // never a temporary's name
        b.refuse(k, name, reason);
    }
}

// ---- archives

struct ZipCloser
{
    void operator()(zip_t *z) const { zip_discard(z); }
};

QString zipOpenProblem(const QString &path, int code)
{
    switch (code) {
    case ZIP_ER_NOZIP: {
        QFile f(path);
        const bool looksLikeZip = f.open(QIODevice::ReadOnly) && f.read(2) == "PK";
        return looksLikeZip ? QStringLiteral("the archive is truncated or damaged")
                            : QStringLiteral("it is not a zip archive");
    }
    case ZIP_ER_INCONS:
    case ZIP_ER_CRC:
    case ZIP_ER_EOF:
        return QStringLiteral("the archive is truncated or damaged");
    case ZIP_ER_MEMORY:
        return QStringLiteral("there is not enough memory");
    default: {
        zip_error_t error;
        zip_error_init_with_code(&error, code);
        const QString text = QString::fromUtf8(zip_error_strerror(&error));
        zip_error_fini(&error);
        return text;
    }
    }
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

QString LoadedSkin::report() const
{
    QStringList lines;
    if (!missing.isEmpty() || !refused.isEmpty())
        lines << QStringLiteral("Some pictures of the skin could not be used; the built-in pictures stand in "
                                "for them.");
    if (!missing.isEmpty())
        lines << QStringLiteral("Missing: %1").arg(missing.join(QStringLiteral(", ")));
    if (!refused.isEmpty())
        lines << QStringLiteral("Refused: %1").arg(refused.join(QStringLiteral(", ")));
    if (!leftOut.isEmpty())
        lines << QStringLiteral("Left out, as they lie outside the skin's folder: %1")
                     .arg(leftOut.join(QStringLiteral(", ")));
    return lines.join(QLatin1Char('\n'));
}

LoadedSkin readSkinFolder(const QString &dir)
{
    const QFileInfo info(dir);
    if (!info.isDir())
        throw VorlixError(QStringLiteral("Cannot open skin \"%1\": there is no such folder").arg(dir));
    const QDir root(info.absoluteFilePath());

    // Regular files only (a FIFO would block the read forever), found without
    // following linked folders, so a link loop can't keep us going.
    struct Found
    {
        QString relative;
        QString absolute;
    };
    QList<Found> found;
    qint64 total = 0;
    QDirIterator it(root.path(), QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo f(it.next());
        // Our own temporaries of a killed save are never part of a skin.
        if (!f.isFile() || isTemporaryName(f.fileName()))
            continue;
        if (found.size() >= kMaxSkinFiles)
            tooManyFiles(dir);
        const QString relative = root.relativeFilePath(f.filePath());
        if (f.size() > kMaxSkinFileBytes)
            tooLarge(dir, relative, f.size());
        total += f.size();
        if (total > kMaxSkinTotalBytes)
            skinTooLarge(dir);
        found.append({relative, f.filePath()});
    }
    std::sort(found.begin(), found.end(), [](const Found &a, const Found &b) { return a.relative < b.relative; });

    SkinBuilder b;
    for (const Found &f : found) {
        const SheetKind k = f.relative.contains(QLatin1Char('/')) ? SheetKind(skNone) : sheetForFileName(f.relative);
        if (k != skNone) {
            readSheetFile(b, k, f.relative, f.absolute, f.absolute);
            continue;
        }
        QFile file(f.absolute);
        if (!file.open(QIODevice::ReadOnly))
            throw VorlixError(QStringLiteral("Cannot open file \"%1\". %2").arg(f.absolute, file.errorString()));
        // Bounded, in case the file grew since it was listed.
        QByteArray bytes = file.read(kMaxSkinFileBytes + 1);
        if (bytes.size() > kMaxSkinFileBytes)
            tooLarge(dir, f.relative, bytes.size());
        b.carry(f.relative, bytes);
    }
    return b.finish(dir);
}

LoadedSkin readSkinArchive(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        throw VorlixError(QStringLiteral("Cannot open skin \"%1\": there is no such file").arg(path));
    if (!info.isFile())
        badArchive(path, QStringLiteral("it is not a regular file"));

    int code = 0;
    std::unique_ptr<zip_t, ZipCloser> archive(
        zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &code));
    if (!archive)
        badArchive(path, zipOpenProblem(path, code));

    const zip_int64_t count = zip_get_num_entries(archive.get(), 0);
    if (count > kMaxSkinFiles)
        tooManyFiles(path);

    // First every entry's name, size and encryption, before reading anything.
    struct Entry
    {
        zip_uint64_t index;
        QString path;
        qint64 size;
    };
    QList<Entry> entries;
    qint64 total = 0;
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(archive.get(), zip_uint64_t(i), 0, &st) != 0)
            badArchive(path, QString::fromUtf8(zip_strerror(archive.get())));
        const QString raw = QString::fromUtf8(st.name);
        const QString clean = checkedEntryPath(path, raw);
        if ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE)
            badArchive(path, QStringLiteral("the entry \"%1\" is encrypted").arg(raw));
        if (raw.endsWith(QLatin1Char('/')) || raw.endsWith(QLatin1Char('\\')) || clean.isEmpty())
            continue; // a folder
        const qint64 size = (st.valid & ZIP_STAT_SIZE) ? qint64(qMin<zip_uint64_t>(st.size, 1ULL << 62)) : 0;
        if (size > kMaxSkinFileBytes)
            tooLarge(path, raw, size);
        total += size;
        if (total > kMaxSkinTotalBytes)
            skinTooLarge(path);
        entries.append({zip_uint64_t(i), clean, size});
    }

    // The skin's folder: the archive's root when a sheet lies there, else the
    // one folder inside it that holds sheets.
    QString rootFolder;
    bool sheetAtRoot = false;
    for (const Entry &e : entries)
        if (!e.path.contains(QLatin1Char('/')) && sheetForFileName(e.path) != skNone)
            sheetAtRoot = true;
    if (!sheetAtRoot) {
        for (const Entry &e : entries) {
            const QStringList parts = e.path.split(QLatin1Char('/'));
            if (parts.size() == 2 && sheetForFileName(parts[1]) != skNone) {
                rootFolder = parts[0] + QLatin1Char('/');
                break;
            }
        }
    }

    QTemporaryDir scratch; // sheets pass through the file reader
    SkinBuilder b;
    for (const Entry &e : entries) {
        if (!e.path.startsWith(rootFolder)) {
            // Resource forks some packers add are no part of any skin.
            if (!e.path.startsWith(QLatin1String("__MACOSX/")))
                b.leaveOut(e.path);
            continue;
        }
        const QString relative = e.path.mid(rootFolder.size());
        if (isTemporaryName(relative.section(QLatin1Char('/'), -1)))
            continue;

        QByteArray bytes(e.size, Qt::Uninitialized);
        zip_file_t *file = zip_fopen_index(archive.get(), e.index, 0);
        if (!file)
            badArchive(path, QStringLiteral("the entry \"%1\" cannot be read (%2)")
                                 .arg(e.path, QString::fromUtf8(zip_strerror(archive.get()))));
        const zip_int64_t got = e.size > 0 ? zip_fread(file, bytes.data(), zip_uint64_t(e.size)) : 0;
        char extra = 0;
        const zip_int64_t more = got == e.size ? zip_fread(file, &extra, 1) : 0;
        const QString why = QString::fromUtf8(zip_file_strerror(file));
        zip_fclose(file);
        if (got != e.size || more != 0)
            badArchive(path, QStringLiteral("the entry \"%1\" is damaged (%2)").arg(e.path, why));

        const SheetKind k = relative.contains(QLatin1Char('/')) ? SheetKind(skNone) : sheetForFileName(relative);
        if (k == skNone) {
            b.carry(relative, bytes);
            continue;
        }
        if (!scratch.isValid())
            throw VorlixError(QStringLiteral("Cannot open skin \"%1\": no room for a temporary file (%2)")
                                  .arg(path, scratch.errorString()));
        const QString tmp = scratch.filePath(QStringLiteral("sheet.bmp"));
        QFile out(tmp);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(bytes) != bytes.size())
            throw VorlixError(QStringLiteral("Cannot open skin \"%1\": cannot write a temporary file (%2)")
                                  .arg(path, out.errorString()));
        out.close();
        readSheetFile(b, k, relative, tmp, relative);
    }
    return b.finish(path);
}

LoadedSkin readSkin(const QString &path)
{
    if (QFileInfo(path).isDir())
        return readSkinFolder(path);
    return readSkinArchive(path);
}

} // namespace vorlix
