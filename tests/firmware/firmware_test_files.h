// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Firmware files for the reader's tests, in memory and on disk.

#include "sim/firmware_builder.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace velmora::test {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

inline Bytes patternImage(std::size_t size) {
    Bytes image(size);
    for (std::size_t i = 0; i < size; ++i)
        image[i] = static_cast<std::uint8_t>(i * 7 + (i >> 8) + 1);
    return image;
}

inline Bytes fileWithImage(std::size_t imageSize) {
    sim::FirmwareRecipe recipe;
    recipe.image = patternImage(imageSize);
    return sim::buildFirmwareFile(recipe);
}

// A folder of its own, removed with everything in it.
class TempDir {
public:
    TempDir() {
        std::random_device seed;
        m_path = fs::temp_directory_path() / ("velmora-fw-" + std::to_string(seed()));
        fs::create_directories(m_path);
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(m_path, ec);
    }
    fs::path write(const std::string& name, const Bytes& bytes) const {
        fs::path p = m_path / name;
        std::ofstream(p, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return p;
    }
    const fs::path& path() const { return m_path; }

private:
    fs::path m_path;
};

} // namespace velmora::test
