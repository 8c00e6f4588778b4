// The largest picture an import accepts, as a run-length BMP of a few
// hundred kilobytes: read, then resized to the main window's 275 x 116 and
// to a 4 x 6 indicator, smooth and sharp. Prints each step's time and the
// process's peak memory so far; then the same read on a worker, cancelled
// after a while, and how long the worker takes to stop after the Cancel.
// Asserts nothing.
//
//   bench_large_import [width height]     default 16384 4096
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "platform/BackgroundJob.h"
#include "platform/Blit.h"
#include "platform/BmpRead.h"
#include "view/Resample.h"

using namespace vorlix;

namespace {

long peakMiB()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss / 1024;
}

// Stripes of 255-pixel runs in 16 palette colours, row after row.
QByteArray runLengthFile(int w, int h)
{
    QByteArray pixels;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; x += 255) {
            pixels.append(char(std::min(255, w - x)));
            pixels.append(char((x / 255 + y / 64) % 16));
        }
        pixels.append('\0').append(char(y + 1 < h ? 0 : 1));
    }
    QByteArray bmp(14 + 40 + 16 * 4, '\0');
    bmp[0] = 'B';
    bmp[1] = 'M';
    qToLittleEndian<quint32>(quint32(bmp.size() + pixels.size()), bmp.data() + 2);
    qToLittleEndian<quint32>(quint32(bmp.size()), bmp.data() + 10);
    qToLittleEndian<quint32>(40, bmp.data() + 14);
    qToLittleEndian<qint32>(w, bmp.data() + 18);
    qToLittleEndian<qint32>(h, bmp.data() + 22);
    qToLittleEndian<quint16>(1, bmp.data() + 26);
    qToLittleEndian<quint16>(8, bmp.data() + 28);
    qToLittleEndian<quint32>(1, bmp.data() + 30); // RLE8
    qToLittleEndian<quint32>(16, bmp.data() + 46);
    for (int i = 0; i < 16; ++i) {
        bmp[54 + 4 * i] = char(16 * i);
        bmp[55 + 4 * i] = char(255 - 16 * i);
        bmp[56 + 4 * i] = char(8 * i);
    }
    return bmp + pixels;
}

} // namespace

int main(int argc, char **argv)
{
    const int w = argc > 2 ? std::atoi(argv[1]) : 16384;
    const int h = argc > 2 ? std::atoi(argv[2]) : 4096;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("large.bmp"));
    const QByteArray bytes = runLengthFile(w, h);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        return 1;
    f.close();
    std::printf("%d x %d picture in a %lld-byte file; peak memory %ld MiB at the start\n", w, h,
                static_cast<long long>(bytes.size()), peakMiB());

    QElapsedTimer t;
    t.start();
    const QImage picture = readBmpFile(path);
    std::printf("read:                   %7.0f ms, peak %ld MiB (the picture: %lld MiB)\n",
                t.nsecsElapsed() / 1e6, peakMiB(), static_cast<long long>(picture.sizeInBytes() >> 20));
    for (const QSize to : {QSize(275, 116), QSize(4, 6)}) {
        t.start();
        const QImage smooth = Resample(picture, to.width(), to.height(), 3);
        std::printf("smooth to %3d x %3d:    %7.0f ms, peak %ld MiB\n", to.width(), to.height(),
                    t.nsecsElapsed() / 1e6, peakMiB());
        t.start();
        QImage sharp(to, QImage::Format_BGR888);
        stretchCopy(sharp, 0, 0, to.width(), to.height(), picture, 0, 0, picture.width(), picture.height());
        std::printf("sharp to %3d x %3d:     %7.0f ms\n", to.width(), to.height(), t.nsecsElapsed() / 1e6);
    }

    for (const int after : {50, 200, 1000}) {
        JobProgress progress;
        std::atomic<qint64> stoppedAt{0};
        QElapsedTimer clock;
        clock.start();
        std::thread worker([&] {
            try {
                readBmpFile(path, &progress);
            } catch (const JobCancelled &) {
            }
            stoppedAt = clock.nsecsElapsed();
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(after));
        const qint64 cancelledAt = clock.nsecsElapsed();
        progress.requestCancel();
        worker.join();
        if (stoppedAt <= cancelledAt)
            std::printf("cancel after %4d ms:   the read had ended (%.0f ms)\n", after, stoppedAt / 1e6);
        else
            std::printf("cancel after %4d ms:   the read stopped %.1f ms later\n", after,
                        (stoppedAt - cancelledAt) / 1e6);
    }
    return 0;
}
