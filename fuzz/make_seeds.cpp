// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the seed corpus from the project's own builders: reply frames the unit
// sends and a firmware file. Run once when the formats change; the output is checked in.
//   make_seeds <corpus folder>

#include "device/frame.h"
#include "sim/firmware_builder.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <vector>

namespace {
void save(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}
void append(std::vector<std::uint8_t>& to, const std::vector<std::uint8_t>& bytes) {
    to.insert(to.end(), bytes.begin(), bytes.end());
}
} // namespace

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    const std::filesystem::path root = argv[1];
    using namespace velmora;

    // A conversation's worth of replies: settings, diag sample, map, axes, identify.
    std::vector<std::uint8_t> settings = {5, 10, 0xE8, 0x03};
    std::vector<std::uint8_t> diag(17, 0);
    diag[0] = 0x4C; diag[1] = 0x1D; diag[12] = 0xD0; diag[13] = 0x07; diag[16] = 3;
    std::vector<std::uint8_t> map(240);
    for (std::size_t i = 0; i < map.size(); ++i) map[i] = static_cast<std::uint8_t>(i);
    std::vector<std::uint8_t> axes(47);
    for (int i = 0; i < 16; ++i) axes[2 * i] = static_cast<std::uint8_t>(64 * (i + 1));
    for (int j = 0; j < 15; ++j) axes[32 + j] = static_cast<std::uint8_t>(5 + 3 * j);
    const std::vector<std::uint8_t> ident = {4, 0x11, 0x55, 0x00, 0, 0};

    std::vector<std::uint8_t> session;
    append(session, frame::encode(3, 0x1234, settings));
    append(session, frame::encode(1, 0x0ABC, diag));
    append(session, frame::encode(1, 0x0001, diag));
    append(session, frame::encode(9, 0x7F0F, map));
    append(session, frame::encode(0x0B, 0x00F3, axes));
    append(session, frame::encode(2, 0x4242, ident));
    save(root / "exchange" / "session", session);
    save(root / "exchange" / "diag", frame::encode(1, 0x0005, diag));
    std::vector<std::uint8_t> junk = {0x00, 0x11, 0xAA};
    append(junk, frame::encode(2, 0x0003, ident));
    save(root / "exchange" / "resync", junk);

    sim::FirmwareRecipe recipe;
    recipe.image.assign(8400, 0);
    for (std::size_t i = 0; i < recipe.image.size(); ++i) recipe.image[i] = static_cast<std::uint8_t>(i * 7);
    save(root / "firmware_file" / "small.afm", sim::buildFirmwareFile(recipe));
    recipe.corruptChecksum = true;
    save(root / "firmware_file" / "bad-checksum.afm", sim::buildFirmwareFile(recipe));
    return 0;
}
