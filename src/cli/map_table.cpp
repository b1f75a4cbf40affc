// SPDX-License-Identifier: GPL-3.0-or-later
#include "map_table.h"

#include <algorithm>
#include <vector>

namespace velmora::cli {

using namespace mapfile;

namespace {

void pad(std::string& line, const std::string& cell, std::size_t width) {
    line.append(width - std::min(width, cell.size()), ' ');
    line += cell;
}

} // namespace

std::string formatMapTable(const MapTable& table) {
    std::vector<std::string> header;
    std::size_t width = 0; // one width for every value column keeps the grid square
    for (double rpm : table.rpmAxis) {
        header.push_back(formatRpm(rpm));
        width = std::max(width, header.back().size());
    }
    std::vector<std::string> volts;
    std::size_t keyWidth = kMapCsvCorner.size();
    std::vector<std::vector<std::string>> rows;
    for (std::size_t r = 0; r < kVoltRows; ++r) {
        volts.push_back(formatVolts(table.voltAxis[r]));
        keyWidth = std::max(keyWidth, volts.back().size());
        rows.emplace_back();
        for (double value : table.map[r]) {
            rows.back().push_back(formatMapCell(value)); // as the window shows it
            width = std::max(width, rows.back().back().size());
        }
    }

    std::string text;
    const auto line = [&](const std::string& key, const std::vector<std::string>& cells) {
        pad(text, key, keyWidth);
        for (const std::string& cell : cells) {
            text += "  ";
            pad(text, cell, width);
        }
        text += '\n';
    };
    line(std::string(kMapCsvCorner), header);
    for (std::size_t r = 0; r < kVoltRows; ++r) line(volts[r], rows[r]);
    return text;
}

} // namespace velmora::cli
