// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The link's worker: lives on its own thread and owns the device (created there,
// in init) and, through it, the reading thread. Every call below runs on that
// thread, queued by CLinkController; results leave as signals, which the
// controller takes with Qt::QueuedConnection. Nothing here asks the user anything.

#include "link_health.h"
#include "link_types.h"

#include "device/lpg_device.h"

#include <QFileSystemWatcher>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace velmora {

class CLinkWorker : public QObject, public IDeviceOwner, public IMessageBox {
    Q_OBJECT
public:
    struct Setup {
        ISettingsStore* settings = nullptr; // the remembered port; may be null
        IPortLister* ports = nullptr;       // may be null
        Timeouts timeouts;                  // the port's read time-outs
        int portWatchMs = 250;              // how often the port list is looked at
        // ... while connected: only the chooser needs it then, and each look costs the
        // system a walk over every tty it has.
        int connectedPortWatchMs = 5000;
        int silenceLimitMs = 3000;          // no reading for this long: the link is lost
        // Folders where ports appear and vanish ("/dev"). While they are watched the
        // lister is asked again only after one changed; each look above is then a
        // stat of the unit's own port. Empty, or not watchable: every look lists.
        QStringList portFolders;
    };
    // A write: runs the commands on the device, true when the unit took them.
    using WriteOp = std::function<bool(CLPGDevice&)>;
    enum Reread : unsigned { ReadSettings = 1, ReadMap = 2, ReadAxes = 4, ReadAll = 7 };

    explicit CLinkWorker(Setup setup);
    ~CLinkWorker() override;

    // ---- worker thread only ----
    void init();
    // Stops everything, releases the device and hands this object back to `home`.
    void shutdown(QThread* home);
    void connectPort(const QString& port);
    // Remembered port first, then every listed port in ascending order, probed at once.
    void scan();
    void disconnectUnit();
    // Reads settings, map and axes again and reports them.
    void reread();
    void program(const QString& path, bool forced, bool allowOlder);
    void write(quint64 id, const std::wstring& failureText, unsigned reread, const WriteOp& op);

    // IDeviceOwner: called from the device on this thread, or from the reading thread.
    void setTimer(int id, int periodMs) override;
    void killTimer(int id) override;
    bool runFirmwareUpdate(bool forced) override;
    // IMessageBox: the device's own messages; kept and reported, never shown here.
    int show(const std::wstring& text, const std::wstring& caption, unsigned style) override;

    // Tests: the device the worker owns (null before init).
    CLPGDevice* device() const { return m_device.get(); }

signals:
    void statusChanged(velmora::LinkStatus status);
    void unitRead(velmora::DeviceState state);
    void samplesRead(QList<velmora::TimedDiag> samples);
    void healthMeasured(velmora::LinkHealthFigures figures);
    void portsListed(QList<velmora::PortEntry> ports);
    void programmingProgress(unsigned written, unsigned total);
    void programmingFinished(bool programmed);
    void messageRaised(velmora::LinkMessage message);
    void bootloaderFound(QString port);
    void downgradeAsked(QString path, bool forced);
    void writeFinished(quint64 id, velmora::WriteResult result);

private:
    class PortGate;
    class SettingsGate;
    void setStatus(const LinkStatus& status);
    void connected();
    void startReadingLink();
    void stopReadingLink();
    void linkLost();
    void pollSamples();
    void watchPorts();
    void flushMessages(const QString& detail = {});
    bool unitAnswering() const;
    bool ensurePortOpen(const std::string& port);
    void rereadParts(unsigned parts);

    Setup m_setup;
    std::unique_ptr<PortGate> m_portGate;
    std::unique_ptr<SettingsGate> m_settingsGate;
    std::unique_ptr<CLPGDevice> m_device;
    LinkStatus m_status;
    std::string m_port;
    QTimer* m_pollTimer = nullptr;
    QTimer* m_portTimer = nullptr;
    QTimer* m_healthTimer = nullptr;
    QFileSystemWatcher* m_folderWatch = nullptr;
    bool m_listStale = true; // the lister's answer may be out of date
    std::vector<std::string> m_listedNames;
    std::uint32_t m_lastSequence = 0;
    std::chrono::steady_clock::time_point m_lastSampleAt;
    QList<PortEntry> m_ports;
    bool m_bootloaderSeen = false;
    bool m_programming = false;
    bool m_answerYes = false;     // the answer the downgrade question gets
    bool m_questionAsked = false; // the firmware update asked it
    std::vector<LinkMessage> m_pending;
    std::mutex m_healthMutex; // the observer runs on the reading thread too
    CLinkHealth m_health;
    std::atomic<int> m_lastOutcome{static_cast<int>(ExchangeOutcome::Ok)};
    std::atomic<bool> m_lostQueued{false};
};

} // namespace velmora
