// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The operator window's controls. It shows what the link controller reports and
// sends the operator's changes through it; it never talks to the unit itself.

#include "acquisition/reading_log.h"
#include "qt_firmware_ui.h"
#include "settings_step.h"

#include "acquisition/diag.h"
#include "link/link_types.h"
#include "ui/map/map_commands.h"
#include "ui/map/model/map_document.h"
#include "ui/map/model/map_emu1.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QFont>
#include <QHash>
#include <QIcon>
#include <QTimer>

#include <chrono>
#include <deque>
#include <filesystem>
#include <optional>
#include <string>

class QAction;
class QLineEdit;
class QLabel;
class QToolButton;

namespace velmora {

template <typename T>
class CScrollChart;
class CCellArray;
class CLinkController;
class CMapActions;
class CBackupKeeper;
class CRecordingControl;

class CVelmoraDlg : public QDialog {
    Q_OBJECT
public:
    // Room a caption leaves for the frame of its button or group box, px.
    static constexpr int kButtonTextMargin = 8;
    static constexpr int kGroupTitleMargin = 24;

    // Readings older than this are shown as stale.
    static constexpr std::chrono::milliseconds kStaleAfter{1000};
    // Shown in a reading field that has no current value.
    static constexpr const char* kNoValue = "\u2014";

    // link: the window's only door to the unit; messages: where boxes go (may be null).
    CVelmoraDlg(CLinkController& link, IMessageBox* messages, QWidget* parent = nullptr);
    ~CVelmoraDlg() override;

    // Fonts, grid, chart, captions, refresh timer. Does not wait for the unit: the
    // link reports it when it answers.
    void OnInitDialog();

    // Buttons.
    void OnBnClickedBtnStart();
    void OnBnClickedBtnStop();
    void OnBnClickedBtnOverwrite();
    void OnBnClickedBtnDefinition();
    void OnBnClickedBtnClose();
    void OnBnClickedBtnFirmware();
    void OnBnClickedBtnClrMapTime();
    // Chooses the file and hands the programming to the link (forced: the unit waits
    // in its bootloader on port).
    void OnClickedBtnDeviceUpdate(bool forced, const QString& port = {});

    // Asks the one question about path (unless ask is false: the operator already
    // chose to finish a cut update with it) and hands the programming to the link.
    void startFirmwareUpdate(const std::filesystem::path& path, bool forced, const QString& port, bool ask);
    // A close asked for while the unit is programmed: true when it has to wait, with
    // the reason shown; the window then closes when the unit is programmed.
    bool holdCloseWhileProgramming();
    // What the window says while a close waits; empty otherwise.
    QString closeNotice() const { return m_closeNotice; }

    // Settings spinners: step +1 (up) or -1 (down).
    void OnDeltaposSpinRpmDiv(int step);
    void OnDeltaposSpinNoiseDelta(int step);
    void OnDeltaposSpinNoisePeriod(int step);

    // The refresh tick (100 ms): readings, marker, chart, staleness.
    void refreshReadings();
    void feedChart();

    void translateCaptions();
    // Settings edits and map grid from the device state.
    void showDeviceData();
    void createChart();

    // What the link reports.
    void onLinkStatus(const LinkStatus& status);
    void onUnitData(const DeviceState& state);
    void onReadings(const QList<CDiag>& samples);
    void onLinkMessage(const LinkMessage& message);
    void onBootloaderFound(const QString& port);
    void onDowngradeQuestion(const QString& file, bool forced);
    void onProgrammingProgress(unsigned written, unsigned total);
    void onProgrammingFinished(bool programmed);

    // The About box.
    void showAbout();

    // Puts another file chooser, wait cursor and progress display in place of the
    // window's own (tests); null restores them.
    void setFirmwareUI(IFirmwareUI* ui) { m_firmwareUiOverride = ui; }

    // Control by resource id (objectName is the id as text).
    QWidget* control(int id) const { return m_controls.value(id); }
    CScrollChart<float>* chart() const { return m_chart; }
    CRecordingControl* recording() const { return m_recording; }
    // File > Save chart data.
    QAction* saveChartAction() const { return m_saveChartAction; }
    // The samples behind the chart's points, for "save chart data".
    const CReadingLog& chartLog() const { return m_chartLog; }
    CMapEmu1& map() { return m_map; }
    // What the unit holds as the window shows it, and the undoable edits of it.
    CMapDocument& document() { return m_document; }
    CUnitEdits& edits() { return m_edits; }
    CMapActions* mapActions() const { return m_actions; }
    CBackupKeeper* backups() const { return m_backups; }
    CCellArray* mapGrid() const { return m_mapGrid; }
    bool chartStopped() const { return m_chartStopped != 0; }
    int chartSampleCounter() const { return m_chartSampleCounter; }
    bool isRefreshing() const { return m_refreshTimer.isActive(); }
    const QFont& windowFont() const { return m_windowFont; }
    // The unit's values as last read from it (the defaults before any connection).
    const DeviceState& state() const { return m_state; }
    CLinkController& link() { return m_link; }
    // Readings shown are older than kStaleAfter, or there are none.
    bool readingsStale() const { return m_readingsStale; }
    // The newest reading the link delivered; none before the first.
    std::optional<CDiag> newestReading() const
    {
        return m_recent.empty() ? std::nullopt : std::optional<CDiag>(m_recent.back());
    }
    // The controls Tab visits, in order.
    QList<QWidget*> tabOrder() const;
    QToolButton* aboutButton() const { return m_aboutButton; }
    // Controls that write to the unit (spinners, settings fields, Kasuj, firmware, map grid).
    QList<QWidget*> writeControls() const;

signals:
    // A line for the status bar (and the messages list).
    void statusMessage(const QString& text);

protected:
    // Enter, Esc, Alt+F4 and the frame's close box leave the window open; only
    // Zamknij (or a close requested by the program itself) ends it.
    void accept() override {}
    void reject() override {}
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void createControls();
    void createMapGrid();
    void connectHandlers();
    // Copies the text fields into the controls (false) or back (true).
    void updateData(bool fromControls);
    void setCaption(int id, const std::wstring& text);
    static void fitCaptionFont(QWidget* widget, const QString& text, int room);
    void setEditText(int id, const std::wstring& text);
    // A new value of one setting: an undoable write; nothing while the unit cannot
    // take writes.
    void changeSetting(SettingField field, std::uint32_t value);
    // One spinner (or wheel) step of one setting; nothing when it leaves the range.
    void stepSetting(SettingField field, int step);
    void showSettings();
    void createMapEditing();
    void markCurrentCell(double rpm, double volts);
    void showStale(bool stale);
    void updateWriteControls();
    void stopDevice();
    void finish();
    void connectLink();
    // Ctrl+Up/Down change the unit's map: not while it cannot be written.
    void installWriteGuard();
    int flashSecondsLeft() const;
    void setUpKeyboard();
    // The designed geometry of every control; the window never gets smaller.
    void rememberLayout();
    QRect grownGeometry(const QRect& design, QSize extra) const;
    void placeForSize(QSize size);
    void nameControls();
    void showCloseWait();

    // Text fields bound to the readings controls.
    std::wstring m_statusText;
    std::wstring m_inputVoltsText;
    std::wstring m_outputVoltsText;
    std::wstring m_rpmText;
    std::wstring m_pumpText;
    std::wstring m_workStateText;

    int m_chartStopped = 1;
    int m_chartSampleCounter = 0;
    QIcon m_icon;
    QFont m_windowFont;

    QHash<int, QWidget*> m_controls;
    CScrollChart<float>* m_chart = nullptr;
    CLinkController& m_link;
    IMessageBox* m_messages = nullptr;
    DeviceState m_state;
    // The grid shows the document; edits become undo steps written through the
    // link's writer. All outlive the grid window.
    CMapDocument m_document;
    CUnitEdits m_edits;
    CMapEmu1 m_map{m_document};
    CMapActions* m_actions = nullptr;
    CBackupKeeper* m_backups = nullptr;
    // The first unit data after each connection is backed up.
    bool m_backupDue = false;
    CCellArray* m_mapGrid = nullptr;
    QToolButton* m_aboutButton = nullptr;
    CRecordingControl* m_recording = nullptr;
    QAction* m_saveChartAction = nullptr;
    CReadingLog m_chartLog;

    QTimer m_refreshTimer;
    CQtFirmwareUI m_firmwareUi;
    IFirmwareUI* m_firmwareUiOverride = nullptr;
    // The newest samples, oldest first, and when the newest arrived.
    std::deque<CDiag> m_recent;
    std::chrono::steady_clock::time_point m_lastSampleAt;
    bool m_readingsStale = true;
    bool m_chartGapMarked = true; // a gap point already ends the chart's last line
    bool m_everConnected = false;
    bool m_afterProgramming = false; // the last programming did not end connected
    bool m_asking = false;            // a question about the unit is open
    // The firmware update the window started, until the link says how it ended.
    struct FlashRun {
        bool running = false;
        std::filesystem::path file;
        std::optional<std::uint16_t> version;
        QElapsedTimer started;
        unsigned written = 0;
        unsigned total = 0;
        int messages = 0;        // link messages during it (they explain a failure)
        bool closeAsked = false; // close when it is done
    };
    FlashRun m_flash;
    QSize m_designSize;
    QHash<QWidget*, QRect> m_designGeometry;
    QString m_closeNotice;
    LinkStatus m_linkStatus;
    bool m_initialised = false;
    bool m_closing = false;
};

} // namespace velmora
