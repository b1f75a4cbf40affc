// SPDX-License-Identifier: GPL-3.0-or-later
#include "backup_file.h"

#include "device/encodings.h"
#include "mapfile/decimal_text.h"
#include "mapfile/map_csv.h"

#include <array>
#include <cstdio>

namespace velmora::mapfile {

namespace {

using namespace std::chrono;

// The lines before the map, in this order. Line 1 is kBackupMagic.
enum Key { kSaved, kVersion, kDeviceType, kRpmDivider, kNoiseDelta, kNoisePeriod, kKeyCount };
constexpr std::array<std::string_view, kKeyCount> kKeys{"saved", "version", "device-type",
                                                        "rpm-divider", "noise-delta", "noise-period"};
constexpr std::string_view kMapKey = "map:";
constexpr std::size_t kMapFirstLine = 2 + kKeyCount + 1; // magic, keys, "map:"

std::string hexText(unsigned value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%0*X", digits, value);
    return text;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// "0x" and exactly digits hexadecimal digits.
bool parseHex(std::string_view text, int digits, unsigned& value) {
    if (text.size() != 2 + static_cast<std::size_t>(digits) || text[0] != '0' || (text[1] | 0x20) != 'x')
        return false;
    unsigned v = 0;
    for (std::size_t i = 2; i < text.size(); ++i) {
        const int d = hexDigit(text[i]);
        if (d < 0) return false;
        v = v * 16 + static_cast<unsigned>(d);
    }
    value = v;
    return true;
}

// Plain decimal digits, at most max; no sign, no leading zeros beyond "0".
bool parseWhole(std::string_view text, unsigned max, unsigned& value) {
    if (text.empty() || text.size() > 5 || (text.size() > 1 && text[0] == '0')) return false;
    unsigned v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + static_cast<unsigned>(c - '0');
    }
    if (v > max) return false;
    value = v;
    return true;
}

bool digitsAt(std::string_view text, std::size_t at, std::size_t count, int& value) {
    value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

// "YYYY-MM-DDTHH:MM:SSZ" and nothing else.
bool parseUtc(std::string_view text, sys_seconds& time) {
    if (text.size() != 20 || text[4] != '-' || text[7] != '-' || text[10] != 'T' || text[13] != ':' ||
        text[16] != ':' || text[19] != 'Z')
        return false;
    int y, mo, d, h, mi, s;
    if (!digitsAt(text, 0, 4, y) || !digitsAt(text, 5, 2, mo) || !digitsAt(text, 8, 2, d) ||
        !digitsAt(text, 11, 2, h) || !digitsAt(text, 14, 2, mi) || !digitsAt(text, 17, 2, s))
        return false;
    const year_month_day date{year{y}, month{static_cast<unsigned>(mo)}, day{static_cast<unsigned>(d)}};
    if (!date.ok() || h > 23 || mi > 59 || s > 59) return false;
    time = sys_days{date} + hours{h} + minutes{mi} + seconds{s};
    return true;
}

} // namespace

std::string formatUtc(sys_seconds time) {
    const sys_days day = floor<days>(time);
    const year_month_day date{day};
    const hh_mm_ss clock{time - day};
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                  static_cast<int>(clock.hours().count()), static_cast<int>(clock.minutes().count()),
                  static_cast<int>(clock.seconds().count()));
    return text;
}

std::string writeBackup(const Backup& backup) {
    const Snapshot& u = backup.unit;
    std::string text(kBackupMagic);
    text += '\n';
    const std::array<std::string, kKeyCount> values{
        formatUtc(backup.saved), hexText(u.version, 4), hexText(u.deviceType, 2),
        std::to_string(u.rpmDivider), std::to_string(u.noiseDelta), std::to_string(u.noisePeriod)};
    for (int k = 0; k < kKeyCount; ++k) {
        text += kKeys[static_cast<std::size_t>(k)];
        text += ": ";
        text += values[static_cast<std::size_t>(k)];
        text += '\n';
    }
    text += kMapKey;
    text += '\n';
    // Written as the unit holds them: a hand-edited 1.216 is 1.20 on the unit (it
    // truncates), and text rounded to two places ("1.22") would read back as another cell.
    MapTable table;
    for (std::size_t r = 0; r < kVoltRows; ++r) {
        table.voltAxis[r] = voltsFromWord(axisWordFromVolts(u.voltAxis[r]));
        for (std::size_t c = 0; c < kRpmCols; ++c) table.map[r][c] = mapValueFromByte(mapByteFromValue(u.map[r][c]));
    }
    for (std::size_t c = 0; c < kRpmCols; ++c) table.rpmAxis[c] = rpmFromAxisByte(axisByteFromRpm(u.rpmAxis[c]));
    text += writeMapCsv(table);
    return text;
}

namespace {
// "Velmora backup" without its revision: another revision is still a backup, one
// this version must name rather than read as a map file.
constexpr std::string_view kBackupName = "Velmora backup ";
} // namespace

bool looksLikeBackup(std::string_view text) {
    text = detail::withoutBom(text);
    return text.substr(0, kBackupName.size()) == kBackupName;
}

std::optional<TextError> readBackup(std::string_view text, Backup& backup) {
    text = detail::withoutBom(text);
    std::size_t at = 0;    // where the next line starts
    std::size_t line = 0;  // the line last taken
    std::string_view current;
    // Takes the next line, blanks and line end cut off; false at the end of the text.
    const auto next = [&] {
        if (at >= text.size()) return false;
        const std::size_t end = text.find('\n', at);
        current = detail::trim(text.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at));
        at = end == std::string_view::npos ? text.size() : end + 1;
        ++line;
        return true;
    };
    const auto endsEarly = [&](const std::string& expected) {
        return TextError{line + 1, 0, "the file ends early; expected '" + expected + "'"};
    };

    if (detail::looksUtf16(text))
        return TextError{1, 0, "the file is UTF-16 text; a backup is UTF-8 (save it as UTF-8 and try again)"};
    if (!next() || current != kBackupMagic) {
        if (current.substr(0, kBackupName.size()) == kBackupName)
            return TextError{1, 0, "a Velmora backup of revision " +
                                       detail::quoted(current.substr(kBackupName.size())) +
                                       ", which this version does not read (it reads '" + std::string(kBackupMagic) +
                                       "'); use the Velmora that wrote it"};
        return TextError{1, 0, "not a Velmora backup (the first line must be '" + std::string(kBackupMagic) + "')"};
    }
    Backup out;
    Snapshot& u = out.unit;
    for (std::size_t k = 0; k < kKeyCount; ++k) {
        const std::string key(kKeys[k]);
        if (!next()) return endsEarly(key + ": ...");
        const std::size_t colon = current.find(':');
        if (colon == std::string_view::npos || detail::trim(current.substr(0, colon)) != key)
            return TextError{line, 1, "expected '" + key + ": ...', found " + detail::quoted(current)};
        const std::string_view value = detail::trim(current.substr(colon + 1));
        unsigned v = 0;
        bool ok = false;
        const char* form = "";
        switch (k) {
        case kSaved: ok = parseUtc(value, out.saved); form = "a UTC time like 2026-01-31T12:00:00Z"; break;
        case kVersion: ok = parseHex(value, 4, v); u.version = static_cast<std::uint16_t>(v); form = "0x and 4 hex digits"; break;
        case kDeviceType: ok = parseHex(value, 2, v); u.deviceType = static_cast<std::uint8_t>(v); form = "0x and 2 hex digits"; break;
        case kRpmDivider: ok = parseWhole(value, 255, v); u.rpmDivider = static_cast<std::uint8_t>(v); form = "a whole number 0..255"; break;
        case kNoiseDelta: ok = parseWhole(value, 255, v); u.noiseDelta = static_cast<std::uint8_t>(v); form = "a whole number 0..255"; break;
        case kNoisePeriod: ok = parseWhole(value, 65535, v); u.noisePeriod = static_cast<std::uint16_t>(v); form = "a whole number 0..65535"; break;
        default: break;
        }
        if (!ok) return TextError{line, 2, key + " " + detail::quoted(value) + " is not " + form};
    }
    if (!next()) return endsEarly(std::string(kMapKey));
    if (current != kMapKey) return TextError{line, 0, "expected 'map:', found " + detail::quoted(current)};

    MapTable table;
    if (auto error = readMapCsv(text.substr(at), table, MapCsvRules{false, kMapFirstLine, true})) return error;
    u.map = table.map;
    u.voltAxis = table.voltAxis;
    u.rpmAxis = table.rpmAxis;
    backup = out;
    return std::nullopt;
}

} // namespace velmora::mapfile
