// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reprogramming the unit through its bootloader from a firmware file. The window's
// firmware button runs it; so does the device's identify, in forced mode, for a
// unit that answers from its bootloader.

#include "firmware_file.h"
#include "firmware_ui.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

namespace velmora {

class CLPGDevice;

// What a file must declare to be programmed into this unit.
constexpr std::uint16_t kFirmwareFormat = 0x0101;
inline const std::wstring kControllerId = L"DRAXTONCTRL_33EP";
constexpr int kProgrammingAttempts = 10;

class CFirmwareUpdate {
public:
    // How the last run ended.
    enum class Outcome {
        None,
        Programmed,         // and the unit was found again
        ProgrammedNotFound, // programmed, but no unit answered afterwards
        WrongDevice,        // the connected unit is not of our type
        Cancelled,          // no file chosen
        FileUnreadable,     // see lastReadError()
        WrongFile,          // format code or controller identifier
        Declined,           // older file, operator said no
        Failed,             // every attempt failed, or a port error escaped
    };
    using Wait = std::function<void(std::chrono::milliseconds)>;

    CFirmwareUpdate(CLPGDevice& device, IFirmwareUI& ui);
    virtual ~CFirmwareUpdate() = default;
    CFirmwareUpdate(const CFirmwareUpdate&) = delete;
    CFirmwareUpdate& operator=(const CFirmwareUpdate&) = delete;

    // Runs the whole update. forced: the unit already waits in its bootloader and
    // reading has not been started, so neither the bootloader entry nor reading
    // stop/start is sent. True when programming ran to the end (also when the unit
    // was not found afterwards). Port errors (IError) pass to the caller.
    bool OnClickedBtnDeviceUpdate(bool forced);

    Outcome lastOutcome() const { return m_outcome; }
    FirmwareReadError lastReadError() const { return m_file.lastError(); }

    // The folder the file dialog opens in; by default
    // <executable folder>/Draxton Firmware/33EP, or in an installed copy
    // <prefix>/share/velmora/Draxton Firmware/33EP.
    void setFirmwareFolder(std::filesystem::path folder) { m_folder = std::move(folder); }
    const std::filesystem::path& firmwareFolder() const { return m_folder; }
    static std::filesystem::path defaultFirmwareFolder();
    // The pauses before programming and before reconnecting (1000 ms each).
    void setWait(Wait wait) { m_wait = std::move(wait); }

private:
    bool finish(Outcome outcome, bool result);
    bool programWithRetries(bool forced);
    int show(const std::wstring& text, unsigned style);
    void busy(bool on);

    CLPGDevice& m_device;
    IFirmwareUI& m_ui;
    CFirmwareFile m_file;
    std::filesystem::path m_folder;
    Wait m_wait;
    Outcome m_outcome = Outcome::None;
    int m_busyDepth = 0; // a forced update can run inside the reconnection of another
};

} // namespace velmora
