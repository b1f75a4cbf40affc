// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the window says around a firmware update: the one question before it (the
// unit's version, the file's version and name, an older file said plainly), the
// result after it, and the file used last, offered again when an update was cut.

#include <QString>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace velmora {

// "1.04" for 0x0104, as the status bar and the unit's dialogs write versions.
QString firmwareVersionText(std::uint16_t version);

// The version a firmware file declares; none when it cannot be read (the update
// itself then refuses it and says why).
std::optional<std::uint16_t> firmwareFileVersion(const std::filesystem::path& file);

// The question before programming. unitVersion: none for a unit waiting in its
// bootloader (port says where).
std::wstring firmwareQuestion(std::optional<std::uint16_t> unitVersion, const QString& port,
                              std::uint16_t fileVersion, const std::filesystem::path& file);
// The offer to finish an update on a unit that waits in its bootloader, with the
// file used last.
std::wstring finishUpdateQuestion(const QString& port, std::optional<std::uint16_t> fileVersion,
                                  const std::filesystem::path& file);
// After a good update.
std::wstring firmwareDoneText(std::optional<std::uint16_t> version, const std::filesystem::path& file,
                              double seconds);
// After a failed update that no other message explained.
std::wstring firmwareFailedText();
// While the window waits for the unit to be programmed before closing.
std::wstring closeWaitsText(int secondsLeft);

// The firmware file programmed last, kept between runs; empty when none or gone.
std::filesystem::path lastFirmwareFile();
void rememberFirmwareFile(const std::filesystem::path& file);

} // namespace velmora
