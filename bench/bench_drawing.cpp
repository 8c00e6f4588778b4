// The drawing tools' pixel work (lines, rectangle outlines, flood fill,
// grayscale) on the main window's sheet and on a large picture: the median
// time of BENCH_ITERATIONS runs (default 50) and pixels per second. Beside
// the line and the outline, Qt's own raster painter drawing the same shape
// (one pixel wide, no antialiasing) on the same picture, in the same rounds.
// Asserts nothing.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "view/Drawing.h"

using namespace vorlix;

namespace {

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Each step once a round, in turn; medians in microseconds.
std::vector<double> timeRounds(int rounds, const std::vector<std::function<void()>> &steps)
{
    std::vector<std::vector<double>> us(steps.size());
    QElapsedTimer t;
    for (int r = 0; r < rounds; ++r)
        for (size_t k = 0; k < steps.size(); ++k) {
            t.start();
            steps[k]();
            us[k].push_back(t.nsecsElapsed() / 1e3);
        }
    std::vector<double> medians;
    for (const std::vector<double> &u : us)
        medians.push_back(median(u));
    return medians;
}

// A maze of one-pixel walls, so that the flood fill turns at every step.
QImage maze(QSize size)
{
    QImage img(size, QImage::Format_BGR888);
    img.fill(Qt::white);
    QRandomGenerator rng(size.width());
    for (int y = 1; y < size.height(); y += 2)
        for (int x = 0; x < size.width(); ++x)
            if (rng.bounded(4) != 0)
                img.setPixelColor(x, y, Qt::black);
    return img;
}

void benchSize(QSize size, int rounds)
{
    QImage picture(size, QImage::Format_BGR888);
    picture.fill(Qt::white);
    const QPoint a(0, 0), b(size.width() - 1, size.height() - 1);
    const double area = double(size.width()) * size.height();
    const QImage walls = maze(size);
    QImage blank(size, QImage::Format_BGR888);
    blank.fill(Qt::white);
    QImage filled;
    int colour = 0;
    const auto next = [&] { return QColor::fromRgb(QRgb(0xff000000u | (++colour * 0x10305u & 0xffffffu))); };

    const std::vector<double> us = timeRounds(rounds, {
        [&] { drawLine(picture, a, b, next()); },
        [&] {
            QPainter p(&picture);
            p.setPen(next());
            p.drawLine(a, b);
        },
        [&] { drawRectOutline(picture, a, b, next()); },
        [&] {
            QPainter p(&picture);
            p.setPen(next());
            p.drawRect(QRect(a, b).adjusted(0, 0, -1, -1));
        },
        [&] {
            filled = blank.copy();
            floodFill(filled, QPoint(size.width() / 3, size.height() / 2), Qt::red);
        },
        [&] {
            filled = walls.copy();
            floodFill(filled, QPoint(0, 0), Qt::red);
        },
        [&] { filled = walls.copy(); }, // the copy alone, taken off the two above
        [&] { grayscale(picture); },
    });
    std::printf("%d x %d:\n", size.width(), size.height());
    std::printf("  line, corner to corner     %9.1f us  (Qt's painter %9.1f us)\n", us[0], us[1]);
    std::printf("  rectangle outline          %9.1f us  (Qt's painter %9.1f us)\n", us[2], us[3]);
    const double openUs = std::max(0.0, us[4] - us[6]);
    std::printf("  flood fill, open area      %9.1f us  %7.1f Mpixel/s\n", openUs, area / openUs);
    const double mazeUs = std::max(0.0, us[5] - us[6]);
    std::printf("  flood fill, maze           %9.1f us  %7.1f Mpixel/s (of the area)\n", mazeUs, area / mazeUs);
    std::printf("  grayscale, whole picture   %9.1f us  %7.1f Mpixel/s\n", us[7], area / us[7]);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int rounds = qEnvironmentVariableIsSet("BENCH_ITERATIONS")
        ? std::max(1, qEnvironmentVariableIntValue("BENCH_ITERATIONS")) : 50;
    std::printf("Drawing tools, median of %d rounds\n", rounds);
    benchSize({275, 116}, rounds);
    benchSize({2048, 2048}, std::max(1, rounds / 5));
    return 0;
}
