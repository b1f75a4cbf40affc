// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the firmware update needs of whoever shows it: the window, the console
// tool, or a test.

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace velmora {

class IFirmwareUI {
public:
    virtual ~IFirmwareUI() = default;
    // An open-file dialog starting in folder. filter is "Description|pattern|..."
    // (see parseFileFilter). Returns the chosen full path, empty when cancelled.
    virtual std::filesystem::path chooseFile(const std::filesystem::path& folder,
                                             const std::wstring& filter,
                                             const std::wstring& defaultExtension) = 0;
    // The wait cursor: on from the file check until the update returns.
    virtual void setBusy(bool busy) = 0;
    // After every row the unit acknowledged.
    virtual void progress(unsigned rowsWritten, unsigned rowsTotal) = 0;
};

// "Firmware files (*.afm)|*.afm|" -> {{"Firmware files (*.afm)", "*.afm"}}. A
// trailing description without a pattern is dropped.
std::vector<std::pair<std::wstring, std::wstring>> parseFileFilter(const std::wstring& filter);

} // namespace velmora
