// SPDX-License-Identifier: GPL-3.0-or-later
#include "line/unit_data.h"

#include "device/device_state.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace velmora::line {

namespace {

std::vector<std::string> splitFields(std::string_view text) {
    std::vector<std::string> out;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        out.emplace_back(text.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
        if (comma == std::string_view::npos) return out;
        start = comma + 1;
    }
}

template <class Values>
Json numbers(const Values& values) {
    Json a = Json::array();
    for (double v : values) a.push(v);
    return a;
}

} // namespace

Json settingsJson(const DeviceState& s) {
    Json o = Json::object();
    o.set("version", versionText(s.version));
    char type[8];
    std::snprintf(type, sizeof type, "0x%02X", unsigned{s.deviceType});
    o.set("device_type", std::string(type));
    o.set("rpm_divider", unsigned{s.rpmDivider});
    o.set("noise_delta", unsigned{s.noiseDelta});
    o.set("noise_period", unsigned{s.noisePeriod});
    return o;
}

Json mapJson(const mapfile::MapTable& table) {
    Json o = Json::object();
    o.set("rpm_axis", numbers(table.rpmAxis));
    o.set("volt_axis", numbers(table.voltAxis));
    Json rows = Json::array();
    for (const auto& row : table.map) rows.push(numbers(row));
    o.set("map", std::move(rows));
    return o;
}

Json differencesJson(const std::vector<mapfile::Difference>& differences, const mapfile::Snapshot& unit) {
    Json a = Json::array();
    for (const mapfile::Difference& d : differences) {
        Json o = Json::object();
        o.set("item", mapfile::itemName(d, unit));
        o.set("unit", d.leftText);
        o.set("file", d.rightText);
        a.push(std::move(o));
    }
    return a;
}

Json csvRecordJson(std::string_view header, std::string_view fields) {
    const auto names = splitFields(header);
    const auto values = splitFields(fields);
    Json o = Json::object();
    for (std::size_t i = 0; i < names.size() && i < values.size(); ++i) {
        const std::string& v = values[i];
        char* end = nullptr;
        const double number = v.empty() ? 0 : std::strtod(v.c_str(), &end);
        if (!v.empty() && end == v.c_str() + v.size())
            o.set(names[i], v.find_first_of(".eE") == std::string::npos ? Json(std::strtoll(v.c_str(), nullptr, 10))
                                                                        : Json(number));
        else
            o.set(names[i], v);
    }
    return o;
}

} // namespace velmora::line
