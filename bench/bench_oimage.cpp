// Paint cost of the picture view at the main window's size: a 275 x 116
// picture in a 290 x 178 view at zoom 1 (fits), 2 and 8 (scrolled). Reports
// microseconds per frame render and per full widget paint; asserts nothing.
#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPixmap>
#include <QWindow>

#include <cstdio>

#include "view/OImage.h"

namespace {

QImage testPicture()
{
    QImage img(275, 116, QImage::Format_BGR888);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            img.setPixelColor(x, y, QColor((x * 7) & 255, (y * 5) & 255, (x ^ y) & 255));
    return img;
}

template <typename Fn>
double microsecondsPerCall(int iterations, Fn &&fn)
{
    for (int i = 0; i < iterations / 10 + 1; ++i) // warm-up
        fn();
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < iterations; ++i)
        fn();
    return timer.nsecsElapsed() / 1000.0 / iterations;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    vorlix::TOImage view;
    view.resize(290, 178);
    view.setColor(QColor(128, 0, 0));
    view.assignPicture(testPicture());
    view.show();
    for (int i = 0; i < 100 && !(view.windowHandle() && view.windowHandle()->isExposed()); ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    int paints = 0;
    QObject::connect(&view, &vorlix::TOImage::OnPaint, [&] { ++paints; });

    const int iterations = qEnvironmentVariableIsSet("BENCH_ITERATIONS") ? qEnvironmentVariableIntValue("BENCH_ITERATIONS") : 5000;
    std::printf("TOImage paint, 290 x 178 view, 275 x 116 picture, %d iterations\n", iterations);
    std::printf("%6s %16s %16s\n", "zoom", "render us/frame", "paint us/frame");
    for (const double zoom : {1.0, 2.0, 8.0}) {
        view.SetZoom(zoom);
        if (zoom > 1) {
            view.setOffsetX(20);
            view.setOffsetY(10);
        }
        volatile int sink = 0;
        const double render = microsecondsPerCall(iterations, [&] {
            sink = sink + view.renderFrame().width();
        });
        // The whole paint as the window system asks for it: frame, drawing
        // onto the backing store, signals, scroll bars.
        const double paint = microsecondsPerCall(iterations, [&] { view.repaint(); });
        std::printf("%6.0f %16.2f %16.2f\n", zoom, render, paint);
        if (paints == 0)
            std::printf("       (the view was never painted: no exposed window)\n");
    }
    return 0;
}
