// SPDX-License-Identifier: GPL-3.0-or-later
// What the device link costs on our side, against the simulated unit on a
// pseudo-terminal:
//  - one reading exchange with a unit that answers at once: CPU of the calling
//    thread (the "CPU" column) and wall time per exchange;
//  - a connection and a full programming run with the unit paced like a
//    38400-baud line, set against the wire time of the frames they send.

#include "sim_rig.h"

#include "acquisition/diag.h"
#include "firmware/firmware_update.h"
#include "lang/translate.h"
#include "sim/firmware_builder.h"

#include <benchmark/benchmark.h>

#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace velmora::bench {
namespace {

using Clock = std::chrono::steady_clock;

// ---- one reading exchange ----

void readingLoop(benchmark::State& state) {
    SimRig rig;
    if (!rig.device.isConnected()) {
        state.SkipWithError("the simulated unit did not answer");
        return;
    }
    rig.link.reset();
    CDiag sample;
    std::int64_t failed = 0;
    for (auto _ : state) {
        if (rig.device.readDiag(sample) != 0) ++failed;
        benchmark::DoNotOptimize(sample);
    }
    if (failed != 0) state.SkipWithError("a reading exchange failed");
    state.counters["exchanges_per_s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["wire_bytes"] = benchmark::Counter(
        static_cast<double>(rig.link.bytesIn() + rig.link.bytesOut()),
        benchmark::Counter::kAvgIterations);
}

void BM_ReadDiag(benchmark::State& state) { readingLoop(state); }
BENCHMARK(BM_ReadDiag)->UseRealTime()->Unit(benchmark::kMicrosecond);

// A fixed count, for instruction counting under callgrind (bench/run toggles
// collection on readDiag and divides by this count).
void BM_ReadDiagFixed(benchmark::State& state) { readingLoop(state); }
BENCHMARK(BM_ReadDiagFixed)->Iterations(2000)->UseRealTime()->Unit(benchmark::kMicrosecond);

// ---- connection, paced ----

void BM_ConnectPaced(benchmark::State& state) {
    SimRig rig(true);
    double measured = 0;
    double wire = 0;
    for (auto _ : state) {
        rig.link.reset();
        const auto start = Clock::now();
        rig.device.startConnection();
        const double ms = msSince(start);
        if (!rig.device.isConnected()) {
            state.SkipWithError("the paced unit was not found");
            return;
        }
        state.SetIterationTime(ms / 1000.0);
        measured += ms;
        wire += rig.wireMsCounted();
    }
    const auto n = static_cast<double>(state.iterations());
    state.counters["frames"] = static_cast<double>(rig.link.frames());
    state.counters["wire_ms"] = wire / n;
    state.counters["limit_ms"] = 1.05 * wire / n + 100.0;
    state.counters["ratio"] = measured / wire;
}
BENCHMARK(BM_ConnectPaced)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

// ---- full programming run of the largest image, paced ----

class QuietUI : public IFirmwareUI {
public:
    explicit QuietUI(std::filesystem::path file) : m_file(std::move(file)) {}
    std::filesystem::path chooseFile(const std::filesystem::path&, const std::wstring&,
                                     const std::wstring&) override {
        return m_file;
    }
    void setBusy(bool) override {}
    void progress(unsigned, unsigned) override {}

private:
    std::filesystem::path m_file;
};

// A file whose rows run up to the end of the flash.
std::filesystem::path writeLargestFirmware(const std::filesystem::path& folder) {
    sim::FirmwareRecipe recipe;
    recipe.version = 0x0104;
    recipe.image = sim::sampleFirmwareImage(recipe.version, CLPGDevice::kProgramSpan);
    const auto bytes = sim::buildFirmwareFile(recipe);
    const auto path = folder / "largest.afm";
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return path;
}

void BM_FlashLargestImagePaced(benchmark::State& state) {
    char tmpl[] = "/tmp/velmora-bench-XXXXXX";
    if (!::mkdtemp(tmpl)) {
        state.SkipWithError("no temporary folder");
        return;
    }
    const std::filesystem::path folder = tmpl;
    QuietUI ui(writeLargestFirmware(folder));
    SimRig rig(true);
    CFirmwareUpdate update(rig.device, ui);
    update.setFirmwareFolder(folder);

    // The programming sequence waits twice for the unit to restart.
    constexpr double kSequenceWaitsMs = 2 * 1000.0;
    double measured = 0;
    double bound = 0;
    for (auto _ : state) {
        rig.link.reset();
        const auto start = Clock::now();
        const bool ok = update.OnClickedBtnDeviceUpdate(false);
        const double ms = msSince(start);
        const double wire = rig.wireMsCounted();
        const auto frames = rig.link.frames();
        rig.device.stopReading(); // the update restarts reading; the next run stops it
        if (!ok || update.lastOutcome() != CFirmwareUpdate::Outcome::Programmed) {
            state.SkipWithError("programming failed");
            break;
        }
        state.SetIterationTime(ms / 1000.0);
        measured += ms;
        bound += wire + kSequenceWaitsMs;
        state.counters["frames"] = static_cast<double>(frames);
        state.counters["wire_ms"] = wire;
    }
    std::filesystem::remove_all(folder);
    if (state.iterations() == 0 || bound == 0) return;
    state.counters["bound_ms"] = bound / static_cast<double>(state.iterations());
    state.counters["ratio"] = measured / bound;
}
BENCHMARK(BM_FlashLargestImagePaced)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace velmora::bench

int main(int argc, char** argv) {
    velmora::setLanguageIndex(0);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
