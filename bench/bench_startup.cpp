// Start-up: a bare frameless 640 x 480 Qt window against the editor, each
// from process start to its first painted frame. The two run alternately in
// fresh processes; prints both medians and their ratio. Asserts nothing.
//
//   bench_startup            both, BENCH_RUNS rounds (default 25)
//   bench_startup --phases   one editor start, with the time of each step
//
// Runs on whatever platform QT_QPA_PLATFORM names (xcb under xvfb-run is
// closest to a desktop; offscreen when unset and there is no display).
#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <functional>
#include <cstdio>
#include <vector>

#include "app/Application.h"
#include "mainwindow/MainForm.h"

using namespace vorlix;

namespace {

// Reports "painted" once the window's first paint has been flushed, then ends.
class FirstPaint : public QObject
{
public:
    explicit FirstPaint(QWidget *window, std::function<void()> onPainted = {})
        : m_onPainted(std::move(onPainted))
    {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !m_seen) {
            m_seen = true;
            watched->removeEventFilter(this);
            QTimer::singleShot(0, [this] {
                if (m_onPainted)
                    m_onPainted();
                std::printf("painted\n");
                std::fflush(stdout);
                QCoreApplication::exit(0);
            });
        }
        return false;
    }

private:
    std::function<void()> m_onPainted;
    bool m_seen = false;
};

int runBare(int argc, char **argv)
{
    QApplication app(argc, argv);
    QWidget window(nullptr, Qt::FramelessWindowHint);
    window.resize(640, 480);
    FirstPaint watch(&window);
    window.show();
    return app.exec();
}

// The program's own start-up, step by step as it runs it.
int runEditor(int argc, char **argv, bool phases)
{
    QElapsedTimer t;
    t.start();
    qint64 last = 0;
    const auto step = [&](const char *what) {
        if (phases) {
            const qint64 now = t.nsecsElapsed();
            std::fprintf(stderr, "%-28s %7.2f ms\n", what, (now - last) / 1e6);
            last = now;
        }
    };
    TApplication app(argc, argv);
    step("application object");
    initApplication(app);
    step("fonts, style, icon");
    // As the program does it: the dialogs are built after the first frame.
    AppWindows windows = createMainWindow();
    step("main window");
    createDialogsAfterFirstFrame(windows);
    // Installed last, so it sees the paint first: the time ends at the frame.
    FirstPaint watch(windows.mainForm.get(), [&] { step("first frame painted"); });
    showCentred(windows.mainForm.get());
    step("shown");
    const int rc = app.exec();
    if (phases) {
        QElapsedTimer wait;
        wait.start();
        while (!windows.selDirect && wait.elapsed() < 5000)
            QCoreApplication::processEvents();
        step("dialogs, after the frame");
    }
    return rc;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Milliseconds from starting the process to its "painted" line; -1 on failure.
double timeOne(const QString &program, const QString &mode)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer t;
    t.start();
    p.start(program, {mode});
    QByteArray out;
    while (!out.contains("painted\n") && p.waitForReadyRead(10000))
        out += p.readAllStandardOutput();
    const double ms = t.nsecsElapsed() / 1e6;
    p.waitForFinished(10000);
    return out.contains("painted\n") ? ms : -1;
}

} // namespace

int main(int argc, char **argv)
{
    const QByteArray mode = argc > 1 ? QByteArray(argv[1]) : QByteArray();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (mode == "--bare")
        return runBare(argc, argv);
    if (mode == "--editor" || mode == "--phases")
        return runEditor(argc, argv, mode == "--phases");

    const int runs = qEnvironmentVariableIsSet("BENCH_RUNS") ? qEnvironmentVariableIntValue("BENCH_RUNS") : 25;
    const QString self = QString::fromLocal8Bit(argv[0]);
    std::vector<double> bare, editor;
    timeOne(self, QStringLiteral("--bare")); // warm the file cache
    timeOne(self, QStringLiteral("--editor"));
    for (int r = 0; r < runs; ++r) {
        // Alternate which goes first, so neither always follows the other.
        const bool bareFirst = r % 2 == 0;
        for (int k = 0; k < 2; ++k) {
            const bool isBare = (k == 0) == bareFirst;
            const double ms = timeOne(self, isBare ? QStringLiteral("--bare") : QStringLiteral("--editor"));
            if (ms < 0) {
                std::fprintf(stderr, "the %s window never painted\n", isBare ? "bare" : "editor's");
                return 1;
            }
            (isBare ? bare : editor).push_back(ms);
        }
    }
    const double b = median(bare), e = median(editor);
    std::printf("platform %s, %d runs each\n", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "default" : qgetenv("QT_QPA_PLATFORM").constData(), runs);
    std::printf("start-up to first painted frame: bare window %.1f ms, editor %.1f ms (medians)\n", b, e);
    std::printf("ratio editor / bare: %.2f\n", e / b);
    return 0;
}
