// SPDX-License-Identifier: GPL-3.0-or-later
#include "snapshot.h"

#include "device/encodings.h"
#include "mapfile/map_csv.h"

namespace velmora::mapfile {

namespace {

std::string hex(unsigned value, int digits) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text(static_cast<std::size_t>(digits), '0');
    for (int i = digits - 1; i >= 0; --i, value >>= 4) text[static_cast<std::size_t>(i)] = kDigits[value & 0xF];
    return "0x" + text;
}

class Collector {
public:
    std::vector<Difference> items;

    void setting(ItemKind kind, long long a, long long b, int hexDigits = 0) {
        if (a == b) return;
        Difference d{kind, -1, -1, a, b, {}, {}};
        d.leftText = hexDigits ? hex(static_cast<unsigned>(a), hexDigits) : std::to_string(a);
        d.rightText = hexDigits ? hex(static_cast<unsigned>(b), hexDigits) : std::to_string(b);
        items.push_back(std::move(d));
    }
};

} // namespace

Snapshot snapshotFrom(const DeviceState& state) {
    Snapshot s;
    s.version = state.version;
    s.deviceType = state.deviceType;
    s.rpmDivider = state.rpmDivider;
    s.noiseDelta = state.noiseDelta;
    s.noisePeriod = state.noisePeriod;
    s.map = state.map;
    s.voltAxis = state.voltAxis;
    s.rpmAxis = state.rpmAxis;
    return s;
}

void applySnapshot(const Snapshot& snapshot, DeviceState& state) {
    state.rpmDivider = snapshot.rpmDivider;
    state.noiseDelta = snapshot.noiseDelta;
    state.noisePeriod = snapshot.noisePeriod;
    state.map = snapshot.map;
    state.voltAxis = snapshot.voltAxis;
    state.rpmAxis = snapshot.rpmAxis;
}

std::vector<Difference> compareSnapshots(const Snapshot& a, const Snapshot& b, CompareScope scope) {
    Collector out;
    if (scope == CompareScope::Everything) {
        out.setting(ItemKind::Version, a.version, b.version, 4);
        out.setting(ItemKind::DeviceType, a.deviceType, b.deviceType, 2);
    }
    if (scope != CompareScope::MapAndAxes) {
        out.setting(ItemKind::RpmDivider, a.rpmDivider, b.rpmDivider);
        out.setting(ItemKind::NoiseDelta, a.noiseDelta, b.noiseDelta);
        out.setting(ItemKind::NoisePeriod, a.noisePeriod, b.noisePeriod);
    }
    for (int c = 0; c < kRpmCols; ++c) {
        const auto uc = static_cast<std::size_t>(c);
        const int wa = axisByteFromRpm(a.rpmAxis[uc]), wb = axisByteFromRpm(b.rpmAxis[uc]);
        if (wa != wb)
            out.items.push_back({ItemKind::RpmBreakpoint, -1, c, wa, wb,
                                 formatRpm(rpmFromAxisByte(static_cast<std::uint8_t>(wa))),
                                 formatRpm(rpmFromAxisByte(static_cast<std::uint8_t>(wb)))});
    }
    for (int r = 0; r < kVoltRows; ++r) {
        const auto ur = static_cast<std::size_t>(r);
        const int wa = axisWordFromVolts(a.voltAxis[ur]), wb = axisWordFromVolts(b.voltAxis[ur]);
        if (wa != wb)
            out.items.push_back({ItemKind::VoltBreakpoint, r, -1, wa, wb,
                                 formatVolts(voltsFromWord(static_cast<std::int16_t>(wa))),
                                 formatVolts(voltsFromWord(static_cast<std::int16_t>(wb)))});
    }
    for (int r = 0; r < kVoltRows; ++r) {
        for (int c = 0; c < kRpmCols; ++c) {
            const auto ur = static_cast<std::size_t>(r), uc = static_cast<std::size_t>(c);
            const int ba = mapByteFromValue(a.map[ur][uc]), bb = mapByteFromValue(b.map[ur][uc]);
            if (ba != bb)
                out.items.push_back({ItemKind::MapCell, r, c, ba, bb,
                                     formatMapValue(mapValueFromByte(static_cast<std::uint8_t>(ba))),
                                     formatMapValue(mapValueFromByte(static_cast<std::uint8_t>(bb)))});
        }
    }
    return std::move(out.items);
}

bool sameOnUnit(const Snapshot& a, const Snapshot& b, CompareScope scope) {
    return compareSnapshots(a, b, scope).empty();
}

std::string itemName(const Difference& d, const Snapshot& a) {
    std::string what;
    switch (d.kind) {
    case ItemKind::Version: what = "version"; break;
    case ItemKind::DeviceType: what = "device type"; break;
    case ItemKind::RpmDivider: what = "rpm divider"; break;
    case ItemKind::NoiseDelta: what = "noise delta"; break;
    case ItemKind::NoisePeriod: what = "noise period"; break;
    case ItemKind::RpmBreakpoint: what = "RPM breakpoint " + std::to_string(d.column + 1); break;
    case ItemKind::VoltBreakpoint: what = "voltage breakpoint " + std::to_string(d.row + 1); break;
    case ItemKind::MapCell:
        what = "map row " + std::to_string(d.row + 1) + " (" +
               formatVolts(a.voltAxis[static_cast<std::size_t>(d.row)]) + " V), column " +
               std::to_string(d.column + 1) + " (" + formatRpm(a.rpmAxis[static_cast<std::size_t>(d.column)]) +
               " rpm)";
        break;
    }
    return what;
}

std::string describe(const Difference& d, const Snapshot& a) {
    std::string what = itemName(d, a);
    what += ": ";
    what += d.leftText;
    what += " -> ";
    what += d.rightText;
    return what;
}

} // namespace velmora::mapfile
