// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Engine time per map cell: how long the engine worked in each cell of the map.
//
// A reading finds its cell as the map's current-cell marker does: the first RPM
// breakpoint above its RPM, the first voltage breakpoint above its pump voltage;
// the last column and row take everything beyond. It holds that cell from its own
// time to the next reading's time. An interval longer than a second (the link
// stalled: we do not know where the engine was) and any interval next to a
// link_lost row count for nothing.

#include "recording_reader.h"

#include "mapfile/map_types.h"
#include "mapfile/text_error.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace velmora::analysis {

class CRecording;

struct EngineCell {
    int column = 0; // RPM breakpoint 0..14
    int row = 0;    // voltage breakpoint 0..15
    friend bool operator==(const EngineCell&, const EngineCell&) = default;
};

struct MapAxes {
    RpmAxis rpm{};
    VoltAxis volts{};
};

EngineCell engineCell(const MapAxes& axes, double rpm, double pumpVolts);

// The axes of a map file's or a backup's text (told apart by the backup's first line);
// the reader's fault with its line when the text is neither.
std::optional<mapfile::TextError> readAxesText(std::string_view text, MapAxes& axes);

struct OccupancyTable {
    std::array<std::array<double, kRpmCols>, kVoltRows> seconds{}; // [voltage row][RPM column]
    double total = 0;

    double at(EngineCell c) const { return seconds[static_cast<std::size_t>(c.row)][static_cast<std::size_t>(c.column)]; }
    // Share of the total, 0..1; 0 while the total is 0.
    double share(EngineCell c) const { return total > 0 ? at(c) / total : 0.0; }
};

// Rows in time order, as they are read or arrive.
class COccupancyCounter {
public:
    explicit COccupancyCounter(const MapAxes& axes) : m_axes(axes) {}

    void add(const Row& row);
    void add(double seconds, double rpm, double pumpVolts);
    // The link broke: the time up to the next reading counts for nothing.
    void linkLost() { m_have = false; }
    void clear();
    void setAxes(const MapAxes& axes) { m_axes = axes; }

    const OccupancyTable& table() const { return m_table; }

private:
    MapAxes m_axes;
    OccupancyTable m_table;
    bool m_have = false;
    double m_last = 0;
    EngineCell m_cell;
};

// The engine time of a recording's rows within [from, to] seconds; intervals that
// cross an end count with the part inside.
OccupancyTable occupancy(const CRecording& recording, const MapAxes& axes, double from, double to);

// The map file's shape: "V\RPM" and the RPM breakpoints, then a row per voltage
// breakpoint; cells in seconds (or percent of the total) with two decimals.
std::string occupancyCsv(const OccupancyTable& table, const MapAxes& axes, bool percent);
std::string occupancyJson(const OccupancyTable& table, const MapAxes& axes, const ReadSummary& read);

} // namespace velmora::analysis
