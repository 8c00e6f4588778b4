#include "output/SkinWriter.h"

#include "platform/Errors.h"
#include "platform/NativeName.h"
#include "platform/ZipLib.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

namespace vorlix {

namespace {

[[noreturn]] void cannotCreate(const QString &path)
{
    throw VorlixError(QStringLiteral("Cannot create file %1").arg(path));
}

// Phase one for one file. Throws with the final path in the message.
void writeTemporary(const FileToWrite &f, const QString &tmp)
{
    if (f.createFolder) {
        const int slash = f.path.lastIndexOf(QLatin1Char('/'));
        if (slash > 0 && !makeNativePath(f.path.left(slash)))
            cannotCreate(f.path);
    }
    // A leftover of a killed save goes first. Removing (rather than
    // truncating through) the name also keeps a planted link from redirecting
    // the write; O_EXCL then refuses anything that appears in between. By
    // the name's own bytes, which need not be UTF-8 (NativeName.h).
    const QByteArray nativeTmp = nativeFromName(tmp);
    ::unlink(nativeTmp.constData());
    const int fd = ::open(nativeTmp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    QFile file;
    if (fd < 0 || !file.open(fd, QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        if (fd >= 0)
            ::close(fd);
        cannotCreate(f.path);
    }
    const bool wrote = file.write(f.bytes) == f.bytes.size()
        && (!f.permissions || file.setPermissions(*f.permissions)) && ::fsync(file.handle()) == 0;
    file.close();
    if (!wrote || file.error() != QFileDevice::NoError) {
        ::unlink(nativeTmp.constData());
        throw VorlixError(QStringLiteral("Stream write error"));
    }
}

QString withPrefix(const QString &finalPath, const char *prefix)
{
    // Plain string work: the folder part stays exactly as given.
    const qsizetype slash = finalPath.lastIndexOf(QLatin1Char('/'));
    return finalPath.left(slash + 1) + QLatin1String(prefix) + finalPath.mid(slash + 1);
}

QString oldLinkPathFor(const QString &finalPath)
{
    return withPrefix(finalPath, kOldLinkPrefix);
}

// Gives the old file a second name for the time of the renames. A rename
// that frees the last link of the old file can take milliseconds (the file
// system releases its blocks there and then); with a second link it is a few
// microseconds, and the blocks are freed after the last rename. Where the
// file system has no hard links, the renames are just slower.
void holdOldFile(const QString &finalPath)
{
    const QString link = oldLinkPathFor(finalPath);
    ::unlink(nativeFromName(link).constData()); // a leftover of a killed save
    ::link(nativeFromName(finalPath).constData(), nativeFromName(link).constData());
}

void releaseOldFiles(const QList<FileToWrite> &files, qsizetype count)
{
    for (qsizetype i = 0; i < count; ++i)
        ::unlink(nativeFromName(oldLinkPathFor(files[i].path)).constData());
}

void removeTemporaries(const QStringList &tmps, qsizetype from, qsizetype to)
{
    for (qsizetype i = from; i < to; ++i)
        ::unlink(nativeFromName(tmps[i]).constData());
}

// Phase two for files [0, count): rename in order; on a failure the rest of
// the temporaries (up to count) go and the failing final path is reported.
void renameInOrder(const QList<FileToWrite> &files, const QStringList &tmps, qsizetype count)
{
    for (qsizetype i = 0; i < count; ++i) {
        if (std::rename(nativeFromName(tmps[i]).constData(), nativeFromName(files[i].path).constData()) != 0) {
            removeTemporaries(tmps, i, count);
            releaseOldFiles(files, count);
            cannotCreate(files[i].path);
        }
    }
    releaseOldFiles(files, count);
}

} // namespace

QString temporaryPathFor(const QString &finalPath)
{
    return withPrefix(finalPath, kTemporaryPrefix);
}

bool isTemporaryName(const QString &fileName)
{
    return fileName.startsWith(QLatin1String(kTemporaryPrefix))
        || fileName.startsWith(QLatin1String(kOldLinkPrefix));
}

void writeFilesTwoPhase(const QList<FileToWrite> &files)
{
    QStringList tmps;
    for (const FileToWrite &f : files)
        tmps << temporaryPathFor(f.path);
    for (qsizetype i = 0; i < files.size(); ++i) {
        try {
            writeTemporary(files[i], tmps[i]);
            holdOldFile(files[i].path);
        } catch (const VorlixError &) {
            // The files before the failing one still land, as the user would
            // expect from writing one file after another.
            renameInOrder(files, tmps, i);
            throw;
        }
    }
    renameInOrder(files, tmps, files.size());
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
