// libFuzzer target: any bytes as a BMP file, resized to an element of the
// skin (sharp or smooth, as the input chooses) and imported into it, then
// every sheet that changed encoded as its file would hold it and decoded
// again. All in memory. A crash, a sanitizer report or a sheet that reads
// back different is a finding; a refused file is not.
//
// Work per input is bounded, so that a thousand inputs and more run a
// second even from whole skin sheets: pictures up to 32768 pixels are
// decoded, the smooth resize starts from at most 64 x 64 of them, and only
// elements whose import writes at most 8192 pixels are chosen. The larger
// ones take the same code paths, only longer.
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
#include <cstring>

using namespace vorlix;

namespace {

constexpr qint64 kMaxFuzzPixels = 32768;
constexpr int kSmoothFrom = 64;
constexpr qint64 kMaxWrittenPixels = 8192;

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

QSize declaredSize(const QByteArray &bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return declaredBmpSize(buffer);
}

// Pixels an import into element i writes, roughly: each state of it and of
// the elements below it.
qint64 writtenPixels(const ElementTableArray &table, int i)
{
    const SkinElement &e = table[size_t(i)];
    qint64 n = e.isGroup() ? 0 : qint64(e.MaxState + 1) * e.SheetRect.width() * e.SheetRect.height();
    for (int j = 0; j < e.ChildCount; ++j)
        n += writtenPixels(table, e.Children[size_t(j)]);
    return n;
}

[[noreturn]] void readsBackDifferent(SheetKind k, QSize size)
{
    std::fprintf(stderr, "fuzz_import: %s, %d x %d of it, reads back different\n",
                 sheetFileName(k).toUtf8().constData(), size.width(), size.height());
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QList<int> elements; // those an import may go to, with bounded work
    if (elements.isEmpty()) {
        resetGlobals(); // builds the globals afresh: take G() after it
        createBitmaps(G());
        fillElementTable(G().ElementTable);
        for (int i = 0; i < kElementCount; ++i)
            if (G().ElementTable[size_t(i)].hasSheetPlace() && writtenPixels(G().ElementTable, i) <= kMaxWrittenPixels)
                elements << i;
    }
    GlobalVar &g = G();
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    // Larger pictures (run-length data makes them from a few bytes) are
    // accepted up to the limits, which the tests cover; here they would
    // only take time. A size the headers don't give is left to the reader.
    const QSize declared = declaredSize(bytes);
    if (declared.isValid() && qint64(declared.width()) * std::abs(qint64(declared.height())) > kMaxFuzzPixels)
        return -1;
    QImage picture;
    try {
        picture = readBmpBytes(bytes);
    } catch (const VorlixError &) {
        return 0; // refused with a message: what should happen
    }
    if (qint64(picture.width()) * picture.height() > kMaxFuzzPixels)
        return -1;

    // The element and its start state come from the input's last bytes.
    const int idx = elements[size ? data[size - 1] % elements.size() : 0];
    const SkinElement &e = g.ElementTable[size_t(idx)];
    const int w = std::max(1, e.SheetRect.width()), h = std::max(1, e.SheetRect.height());
    // One of the two resizes, chosen by the input: running both on every
    // input would halve the inputs a second for no path either lacks. The
    // smooth one takes time by the source's size: a larger picture is first
    // brought down to 64 x 64 sharply.
    const bool smooth = size > 2 && (data[size - 3] & 1);
    try {
        if (smooth) {
            const QImage from = picture.width() > kSmoothFrom || picture.height() > kSmoothFrom
                                    ? sharpResize(picture, std::min(picture.width(), kSmoothFrom),
                                                  std::min(picture.height(), kSmoothFrom))
                                    : picture;
            *g.ImportPicture = Resample(from, w, h, 3);
        } else {
            *g.ImportPicture = sharpResize(picture, w, h);
        }
        g.CurrentState = std::int16_t(size > 1 ? data[size - 2] % 3 : 0);
        g.StartAtCurrentState = true;
        g.SourceAtWindowRect = importCutsWindow(e); // as the window does
        PropagateImport(g, idx);
        g.SourceAtWindowRect = true;
    } catch (const VorlixError &) {
        return 0;
    }

    // Each sheet the import changed, as a saved file would hold it, read
    // back. Encoding a whole sheet takes longer than the import: after a
    // sheet's first check at its size, the rows that changed are checked,
    // a picture of the sheet's width, which is what decides how its rows
    // are laid out in the file. (A QImage's cache key changes whenever its
    // pixels may have.)
    // The copies are deep: one sharing the sheet's pixels would have the
    // next import copy the whole sheet.
    static std::array<QImage, kSheetCount> checked;
    static std::array<qint64, kSheetCount> keys{};
    for (SheetKind k : kSkinFileOrder) {
        QImage &now = *g.sheet(k);
        if (keys[size_t(k)] == now.cacheKey())
            continue;
        QImage &was = checked[size_t(k)];
        if (was.size() != now.size() || was.format() != now.format()) {
            if (readBmpBytes(bitmapFileBytes(now)) != now)
                readsBackDifferent(k, now.size());
            was = now.copy();
        } else {
            int top = 0, bottom = now.height();
            const size_t row = size_t(now.width()) * size_t(now.depth()) / 8;
            while (top < bottom && std::memcmp(now.constScanLine(top), was.constScanLine(top), row) == 0)
                ++top;
            while (bottom > top && std::memcmp(now.constScanLine(bottom - 1), was.constScanLine(bottom - 1), row) == 0)
                --bottom;
            if (top < bottom) {
                QImage band = now.copy(0, top, now.width(), bottom - top);
                if (readBmpBytes(bitmapFileBytes(band)) != band)
                    readsBackDifferent(k, band.size());
                for (int y = top; y < bottom; ++y)
                    std::memcpy(was.scanLine(y), now.constScanLine(y), row);
            }
        }
        keys[size_t(k)] = now.cacheKey();
    }
    return 0;
}
