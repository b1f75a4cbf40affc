// SPDX-License-Identifier: GPL-3.0-or-later
// monitor: prints the unit's live readings as CSV, one line per new sample.

#include "commands.h"
#include "device_connect.h"
#include "interrupt.h"

#include "acquisition/local_time.h"
#include "acquisition/reading_csv.h"
#include "line/unit_data.h"

#include <QCommandLineParser>

#include <chrono>
#include <iostream>
#include <limits>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace velmora::cli {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr int kRetryMs = 2000;           // a failed reconnection tries again after this
constexpr milliseconds kPoll{20};        // well under the reading period: no sample is missed
constexpr milliseconds kStallLimit{5000}; // connected, yet nothing new: the thread has ended
constexpr int kRecentSamples = 32;        // more than can arrive between two polls

// The reading thread arms the reconnect timer from its own thread; the loop below
// looks at it on each turn, as the window's timer would tick.
class MonitorOwner : public IDeviceOwner {
public:
    void setTimer(int id, int periodMs) override {
        if (id != kReconnectTimer) return; // the loop polls the store itself
        std::lock_guard lock(m_mutex);
        m_reconnectAt = Clock::now() + milliseconds(periodMs);
    }
    void killTimer(int id) override {
        if (id != kReconnectTimer) return;
        std::lock_guard lock(m_mutex);
        m_reconnectAt.reset();
    }
    bool runFirmwareUpdate(bool) override {
        std::cerr << "velmora-cli monitor: the unit waits in its bootloader; "
                     "it needs new firmware first"
                  << std::endl;
        return false;
    }
    bool reconnectArmed() const {
        std::lock_guard lock(m_mutex);
        return m_reconnectAt.has_value();
    }
    bool reconnectDue() const {
        std::lock_guard lock(m_mutex);
        return m_reconnectAt && Clock::now() >= *m_reconnectAt;
    }

private:
    mutable std::mutex m_mutex;
    std::optional<Clock::time_point> m_reconnectAt;
};

class Monitor {
public:
    // The unit is on the port the device has open now; a lost link goes back to that
    // port only, whatever another program remembers meanwhile.
    Monitor(CLPGDevice& device, MonitorOwner& owner, unsigned count, bool reconnect, bool timestamps,
            bool json = false)
        : m_device(device), m_owner(owner), m_count(count), m_reconnect(reconnect),
          m_timestamps(timestamps), m_json(json), m_port(device.port().portName()) {}

    int run() {
        if (!m_json) std::cout << (m_timestamps ? "time," : "") << kReadingCsvHeader << std::endl;
        startReading();
        while (!interrupted() && !done()) {
            if (m_owner.reconnectArmed()) {
                if (!m_reconnect) return fail("connection lost");
                if (m_owner.reconnectDue()) tryReconnect();
            } else if (!printNewSamples() && Clock::now() - m_lastSampleAt > kStallLimit) {
                // The thread ended on a port error while the line looked clean.
                if (!m_reconnect) return fail("no readings for 5 s");
                std::cerr << "velmora-cli monitor: no readings for 5 s" << std::endl;
                m_owner.setTimer(kReconnectTimer, 1000);
            }
            if (m_owner.reconnectArmed() && !m_announced) {
                std::cerr << "velmora-cli monitor: connection lost, reconnecting to "
                          << m_port << std::endl;
                m_announced = true;
            }
            waitForInterrupt(static_cast<int>(kPoll.count()));
        }
        m_device.stopReading();
        return kExitOk;
    }

private:
    bool done() const { return m_count != 0 && m_printed >= m_count; }

    void startReading() {
        m_lastSequence = 0; // each reading thread numbers its samples from 1
        m_lastSampleAt = Clock::now();
        m_device.startReading();
    }

    int fail(const char* what) {
        m_device.stopReading();
        std::cerr << "velmora-cli monitor: " << what << std::endl;
        return kExitFailure;
    }

    // The unit's own port, then again in 2 s.
    void tryReconnect() {
        m_owner.killTimer(kReconnectTimer);
        const std::string port = m_port;
        if (!m_device.openPort(port)) {
            m_owner.setTimer(kReconnectTimer, kRetryMs);
            return;
        }
        std::cerr << "velmora-cli monitor: reconnected on " << port << std::endl;
        m_announced = false;
        startReading();
    }

    bool printNewSamples() {
        CDiagData& store = m_device.samples();
        const int n = store.count();
        std::vector<CDiag> recent;
        store.copyRange(recent, n - kRecentSamples, n);
        bool any = false;
        for (const CDiag& d : recent) {
            if (d.sequence <= m_lastSequence || done()) continue;
            const std::string time = m_timestamps ? isoTimestamp(std::chrono::system_clock::now()) + ',' : "";
            if (m_json) // one object a line, the CSV's columns as keys
                std::cout << line::csvRecordJson((m_timestamps ? "time," : "") + std::string(kReadingCsvHeader),
                                                 time + readingCsvFields(d)).dump()
                          << '\n';
            else
                std::cout << time << readingCsvFields(d) << '\n';
            m_lastSequence = d.sequence;
            ++m_printed;
            any = true;
        }
        if (any) {
            std::cout.flush(); // a pipe reader sees each sample as it comes
            m_lastSampleAt = Clock::now();
        }
        return any;
    }

    CLPGDevice& m_device;
    MonitorOwner& m_owner;
    const unsigned m_count; // 0: until interrupted
    const bool m_reconnect;
    const bool m_timestamps; // a leading local ISO 8601 time column
    const bool m_json;       // JSON lines instead of CSV
    const std::string m_port;
    unsigned m_printed = 0;
    std::uint32_t m_lastSequence = 0;
    Clock::time_point m_lastSampleAt;
    bool m_announced = false;
};

int runMonitor(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Prints the unit's live readings as CSV (seq,rpm,input_v,pump_v,output_v,work_state),\n"
        "one line per new sample, until Ctrl+C or --count samples.\n"
        "A lost link ends it with status 1, unless --reconnect is given."));
    const DeviceOptions device = addDeviceOptions(parser);
    const QCommandLineOption count(QStringLiteral("count"),
                                   QStringLiteral("Stop after <n> samples."), QStringLiteral("n"));
    const QCommandLineOption reconnect(
        QStringLiteral("reconnect"),
        QStringLiteral("When the link is lost, retry the remembered port (after 1 s, then every "
                       "2 s) and go on."));
    const QCommandLineOption timestamps(
        QStringLiteral("timestamps"),
        QStringLiteral("Start each line with the local time it was printed, ISO 8601 with "
                       "milliseconds (column \"time\")."));
    parser.addOptions({count, reconnect, timestamps});
    if (const int status = parseCommandLine(parser, arguments); status >= 0) return status;
    if (!parser.positionalArguments().isEmpty())
        return usageError(QStringLiteral("monitor takes no arguments"));
    unsigned samples = 0;
    if (parser.isSet(count) &&
        (!parseNumber(parser.value(count), std::numeric_limits<unsigned>::max(), samples) ||
         samples == 0))
        return usageError(QStringLiteral("--count needs a positive number"));

    installInterruptHandlers();
    MonitorOwner owner;
    auto session = connectDevice(parser, device, &owner);
    CLPGDevice& dev = session->device;
    if (!dev.isConnected()) {
        std::cerr << "velmora-cli monitor: no unit answered" << std::endl;
        return kExitFailure;
    }
    if (!dev.offersReadings()) {
        std::cerr << "velmora-cli monitor: the unit offers no live readings" << std::endl;
        return kExitFailure;
    }
    return Monitor(dev, owner, samples, parser.isSet(reconnect), parser.isSet(timestamps),
                   parser.isSet(QStringLiteral("json"))).run();
}

const CommandRegistrar reg{{"monitor", "Print the unit's live readings as CSV", &runMonitor}};

} // namespace

} // namespace velmora::cli
