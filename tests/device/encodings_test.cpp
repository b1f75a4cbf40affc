// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/device_state.h"
#include "device/encodings.h"

#include <gtest/gtest.h>

using namespace velmora;

TEST(MapCellEncoding, ReadsTheFullByteRangeInStepsOfTwoHundredths) {
    EXPECT_DOUBLE_EQ(mapValueFromByte(0), 0.0);
    EXPECT_DOUBLE_EQ(mapValueFromByte(1), 0.02);
    EXPECT_DOUBLE_EQ(mapValueFromByte(50), 1.0);
    EXPECT_DOUBLE_EQ(mapValueFromByte(255), 5.1);
}

TEST(MapCellEncoding, WritesRoundTripAndTruncateBetweenSteps) {
    for (int b = 0; b <= 255; ++b)
        ASSERT_EQ(mapByteFromValue(mapValueFromByte(static_cast<std::uint8_t>(b))), b) << b;
    EXPECT_EQ(mapByteFromValue(5.10), 255);
    EXPECT_EQ(mapByteFromValue(0.03), 1);  // 6 units / 4, truncated
    EXPECT_EQ(mapByteFromValue(0.039), 2); // 7.8 units round to 8 before the division
    EXPECT_EQ(mapByteFromValue(0.07), 3);  // 14 / 4 = 3.5, truncated
}

TEST(MapCellEncoding, OutOfRangeValuesSaturateInsteadOfWrapping) {
    EXPECT_EQ(mapByteFromValue(5.2), 255);   // would wrap to 4 (0.08)
    EXPECT_EQ(mapByteFromValue(-0.02), 0);   // would wrap to 255 (5.10)
    EXPECT_EQ(mapByteFromValue(1000.0), 255);
}

TEST(AxisEncoding, VoltageWordsReadAtFifteenMillivoltsPerCount) {
    EXPECT_DOUBLE_EQ(voltsFromWord(-100), -1.5);
    EXPECT_DOUBLE_EQ(voltsFromWord(64), 0.96);
    EXPECT_DOUBLE_EQ(voltsFromWord(1024), 15.36);
    EXPECT_DOUBLE_EQ(voltsFromWord(0), 0.0);
}

TEST(AxisEncoding, VoltageWordsWriteBackToTheSameWord) {
    for (int w = -2000; w <= 2000; ++w)
        ASSERT_EQ(axisWordFromVolts(voltsFromWord(static_cast<std::int16_t>(w))), w) << w;
    EXPECT_EQ(axisWordFromVolts(1.5), 100);
    EXPECT_EQ(axisWordFromVolts(1.51), 100); // 302 / 3 truncated
    EXPECT_EQ(axisWordFromVolts(-1.51), -100);
    EXPECT_EQ(axisWordFromVolts(10000.0), 32767); // saturates, does not wrap negative
    EXPECT_EQ(axisWordFromVolts(-10000.0), -32768);
}

TEST(AxisEncoding, RpmBytesAreHundreds) {
    EXPECT_DOUBLE_EQ(rpmFromAxisByte(35), 3500.0);
    EXPECT_EQ(axisByteFromRpm(3500.0), 35);
    EXPECT_EQ(axisByteFromRpm(3599.0), 35); // truncated, not rounded
    EXPECT_EQ(axisByteFromRpm(25500.0), 255);
    EXPECT_EQ(axisByteFromRpm(30000.0), 255);
    EXPECT_EQ(axisByteFromRpm(-100.0), 0);
}

TEST(AreaRecord, TwoByThreeSelectionStepsDown) {
    MapArea area;
    area.firstVolt = 7;
    area.firstRpm = 4;
    area.voltCount = 3;
    area.rpmCount = 2;
    area.step = -0.1;
    const std::array<std::uint8_t, 6> expected{7, 4, 3, 2, 3, 5};
    EXPECT_EQ(encodeMapArea(area), expected);
    area.step = 0.1;
    EXPECT_EQ(encodeMapArea(area)[4], 2);
    EXPECT_EQ(encodeMapArea(area)[5], 5);
}

TEST(AreaRecord, StepByteIsTheStepInMapUnits) {
    EXPECT_EQ(areaStepByte(0.1), 5);
    EXPECT_EQ(areaStepByte(-0.1), 5);
    EXPECT_EQ(areaStepByte(0.02), 1);
    EXPECT_EQ(areaStepByte(0.0), 0);
    EXPECT_EQ(areaStepByte(5.1), 255);
}

TEST(RoundHalfAway, RoundsTiesAwayFromZero) {
    EXPECT_EQ(roundHalfAway(2.5), 3.0);
    EXPECT_EQ(roundHalfAway(-2.5), -3.0);
    EXPECT_EQ(roundHalfAway(2.49), 2.0);
}

TEST(DeviceStateDefaults, AxesAndSettingsBeforeAnyConnection) {
    const DeviceState s;
    EXPECT_EQ(s.version, 0x0100);
    EXPECT_EQ(s.deviceType, 0x11);
    EXPECT_EQ(s.rpmDivider, 1);
    EXPECT_EQ(s.noiseDelta, 0);
    EXPECT_EQ(s.noisePeriod, 0);
    for (int i = 0; i < kVoltRows; ++i) EXPECT_DOUBLE_EQ(s.voltAxis[i], 0.96 * (i + 1)) << i;
    for (int j = 0; j < kRpmCols; ++j) EXPECT_DOUBLE_EQ(s.rpmAxis[j], 500.0 + 300.0 * j) << j;
    for (const auto& row : s.map)
        for (double v : row) EXPECT_EQ(v, 0.0);
}
