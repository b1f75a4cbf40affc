// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/com_port_number.h"
#include "platform/port_lister.h"
#include "platform/settings_store.h"
#include "platform/simulated_ports.h"

#include <QFile>
#include <QTemporaryDir>

#include <algorithm>

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

// A running `velmora-cli sim` is listed with the real ports until it stops; one that
// was killed (its terminal gone) is not, and its notice is cleared away.
TEST(SimulatedPorts, ListedWhileTheSimulatorRunsAndItsTerminalExists) {
    QTemporaryDir runtime;
    ASSERT_TRUE(runtime.isValid());
    const QByteArray before = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    const QString terminal = runtime.filePath(QStringLiteral("pts-7"));
    {
        QFile file(terminal);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    {
        const CSimulatedPortNotice notice(terminal);
        EXPECT_EQ(simulatedPorts(), QStringList{terminal});
        CQtPortLister lister;
        const std::vector<std::string> ports = lister.ports();
        EXPECT_NE(std::find(ports.begin(), ports.end(), terminal.toStdString()), ports.end());
        EXPECT_EQ(lister.description(terminal.toStdString()), "velmora-cli sim");
    }
    EXPECT_TRUE(simulatedPorts().isEmpty());

    // Killed: the notice stays, the terminal goes.
    const QString stale = simulatedPortsFolder() + QStringLiteral("/999999");
    {
        QFile file(stale);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(runtime.filePath(QStringLiteral("pts-gone")).toUtf8() + '\n');
    }
    EXPECT_TRUE(simulatedPorts().isEmpty());
    EXPECT_FALSE(QFile::exists(stale));
    if (before.isNull())
        qunsetenv("XDG_RUNTIME_DIR");
    else
        qputenv("XDG_RUNTIME_DIR", before);
}
