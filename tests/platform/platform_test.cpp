// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/com_port_number.h"
#include "platform/settings_store.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace velmora;
using namespace velmora::platform;

TEST(ComPortNumber, PortNumbersAboveNineSurviveTheRoundTrip) {
    EXPECT_EQ(numberTextFromComPort("COM12"), QStringLiteral("12"));
    EXPECT_EQ(comPortFromNumberText(QStringLiteral("12")), "COM12");
    EXPECT_EQ(numberTextFromComPort("COM3"), QStringLiteral("3"));
    EXPECT_EQ(numberTextFromComPort("com5"), QStringLiteral("5"));
}

TEST(ComPortNumber, NamesThatAreNotANumberedComPortAreNotStored) {
    EXPECT_TRUE(numberTextFromComPort("/dev/ttyUSB0").isEmpty());
    EXPECT_TRUE(numberTextFromComPort("COM").isEmpty());
    EXPECT_TRUE(numberTextFromComPort("COM0").isEmpty());
    EXPECT_TRUE(numberTextFromComPort("COM1a").isEmpty());
}

TEST(ComPortNumber, StoredTextIsReadAsItsLeadingNumber) {
    EXPECT_EQ(comPortFromNumberText(QStringLiteral(" 7x")), "COM7");
    EXPECT_EQ(comPortFromNumberText(QStringLiteral("abc")), "");
    EXPECT_EQ(comPortFromNumberText(QStringLiteral("0")), "");
    EXPECT_EQ(comPortFromNumberText(QString()), "");
}

TEST(SettingsStore, RemembersThePortBetweenRuns) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath(QStringLiteral("Draxton.conf"));
    {
        CQtSettingsStore store(file);
        EXPECT_EQ(store.readLastPort(), "");
        store.writeLastPort("/dev/ttyUSB3");
    }
    CQtSettingsStore later(file);
    EXPECT_EQ(later.readLastPort(), "/dev/ttyUSB3");
    later.writeLastPort("");
    EXPECT_EQ(later.readLastPort(), "/dev/ttyUSB3"); // nothing to remember: the old value stays
}
