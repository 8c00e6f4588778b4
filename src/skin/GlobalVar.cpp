#include "skin/GlobalVar.h"

#include "platform/Blit.h"
#include "platform/Errors.h"

#include <QResource>

#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include <algorithm>
#include <cstring>

namespace vorlix {

namespace {
GlobalVar *&instance()
{
    static GlobalVar *g = new GlobalVar; // lives for the whole run
    return g;
}
} // namespace

QImage *GlobalVar::sheet(SheetKind kind) const
{
    if (kind < 0 || kind >= kSheetCount)
        return nullptr;
    const size_t k = size_t(kind);
    if (m_waiting[k]) {
        const QImage picture = builtInSheet(kind);
        // The one instance is never const: only its first use fills it in.
        auto &self = const_cast<GlobalVar &>(*this);
        *self.Sheets[k] = picture;
        self.SheetStates[k].Original = picture;
        self.m_waiting[k] = false;
    }
    return Sheets[k].get();
}

bool GlobalVar::sheetWaiting(SheetKind kind) const
{
    return kind >= 0 && kind < kSheetCount && m_waiting[size_t(kind)];
}

bool GlobalVar::sheetEdited(SheetKind kind) const
{
    if (sheetWaiting(kind))
        return false;
    const QImage *s = sheet(kind);
    if (!s)
        return false;
    const QImage &original = SheetStates[size_t(kind)].Original;
    // Shared pixels mean nothing was drawn since; otherwise compare them, so
    // an edit that was taken back counts as none.
    if (s->constBits() == original.constBits() && s->size() == original.size())
        return false;
    return s->size() != original.size() || *s != original;
}

GlobalVar &G()
{
    return *instance();
}

void resetGlobals()
{
    delete instance();
    instance() = new GlobalVar;
}

namespace {

[[noreturn]] void cannotLoad(const QString &name)
{
    throw VorlixError(QStringLiteral("Can't load the built-in image \"%1\"").arg(name));
}

quint32 le(const uchar *p, int size)
{
    quint32 v = 0;
    for (int i = size - 1; i >= 0; --i)
        v = (v << 8) | p[i];
    return v;
}

// Writes one pixel given as 0xAARRGGBB in the requested layout.
template <QImage::Format F>
inline void putPixel(uchar *d, QRgb c)
{
    if constexpr (F == QImage::Format_BGR888) {
        d[0] = uchar(c);
        d[1] = uchar(c >> 8);
        d[2] = uchar(c >> 16);
    } else if constexpr (F == QImage::Format_RGB32) {
        *reinterpret_cast<QRgb *>(d) = c | 0xff000000u;
    } else {
        *reinterpret_cast<QRgb *>(d) = c;
    }
}

// One loop for each stored and requested layout, so that no test is left
// inside the loop over the pixels.
template <int Bits, QImage::Format F>
void decodeRows(QImage &out, const uchar *pixels, qint64 stride, const QRgb *palette)
{
    constexpr int outBytes = F == QImage::Format_BGR888 ? 3 : 4;
    const int width = out.width(), height = out.height();
    for (int y = 0; y < height; ++y) {
        const uchar *s = pixels + stride * (height - 1 - y);
        uchar *d = out.scanLine(y);
        for (int x = 0; x < width; ++x, d += outBytes) {
            if constexpr (Bits == 8)
                putPixel<F>(d, palette[s[x]]);
            else if constexpr (Bits == 24)
                putPixel<F>(d, 0xff000000u | s[3 * x] | (s[3 * x + 1] << 8) | (s[3 * x + 2] << 16));
            else
                putPixel<F>(d, le(s + 4 * x, 4));
        }
    }
}

template <int Bits>
void decodeRows(QImage &out, const uchar *pixels, qint64 stride, const QRgb *palette)
{
    switch (out.format()) {
    case QImage::Format_BGR888: decodeRows<Bits, QImage::Format_BGR888>(out, pixels, stride, palette); break;
    case QImage::Format_RGB32: decodeRows<Bits, QImage::Format_RGB32>(out, pixels, stride, palette); break;
    default: decodeRows<Bits, QImage::Format_ARGB32>(out, pixels, stride, palette); break;
    }
}

} // namespace

QImage decodeBuiltInBmp(QByteArrayView data, QImage::Format format)
{
    if (format != QImage::Format_BGR888 && format != QImage::Format_RGB32 && format != QImage::Format_ARGB32
        && format != QImage::Format_Indexed8)
        return {};
    const auto *b = reinterpret_cast<const uchar *>(data.data());
    const qint64 size = data.size();
    if (size < 54 || b[0] != 'B' || b[1] != 'M')
        return {};
    const quint32 pixelsAt = le(b + 10, 4);
    const quint32 header = le(b + 14, 4);
    if ((header != 40 && header != 108 && header != 124) || 14 + qint64(header) > size)
        return {};
    const qint32 width = qint32(le(b + 18, 4));
    const qint32 height = qint32(le(b + 22, 4)); // bottom-up only
    const int bits = int(le(b + 28, 2));
    const quint32 compression = le(b + 30, 4);
    quint32 colours = le(b + 46, 4);
    if (width <= 0 || height <= 0 || width > 4096 || height > 4096 || le(b + 26, 2) != 1)
        return {};
    // The three layouts the generator writes: 256-colour palette, plain
    // 24-bit, and 32-bit with alpha described by bit masks.
    if (bits == 8 && compression == 0) {
        if (colours == 0)
            colours = 256;
        if (colours > 256 || 14 + qint64(header) + 4 * qint64(colours) > size)
            return {};
    } else if (bits == 24 && compression == 0) {
        // nothing more to check
    } else if (bits == 32 && compression == 3 && header >= 108) {
        if (le(b + 54, 4) != 0x00ff0000u || le(b + 58, 4) != 0x0000ff00u || le(b + 62, 4) != 0x000000ffu
            || le(b + 66, 4) != 0xff000000u)
            return {};
    } else {
        return {};
    }
    if (format == QImage::Format_Indexed8 && bits != 8)
        return {};
    const qint64 stride = (qint64(width) * bits / 8 + 3) / 4 * 4;
    if (pixelsAt > quint64(size) || stride * height > size - qint64(pixelsAt))
        return {};

    QRgb palette[256] = {};
    if (bits == 8)
        for (quint32 i = 0; i < colours; ++i)
            palette[i] = 0xff000000u | le(b + 14 + header + 4 * i, 3);

    QImage out(width, height, format);
    if (out.isNull())
        return {};
    const uchar *pixels = b + pixelsAt;
    if (format == QImage::Format_Indexed8) {
        // A quarter of the memory of 32 bits, for the large pictures that
        // are only ever drawn. All 256 entries, so that an index past the
        // palette is black, as in the other layouts.
        QList<QRgb> table(256);
        for (int i = 0; i < 256; ++i)
            table[i] = 0xff000000u | palette[i];
        out.setColorTable(table);
        for (int y = 0; y < height; ++y)
            std::memcpy(out.scanLine(y), pixels + stride * (height - 1 - y), size_t(width));
    } else if (bits == 8)
        decodeRows<8>(out, pixels, stride, palette);
    else if (bits == 24)
        decodeRows<24>(out, pixels, stride, palette);
    else
        decodeRows<32>(out, pixels, stride, palette);
    return out;
}

namespace {

// Our own pictures in the one simple layout we write: decoded here in one
// pass, without Qt's image readers, whose first use looks through every
// image plug-in on the system. Null on failure.
QImage decodeByName(const QString &name, QImage::Format format)
{
    const QResource resource(defaultImagePath(name));
    if (!resource.isValid())
        return {};
    return decodeBuiltInBmp(resource.uncompressedData(), format);
}

// Pictures decoded ahead on a worker thread, each handed out once.
struct Prefetch
{
    struct Entry
    {
        QString name;
        QImage::Format format;
        QImage image;
        bool ready = false;
        bool taken = false;
    };
    std::mutex mutex;
    std::condition_variable readyChanged;
    std::vector<Entry> entries; // not resized once the thread runs
    std::thread thread;
    ~Prefetch()
    {
        if (thread.joinable())
            thread.join();
    }
};

Prefetch &prefetch()
{
    static Prefetch p;
    return p;
}

} // namespace

void prefetchBuiltInPictures(const QList<std::pair<QString, QImage::Format>> &pictures)
{
    Prefetch &p = prefetch();
    if (!p.entries.empty() || pictures.isEmpty())
        return;
    for (const auto &[name, format] : pictures)
        p.entries.push_back({name, format});
    p.thread = std::thread([&p] {
        for (Prefetch::Entry &e : p.entries) {
            QImage image = decodeByName(e.name, e.format);
            {
                const std::lock_guard lock(p.mutex);
                e.image = std::move(image);
                e.ready = true;
            }
            p.readyChanged.notify_all();
        }
    });
}

QImage readBuiltInPicture(const QString &name, QImage::Format format)
{
    {
        Prefetch &p = prefetch();
        std::unique_lock lock(p.mutex);
        for (Prefetch::Entry &e : p.entries) {
            if (e.taken || e.name != name || e.format != format)
                continue;
            p.readyChanged.wait(lock, [&e] { return e.ready; });
            e.taken = true;
            QImage image = std::move(e.image);
            e.image = QImage();
            if (!image.isNull())
                return image;
            break;
        }
    }
    QImage img = decodeByName(name, format);
    if (img.isNull())
        cannotLoad(name);
    return img;
}

QImage loadDefaultImage(const QString &name)
{
    return readBuiltInPicture(name, QImage::Format_BGR888);
}

QImage builtInSheet(SheetKind kind)
{
    if (kind < 0 || kind >= kSheetCount)
        return {};
    static std::mutex mutex;
    static std::array<QImage, kSheetCount> cache;
    const std::lock_guard lock(mutex);
    QImage &image = cache[size_t(kind)];
    if (image.isNull()) {
        const QString name = QString::fromLatin1(sheetInfo(kind).imageName);
        QImage decoded = loadDefaultImage(name);
        if (decoded.size() != sheetSize(kind))
            throw VorlixError(QStringLiteral("The built-in image \"%1\" has the wrong size").arg(name));
        image = std::move(decoded);
    }
    return image;
}

void createBitmaps(GlobalVar &g)
{
    for (SheetKind k = 0; k < kSheetCount; ++k) {
        setSheet(g, k, QImage(), SheetOrigin::BuiltIn);
        g.m_waiting[size_t(k)] = true;
    }
    g.ImportPicture = std::make_unique<QImage>();
}

void setSheet(GlobalVar &g, SheetKind kind, const QImage &picture, SheetOrigin origin)
{
    if (kind < 0 || kind >= kSheetCount)
        return;
    auto &slot = g.Sheets[size_t(kind)];
    if (!slot)
        slot = std::make_unique<QImage>();
    *slot = picture;
    g.SheetStates[size_t(kind)] = {origin, picture};
    g.m_waiting[size_t(kind)] = false;
}

void followFallbackSheets(GlobalVar &g)
{
    for (SheetKind k = 0; k < kSheetCount; ++k) {
        const SheetKind from = fallbackSheet(k);
        if (from == skNone || g.SheetStates[size_t(k)].Origin != SheetOrigin::Fallback || g.sheetEdited(k))
            continue;
        if (const QImage *source = g.sheet(from); source && g.sheet(k))
            setSheet(g, k, *source, SheetOrigin::Fallback);
    }
}

bool growSheetToCover(GlobalVar &g, SheetKind kind, const Rect &r)
{
    QImage *s = g.sheet(kind);
    if (!s || (r.Right <= s->width() && r.Bottom <= s->height()))
        return false;
    const QSize size(std::max(s->width(), sheetSize(kind).width()), std::max(s->height(), sheetSize(kind).height()));
    if (size == s->size())
        return false; // already the format's size: what lies beyond is clipped
    QImage grown(size, QImage::Format_BGR888);
    grown.fill(Qt::black);
    blockCopy(grown, 0, 0, s->width(), s->height(), *s, 0, 0);
    *s = std::move(grown);
    return true;
}

QRgb absentPixelColour(int x, int y)
{
    return ((x / 4 + y / 4) % 2) ? qRgb(0x9a, 0x9a, 0x9a) : qRgb(0xd6, 0xd6, 0xd6);
}

void freeBitmaps(GlobalVar &g)
{
    for (auto &s : g.Sheets)
        s.reset();
    for (auto &state : g.SheetStates)
        state = {};
    g.m_waiting = {};
    g.ImportPicture.reset();
}

} // namespace vorlix
