// SPDX-License-Identifier: GPL-3.0-or-later
#include "firmware_update.h"

#include "device/lpg_device.h"
#include "device/messages.h"
#include "lang/program_data.h"
#include "lang/translate.h"

#include <thread>

namespace velmora {

namespace {
using namespace std::chrono_literals;

class BusyScope {
public:
    explicit BusyScope(std::function<void(bool)> set) : m_set(std::move(set)) { m_set(true); }
    ~BusyScope() { m_set(false); }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    std::function<void(bool)> m_set;
};
} // namespace

CFirmwareUpdate::CFirmwareUpdate(CLPGDevice& device, IFirmwareUI& ui)
    : m_device(device), m_ui(ui), m_folder(defaultFirmwareFolder()),
      m_wait([](std::chrono::milliseconds ms) { std::this_thread::sleep_for(ms); }) {}

std::filesystem::path CFirmwareUpdate::defaultFirmwareFolder() {
    // An installed copy keeps the sample firmware in its data folder.
    const std::filesystem::path installed = programDataFolder("Draxton Firmware");
    if (!installed.empty())
        return installed / "33EP";
    return std::filesystem::path(executableFolder()) / "Draxton Firmware" / "33EP";
}

int CFirmwareUpdate::show(const std::wstring& text, unsigned style) {
    return reportMessage(m_device.messageBox(), text, kCaption, style);
}

void CFirmwareUpdate::busy(bool on) {
    if (on ? m_busyDepth++ == 0 : --m_busyDepth == 0)
        m_ui.setBusy(on);
}

bool CFirmwareUpdate::finish(Outcome outcome, bool result) {
    m_outcome = outcome;
    return result;
}

bool CFirmwareUpdate::OnClickedBtnDeviceUpdate(bool forced) {
    m_outcome = Outcome::None;
    if (m_device.state().deviceType != kDeviceType) {
        show(translate(L"Nie powiodło się zaprogramowanie urządzenia!"), MB_ERROR);
        return finish(Outcome::WrongDevice, false);
    }

    const std::filesystem::path path =
        m_ui.chooseFile(m_folder, translate(L"Firmware files (*.afm)|*.afm|"), L"afm");
    if (path.empty())
        return finish(Outcome::Cancelled, false);

    BusyScope busyScope([this](bool on) { busy(on); });

    std::uint16_t version = 0;
    std::uint16_t format = 0;
    std::wstring identifier;
    if (!m_file.read(path, version, identifier, format)) {
        show(translate(L"Nie powiodło się zaprogramowanie urządzenia!") + L"\n" +
                 describe(m_file.lastError()),
             MB_ERROR);
        return finish(Outcome::FileUnreadable, false);
    }
    if (format != kFirmwareFormat || identifier != kControllerId) {
        show(translate(L"Niewłaściwy plik firmware dla sterownika!"), MB_ERROR);
        return finish(Outcome::WrongFile, false);
    }
    if (version < m_device.state().version &&
        show(translate(L"Wersja sterownika jest nowsza niż wersja pliku firmware. Czy chcesz zaprogramować sterownik starszą wersją?"),
             MB_YESNO_DEFNO) != ID_YES)
        return finish(Outcome::Declined, false);

    // Until the attempts are over, an escaping port error means a failed update.
    m_outcome = Outcome::Failed;
    if (!forced)
        m_device.stopReading();
    if (!programWithRetries(forced)) {
        show(translate(L"Nie powiodło się zaprogramowanie urządzenia!"), MB_ERROR);
        return finish(Outcome::Failed, false);
    }

    // The unit restarts into the new application before it can answer.
    m_wait(1000ms);
    m_device.startConnection();
    if (m_device.isConnected()) {
        if (!forced)
            m_device.startReading();
        return finish(Outcome::Programmed, true);
    }
    show(translate(L"Nie powiodło się zaprogramowanie urządzenia!"), MB_ERROR);
    return finish(Outcome::ProgrammedNotFound, true);
}

bool CFirmwareUpdate::programWithRetries(bool forced) {
    const auto rows = static_cast<std::uint16_t>(m_file.rowCount());
    const CLPGDevice::Progress progress = [this](unsigned written, unsigned total) {
        m_ui.progress(written, total);
    };
    for (int attempt = 0; attempt < kProgrammingAttempts; ++attempt) {
        if (!forced)
            m_device.enterBootloader(); // the unit may already be there: the answer does not matter
        std::uint16_t answer = 0;
        if (!m_device.queryBootloader(answer))
            continue;
        m_wait(1000ms);
        if (!m_device.programImage(m_file.image(), rows, progress))
            continue;
        if (!m_device.endProgramming())
            continue;
        if (m_device.startApplication())
            return true;
    }
    return false;
}

} // namespace velmora
