// Start-up: a bare frameless 640 x 480 Qt window (bench_bare_window, a
// program of its own linked against Qt alone), the same window drawing one
// line of text in the editor's font (bench_bare_text_window), and the
// editor, each from process start to its first whole frame. They run in
// turn in fresh processes; prints the medians and the editor's ratios to
// both. Asserts nothing.
//
//   bench_startup            both, BENCH_RUNS rounds (default 30)
//   bench_startup --phases   one editor start, with the time of each step
//
// BENCH_SNAPSHOT=PREFIX and BENCH_COMPARE=PATH: see runFromOutside.
//
// Under an X server (xvfb-run, no compositor) the time is read from outside,
// from X damage events: it ends when the drawing covers the whole window, and
// the program measured is the real vorlix. Elsewhere (offscreen when there is
// no display) it ends at the "painted" line each prints after its first
// paint, and the editor runs inside this benchmark.
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

#ifdef VORLIX_BENCH_XDAMAGE
#include "FirstFrame.h"
#endif

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
double timeOne(const QString &program, const QStringList &args)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer t;
    t.start();
    p.start(program, args);
    QByteArray out;
    while (!out.contains("painted\n") && p.waitForReadyRead(10000))
        out += p.readAllStandardOutput();
    const double ms = t.nsecsElapsed() / 1e6;
    p.kill(); // the bare window stays open until it is told
    p.waitForFinished(10000);
    return out.contains("painted\n") ? ms : -1;
}

#ifdef VORLIX_BENCH_XDAMAGE
int runFromOutside(int runs)
{
    struct Program
    {
        const char *label;
        std::string path;
        std::vector<double> first, whole, coverage, rss, pss;
        bench::FirstFrameTimes last;
    };
    std::vector<Program> programs{{"bare", VORLIX_BARE_WINDOW, {}, {}, {}, {}, {}, {}},
                                  {"bare text", VORLIX_BARE_TEXT_WINDOW, {}, {}, {}, {}, {}, {}},
                                  {"editor", VORLIX_PROGRAM, {}, {}, {}, {}, {}, {}}};
    // BENCH_COMPARE=PATH times another build of the editor in the same
    // rounds, such as one from before a change: the machine's load then
    // weighs on all alike.
    if (!qEnvironmentVariableIsEmpty("BENCH_COMPARE"))
        programs.push_back({"compared", qgetenv("BENCH_COMPARE").toStdString(), {}, {}, {}, {}, {}, {}});
    // BENCH_SNAPSHOT=PREFIX keeps each one's last first frame in
    // PREFIX-bare.ppm, PREFIX-editor.ppm (and PREFIX-compared.ppm).
    const QByteArray prefix = qgetenv("BENCH_SNAPSHOT");
    const size_t n = programs.size();
    for (int round = -1; round < runs; ++round) { // round -1 warms the file cache
        // Each round starts with the next one, so that none always follows
        // the same other.
        for (size_t k = 0; k < n; ++k) {
            Program &p = programs[(size_t(round + 1) + k) % n];
            const std::string snapshot =
                prefix.isEmpty() ? std::string() : prefix.toStdString() + "-" + p.label + ".ppm";
            const bench::FirstFrameTimes t = bench::timeFirstFrame(p.path, snapshot);
            if (!t.ok) {
                std::fprintf(stderr, "%s\n", t.error.c_str());
                return 1;
            }
            if (round < 0)
                continue;
            p.first.push_back(t.firstDamageMs);
            p.whole.push_back(t.wholeFrameMs);
            p.coverage.push_back(t.firstDamageCoverage * 100);
            p.rss.push_back(t.rssMiB);
            p.pss.push_back(t.pssMiB);
            p.last = t;
        }
    }
    std::printf("X damage events, %d interleaved rounds; medians\n", runs);
    std::printf("%-9s %9s %12s %11s %14s %9s %9s\n", "", "window", "first draw", "whole frame",
                "first covers", "RSS", "PSS");
    for (const Program &p : programs)
        std::printf("%-9s %4d x %-4d %9.1f ms %8.1f ms %13.0f%% %5.1f MiB %5.1f MiB\n", p.label, p.last.width,
                    p.last.height, median(p.first), median(p.whole), median(p.coverage), median(p.rss),
                    median(p.pss));
    for (size_t i = 1; i < n; ++i)
        for (size_t j = 0; j < std::min<size_t>(i, 2); ++j) {
            const Program &p = programs[i], &bare = programs[j];
            std::printf("%s / %s, whole frame: %.2f; memory %s - %s: RSS %+.1f MiB, PSS %+.1f MiB\n", p.label,
                        bare.label, median(p.whole) / median(bare.whole), p.label, bare.label,
                        median(p.rss) - median(bare.rss), median(p.pss) - median(bare.pss));
        }
    return 0;
}
#endif

} // namespace

int main(int argc, char **argv)
{
    const QByteArray mode = argc > 1 ? QByteArray(argv[1]) : QByteArray();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (mode == "--editor" || mode == "--phases")
        return runEditor(argc, argv, mode == "--phases");

    const int runs = qEnvironmentVariableIsSet("BENCH_RUNS") ? qEnvironmentVariableIntValue("BENCH_RUNS") : 30;
#ifdef VORLIX_BENCH_XDAMAGE
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (!qEnvironmentVariableIsEmpty("DISPLAY") && (platform.isEmpty() || platform == "xcb"))
        return runFromOutside(runs);
#endif
    const QString self = QString::fromLocal8Bit(argv[0]);
    struct Program
    {
        const char *label;
        QString path;
        QStringList args;
        std::vector<double> ms;
    };
    std::vector<Program> programs{{"bare", QStringLiteral(VORLIX_BARE_WINDOW), {}, {}},
                                  {"bare text", QStringLiteral(VORLIX_BARE_TEXT_WINDOW), {}, {}},
                                  {"editor", self, {QStringLiteral("--editor")}, {}}};
    const size_t n = programs.size();
    for (int round = -1; round < runs; ++round) { // round -1 warms the file cache
        // Each round starts with the next one, so that none always follows
        // the same other.
        for (size_t k = 0; k < n; ++k) {
            Program &p = programs[(size_t(round + 1) + k) % n];
            const double ms = timeOne(p.path, p.args);
            if (ms < 0) {
                std::fprintf(stderr, "the %s window never painted\n", p.label);
                return 1;
            }
            if (round >= 0)
                p.ms.push_back(ms);
        }
    }
    std::printf("platform %s, %d runs each\n", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "default" : qgetenv("QT_QPA_PLATFORM").constData(), runs);
    std::printf("start-up to first painted frame (medians): bare window %.1f ms, with text %.1f ms, editor %.1f ms\n",
                median(programs[0].ms), median(programs[1].ms), median(programs[2].ms));
    std::printf("ratio editor / bare: %.2f, editor / bare with text: %.2f\n",
                median(programs[2].ms) / median(programs[0].ms), median(programs[2].ms) / median(programs[1].ms));
    return 0;
}
