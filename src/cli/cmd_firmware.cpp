// SPDX-License-Identifier: GPL-3.0-or-later
// firmware-info: what a firmware file holds. flash: programs the unit from a file,
// the same way the window's firmware button does.

#include "commands.h"
#include "console_message_box.h"
#include "device_connect.h"

#include "device/error.h"
#include "firmware/firmware_update.h"
#include "line/unit_run.h"

#include <QCommandLineParser>

#include <cstdio>
#include <iostream>

namespace velmora::cli {

namespace {

constexpr int kExitFileRefused = 3;

std::filesystem::path toPath(const QString& text) {
    return std::filesystem::path(text.toStdU16String());
}

const char* readErrorReason(FirmwareReadError error) {
    switch (error) {
    case FirmwareReadError::None:
        return "";
    case FirmwareReadError::OpenFailed:
        return "cannot open the file";
    case FirmwareReadError::ReadFailed:
        return "read error";
    case FirmwareReadError::ShortHeader:
        return "shorter than its 40-byte header";
    case FirmwareReadError::BodyTooShort:
        return "body length below 8381 bytes";
    case FirmwareReadError::BodyTooLong:
        return "body length above 98304 bytes";
    case FirmwareReadError::Truncated:
        return "the file ends before its body does";
    case FirmwareReadError::BadChecksum:
        return "checksum mismatch";
    }
    return "";
}

// Why a file that reads would still be refused for this unit; empty when it is not.
std::string refusalReason(std::uint16_t format, const std::wstring& identifier) {
    char text[64];
    if (format != kFirmwareFormat) {
        std::snprintf(text, sizeof text, "format code is not 0x%04X", kFirmwareFormat);
        return text;
    }
    if (identifier != kControllerId)
        return "controller identifier is not " + toUtf8(kControllerId);
    return {};
}

int runFirmwareInfo(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Reads a firmware file and prints its header values and whether this unit "
        "would accept it.\nExit status 3 when the file cannot be read."));
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("The firmware file."),
                                 QStringLiteral("FILE.afm"));
    const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("Print the same as JSON."));
    parser.addOption(json);
    if (const int status = parseCommandLine(parser, arguments); status >= 0) return status;
    if (parser.positionalArguments().size() != 1)
        return usageError(QStringLiteral("firmware-info needs exactly one file"));

    CFirmwareFile file;
    std::uint16_t version = 0;
    std::uint16_t format = 0;
    std::wstring identifier;
    if (!file.read(toPath(parser.positionalArguments().first()), version, identifier, format)) {
        if (parser.isSet(json))
            std::cout << line::Json::object().set("valid", false).set("reason", readErrorReason(file.lastError())).dump(2)
                      << std::endl;
        else
            std::cout << "valid: no (" << readErrorReason(file.lastError()) << ")" << std::endl;
        return kExitFileRefused;
    }
    const std::string refused = refusalReason(format, identifier);
    if (parser.isSet(json)) {
        line::Json o = line::Json::object();
        o.set("version", hexText(version, 4)).set("format", hexText(format, 4)).set("identifier", toUtf8(identifier));
        o.set("image_size", static_cast<unsigned long long>(file.imageSize()));
        o.set("rows", static_cast<unsigned long long>(file.rowCount()));
        o.set("valid", refused.empty()).set("reason", refused);
        std::cout << o.dump(2) << std::endl;
        return kExitOk;
    }
    std::cout << "version: " << hexText(version, 4) << "\n"
              << "format: " << hexText(format, 4) << "\n"
              << "identifier: " << toUtf8(identifier) << "\n"
              << "image-size: " << file.imageSize() << "\n"
              << "rows: " << file.rowCount() << "\n"
              << "valid: " << (refused.empty() ? "yes" : "no (" + refused + ")") << std::endl;
    return kExitOk;
}

// The window's file dialog and wait cursor, for a file named on the command line.
class CConsoleFirmwareUI : public IFirmwareUI {
public:
    explicit CConsoleFirmwareUI(std::filesystem::path file) : m_file(std::move(file)) {}

    std::filesystem::path chooseFile(const std::filesystem::path&, const std::wstring&,
                                     const std::wstring&) override {
        return m_file;
    }
    void setBusy(bool) override {}
    void progress(unsigned written, unsigned total) override {
        // One line per 5 %: a log file gets a few lines, a terminal a moving one.
        const unsigned percent = total ? written * 100 / total : 100;
        if (percent / 5 == m_lastPercent / 5 && written != total) return;
        m_lastPercent = percent;
        std::cerr << "\rProgramming: " << written << "/" << total << " rows (" << percent << "%)";
        if (written == total) std::cerr << '\n';
        std::cerr.flush();
    }

private:
    std::filesystem::path m_file;
    unsigned m_lastPercent = ~0u;
};

// Runs the update when the device finds the unit in its bootloader. A unit that is
// still there after being programmed would bring the device back here from inside
// the reconnection; that nested call is refused so the tool cannot loop.
class CFlashOwner : public IDeviceOwner {
public:
    explicit CFlashOwner(CFirmwareUpdate& update) : m_update(update) {}
    void setTimer(int, int) override {}
    void killTimer(int) override {}
    bool runFirmwareUpdate(bool forced) override {
        if (m_active) return false;
        m_active = true;
        if (forced) m_forcedRan = true;
        const bool result = m_update.OnClickedBtnDeviceUpdate(forced);
        m_active = false;
        return result;
    }
    bool forcedRan() const { return m_forcedRan; }

private:
    CFirmwareUpdate& m_update;
    bool m_active = false;
    bool m_forcedRan = false;
};

int exitStatus(CFirmwareUpdate::Outcome outcome) {
    using Outcome = CFirmwareUpdate::Outcome;
    switch (outcome) {
    case Outcome::Programmed:
    case Outcome::ProgrammedNotFound:
        return kExitOk;
    case Outcome::FileUnreadable:
    case Outcome::WrongFile:
        return kExitFileRefused;
    default:
        return kExitFailure;
    }
}

int runFlash(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Programs the unit with a firmware file through its bootloader.\n"
        "Exit status 0 when programming ran to the end, 1 when it failed or was "
        "declined, 3 when the file is refused."));
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("The firmware file."),
                                 QStringLiteral("FILE.afm"));
    const DeviceOptions options = addDeviceOptions(parser);
    if (const int status = parseCommandLine(parser, arguments); status >= 0) return status;
    if (parser.positionalArguments().size() != 1)
        return usageError(QStringLiteral("flash needs exactly one file"));
    const QString name = parser.positionalArguments().first();
    const std::filesystem::path path = toPath(name);

    // Refuse a bad file before touching the unit.
    {
        CFirmwareFile file;
        std::uint16_t version = 0;
        std::uint16_t format = 0;
        std::wstring identifier;
        std::string reason;
        if (!file.read(path, version, identifier, format))
            reason = readErrorReason(file.lastError());
        else
            reason = refusalReason(format, identifier);
        if (!reason.empty()) {
            std::cerr << "velmora-cli flash: " << name.toStdString() << ": " << reason << std::endl;
            return kExitFileRefused;
        }
    }

    auto session = std::make_unique<ConsoleDevice>(parser.isSet(options.yes),
                                                   parser.value(options.port).trimmed());
    CLPGDevice& device = session->device;
    CConsoleFirmwareUI ui(path);
    CFirmwareUpdate update(device, ui);
    CFlashOwner owner(update);
    device.setOwner(&owner);

    int status = kExitFailure;
    try {
        device.startConnection();
        if (device.isConnected()) {
            line::noteUnitConnected(device.port().portName());
            // Found in its bootloader, the unit has been programmed already: no "before".
            if (!owner.forcedRan()) line::noteUnitVersionBefore(device.state().version);
        }
        if (owner.forcedRan()) {
            // The unit waited in its bootloader and has been programmed with the file already.
            status = exitStatus(update.lastOutcome());
        } else if (!device.isConnected()) {
            std::cerr << "velmora-cli flash: no unit found" << std::endl;
        } else {
            owner.runFirmwareUpdate(false);
            status = exitStatus(update.lastOutcome());
        }
        if (update.lastOutcome() == CFirmwareUpdate::Outcome::Programmed)
            std::cerr << "Programmed; the unit reports version " << hexText(device.state().version, 4)
                      << "." << std::endl;
    } catch (const IError& e) {
        session->messages.show(L"CVelmoraDlg::OnClickedBtnDeviceUpdate()\n" + e.format(),
                               kCaption, MB_PLAIN);
        status = kExitFailure;
    }
    device.stopReading();
    device.setOwner(nullptr);
    return status;
}

const CommandRegistrar regInfo{
    {"firmware-info", "Show what a firmware file holds and whether it fits the unit",
     &runFirmwareInfo}};
const CommandRegistrar regFlash{
    {"flash", "Program the unit with a firmware file", &runFlash}};

} // namespace

} // namespace velmora::cli
