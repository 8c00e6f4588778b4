// Hover over the whole miniature: every pixel once, row by row, as a mouse
// sweep would. Reports the cost of a mouse move that changes nothing and of
// one that selects another element and refreshes the view (what runs when
// the tree's change delay has passed). Asserts nothing.
#include <QApplication>
#include <QElapsedTimer>
#include <QWindow>

#include <cstdio>

#include "app/Application.h"
#include "mainwindow/MainForm.h"

using namespace vorlix;

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TApplication app(argc, argv);
    initApplication(app);
    AppWindows windows = createWindows();
    TMainForm *form = windows.mainForm.get();
    form->ScrollZoom->setValue(4); // a zoomed view costs the most to refresh
    // Shown and exposed, so that the repaint below really paints.
    showCentred(form);
    for (int i = 0; i < 100 && !(form->windowHandle() && form->windowHandle()->isExposed()); ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);

    const int rounds = qEnvironmentVariableIsSet("BENCH_ROUNDS") ? qEnvironmentVariableIntValue("BENCH_ROUNDS") : 20;
    long long moves = 0, changes = 0;
    qint64 moveNs = 0, changeNs = 0;
    QElapsedTimer t;
    for (int r = 0; r < rounds; ++r) {
        for (int y = 0; y < 74; ++y) {
            for (int x = 0; x < 175; ++x) {
                const int before = form->selectedIndex();
                t.start();
                form->selectimgMouseMove(Qt::NoButton, x, y);
                const bool changed = form->selectedIndex() != before;
                if (changed) {
                    form->SelTreeChange();
                    form->DesktopImg->repaint();
                    changeNs += t.nsecsElapsed();
                    ++changes;
                } else {
                    moveNs += t.nsecsElapsed();
                    ++moves;
                }
            }
        }
    }
    std::printf("hover sweep: %lld moves without change, %.2f us each\n", moves,
                moves ? moveNs / 1000.0 / moves : 0.0);
    std::printf("hover sweep: %lld element changes (selection + refresh + paint), %.1f us each\n",
                changes, changes ? changeNs / 1000.0 / changes : 0.0);
    return 0;
}
