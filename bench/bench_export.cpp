// "Save BMP" end to end: the question answered, then the nine skin files
// written into a temporary folder. Also times our own part alone (the pixels
// gathered into BMP rows and flipped) and a plain write of the same bytes, so
// the share of the file system shows. Asserts nothing.
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "output/FastDIB.h"
#include "output/SkinExport.h"
#include "platform/DesktopServices.h"
#include "app/Application.h"
#include "mainwindow/MainForm.h"
#include "skin/GlobalVar.h"

using namespace vorlix;

namespace {

// Answers "No" to the apply question without a window.
class NoServices final : public DesktopServices
{
public:
    MsgAnswer messageBox(QWidget *, const QString &, const QString &, MsgIcon, MsgButtons) override
    {
        return MsgAnswer::No;
    }
    QString openFile(QWidget *, const FileDialogRequest &) override { return {}; }
    QString saveFile(QWidget *, const FileDialogRequest &) override { return {}; }
    QString chooseFolder(QWidget *, const QString &, const QString &) override { return {}; }
    QColor chooseColor(QWidget *, const QColor &) override { return {}; }
    bool openUrl(const QString &) override { return false; }
};

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
    std::sort(us.begin(), us.end());
    return us[us.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TApplication app(argc, argv);
    initApplication(app);
    setServices(std::make_unique<NoServices>());
    AppWindows windows = createWindows();
    TMainForm *form = windows.mainForm.get();
    QTemporaryDir dir;
    form->OutputDir->setText(dir.path());

    const int runs = qEnvironmentVariableIsSet("BENCH_ITERATIONS")
        ? qEnvironmentVariableIntValue("BENCH_ITERATIONS") : 200;
    qint64 bytes = 0;
    for (SheetKind k : kSkinFileOrder)
        bytes += 26 + qint64(((24 * G().sheet(k)->width() + 31) / 32) * 4) * G().sheet(k)->height();

    const double saveUs = medianMicros(runs, [&] { form->Button2Click(); });
    const double ourUs = medianMicros(runs, [&] {
        for (SheetKind k : kSkinFileOrder) {
            TFastDIB dib;
            dib.CaptureBitmap(*G().sheet(k), 24);
            dib.FlipRows();
            dib.FlipRows();
        }
    });
    QByteArray block(bytes / kSkinFileOrder.size(), 'x');
    const double plainUs = medianMicros(runs, [&] {
        for (SheetKind k : kSkinFileOrder) {
            QFile f(dir.filePath(QStringLiteral("plain-") + sheetFileName(k)));
            f.open(QIODevice::WriteOnly);
            f.write(block);
        }
    });
    std::printf("Save BMP, nine files, %lld bytes: %.0f us (median of %d)\n", bytes, saveUs, runs);
    std::printf("  of which our pixel work (capture + both flips): %.0f us\n", ourUs);
    std::printf("  for comparison, nine plain file writes of the same size: %.0f us\n", plainUs);
    return 0;
}
