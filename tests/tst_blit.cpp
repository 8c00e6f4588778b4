// Block copy and nearest-neighbour stretch against slow per-pixel references.
#include <QtTest>
#include <QRandomGenerator>

#include "platform/Blit.h"

using namespace vorlix;

namespace {

QImage noise(int w, int h, quint32 seed)
{
    QImage img(w, h, QImage::Format_BGR888);
    QRandomGenerator rng(seed);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, rng.generate() | 0xff000000u);
    return img;
}

// One destination pixel at a time, straight from the rules.
void referenceStretch(QImage &dst, int dx, int dy, int dw, int dh,
                      const QImage &src, int sx, int sy, int sw, int sh)
{
    if (dw == 0 || dh == 0 || sw == 0 || sh == 0)
        return;
    const int adw = std::abs(dw), adh = std::abs(dh), asw = std::abs(sw), ash = std::abs(sh);
    for (int j = 0; j < adh; ++j) {
        for (int i = 0; i < adw; ++i) {
            const int tx = dw > 0 ? dx + i : dx + dw + i;
            const int ty = dh > 0 ? dy + j : dy + dh + j;
            int ki = int((2LL * i + 1) * asw / (2LL * adw));
            int kj = int((2LL * j + 1) * ash / (2LL * adh));
            if ((dw < 0) != (sw < 0))
                ki = asw - 1 - ki;
            if ((dh < 0) != (sh < 0))
                kj = ash - 1 - kj;
            const int fx = (sw > 0 ? sx : sx + sw) + ki;
            const int fy = (sh > 0 ? sy : sy + sh) + kj;
            if (tx < 0 || ty < 0 || tx >= dst.width() || ty >= dst.height())
                continue;
            if (fx < 0 || fy < 0 || fx >= src.width() || fy >= src.height())
                continue;
            dst.setPixel(tx, ty, src.pixel(fx, fy));
        }
    }
}

} // namespace

class TestBlit : public QObject
{
    Q_OBJECT
private slots:
    void blockCopyClips_data();
    void blockCopyClips();
    void stretchMatchesReference_data();
    void stretchMatchesReference();
    void stretchSamplesCentres();
    void drawingPastTheEdgeKeepsTheSheet();
    void screenFramesTakeTheSamePixels();
};

void TestBlit::blockCopyClips_data()
{
    QTest::addColumn<QRect>("dstRect");
    QTest::addColumn<QPoint>("srcPos");
    QTest::newRow("inside") << QRect(2, 3, 5, 4) << QPoint(1, 1);
    QTest::newRow("past right and bottom of destination") << QRect(14, 9, 8, 8) << QPoint(0, 0);
    QTest::newRow("negative destination") << QRect(-3, -2, 6, 6) << QPoint(4, 4);
    QTest::newRow("source past its edge") << QRect(0, 0, 10, 10) << QPoint(8, 5);
    QTest::newRow("source before its origin") << QRect(5, 5, 6, 6) << QPoint(-2, -3);
    QTest::newRow("nothing overlaps") << QRect(40, 40, 3, 3) << QPoint(0, 0);
}

void TestBlit::blockCopyClips()
{
    QFETCH(QRect, dstRect);
    QFETCH(QPoint, srcPos);
    const QImage src = noise(12, 9, 1);
    const QImage before = noise(16, 12, 2);
    QImage dst = before;
    blockCopy(dst, dstRect.x(), dstRect.y(), dstRect.width(), dstRect.height(), src, srcPos.x(), srcPos.y());
    QCOMPARE(dst.size(), before.size());
    for (int y = 0; y < dst.height(); ++y) {
        for (int x = 0; x < dst.width(); ++x) {
            const QPoint s = QPoint(x, y) - dstRect.topLeft() + srcPos;
            const bool copied = dstRect.contains(x, y) && src.rect().contains(s);
            const QRgb want = copied ? src.pixel(s) : before.pixel(x, y);
            QVERIFY2(dst.pixel(x, y) == want, qPrintable(QStringLiteral("pixel %1,%2").arg(x).arg(y)));
        }
    }
}

void TestBlit::stretchMatchesReference_data()
{
    QTest::addColumn<QRect>("d"); // x, y, w, h with signed extents
    QTest::addColumn<QRect>("s");
    QTest::newRow("enlarge x3") << QRect(0, 0, 30, 24) << QRect(0, 0, 10, 8);
    QTest::newRow("reduce") << QRect(1, 1, 7, 5) << QRect(0, 0, 20, 16);
    QTest::newRow("odd ratio") << QRect(2, 0, 13, 11) << QRect(3, 2, 9, 7);
    QTest::newRow("past the destination's right edge") << QRect(30, 5, 20, 10) << QRect(0, 0, 20, 10);
    QTest::newRow("negative destination origin") << QRect(-7, -4, 25, 20) << QRect(0, 0, 20, 16);
    QTest::newRow("source reaching outside") << QRect(0, 0, 20, 20) << QRect(15, 10, 10, 10);
    QTest::newRow("mirror horizontally") << QRect(20, 0, -20, 16) << QRect(0, 0, 20, 16);
    QTest::newRow("mirror source vertically") << QRect(0, 0, 20, 16) << QRect(0, 16, 20, -16);
}

void TestBlit::stretchMatchesReference()
{
    QFETCH(QRect, d);
    QFETCH(QRect, s);
    const QImage src = noise(20, 16, 3);
    QImage fast = noise(40, 30, 4);
    QImage slow = fast;
    // QRect normalises nothing here: width() is x2 - x1 + 1 for the stored corners.
    const int dw = d.width(), dh = d.height(), sw = s.width(), sh = s.height();
    stretchCopy(fast, d.x(), d.y(), dw, dh, src, s.x(), s.y(), sw, sh);
    referenceStretch(slow, d.x(), d.y(), dw, dh, src, s.x(), s.y(), sw, sh);
    QCOMPARE(fast, slow);
}

void TestBlit::stretchSamplesCentres()
{
    // Three source columns over seven destination columns: 0 0 1 1 1 2 2.
    QImage src(3, 1, QImage::Format_BGR888);
    src.setPixel(0, 0, qRgb(10, 0, 0));
    src.setPixel(1, 0, qRgb(20, 0, 0));
    src.setPixel(2, 0, qRgb(30, 0, 0));
    QImage dst(7, 1, QImage::Format_BGR888);
    dst.fill(Qt::black);
    stretchCopy(dst, 0, 0, 7, 1, src, 0, 0, 3, 1);
    const int expected[] = {10, 10, 20, 20, 20, 30, 30};
    for (int i = 0; i < 7; ++i)
        QCOMPARE(qRed(dst.pixel(i, 0)), expected[i]);
}

void TestBlit::drawingPastTheEdgeKeepsTheSheet()
{
    // An import draws into title bar rectangles that reach x = 352 of a
    // 344-pixel sheet.
    QImage sheet(344, 87, QImage::Format_BGR888);
    sheet.fill(Qt::black);
    QImage part(16, 6, QImage::Format_BGR888);
    part.fill(Qt::white);
    stretchCopy(sheet, 336, 44, 16, 6, part, 0, 0, 16, 6);
    blockCopy(sheet, 340, 50, 16, 6, part, 0, 0);
    QCOMPARE(sheet.size(), QSize(344, 87));
    QCOMPARE(sheet.pixel(343, 44), qRgb(255, 255, 255));
    QCOMPARE(sheet.pixel(343, 55), qRgb(255, 255, 255));
    QCOMPARE(sheet.pixel(335, 44), qRgb(0, 0, 0));
}

void TestBlit::screenFramesTakeTheSamePixels()
{
    // A 32-bit screen frame receives exactly what a 24-bit picture would.
    const QImage src = noise(20, 16, 5);
    QImage picture = noise(40, 30, 6);
    QImage frame = picture.convertToFormat(QImage::Format_RGB32);
    stretchCopy(picture, -3, 2, 45, 27, src, 2, 1, 15, 13);
    stretchCopy(frame, -3, 2, 45, 27, src, 2, 1, 15, 13);
    blockCopy(picture, 30, 20, 20, 16, src, 0, 0);
    blockCopy(frame, 30, 20, 20, 16, src, 0, 0);
    QCOMPARE(frame, picture.convertToFormat(QImage::Format_RGB32));
    // And back into a picture.
    QImage back(40, 30, QImage::Format_BGR888);
    back.fill(Qt::black);
    blockCopy(back, 0, 0, 40, 30, frame, 0, 0);
    QCOMPARE(back, picture);
}

QTEST_GUILESS_MAIN(TestBlit)
#include "tst_blit.moc"
