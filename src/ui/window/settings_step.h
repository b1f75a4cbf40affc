// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One spinner step on a device setting.

#include <cstdint>
#include <optional>

namespace velmora {

struct SettingRange {
    std::int32_t lowest;
    std::int32_t highest;
};

constexpr SettingRange kRpmDividerRange{1, 200};
constexpr SettingRange kNoiseDeltaRange{0, 255};
constexpr SettingRange kNoisePeriodRange{0, 50000};

// The value after one step (+1 up, -1 down), or nothing when the step would leave
// the range. Each step is judged on its own, so a value outside the range (as the
// unit may report it) moves only when the step lands inside.
inline std::optional<std::uint32_t> stepSetting(std::uint32_t current, int step,
                                                SettingRange range)
{
    const std::int64_t candidate = static_cast<std::int64_t>(current) + step;
    if (candidate < range.lowest || candidate > range.highest)
        return std::nullopt;
    return static_cast<std::uint32_t>(candidate);
}

} // namespace velmora
