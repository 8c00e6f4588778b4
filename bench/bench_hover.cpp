// Hover over the miniature. Reports the cost of a mouse move that changes
// nothing (every pixel once, row by row, as a mouse sweep would) and of one
// that selects another element and refreshes the view at zoom 4, what runs
// when the tree's change delay has passed. Asserts nothing.
#include <QApplication>
#include <QElapsedTimer>
#include <QWindow>

#include <cstdio>
#include <cstdlib>

#include "app/Application.h"
#include "mainwindow/MainForm.h"
#include "skin/GlobalVar.h"

using namespace vorlix;

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TApplication app(argc, argv);
    initApplication(app);
    AppWindows windows = createWindows();
    TMainForm *form = windows.mainForm.get();
    // Shown and exposed, so that the repaints below really paint.
    showCentred(form);
    for (int i = 0; i < 100 && !(form->windowHandle() && form->windowHandle()->isExposed()); ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);

    const int rounds = qEnvironmentVariableIsSet("BENCH_ROUNDS") ? qEnvironmentVariableIntValue("BENCH_ROUNDS") : 20;
    QElapsedTimer t;

    // Moves that stay on the selected element: the hit test and the tree's
    // focus, nothing else.
    const auto hover = [&](int x, int y) {
        form->selectimgMouseMove(Qt::NoButton, x, y);
        return form->selectedIndex();
    };
    long long moves = 0;
    qint64 moveNs = 0;
    for (int r = 0; r < rounds; ++r)
        for (int y = 0; y < 74; ++y)
            for (int x = 0; x < 175; ++x) {
                const int before = form->selectedIndex();
                t.start();
                const int now = hover(x, y);
                const qint64 ns = t.nsecsElapsed();
                if (now == before) {
                    moveNs += ns;
                    ++moves;
                } else {
                    form->SelTreeChange(); // keep the view in step, untimed
                }
            }

    // Element changes at zoom 4, back and forth between buttons (no group
    // among them: a group is always shown at zoom 1). The zoom is set once a
    // button is shown, since a view without a picture has no zoom to set.
    const QPoint buttons[] = {{30, 60}, {45, 60}, {60, 60}, {75, 60}, {90, 60}, {16, 60}};
    hover(buttons[0].x(), buttons[0].y());
    form->SelTreeChange();
    form->ScrollZoom->setValue(4);
    long long changes = 0;
    qint64 changeNs = 0;
    for (int r = 0; r < rounds * 50; ++r) {
        const QPoint p = buttons[(r + 1) % std::size(buttons)];
        t.start();
        hover(p.x(), p.y());
        form->SelTreeChange();
        form->DesktopImg->repaint();
        changeNs += t.nsecsElapsed();
        ++changes;
        const int idx = form->selectedIndex();
        if (form->DesktopImg->Zoom() != 4.0 || idx < 0 || G().ElementTable[size_t(idx)].isGroup()) {
            std::fprintf(stderr, "element %d is shown at zoom %g, not 4\n", idx, form->DesktopImg->Zoom());
            return EXIT_FAILURE;
        }
    }
    std::printf("hover sweep: %lld moves without change, %.2f us each\n", moves,
                moves ? moveNs / 1000.0 / moves : 0.0);
    std::printf("element changes at zoom 4 (selection + refresh + paint): %lld, %.1f us each\n",
                changes, changes ? changeNs / 1000.0 / changes : 0.0);
    return 0;
}
