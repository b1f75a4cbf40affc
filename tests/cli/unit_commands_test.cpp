// SPDX-License-Identifier: GPL-3.0-or-later
// velmora-cli's unit commands (ports, info, map, set, clear-map, load-map, save-map)
// as processes against a simulated unit served from this test.

#include "full_disk.h"
#include "process.h"
#include "sim_session.h"

#include "device/serialport.h"

#include "mapfile/map_csv.h"
#include "device/encodings.h"
#include "sim/sim_host.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <csignal>
#include <sstream>
#include <sys/stat.h>
#include <thread>

namespace velmora::test {
namespace {

namespace fs = std::filesystem;

class UnitCommands : public CliSimSession<> {
protected:
    // Runs velmora-cli with args and --port naming the simulated unit.
    ChildProcess& run(std::vector<std::string> args, bool port = true) {
        args.insert(args.begin(), VELMORA_CLI_PATH);
        if (port) args.insert(args.end(), {"--port", host.slavePath()});
        last = std::make_unique<ChildProcess>(args);
        status = last->finish(15000);
        return *last;
    }

    fs::path write(const std::string& name, const std::string& text) {
        const fs::path path = dir / name;
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
    static std::string read(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    // The unit's map and axes as the host would read them.
    mapfile::MapTable unitTable() const {
        const sim::SimState s = host.state();
        mapfile::MapTable t;
        for (std::size_t r = 0; r < kVoltRows; ++r) {
            t.voltAxis[r] = voltsFromWord(s.voltWords[r]);
            for (std::size_t c = 0; c < kRpmCols; ++c) t.map[r][c] = mapValueFromByte(s.map[r * kRpmCols + c]);
        }
        for (std::size_t c = 0; c < kRpmCols; ++c) t.rpmAxis[c] = rpmFromAxisByte(s.rpmBytes[c]);
        return t;
    }

    std::unique_ptr<ChildProcess> last;
    int status = -1;
};

TEST_F(UnitCommands, InfoPrintsWhatTheUnitReportsAndRemembersThePort) {
    host.withUnit([](sim::CSimUnit& u) {
        sim::SimState& s = u.state();
        s.version = 0x0104;
        s.rpmDivider = 7;
        s.noiseDelta = 255;
        s.noisePeriod = 50000;
        s.readingsCode = 0; // a unit that offers no readings
        return 0;
    });
    const auto& p = run({"info"});
    ASSERT_EQ(status, 0) << p.err();
    EXPECT_EQ(p.out(), "port: " + host.slavePath() + "\nversion: 0x0104\ndevice-type: 0x11\n"
                       "rpm-divider: 7\nnoise-delta: 255\nnoise-period: 50000\nreadings: off\n");

    const auto& ports = run({"ports"});
    ASSERT_EQ(status, 0) << ports.err();
    EXPECT_EQ(ports.out(), host.slavePath() + "  (remembered)\n");
}

TEST_F(UnitCommands, NoUnitOnThePortFailsWithTheMessageOnStderr) {
    sim::Faults foreign;
    foreign.wrongDeviceType = 0x22;
    host.setFaults(foreign);
    for (const char* command : {"info", "map", "clear-map"}) {
        const auto& p = run({command});
        EXPECT_EQ(status, 1) << command;
        EXPECT_TRUE(p.out().empty()) << command;
        EXPECT_NE(p.err().find("Emulator: "), std::string::npos) << command;
    }
}

TEST_F(UnitCommands, MapPrintsTheUnitsTableInBothForms) {
    const auto& csv = run({"map", "--format", "csv"});
    ASSERT_EQ(status, 0) << csv.err();
    EXPECT_EQ(csv.out(), mapfile::writeMapCsv(unitTable()));

    const auto& table = run({"map"});
    ASSERT_EQ(status, 0) << table.err();
    std::istringstream lines(table.out());
    std::string header;
    std::getline(lines, header);
    EXPECT_EQ(header.substr(0, 11), "V\\RPM   500");
    std::size_t rows = 0;
    for (std::string line; std::getline(lines, line);) ++rows;
    EXPECT_EQ(rows, 16u);

    run({"map", "--format", "json"});
    EXPECT_EQ(status, 2);
}

TEST_F(UnitCommands, SetWritesTheValueAndKeepsTheRest) {
    const sim::SimState before = host.state();
    const auto& p = run({"set", "noise-period", "777"});
    ASSERT_EQ(status, 0) << p.err();
    const sim::SimState after = host.state();
    EXPECT_EQ(after.noisePeriod, 777);
    EXPECT_EQ(after.rpmDivider, before.rpmDivider);
    EXPECT_EQ(after.noiseDelta, before.noiseDelta);
    EXPECT_EQ(after.map, before.map); // the map travels with the settings, unchanged

    run({"set", "rpm-divider", "200"});
    EXPECT_EQ(status, 0);
    run({"set", "noise-delta", "0"});
    EXPECT_EQ(status, 0);
    EXPECT_EQ(host.state().rpmDivider, 200);
    EXPECT_EQ(host.state().noiseDelta, 0);
}

TEST_F(UnitCommands, SetRefusesBadValuesBeforeTouchingTheUnit) {
    const unsigned requests = host.state().requests;
    for (const std::vector<std::string>& bad :
         {std::vector<std::string>{"set", "rpm-divider", "0"}, {"set", "rpm-divider", "201"},
          {"set", "noise-delta", "256"}, {"set", "noise-period", "50001"},
          {"set", "noise-period", "-1"}, {"set", "noise-period", "ten"},
          {"set", "volume", "3"}, {"set", "rpm-divider"}}) {
        const auto& p = run(bad);
        EXPECT_EQ(status, 2) << ::testing::PrintToString(bad);
        EXPECT_FALSE(p.err().empty());
    }
    EXPECT_EQ(host.state().requests, requests);
}

// The connection goes on when a read fails, keeping the host's defaults: those must
// neither be shown as the unit's nor written back over it.
TEST_F(UnitCommands, FailedReadsAreNeitherShownNorWrittenBack) {
    constexpr std::uint8_t kReadSettings = 0x07, kReadMap = 0x0E, kReadAxes = 0x11;
    const sim::SimState before = host.state();

    sim::Faults noMap;
    noMap.nakCommands = {kReadMap};
    host.setFaults(noMap);
    const auto& set = run({"set", "noise-delta", "3"});
    EXPECT_EQ(status, 1);
    EXPECT_NE(set.err().find("nothing written"), std::string::npos) << set.err();
    EXPECT_EQ(host.state().noiseDelta, before.noiseDelta);
    EXPECT_EQ(host.state().map, before.map);

    sim::Faults noSettings;
    noSettings.nakCommands = {kReadSettings};
    host.setFaults(noSettings);
    const auto& info = run({"info"});
    EXPECT_EQ(status, 1);
    EXPECT_EQ(info.out().find("rpm-divider"), std::string::npos) << info.out();

    sim::Faults noAxes;
    noAxes.nakCommands = {kReadAxes};
    host.setFaults(noAxes);
    const auto& map = run({"map", "--format", "csv"});
    EXPECT_EQ(status, 1);
    EXPECT_TRUE(map.out().empty()) << map.out();
}

TEST_F(UnitCommands, RefusedWritesFailWithTheStepNamed) {
    sim::Faults refusing;
    refusing.nakWrites = true;
    host.setFaults(refusing);
    const auto& set = run({"set", "noise-delta", "3"});
    EXPECT_EQ(status, 1);
    EXPECT_NE(set.err().find("Emulator: "), std::string::npos);

    const auto& clear = run({"clear-map"});
    EXPECT_EQ(status, 1);
    EXPECT_NE(clear.err().find("Emulator: "), std::string::npos);

    const fs::path file = write("map.csv", mapfile::writeMapCsv(unitTable()));
    const auto& load = run({"load-map", file.string()});
    EXPECT_EQ(status, 1);
    EXPECT_NE(load.err().find("writing the axes failed"), std::string::npos) << load.err();
    EXPECT_EQ(host.state().mapStores, 0u);
}

TEST_F(UnitCommands, ClearMapZeroesAndStoresTheUnitsMap) {
    ASSERT_NE(host.state().map, decltype(sim::SimState::map){});
    const auto& p = run({"clear-map"});
    ASSERT_EQ(status, 0) << p.err();
    const sim::SimState s = host.state();
    EXPECT_EQ(s.map, decltype(sim::SimState::map){});
    EXPECT_EQ(s.storedMap, decltype(sim::SimState::map){});
    EXPECT_EQ(s.mapStores, 1u);
}

TEST_F(UnitCommands, LoadedMapComesBackFromMapWithinTheUnitsSteps) {
    mapfile::MapTable wanted = unitTable();
    for (std::size_t r = 0; r < kVoltRows; ++r) {
        wanted.voltAxis[r] = 0.5 + 0.73 * static_cast<double>(r);
        for (std::size_t c = 0; c < kRpmCols; ++c) wanted.map[r][c] = 0.013 * static_cast<double>(r * 23 + c);
    }
    wanted.rpmAxis[kRpmCols - 1] = 25500;
    const fs::path file = write("load.csv", mapfile::writeMapCsv(wanted));
    const auto& load = run({"load-map", file.string()});
    ASSERT_EQ(status, 0) << load.err();
    EXPECT_EQ(host.state().mapStores, 1u);
    EXPECT_EQ(host.state().storedMap, host.state().map);

    const auto& map = run({"map", "--format", "csv"});
    ASSERT_EQ(status, 0) << map.err();
    mapfile::MapTable back;
    const auto error = mapfile::readMapCsv(map.out(), back);
    ASSERT_FALSE(error) << error->message;
    for (std::size_t c = 0; c < kRpmCols; ++c) EXPECT_EQ(back.rpmAxis[c], wanted.rpmAxis[c]);
    for (std::size_t r = 0; r < kVoltRows; ++r) {
        EXPECT_NEAR(back.voltAxis[r], wanted.voltAxis[r], 0.015 + 1e-9) << r;
        for (std::size_t c = 0; c < kRpmCols; ++c)
            EXPECT_NEAR(back.map[r][c], wanted.map[r][c], 0.02 + 1e-9) << r << "," << c;
    }
}

TEST_F(UnitCommands, BadFilesSendNothingAndNameTheLine) {
    std::string text = mapfile::writeMapCsv(unitTable());
    text.replace(text.find("\n0.96,") + 6, 4, "nan ");
    const fs::path bad = write("bad.csv", text);
    const unsigned requests = host.state().requests;

    const auto& p = run({"load-map", bad.string()});
    EXPECT_EQ(status, 3);
    EXPECT_EQ(p.err().rfind(bad.string() + ":2: ", 0), 0u) << p.err();
    run({"load-map", (dir / "missing.csv").string()});
    EXPECT_EQ(status, 3);
    run({"load-map", dir.string()}); // a directory
    EXPECT_EQ(status, 3);
    EXPECT_EQ(host.state().requests, requests);
}

TEST_F(UnitCommands, SaveMapWritesWhatMapPrintsAndKeepsTheOldFileOnFailure) {
    const fs::path file = write("saved.csv", "old contents\n");
    const auto& save = run({"save-map", file.string()});
    ASSERT_EQ(status, 0) << save.err();
    EXPECT_EQ(read(file), mapfile::writeMapCsv(unitTable()));
    mapfile::MapTable back;
    EXPECT_FALSE(mapfile::readMapCsv(read(file), back));

    write("saved.csv", "old contents\n");
    sim::Faults foreign;
    foreign.wrongDeviceType = 0x22;
    host.setFaults(foreign);
    run({"save-map", file.string()});
    EXPECT_EQ(status, 1);
    EXPECT_EQ(read(file), "old contents\n");
    // No temporary file left beside it either.
    for (const auto& entry : fs::directory_iterator(dir))
        if (entry.path() != file) {
            EXPECT_EQ(entry.path().filename().string().find("saved"), std::string::npos);
        }
}

TEST_F(UnitCommands, SaveMapOnAFullDiskFailsAndKeepsTheGoodFile) {
    FullDisk disk;
    const fs::path good = disk.folder / "tune.csv";
    std::ofstream(good, std::ios::binary) << "the good map\n";
    disk.fill();
    for (const fs::path& target : {good, disk.folder / "new.csv"}) {
        const auto& p = run({"save-map", target.string()});
        EXPECT_EQ(status, 1) << target;
        EXPECT_NE(p.err().find(target.string()), std::string::npos) << p.err();
        EXPECT_NE(p.err().find(disk.reason()), std::string::npos) << p.err();
    }
    disk.drain();
    EXPECT_EQ(read(good), "the good map\n");
    EXPECT_EQ(disk.names(), std::vector<std::string>{"tune.csv"}); // no temporary file left
}

// Output that cannot be written is a failure, not a quiet success.
TEST_F(UnitCommands, OutputThatCannotBeWrittenFailsTheCommand) {
    for (std::vector<std::string> args : {std::vector<std::string>{"map"}, {"info"}, {"monitor", "--count", "50"}}) {
        args.insert(args.begin(), VELMORA_CLI_PATH);
        args.insert(args.end(), {"--port", host.slavePath()});
        ChildProcess p(args, "/dev/full");
        EXPECT_EQ(p.finish(15000), 1) << args[1];
        EXPECT_NE(p.err().find("standard output"), std::string::npos) << args[1] << ": " << p.err();
    }
}

// Every port that cannot be the unit's says why, as the window does.
TEST_F(UnitCommands, APortThatCannotBeUsedSaysWhy) {
    const fs::path file = write("plain-file", "x");
    const fs::path fifo = dir / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const struct {
        std::string port;
        std::string says;
    } table[] = {
        {file.string(), "is not a serial port"},
        {"/dev/null", "is not a serial port"},
        {dir.string(), "is not a serial port"},
        {fifo.string(), "is not a serial port"},
        {(dir / "no-such-port").string(), "is not there"},
    };
    for (const auto& row : table) {
        ChildProcess p({VELMORA_CLI_PATH, "--lang", "en", "info", "--port", row.port});
        EXPECT_EQ(p.finish(15000), 1) << row.port;
        EXPECT_NE(p.err().find(row.port + " " + row.says), std::string::npos) << p.err();
    }
}

// One program per port, the superuser included: the second is told the port is in
// use and the first goes on undisturbed.
TEST_F(UnitCommands, ASecondProgramOnThePortIsToldItIsInUse) {
    ChildProcess monitor({VELMORA_CLI_PATH, "monitor", "--port", host.slavePath()});
    ASSERT_TRUE(monitor.readLine(10000)); // the header: the monitor holds the port
    ASSERT_TRUE(monitor.readLine(10000));
    for (const char* command : {"info", "load-map"}) {
        std::vector<std::string> args{VELMORA_CLI_PATH, "--lang", "en", command, "--port", host.slavePath()};
        if (std::string(command) == "load-map") args.push_back(write("m.csv", mapfile::writeMapCsv(unitTable())).string());
        ChildProcess second(args);
        EXPECT_EQ(second.finish(15000), 1) << command;
        EXPECT_NE(second.err().find("is in use by another program"), std::string::npos) << second.err();
    }
    // Still reading, no failed exchange in between.
    std::uint32_t last = 0;
    for (int i = 0; i < 5; ++i) {
        const auto line = monitor.readLine(5000);
        ASSERT_TRUE(line);
        const auto seq = static_cast<std::uint32_t>(std::stoul(line->substr(0, line->find(','))));
        if (last) {
            EXPECT_EQ(seq, last + 1);
        }
        last = seq;
    }
    monitor.signal(SIGINT);
    EXPECT_EQ(monitor.finish(5000), 0) << monitor.err();
}

// Ctrl+C or SIGTERM during load-map: once, the writes end first and the unit holds
// the whole file; twice, the program stops at once and says what the unit may hold.
TEST_F(UnitCommands, InterruptedLoadMapFinishesItsWritesFirst) {
    mapfile::MapTable table = unitTable();
    for (auto& row : table.map) row.fill(1.5);
    const fs::path file = write("new.csv", mapfile::writeMapCsv(table));
    const struct {
        int signal;
        int times;
        const char* says;
    } table2[] = {{SIGINT, 1, "writes to the unit are complete"},
                  {SIGTERM, 1, "writes to the unit are complete"},
                  {SIGINT, 2, "may hold the file's axes with its old map"}};
    for (const auto& row : table2) {
        SCOPED_TRACE(row.says);
        host.withUnit([](sim::CSimUnit& u) {
            u.state().voltWords.fill(0);
            u.state().map.fill(0);
            return 0;
        });
        sim::Faults slow;
        slow.replyDelayMs = 150; // each write takes a while, as on a slow line
        host.setFaults(slow);
        ChildProcess p({VELMORA_CLI_PATH, "load-map", file.string(), "--port", host.slavePath()});
        // The axes are written; the map is not yet.
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (host.state().voltWords[15] == 0 && std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        for (int i = 0; i < row.times; ++i) {
            p.signal(row.signal);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        EXPECT_EQ(p.finish(20000), row.times == 2 ? 128 + row.signal : -1);
        EXPECT_NE(p.err().find(row.says), std::string::npos) << p.err();
        host.setFaults({});
        if (row.times == 1) {
            EXPECT_EQ(p.signalNumber(), row.signal);
            EXPECT_EQ(unitTable().map, table.map);
            EXPECT_EQ(host.state().storedMap, host.state().map);
        }
    }
}

// A client killed in the middle of its exchanges leaves bytes on the line; the
// next one purges them and goes on.
TEST_F(UnitCommands, TheNextClientWorksRightAfterAKilledOne) {
    const fs::path file = write("same.csv", mapfile::writeMapCsv(unitTable()));
    for (int i = 0; i < 3; ++i) {
        sim::Faults slow;
        slow.replyDelayMs = 60;
        host.setFaults(slow);
        {
            ChildProcess killed({VELMORA_CLI_PATH, "load-map", file.string(), "--port", host.slavePath()});
            const unsigned before = host.state().requests;
            const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            while (host.state().requests < before + 6 && std::chrono::steady_clock::now() < end)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            killed.signal(SIGKILL);
            killed.finish(5000);
        }
        const auto& info = run({"info"});
        EXPECT_EQ(status, 0) << info.err();
    }
}

} // namespace
} // namespace velmora::test
