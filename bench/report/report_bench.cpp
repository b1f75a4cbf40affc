// SPDX-License-Identifier: GPL-3.0-or-later
// Writing a service report: the content from two snapshots, laid out and written
// as PDF (and HTML), in the heaviest case: every map cell and setting changed, a
// firmware update, the five readings and a chart picture, in Thai (a second font).

#include "report/report_content.h"
#include "report_qt/report_writer.h"

#include "lang/language_choice.h"
#include "lang/translate.h"

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTextDocument>

namespace {

using namespace velmora;

report::ReportInput heaviest() {
    report::ReportInput in;
    in.details = {"Warsztat Gazowy\nul. Długa 1, 00-001 Miasto", "Jan Kowalski", "WX 12345, Škoda Octavia, 123456 km",
                  "Ελένη Παπαδοπούλου", "ปรับแผนที่ตามการทดสอบบนถนน"};
    in.dateTime = "10 December 2026 10:00";
    in.port = "/dev/ttyUSB0";
    in.adapter = "FT232R USB UART";
    in.beforeName = "backup-20261210-090000.txt";
    for (int r = 0; r < kVoltRows; ++r) {
        in.before.voltAxis[r] = in.after.voltAxis[r] = 0.96 * (r + 1);
        for (int c = 0; c < kRpmCols; ++c) {
            in.before.map[r][c] = 0.02 * (r + c);
            in.after.map[r][c] = 0.3 * (r % 17) + 0.02 * c;
        }
    }
    for (int c = 0; c < kRpmCols; ++c) {
        in.before.rpmAxis[c] = 500 + 300 * c;
        in.after.rpmAxis[c] = 600 + 300 * c;
    }
    in.after.noiseDelta = 9;
    in.after.rpmDivider = 2;
    in.after.version = 0x0101;
    in.firmwareUpdates.push_back({"EMU_33EP_1.01.afm", std::string(64, 'a'), 0x0100, 0x0101, true});
    std::vector<CDiag> samples(3000);
    for (std::size_t i = 0; i < samples.size(); ++i) samples[i].inputRaw = static_cast<std::uint16_t>(i % 1000);
    in.readings = report::readingFigures(samples);
    in.link = report::LinkFigures{9.8, 1};
    in.chartPicture = "chart";
    for (int i = 0; i < 4; ++i) in.backupsWritten.push_back("backup-20261210-09000" + std::to_string(i) + ".txt");
    return in;
}

QImage chartPicture() {
    QImage image(900, 260, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    for (int x = 0; x < 900; x += 3) p.drawLine(x, 130 + (x * 7) % 100 - 50, x + 3, 130 + ((x + 3) * 7) % 100 - 50);
    return image;
}

void BM_WriteReportPdf(benchmark::State& state) {
    const report::ReportInput in = heaviest();
    const QImage chart = chartPicture();
    std::size_t bytes = 0;
    for (auto _ : state) {
        const QByteArray pdf = report::pdfBytes(report::buildReport(in), chart, QPageSize(QPageSize::A4));
        bytes = static_cast<std::size_t>(pdf.size());
        benchmark::DoNotOptimize(pdf.data());
    }
    state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_WriteReportPdf)->Unit(benchmark::kMillisecond)->UseRealTime();

// The rich text alone, without pages: what the PDF adds is the rest.
void BM_LayOutReport(benchmark::State& state) {
    const report::ReportInput in = heaviest();
    const QImage chart = chartPicture();
    for (auto _ : state) {
        auto document = report::layOut(report::buildReport(in), chart);
        benchmark::DoNotOptimize(document->pageCount());
    }
}
BENCHMARK(BM_LayOutReport)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_WriteReportHtml(benchmark::State& state) {
    const report::ReportInput in = heaviest();
    const QImage chart = chartPicture();
    for (auto _ : state) benchmark::DoNotOptimize(report::htmlBytes(report::buildReport(in), chart).data());
}
BENCHMARK(BM_WriteReportHtml)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    // Thai texts, when the build's language files are beside the program.
    loadLanguageFiles();
    setLanguageIndex(languageIndexForCode("th"));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
