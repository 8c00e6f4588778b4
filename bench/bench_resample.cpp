// Smooth resize throughput on the editor's typical shapes: output megapixels
// per second, the median of BENCH_ITERATIONS runs (default 20), in two
// states of the thread:
//  - fresh: the vector registers' upper halves cleared before each run;
//  - editor: right after Qt read a BMP and converted it to 24 bits, as the
//    editor does before a resize. Qt's picture code may leave the upper
//    halves in use, which costs code built for plain SSE dearly.
// The inputs themselves are BMP files read back by Qt. When a Python with
// Pillow is at hand, its Lanczos resize runs on the same shapes
// (bench/pillow_resample.py; override the interpreter with VORLIX_PYTHON),
// in BENCH_ROUNDS rounds (default 3) that alternate with ours, and the
// ratios are given as the median and the range over the rounds. Asserts
// nothing.
#include <QBuffer>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QMap>
#include <QProcess>
#include <QRandomGenerator>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <cpuid.h>
#include <immintrin.h>
#define BENCH_X86 1
#endif

#include "view/Resample.h"

using vorlix::Resample;

namespace {

struct Case
{
    QSize from, to;
};

const Case kCases[] = {
    {{550, 232}, {275, 116}},
    {{2750, 1160}, {275, 116}},
    {{21, 17}, {275, 116}},
    {{4000, 3000}, {1000, 750}},
};

QString caseName(const Case &c)
{
    return QStringLiteral("%1x%2->%3x%4").arg(c.from.width()).arg(c.from.height()).arg(c.to.width()).arg(c.to.height());
}

QByteArray bmpBytes(const QImage &img)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    img.save(&buffer, "BMP");
    return bytes;
}

// Qt's BMP reader, then the editor's own picture format.
QImage readAsTheEditorDoes(const QByteArray &bmp)
{
    return QImage::fromData(bmp, "BMP").convertToFormat(QImage::Format_BGR888);
}

QImage noise(QSize size)
{
    QImage img(size, QImage::Format_RGB32);
    QRandomGenerator rng(size.width() * 7919u + size.height());
    for (int y = 0; y < img.height(); ++y)
        rng.fillRange(reinterpret_cast<quint32 *>(img.scanLine(y)), img.width());
    return readAsTheEditorDoes(bmpBytes(img));
}

#ifdef BENCH_X86
__attribute__((target("avx"))) void clearUpperHalvesAvx() { _mm256_zeroupper(); }

void clearUpperHalves()
{
    if (__builtin_cpu_supports("avx"))
        clearUpperHalvesAvx();
}

// 1 when the upper halves of the vector registers are in use, 0 when not,
// -1 when the processor can't tell.
int upperHalvesInUse()
{
    unsigned a, b, c, d;
    if (!__get_cpuid_count(0xd, 1, &a, &b, &c, &d) || !(a & 4))
        return -1;
    unsigned lo, hi;
    __asm__ volatile("xgetbv" : "=a"(lo), "=d"(hi) : "c"(1));
    return (lo >> 2) & 1;
}
#else
void clearUpperHalves() {}
int upperHalvesInUse() { return -1; }
#endif

// A small picture for Qt to read before each run in the editor's state.
const QByteArray &smallBmp()
{
    static const QByteArray bytes = bmpBytes(QImage(QSize(48, 40), QImage::Format_RGB32));
    return bytes;
}

enum class State { Fresh, Editor };

void enter(State state)
{
    if (state == State::Editor) {
        volatile int sink = readAsTheEditorDoes(smallBmp()).width();
        (void)sink;
    } else {
        clearUpperHalves();
    }
}

// Median seconds per state, runs of the two states alternating.
QMap<State, double> timeCase(int iterations, const Case &c, const QImage &src)
{
    volatile int sink = Resample(src, c.to.width(), c.to.height()).width(); // warm-up
    QMap<State, std::vector<double>> times;
    QElapsedTimer timer;
    for (int i = 0; i < 2 * iterations; ++i) {
        const State state = i % 2 ? State::Editor : State::Fresh;
        enter(state);
        timer.start();
        sink = sink + Resample(src, c.to.width(), c.to.height()).width();
        times[state].push_back(timer.nsecsElapsed() * 1e-9);
    }
    QMap<State, double> medians;
    for (auto it = times.begin(); it != times.end(); ++it) {
        std::vector<double> &t = it.value();
        std::nth_element(t.begin(), t.begin() + t.size() / 2, t.end());
        medians.insert(it.key(), t[t.size() / 2]);
    }
    return medians;
}

// Case name -> Pillow's output megapixels per second; empty when no Python
// with Pillow could run the script.
QMap<QString, double> pillowFigures(int iterations, QString *why)
{
    const QString script = QFileInfo(QStringLiteral(__FILE__)).absolutePath() + QStringLiteral("/pillow_resample.py");
    if (!QFileInfo::exists(script)) {
        *why = QStringLiteral("script not found: ") + script;
        return {};
    }
    QStringList pythons;
    if (qEnvironmentVariableIsSet("VORLIX_PYTHON"))
        pythons << qEnvironmentVariable("VORLIX_PYTHON");
    pythons << QStringLiteral("python3") << QStringLiteral("/usr/bin/python3");
    for (const QString &python : pythons) {
        QProcess probe;
        probe.start(python, {QStringLiteral("-c"), QStringLiteral("import PIL")});
        if (!probe.waitForFinished(30000) || probe.exitStatus() != QProcess::NormalExit || probe.exitCode() != 0)
            continue;
        QProcess run;
        run.start(python, {script, QString::number(iterations)});
        if (!run.waitForFinished(-1) || run.exitCode() != 0) {
            *why = QStringLiteral("the Pillow script failed: ") + QString::fromLocal8Bit(run.readAllStandardError());
            return {};
        }
        QMap<QString, double> figures;
        for (const QByteArray &line : run.readAllStandardOutput().split('\n')) {
            const QList<QByteArray> fields = line.trimmed().split(' ');
            if (fields.size() == 2)
                figures.insert(QString::fromLatin1(fields[0]), fields[1].toDouble());
        }
        return figures;
    }
    *why = QStringLiteral("Pillow is not installed (no python3 can import PIL)");
    return {};
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int iterations = qEnvironmentVariableIsSet("BENCH_ITERATIONS")
        ? std::max(1, qEnvironmentVariableIntValue("BENCH_ITERATIONS"))
        : 20;
    const int rounds = qEnvironmentVariableIsSet("BENCH_ROUNDS")
        ? std::max(1, qEnvironmentVariableIntValue("BENCH_ROUNDS"))
        : 3;

    readAsTheEditorDoes(smallBmp());
    const int inUse = upperHalvesInUse();
    std::printf("Upper halves of the vector registers in use after Qt read a BMP: %s\n",
                inUse < 0 ? "can't tell" : inUse ? "yes" : "no");
    std::printf("Smooth resize (Lanczos-3), output megapixels per second, median of %d runs a state, %d rounds\n",
                iterations, rounds);

    std::vector<QImage> sources;
    for (const Case &c : kCases)
        sources.push_back(noise(c.from));
    // Per case: our rates in both states and Pillow's, round by round.
    QMap<QString, std::vector<double>> fresh, editor, pillow;
    QString why;
    for (int round = 0; round < rounds; ++round) {
        for (size_t k = 0; k < std::size(kCases); ++k) {
            const Case &c = kCases[k];
            const QMap<State, double> s = timeCase(iterations, c, sources[k]);
            const double pixels = c.to.width() * double(c.to.height()) * 1e-6;
            fresh[caseName(c)].push_back(pixels / s.value(State::Fresh));
            editor[caseName(c)].push_back(pixels / s.value(State::Editor));
        }
        if (why.isEmpty()) {
            const QMap<QString, double> p = pillowFigures(iterations, &why);
            for (auto it = p.begin(); it != p.end(); ++it)
                pillow[it.key()].push_back(it.value());
        }
        std::fprintf(stderr, "round %d of %d done\n", round + 1, rounds);
    }

    std::printf("\n  %-22s %9s %9s %9s  %-20s\n", "case", "fresh", "editor", "Pillow", "editor/Pillow");
    for (const Case &c : kCases) {
        const QString name = caseName(c);
        const std::vector<double> &e = editor[name];
        std::printf("  %-22s %9.2f %9.2f", qPrintable(name), median(fresh[name]), median(e));
        const std::vector<double> &p = pillow[name];
        if (p.size() == e.size()) {
            std::vector<double> ratios;
            for (size_t i = 0; i < e.size(); ++i)
                ratios.push_back(p[i] > 0 ? e[i] / p[i] : 0.0);
            std::printf(" %9.2f  %5.2f (%.2f-%.2f)\n", median(p), median(ratios),
                        *std::min_element(ratios.begin(), ratios.end()),
                        *std::max_element(ratios.begin(), ratios.end()));
        } else {
            std::printf(" %9s\n", "-");
        }
    }
    if (!why.isEmpty())
        std::printf("Pillow: %s\n", qPrintable(why));
    return 0;
}
