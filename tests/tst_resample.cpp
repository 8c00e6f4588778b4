// Smooth resize against a slow reference that evaluates the kernel afresh for
// every tap, plus fixtures whose results are known by hand.
#include <QtTest>
#include <QBuffer>
#include <QRandomGenerator>

#include <cmath>

#include "platform/Errors.h"
#include "view/Resample.h"

using namespace vorlix;

namespace {

QImage noise(int w, int h, quint32 seed, QImage::Format format = QImage::Format_BGR888)
{
    QImage img(w, h, QImage::Format_BGR888);
    QRandomGenerator rng(seed);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, rng.generate() | 0xff000000u);
    return img.convertToFormat(format);
}

// A grey line along one axis: horizontal when vertical is false.
QImage line(const QList<int> &values, bool vertical)
{
    const int n = int(values.size());
    QImage img(vertical ? 1 : n, vertical ? n : 1, QImage::Format_BGR888);
    for (int i = 0; i < n; ++i)
        img.setPixel(vertical ? 0 : i, vertical ? i : 0, qRgb(values[i], values[i], values[i]));
    return img;
}

// --- the reference: one sample at a time, straight from the rules --------

float refKernel(float x, int radius)
{
    x = std::fabs(x);
    if (x >= float(radius))
        return 0.0f;
    const auto sinc = [](float t) {
        return t == 0.0f ? 1.0f : std::sin(float(M_PI) * t) / (float(M_PI) * t);
    };
    return sinc(x) * sinc(x / float(radius));
}

float refScale(int n, int m)
{
    if (n == 1 || m == 1) // a single destination pixel: the size ratio
        return float(m) / float(n);
    return float(m - 1) / float(n - 1);
}

int refIndex(int j, int n)
{
    if (j < 0)
        j = -j;
    else if (j >= n)
        j = 2 * n - 1 - j;
    return qBound(0, j, n - 1);
}

// The contributors of destination position i in order of j: source index
// (mirrored, then clamped) and weight, zero weights left out; the weights are
// then divided by their sum (added in the same order).
QList<QPair<int, float>> refTaps(int n, int m, int i, int radius)
{
    const float scale = refScale(n, m);
    const float c = float(i) / scale;
    const float w = scale >= 1.0f ? float(radius) : float(radius) / scale;
    QList<QPair<int, float>> taps;
    for (int j = int(std::floor(c - w)); j <= int(std::ceil(c + w)); ++j) {
        const float weight = scale >= 1.0f ? refKernel(c - float(j), radius)
                                           : refKernel((c - float(j)) * scale, radius) * scale;
        if (weight != 0.0f)
            taps.append({refIndex(j, n), weight});
    }
    float total = 0.0f;
    for (const auto &tap : taps)
        total += tap.second;
    for (auto &tap : taps)
        tap.second /= total;
    return taps;
}

// The unrounded weighted sum for destination position i; at(j) reads source
// position j of the line being filtered.
template <typename At>
float refSum(At at, int n, int m, int i, int radius)
{
    float sum = 0.0f;
    for (const auto &[j, weight] : refTaps(n, m, i, radius))
        sum += weight * float(at(j));
    return sum;
}

uchar refByte(float sum)
{
    if (sum > 255.0f)
        return 255;
    if (sum < 0.0f)
        return 0;
    return uchar(std::nearbyint(sum));
}

QImage refResample(const QImage &source, int width, int height, int radius = 3)
{
    const QImage src = source.convertToFormat(QImage::Format_BGR888);
    QImage mid(width, src.height(), QImage::Format_BGR888);
    for (int y = 0; y < src.height(); ++y)
        for (int x = 0; x < width; ++x)
            for (int ch = 0; ch < 3; ++ch) {
                const auto at = [&](int j) { return src.constScanLine(y)[3 * j + ch]; };
                mid.scanLine(y)[3 * x + ch] = refByte(refSum(at, src.width(), width, x, radius));
            }
    QImage dst(width, height, QImage::Format_BGR888);
    for (int x = 0; x < width; ++x)
        for (int y = 0; y < height; ++y)
            for (int ch = 0; ch < 3; ++ch) {
                const auto at = [&](int j) { return mid.constScanLine(j)[3 * x + ch]; };
                dst.scanLine(y)[3 * x + ch] = refByte(refSum(at, src.height(), height, y, radius));
            }
    return dst;
}

// Random lines of n values in which some destination position's sum, added
// in list order in floats, rounds differently from the exact sum. A change in
// the order of the additions or in the last bit of a weight is likely to flip
// such a pixel, where plain noise would almost never show it.
QList<QList<int>> decisiveLines(int n, int m, int count, quint32 seed)
{
    QList<QList<QPair<int, float>>> taps;
    for (int i = 0; i < m; ++i)
        taps.append(refTaps(n, m, i, 3));
    QRandomGenerator rng(seed);
    QList<QList<int>> lines;
    QList<int> v(n);
    for (int attempt = 0; attempt < 1000000 && lines.size() < count; ++attempt) {
        for (int &x : v)
            x = int(rng.bounded(256));
        for (const auto &list : taps) {
            float sum = 0.0f;
            double exact = 0.0;
            for (const auto &[j, weight] : list) {
                sum += weight * float(v[j]);
                exact += double(weight) * v[j];
            }
            if (sum >= 0.0f && sum <= 255.0f && std::nearbyint(sum) != std::nearbyint(exact)) {
                lines.append(v);
                break;
            }
        }
    }
    return lines;
}

// "" when equal, else where they first differ.
QString difference(const QImage &got, const QImage &want)
{
    if (got.size() != want.size() || got.format() != want.format())
        return QStringLiteral("size or format differs");
    for (int y = 0; y < got.height(); ++y)
        for (int x = 0; x < got.width(); ++x)
            if (got.pixel(x, y) != want.pixel(x, y))
                return QStringLiteral("pixel %1,%2: %3, want %4")
                    .arg(x).arg(y).arg(got.pixel(x, y), 6, 16).arg(want.pixel(x, y), 6, 16);
    return QString();
}

} // namespace

class TestResample : public QObject
{
    Q_OBJECT
private slots:
    void sameSizeKeepsEveryPixel_data();
    void sameSizeKeepsEveryPixel();
    void matchesReference_data();
    void matchesReference();
    void matchesReferenceAfterAQtRead_data() { matchesReference_data(); }
    void matchesReferenceAfterAQtRead();
    void flatColourStaysExact_data();
    void flatColourStaysExact();
    void orderOfAdditionsIsKept_data();
    void orderOfAdditionsIsKept();
    void overshootIsClamped_data();
    void overshootIsClamped();
    void halvesRoundToEven_data();
    void halvesRoundToEven();
    void sizes_data();
    void sizes();
};

void TestResample::sameSizeKeepsEveryPixel_data()
{
    QTest::addColumn<QSize>("size");
    QTest::newRow("10x10") << QSize(10, 10);
    QTest::newRow("1x1") << QSize(1, 1);
    QTest::newRow("1x7") << QSize(1, 7);
    QTest::newRow("33x2") << QSize(33, 2);
}

void TestResample::sameSizeKeepsEveryPixel()
{
    QFETCH(QSize, size);
    const QImage src = noise(size.width(), size.height(), 7);
    const QImage out = Resample(src, size.width(), size.height());
    QCOMPARE(out.format(), QImage::Format_BGR888);
    const QString diff = difference(out, src);
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
}

void TestResample::matchesReference_data()
{
    QTest::addColumn<QSize>("from");
    QTest::addColumn<QSize>("to");
    QTest::addColumn<int>("radius");
    QTest::addColumn<int>("format");
    const int bgr = QImage::Format_BGR888;
    // Lines along either axis, enlarged and reduced.
    QTest::newRow("1x5 to 1x13") << QSize(1, 5) << QSize(1, 13) << 3 << bgr;
    QTest::newRow("1x13 to 1x5") << QSize(1, 13) << QSize(1, 5) << 3 << bgr;
    QTest::newRow("6x1 to 17x1") << QSize(6, 1) << QSize(17, 1) << 3 << bgr;
    QTest::newRow("17x1 to 6x1") << QSize(17, 1) << QSize(6, 1) << 3 << bgr;
    QTest::newRow("40x1 to 3x2") << QSize(40, 1) << QSize(3, 2) << 3 << bgr;
    // The benchmark shapes, made smaller.
    QTest::newRow("halve (550x232 to 275x116)") << QSize(110, 46) << QSize(55, 23) << 3 << bgr;
    QTest::newRow("tenth (2750x1160 to 275x116)") << QSize(275, 116) << QSize(28, 12) << 3 << bgr;
    QTest::newRow("enlarge (21x17 to 275x116)") << QSize(21, 17) << QSize(138, 58) << 3 << bgr;
    QTest::newRow("quarter (4000x3000 to 1000x750)") << QSize(400, 300) << QSize(100, 75) << 3 << bgr;
    // Odd ratios, mixed directions, heights that are no multiple of four.
    QTest::newRow("13x9 to 29x5") << QSize(13, 9) << QSize(29, 5) << 3 << bgr;
    QTest::newRow("37x23 to 11x41") << QSize(37, 23) << QSize(11, 41) << 3 << bgr;
    // Tiny sources, up and down.
    QTest::newRow("1x1 to 9x7") << QSize(1, 1) << QSize(9, 7) << 3 << bgr;
    QTest::newRow("1x2 to 5x9") << QSize(1, 2) << QSize(5, 9) << 3 << bgr;
    QTest::newRow("2x1 to 9x3") << QSize(2, 1) << QSize(9, 3) << 3 << bgr;
    QTest::newRow("2x2 to 8x8") << QSize(2, 2) << QSize(8, 8) << 3 << bgr;
    QTest::newRow("2x2 to 1x1") << QSize(2, 2) << QSize(1, 1) << 3 << bgr;
    QTest::newRow("1x2 to 1x1") << QSize(1, 2) << QSize(1, 1) << 3 << bgr;
    QTest::newRow("2x1 to 1x1") << QSize(2, 1) << QSize(1, 1) << 3 << bgr;
    // A single destination row or column.
    QTest::newRow("40x30 to 1x1") << QSize(40, 30) << QSize(1, 1) << 3 << bgr;
    QTest::newRow("40x30 to 40x1") << QSize(40, 30) << QSize(40, 1) << 3 << bgr;
    QTest::newRow("40x30 to 1x30") << QSize(40, 30) << QSize(1, 30) << 3 << bgr;
    // Other radii and source formats.
    QTest::newRow("radius 2") << QSize(31, 17) << QSize(12, 40) << 2 << bgr;
    QTest::newRow("radius 1") << QSize(31, 17) << QSize(12, 40) << 1 << bgr;
    QTest::newRow("32-bit source") << QSize(31, 17) << QSize(50, 9) << 3 << int(QImage::Format_RGB32);
    QTest::newRow("indexed source") << QSize(31, 17) << QSize(9, 50) << 3 << int(QImage::Format_Indexed8);
}

void TestResample::matchesReference()
{
    QFETCH(QSize, from);
    QFETCH(QSize, to);
    QFETCH(int, radius);
    QFETCH(int, format);
    for (quint32 seed = 1; seed <= 3; ++seed) {
        const QImage src = noise(from.width(), from.height(), seed, QImage::Format(format));
        const QImage fast = Resample(src, to.width(), to.height(), radius);
        const QString diff = difference(fast, refResample(src, to.width(), to.height(), radius));
        QVERIFY2(diff.isEmpty(), qPrintable(QStringLiteral("seed %1, %2").arg(seed).arg(diff)));
    }
}

// As in the editor, where Qt has just read and converted a picture on the
// same thread (which may leave the vector registers in another state).
void TestResample::matchesReferenceAfterAQtRead()
{
    QByteArray bmp;
    QBuffer buffer(&bmp);
    buffer.open(QIODevice::WriteOnly);
    QVERIFY(noise(37, 23, 9, QImage::Format_RGB32).save(&buffer, "BMP"));
    QVERIFY(!QImage::fromData(bmp, "BMP").convertToFormat(QImage::Format_BGR888).isNull());
    matchesReference();
}

void TestResample::flatColourStaysExact_data()
{
    QTest::addColumn<QSize>("from");
    QTest::addColumn<QSize>("to");
    QTest::addColumn<QColor>("colour");
    const QColor mixed(200, 100, 30);
    // Unscaled weights sum to about 0.99 here: 255 came out 253, 200 as 198.
    QTest::newRow("white halved") << QSize(40, 30) << QSize(20, 15) << QColor(255, 255, 255);
    QTest::newRow("200 to a tenth") << QSize(275, 116) << QSize(28, 12) << QColor(200, 200, 200);
    QTest::newRow("100 enlarged") << QSize(21, 17) << QSize(138, 58) << QColor(100, 100, 100);
    QTest::newRow("odd ratio, mixed colour") << QSize(37, 23) << QSize(11, 41) << mixed;
    QTest::newRow("1 wide to 9") << QSize(1, 4) << QSize(9, 4) << mixed;
    QTest::newRow("2 wide to 9") << QSize(2, 4) << QSize(9, 4) << mixed;
    QTest::newRow("2 high to 9") << QSize(4, 2) << QSize(4, 9) << mixed;
    QTest::newRow("3 wide to 1") << QSize(3, 3) << QSize(1, 3) << mixed;
    QTest::newRow("3 high to 1") << QSize(3, 3) << QSize(3, 1) << mixed;
    QTest::newRow("2x2 to 1x1") << QSize(2, 2) << QSize(1, 1) << mixed;
    QTest::newRow("50x40 to 1x1") << QSize(50, 40) << QSize(1, 1) << mixed;
    QTest::newRow("50x40 to 2x2") << QSize(50, 40) << QSize(2, 2) << mixed;
}

// A flat colour comes out exactly, also where kernels wider than the
// picture reach past the mirrored image: whatever they read must still be the
// picture's own pixels. Out-of-range reads show up here as stray values (and
// under AddressSanitizer as errors).
void TestResample::flatColourStaysExact()
{
    QFETCH(QSize, from);
    QFETCH(QSize, to);
    QFETCH(QColor, colour);
    QImage src(from, QImage::Format_BGR888);
    src.fill(colour);
    const QImage out = Resample(src, to.width(), to.height());
    QCOMPARE(out.size(), to);
    for (int y = 0; y < out.height(); ++y)
        for (int x = 0; x < out.width(); ++x)
            QVERIFY2(out.pixelColor(x, y) == colour,
                     qPrintable(QStringLiteral("pixel %1,%2 is %3").arg(x).arg(y).arg(out.pixelColor(x, y).name())));
    // A varied picture of the same shape: the reference reads only inside.
    const QImage varied = noise(from.width(), from.height(), 11);
    const QString diff = difference(Resample(varied, to.width(), to.height()),
                                    refResample(varied, to.width(), to.height()));
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
}

void TestResample::orderOfAdditionsIsKept_data()
{
    QTest::addColumn<bool>("vertical");
    QTest::addColumn<int>("n");
    QTest::addColumn<int>("m");
    QTest::newRow("rows halved") << false << 26 << 13;
    QTest::newRow("rows to a tenth") << false << 275 << 28;
    QTest::newRow("rows to a quarter") << false << 100 << 25;
    QTest::newRow("rows enlarged") << false << 21 << 138;
    QTest::newRow("columns halved") << true << 26 << 13;
    QTest::newRow("columns to a tenth") << true << 275 << 28;
    QTest::newRow("columns enlarged") << true << 21 << 138;
}

// Each line fills one channel of one row (or column); the other axis keeps
// its size, which passes whole values through unchanged.
void TestResample::orderOfAdditionsIsKept()
{
    QFETCH(bool, vertical);
    QFETCH(int, n);
    QFETCH(int, m);
    const int across = 8;
    const QList<QList<int>> lines = decisiveLines(n, m, 3 * across, quint32(n * 1000 + m));
    QCOMPARE(lines.size(), 3 * across);
    QImage src(vertical ? across : n, vertical ? n : across, QImage::Format_BGR888);
    for (int k = 0; k < lines.size(); ++k)
        for (int i = 0; i < n; ++i) {
            const int x = vertical ? k / 3 : i, y = vertical ? i : k / 3;
            src.scanLine(y)[3 * x + k % 3] = uchar(lines[k][i]);
        }
    const QSize to = vertical ? QSize(across, m) : QSize(m, across);
    const QString diff = difference(Resample(src, to.width(), to.height()), refResample(src, to.width(), to.height()));
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
}

void TestResample::overshootIsClamped_data()
{
    QTest::addColumn<bool>("vertical");
    QTest::addColumn<int>("length");
    QTest::newRow("row enlarged") << false << 29;
    QTest::newRow("row reduced") << false << 7;
    QTest::newRow("column enlarged") << true << 29;
    QTest::newRow("column reduced") << true << 7;
}

// A black-to-white step rings on both sides: the raw sums dip below 0 and
// rise above 255 there, and those pixels must come out as 0 and 255, not
// wrapped around.
void TestResample::overshootIsClamped()
{
    QFETCH(bool, vertical);
    QFETCH(int, length);
    const QList<int> step = {0, 0, 0, 0, 0, 0, 0, 255, 255, 255, 255, 255, 255, 255};
    const int n = int(step.size());
    const QImage out = Resample(line(step, vertical), vertical ? 1 : length, vertical ? length : 1);
    bool sawLow = false, sawHigh = false;
    for (int i = 0; i < length; ++i) {
        const float raw = refSum([&](int j) { return step[j]; }, n, length, i, 3);
        const int got = qRed(out.pixel(vertical ? 0 : i, vertical ? i : 0));
        if (raw < 0.0f) {
            sawLow = true;
            QCOMPARE(got, 0);
        } else if (raw > 255.0f) {
            sawHigh = true;
            QCOMPARE(got, 255);
        }
    }
    QVERIFY2(sawLow && sawHigh, "the fixture no longer overshoots");
}

void TestResample::halvesRoundToEven_data()
{
    QTest::addColumn<bool>("vertical");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("expected");
    QTest::newRow("2.5 down") << false << 5 << 2;
    QTest::newRow("3.5 up") << false << 7 << 4;
    QTest::newRow("0.5 down") << false << 1 << 0;
    QTest::newRow("127.5 up") << false << 255 << 128;
    QTest::newRow("column 2.5 down") << true << 5 << 2;
    QTest::newRow("column 126.5 down") << true << 253 << 126;
}

// Two pixels onto three with radius 1 gives the scale 2/1 exactly.
// Destination 1 sits halfway between the two, which the kernel weighs alike;
// scaled to sum to 1 each weight is exactly one half, so with the first pixel
// black the sum is exactly half the second value. The other axis (one pixel
// onto one) passes whole values through.
void TestResample::halvesRoundToEven()
{
    QFETCH(bool, vertical);
    QFETCH(int, value);
    QFETCH(int, expected);
    const QImage src = line({0, value}, vertical);
    const QImage out = Resample(src, vertical ? 1 : 3, vertical ? 3 : 1, 1);
    QCOMPARE(out.pixel(vertical ? 0 : 1, vertical ? 1 : 0), qRgb(expected, expected, expected));
}

void TestResample::sizes_data()
{
    QTest::addColumn<QImage>("source");
    QTest::addColumn<QSize>("to");
    QTest::addColumn<bool>("throws");
    QTest::addColumn<QSize>("result");
    const QImage some = noise(6, 4, 3);
    QTest::newRow("null source") << QImage() << QSize(5, 5) << true << QSize();
    QTest::newRow("null source, no size") << QImage() << QSize(0, 0) << true << QSize();
    QTest::newRow("zero width") << some << QSize(0, 5) << false << QSize();
    QTest::newRow("zero height") << some << QSize(5, 0) << false << QSize();
    QTest::newRow("negative") << some << QSize(-3, 4) << false << QSize();
    QTest::newRow("one pixel") << some << QSize(1, 1) << false << QSize(1, 1);
}

void TestResample::sizes()
{
    QFETCH(QImage, source);
    QFETCH(QSize, to);
    QFETCH(bool, throws);
    QFETCH(QSize, result);
    try {
        const QImage out = Resample(source, to.width(), to.height());
        QVERIFY2(!throws, "no error raised");
        QCOMPARE(out.isNull(), result.isEmpty());
        if (!out.isNull()) {
            QCOMPARE(out.size(), result);
            QCOMPARE(out.format(), QImage::Format_BGR888);
        }
    } catch (const VorlixError &e) {
        QVERIFY2(throws, qPrintable(e.message()));
        QCOMPARE(e.message(), QStringLiteral("Source bitmap too small"));
    }
}

QTEST_GUILESS_MAIN(TestResample)
#include "tst_resample.moc"
