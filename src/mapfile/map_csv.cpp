// SPDX-License-Identifier: GPL-3.0-or-later
#include "map_csv.h"

#include "device/encodings.h"
#include "mapfile/decimal_text.h"

#include <cmath>
#include <cstdint>
#include <vector>

namespace velmora::mapfile {

namespace {

using detail::fixed;
using detail::quoted;
using detail::split;
using detail::trim;

constexpr std::size_t kCells = 1 + kRpmCols; // the row's key cell, then one per RPM column

std::string count(std::size_t n, const char* what) {
    std::string text = std::to_string(n);
    text += ' ';
    text += what;
    if (n != 1) text += 's';
    return text;
}

class Reader {
public:
    Reader(MapTable& out, const MapCsvRules& rules) : m_out(out), m_rules(rules) {}

    std::optional<MapCsvError> read(std::string_view text) {
        if (detail::looksUtf16(text))
            return MapCsvError{m_rules.firstLine, 0, "the file is UTF-16 text; save it as UTF-8 (or CSV) and try again"};
        text = detail::withoutBom(text); // spreadsheets write one
        std::vector<std::string_view> lines = split(text, '\n');
        while (!lines.empty() && trim(lines.back()).empty()) lines.pop_back();
        if (lines.empty()) return MapCsvError{m_rules.firstLine, 0, "the file is empty"};
        // Spreadsheets in decimal-comma locales separate fields with ';'. The header
        // line decides for the whole file, so a stray ';' further down is a fault.
        if (lines[0].find(';') != std::string_view::npos) {
            m_separator = ';';
            m_decimalComma = true;
        }

        for (std::size_t i = 0; i < lines.size(); ++i) {
            m_line = m_rules.firstLine + i;
            m_column = 0;
            if (i > kVoltRows) return fault("more than " + count(kVoltRows, "voltage row"));
            if (trim(lines[i]).empty()) return fault("empty line");
            if (!(i == 0 ? header(lines[i]) : row(i - 1, lines[i]))) return m_error;
        }
        if (lines.size() < 1 + kVoltRows) {
            m_line = m_rules.firstLine + lines.size();
            m_column = 0;
            return fault("expected " + count(kVoltRows, "voltage row") + ", found " +
                         std::to_string(lines.size() - 1));
        }
        m_out = m_table;
        return std::nullopt;
    }

private:
    MapCsvError fault(std::string message) { return MapCsvError{m_line, m_column, std::move(message)}; }
    bool fail(std::string message) {
        m_error = fault(std::move(message));
        return false;
    }

    bool cells(std::string_view line, const char* layout, std::vector<std::string_view>& out) {
        m_column = 0;
        out = split(line, m_separator);
        for (auto& c : out) c = trim(c);
        if (out.size() == kCells) return true;
        std::string message = "expected " + std::to_string(kCells) + " cells (" + layout + ")";
        message += m_separator == ';' ? " separated by ';'" : " separated by ','";
        message += ", found " + std::to_string(out.size());
        // A comma file with a semicolon line, or the other way round, says so.
        if (out.size() == 1 && line.find(m_separator == ';' ? ',' : ';') != std::string_view::npos)
            message += m_separator == ';' ? " (this line uses ',' but the first uses ';')"
                                          : " (this line uses ';' but the first uses ',')";
        return fail(std::move(message));
    }

    bool number(std::string_view cell, std::size_t column, double& value) {
        m_column = column + 1;
        std::string where = "cell " + std::to_string(column + 1);
        if (cell.empty()) return fail(where + " is empty");
        where += ' ';
        where += quoted(cell);
        switch (detail::parseDecimal(cell, m_decimalComma, value)) {
        case detail::Parsed::Ok: return true;
        case detail::Parsed::NotFinite: return fail(where + " is not a finite number");
        case detail::Parsed::NotNumber: break;
        }
        return fail(where + " is not a number");
    }

    bool within(double value, double lo, double hi, std::string_view cell, const std::string& what,
                const std::string& range) {
        if (value >= lo && value <= hi) return true;
        return fail(what + " " + quoted(cell) + " is outside " + range);
    }

    bool onStep(double value, double unitValue, std::string_view cell, const std::string& what,
                const std::string& unitText) {
        if (!m_rules.valuesOnSteps || std::fabs(value - unitValue) < 1e-6) return true;
        return fail(what + " " + quoted(cell) + " is not a value the unit holds (the nearest it keeps is " +
                    unitText + "); a backup holds only the unit's own values");
    }

    bool header(std::string_view line) {
        std::vector<std::string_view> c;
        if (!cells(line, "V\\RPM and 15 RPM breakpoints", c)) return false;
        if (c[0] != kMapCsvCorner) {
            m_column = 1;
            return fail("first cell is " + quoted(c[0]) + ", expected '" + std::string(kMapCsvCorner) + "'");
        }
        for (std::size_t j = 0; j < kRpmCols; ++j) {
            double rpm = 0;
            const std::string what = "RPM breakpoint " + std::to_string(j + 1);
            if (!number(c[j + 1], j + 1, rpm) ||
                !within(rpm, kRpmBreakpointMin, kRpmBreakpointMax, c[j + 1], what,
                        formatRpm(kRpmBreakpointMin) + ".." + formatRpm(kRpmBreakpointMax)) ||
                !onStep(rpm, rpmFromAxisByte(axisByteFromRpm(rpm)), c[j + 1], what,
                        formatRpm(rpmFromAxisByte(axisByteFromRpm(rpm)))))
                return false;
            if (j > 0 && m_rules.axesMustRise) {
                const double before = m_table.rpmAxis[j - 1];
                if (rpm <= before)
                    return fail(what + " (" + formatRpm(rpm) + ") is not above the one before (" +
                                formatRpm(before) + ")");
                // The unit keeps whole hundreds; two breakpoints in one hundred would collapse.
                if (axisByteFromRpm(rpm) <= axisByteFromRpm(before))
                    return fail(what + " (" + formatRpm(rpm) + ") is " +
                                formatRpm(rpmFromAxisByte(axisByteFromRpm(rpm))) +
                                " on the unit, not above the one before");
            }
            m_table.rpmAxis[j] = rpm;
        }
        return true;
    }

    bool row(std::size_t r, std::string_view line) {
        std::vector<std::string_view> c;
        if (!cells(line, "a voltage and 15 map values", c)) return false;
        double volts = 0;
        const std::string what = "voltage breakpoint " + std::to_string(r + 1);
        if (!number(c[0], 0, volts) ||
            !within(volts, kVoltBreakpointMin, kVoltBreakpointMax, c[0], what,
                    formatVolts(kVoltBreakpointMin) + ".." + formatVolts(kVoltBreakpointMax)) ||
            !onStep(volts, voltsFromWord(axisWordFromVolts(volts)), c[0], what,
                    formatVolts(voltsFromWord(axisWordFromVolts(volts)))))
            return false;
        if (r > 0 && m_rules.axesMustRise) {
            const double before = m_table.voltAxis[r - 1];
            if (volts <= before)
                return fail(what + " (" + formatVolts(volts) + ") is not above the one before (" +
                            formatVolts(before) + ")");
            // The unit keeps 0.015 V steps.
            if (axisWordFromVolts(volts) <= axisWordFromVolts(before))
                return fail(what + " (" + formatVolts(volts) + ") is " +
                            formatVolts(voltsFromWord(axisWordFromVolts(volts))) +
                            " on the unit, not above the one before");
        }
        m_table.voltAxis[r] = volts;
        for (std::size_t j = 0; j < kRpmCols; ++j) {
            double value = 0;
            if (!number(c[j + 1], j + 1, value) ||
                !within(value, kMapValueMin, kMapValueMax, c[j + 1], "map value",
                        formatMapValue(kMapValueMin) + ".." + formatMapValue(kMapValueMax)) ||
                !onStep(value, mapValueFromByte(mapByteFromValue(value)), c[j + 1], "map value",
                        formatMapValue(mapValueFromByte(mapByteFromValue(value)))))
                return false;
            m_table.map[r][j] = value;
        }
        return true;
    }

    MapTable& m_out;
    const MapCsvRules m_rules;
    MapTable m_table;
    char m_separator = ',';
    bool m_decimalComma = false;
    std::size_t m_line = 0;
    std::size_t m_column = 0;
    MapCsvError m_error;
};

} // namespace

MapTable mapTableFrom(const DeviceState& state) {
    MapTable t;
    t.rpmAxis = state.rpmAxis;
    t.voltAxis = state.voltAxis;
    t.map = state.map;
    return t;
}

void applyMapTable(const MapTable& table, DeviceState& state) {
    state.rpmAxis = table.rpmAxis;
    state.voltAxis = table.voltAxis;
    state.map = table.map;
}

std::string formatRpm(double rpm) { return fixed(rpm, 0); }

std::string formatMapValue(double value) { return fixed(value, 2); }

std::string formatMapCell(double value) {
    const double tenths = value * 10.0;
    return fixed(value, std::isfinite(tenths) && std::fabs(tenths - std::round(tenths)) < 1e-6 ? 1 : 2);
}

std::string formatVolts(double volts) {
    const double hundredths = volts * 100.0;
    return fixed(volts, std::fabs(hundredths - std::round(hundredths)) < 1e-6 ? 2 : 3);
}

std::string writeMapCsv(const MapTable& table) {
    // Appended piece by piece: GCC 12 at -O3 reports a false -Werror=restrict for
    // text += "," + formatRpm(...) (libstdc++'s operator+ on a temporary).
    std::string text(kMapCsvCorner);
    for (double rpm : table.rpmAxis) {
        text += ',';
        text += formatRpm(rpm);
    }
    text += '\n';
    for (std::size_t r = 0; r < kVoltRows; ++r) {
        text += formatVolts(table.voltAxis[r]);
        for (double value : table.map[r]) {
            text += ',';
            text += formatMapValue(value);
        }
        text += '\n';
    }
    return text;
}

std::optional<MapCsvError> readMapCsv(std::string_view text, MapTable& table, const MapCsvRules& rules) {
    return Reader(table, rules).read(text);
}

} // namespace velmora::mapfile
