// "Save BMP" end to end after an edit of main.bmp's sheet: the question
// answered, then the skin's files
// written into a temporary folder, all or nothing, with the journal of the
// renames. Beside it, in the same rounds, the least a safe save can do: each
// of the same files (same names and bytes) written to a temporary, flushed
// with fdatasync and renamed over the old one, one after another. Also times
// our own pixel work alone, and the making of the files' bytes. Asserts
// nothing.
#include <QApplication>
#include <QElapsedTimer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "output/FastDIB.h"
#include "output/SkinExport.h"
#include "output/SkinWriter.h"
#include "BenchServices.h"
#include "platform/DesktopServices.h"
#include "app/Application.h"
#include "mainwindow/MainForm.h"
#include "skin/GlobalVar.h"

using namespace vorlix;

namespace {

double median(std::vector<double> us)
{
    std::sort(us.begin(), us.end());
    return us[us.size() / 2];
}

template <typename Fn>
double medianMicros(int runs, Fn &&fn)
{
    std::vector<double> us;
    QElapsedTimer t;
    for (int i = 0; i < runs; ++i) {
        t.start();
        fn();
        us.push_back(t.nsecsElapsed() / 1000.0);
    }
    return median(us);
}

struct Written
{
    QByteArray tmp, final;
    QByteArray bytes;
};

// write, fdatasync, rename: file after file.
void plainSafeWrites(const std::vector<Written> &files)
{
    for (const Written &w : files) {
        const int fd = ::open(w.tmp.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0 || ::write(fd, w.bytes.constData(), size_t(w.bytes.size())) != w.bytes.size() || ::fdatasync(fd) != 0)
            std::perror("baseline");
        ::close(fd);
        ::rename(w.tmp.constData(), w.final.constData());
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TApplication app(argc, argv);
    initApplication(app);
    setServices(std::make_unique<BenchServices>());
    AppWindows windows = createWindows();
    TMainForm *form = windows.mainForm.get();
    QTemporaryDir dir;
    form->OutputDir->setText(dir.path());

    const int runs = qEnvironmentVariableIsSet("BENCH_ITERATIONS")
        ? qEnvironmentVariableIntValue("BENCH_ITERATIONS") : 200;

    // One save to learn what it writes; the baseline writes the same.
    form->Button2Click();
    QTemporaryDir plainDir;
    std::vector<Written> plain;
    qint64 bytes = 0;
    for (const QString &name : QDir(dir.path()).entryList(QDir::Files)) {
        QFile f(dir.filePath(name));
        f.open(QIODevice::ReadOnly);
        plain.push_back({QFile::encodeName(plainDir.filePath(QStringLiteral(".tmp-") + name)),
                         QFile::encodeName(plainDir.filePath(name)), f.readAll()});
        bytes += plain.back().bytes.size();
    }
    plainSafeWrites(plain);

    // Interleaved, so both meet the same load on a shared disk.
    QTemporaryDir writerDir;
    QList<FileToWrite> same;
    for (const Written &w : plain) {
        FileToWrite f;
        f.path = writerDir.filePath(QFile::decodeName(w.final).section(QLatin1Char('/'), -1));
        f.bytes = w.bytes;
        same.append(f);
    }
    writeFilesTwoPhase(same);
    std::vector<double> saveUs, plainUs, writerUs;
    QElapsedTimer t;
    // The order turns round each time: what one leaves for the disk to do
    // (blocks to free) lands on whichever comes next.
    const std::function<void()> steps[] = {
        [&] {
            // An edit before each save, as a user saves: that sheet's bytes
            // are made afresh, the others' are kept from the save before.
            QImage *main = G().sheet(skMain);
            main->setPixel(0, 0, main->pixel(0, 0) ^ 0x010101u);
            form->Button2Click();
        },
        [&] { plainSafeWrites(plain); }, [&] { writeFilesTwoPhase(same); }};
    std::vector<double> *results[] = {&saveUs, &plainUs, &writerUs};
    for (int i = 0; i < runs; ++i)
        for (int j = 0; j < 3; ++j) {
            const int k = (i + j) % 3;
            t.start();
            steps[k]();
            results[k]->push_back(t.nsecsElapsed() / 1000.0);
        }
    const double ourUs = medianMicros(runs, [&] {
        for (SheetKind k : kSkinFileOrder) {
            TFastDIB dib;
            dib.CaptureBitmap(*G().sheet(k), 24);
            dib.FlipRows();
            dib.FlipRows();
        }
    });
    const double bytesUs = medianMicros(runs, [&] {
        for (SheetKind k : kSkinFileOrder)
            bitmapFileBytes(*G().sheet(k));
    });
    const double save = median(saveUs), base = median(plainUs);
    std::printf("Save BMP, %zu files, %lld bytes: %.0f us (median of %d)\n", plain.size(), bytes, save, runs);
    std::printf("  the same files with write + fdatasync + rename each: %.0f us\n", base);
    std::printf("  ratio: %.2fx\n", save / base);
    std::printf("  our writer alone with those files: %.0f us\n", median(writerUs));
    std::printf("  of which our pixel work (capture + both flips): %.0f us\n", ourUs);
    std::printf("  making every sheet's bytes (a first save does): %.0f us\n", bytesUs);
    return 0;
}
