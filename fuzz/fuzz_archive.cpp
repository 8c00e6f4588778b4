// libFuzzer target: any bytes as a skin archive (.wsz), read as opening one
// reads it, in memory. Work per input is bounded, since a whole skin takes
// a hundred times longer than anything else here and reaches nothing new:
// an archive whose entries unpack to more than 32 kB loses its last entries
// (libzip drops them, copying the others as they are) before it is read,
// and the read is cancelled, as the window's Cancel would, once it has
// decoded four sheets. Mutated archives mostly fail their checksums, so an
// input that does not start like one ("PK") is taken as names and contents
// instead, "name|content|name|content..." with "\n##\n" for "|", packed into a sound archive
// first: that reaches the choice of the skin's folder, of the sheets and the
// names given twice. A crash, a sanitizer report, a message that says
// nothing ("No error"), or a skin read with a path that reaches outside it
// or a sheet that points at no file is a finding; a refused archive is not.
#include "editor/SkinFiles.h"
#include "output/SkinWriter.h"
#include "platform/BackgroundJob.h"
#include "platform/Errors.h"

#include <zip.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

using namespace vorlix;

namespace {

constexpr int kMaxSheetsDecoded = 2;
constexpr zip_uint64_t kMaxUnpacked = 16 * 1024;

// What libzip wrote into a buffer source; empty when that fails.
QByteArray bufferBytes(zip_source_t *buffer)
{
    QByteArray out;
    zip_stat_t st;
    if (zip_source_stat(buffer, &st) == 0 && zip_source_open(buffer) == 0) {
        out.resize(qsizetype(st.size));
        if (zip_source_read(buffer, out.data(), st.size) != zip_int64_t(st.size))
            out.clear();
        zip_source_close(buffer);
    }
    return out;
}

// The archive without the entries past kMaxUnpacked bytes, as its directory
// gives their sizes; empty when it keeps every entry or libzip can't open
// it: then the reader gets the input itself.
QByteArray withinBudget(const QByteArray &bytes)
{
    zip_error_t error;
    zip_error_init(&error);
    // A copy for libzip to own: writing the archive back may keep the
    // unchanged start of the buffer and free it with the rest.
    void *copy = std::malloc(size_t(std::max<qsizetype>(bytes.size(), 1)));
    if (!copy)
        return {};
    std::memcpy(copy, bytes.constData(), size_t(bytes.size()));
    zip_source_t *buffer = zip_source_buffer_create(copy, zip_uint64_t(bytes.size()), 1, &error);
    if (!buffer)
        std::free(copy);
    zip_t *archive = buffer ? zip_open_from_source(buffer, 0, &error) : nullptr;
    zip_error_fini(&error);
    if (!archive) {
        if (buffer)
            zip_source_free(buffer);
        return {};
    }
    zip_source_keep(buffer);
    zip_uint64_t total = 0;
    bool dropped = false;
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t st;
        zip_stat_init(&st);
        const zip_uint64_t size = zip_stat_index(archive, zip_uint64_t(i), 0, &st) == 0 && (st.valid & ZIP_STAT_SIZE)
                                      ? st.size : 0;
        if (dropped || size > kMaxUnpacked - total) {
            dropped = zip_delete(archive, zip_uint64_t(i)) == 0 || dropped;
            continue;
        }
        total += size;
    }
    QByteArray out;
    if (!dropped)
        zip_discard(archive);
    else if (zip_close(archive) == 0)
        out = bufferBytes(buffer);
    else
        zip_discard(archive);
    zip_source_free(buffer);
    return out;
}

// The entries stored, not deflated: setting up zlib for every entry would
// take most of the time of a run. Empty when libzip refuses a name.
QByteArray packed(const QList<QPair<QByteArray, QByteArray>> &entries)
{
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t *buffer = zip_source_buffer_create(nullptr, 0, 0, &error);
    zip_t *archive = buffer ? zip_open_from_source(buffer, ZIP_TRUNCATE, &error) : nullptr;
    zip_error_fini(&error);
    if (!archive) {
        if (buffer)
            zip_source_free(buffer);
        return {};
    }
    zip_source_keep(buffer);
    bool ok = true;
    for (const auto &[name, bytes] : entries) {
        zip_source_t *data = zip_source_buffer(archive, bytes.constData(), zip_uint64_t(bytes.size()), 0);
        const zip_int64_t index = data ? zip_file_add(archive, name.constData(), data, ZIP_FL_ENC_GUESS) : -1;
        if (index < 0) {
            if (data)
                zip_source_free(data);
            ok = false;
            break;
        }
        zip_set_file_compression(archive, zip_uint64_t(index), ZIP_CM_STORE, 0);
    }
    QByteArray out;
    if (ok && zip_close(archive) == 0) {
        out = bufferBytes(buffer);
    } else if (!ok) {
        zip_discard(archive);
    }
    zip_source_free(buffer);
    return out;
}

[[noreturn]] void finding(const char *what, const QString &detail)
{
    std::fprintf(stderr, "fuzz_archive: %s: %s\n", what, detail.toUtf8().constData());
    std::abort();
}

void checkMessage(const QString &text)
{
    if (text.contains(QLatin1String("No error"), Qt::CaseInsensitive))
        finding("a message without a reason", text);
}

void checkPath(const QString &path)
{
    if (path.isEmpty() || path.startsWith(QLatin1Char('/')) || path.contains(QLatin1Char('\\')))
        finding("an unclean path", path);
    for (const QString &part : path.split(QLatin1Char('/')))
        if (part.isEmpty() || part == QLatin1String("..") || part == QLatin1String("."))
            finding("an unclean path", path);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    if (!bytes.startsWith("PK")) {
        QList<QByteArray> parts;
        for (qsizetype from = 0;;) {
            const qsizetype at = bytes.indexOf("\n##\n", from);
            parts << bytes.mid(from, at < 0 ? -1 : at - from);
            if (at < 0)
                break;
            from = at + 4;
        }
        QList<QPair<QByteArray, QByteArray>> entries;
        for (qsizetype i = 0; i + 1 < parts.size() && entries.size() < 32; i += 2)
            entries.append({parts[i], parts[i + 1]});
        bytes = packed(entries);
        if (bytes.isEmpty())
            return -1; // a name the packer refuses: nothing to read
    } else if (const QByteArray smaller = withinBudget(bytes); !smaller.isEmpty()) {
        bytes = smaller;
    }
    LoadedSkin skin;
    JobProgress budget;
    int sheets = 0;
    // Told before each sheet is decoded; the Cancel is looked at before the
    // next one.
    budget.onReport = [&sheets](JobProgress &p) {
        if (++sheets >= kMaxSheetsDecoded)
            p.requestCancel();
    };
    try {
        skin = readSkinArchiveBytes(bytes, QStringLiteral("input.wsz"), &budget);
    } catch (const VorlixError &e) {
        checkMessage(e.message());
        return 0; // refused with a message: what should happen
    } catch (const JobCancelled &) {
        return 0; // more sheets than this target decodes
    }
    checkMessage(skin.report());
    qint64 total = 0;
    for (const SkinFile &f : skin.set.files) {
        checkPath(f.path);
        total += f.bytes.size();
    }
    for (const SkinFile &f : skin.set.besideFolder) {
        checkPath(f.path);
        total += f.bytes.size();
    }
    if (total > kMaxSkinTotalBytes)
        finding("more than a skin may hold", QString::number(total));
    for (SheetKind k = 0; k < kSheetCount; ++k) {
        const int i = skin.set.sheetFile[size_t(k)];
        if (i < -1 || i >= skin.set.files.size())
            finding("a sheet without its file", QString::number(i));
        if (skin.sheets[size_t(k)].isNull())
            finding("a sheet without a picture", QString::number(k));
    }

    // Saved unchanged, as Save ZIP Skin... saves it (the archive edited in
    // place), it opens again with the same files.
    QByteArray saved;
    try {
        saved = buildZipArchive(archiveEntriesFor(skin.set), skin.set.archive);
    } catch (const VorlixError &e) {
        checkMessage(e.message());
        return 0;
    }
    // The same files, so no more sheets are decoded than above.
    LoadedSkin again;
    try {
        again = readSkinArchiveBytes(saved, QStringLiteral("saved.wsz"));
    } catch (const VorlixError &e) {
        finding("the saved archive does not open again", e.message());
    }
    bool same = again.set.files.size() == skin.set.files.size();
    for (qsizetype i = 0; same && i < skin.set.files.size(); ++i)
        same = again.set.files[i].path == skin.set.files[i].path && again.set.files[i].bytes == skin.set.files[i].bytes;
    if (!same)
        finding("saved unchanged, it opens with other files", QString::number(again.set.files.size()));
    return 0;
}
