// SPDX-License-Identifier: GPL-3.0-or-later
// One refresh tick of the operator window: newest sample out of the store,
// conversions, the five readings fields, the map marker and the chart feed.
// The window runs offscreen, connected to the simulated unit on a pseudo-terminal.
//
// Once connected, every tick gets a new sample of its own, handed to the window as
// the link hands its readings, whose engine speed and pump volts fall in another
// map cell than the last one, so each tick moves the marker (the dearest case).

#include "acquisition/diag.h"
#include "lang/translate.h"
#include "link/link_controller.h"
#include "sim/sim_host.h"
#include "ui/chart/scroll_chart.h"
#include "ui/window/velmora_dlg.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <QElapsedTimer>

#include <memory>

namespace velmora::bench {
namespace {

// Cycles through 13 engine speeds and 11 pump voltages (coprime, so the cell
// changes every time) spread over the map's default axes.
CDiag syntheticSample(std::uint32_t n) {
    CDiag d;
    const unsigned rpm = 600 + 330 * (n % 13);            // 600 .. 4560 RPM
    d.rpmPeriod = static_cast<std::uint16_t>(7500000 / rpm);
    d.pumpRaw = static_cast<std::int16_t>(80 + 85 * (n % 11)); // 1.2 .. 13.95 V
    d.inputRaw = static_cast<std::uint16_t>(1500 + (n % 97));
    d.outputRaw = static_cast<std::uint16_t>(900 + (n % 53));
    d.workState = (n % 2) ? 3 : 0;
    d.sequence = n + 1; // 0 would read as "the store was emptied meanwhile"
    return d;
}

class WindowRig {
public:
    WindowRig() {
        m_host.start();
        m_link = std::make_unique<CLinkController>(CLinkController::Setup{});
        m_window = std::make_unique<CVelmoraDlg>(*m_link, nullptr);
        m_window->OnInitDialog();
        m_window->show();
        m_link->start(QString::fromStdString(m_host.path()));
        QElapsedTimer t;
        t.start();
        while (!m_link->isConnected() && t.elapsed() < 10000) QApplication::processEvents();
        QApplication::processEvents();
    }
    ~WindowRig() {
        m_window.reset();
        m_link.reset(); // stops reading before the unit goes
        m_host.stop();
    }
    WindowRig(const WindowRig&) = delete;
    WindowRig& operator=(const WindowRig&) = delete;

    CVelmoraDlg& window() { return *m_window; }
    bool connected() const { return m_link->isConnected(); }

    void tick() {
        emit m_link->readingsArrived({syntheticSample(m_next++)});
        m_window->refreshReadings();
    }
    // Start pressed, then enough ticks to bring every series to the point limit.
    void fillChart() {
        m_window->OnBnClickedBtnStart();
        for (int i = 0; i < 10000; ++i) tick();
        QApplication::processEvents();
    }
    std::size_t chartPoints() const {
        const auto* s = m_window->chart()->model().findSeries(0);
        return s ? s->size() : 0;
    }

private:
    sim::CSimHost m_host;
    std::unique_ptr<CLinkController> m_link;
    std::unique_ptr<CVelmoraDlg> m_window;
    std::uint32_t m_next = 0;
};

void BM_RefreshTickChartStopped(benchmark::State& state) {
    WindowRig rig;
    if (!rig.connected()) {
        state.SkipWithError("the simulated unit was not found");
        return;
    }
    for (auto _ : state) rig.tick();
    if (rig.window().chartSampleCounter() != 0) state.SkipWithError("the chart was fed");
}
BENCHMARK(BM_RefreshTickChartStopped)->Unit(benchmark::kMicrosecond);

void BM_RefreshTickChartAtLimit(benchmark::State& state) {
    WindowRig rig;
    if (!rig.connected()) {
        state.SkipWithError("the simulated unit was not found");
        return;
    }
    rig.fillChart();
    for (auto _ : state) rig.tick();
    if (rig.chartPoints() != 10000) state.SkipWithError("the chart is not at its point limit");
}
BENCHMARK(BM_RefreshTickChartAtLimit)->Unit(benchmark::kMicrosecond);

// The same tick followed by the repaints it asked for (chart, marker cells,
// fields), drawn into the offscreen backing store: what a tick costs the window
// thread in all.
void BM_RefreshTickAndPaintChartAtLimit(benchmark::State& state) {
    WindowRig rig;
    if (!rig.connected()) {
        state.SkipWithError("the simulated unit was not found");
        return;
    }
    rig.fillChart();
    for (auto _ : state) {
        rig.tick();
        QApplication::processEvents();
    }
    if (rig.chartPoints() != 10000) state.SkipWithError("the chart is not at its point limit");
}
BENCHMARK(BM_RefreshTickAndPaintChartAtLimit)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace velmora::bench

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    velmora::setLanguageIndex(0);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
