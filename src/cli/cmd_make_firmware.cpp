// SPDX-License-Identifier: GPL-3.0-or-later
// make-firmware: writes a sample firmware file that the simulated unit accepts.

#include "commands.h"

#include "mapfile/atomic_file.h"
#include "sim/firmware_builder.h"

#include <QCommandLineParser>

#include <filesystem>
#include <iostream>

namespace velmora::cli {

namespace {

int runMakeFirmware(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Writes a sample firmware file (.afm)."));
    parser.addPositionalArgument(QStringLiteral("out"), QStringLiteral("The file to write."),
                                 QStringLiteral("OUT.afm"));
    const QCommandLineOption version(QStringLiteral("version"),
                                     QStringLiteral("Firmware version, e.g. 0x0104 (default)."),
                                     QStringLiteral("0xNNNN"), QStringLiteral("0x0104"));
    parser.addOption(version);
    if (const int status = parseCommandLine(parser, arguments); status >= 0) return status;
    if (parser.positionalArguments().size() != 1)
        return usageError(QStringLiteral("make-firmware needs exactly one output file"));
    unsigned v = 0;
    if (!parseNumber(parser.value(version), 0xFFFF, v))
        return usageError(QStringLiteral("--version needs a number from 0 to 0xFFFF"));

    sim::FirmwareRecipe recipe;
    recipe.version = static_cast<std::uint16_t>(v);
    recipe.image = sim::sampleFirmwareImage(recipe.version);
    const auto bytes = sim::buildFirmwareFile(recipe);

    const QString path = parser.positionalArguments().first();
    std::string error;
    if (!mapfile::writeFileAtomically(std::filesystem::path(path.toStdU16String()),
                                      std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                                      error)) {
        std::cerr << "velmora-cli make-firmware: " << error << std::endl;
        return kExitFailure;
    }
    return kExitOk;
}

const CommandRegistrar reg{
    {"make-firmware", "Write a sample firmware file for the simulated unit", &runMakeFirmware}};

} // namespace

} // namespace velmora::cli
