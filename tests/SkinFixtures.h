#pragma once
// Skin files made byte by byte for the tests, and the command-line tools
// that read them back from outside the program.
#include <QtTest>

inline void put16(QByteArray &b, int v)
{
    b.append(char(v & 255)).append(char((v >> 8) & 255));
}
inline void put32(QByteArray &b, qint64 v)
{
    put16(b, int(v & 0xFFFF));
    put16(b, int((v >> 16) & 0xFFFF));
}

// The colour a test picture has at (x, y); palette pictures take it from an
// index into their colour table.
inline int paletteIndex(int bits, int seed, int x, int y)
{
    return (x + 2 * y + seed) % (1 << bits);
}
inline QRgb paletteColour(int seed, int i)
{
    return qRgb((i * 37 + seed * 5) & 255, (i * 91 + 17) & 255, (255 - i * 13) & 255);
}
inline QRgb colourAt(int bits, int seed, int x, int y)
{
    if (bits <= 8)
        return paletteColour(seed, paletteIndex(bits, seed, x, y));
    return qRgb((x * 7 + seed * 40) & 255, (y * 11 + seed * 3) & 255, (x + y + seed) & 255);
}

// The file header, the 40-byte info header and, up to 8 bits per pixel, a
// full colour table of paletteColour(seed, i); the pixel data of dataSize
// bytes is to follow.
inline QByteArray bmpHead(int w, int h, int bits, int compression, qint64 dataSize, int seed)
{
    const int colours = bits <= 8 ? 1 << bits : 0;
    const int offset = 14 + 40 + 4 * colours;
    QByteArray b("BM");
    put32(b, offset + dataSize);
    put32(b, 0);
    put32(b, offset);
    put32(b, 40);
    put32(b, w);
    put32(b, h);
    put16(b, 1);
    put16(b, bits);
    put32(b, compression);
    put32(b, dataSize);
    put32(b, 2835);
    put32(b, 2835);
    put32(b, colours);
    put32(b, 0);
    for (int i = 0; i < colours; ++i) {
        const QRgb c = paletteColour(seed, i);
        b.append(char(qBlue(c))).append(char(qGreen(c))).append(char(qRed(c))).append(char(0));
    }
    return b;
}

// A BMP file written byte by byte: info header, bottom-up rows; 4, 8 or 24
// bits per pixel.
inline QByteArray bmpBytes(int w, int h, int bits, int seed)
{
    const int stride = ((w * bits + 31) / 32) * 4;
    QByteArray b = bmpHead(w, h, bits, 0, qint64(stride) * h, seed);
    for (int y = h - 1; y >= 0; --y) {
        QByteArray row(stride, '\0');
        for (int x = 0; x < w; ++x) {
            if (bits == 24) {
                const QRgb c = colourAt(24, seed, x, y);
                row[3 * x] = char(qBlue(c));
                row[3 * x + 1] = char(qGreen(c));
                row[3 * x + 2] = char(qRed(c));
            } else if (bits == 8) {
                row[x] = char(paletteIndex(8, seed, x, y));
            } else {
                const int i = paletteIndex(4, seed, x, y);
                row[x / 2] = char(row[x / 2] | (x % 2 ? i : i << 4));
            }
        }
        b.append(row);
    }
    return b;
}

// Bytes no reader could take for text: every byte value once.
inline QByteArray binaryBytes()
{
    QByteArray b;
    for (int i = 0; i < 256; ++i)
        b.append(char(i));
    return b;
}

inline void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly), qPrintable(path));
    f.write(bytes);
}

inline QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Runs a command-line tool; its output, or a failure.
inline QByteArray run(const QString &program, const QStringList &args, const QString &dir = QString())
{
    QProcess p;
    if (!dir.isEmpty())
        p.setWorkingDirectory(dir);
    p.start(program, args);
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        qWarning() << program << args << p.readAllStandardError();
        return QByteArray("#failed");
    }
    return p.readAllStandardOutput();
}

// Zips every file under dir (paths relative to it) with the zip tool.
inline bool zipFolder(const QString &dir, const QString &archive, const QStringList &extra = {})
{
    QFile::remove(archive);
    return run(QStringLiteral("zip"), QStringList{QStringLiteral("-q"), QStringLiteral("-r"), QStringLiteral("-X")}
                                          + extra + QStringList{archive, QStringLiteral(".")},
               dir) != "#failed";
}

// An 8-bit BMP with run-length rows (compression 1): runs of up to 255
// pixels of one palette index, an end of line after each row, an end of
// picture after the last. Pixel colours as bmpBytes(w, h, 8, seed).
inline QByteArray rle8Bytes(int w, int h, int seed)
{
    QByteArray data;
    for (int y = h - 1; y >= 0; --y) {
        for (int x = 0; x < w;) {
            const int index = paletteIndex(8, seed, x, y) / 16 * 16; // runs of one colour
            int n = 1;
            while (x + n < w && n < 255 && paletteIndex(8, seed, x + n, y) / 16 * 16 == index)
                ++n;
            data.append(char(n)).append(char(index));
            x += n;
        }
        data.append('\0').append('\0');
    }
    data.append('\0').append('\1');
    return bmpHead(w, h, 8, 1, data.size(), seed) + data;
}
// The colour rle8Bytes() gives pixel (x, y).
inline QRgb rle8ColourAt(int seed, int x, int y)
{
    return paletteColour(seed, paletteIndex(8, seed, x, y) / 16 * 16);
}

// A PNG file (8-bit RGB) with the colours of bmpBytes(w, h, 24, seed).
inline QByteArray pngBytes(int w, int h, int seed)
{
    QImage img(w, h, QImage::Format_RGB888);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, colourAt(24, seed, x, y));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    img.save(&buffer, "png");
    return bytes;
}

// Zips the files (paths relative to dir) in exactly this order.
inline bool zipInOrder(const QString &dir, const QString &archive, const QStringList &files)
{
    QFile::remove(archive);
    return run(QStringLiteral("zip"), QStringList{QStringLiteral("-q"), QStringLiteral("-X"), archive} + files, dir)
        != "#failed";
}

// The entries of an archive in their order, as the unzip tool lists them.
inline QStringList archiveEntries(const QString &archive)
{
    return QString::fromUtf8(run(QStringLiteral("unzip"), {QStringLiteral("-Z1"), archive}))
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// Every file under dir, relative paths, sorted.
inline QStringList filesUnder(const QString &dir)
{
    QStringList out;
    QDirIterator it(dir, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext())
        out << QDir(dir).relativeFilePath(it.next());
    out.sort();
    return out;
}
