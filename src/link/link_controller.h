// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The window's only door to the unit. Lives on the UI thread; a CLinkWorker on
// its own thread owns the device and does every exchange. Requests go in as
// queued calls, results come back as the signals below. It also owns the one
// reconnection policy of the program:
//  - at start-up the remembered port is tried first, then every port (scan all),
//    or only the port the user named (--port);
//  - once a unit answered, a lost link is retried on that same port only;
//  - with no unit it keeps watching: it tries again every 2 s and at once when a
//    port appears; Disconnect stops that until Connect.
// Questions to the user are never asked here: bootloaderFound and
// downgradeQuestion say a question is due; the window asks and calls back.

#include "link_types.h"

#include "device/serialport.h"
#include "mapfile/unit_writer.h"

#include <QHash>
#include <QObject>
#include <QThread>
#include <QTimer>

namespace velmora {

class CLinkWorker;
class ISettingsStore;
class IPortLister;

class CLinkController : public QObject, public IUnitWriter {
    Q_OBJECT
public:
    struct Setup {
        ISettingsStore* settings = nullptr; // the remembered port
        IPortLister* ports = nullptr;
        Timeouts timeouts;     // the unit's defaults; tests shorten them
        int retryMs = 2000;    // between attempts while no unit answers
        int lostRetryMs = 1000; // first attempt after a link loss
        int portWatchMs = 250;
        QStringList portFolders; // see CLinkWorker::Setup
    };
    explicit CLinkController(Setup setup, QObject* parent = nullptr);
    // Stops the worker and waits for it (at most the exchange under way).
    ~CLinkController() override;

    // port: the one port to use (--port), or empty for the remembered port and then
    // every port. Starts watching.
    void start(const QString& port = {});
    // The port chooser: a port, or empty for "scan all". Applies to the next attempt.
    void setTarget(const QString& port);
    QString target() const { return m_target; }
    void connectUnit();    // Connect: watch again and try now
    void disconnectUnit(); // Disconnect: let go of the port and stop watching
    // Reads settings, map and axes again; unitDataChanged follows.
    void reread();
    // file: chosen by the window. forced: the unit waits in its bootloader.
    // allowOlder: the user already agreed to a file older than the unit's firmware.
    void programFirmware(const QString& file, bool forced, bool allowOlder = false);
    // The user does not want the unit found in its bootloader updated now: no
    // question about that port until it is plugged in again or Connect is pressed.
    void declineBootloader(const QString& port);

    const LinkStatus& status() const { return m_status; }
    bool isConnected() const { return m_status.state == LinkState::Connected; }
    const QList<PortEntry>& ports() const { return m_ports; }
    const LinkHealthFigures& health() const { return m_health; }
    IUnitWriter& unitWriter() { return *this; }
    // Tests: the worker object (lives on the link thread).
    CLinkWorker* worker() const { return m_worker; }

    // IUnitWriter: each request queued to the worker in order; done runs on this thread.
    bool canWrite() const override;
    void writeMap(const MapValues& map, WriteDone done) override;
    void correctArea(const std::array<std::uint8_t, 6>& record, WriteDone done) override;
    void writeAxes(const VoltAxis& volts, const RpmAxis& rpm, WriteDone done) override;
    void clearMap(WriteDone done) override;
    void writeSettings(const UnitSettings& settings, WriteDone done) override;

signals:
    // Every change of state; the three below follow it for the transitions they name.
    void statusChanged(const velmora::LinkStatus& status);
    void connected(const QString& port, quint16 version, quint8 deviceType);
    void lost(const QString& port);
    void disconnected();
    // What the unit holds, read from it (after connecting, after writes, on reread).
    void unitDataChanged(const velmora::DeviceState& state);
    // New reading samples, oldest first, each once and with the time it arrived from
    // the unit; handed over about every 100 ms while connected.
    void readingsArrived(const QList<velmora::TimedDiag>& samples);
    void healthChanged(const velmora::LinkHealthFigures& figures);
    void portsChanged(const QList<velmora::PortEntry>& ports);
    void programmingProgress(unsigned written, unsigned total);
    void programmingStarted(const QString& file);
    void programmingFinished(bool programmed);
    void message(const velmora::LinkMessage& message);
    void bootloaderFound(const QString& port);
    void downgradeQuestion(const QString& file, bool forced);

private:
    void attempt();
    void armRetry(int ms);
    void onStatus(const LinkStatus& status);
    void onPorts(const QList<PortEntry>& ports);
    void onBootloader(const QString& port);
    void onWriteFinished(quint64 id, const WriteResult& result);
    void queueWrite(const std::wstring& failureText, unsigned reread,
                    std::function<bool(CLPGDevice&)> op, WriteDone done);
    bool portPresent(const QString& port) const;

    Setup m_setup;
    QThread m_thread;
    CLinkWorker* m_worker = nullptr;
    QTimer m_retry;
    LinkStatus m_status;
    LinkHealthFigures m_health;
    QList<PortEntry> m_ports;
    QString m_target;   // chosen port, empty = scan all
    QString m_sticky;   // the port of the unit we talked to; a loss retries only it
    QString m_declined; // bootloader offer declined on this port
    bool m_portOnly = false;
    bool m_watching = false;
    bool m_busy = false;        // an attempt or programming runs on the worker
    bool m_programming = false;
    bool m_attemptAgain = false; // Connect pressed while an attempt ran
    quint64 m_nextWrite = 0;
    QHash<quint64, WriteDone> m_writes;
};

} // namespace velmora
