// Smooth resize throughput on the editor's typical shapes: output megapixels
// per second, the median of BENCH_ITERATIONS runs (default 30). When a Python
// with Pillow is at hand, its Lanczos resize runs on the same shapes for
// comparison (bench/pillow_resample.py; override the interpreter with
// VORLIX_PYTHON). Asserts nothing.
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

QImage noise(QSize size)
{
    QImage img(size, QImage::Format_BGR888);
    QRandomGenerator rng(size.width() * 7919u + size.height());
    std::vector<quint32> words((3 * size_t(img.width()) + 3) / 4);
    for (int y = 0; y < img.height(); ++y) {
        rng.fillRange(words.data(), qsizetype(words.size()));
        std::memcpy(img.scanLine(y), words.data(), 3 * size_t(img.width()));
    }
    return img;
}

double medianSeconds(int iterations, const Case &c, const QImage &src)
{
    volatile int sink = Resample(src, c.to.width(), c.to.height()).width(); // warm-up
    std::vector<double> times;
    QElapsedTimer timer;
    for (int i = 0; i < iterations; ++i) {
        timer.start();
        sink = sink + Resample(src, c.to.width(), c.to.height()).width();
        times.push_back(timer.nsecsElapsed() * 1e-9);
    }
    std::nth_element(times.begin(), times.begin() + times.size() / 2, times.end());
    return times[times.size() / 2];
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

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int iterations = qEnvironmentVariableIsSet("BENCH_ITERATIONS")
        ? std::max(1, qEnvironmentVariableIntValue("BENCH_ITERATIONS"))
        : 30;

    std::printf("Smooth resize (Lanczos-3), output megapixels per second, median of %d runs\n", iterations);
    QMap<QString, double> ours;
    for (const Case &c : kCases) {
        const QImage src = noise(c.from);
        const double seconds = medianSeconds(iterations, c, src);
        ours.insert(caseName(c), c.to.width() * double(c.to.height()) / seconds * 1e-6);
        std::printf("  %-22s %9.2f\n", qPrintable(caseName(c)), ours.value(caseName(c)));
        std::fflush(stdout);
    }

    QString why;
    const QMap<QString, double> pillow = pillowFigures(iterations, &why);
    if (pillow.isEmpty()) {
        std::printf("Pillow: %s\n", qPrintable(why));
        return 0;
    }
    std::printf("\n  %-22s %9s %9s %7s\n", "case", "Vorlix", "Pillow", "ratio");
    for (const Case &c : kCases) {
        const QString name = caseName(c);
        const double theirs = pillow.value(name);
        std::printf("  %-22s %9.2f %9.2f %7.2f\n", qPrintable(name), ours.value(name), theirs,
                    theirs > 0 ? ours.value(name) / theirs : 0.0);
    }
    return 0;
}
