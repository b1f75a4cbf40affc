// SPDX-License-Identifier: GPL-3.0-or-later
// The console tool's device helper against a simulated unit on a pty.

#include "cli/device_connect.h"

#include "sim/sim_host.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace velmora::cli {
namespace {

class ConnectDeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        host.start();
    }
    QString settingsFile() const { return dir.filePath(QStringLiteral("settings.ini")); }
    QTemporaryDir dir;
    sim::CSimHost host;
};

TEST_F(ConnectDeviceTest, NamedPortConnectsAndIsRemembered) {
    host.withUnit([](sim::CSimUnit& u) { u.state().noisePeriod = 4321; });
    auto session = connectDevice(QString::fromStdString(host.slavePath()), false, nullptr,
                                 settingsFile());
    ASSERT_TRUE(session->device.isConnected());
    EXPECT_EQ(session->device.state().noisePeriod, 4321);
    EXPECT_EQ(session->settings->readLastPort(), host.slavePath());
    EXPECT_EQ(session->messages.shown(), 0u);
}

TEST_F(ConnectDeviceTest, ForeignUnitFailsWithAMessageAndNothingElseIsTried) {
    sim::Faults f;
    f.wrongDeviceType = 0x22; // refused at once, no read time-outs
    host.setFaults(f);
    auto session = connectDevice(QString::fromStdString(host.slavePath()), false, nullptr,
                                 settingsFile());
    EXPECT_FALSE(session->device.isConnected());
    EXPECT_GE(session->messages.shown(), 1u); // "no connection"
    EXPECT_EQ(session->device.candidatePorts(), std::vector<std::string>{host.slavePath()});
    EXPECT_TRUE(session->settings->readLastPort().empty());
}

} // namespace
} // namespace velmora::cli
