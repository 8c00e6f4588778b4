// "Open Image...": reading the file, and cutting the picture up into the
// states of the element and of the elements below it.
#include <QtTest>

#include "FakeServices.h"
#include "Pictures.h"
#include "Unprivileged.h"
#include "dialogs/ImageRes.h"
#include "platform/BmpRead.h"
#include "app/Application.h"
#include "mainwindow/MainForm.h"
#include "skin/GlobalVar.h"
#include "platform/Errors.h"

#include <atomic>
#include <chrono>
#include <optional>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace vorlix;

namespace {

// One block the import must write: a source rectangle of the picture
// stretched (nearest neighbour) onto a destination rectangle of a sheet.
struct Write
{
    int sheet;
    QRect dest;
    QRect src;
};
using Writes = QList<Write>;

Write w(int sheet, int dl, int dt, int dr, int db, int sl, int st, int sr, int sb)
{
    return {sheet, QRect(QPoint(dl, dt), QPoint(dr - 1, db - 1)), QRect(QPoint(sl, st), QPoint(sr - 1, sb - 1))};
}

void applyWrite(QImage &sheet, const Write &wr, const QImage &pic)
{
    const QRect d = wr.dest, s = wr.src;
    for (int i = 0; i < d.height(); ++i)
        for (int j = 0; j < d.width(); ++j) {
            const int sx = s.left() + (2 * j + 1) * s.width() / (2 * d.width());
            const int sy = s.top() + (2 * i + 1) * s.height() / (2 * d.height());
            if (sheet.rect().contains(d.left() + j, d.top() + i)) // the sheet clips
                sheet.setPixel(d.left() + j, d.top() + i, pic.pixel(sx, sy));
        }
}

// One picture players read from a sheet: its rectangle there, and the
// corner of the 275 x 116 window it is drawn at.
struct Sprite
{
    int sheet;
    int x, y, w, h;
    int wx, wy;
};

// The main window as players draw it, every state of every part. Knobs and
// thumbs move; they are read where the window picture shows them at rest.
const Sprite kMainWindowSprites[] = {
    {skMain, 0, 0, 275, 116, 0, 0},
    // TITLEBAR: the bar active and inactive, the four buttons and their
    // pressed looks (the shade button's lies beside it).
    {skTitleBar, 27, 0, 275, 14, 0, 0},
    {skTitleBar, 27, 15, 275, 14, 0, 0},
    {skTitleBar, 0, 0, 9, 9, 6, 3},
    {skTitleBar, 0, 9, 9, 9, 6, 3},
    {skTitleBar, 9, 0, 9, 9, 244, 3},
    {skTitleBar, 9, 9, 9, 9, 244, 3},
    {skTitleBar, 0, 18, 9, 9, 254, 3},
    {skTitleBar, 9, 18, 9, 9, 254, 3},
    {skTitleBar, 18, 0, 9, 9, 264, 3},
    {skTitleBar, 18, 9, 9, 9, 264, 3},
    // The options bar, normal and disabled, then one bar per pressed button
    // below them; the lit buttons O, A, I, D, V are parts of those bars.
    {skTitleBar, 304, 0, 8, 43, 10, 22},
    {skTitleBar, 312, 0, 8, 43, 10, 22},
    {skTitleBar, 304, 44, 8, 43, 10, 22},
    {skTitleBar, 312, 44, 8, 43, 10, 22},
    {skTitleBar, 320, 44, 8, 43, 10, 22},
    {skTitleBar, 328, 44, 8, 43, 10, 22},
    {skTitleBar, 336, 44, 8, 43, 10, 22},
    {skTitleBar, 304, 47, 8, 8, 10, 25},
    {skTitleBar, 312, 55, 8, 7, 10, 33},
    {skTitleBar, 320, 62, 8, 7, 10, 40},
    {skTitleBar, 328, 69, 8, 8, 10, 47},
    {skTitleBar, 336, 77, 8, 7, 10, 55},
    // CBUTTONS: previous, play, pause, stop, next, eject; pressed below.
    {skCButtons, 0, 0, 23, 18, 16, 88},
    {skCButtons, 0, 18, 23, 18, 16, 88},
    {skCButtons, 23, 0, 23, 18, 39, 88},
    {skCButtons, 23, 18, 23, 18, 39, 88},
    {skCButtons, 46, 0, 23, 18, 62, 88},
    {skCButtons, 46, 18, 23, 18, 62, 88},
    {skCButtons, 69, 0, 23, 18, 85, 88},
    {skCButtons, 69, 18, 23, 18, 85, 88},
    {skCButtons, 92, 0, 22, 18, 108, 88},
    {skCButtons, 92, 18, 22, 18, 108, 88},
    {skCButtons, 114, 0, 22, 16, 136, 89},
    {skCButtons, 114, 16, 22, 16, 136, 89},
    // SHUFREP: shuffle and repeat (off, pressed, on, on pressed), then the
    // equaliser and playlist toggles.
    {skShufRep, 28, 0, 47, 15, 164, 89},
    {skShufRep, 28, 15, 47, 15, 164, 89},
    {skShufRep, 28, 30, 47, 15, 164, 89},
    {skShufRep, 28, 45, 47, 15, 164, 89},
    {skShufRep, 0, 0, 28, 15, 210, 89},
    {skShufRep, 0, 15, 28, 15, 210, 89},
    {skShufRep, 0, 30, 28, 15, 210, 89},
    {skShufRep, 0, 45, 28, 15, 210, 89},
    {skShufRep, 0, 61, 23, 12, 219, 58},
    {skShufRep, 46, 61, 23, 12, 219, 58},
    {skShufRep, 0, 73, 23, 12, 219, 58},
    {skShufRep, 46, 73, 23, 12, 219, 58},
    {skShufRep, 23, 61, 23, 12, 242, 58},
    {skShufRep, 69, 61, 23, 12, 242, 58},
    {skShufRep, 23, 73, 23, 12, 242, 58},
    {skShufRep, 69, 73, 23, 12, 242, 58},
    // Knobs, normal and pressed.
    {skVolume, 15, 422, 14, 11, 157, 58},
    {skVolume, 0, 422, 14, 11, 157, 58},
    {skBalance, 15, 422, 14, 11, 189, 58},
    {skBalance, 0, 422, 14, 11, 189, 58},
    // POSBAR: the bar and its thumb, normal and pressed.
    {skPosBar, 0, 0, 248, 10, 16, 72},
    {skPosBar, 248, 0, 29, 10, 85, 72},
    {skPosBar, 278, 0, 29, 10, 85, 72},
    // MONOSTER: mono and stereo, lit above, dark below.
    {skMonoSter, 29, 0, 27, 12, 212, 41},
    {skMonoSter, 29, 12, 27, 12, 212, 41},
    {skMonoSter, 0, 0, 29, 12, 239, 41},
    {skMonoSter, 0, 12, 29, 12, 239, 41},
    // PLAYPAUS: play, pause, stop, and the two 3-pixel lamps left of them.
    {skPlayPaus, 0, 0, 9, 9, 26, 28},
    {skPlayPaus, 9, 0, 9, 9, 26, 28},
    {skPlayPaus, 18, 0, 9, 9, 26, 28},
    {skPlayPaus, 36, 0, 3, 9, 24, 28},
    {skPlayPaus, 39, 0, 3, 9, 24, 28},
};

// The whole player window cut up: each sprite above, plus the 28 volume
// and balance backgrounds, 15 rows apart.
Writes mainWindowWrites()
{
    Writes out;
    for (const Sprite &s : kMainWindowSprites)
        out << w(s.sheet, s.x, s.y, s.x + s.w, s.y + s.h, s.wx, s.wy, s.wx + s.w, s.wy + s.h);
    for (int i = 0; i < 28; ++i) {
        out << w(skVolume, 0, 15 * i, 68, 15 * i + 13, 107, 57, 175, 70);
        out << w(skBalance, 9, 15 * i, 47, 15 * i + 13, 177, 57, 215, 70);
    }
    return out;
}

Writes optionsBarWrites(int fromState)
{
    Writes out;
    const int firstLeft[2] = {304, 312};
    for (int k = fromState; k <= 1; ++k) {
        out << w(skTitleBar, firstLeft[k], 0, firstLeft[k] + 8, 43, 0, 0, 8, 43);
        for (int j = 0; j < 5; ++j)
            out << w(skTitleBar, 304 + 8 * j, 44, 312 + 8 * j, 87, 0, 0, 8, 43);
    }
    // The five buttons on it take blocks of the picture's corner, 8 wide and
    // 8, 7, 7, 8, 7 high: at rest on the normal bar, lit in column j below.
    const int tops[5] = {3, 11, 18, 25, 33}, heights[5] = {8, 7, 7, 8, 7};
    const int litTops[5] = {47, 55, 62, 69, 77};
    for (int i = 0; i < 5; ++i) {
        const int h = heights[i];
        out << w(skTitleBar, 304, tops[i], 312, tops[i] + h, 0, 0, 8, h);
        out << w(skTitleBar, 304 + 8 * i, litTops[i], 312 + 8 * i, litTops[i] + h, 0, 0, 8, h);
    }
    return out;
}

// An 8-bit run-length BMP of the given size whose data ends at once, so the
// reader decodes no pixel. Palette entry 0 is red 12, green 34, blue 56.
QByteArray emptyRunLengthBmp(qint32 width, qint32 height)
{
    QByteArray bmp(14 + 40 + 8 + 2, '\0');
    bmp[0] = 'B';
    bmp[1] = 'M';
    qToLittleEndian<quint32>(bmp.size(), bmp.data() + 2);
    qToLittleEndian<quint32>(14 + 40 + 8, bmp.data() + 10);
    qToLittleEndian<quint32>(40, bmp.data() + 14);
    qToLittleEndian<qint32>(width, bmp.data() + 18);
    qToLittleEndian<qint32>(height, bmp.data() + 22);
    qToLittleEndian<quint16>(1, bmp.data() + 26);
    qToLittleEndian<quint16>(8, bmp.data() + 28);
    qToLittleEndian<quint32>(1, bmp.data() + 30); // RLE8
    qToLittleEndian<quint32>(2, bmp.data() + 46); // two palette entries
    bmp[54] = 0x56;
    bmp[55] = 0x34;
    bmp[56] = 0x12;
    bmp[58] = char(0xFF);
    bmp[62] = 0;
    bmp[63] = 1; // end of bitmap
    return bmp;
}


// --- BMP files as people meet them, encoded here from the format's rules --

// A file of one kind: the colour of every pixel, how it is stored, and
// what the file should read as.
struct Variant
{
    int headerSize = 40; // 12 core, 40 info, 108 V4, 124 V5
    int bits = 24;
    quint32 compression = 0; // 0 none, 1 RLE8, 2 RLE4, 3 bit fields
    bool topDown = false;
    QList<quint32> masks; // red, green, blue (and alpha) for bit fields
};

constexpr int kVariantWidth = 7; // odd: every depth needs row padding
constexpr int kVariantHeight = 3;

QRgb paletteColour(int i)
{
    return qRgb((17 * i) % 256, (40 + 29 * i) % 256, (200 + 53 * i) % 256);
}

int paletteSize(int bits)
{
    return bits == 1 ? 2 : bits == 4 ? 16 : 20;
}

// Palette indices in runs of two, so the run-length files hold runs.
int paletteIndex(int bits, int x, int y)
{
    return (x / 2 + 3 * y) % paletteSize(bits);
}

// Direct colours. 16-bit files hold channel values whose 5 or 6 bits
// widened to 8 are known: empty, full, and 10000 (5 bits) or 100000 (6 bits),
// which widen to 0x84 and 0x82 by repeating the bits.
QRgb directColour(int bits, int x, int y, bool sixBitGreen = false)
{
    if (bits == 16) {
        const int i = (x + 2 * y) % 9;
        const int level[3] = {0, 255, 0x84};
        const int g = level[i / 3];
        return qRgb(level[i % 3], g == 0x84 && sixBitGreen ? 0x82 : g, level[(i + 1) % 3]);
    }
    return qRgb(30 * x + 5, 60 * y + 7, (x * y * 23 + 100) % 256);
}

bool sixBitGreen(const Variant &v)
{
    return v.bits == 16 && !v.masks.isEmpty() && qPopulationCount(v.masks[1]) == 6;
}

QImage variantPicture(const Variant &v)
{
    QImage img(kVariantWidth, kVariantHeight, QImage::Format_RGB32);
    for (int y = 0; y < kVariantHeight; ++y)
        for (int x = 0; x < kVariantWidth; ++x)
            img.setPixel(x, y, v.bits <= 8 ? paletteColour(paletteIndex(v.bits, x, y)) : directColour(v.bits, x, y, sixBitGreen(v)));
    return img;
}

void put(QByteArray &b, quint32 value, int size)
{
    for (int i = 0; i < size; ++i)
        b.append(char((value >> (8 * i)) & 0xff));
}

quint32 maskedValue(QRgb c, const QList<quint32> &masks)
{
    const int channel[4] = {qRed(c), qGreen(c), qBlue(c), 255};
    quint32 out = 0;
    for (int k = 0; k < masks.size(); ++k) {
        const quint32 m = masks[k];
        if (!m)
            continue;
        const int shift = qCountTrailingZeroBits(m), width = qPopulationCount(m);
        out |= (quint32(channel[k]) >> (8 - width)) << shift;
    }
    return out;
}

QByteArray rowBytes(const Variant &v, int y)
{
    QByteArray row;
    if (v.bits <= 8) {
        quint32 acc = 0;
        int used = 0;
        for (int x = 0; x < kVariantWidth; ++x) {
            acc = (acc << v.bits) | quint32(paletteIndex(v.bits, x, y));
            used += v.bits;
            if (used == 8) {
                row.append(char(acc));
                acc = 0;
                used = 0;
            }
        }
        if (used)
            row.append(char(acc << (8 - used))); // leftmost pixel in the high bits
    } else {
        const QList<quint32> masks = !v.masks.isEmpty() ? v.masks
            : v.bits == 16 ? QList<quint32>{0x7c00, 0x03e0, 0x001f}
                           : QList<quint32>{0xff0000, 0xff00, 0xff};
        for (int x = 0; x < kVariantWidth; ++x)
            put(row, maskedValue(directColour(v.bits, x, y, sixBitGreen(v)), masks), v.bits / 8);
    }
    while (row.size() % 4)
        row.append('\0');
    return row;
}

// Run-length rows: the first three pixels in absolute mode, the rest as runs.
QByteArray runLengthRow(const Variant &v, int y)
{
    QList<int> idx;
    for (int x = 0; x < kVariantWidth; ++x)
        idx << paletteIndex(v.bits, x, y);
    QByteArray out;
    out.append('\0').append(char(3));
    if (v.bits == 8) {
        out.append(char(idx[0])).append(char(idx[1])).append(char(idx[2])).append('\0');
    } else {
        out.append(char(idx[0] << 4 | idx[1])).append(char(idx[2] << 4));
    }
    for (int x = 3; x < kVariantWidth;) {
        int n = 1;
        while (x + n < kVariantWidth && idx[x + n] == idx[x])
            ++n;
        out.append(char(n)).append(char(v.bits == 8 ? idx[x] : idx[x] << 4 | idx[x]));
        x += n;
    }
    return out;
}

QByteArray variantFile(const Variant &v)
{
    QByteArray pixels;
    for (int i = 0; i < kVariantHeight; ++i) {
        const int y = v.topDown ? i : kVariantHeight - 1 - i;
        if (v.compression == 1 || v.compression == 2) {
            pixels += runLengthRow(v, y);
            pixels.append('\0').append(char(i + 1 < kVariantHeight ? 0 : 1)); // end of line, of bitmap
        } else {
            pixels += rowBytes(v, y);
        }
    }
    QByteArray header;
    const int height = v.topDown ? -kVariantHeight : kVariantHeight;
    put(header, quint32(v.headerSize), 4);
    if (v.headerSize == 12) {
        put(header, kVariantWidth, 2);
        put(header, quint32(height), 2);
        put(header, 1, 2);
        put(header, quint32(v.bits), 2);
    } else {
        put(header, kVariantWidth, 4);
        put(header, quint32(height), 4);
        put(header, 1, 2);
        put(header, quint32(v.bits), 2);
        put(header, v.compression, 4);
        put(header, quint32(pixels.size()), 4);
        put(header, 2835, 4);
        put(header, 2835, 4);
        put(header, v.bits <= 8 ? quint32(paletteSize(v.bits)) : 0, 4);
        put(header, 0, 4);
        if (v.headerSize >= 108) {
            for (int k = 0; k < 4; ++k)
                put(header, k < v.masks.size() ? v.masks[k] : 0, 4);
            put(header, 0x73524742, 4); // 'sRGB'
            header.append(QByteArray(48, '\0')); // end points, gamma
        }
        if (v.headerSize == 124)
            header.append(QByteArray(16, '\0')); // intent, profile, reserved
        if (v.headerSize == 40 && v.compression == 3)
            for (int k = 0; k < 3; ++k)
                put(header, v.masks[k], 4);
    }
    QByteArray palette;
    // A core header has no count: its palette always has all 2^bits entries.
    if (v.bits <= 8)
        for (int i = 0; i < (v.headerSize == 12 ? 1 << v.bits : paletteSize(v.bits)); ++i) {
            const QRgb c = paletteColour(i);
            palette.append(char(qBlue(c))).append(char(qGreen(c))).append(char(qRed(c)));
            if (v.headerSize != 12)
                palette.append('\0');
        }
    QByteArray file("BM");
    const int offset = 14 + int(header.size() + palette.size());
    put(file, quint32(offset + pixels.size()), 4);
    put(file, 0, 4);
    put(file, quint32(offset), 4);
    return file + header + palette + pixels;
}

} // namespace

Q_DECLARE_METATYPE(Writes)
Q_DECLARE_METATYPE(Variant)

class TestImport : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { initApplication(*qApp); }
    void init();
    void cleanup();

    void propagation_data();
    void propagation();
    void importKeepsPendingEditsFlag();
    void recordsWithoutDataTakeNothing_data();
    void recordsWithoutDataTakeNothing();
    void bmpVariants_data();
    void bmpVariants();
    void sizeLimits_data();
    void sizeLimits();
    void largestPicturesAreRead_data();
    void largestPicturesAreRead();
    void badFiles_data();
    void badFiles();
    void onlyRegularFilesAreOpened_data();
    void onlyRegularFilesAreOpened();
    void damagedRunLengthDataGivesDefinedPixels();
    void mismatchShowsTheDialog_data();
    void mismatchShowsTheDialog();
    void laterMismatchesBuildNewDialogs();
    void imageMenu();

private:
    void select(int index);
    QString writeBmp(const QImage &img, const QString &name = QStringLiteral("pic.bmp"));
    std::array<QImage, kSheetCount> sheets() const;
    void importRefused(const QString &path, const QString &message);
    FakeServices *fake() const { return m_services->fake; }
    FakeServicesScope *m_services = nullptr;
    AppWindows m_windows;
    QTemporaryDir *m_dir = nullptr;
};

void TestImport::init()
{
    resetGlobals();
    m_services = new FakeServicesScope;
    m_windows = createWindows();
    m_dir = new QTemporaryDir;
}

void TestImport::cleanup()
{
    m_windows = AppWindows();
    delete m_services;
    delete m_dir;
}

void TestImport::select(int index)
{
    MainForm->SelTree->selectAbsolute(index);
    MainForm->SelTreeChange();
}

QString TestImport::writeBmp(const QImage &img, const QString &name)
{
    const QString path = m_dir->filePath(name);
    [&] { QVERIFY(img.save(path, "BMP")); }();
    return path;
}

std::array<QImage, kSheetCount> TestImport::sheets() const
{
    std::array<QImage, kSheetCount> out;
    for (int k = 0; k < kSheetCount; ++k)
        out[size_t(k)] = *G().sheet(SheetKind(k));
    return out;
}

void TestImport::propagation_data()
{
    QTest::addColumn<int>("node");
    QTest::addColumn<int>("state");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<Writes>("writes");
    QTest::newRow("Play from state 0") << 16 << 0 << QSize(23, 18)
        << Writes{w(skCButtons, 23, 0, 46, 18, 0, 0, 23, 18), w(skCButtons, 23, 18, 46, 36, 0, 0, 23, 18)};
    QTest::newRow("Play from state 1") << 16 << 1 << QSize(23, 18)
        << Writes{w(skCButtons, 23, 18, 46, 36, 0, 0, 23, 18)};
    QTest::newRow("Main Window, whole player") << 0 << 0 << QSize(275, 116) << mainWindowWrites();
    // A picture the size of the group's 142 x 18 area: every key takes the
    // block of its own size at the picture's corner.
    Writes buttons;
    const int lefts[6] = {0, 23, 46, 69, 92, 114}, widths[6] = {23, 23, 23, 23, 22, 22};
    for (int i = 0; i < 6; ++i) {
        const int wd = widths[i], h = i == 5 ? 16 : 18;
        buttons << w(skCButtons, lefts[i], 0, lefts[i] + wd, h, 0, 0, wd, h)
                << w(skCButtons, lefts[i], h, lefts[i] + wd, 2 * h, 0, 0, wd, h);
    }
    QTest::newRow("Control Buttons: each takes the corner") << 14 << 0 << QSize(142, 18) << buttons;
    QTest::newRow("Options Indicator: 1:1 on TITLEBAR") << 4 << 0 << QSize(8, 8)
        << Writes{w(skTitleBar, 304, 3, 312, 11, 0, 0, 8, 8), w(skTitleBar, 304, 47, 312, 55, 0, 0, 8, 8)};
    QTest::newRow("Options Bar from state 0") << 3 << 0 << QSize(8, 43) << optionsBarWrites(0);
    QTest::newRow("Options Bar from state 1") << 3 << 1 << QSize(8, 43) << optionsBarWrites(1);
}

void TestImport::propagation()
{
    QFETCH(int, node);
    QFETCH(int, state);
    QFETCH(QSize, size);
    QFETCH(Writes, writes);
    select(node);
    MainForm->StateChanger->setValue(state);
    QCOMPARE(int(G().CurrentState), state);
    const QImage pic = patterned(size.width(), size.height());
    auto expected = sheets();
    for (const Write &wr : writes)
        applyWrite(expected[size_t(wr.sheet)], wr, pic);

    fake()->files.enqueue(writeBmp(pic));
    MainForm->OpenImage1Click();
    QVERIFY(ImagesRes && !ImagesRes->isVisible());
    QVERIFY(G().FirstResizeDialog); // no size dialog was needed
    QCOMPARE(fake()->fileRequests.size(), 1);
    QCOMPARE(fake()->fileRequests.first().title, QStringLiteral("Open Image..."));
    QCOMPARE(fake()->fileRequests.first().filter,
             QStringLiteral("Pictures (*.bmp *.png *.gif *.jpg *.jpeg *.tif *.tiff *.webp)|"
                            "*.bmp;*.png;*.gif;*.jpg;*.jpeg;*.tif;*.tiff;*.webp|All files (*)|*"));
    for (int k = 0; k < kSheetCount; ++k)
        QVERIFY2(*G().sheet(SheetKind(k)) == expected[size_t(k)], qPrintable(sheetFileName(SheetKind(k))));
    QVERIFY(G().SourceAtWindowRect);
    // The view shows state 0 as the sheet now holds it.
    QCOMPARE(MainForm->StateChanger->value(), 0);
    QCOMPARE(int(G().CurrentState), 0);
    if (node == 16)
        QCOMPARE(MainForm->DesktopImg->Picture().pixel(5, 3), G().sheet(skCButtons)->pixel(28, 3));
}

void TestImport::importKeepsPendingEditsFlag()
{
    select(16);
    MainForm->DesktopImg->pictureBits().fill(Qt::white);
    MainForm->ApplyBtn->setEnabled(true);
    fake()->files.enqueue(writeBmp(patterned(23, 18)));
    MainForm->OpenImage1Click();
    QVERIFY(fake()->messages.isEmpty()); // the import asks no question
    QVERIFY(MainForm->ApplyBtn->isEnabled());
    QCOMPARE(MainForm->DesktopImg->Picture().pixel(2, 1), qRgb(2, 1, 0x80));
}

void TestImport::recordsWithoutDataTakeNothing_data()
{
    QTest::addColumn<int>("node");
    QTest::newRow("colours") << 53;
    QTest::newRow("group of the shaded bars") << 48;
    QTest::newRow("group of letters and digits") << 57;
}

void TestImport::recordsWithoutDataTakeNothing()
{
    QFETCH(int, node);
    select(16);
    select(node); // a record without a place in any sheet
    const auto before = sheets();
    fake()->files.enqueue(writeBmp(patterned(21, 17)));
    MainForm->OpenImage1Click();
    QCOMPARE(fake()->messages.size(), 1);
    QVERIFY(fake()->messages.first().text.contains(QStringLiteral("cannot take a picture")));
    QVERIFY(fake()->fileRequests.isEmpty());
    QVERIFY(sheets() == before);
}

QString tooLarge(const char *size)
{
    return QStringLiteral("The picture is %1 pixels, too large for a skin. A picture may be at most "
                          "16,384 pixels wide and 16,384 pixels high, and hold at most 67,108,864 pixels.")
        .arg(QLatin1String(size));
}

void TestImport::bmpVariants_data()
{
    QTest::addColumn<Variant>("variant");
    const auto v = [](int header, int bits, quint32 compression = 0, bool topDown = false,
                      QList<quint32> masks = {}) {
        Variant out;
        out.headerSize = header;
        out.bits = bits;
        out.compression = compression;
        out.topDown = topDown;
        out.masks = masks;
        return out;
    };
    const QList<quint32> rgbx = {0xff0000, 0xff00, 0xff, 0};
    QTest::newRow("1-bit") << v(40, 1);
    QTest::newRow("4-bit") << v(40, 4);
    QTest::newRow("8-bit") << v(40, 8);
    QTest::newRow("16-bit, 5-5-5") << v(40, 16);
    QTest::newRow("16-bit, 5-6-5 bit fields") << v(40, 16, 3, false, {0xf800, 0x07e0, 0x001f});
    QTest::newRow("24-bit") << v(40, 24);
    QTest::newRow("32-bit") << v(40, 32);
    QTest::newRow("32-bit, bit fields red low") << v(40, 32, 3, false, {0xff, 0xff00, 0xff0000});
    QTest::newRow("core header, 8-bit") << v(12, 8);
    QTest::newRow("core header, 24-bit") << v(12, 24);
    QTest::newRow("V4 header, 32-bit bit fields") << v(108, 32, 3, false, rgbx);
    QTest::newRow("V5 header, 24-bit") << v(124, 24);
    QTest::newRow("V5 header, 32-bit with opaque alpha") << v(124, 32, 3, false, {0xff0000, 0xff00, 0xff, 0xff000000});
    QTest::newRow("RLE8") << v(40, 8, 1);
    QTest::newRow("RLE4") << v(40, 4, 2);
    QTest::newRow("top-down 8-bit") << v(40, 8, 0, true);
    QTest::newRow("top-down 24-bit") << v(40, 24, 0, true);
    QTest::newRow("top-down 32-bit, V5") << v(124, 32, 3, true, rgbx);
}

// Each file is encoded here from the format's rules and must read as the
// picture it was made from, pixel for pixel.
void TestImport::bmpVariants()
{
    QFETCH(Variant, variant);
    const QByteArray bytes = variantFile(variant);
    const QString path = m_dir->filePath(QStringLiteral("variant.bmp"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    f.close();
#ifdef VORLIX_FUZZ_CORPUS
    // The fuzzer starts from these files.
    QDir().mkpath(QStringLiteral(VORLIX_FUZZ_CORPUS));
    QFile seed(QStringLiteral(VORLIX_FUZZ_CORPUS "/%1.bmp").arg(QString::fromLatin1(QTest::currentDataTag()).replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9]+")), QStringLiteral("_"))));
    if (seed.open(QIODevice::WriteOnly))
        seed.write(bytes);
#endif
    const QImage expected = variantPicture(variant);
    QImage got;
    try {
        got = readBmpFile(path);
    } catch (const VorlixError &e) {
        QFAIL(qPrintable(e.message()));
    }
    QCOMPARE(got.format(), QImage::Format_BGR888);
    QCOMPARE(got.size(), expected.size());
    for (int y = 0; y < expected.height(); ++y)
        for (int x = 0; x < expected.width(); ++x)
            QVERIFY2(got.pixel(x, y) == expected.pixel(x, y),
                     qPrintable(QStringLiteral("pixel %1,%2 is %3, want %4").arg(x).arg(y)
                                    .arg(got.pixel(x, y) & 0xffffff, 6, 16, QLatin1Char('0'))
                                    .arg(expected.pixel(x, y) & 0xffffff, 6, 16, QLatin1Char('0'))));
}

void TestImport::sizeLimits_data()
{
    QTest::addColumn<qint64>("width");
    QTest::addColumn<qint64>("height");
    QTest::addColumn<QString>("message"); // empty: accepted
    QTest::newRow("16384 x 4096, the most pixels") << qint64(16384) << qint64(4096) << QString();
    QTest::newRow("4096 x 16384") << qint64(4096) << qint64(16384) << QString();
    QTest::newRow("8192 x 8192") << qint64(8192) << qint64(8192) << QString();
    QTest::newRow("top-down 4096 x 16384") << qint64(4096) << qint64(-16384) << QString();
    QTest::newRow("16385 wide") << qint64(16385) << qint64(1) << tooLarge("16,385 x 1");
    QTest::newRow("16385 high") << qint64(1) << qint64(16385) << tooLarge("1 x 16,385");
    QTest::newRow("top-down 16385 high") << qint64(1) << qint64(-16385) << tooLarge("1 x 16,385");
    QTest::newRow("one pixel too many") << qint64(16384) << qint64(4097) << tooLarge("16,384 x 4,097");
    QTest::newRow("8193 x 8192") << qint64(8193) << qint64(8192) << tooLarge("8,193 x 8,192");
}

void TestImport::sizeLimits()
{
    QFETCH(qint64, width);
    QFETCH(qint64, height);
    QFETCH(QString, message);
    try {
        requirePictureSizeForSkin(width, height);
        QVERIFY2(message.isEmpty(), "accepted");
    } catch (const VorlixError &e) {
        QCOMPARE(errorBoxText(e.message()), message);
    }
}

void TestImport::largestPicturesAreRead_data()
{
    QTest::addColumn<QSize>("size");
    QTest::newRow("16384 x 4096") << QSize(16384, 4096);
    QTest::newRow("4096 x 16384") << QSize(4096, 16384);
}

// At the limits, from a 64-byte file: accepted and decoded whole (Qt's own
// allocation limit alone would refuse them).
void TestImport::largestPicturesAreRead()
{
    QFETCH(QSize, size);
    const QString path = m_dir->filePath(QStringLiteral("large.bmp"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(emptyRunLengthBmp(size.width(), size.height()));
    f.close();
    QImage img;
    try {
        img = readBmpFile(path);
    } catch (const VorlixError &e) {
        QFAIL(qPrintable(e.message()));
    }
    QCOMPARE(img.size(), size);
    const QRgb palette0 = qRgb(0x12, 0x34, 0x56);
    QCOMPARE(img.pixel(0, 0), palette0);
    QCOMPARE(img.pixel(size.width() - 1, size.height() - 1), palette0);
}

void TestImport::badFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("message");
    QByteArray good;
    {
        QBuffer b(&good);
        b.open(QIODevice::WriteOnly);
        patterned(21, 17).save(&b, "BMP");
    }
    QByteArray huge = good;
    qToLittleEndian<qint32>(60000, huge.data() + 18);
    qToLittleEndian<qint32>(60000, huge.data() + 22);
    const QString notValid = QStringLiteral("Bitmap image is not valid.");
    QTest::newRow("truncated") << good.left(good.size() / 2) << notValid;
    // Told apart by their bytes, not their names.
    const QString unknown = QStringLiteral("Cannot import \"bad.bmp\": it is not a picture Vorlix can read.");
    QTest::newRow("empty file") << QByteArray() << unknown;
    QTest::newRow("text") << QByteArray("just some words\n") << unknown;
    QTest::newRow("header only") << good.left(20) << notValid;
    // Refused from the header: nothing of these is decoded or resized.
    QTest::newRow("claims 60000 x 60000") << huge << tooLarge("60,000 x 60,000");
    QTest::newRow("run-length, claims 60000 x 60000") << emptyRunLengthBmp(60000, 60000) << tooLarge("60,000 x 60,000");
    QTest::newRow("64 bytes of run-length, 1 x 16000000") << emptyRunLengthBmp(1, 16000000) << tooLarge("1 x 16,000,000");
    QTest::newRow("64 bytes of run-length, 16000000 x 1") << emptyRunLengthBmp(16000000, 1) << tooLarge("16,000,000 x 1");
    QTest::newRow("run-length, 10000 x 10000") << emptyRunLengthBmp(10000, 10000) << tooLarge("10,000 x 10,000");
}

void TestImport::importRefused(const QString &path, const QString &message)
{
    select(16);
    const auto before = sheets();
    fake()->files.enqueue(path);
    MainForm->OpenImage1->trigger(); // through the handler guard, as from the menu
    QCOMPARE(fake()->messages.size(), 1);
    QCOMPARE(fake()->messages.first().text, message);
    QCOMPARE(fake()->messages.first().icon, MsgIcon::Error);
    QVERIFY(sheets() == before);
    QCOMPARE(G().ImportFileName, path);
    QCOMPARE(G().RequiredWidth, 23);
    QCOMPARE(G().RequiredHeight, 18);
}

void TestImport::badFiles()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, message);
    const QString path = m_dir->filePath(QStringLiteral("bad.bmp"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    f.close();
    importRefused(path, message);
}

void TestImport::onlyRegularFilesAreOpened_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason");
    QTest::newRow("pipe") << "pipe" << "It is not a regular file.";
    QTest::newRow("device") << "device" << "It is not a regular file.";
    QTest::newRow("folder") << "folder" << "It is a folder.";
    QTest::newRow("missing") << "missing" << "No such file or directory.";
    QTest::newRow("no permission") << "unreadable" << "Permission denied.";
}

// A pipe would block the open until somebody writes to it. Should the import
// wait on it, the watchdog opens the pipe's other end after a while, which
// lets the open go on, and the test fails on the message instead of hanging.
void TestImport::onlyRegularFilesAreOpened()
{
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    QString path = m_dir->filePath(QStringLiteral("x.bmp"));
    if (kind == QLatin1String("pipe")) {
        QVERIFY(::mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
    } else if (kind == QLatin1String("device")) {
        path = QStringLiteral("/dev/zero");
    } else if (kind == QLatin1String("folder")) {
        QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("x.bmp")));
    }
    std::optional<AsUnprivilegedUser> user;
    if (kind == QLatin1String("unreadable")) {
        writeBmp(patterned(21, 17), QStringLiteral("x.bmp"));
        user.emplace(QStringList{m_dir->path(), path});
        if (!user->problem().isEmpty())
            QSKIP(qPrintable(user->problem()));
        QVERIFY(QFile::setPermissions(path, QFileDevice::WriteOwner));
    }
    std::atomic<bool> done = false;
    std::thread watchdog([&] {
        for (int i = 0; i < 100 && !done; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        while (!done && kind == QLatin1String("pipe")) {
            const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0)
                ::close(fd);
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    });
    importRefused(path, QStringLiteral("Cannot open file \"%1\". %2").arg(path, reason));
    done = true;
    watchdog.join();
}

void TestImport::damagedRunLengthDataGivesDefinedPixels()
{
    // A 40 x 30 run-length file whose data ends at once: no pixel is decoded.
    const QByteArray bmp = emptyRunLengthBmp(40, 30);
    const QString path = m_dir->filePath(QStringLiteral("rle.bmp"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bmp);
    f.close();
    // Run under valgrind (the _valgrind test) to see undefined pixels used.
    const QImage img = readBmpFile(path);
    QCOMPARE(img.size(), QSize(40, 30));
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x)
            QCOMPARE(img.pixel(x, y), qRgb(0x12, 0x34, 0x56));
}

void TestImport::mismatchShowsTheDialog_data()
{
    QTest::addColumn<bool>("pressResize");
    QTest::newRow("Resize imports the sharp copy") << true;
    QTest::newRow("close box imports nothing") << false;
}

void TestImport::mismatchShowsTheDialog()
{
    QFETCH(bool, pressResize);
    select(16);
    const QImage pic = patterned(42, 34);
    auto expected = sheets();
    if (pressResize) {
        applyWrite(expected[skCButtons], w(skCButtons, 23, 0, 46, 18, 0, 0, 42, 34), pic);
        applyWrite(expected[skCButtons], w(skCButtons, 23, 18, 46, 36, 0, 0, 42, 34), pic);
    }
    TImagesRes *startup = ImagesRes;
    bool shown = false;
    QTimer::singleShot(0, [&] {
        shown = ImagesRes == startup && ImagesRes->isVisible();
        QCOMPARE(ImagesRes->StaticText7->text(), QStringLiteral("42"));
        QCOMPARE(ImagesRes->StaticText9->text(), QStringLiteral("23"));
        if (pressResize)
            ImagesRes->btResizeClick();
        else
            ImagesRes->close();
    });
    fake()->files.enqueue(writeBmp(pic));
    MainForm->OpenImage1Click();
    QVERIFY(shown);
    QVERIFY(!G().FirstResizeDialog);
    QCOMPARE(G().SizeMismatch, !pressResize);
    QVERIFY(sheets() == expected);
    QCOMPARE(int(G().CurrentState), 0);
}

void TestImport::laterMismatchesBuildNewDialogs()
{
    select(16);
    QList<TImagesRes *> seen;
    for (int round = 0; round < 3; ++round) {
        QTimer::singleShot(0, [&] {
            seen << ImagesRes;
            QVERIFY(ImagesRes->isVisible());
            QCOMPARE(ImagesRes->ResizeType->ItemIndex(), 0);
            ImagesRes->btResizeClick();
        });
        fake()->files.enqueue(writeBmp(patterned(30, 30)));
        MainForm->OpenImage1Click();
        QCOMPARE(G().SizeMismatch, false);
    }
    QCOMPARE(fake()->fileRequests.first().directory, QDir::homePath());
    QCOMPARE(fake()->fileRequests.last().directory, m_dir->path()); // where the last one came from
    QCOMPARE(seen.size(), 3);
    QVERIFY(seen[0] != seen[1] && seen[1] != seen[2]);
}

void TestImport::imageMenu()
{
    QMenu *menu = MainForm->pmImage;
    QStringList captions;
    for (QAction *a : menu->actions())
        captions << (a->isSeparator() ? QStringLiteral("-") : a->text());
    QCOMPARE(captions, (QStringList{"Open Image...", "Scan Image...", "Capture Image...", "-", "Save Image...", "-",
                                    "Zoom In", "Zoom Out", "Actual Size", "Pixel Grid", "-", "Exit"}));
    QCOMPARE(MainForm->OpenImage1->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
    QCOMPARE(MainForm->SaveImage1->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_S));

    // Ctrl+O reaches the import also while the tree has the focus.
    showCentred(MainForm);
    QVERIFY(QTest::qWaitForWindowActive(MainForm));
    select(16);
    MainForm->SelTree->setFocus();
    QTest::keyClick(MainForm->SelTree, Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(fake()->fileRequests.size(), 1);

    // The button opens the menu just below itself; choosing nothing does nothing.
    QTimer::singleShot(0, [&] {
        QVERIFY(menu->isVisible());
        const QPoint expected = MainForm->btImage->mapToGlobal(QPoint(0, 15));
        QCOMPARE(menu->pos(), expected);
        menu->close();
    });
    MainForm->btImage->click();
    QCOMPARE(fake()->fileRequests.size(), 1);
}

QTEST_MAIN(TestImport)
#include "tst_import.moc"
