// SPDX-License-Identifier: GPL-3.0-or-later
// Painting cost of the main window's chart: three series fed one point per tick
// as the refresh does, drawn into an offscreen image of the window's chart size.
// The view shows 1000 x, so painting should cost about the same whatever the
// number of stored points.

#include "ui/chart/chart_painter.h"
#include "ui/chart/model/chart_geometry.h"
#include "ui/chart/model/scroll_chart_model.h"
#include "ui/chart/model/volts_label.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <cmath>

namespace {

using velmora::CScrollChartModel;

constexpr QSize kClient(580, 213); // 580 x 230 less the scroll bar

CScrollChartModel<float> windowChart(int points, bool markers)
{
    CScrollChartModel<float> m;
    m.setMaxPoints(10000);
    const std::uint32_t style = markers ? CScrollChartModel<float>::kMarkersBit : 0;
    m.addSeries(0, velmora::voltsLabel, {250, 0, 0}, style, 2, 1, 10.0f);
    m.addSeries(1, velmora::voltsLabel, {0, 0, 200}, style, 2, 1, 10.0f);
    m.addSeries(2, velmora::voltsLabel, {0, 200, 0}, style, 2, 1, 10.0f);
    for (int i = 0; i < points; ++i) {
        const float x = static_cast<float>(i);
        m.addPoint(0, x, 60.0f + 20.0f * std::sin(static_cast<float>(i) * 0.05f));
        m.addPoint(1, x, 40.0f + 10.0f * std::sin(static_cast<float>(i) * 0.013f));
        m.addPoint(2, x, 20.0f + static_cast<float>(i % 17));
    }
    return m;
}

void paintChart(benchmark::State& state, bool markers)
{
    const auto model = windowChart(static_cast<int>(state.range(0)), markers);
    QImage image(kClient, QImage::Format_RGB32);
    QFont font;
    font.setBold(true);
    font.setPixelSize(velmora::labelFontPixelHeight(kClient.width(), kClient.height()));
    for (auto _ : state) {
        QPainter painter(&image);
        velmora::paintScrollChart(painter, model, kClient, font, Qt::darkGray);
        painter.end();
        benchmark::DoNotOptimize(image.constBits());
    }
}

void BM_PaintWindowChart(benchmark::State& state)
{
    paintChart(state, false);
}
BENCHMARK(BM_PaintWindowChart)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

void BM_PaintWindowChartWithMarkers(benchmark::State& state)
{
    paintChart(state, true);
}
BENCHMARK(BM_PaintWindowChartWithMarkers)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

// One refresh tick at the point limit: three points in, three oldest out.
void BM_AddPointAtLimit(benchmark::State& state)
{
    auto model = windowChart(10000, false);
    float x = 10000.0f;
    for (auto _ : state) {
        model.addPoint(0, x, 50.0f);
        model.addPoint(1, x, 40.0f);
        model.addPoint(2, x, 30.0f);
        x += 1.0f;
    }
}
BENCHMARK(BM_AddPointAtLimit);

} // namespace

int main(int argc, char** argv)
{
    // Text needs a platform plugin; no display is needed for an image.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
