// SPDX-License-Identifier: GPL-3.0-or-later
// The backup folder: new files only when the unit changed, never a name reused,
// newest first, and no half-written file left behind.

#include "mapfile/backup_store.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <thread>

namespace velmora::mapfile {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono;

class BackupStore : public ::testing::Test {
protected:
    void SetUp() override {
        folder = fs::temp_directory_path() /
                 ("velmora-backups-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count())) /
                 "backups";
    }
    void TearDown() override { fs::remove_all(folder.parent_path()); }

    std::vector<std::string> names() const {
        std::vector<std::string> out;
        for (const auto& e : listBackups(folder)) out.push_back(e.path.filename().string());
        return out;
    }

    fs::path folder;
    const sys_seconds noon = sys_days{year{2026} / 12 / 8} + hours{12};
};

TEST_F(BackupStore, UnitsSavedSideBySideInOneSecondEachKeepTheirOwnFile) {
    fs::create_directories(folder);
    std::vector<std::thread> units;
    for (int n = 0; n < 8; ++n)
        units.emplace_back([this, n] {
            Snapshot unit = snapshotFrom(DeviceState{});
            unit.noiseDelta = static_cast<std::uint8_t>(100 + n);
            EXPECT_EQ(saveBackup(folder, unit, noon).kind, SaveOutcome::Kind::Written);
        });
    for (auto& t : units) t.join();
    std::set<int> kept;
    for (const auto& e : listBackups(folder))
        if (e.backup) kept.insert(e.backup->unit.noiseDelta);
    EXPECT_EQ(kept.size(), 8u);
}

TEST_F(BackupStore, SavesOnlyWhatChangedAndListsNewestFirst) {
    Snapshot unit = snapshotFrom(DeviceState{});
    EXPECT_EQ(saveBackup(folder, unit, noon).kind, SaveOutcome::Kind::Written); // folder created
    unit.map[0][0] += 0.001; // the same on the unit
    const SaveOutcome same = saveBackup(folder, unit, noon + seconds{5});
    EXPECT_EQ(same.kind, SaveOutcome::Kind::SameAsNewest);
    EXPECT_EQ(same.path.filename(), "backup-20261208-120000.txt");

    unit.noiseDelta = 1;
    EXPECT_EQ(saveBackup(folder, unit, noon + seconds{5}).kind, SaveOutcome::Kind::Written);
    unit.noiseDelta = 2; // twice more in that second: numbered, never replaced
    EXPECT_EQ(saveBackup(folder, unit, noon + seconds{5}).kind, SaveOutcome::Kind::Written);
    for (int n = 3; n <= 10; ++n) {
        unit.noiseDelta = static_cast<std::uint8_t>(n);
        ASSERT_EQ(saveBackup(folder, unit, noon + seconds{5}).kind, SaveOutcome::Kind::Written);
    }
    const auto list = names();
    ASSERT_EQ(list.size(), 11u);
    EXPECT_EQ(list[0], "backup-20261208-120005-10.txt");
    EXPECT_EQ(list[8], "backup-20261208-120005-2.txt");
    EXPECT_EQ(list[9], "backup-20261208-120005.txt");
    EXPECT_EQ(list[10], "backup-20261208-120000.txt");
    const auto entries = listBackups(folder);
    ASSERT_TRUE(entries[0].backup);
    EXPECT_EQ(entries[0].backup->unit.noiseDelta, 10);
    EXPECT_EQ(entries[0].backup->saved, noon + seconds{5});

    // Back to what an older backup holds: only the newest counts.
    unit.noiseDelta = 0;
    EXPECT_EQ(saveBackup(folder, unit, noon + hours{1}).kind, SaveOutcome::Kind::Written);
}

TEST_F(BackupStore, DamagedFilesAreListedAndDoNotStopASave) {
    const Snapshot unit = snapshotFrom(DeviceState{});
    ASSERT_EQ(saveBackup(folder, unit, noon).kind, SaveOutcome::Kind::Written);
    std::ofstream(folder / "backup-20261208-130000.txt") << "Velmora backup 1\nsaved: nonsense\n";
    std::ofstream(folder / "notes.txt") << "not ours";
    const auto entries = listBackups(folder);
    ASSERT_EQ(entries.size(), 2u);
    ASSERT_TRUE(entries[0].error);
    EXPECT_EQ(entries[0].error->line, 2u);
    // The newest that reads holds the unit already.
    const SaveOutcome again = saveBackup(folder, unit, noon + hours{2});
    EXPECT_EQ(again.kind, SaveOutcome::Kind::SameAsNewest);
    EXPECT_EQ(again.path, entries[1].path);
    EXPECT_TRUE(listBackups(folder / "missing").empty());
}

TEST_F(BackupStore, AtomicWriteReplacesWholeOrLeavesTheOldFile) {
    fs::create_directories(folder);
    const fs::path file = folder / "b.txt";
    std::string error;
    ASSERT_TRUE(writeFileAtomically(file, "first", error)) << error;
    ASSERT_TRUE(writeFileAtomically(file, "second", error)) << error;
    EXPECT_FALSE(writeFileAtomically(folder / "missing" / "b.txt", "x", error));
    EXPECT_NE(error.find("cannot create"), std::string::npos) << error;
    std::ifstream in(file);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "second");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1); // no temporaries
}

} // namespace
} // namespace velmora::mapfile
