// SPDX-License-Identifier: GPL-3.0-or-later
#include "unit_rig.h"

#include "lang/translate.h"
#include "sim/firmware_builder.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <sstream>
#include <thread>

#include <stdlib.h>

namespace velmora::faults {

namespace {
using Clock = std::chrono::steady_clock;
}

int RecordingBoxes::show(const std::wstring& text, const std::wstring& caption, unsigned style) {
    std::lock_guard lock(m_mutex);
    m_shown.push_back({text, caption, style});
    // Nobody answers Yes to anything here.
    return style == MB_YESNO_DEFNO ? ID_NO : ID_OK;
}

std::vector<ShownBox> RecordingBoxes::shown() const {
    std::lock_guard lock(m_mutex);
    return m_shown;
}

int RecordingBoxes::count(const std::wstring& part) const {
    std::lock_guard lock(m_mutex);
    return static_cast<int>(std::count_if(m_shown.begin(), m_shown.end(), [&](const ShownBox& b) {
        return b.text.find(part) != std::wstring::npos;
    }));
}

void RecordingBoxes::clear() {
    std::lock_guard lock(m_mutex);
    m_shown.clear();
}

void RecordingOwner::setTimer(int id, int periodMs) {
    std::lock_guard lock(m_mutex);
    m_set.emplace_back(id, periodMs);
}

void RecordingOwner::killTimer(int) {}

bool RecordingOwner::runFirmwareUpdate(bool forced) {
    updateRuns.push_back(forced);
    return update ? update(forced) : false;
}

bool RecordingOwner::wasSet(int id, int periodMs) const {
    std::lock_guard lock(m_mutex);
    return std::find(m_set.begin(), m_set.end(), std::pair{id, periodMs}) != m_set.end();
}

void RecordingOwner::clear() {
    std::lock_guard lock(m_mutex);
    m_set.clear();
}

std::size_t TimedLink::read(std::uint8_t* buffer, std::size_t count) {
    const auto start = Clock::now();
    const std::size_t got = m_port.read(buffer, count);
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
    const long long allowed =
        m_timeouts.readTotalConstantMs + static_cast<long long>(m_timeouts.readTotalMultiplierMs * count);
    const long long over = took.count() - allowed;
    long long worst = m_worstOverrunMs.load();
    while (over > worst && !m_worstOverrunMs.compare_exchange_weak(worst, over)) {
    }
    return got;
}

std::size_t TimedLink::write(const std::uint8_t* buffer, std::size_t count) {
    if (count == 4 && buffer[0] == 0xAA) ++m_exchanges; // a request header
    return m_port.write(buffer, count);
}

std::string MemorySettings::readLastPort() {
    std::lock_guard lock(m_mutex);
    return m_port;
}

void MemorySettings::writeLastPort(const std::string& port) {
    std::lock_guard lock(m_mutex);
    m_port = port;
}

DeviceState decodeUnitState(const sim::SimState& unit) {
    DeviceState d;
    d.version = unit.version;
    d.deviceType = unit.deviceType;
    d.rpmDivider = unit.rpmDivider;
    d.noiseDelta = unit.noiseDelta;
    d.noisePeriod = unit.noisePeriod;
    for (int v = 0; v < kVoltRows; ++v)
        for (int r = 0; r < kRpmCols; ++r)
            d.map[v][r] = mapValueFromByte(unit.map[static_cast<std::size_t>(v * kRpmCols + r)]);
    for (int v = 0; v < kVoltRows; ++v)
        d.voltAxis[v] = voltsFromWord(unit.voltWords[static_cast<std::size_t>(v)]);
    for (int r = 0; r < kRpmCols; ++r)
        d.rpmAxis[r] = rpmFromAxisByte(unit.rpmBytes[static_cast<std::size_t>(r)]);
    return d;
}

std::string stateDifferences(const DeviceState& shown, const DeviceState& unit) {
    std::ostringstream out;
    auto field = [&](const char* name, double a, double b) {
        if (a != b) out << name << ": shown " << a << ", unit " << b << '\n';
    };
    field("version", shown.version, unit.version);
    field("device type", shown.deviceType, unit.deviceType);
    field("rpm divider", shown.rpmDivider, unit.rpmDivider);
    field("noise delta", shown.noiseDelta, unit.noiseDelta);
    field("noise period", shown.noisePeriod, unit.noisePeriod);
    int reported = 0;
    for (int v = 0; v < kVoltRows && reported < 3; ++v)
        for (int r = 0; r < kRpmCols && reported < 3; ++r)
            if (shown.map[v][r] != unit.map[v][r]) {
                out << "map[" << v << "][" << r << "]: shown " << shown.map[v][r] << ", unit "
                    << unit.map[v][r] << '\n';
                ++reported;
            }
    for (int v = 0; v < kVoltRows; ++v)
        if (shown.voltAxis[v] != unit.voltAxis[v]) {
            out << "volt axis[" << v << "]: shown " << shown.voltAxis[v] << ", unit "
                << unit.voltAxis[v] << '\n';
            break;
        }
    for (int r = 0; r < kRpmCols; ++r)
        if (shown.rpmAxis[r] != unit.rpmAxis[r]) {
            out << "rpm axis[" << r << "]: shown " << shown.rpmAxis[r] << ", unit "
                << unit.rpmAxis[r] << '\n';
            break;
        }
    return out.str();
}

int threadCount() {
    int n = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/task"))
        ++n;
    return n;
}

bool waitFor(const std::function<bool()>& cond, std::chrono::milliseconds limit) {
    const auto end = Clock::now() + limit;
    while (!cond()) {
        if (Clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

std::string flashDifferences(const sim::SimState& unit, const std::vector<std::uint8_t>& image,
                             unsigned rows) {
    std::ostringstream out;
    if (unit.flashRows.size() != rows)
        out << unit.flashRows.size() << " rows in flash, expected " << rows << '\n';
    std::uint32_t address = sim::kFlashFirst;
    for (unsigned i = 0; i < rows; ++i, address += sim::kRowStep) {
        const auto row = unit.flashRows.find(address);
        if (row == unit.flashRows.end()) {
            out << "row 0x" << std::hex << address << std::dec << " missing\n";
            continue;
        }
        std::array<std::uint8_t, sim::kRowBytes> expected{};
        for (std::size_t word = 0; word < 64; ++word)
            for (std::size_t b = 0; b < 3; ++b) {
                const std::size_t at = 2 * address + 4 * word + b;
                expected[3 * word + b] = at < image.size() ? image[at] : 0;
            }
        if (row->second != expected) out << "row 0x" << std::hex << address << std::dec << " differs\n";
    }
    return out.str();
}

UnitRig::UnitRig() {
    setLanguageIndex(0); // texts as the program writes them
    char tmpl[] = "/tmp/velmora-faults-XXXXXX";
    folder = ::mkdtemp(tmpl);
    sim::FirmwareRecipe recipe;
    recipe.version = kFileVersion;
    recipe.image = sim::sampleFirmwareImage(kFileVersion, kImageBytes);
    image = recipe.image;
    const auto bytes = sim::buildFirmwareFile(recipe);
    firmwareFile = folder / "unit.afm";
    std::ofstream(firmwareFile, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    dialog.chosen = firmwareFile;

    host.start();
    device.setPortTimeouts(kRigTimeouts);
    device.setLinkForTesting(&link);
    device.setOwner(&owner);
    owner.update = [this](bool forced) { return recovery.OnClickedBtnDeviceUpdate(forced); };
    const auto wait = [this](std::chrono::milliseconds ms) {
        waits.push_back(ms);
        if (onWait) onWait();
    };
    update.setWait(wait);
    recovery.setWait(wait);
    update.setFirmwareFolder(folder);
    recovery.setFirmwareFolder(folder);
}

UnitRig::~UnitRig() {
    device.stopReading();
    device.setOwner(nullptr);
    device.setLinkForTesting(nullptr); // the wrapper goes before the device
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

bool UnitRig::connectCleanly() { return device.openPort(host.path()); }

} // namespace velmora::faults
