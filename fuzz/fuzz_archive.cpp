// libFuzzer target: any bytes as a skin archive (.wsz), read as opening one
// reads it, in memory. A crash, a sanitizer report, a message that says
// nothing ("No error"), or a skin read with a path that reaches outside it
// or a sheet that points at no file is a finding; a refused archive is not.
#include "editor/SkinFiles.h"
#include "platform/Errors.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

using namespace vorlix;

namespace {

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
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    LoadedSkin skin;
    try {
        skin = readSkinArchiveBytes(bytes, QStringLiteral("input.wsz"));
    } catch (const VorlixError &e) {
        checkMessage(e.message());
        return 0; // refused with a message: what should happen
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
    return 0;
}
