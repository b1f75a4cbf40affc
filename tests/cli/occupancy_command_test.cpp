// SPDX-License-Identifier: GPL-3.0-or-later
// velmora-cli occupancy as a process: the table of engine time from a recording,
// with the axes of a map file or of the simulated unit, and bad input refused with
// the file and line.

#include "process.h"
#include "sim_session.h"

#include "mapfile/map_csv.h"

#include <gtest/gtest.h>

#include <fstream>

namespace velmora::test {
namespace {

namespace fs = std::filesystem;

class OccupancyCommand : public CliSimSession<> {
protected:
    int run(std::vector<std::string> args) {
        args.insert(args.begin(), VELMORA_CLI_PATH);
        last = std::make_unique<ChildProcess>(args);
        return last->finish(15000);
    }
    std::string write(const std::string& name, const std::string& text) {
        std::ofstream(dir / name, std::ios::binary) << text;
        return (dir / name).string();
    }
    std::unique_ptr<ChildProcess> last;
};

// 1.5 s at 1000 RPM and 2.00 V, a second of silence that does not count, then
// 0.5 s at 5000 RPM and 20 V; one bad line.
const char* kRecording = "seq,rpm,input_v,pump_v,output_v,work_state\n"
                         "1,1000,12,2.00,10,on\n"
                         "x\n"
                         "31,1000,12,2.00,10,on\n"
                         "51,5000,12,20.00,10,on\n"
                         "61,5000,12,20.00,10,on\n";

TEST_F(OccupancyCommand, TableHasTheMapFilesShapeWithSecondsOrPercent) {
    mapfile::MapTable table;
    table.rpmAxis = DeviceState{}.rpmAxis;
    table.voltAxis = DeviceState{}.voltAxis;
    const std::string axes = write("tune.csv", mapfile::writeMapCsv(table));
    const std::string recording = write("drive.csv", kRecording);
    // Readings 1 and 31 are 1.5 s apart at 20 a second: a break; 31 -> 51 is 1.0 s.
    ASSERT_EQ(run({"occupancy", recording, "--axes", axes}), 0) << last->err();
    const std::string& out = last->out();
    EXPECT_EQ(out.substr(0, out.find('\n')), "V\\RPM,500,800,1100,1400,1700,2000,2300,2600,2900,3200,3500,3800,4100,4400,4700");
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 17);
    EXPECT_NE(out.find("\n2.88,0.00,0.00,1.00,0.00,"), std::string::npos) << out;
    EXPECT_NE(out.find("\n15.36,0.00,0.00,0.00,0.00,0.00,0.00,0.00,0.00,0.00,0.00,0.00,0.00,0.00,0.00,0.50\n"),
              std::string::npos) << out;
    EXPECT_NE(last->err().find("drive.csv"), std::string::npos); // the skipped line is said
    EXPECT_NE(last->err().find("3"), std::string::npos);

    ASSERT_EQ(run({"occupancy", recording, "--axes", axes, "--format", "percent"}), 0);
    EXPECT_NE(last->out().find("\n2.88,0.00,0.00,66.67,"), std::string::npos) << last->out();
    ASSERT_EQ(run({"occupancy", recording, "--axes", axes, "--format", "json"}), 0);
    EXPECT_NE(last->out().find("\"total_seconds\":1.50,\"rows\":4,\"skipped_lines\":1"), std::string::npos)
        << last->out();
}

TEST_F(OccupancyCommand, AxesOfTheUnitWithoutAFile) {
    const std::string recording = write("drive.csv", kRecording);
    ASSERT_EQ(run({"occupancy", recording, "--port", host.slavePath()}), 0) << last->err();
    EXPECT_EQ(last->out().rfind("V\\RPM,", 0), 0u);
    EXPECT_EQ(std::count(last->out().begin(), last->out().end(), '\n'), 17);
}

TEST_F(OccupancyCommand, BadInputIsRefusedWithFileAndLine) {
    const std::string good = write("drive.csv", kRecording);
    const std::string other = write("other.csv", "name,age\nx,1\n");
    const std::string axes = write("bad-axes.csv", "V\\RPM,1,2\n");
    struct { std::vector<std::string> args; int status; std::string said; } cases[] = {
        {{"occupancy", other, "--axes", good}, 3, "bad-axes"},
        {{"occupancy", other, "--axes", axes}, 3, "bad-axes.csv:"},
        {{"occupancy", good, "--axes", (dir / "missing.csv").string()}, 3, "missing.csv"},
        {{"occupancy", other, "--port", host.slavePath()}, 3, "other.csv:1:"},
        {{"occupancy", (dir / "none.csv").string(), "--port", host.slavePath()}, 3, "none.csv"},
        {{"occupancy", good, "--format", "xml"}, 2, "--format"},
        {{"occupancy"}, 2, "exactly one file"},
    };
    cases[0].said = "drive.csv"; // a recording given as axes: not a map file
    for (const auto& c : cases) {
        EXPECT_EQ(run(c.args), c.status) << ::testing::PrintToString(c.args);
        EXPECT_NE(last->err().find(c.said), std::string::npos) << last->err();
        EXPECT_TRUE(last->out().empty());
    }
}

} // namespace
} // namespace velmora::test
