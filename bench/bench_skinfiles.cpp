// Skin files through the window, beside the tools a user has for the same:
//  - Save ZIP Skin... of a skin read from a folder (every entry packed
//    afresh) and of the same skin read from an archive (every entry copied
//    as it lies), each against the zip tool packing the same files at its
//    default level, plus an fsync of its archive;
//  - opening that archive and that folder through the window's own open
//    path (TMainForm::openSkin: the read on a worker, then the skin put in
//    place), against the read alone on the window's thread.
// Rounds interleave the steps (BENCH_ITERATIONS, default 30); each ratio is
// given as the median and the range over the rounds. Asserts nothing.
//
//   bench_skinfiles [skin folder]     default: the built-in skin's files
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "app/Application.h"
#include "editor/SkinFiles.h"
#include "mainwindow/MainForm.h"
#include "BenchServices.h"
#include "platform/DesktopServices.h"

using namespace vorlix;

namespace {

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void printRatio(const char *what, const std::vector<double> &ours, const std::vector<double> &theirs)
{
    std::vector<double> ratios;
    for (size_t i = 0; i < ours.size(); ++i)
        ratios.push_back(ours[i] / theirs[i]);
    std::printf("  %-34s %8.2f ms  vs %8.2f ms   ratio %5.2f (%.2f-%.2f)\n", what, median(ours), median(theirs),
                median(ratios), *std::min_element(ratios.begin(), ratios.end()),
                *std::max_element(ratios.begin(), ratios.end()));
}

void printExtra(const char *what, const std::vector<double> &ours, const std::vector<double> &theirs)
{
    std::vector<double> extra;
    for (size_t i = 0; i < ours.size(); ++i)
        extra.push_back(ours[i] - theirs[i]);
    std::printf("  %-34s %8.2f ms  vs %8.2f ms   more by %5.2f ms (%.2f to %.2f)\n", what, median(ours),
                median(theirs), median(extra), *std::min_element(extra.begin(), extra.end()),
                *std::max_element(extra.begin(), extra.end()));
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TApplication app(argc, argv);
    initApplication(app);
    auto services = std::make_unique<BenchServices>();
    BenchServices *answers = services.get();
    setServices(std::move(services));
    AppWindows windows = createWindows();
    TMainForm *form = windows.mainForm.get();

    const QStringList args = app.arguments();
    QTemporaryDir work;
    // Without a folder, the built-in skin as Save BMP writes it.
    QString folder = args.size() > 1 ? args[1] : work.filePath(QStringLiteral("builtin"));
    if (args.size() <= 1) {
        QDir().mkpath(folder);
        form->OutputDir->setText(folder);
        form->Button2Click();
    }
    if (!QFileInfo(folder).isDir()) {
        std::printf("No skin folder at %s\n", qPrintable(folder));
        return 1;
    }
    const int runs = qEnvironmentVariableIsSet("BENCH_ITERATIONS")
        ? std::max(1, qEnvironmentVariableIntValue("BENCH_ITERATIONS")) : 30;

    const QStringList files = QDir(folder).entryList(QDir::Files, QDir::Name);
    const QString zipped = work.filePath(QStringLiteral("zipped.wsz"));
    // The zip tool at its default level, as a user packs a skin, and the
    // archive on disk before it counts as saved.
    const auto zipTool = [&] {
        QFile::remove(zipped);
        QProcess zip;
        zip.setWorkingDirectory(folder);
        zip.start(QStringLiteral("zip"), QStringList{QStringLiteral("-q"), zipped} + files);
        if (!zip.waitForFinished(-1) || zip.exitCode() != 0) {
            std::printf("the zip tool failed\n");
            std::exit(1);
        }
        const int fd = ::open(QFile::encodeName(zipped).constData(), O_RDONLY | O_CLOEXEC);
        ::fsync(fd);
        ::close(fd);
    };
    zipTool();
    const QString archive = work.filePath(QStringLiteral("skin.wsz"));
    QFile::copy(zipped, archive);
    answers->savePath = work.filePath(QStringLiteral("saved.wsz"));
    std::printf("%s: %lld files, %lld bytes as the zip tool packs them\n", qPrintable(folder),
                qlonglong(files.size()), qlonglong(QFileInfo(archive).size()));

    std::vector<double> fromFolder, fromArchive, tool, openArchive, readArchive, openFolder, readFolder;
    QElapsedTimer t;
    const auto timed = [&](std::vector<double> &into, const std::function<void()> &step) {
        t.start();
        step();
        into.push_back(t.nsecsElapsed() / 1e6);
    };
    const std::function<void()> steps[] = {
        [&] {
            form->openSkin(folder);
            timed(fromFolder, [&] { form->SaveZIPSkin1->trigger(); });
        },
        [&] {
            form->openSkin(archive);
            timed(fromArchive, [&] { form->SaveZIPSkin1->trigger(); });
        },
        [&] { timed(tool, zipTool); },
        [&] { timed(openArchive, [&] { form->openSkin(archive); }); },
        [&] { timed(readArchive, [&] { readSkin(archive); }); },
        [&] { timed(openFolder, [&] { form->openSkin(folder); }); },
        [&] { timed(readFolder, [&] { readSkin(folder); }); },
    };
    const int count = int(std::size(steps));
    for (int j = 0; j < count; ++j) // warm-up
        steps[j]();
    fromFolder.clear(), fromArchive.clear(), tool.clear(), openArchive.clear(), readArchive.clear();
    openFolder.clear(), readFolder.clear();
    // The order turns round each time, so that no step always follows the
    // same one.
    for (int i = 0; i < runs; ++i)
        for (int j = 0; j < count; ++j)
            steps[(i + j) % count]();

    std::printf("Median of %d rounds (range of the ratio over the rounds):\n", runs);
    printRatio("Save ZIP Skin, read from a folder", fromFolder, tool);
    printRatio("Save ZIP Skin, read from an archive", fromArchive, tool);
    std::printf("  (against zip -q of the same files + fsync)\n");
    printExtra("open the archive through the window", openArchive, readArchive);
    printExtra("open the folder through the window", openFolder, readFolder);
    std::printf("  (against the read alone)\n");
    return 0;
}
