// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The correction map and its two axes as comma-separated text, the form a
// spreadsheet opens and saves:
//
//   V\RPM,500,800,...,4700          the 15 RPM breakpoints
//   0.96,0.00,0.02,...,1.10         16 rows: a voltage breakpoint, then the row's 15 values
//   ...
//
// Spreadsheets set to a locale with a decimal comma (Polish, German, Russian,
// Spanish) save the same table with ';' between fields and ',' in numbers:
//
//   V\RPM;500;800;...;4700
//   0,96;0,00;0,02;...;1,1
//
// The reader takes either; the writer always writes the first form.

#include "device/device_state.h"
#include "mapfile/text_error.h"

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace velmora::mapfile {

struct MapTable {
    std::array<double, kRpmCols> rpmAxis{};
    std::array<double, kVoltRows> voltAxis{};
    std::array<std::array<double, kRpmCols>, kVoltRows> map{}; // [voltage][RPM]
};

MapTable mapTableFrom(const DeviceState& state);
void applyMapTable(const MapTable& table, DeviceState& state);

// What the unit can hold: a map byte counts 0.02, an RPM byte 100, a voltage word
// (signed 16 bits) 0.015 V.
constexpr double kMapValueMin = 0.0;
constexpr double kMapValueMax = 5.10;
constexpr double kRpmBreakpointMin = 0.0;
constexpr double kRpmBreakpointMax = 25500.0;
constexpr double kVoltBreakpointMin = -491.52;
constexpr double kVoltBreakpointMax = 491.505;

inline constexpr std::string_view kMapCsvCorner = "V\\RPM";

// Text for one number, independent of the C locale: RPM "%.0f", map values "%.2f",
// volts "%.2f" unless the value needs a third decimal (odd multiples of 0.015 V
// would otherwise come back one step lower).
std::string formatRpm(double rpm);
std::string formatMapValue(double value);
std::string formatVolts(double volts);
// A map value as every view shows it (the map grid, the compare view, the console's
// table): one decimal when it is a whole tenth ("0.9", "5.0"), otherwise two ("0.86",
// "2.54"). The unit keeps 0.02 steps, so either form is exactly what it holds; the
// files keep formatMapValue's two decimals throughout.
std::string formatMapCell(double value);

// The whole table, "\n" after every line.
std::string writeMapCsv(const MapTable& table);

using MapCsvError = TextError;

// Reads text written by writeMapCsv or a spreadsheet: CRLF or LF line ends, an
// optional UTF-8 byte order mark, blank space around cells, blank lines at the end.
// The field separator is taken from the first line: ';' when it holds a ';',
// otherwise ','. With ';' a number may use a decimal comma ("0,96"); with ',' it
// cannot (the comma separates fields). Every cell must be a finite number within
// what the unit holds, and both axes must rise, also at the unit's own resolution.
// Returns the first fault with its line and field; table is written only when there
// is none.
struct MapCsvRules {
    // Off for a backup: it must bring back whatever the unit held, in order or not.
    bool axesMustRise = true;
    // Line number of text's first line within the file it comes from.
    std::size_t firstLine = 1;
    // On for a backup: it is written by this program from the unit, so a value off the
    // unit's steps (0.81, an RPM of 850) is an edited or damaged file, not a wish to round.
    bool valuesOnSteps = false;
};
std::optional<MapCsvError> readMapCsv(std::string_view text, MapTable& table, const MapCsvRules& rules = {});

} // namespace velmora::mapfile
