// libFuzzer target: any bytes as a BMP file, resized to an element of the
// skin (sharp or smooth, as the input chooses) and imported into it, then
// every sheet that changed encoded as its file would hold it and decoded
// again. All in memory, so that thousands of inputs run
// a second. A crash, a sanitizer report or a sheet that reads back
// different is a finding; a refused file is not.
#include "editor/Propagate.h"
#include "output/FastDIB.h"
#include "output/SkinExport.h"
#include "platform/Blit.h"
#include "platform/BmpRead.h"
#include "platform/Errors.h"
#include "skin/GlobalVar.h"
#include "view/Resample.h"

#include <QBuffer>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

using namespace vorlix;

namespace {

QImage sharpResize(const QImage &src, int w, int h)
{
    QImage out(w, h, QImage::Format_BGR888);
    out.fill(Qt::black);
    stretchCopy(out, 0, 0, w, h, src, 0, 0, src.width(), src.height());
    return out;
}

QImage readBmpBytes(const QByteArray &bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return readBmpDevice(buffer);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (!G().sheet(skMain)) {
        resetGlobals(); // builds the globals afresh: take G() after it
        createBitmaps(G());
        fillElementTable(G().ElementTable);
    }
    GlobalVar &g = G();
    QImage picture;
    try {
        picture = readBmpBytes(QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size)));
    } catch (const VorlixError &) {
        return 0; // refused with a message: what should happen
    }
    // Large pictures (run-length data makes them from a few bytes) are
    // accepted up to the limits, but the resizes take time in proportion:
    // past 256 x 256 pixels they take no new paths, only time. The limits
    // themselves are covered by the tests.
    if (qint64(picture.width()) * picture.height() > (1 << 16))
        return -1;

    // The element and its start state come from the input's last bytes.
    const int idx = size ? data[size - 1] % 21 : 0;
    const SkinElement &e = g.ElementTable[size_t(idx)];
    const int w = std::max(1, e.SheetRect.width()), h = std::max(1, e.SheetRect.height());
    // One of the two resizes, chosen by the input, into the sheets: the
    // smooth one takes most of a run's time, so running both on every input
    // would halve the inputs a second for no path either lacks.
    const bool smooth = size > 2 && (data[size - 3] & 1);
    try {
        *g.ImportPicture = smooth ? Resample(picture, w, h, 3) : sharpResize(picture, w, h);
        g.CurrentState = std::int16_t(size > 1 ? data[size - 2] % 3 : 0);
        g.StartAtCurrentState = true;
        g.SourceAtWindowRect = e.Id == 0;
        PropagateImport(g, idx);
        g.SourceAtWindowRect = true;
    } catch (const VorlixError &) {
        return 0;
    }

    // Each sheet the import changed, as a saved file would hold it, read
    // back. (A QImage's cache key changes whenever its pixels may have.)
    static std::array<qint64, kSheetCount> checked{};
    for (SheetKind k : kSkinFileOrder) {
        if (checked[size_t(k)] == g.sheet(k)->cacheKey())
            continue;
        if (readBmpBytes(bitmapFileBytes(*g.sheet(k))) != *g.sheet(k)) {
            std::fprintf(stderr, "fuzz_import: %s reads back different\n", sheetFileName(k).toUtf8().constData());
            std::abort();
        }
        checked[size_t(k)] = g.sheet(k)->cacheKey();
    }
    return 0;
}
