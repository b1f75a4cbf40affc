// SPDX-License-Identifier: GPL-3.0-or-later
#include "reading_csv.h"

#include "local_time.h"

#include <charconv>

namespace velmora {

void appendFixed(std::string& line, double value, int decimals)
{
    // to_chars, not printf: the application adopts the user's locale, and a decimal
    // comma would split a column in two.
    char text[400]; // room for any finite double in fixed notation
    const auto r = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
    if (r.ec == std::errc())
        line.append(text, r.ptr);
}

std::string readingCsvFields(const CDiag& d)
{
    std::string line = std::to_string(d.sequence);
    line += ',';
    appendFixed(line, rpmFromPeriod(d.rpmPeriod), 0);
    line += ',';
    appendFixed(line, inputVolts(d), 2);
    line += ',';
    appendFixed(line, pumpVolts(d), 2);
    line += ',';
    appendFixed(line, outputVolts(d), 2);
    line += workStateOn(d) ? ",on" : ",off";
    return line;
}

namespace {

void appendTimeColumns(std::string& line, std::chrono::system_clock::time_point time, double seconds)
{
    line += isoTimestamp(time);
    line += ',';
    appendFixed(line, seconds, 3);
    line += ',';
}

void appendPort(std::string& line, std::string_view port)
{
    line += ',';
    if (port.find_first_of(",\"\r\n") == std::string_view::npos) {
        line += port;
        return;
    }
    line += '"';
    for (char c : port) {
        if (c == '"')
            line += '"';
        line += c;
    }
    line += '"';
}

} // namespace

std::string recordingCsvRow(std::chrono::system_clock::time_point time, double seconds, const CDiag& sample,
                            std::string_view port)
{
    std::string line;
    appendTimeColumns(line, time, seconds);
    line += readingCsvFields(sample);
    appendPort(line, port);
    return line;
}

std::string linkLostCsvRow(std::chrono::system_clock::time_point time, double seconds, std::string_view port)
{
    std::string line;
    appendTimeColumns(line, time, seconds);
    line += ",,,,,"; // seq .. output_v
    line += kLinkLostState;
    appendPort(line, port);
    return line;
}

} // namespace velmora
