// Undo and redo: what a step costs to take back and to bring again, through
// the window (a whole-window import on "Main Window", every sheet it cut
// into; the miniature and the view redrawn) and in the history alone on a
// sheet much larger than any the built-in skin has, wholly changed.
// Asserts nothing; the goal is well under 20 ms a step.
//
//   bench_history [rounds]     default 100
#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "FakeServices.h"
#include "app/Application.h"
#include "editor/History.h"
#include "mainwindow/MainForm.h"
#include "skin/GlobalVar.h"

using namespace vorlix;

namespace {

struct Times
{
    std::vector<double> ms;
    void report(const char *what)
    {
        std::sort(ms.begin(), ms.end());
        std::printf("%-44s median %7.3f ms   90%% %7.3f ms   max %7.3f ms   (%zu runs)\n", what,
                    ms[ms.size() / 2], ms[ms.size() * 9 / 10], ms.back(), ms.size());
    }
};

template <typename F>
double timed(F &&f)
{
    QElapsedTimer t;
    t.start();
    f();
    return double(t.nsecsElapsed()) / 1e6;
}

QImage stripes(int w, int h, int seed)
{
    QImage img(w, h, QImage::Format_BGR888);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, qRgb((x * 7 + seed) & 255, (y * 3 + seed) & 255, (x ^ y) & 255));
    return img;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100;
    TApplication app(argc, argv);

    {
        FakeServicesScope services;
        AppWindows windows = createWindows();
        TMainForm *f = MainForm;
        f->show();
        QApplication::processEvents();
        f->SelTree->selectAbsolute(0);
        f->SelTreeChange();
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("window.bmp"));
        stripes(275, 116, 1).save(file, "BMP");
        services.fake->files.enqueue(file);
        f->OpenImage1Click();
        Times undo, redo;
        for (int i = 0; i < rounds; ++i) {
            undo.ms.push_back(timed([&] { f->Undo1Click(); }));
            redo.ms.push_back(timed([&] { f->Redo1Click(); }));
        }
        undo.report("window: undo whole-window import");
        redo.report("window: redo whole-window import");
    }

    {
        // A 2048 x 2048 sheet, every pixel changed by one step.
        resetGlobals();
        createBitmaps(G());
        GlobalVar &g = G();
        setSheet(g, skMain, stripes(2048, 2048, 2), SheetOrigin::File);
        VisColorText vis = VisColorText::builtIn();
        PlEditText pledit = PlEditText::builtIn();
        const SkinColours colours{&vis, &pledit};
        EditHistory h;
        const ViewShown view{0, 0, false, stripes(275, 116, 3)};
        Times end, undo, redo;
        for (int i = 0; i < std::max(1, rounds / 5); ++i) {
            h.begin(QStringLiteral("Import"), g, colours, view);
            *g.Sheets[size_t(skMain)] = stripes(2048, 2048, 10 + i);
            end.ms.push_back(timed([&] { h.end(g, colours, view); }));
            undo.ms.push_back(timed([&] { h.undo(g, colours, view); }));
            redo.ms.push_back(timed([&] { h.redo(g, colours, view); }));
        }
        end.report("history: record a 2048 x 2048 sheet change");
        undo.report("history: undo it");
        redo.report("history: redo it");
        std::printf("history: %d steps kept, %.1f MiB\n", h.count(), double(h.bytes()) / (1 << 20));
    }
    return 0;
}
