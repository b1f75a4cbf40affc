// SPDX-License-Identifier: GPL-3.0-or-later
// A day's recording in the recording view, offscreen: the time from "open" to the
// window painted (the progress bar's read included), the memory it takes, and one
// repaint of the chart at each zoom from the whole day down to a few seconds.
//
//   bench_recording FILE [RUNS]   prints recording_open_ms, recording_open_rss_mb,
//                                 recording_paint_ms (medians; paint: the slowest zoom),
//                                 and the CPU time of the open and of the paint

#include "ui/viewer/recording_chart.h"
#include "ui/viewer/recording_open.h"
#include "ui/viewer/recording_window.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

#include <sys/resource.h>

using namespace velmora;

namespace {

double rssMb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    return 0;
}

// CPU time of the whole process (the reading thread included), and of this thread:
// on a shared machine the wall clock also counts the time others had the cores.
double processCpuMs()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
}

double threadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_recording FILE [RUNS]\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString file = QString::fromLocal8Bit(argv[1]);
    const int runs = argc > 2 ? std::max(1, atoi(argv[2])) : 5;
    QTemporaryDir dir;
    ViewerContext context;
    context.axesMemoryFile = dir.filePath(QStringLiteral("axes.ini"));

    std::vector<double> openMs, openCpuMs, rss, paintMs, paintCpuMs;
    for (int run = 0; run < runs; ++run) {
        const double before = rssMb();
        QElapsedTimer t;
        t.start();
        const double cpu = processCpuMs();
        CRecordingWindow* window = openRecording(nullptr, file, context);
        if (!window)
            return 1;
        window->resize(1400, 600);
        QApplication::processEvents();
        window->grab(); // painted once, as the user first sees it
        openMs.push_back(t.nsecsElapsed() / 1e6);
        openCpuMs.push_back(processCpuMs() - cpu);
        rss.push_back(rssMb() - before);

        // One chart repaint at each zoom; the slowest counts.
        CRecordingChart* chart = window->chart();
        QImage image(chart->size(), QImage::Format_ARGB32_Premultiplied);
        const double whole = window->recording().duration();
        double slowest = 0, slowestCpu = 0;
        for (double span : {whole, 3600.0, 600.0, 60.0, 10.0, 1.0}) {
            chart->setView(whole * 0.37, span);
            std::vector<double> times, cpuTimes;
            for (int k = 0; k < 5; ++k) {
                QElapsedTimer p;
                p.start();
                const double c = threadCpuMs();
                chart->render(&image);
                times.push_back(p.nsecsElapsed() / 1e6);
                cpuTimes.push_back(threadCpuMs() - c);
            }
            slowest = std::max(slowest, median(times));
            slowestCpu = std::max(slowestCpu, median(cpuTimes));
            if (qEnvironmentVariableIsSet("VELMORA_BENCH_DETAIL"))
                std::fprintf(stderr, "span %.0f s: %.2f ms\n", span, median(times));
        }
        paintMs.push_back(slowest);
        paintCpuMs.push_back(slowestCpu);
        window->close();
        delete window;
        QApplication::processEvents();
    }
    std::printf("recording_open_ms %.0f ms\n", median(openMs));
    std::printf("recording_open_cpu_ms %.0f ms\n", median(openCpuMs));
    // The first open only: later ones reuse what the allocator kept from the one before.
    std::printf("recording_open_rss_mb %.0f MB\n", rss.front());
    std::printf("recording_paint_ms %.2f ms\n", median(paintMs));
    std::printf("recording_paint_cpu_ms %.2f ms\n", median(paintCpuMs));
    return 0;
}
