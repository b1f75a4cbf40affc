// SPDX-License-Identifier: GPL-3.0-or-later
// diff, backup and restore as processes against a simulated unit served from this test.

#include "full_disk.h"
#include "process.h"
#include "sim_session.h"

#include "mapfile/backup_file.h"
#include "sim/sim_host.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace velmora::test {
namespace {

namespace fs = std::filesystem;

class BackupCommands : public CliSimSession<> {
protected:
    void SetUp() override {
        CliSimSession::SetUp();
        // The default backup folder, away from the user's.
        ::setenv("XDG_DATA_HOME", (dir / "data").c_str(), 1);
    }
    void TearDown() override {
        ::unsetenv("XDG_DATA_HOME");
        CliSimSession::TearDown();
    }

    ChildProcess& run(std::vector<std::string> args) {
        args.insert(args.begin(), VELMORA_CLI_PATH);
        args.insert(args.end(), {"--port", host.slavePath()});
        last = std::make_unique<ChildProcess>(args);
        status = last->finish(15000);
        return *last;
    }
    fs::path write(const std::string& name, const std::string& text) {
        std::ofstream(dir / name, std::ios::binary) << text;
        return dir / name;
    }
    std::vector<fs::path> backups() const {
        std::vector<fs::path> out;
        const fs::path folder = dir / "data" / "velmora" / "backups";
        if (fs::exists(folder))
            for (const auto& e : fs::directory_iterator(folder)) out.push_back(e.path());
        return out;
    }
    // Everything restore writes, as the unit holds it.
    static auto contents(const sim::SimState& s) {
        return std::make_tuple(s.rpmDivider, s.noiseDelta, s.noisePeriod, s.map, s.storedMap, s.voltWords, s.rpmBytes);
    }

    std::unique_ptr<ChildProcess> last;
    int status = -1;
};

TEST_F(BackupCommands, DiffExitsZeroWhenTheUnitHoldsTheFileAndFourWhenItDiffers) {
    const fs::path saved = dir / "unit.txt";
    ASSERT_EQ((run({"backup", "--out", saved.string()}), status), 0) << last->err();
    ASSERT_EQ((run({"save-map", (dir / "unit.csv").string()}), status), 0) << last->err();
    // The map file as a spreadsheet in a decimal-comma locale saves it.
    std::ifstream in(dir / "unit.csv", std::ios::binary);
    std::string csv(std::istreambuf_iterator<char>(in), {});
    for (char& c : csv) c = c == ',' ? ';' : c == '.' ? ',' : c;
    const fs::path semicolons = write("unit-pl.csv", csv);
    for (const fs::path& file : {saved, dir / "unit.csv", semicolons}) {
        run({"diff", file.string()});
        EXPECT_EQ(status, 0) << file << last->out() << last->err();
    }

    host.withUnit([](sim::CSimUnit& u) {
        u.state().map[3 * kRpmCols + 4] += 1;
        u.state().voltWords[2] += 1;
        u.state().noiseDelta += 1;
        return 0;
    });
    const auto& p = run({"diff", saved.string()});
    EXPECT_EQ(status, 4) << p.err();
    EXPECT_NE(p.out().find("noise delta: unit 13, file 12"), std::string::npos) << p.out();
    EXPECT_NE(p.out().find("voltage breakpoint 3: unit"), std::string::npos) << p.out();
    EXPECT_NE(p.out().find("map row 4"), std::string::npos) << p.out();
    EXPECT_NE(p.out().find("3 differences"), std::string::npos) << p.out();
    run({"diff", semicolons.string()});
    EXPECT_EQ(status, 4); // the map file has no settings: two differences
    EXPECT_NE(last->out().find("2 differences"), std::string::npos) << last->out();

    const unsigned requests = host.state().requests;
    run({"diff", write("bad.csv", "V\\RPM;1\n").string()});
    EXPECT_EQ(status, 3);
    EXPECT_EQ(host.state().requests, requests);
}

TEST_F(BackupCommands, RestoreBringsBackTheUnitsBytesAndKeepsWhatItReplaced) {
    ASSERT_EQ((run({"backup"}), status), 0) << last->err();
    ASSERT_EQ(backups().size(), 1u);
    const fs::path file = backups()[0];
    EXPECT_NE(last->out().find(file.filename().string()), std::string::npos);
    const auto original = contents(host.state());

    host.withUnit([](sim::CSimUnit& u) {
        sim::SimState& s = u.state();
        s.rpmDivider = 9;
        s.noisePeriod = 7;
        for (auto& b : s.map) b = static_cast<std::uint8_t>(255 - b);
        s.storedMap = s.map;
        s.voltWords[0] = 6600; // 99 V, out of order
        s.rpmBytes[14] = 3;
        return 0;
    });
    const auto& p = run({"restore", file.string()});
    ASSERT_EQ(status, 0) << p.err();
    EXPECT_EQ(contents(host.state()), original);
    EXPECT_EQ(backups().size(), 2u); // the replaced contents were saved first
    run({"diff", file.string()});
    EXPECT_EQ(status, 0);

    // A backup of another device is not written to this one.
    std::ifstream in(file, std::ios::binary);
    std::string text(std::istreambuf_iterator<char>(in), {});
    text.replace(text.find("device-type: 0x11"), 17, "device-type: 0x22");
    host.withUnit([](sim::CSimUnit& u) { u.state().noiseDelta = 77; return 0; });
    run({"restore", write("other.txt", text).string()});
    EXPECT_EQ(status, 1);
    EXPECT_EQ(host.state().noiseDelta, 77);
}

// backup (to its folder and to --out) and restore's own safety backup on a full disk:
// nothing reported as saved, the good file kept, and restore writes nothing unless
// told to go without its backup.
TEST_F(BackupCommands, AFullDiskIsNeverTakenForASavedBackup) {
    FullDisk disk;
    const fs::path good = disk.folder / "unit.txt";
    std::ofstream(good, std::ios::binary) << "the good backup\n";
    ASSERT_EQ((run({"backup", "--out", (dir / "source.txt").string()}), status), 0) << last->err();
    ::setenv("XDG_DATA_HOME", (disk.folder / "data").c_str(), 1);
    host.withUnit([](sim::CSimUnit& u) { u.state().noiseDelta = 77; return 0; });
    disk.fill();

    for (const fs::path& target : {good, disk.folder / "new.txt"}) {
        const auto& p = run({"backup", "--out", target.string()});
        EXPECT_EQ(status, 1) << target;
        EXPECT_NE(p.err().find(target.string()), std::string::npos) << p.err();
        EXPECT_NE(p.err().find(disk.reason()), std::string::npos) << p.err();
    }
    EXPECT_EQ((run({"backup"}), status), 1) << last->out();

    const auto& refused = run({"restore", (dir / "source.txt").string()});
    EXPECT_EQ(status, 1);
    EXPECT_NE(refused.err().find("--no-backup"), std::string::npos) << refused.err();
    EXPECT_EQ(host.state().noiseDelta, 77); // nothing written
    const auto& forced = run({"restore", (dir / "source.txt").string(), "--no-backup"});
    EXPECT_EQ(status, 0) << forced.err();
    EXPECT_NE(host.state().noiseDelta, 77);

    disk.drain();
    EXPECT_EQ(fileText(good), "the good backup\n");
    for (const std::string& name : disk.names()) EXPECT_TRUE(name == "unit.txt" || name == "data") << name;
}

// Files this version cannot take are named for what they are, before the unit is touched.
TEST_F(BackupCommands, RestoreNamesOffStepValuesRevisionsAndUtf16) {
    ASSERT_EQ((run({"backup", "--out", (dir / "b.txt").string()}), status), 0) << last->err();
    std::ifstream in(dir / "b.txt", std::ios::binary);
    const std::string text(std::istreambuf_iterator<char>(in), {});
    std::string offStep = text;
    const std::size_t row = offStep.find('\n', offStep.find("V\\RPM")) + 1;
    const std::size_t cell = offStep.find(',', row) + 1;
    offStep.replace(cell, offStep.find(',', cell) - cell, "0.81");
    std::string revision = text;
    revision.replace(0, 16, "Velmora backup 2");
    std::string utf16 = "\xFF\xFE";
    for (char c : text) utf16 += {c, '\0'};
    const struct {
        std::string name, text, says;
    } table[] = {
        {"off-step.txt", offStep, ":10: map value '0.81' is not a value the unit holds"},
        {"revision.txt", revision, ":1: a Velmora backup of revision '2'"},
        {"utf16.txt", utf16, ":1: the file is UTF-16 text"},
    };
    const unsigned requests = host.state().requests;
    for (const auto& r : table) {
        const auto& p = run({"restore", write(r.name, r.text).string()});
        EXPECT_EQ(status, 3) << r.name;
        EXPECT_NE(p.err().find(r.name + r.says), std::string::npos) << p.err();
    }
    EXPECT_EQ(host.state().requests, requests);
}

} // namespace
} // namespace velmora::test
