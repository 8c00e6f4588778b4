#include "platform/BmpRead.h"

#include "platform/BackgroundJob.h"
#include "platform/Errors.h"

#include <QColorSpace>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QLocale>
#include <QPainter>

#include <algorithm>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#else
#include <QFileInfo>
#endif

namespace vorlix {

namespace {

[[noreturn]] void notValid()
{
    throw VorlixError(QStringLiteral("Bitmap image is not valid"));
}

[[noreturn]] void cannotOpen(const QString &path, const QString &reason)
{
    throw VorlixError(QStringLiteral("Cannot open file \"%1\". %2")
                          .arg(QDir::toNativeSeparators(path), reason));
}

quint32 le(const QByteArray &b, int at, int size)
{
    quint32 v = 0;
    for (int i = size - 1; i >= 0; --i)
        v = (v << 8) | quint8(b[at + i]);
    return v;
}

// What the headers declare; valid is false when they are too short to say.
struct Declared
{
    bool valid = false;
    qint64 width = 0, height = 0; // height negative for top-down rows
    qint64 offset = 0;
    int bits = 0;
    int headerSize = 0;
    quint32 compression = 0;
    quint32 colorsUsed = 0;
    quint32 masks[3] = {0, 0, 0}; // red, green, blue of 16- and 32-bit files
};

Declared declared(QIODevice &file)
{
    const QByteArray head = file.peek(66);
    Declared d;
    if (head.size() < 26 || !head.startsWith("BM"))
        return d; // the reader decides
    d.offset = le(head, 10, 4);
    const quint32 headerSize = le(head, 14, 4);
    d.headerSize = int(std::min<quint32>(headerSize, 1 << 20));
    if (headerSize == 12) {
        d.width = le(head, 18, 2);
        d.height = le(head, 20, 2);
        d.bits = int(le(head, 24, 2));
    } else {
        if (head.size() < 34)
            return d;
        d.width = qint32(le(head, 18, 4));
        d.height = qint32(le(head, 22, 4));
        d.bits = int(le(head, 28, 2));
        d.compression = le(head, 30, 4);
        if (head.size() >= 50)
            d.colorsUsed = le(head, 46, 4);
        const bool bitFields = d.compression == 3 || d.compression == 6;
        if (bitFields && head.size() >= 66) {
            for (int k = 0; k < 3; ++k)
                d.masks[k] = le(head, 54 + 4 * k, 4);
        } else if (d.compression == 0 && d.bits == 16) {
            d.masks[0] = 0x7c00;
            d.masks[1] = 0x03e0;
            d.masks[2] = 0x001f;
        }
    }
    d.valid = true;
    return d;
}

// An uncompressed file shorter than its own pixel rows: the reader would fill
// the missing rows with whatever it likes, so such a file is refused.
bool truncated(const QIODevice &file, const Declared &d)
{
    const bool uncompressed = d.compression == 0 || d.compression == 3 || d.compression == 6;
    if (!d.valid || !uncompressed || d.width <= 0 || d.bits <= 0 || d.bits > 32)
        return false;
    const qint64 stride = ((d.width * d.bits + 31) / 32) * 4;
    return file.size() < d.offset + stride * std::abs(d.height);
}

// Opens only a regular file. A pipe would block the open (and every read) for
// as long as nobody writes to it, and a device may never end; both are
// refused without waiting.
void openRegularFile(QFile &file, const QString &path)
{
    const QString notRegular = QStringLiteral("It is not a regular file.");
    const QString folder = QStringLiteral("It is a folder.");
#ifdef Q_OS_UNIX
    const QByteArray name = QFile::encodeName(path);
    struct stat st;
    if (::stat(name.constData(), &st) != 0)
        cannotOpen(path, QString::fromLocal8Bit(std::strerror(errno)));
    if (S_ISDIR(st.st_mode))
        cannotOpen(path, folder);
    if (!S_ISREG(st.st_mode))
        cannotOpen(path, notRegular);
    // The name may have been swapped for a pipe since: open without waiting
    // and look again at what was opened.
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        cannotOpen(path, QString::fromLocal8Bit(std::strerror(errno)));
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        cannotOpen(path, S_ISDIR(st.st_mode) ? folder : notRegular);
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        cannotOpen(path, file.errorString());
    }
#else
    const QFileInfo info(path);
    if (info.isDir())
        cannotOpen(path, folder);
    if (info.exists() && !info.isFile())
        cannotOpen(path, notRegular);
    file.setFileName(path);
    if (!file.open(QIODevice::ReadOnly))
        cannotOpen(path, file.errorString());
#endif
}

// Qt widens a channel of fewer than 8 bits by shifting alone, so a full
// 5-bit channel (31) reads as 248 and a white 16-bit picture comes in grey.
// Repeating the channel's bits below it maps 0..31 onto 0..255 end to end, as
// other readers do.
void widenShortChannels(QImage &out, const Declared &d)
{
    if (d.bits != 16 && d.bits != 32)
        return;
    uchar table[3][256];
    bool any = false;
    for (int k = 0; k < 3; ++k) {
        const int width = qPopulationCount(d.masks[k]);
        for (int x = 0; x < 256; ++x) {
            int v = x;
            if (width > 0 && width < 8)
                for (int shift = width; shift < 8; shift += width)
                    v |= x >> shift;
            table[k][x] = uchar(v);
        }
        any = any || (width > 0 && width < 8);
    }
    if (!any)
        return;
    for (int y = 0; y < out.height(); ++y) {
        uchar *p = out.scanLine(y);
        for (int x = 0; x < out.width(); ++x, p += 3) {
            p[0] = table[2][p[0]]; // blue
            p[1] = table[1][p[1]];
            p[2] = table[0][p[2]]; // red
        }
    }
}


// Gives the bytes of another device through, and stops giving them once
// the Cancel was pressed, so Qt's reader ends early too.
class CancellableDevice : public QIODevice
{
public:
    CancellableDevice(QIODevice &source, JobProgress *progress)
        : m_source(source), m_start(source.pos()), m_progress(progress)
    {
        open(QIODevice::ReadOnly);
    }
    bool isSequential() const override { return m_source.isSequential(); }
    qint64 size() const override { return m_source.size() - m_start; }
    bool seek(qint64 pos) override { return QIODevice::seek(pos) && m_source.seek(m_start + pos); }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        if (m_progress) {
            if (m_progress->cancelRequested())
                return -1;
            m_progress->report(m_source.pos() - m_start, size());
        }
        return m_source.read(data, maxSize);
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QIODevice &m_source;
    const qint64 m_start;
    JobProgress *const m_progress;
};

// Run-length files are decoded here, straight into the 24-bit picture: a few
// bytes may declare millions of pixels, and every row is a point to stop at
// when the user cancels. Pixels the data never reaches keep palette entry 0,
// as a cleared indexed picture would show them.
QImage readRunLength(QIODevice &file, const Declared &d, JobProgress *progress)
{
    const bool rle8 = d.compression == 1;
    if (d.bits != (rle8 ? 8 : 4) || d.headerSize < 40 || d.width <= 0 || d.height == 0)
        notValid();
    const qint64 start = file.pos();
    const int paletteEntries = d.colorsUsed ? int(std::min<quint32>(d.colorsUsed, 257)) : 1 << d.bits;
    if (paletteEntries > 256)
        notValid();
    if (!file.seek(start + 14 + d.headerSize))
        notValid();
    const QByteArray paletteBytes = file.read(qint64(paletteEntries) * 4);
    uchar palette[256][3] = {}; // blue, green, red; entries past the file's are black
    for (int i = 0; i < paletteEntries && 4 * i + 2 < paletteBytes.size(); ++i)
        for (int c = 0; c < 3; ++c)
            palette[i][c] = uchar(paletteBytes[4 * i + c]);
    if (d.offset > 14 + d.headerSize && !file.seek(start + d.offset))
        notValid();
    const QByteArray data = file.readAll();
    const auto *in = reinterpret_cast<const uchar *>(data.constData());
    const qsizetype end = data.size();

    const int w = int(d.width);
    const int h = int(std::abs(d.height));
    const bool topDown = d.height < 0;
    QImage out(w, h, QImage::Format_BGR888);
    if (out.isNull())
        notValid();
    {
        uchar *first = out.scanLine(0);
        for (int x = 0; x < w; ++x)
            std::memcpy(first + 3 * x, palette[0], 3);
        for (int y = 1; y < h; ++y) {
            if (y % 64 == 0)
                checkCancel(progress);
            std::memcpy(out.scanLine(y), first, size_t(w) * 3);
        }
    }
    checkCancel(progress);

    int x = 0, y = 0; // y counts rows in the file's order
    uchar *row = out.scanLine(topDown ? 0 : h - 1);
    const auto put = [&](int index) {
        if (x < w) {
            std::memcpy(row + 3 * x, palette[index], 3);
            ++x;
        }
    };
    const auto nextRow = [&] {
        if (y < h)
            row = out.scanLine(topDown ? y : h - 1 - y);
        if (progress) {
            progress->check();
            progress->report(y, h);
        }
    };
    qsizetype at = 0;
    int codes = 0;
    while (y < h && at + 1 < end) {
        if (++codes % 4096 == 0)
            checkCancel(progress);
        const int count = in[at];
        const int value = in[at + 1];
        at += 2;
        if (count > 0) { // a run of one index (RLE4: two, taking turns)
            for (int i = 0; i < count && x < w; ++i)
                put(rle8 ? value : (i % 2 ? value & 15 : value >> 4));
            continue;
        }
        if (value == 0) { // end of the row
            x = 0;
            ++y;
            nextRow();
        } else if (value == 1) { // end of the picture
            break;
        } else if (value == 2) { // a jump right and up; it stays inside the picture
            if (at + 1 >= end)
                break;
            x = std::min(x + in[at], w - 1);
            const int dy = in[at + 1];
            at += 2;
            if (dy > 0) {
                y = std::min(y + dy, h - 1);
                nextRow();
            }
        } else { // value indices given one by one, padded to whole 16-bit words
            const int bytes = rle8 ? value : (value + 1) / 2;
            for (int i = 0; i < value && at + (rle8 ? i : i / 2) < end; ++i) {
                const uchar b = in[at + (rle8 ? i : i / 2)];
                put(rle8 ? b : (i % 2 ? b & 15 : b >> 4));
            }
            at += bytes + (bytes & 1);
        }
    }
    return out;
}

} // namespace

void requirePictureSizeForSkin(qint64 width, qint64 height)
{
    width = std::abs(width);
    height = std::abs(height);
    if (width <= kMaxPictureSide && height <= kMaxPictureSide && width * height <= kMaxPicturePixels)
        return;
    const QLocale english(QLocale::English);
    throw VorlixError(
        QStringLiteral("The picture is %1 x %2 pixels, too large for a skin. A picture may be at most "
                       "%3 pixels wide and %3 pixels high, and hold at most %4 pixels")
            .arg(english.toString(width), english.toString(height), english.toString(kMaxPictureSide),
                 english.toString(kMaxPicturePixels)));
}

QImage readPictureForSkin(QImageReader &reader)
{
    const QSize size = reader.size();
    if (size.isValid())
        requirePictureSizeForSkin(size.width(), size.height());
    // The size check bounds what the reader allocates; Qt's own limit
    // (128 MiB) would refuse pictures within it.
    QImageReader::setAllocationLimit(std::max(QImageReader::allocationLimit(), 512));
    const QImage image = reader.read();
    if (!image.isNull())
        requirePictureSizeForSkin(image.width(), image.height());
    return image;
}

QImage readBmpFile(const QString &path, JobProgress *progress)
{
    QFile file;
    openRegularFile(file, path);
    return readBmpDevice(file, progress);
}

QSize declaredBmpSize(QIODevice &device)
{
    const Declared d = declared(device);
    if (!d.valid)
        return {};
    return {int(d.width), int(d.height)};
}

QImage readBmpDevice(QIODevice &source, JobProgress *progress)
{
    const Declared d = declared(source);
    if (d.valid)
        requirePictureSizeForSkin(d.width, d.height);
    checkCancel(progress);
    if (d.valid && (d.compression == 1 || d.compression == 2))
        return readRunLength(source, d, progress);
    if (truncated(source, d))
        notValid();
    // Uncompressed pixels cost as much to read as the file is long; Qt's
    // reader decodes them, through a device that ends when Cancel is pressed.
    CancellableDevice file(source, progress);
    QImageReader reader(&file, "bmp");
    // Qt's own BMP reader only: left to guess, Qt would load every image
    // plug-in on the system and let one of them claim the file.
    reader.setAutoDetectImageFormat(false);
    reader.setAutoTransform(false);
    // Rows stored top-down show as a negative height; the picture is the same.
    const QSize declaredSize = reader.size();
    if (declaredSize.width() <= 0 || declaredSize.height() == 0 || declaredSize.height() == INT_MIN)
        notValid();
    const QSize size(declaredSize.width(), std::abs(declaredSize.height()));
    const QImage::Format format = reader.imageFormat();
    if (format == QImage::Format_Invalid)
        notValid();
    requirePictureSizeForSkin(size.width(), size.height());

    // Qt's BMP reader decodes into an image of the right size and format when
    // it is handed one, and reports success for some damaged files while
    // leaving pixels it could not decode untouched. Handing it a cleared image
    // gives those pixels a defined value. The size limit above bounds the
    // allocation; Qt's own limit (128 MiB) would refuse half of what it allows.
    QImage image(size, format);
    if (image.isNull())
        notValid();
    image.fill(0);
    const uchar *const before = image.constBits();
    const bool read = reader.read(&image);
    checkCancel(progress); // the read stopped short because of it
    if (!read || image.isNull() || image.size() != size)
        notValid();
    if (image.constBits() != before) {
        // The reader built its own image after all; we can't vouch for it.
        notValid();
    }
    // Converted a band of rows at a time, to stop soon after a Cancel.
    QImage out(size, QImage::Format_BGR888);
    if (out.isNull())
        notValid();
    constexpr int kBand = 256;
    for (int top = 0; top < size.height(); top += kBand) {
        checkCancel(progress);
        const int rows = std::min(kBand, size.height() - top);
        const QImage band = image.copy(0, top, size.width(), rows).convertToFormat(QImage::Format_BGR888);
        if (band.isNull())
            notValid();
        for (int y = 0; y < rows; ++y)
            std::memcpy(out.scanLine(top + y), band.constScanLine(y), size_t(size.width()) * 3);
    }
    checkCancel(progress);
    widenShortChannels(out, d);
    return out;
}

} // namespace vorlix

namespace vorlix {

QImage readImportPicture(const QString &path, QRgb background, JobProgress *progress)
{
    QFile file;
    openRegularFile(file, path);
    // BMPs go through our own reader, which every skin's BMP has been
    // measured against; everything else through Qt's readers.
    if (file.peek(2) == "BM")
        return readBmpDevice(file, progress);
    const QString name = QFileInfo(path).fileName();
    QImageReader reader(&file);
    reader.setDecideFormatFromContent(true);
    const QByteArray format = QImageReader::imageFormat(&file);
    if (format.isEmpty())
        throw VorlixError(QStringLiteral("Cannot import \"%1\": it is not a picture Vorlix can read").arg(name));
    checkCancel(progress);
    const QImage read = readPictureForSkin(reader);
    if (read.isNull())
        throw VorlixError(QStringLiteral("Cannot import \"%1\": damaged %2: %3")
                              .arg(name, QString::fromLatin1(format.toUpper()), reader.errorString()));
    if (!read.hasAlphaChannel())
        return read.convertToFormat(QImage::Format_BGR888);
    // Where the picture is see-through, the background colour shows, as it
    // would behind the picture in a paint program.
    QImage flat(read.size(), QImage::Format_RGB32);
    flat.fill(background);
    {
        QPainter p(&flat);
        p.drawImage(0, 0, read);
    }
    return flat.convertToFormat(QImage::Format_BGR888);
}

} // namespace vorlix
