// SPDX-License-Identifier: GPL-3.0-or-later
#include "occupancy.h"

#include "recording.h"

#include "mapfile/backup_file.h"
#include "mapfile/map_csv.h"

#include <algorithm>
#include <charconv>

namespace velmora::analysis {

EngineCell engineCell(const MapAxes& axes, double rpm, double pumpVolts)
{
    EngineCell c{kRpmCols - 1, kVoltRows - 1};
    for (int i = 0; i < kRpmCols; ++i)
        if (rpm < axes.rpm[static_cast<std::size_t>(i)]) {
            c.column = i;
            break;
        }
    for (int j = 0; j < kVoltRows; ++j)
        if (pumpVolts < axes.volts[static_cast<std::size_t>(j)]) {
            c.row = j;
            break;
        }
    return c;
}

void COccupancyCounter::add(const Row& row)
{
    if (row.state == RowState::LinkLost)
        linkLost();
    else
        add(row.seconds, row.rpm, row.pumpV);
}

void COccupancyCounter::add(double seconds, double rpm, double pumpVolts)
{
    const double held = seconds - m_last;
    if (m_have && held >= 0 && held <= kBreakAfterSeconds) {
        m_table.seconds[static_cast<std::size_t>(m_cell.row)][static_cast<std::size_t>(m_cell.column)] += held;
        m_table.total += held;
    }
    m_have = true;
    m_last = seconds;
    m_cell = engineCell(m_axes, rpm, pumpVolts);
}

void COccupancyCounter::clear()
{
    m_table = OccupancyTable();
    m_have = false;
}

OccupancyTable occupancy(const CRecording& rec, const MapAxes& axes, double from, double to)
{
    OccupancyTable t;
    if (rec.empty() || to <= from)
        return t;
    const auto& sec = rec.seconds();
    const auto& rpm = rec.values(kRpm);
    const auto& pump = rec.values(kPumpV);
    const auto& state = rec.states();
    // The interval that reaches into the range starts at the row before it.
    std::size_t i = rec.lowerBound(from);
    if (i > 0)
        --i;
    for (; i + 1 < rec.size() && sec[i] < to; ++i) {
        if (state[i] == RowState::LinkLost || state[i + 1] == RowState::LinkLost)
            continue;
        const double length = sec[i + 1] - sec[i];
        if (length > kBreakAfterSeconds)
            continue;
        const double held = std::min(sec[i + 1], to) - std::max(sec[i], from);
        if (held <= 0)
            continue;
        const EngineCell c = engineCell(axes, rpm[i], pump[i]);
        t.seconds[static_cast<std::size_t>(c.row)][static_cast<std::size_t>(c.column)] += held;
        t.total += held;
    }
    return t;
}

namespace {

void appendFixed2(std::string& out, double v)
{
    char text[64];
    const auto r = std::to_chars(text, text + sizeof text, v + 0.0, std::chars_format::fixed, 2);
    out.append(text, r.ptr);
}

} // namespace

std::string occupancyCsv(const OccupancyTable& t, const MapAxes& axes, bool percent)
{
    std::string out(mapfile::kMapCsvCorner);
    for (double r : axes.rpm)
        out += ',' + mapfile::formatRpm(r);
    out += '\n';
    for (int row = 0; row < kVoltRows; ++row) {
        out += mapfile::formatVolts(axes.volts[static_cast<std::size_t>(row)]);
        for (int column = 0; column < kRpmCols; ++column) {
            out += ',';
            const EngineCell c{column, row};
            appendFixed2(out, percent ? 100.0 * t.share(c) : t.at(c));
        }
        out += '\n';
    }
    return out;
}

std::string occupancyJson(const OccupancyTable& t, const MapAxes& axes, const ReadSummary& read)
{
    std::string out = "{\"rpm_axis\":[";
    // Appended in two steps: "," + string&& trips a false -Wrestrict in GCC 12 (mingw).
    for (std::size_t i = 0; i < axes.rpm.size(); ++i) {
        if (i) out += ',';
        out += mapfile::formatRpm(axes.rpm[i]);
    }
    out += "],\"volt_axis\":[";
    for (std::size_t i = 0; i < axes.volts.size(); ++i) {
        if (i) out += ',';
        out += mapfile::formatVolts(axes.volts[i]);
    }
    out += "],\"seconds\":[";
    for (int row = 0; row < kVoltRows; ++row) {
        out += row ? ",[" : "[";
        for (int column = 0; column < kRpmCols; ++column) {
            if (column)
                out += ',';
            appendFixed2(out, t.at({column, row}));
        }
        out += ']';
    }
    out += "],\"total_seconds\":";
    appendFixed2(out, t.total);
    out += ",\"rows\":" + std::to_string(read.rows) + ",\"skipped_lines\":" + std::to_string(read.skipped);
    out += ",\"last_line_incomplete\":";
    out += read.lastLineIncomplete ? "true" : "false";
    out += "}\n";
    return out;
}

std::optional<mapfile::TextError> readAxesText(std::string_view text, MapAxes& axes)
{
    if (mapfile::looksLikeBackup(text)) {
        mapfile::Backup backup;
        auto error = mapfile::readBackup(text, backup);
        axes = {backup.unit.rpmAxis, backup.unit.voltAxis};
        return error;
    }
    mapfile::MapTable table;
    auto error = mapfile::readMapCsv(text, table);
    axes = {table.rpmAxis, table.voltAxis};
    return error;
}

} // namespace velmora::analysis
