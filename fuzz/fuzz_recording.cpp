// SPDX-License-Identifier: GPL-3.0-or-later
// Recordings are opened from anywhere a file can come from: any bytes must read
// into rows in time order, or be refused with the line at fault, with the summary
// and the engine time holding up over whatever rows came out.

#include "analysis/occupancy.h"
#include "analysis/recording.h"

#include <cmath>
#include <string_view>

using namespace velmora;
using namespace velmora::analysis;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    ReadLimits limits;
    limits.maxLineBytes = 512;
    limits.maxRows = 5000;
    CRecording rec;
    const ReadSummary s = loadRecordingText(text, rec, limits);
    if (s.error == ReadError::NotARecording && s.errorLine == 0) __builtin_trap();
    if (s.rows != rec.size() || s.skipped > s.lines) __builtin_trap();
    for (std::size_t i = 0; i < rec.size(); ++i) {
        if (!std::isfinite(rec.seconds()[i])) __builtin_trap();
        if (i > 0 && rec.seconds()[i] < rec.seconds()[i - 1]) __builtin_trap();
    }
    // The same text in two pieces reads the same.
    CRecordingParser parser([](const Row&) {}, limits);
    parser.feed(text.substr(0, size / 2));
    parser.feed(text.substr(size / 2));
    if (parser.finish().rows != s.rows) __builtin_trap();
    if (!rec.empty()) {
        const MinMax all = rec.summary(kRpm).range(0, rec.size());
        (void)all;
        const OccupancyTable t = occupancy(rec, MapAxes{DeviceState{}.rpmAxis, DeviceState{}.voltAxis}, 0, rec.duration());
        if (!(t.total >= 0) || t.total > rec.duration() + 1e-6) __builtin_trap();
    }
    (void)readErrorText(s);
    (void)skippedText(s);
    return 0;
}
