// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A simulated unit served from the test and a scratch folder whose settings file
// stands in for the user's, so velmora-cli processes run against the unit never
// touch the user's remembered port.

#include "sim/sim_host.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <unistd.h>

namespace velmora::test {

template <class Base = ::testing::Test>
class CliSimSession : public Base {
protected:
    void SetUp() override {
        dir = std::filesystem::temp_directory_path() /
              ("velmora-cli-session-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
        ::setenv("VELMORA_SETTINGS_FILE", (dir / "settings.ini").c_str(), 1);
        host.start();
    }
    void TearDown() override {
        host.stop();
        ::unsetenv("VELMORA_SETTINGS_FILE");
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
    }

    std::filesystem::path dir;
    sim::CSimHost host;
};

} // namespace velmora::test
