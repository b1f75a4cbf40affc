// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A device connected to the simulated unit over a pty, with recording stand-ins
// for the window's message boxes, file dialog and owner.

#include "device/lpg_device.h"
#include "firmware/firmware_update.h"
#include "lang/translate.h"
#include "sim/firmware_builder.h"
#include "sim/sim_host.h"

#include <gtest/gtest.h>

#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace velmora::test {

struct ShownBox {
    std::wstring text;
    std::wstring caption;
    unsigned style;
};

class RecordingBoxes : public IMessageBox {
public:
    int show(const std::wstring& text, const std::wstring& caption, unsigned style) override {
        shown.push_back({text, caption, style});
        if (style == MB_YESNO_DEFNO)
            return answerYes ? ID_YES : ID_NO;
        return ID_OK;
    }
    std::vector<ShownBox> shown;
    bool answerYes = false;
};

class RecordingUI : public IFirmwareUI {
public:
    std::filesystem::path chooseFile(const std::filesystem::path& folder, const std::wstring& filter,
                                     const std::wstring& defaultExtension) override {
        ++chooserCalls;
        lastFolder = folder;
        lastFilter = filter;
        lastExtension = defaultExtension;
        return chosen;
    }
    void setBusy(bool busy) override { busyCalls.push_back(busy); }
    void progress(unsigned written, unsigned total) override {
        progressCalls.emplace_back(written, total);
    }

    std::filesystem::path chosen;
    int chooserCalls = 0;
    std::filesystem::path lastFolder;
    std::wstring lastFilter;
    std::wstring lastExtension;
    std::vector<bool> busyCalls;
    std::vector<std::pair<unsigned, unsigned>> progressCalls;
};

class UpdateTest : public ::testing::Test, public IDeviceOwner {
protected:
    UpdateTest() {
        char tmpl[] = "/tmp/velmora-update-XXXXXX";
        folder = ::mkdtemp(tmpl);
        setLanguageIndex(0); // texts as written in the program
        host.start();
        device.setPreferredPort(host.path());
        device.setOwner(this);
        update.setFirmwareFolder(folder);
        update.setWait([this](std::chrono::milliseconds ms) { waits.push_back(ms); });
    }
    ~UpdateTest() override {
        device.stopReading();
        host.stop();
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }

    // IDeviceOwner
    void setTimer(int id, int) override { timersSet.push_back(id); }
    void killTimer(int id) override { timersKilled.push_back(id); }
    bool runFirmwareUpdate(bool forced) override {
        forcedRuns.push_back(forced);
        return update.OnClickedBtnDeviceUpdate(forced);
    }

    std::filesystem::path writeFile(const sim::FirmwareRecipe& recipe,
                                    const std::string& name = "fw.afm") {
        const auto bytes = sim::buildFirmwareFile(recipe);
        const std::filesystem::path p = folder / name;
        std::ofstream(p, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        return p;
    }
    // A file the unit accepts, of the given version and image size.
    sim::FirmwareRecipe goodRecipe(std::uint16_t version, std::size_t imageBytes = 0x6000) {
        sim::FirmwareRecipe recipe;
        recipe.version = version;
        recipe.image = sim::sampleFirmwareImage(version, imageBytes);
        return recipe;
    }
    void connect() {
        device.startConnection();
        ASSERT_TRUE(device.isConnected());
    }
    unsigned requests() const { return host.state().requests; }
    void clearRecords() {
        boxes.shown.clear();
        timersSet.clear();
        timersKilled.clear();
        waits.clear();
    }

    std::filesystem::path folder;
    sim::CSimHost host;
    RecordingBoxes boxes;
    CLPGDevice device{DeviceServices{&boxes, nullptr, nullptr}};
    RecordingUI ui;
    CFirmwareUpdate update{device, ui};
    std::vector<std::chrono::milliseconds> waits;
    std::vector<int> timersSet;
    std::vector<int> timersKilled;
    std::vector<bool> forcedRuns;
};

} // namespace velmora::test
