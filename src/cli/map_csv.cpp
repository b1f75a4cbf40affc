#include "map_csv.h"

#include "device/encodings.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <system_error>
#include <vector>

namespace velmora::cli {

namespace {

constexpr std::size_t kCells = 1 + kRpmCols; // the row's key cell, then one per RPM column

std::string fixed(double v, int decimals) {
    if (v == 0.0) v = 0.0; // no "-0.00"
    char text[512]; // enough for any double in fixed notation with a few decimals
    const auto result = std::to_chars(text, text + sizeof text, v, std::chars_format::fixed, decimals);
    if (result.ec != std::errc()) return "nan";
    return std::string(text, result.ptr);
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string_view trim(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    return s;
}

std::vector<std::string_view> split(std::string_view s, char separator) {
    std::vector<std::string_view> parts;
    for (;;) {
        const std::size_t at = s.find(separator);
        parts.push_back(s.substr(0, at));
        if (at == std::string_view::npos) return parts;
        s.remove_prefix(at + 1);
    }
}

// A cell as it may be echoed to a terminal: short, control bytes hidden.
std::string quoted(std::string_view cell) {
    constexpr std::size_t kShown = 24;
    std::string text = "'";
    for (std::size_t i = 0; i < cell.size() && i < kShown; ++i) {
        const auto c = static_cast<unsigned char>(cell[i]);
        text += (c < 0x20 || c == 0x7F) ? '?' : static_cast<char>(c);
    }
    if (cell.size() > kShown) text += "...";
    return text + "'";
}

std::string count(std::size_t n, const char* what) {
    return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
}

class Reader {
public:
    explicit Reader(MapTable& out) : m_out(out) {}

    std::optional<MapCsvError> read(std::string_view text) {
        if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3); // spreadsheets' BOM
        std::vector<std::string_view> lines = split(text, '\n');
        while (!lines.empty() && trim(lines.back()).empty()) lines.pop_back();
        if (lines.empty()) return MapCsvError{1, "the file is empty"};

        for (std::size_t i = 0; i < lines.size(); ++i) {
            m_line = i + 1;
            if (i > kVoltRows) return fault("more than " + count(kVoltRows, "voltage row"));
            if (trim(lines[i]).empty()) return fault("empty line");
            if (!(i == 0 ? header(lines[i]) : row(i - 1, lines[i]))) return m_error;
        }
        if (lines.size() < 1 + kVoltRows) {
            m_line = lines.size() + 1;
            return fault("expected " + count(kVoltRows, "voltage row") + ", found " +
                         std::to_string(lines.size() - 1));
        }
        m_out = m_table;
        return std::nullopt;
    }

private:
    MapCsvError fault(std::string message) { return MapCsvError{m_line, std::move(message)}; }
    bool fail(std::string message) {
        m_error = fault(std::move(message));
        return false;
    }

    bool cells(std::string_view line, const char* layout, std::vector<std::string_view>& out) {
        out = split(line, ',');
        for (auto& c : out) c = trim(c);
        if (out.size() != kCells)
            return fail("expected " + std::to_string(kCells) + " cells (" + layout + "), found " +
                        std::to_string(out.size()));
        return true;
    }

    bool number(std::string_view cell, std::size_t column, double& value) {
        const std::string where = "cell " + std::to_string(column + 1);
        if (cell.empty()) return fail(where + " is empty");
        const auto result = std::from_chars(cell.data(), cell.data() + cell.size(), value);
        if (result.ec == std::errc::invalid_argument || result.ptr != cell.data() + cell.size())
            return fail(where + " " + quoted(cell) + " is not a number");
        if (result.ec != std::errc() || !std::isfinite(value))
            return fail(where + " " + quoted(cell) + " is not a finite number");
        return true;
    }

    bool within(double value, double lo, double hi, std::string_view cell, const std::string& what,
                const std::string& range) {
        if (value >= lo && value <= hi) return true;
        return fail(what + " " + quoted(cell) + " is outside " + range);
    }

    bool header(std::string_view line) {
        std::vector<std::string_view> c;
        if (!cells(line, "V\\RPM and 15 RPM breakpoints", c)) return false;
        if (c[0] != kMapCsvCorner)
            return fail("first cell is " + quoted(c[0]) + ", expected '" + std::string(kMapCsvCorner) + "'");
        for (std::size_t j = 0; j < kRpmCols; ++j) {
            double rpm = 0;
            const std::string what = "RPM breakpoint " + std::to_string(j + 1);
            if (!number(c[j + 1], j + 1, rpm) ||
                !within(rpm, kRpmBreakpointMin, kRpmBreakpointMax, c[j + 1], what,
                        formatRpm(kRpmBreakpointMin) + ".." + formatRpm(kRpmBreakpointMax)))
                return false;
            if (j > 0) {
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
                    formatVolts(kVoltBreakpointMin) + ".." + formatVolts(kVoltBreakpointMax)))
            return false;
        if (r > 0) {
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
                        formatMapValue(kMapValueMin) + ".." + formatMapValue(kMapValueMax)))
                return false;
            m_table.map[r][j] = value;
        }
        return true;
    }

    MapTable& m_out;
    MapTable m_table;
    std::size_t m_line = 0;
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

std::string formatVolts(double volts) {
    const double hundredths = volts * 100.0;
    return fixed(volts, std::fabs(hundredths - std::round(hundredths)) < 1e-6 ? 2 : 3);
}

std::string writeMapCsv(const MapTable& table) {
    std::string text(kMapCsvCorner);
    for (double rpm : table.rpmAxis) text += "," + formatRpm(rpm);
    text += '\n';
    for (std::size_t r = 0; r < kVoltRows; ++r) {
        text += formatVolts(table.voltAxis[r]);
        for (double value : table.map[r]) text += "," + formatMapValue(value);
        text += '\n';
    }
    return text;
}

std::optional<MapCsvError> readMapCsv(std::string_view text, MapTable& table) {
    return Reader(table).read(text);
}

} // namespace velmora::cli
