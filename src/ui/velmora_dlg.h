#pragma once
// The operator window. It is also the device: one object holds the window's
// controls and the unit's link, state and readings, and owns the device's timers.

#include "acquisition/reading_log.h"
#include "acquisition/sample_cursor.h"
#include "device/lpg_device.h"
#include "direct_unit_writer.h"
#include "qt_firmware_ui.h"
#include "settings_step.h"

#include "ui/map/map_commands.h"
#include "ui/map/model/map_document.h"
#include "ui/map/model/map_emu1.h"

#include <QDialog>
#include <QFont>
#include <QHash>
#include <QIcon>
#include <QTimer>

#include <string>

class QAction;
class QLineEdit;
class QLabel;
class QToolButton;

namespace velmora {

template <typename T>
class CScrollChart;
class CCellArray;
class CMapActions;
class CBackupKeeper;
class CRecordingControl;

class CVelmoraDlg : public QDialog, public CLPGDevice, public IDeviceOwner {
    Q_OBJECT
public:
    // Room a caption leaves for the frame of its button or group box, px.
    static constexpr int kButtonTextMargin = 8;
    static constexpr int kGroupTitleMargin = 24;

    explicit CVelmoraDlg(DeviceServices services, QWidget* parent = nullptr);
    ~CVelmoraDlg() override;

    // Fonts, grid, chart, connection, captions, reading. Shows message boxes of
    // its own while it looks for the unit.
    void OnInitDialog();
    // OnInitDialog, then the window until Zamknij (or the system) closes it.
    int DoModal();

    // IDeviceOwner; setTimer and killTimer may come from the reading thread.
    void setTimer(int id, int periodMs) override;
    void killTimer(int id) override;
    bool runFirmwareUpdate(bool forced) override;

    // Buttons.
    void OnBnClickedBtnStart();
    void OnBnClickedBtnStop();
    void OnBnClickedBtnOverwrite();
    void OnBnClickedBtnDefinition();
    void OnBnClickedBtnClose();
    void OnBnClickedBtnFirmware();
    void OnBnClickedBtnClrMapTime();
    bool OnClickedBtnDeviceUpdate(bool forced);

    // Settings spinners: step +1 (up) or -1 (down).
    void OnDeltaposSpinRpmDiv(int step);
    void OnDeltaposSpinNoiseDelta(int step);
    void OnDeltaposSpinNoisePeriod(int step);

    // Timers.
    void OnTimer(int id);
    void refreshReadings();
    void feedChart();
    void checkConnection();

    void translateCaptions();
    // Settings edits and map grid from the device state.
    void showDeviceData();
    void createChart();

    // The About box.
    void showAbout();

    // Puts another file chooser, wait cursor and progress display in place of the
    // window's own (tests); null restores them.
    void setFirmwareUI(IFirmwareUI* ui) { m_firmwareUiOverride = ui; }

    // Control by resource id (objectName is the id as text).
    QWidget* control(int id) const { return m_controls.value(id); }
    CScrollChart<float>* chart() const { return m_chart; }
    CRecordingControl* recording() const { return m_recording; }
    // The samples behind the chart's points, for "save chart data".
    const CReadingLog& chartLog() const { return m_chartLog; }
    CMapEmu1& map() { return m_map; }
    // What the unit holds as the window shows it, and the undoable edits of it.
    CMapDocument& document() { return m_document; }
    CUnitEdits& edits() { return m_edits; }
    CMapActions* mapActions() const { return m_actions; }
    CBackupKeeper* backups() const { return m_backups; }
    // Where edits are written; the window's own direct writer until another is given.
    void setUnitWriter(IUnitWriter* writer);
    CCellArray* mapGrid() const { return m_mapGrid; }
    bool chartStopped() const { return m_chartStopped != 0; }
    int chartSampleCounter() const { return m_chartSampleCounter; }
    bool isTimerActive(int id) const;
    int timerInterval(int id) const;
    const QFont& windowFont() const { return m_windowFont; }

protected:
    // Enter, Esc, Alt+F4 and the frame's close box leave the window open; only
    // Zamknij (or a close requested by the program itself) ends it.
    void accept() override {}
    void reject() override {}
    void closeEvent(QCloseEvent* event) override;
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
    void showErrorBox(const wchar_t* context, const IError& error);
    // A new value of one setting: an undoable write when connected, otherwise only
    // shown (the next write of any setting carries it).
    void changeSetting(SettingField field, std::uint32_t value);
    // One spinner (or wheel) step of one setting; nothing when it leaves the range.
    void stepSetting(SettingField field, int step);
    void showSettings();
    // After a failed write: what the unit holds now.
    void rereadUnit();
    void createMapEditing();
    void markCurrentCell(double rpm, double volts);
    // Stops the timers and the reading thread; the window's last act with the unit.
    void stopDevice();
    void finish();
    QTimer* timerFor(int id);
    const QTimer* timerFor(int id) const;

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
    // The grid shows the document; edits become undo steps written through m_writer.
    // All outlive the grid window.
    CMapDocument m_document;
    CDirectUnitWriter m_writer{*this};
    CUnitEdits m_edits{m_document, &m_writer, messageBox()};
    CMapEmu1 m_map{m_document};
    CMapActions* m_actions = nullptr;
    CBackupKeeper* m_backups = nullptr;
    CCellArray* m_mapGrid = nullptr;
    QToolButton* m_aboutButton = nullptr;
    CRecordingControl* m_recording = nullptr;
    QAction* m_saveChartAction = nullptr;
    CReadingLog m_chartLog;
    CSampleCursor m_recordCursor;

    QTimer m_refreshTimer;
    QTimer m_reconnectTimer;
    CQtFirmwareUI m_firmwareUi;
    IFirmwareUI* m_firmwareUiOverride = nullptr;
    bool m_initialised = false;
    bool m_closing = false;
};

} // namespace velmora
