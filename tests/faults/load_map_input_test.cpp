// SPDX-License-Identifier: GPL-3.0-or-later
// velmora-cli load-map with a csv map that is wrong: exit status 3, the first bad
// line named, and not one request on the unit's line.

#include "cli/process.h"
#include "cli/sim_session.h"
#include "sim/sim_host.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <random>
#include <sstream>

namespace velmora::faults {
namespace {

namespace fs = std::filesystem;

// A good map file: the RPM axis, then 16 rows of a voltage and 15 values.
std::vector<std::string> goodLines() {
    std::vector<std::string> lines;
    std::string header = "V\\RPM";
    for (int j = 0; j < 15; ++j) {
        // Not "," + ...: GCC 12 at -O3 sees a false overlap in it.
        header += ',';
        header += std::to_string(500 + 300 * j);
    }
    lines.push_back(header);
    char cell[32];
    for (int i = 1; i <= 16; ++i) {
        std::snprintf(cell, sizeof cell, "%.2f", 0.96 * i);
        std::string row = cell;
        for (int j = 0; j < 15; ++j) {
            std::snprintf(cell, sizeof cell, ",%.2f", 0.02 * ((i * 7 + j) % 60));
            row += cell;
        }
        lines.push_back(row);
    }
    return lines;
}

std::string join(const std::vector<std::string>& lines) {
    std::string out;
    for (const auto& l : lines) out += l + "\n";
    return out;
}

// Replaces cell `index` (0-based) of a comma-separated line.
std::string withCell(const std::string& line, std::size_t index, const std::string& value) {
    std::vector<std::string> cells;
    std::stringstream in(line);
    for (std::string c; std::getline(in, c, ',');) cells.push_back(c);
    cells.at(index) = value;
    std::string out;
    for (std::size_t i = 0; i < cells.size(); ++i) out += (i ? "," : "") + cells[i];
    return out;
}

struct BadMap {
    const char* name;
    std::string text;
    std::size_t line; // 0: the file as a whole
};

std::vector<BadMap> badMaps() {
    std::vector<BadMap> maps;
    auto changed = [](std::size_t line, const std::string& replacement) {
        auto lines = goodLines();
        lines.at(line - 1) = replacement;
        return join(lines);
    };
    const auto good = goodLines();
    maps.push_back({"RowOneValueShort", changed(5, good[4].substr(0, good[4].rfind(','))), 5});
    maps.push_back({"SixteenColumnsOfRpm", changed(1, good[0] + ",5000"), 1});
    maps.push_back({"SeventeenRows", join(good) + good[16] + "\n", 18});
    maps.push_back({"NotANumber", changed(8, withCell(good[7], 3, "abc")), 8});
    maps.push_back({"MapValueAbove510", changed(12, withCell(good[11], 4, "5.11")), 12});
    maps.push_back({"NegativeMapValue", changed(3, withCell(good[2], 15, "-0.02")), 3});
    maps.push_back({"RpmAboveAByte", changed(1, withCell(good[0], 15, "25600")), 1});
    maps.push_back({"FallingVoltageAxis", changed(10, withCell(good[9], 0, "1.00")), 10});
    maps.push_back({"FallingRpmAxis", changed(1, withCell(good[0], 4, "700")), 1});
    std::mt19937 random(7);
    std::string noise(3000, '\0');
    for (char& c : noise) c = static_cast<char>(random());
    maps.push_back({"BinaryNoise", noise, 1});
    maps.push_back({"LargerThanAMapCanBe", std::string(3u << 20, '0'), 0});
    return maps;
}

void PrintTo(const BadMap& m, std::ostream* os) { *os << m.name; }

class LoadMapInput : public test::CliSimSession<::testing::TestWithParam<BadMap>> {};

TEST_P(LoadMapInput, IsRefusedAtItsFirstBadLineBeforeAnythingIsSent) {
    const fs::path file = dir / "map.csv";
    std::ofstream(file, std::ios::binary) << GetParam().text;

    test::ChildProcess cli({VELMORA_CLI_PATH, "load-map", file.string(), "--port", host.slavePath()});
    ASSERT_TRUE(cli.started());
    EXPECT_EQ(cli.finish(15000), 3) << cli.err();
    std::string where = file.string();
    if (GetParam().line) where += ':' + std::to_string(GetParam().line);
    where += ": ";
    EXPECT_EQ(cli.err().rfind(where, 0), 0u) << cli.err();
    EXPECT_EQ(host.state().requests, 0u);
}

INSTANTIATE_TEST_SUITE_P(Shapes, LoadMapInput, ::testing::ValuesIn(badMaps()),
                         [](const ::testing::TestParamInfo<BadMap>& info) {
                             return std::string(info.param.name);
                         });

TEST(LoadMapInputCheck, TheGoodFileIsLoaded) {
    // Without this the refusals above could be refusing anything at all.
    const fs::path dir = fs::temp_directory_path() / ("velmora-load-good-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    ::setenv("VELMORA_SETTINGS_FILE", (dir / "settings.ini").c_str(), 1);
    sim::CSimHost host;
    host.start();
    std::ofstream(dir / "map.csv", std::ios::binary) << join(goodLines());

    test::ChildProcess cli({VELMORA_CLI_PATH, "load-map", (dir / "map.csv").string(), "--port",
                            host.slavePath()});
    EXPECT_EQ(cli.finish(15000), 0) << cli.err();
    EXPECT_EQ(host.state().mapStores, 1u);
    EXPECT_EQ(host.state().rpmBytes[14], 47); // 4700 RPM
    host.stop();
    ::unsetenv("VELMORA_SETTINGS_FILE");
    std::error_code ignored;
    fs::remove_all(dir, ignored);
}

} // namespace
} // namespace velmora::faults
