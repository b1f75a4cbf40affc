#pragma once
// The operator window. It is also the device: one object holds the window's
// controls and the unit's link, state and readings, and owns the device's timers.

#include "device/lpg_device.h"
#include "qt_firmware_ui.h"
#include "settings_step.h"

#include <QDialog>
#include <QFont>
#include <QHash>
#include <QIcon>
#include <QTimer>

#include <string>

class QLineEdit;
class QLabel;
class QToolButton;

namespace velmora {

template <typename T>
class CScrollChart;

class CVelmoraDlg : public QDialog, public CLPGDevice, public IDeviceOwner {
    Q_OBJECT
public:
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
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createControls();
    void createMapGrid();
    void connectHandlers();
    // Copies the text fields into the controls (false) or back (true).
    void updateData(bool fromControls);
    void setCaption(int id, const std::wstring& text);
    void setEditText(int id, const std::wstring& text);
    void showErrorBox(const wchar_t* context, const IError& error);
    // One spinner step on one setting, written to the unit when connected.
    template <class Field>
    void applySettingStep(Field& field, int step, SettingRange range, int editId,
                          const wchar_t* context);
    bool routeMapKey(QKeyEvent* key);
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
    QWidget* m_mapGrid = nullptr;
    QToolButton* m_aboutButton = nullptr;

    QTimer m_refreshTimer;
    QTimer m_reconnectTimer;
    CQtFirmwareUI m_firmwareUi;
    IFirmwareUI* m_firmwareUiOverride = nullptr;
    bool m_initialised = false;
    bool m_closing = false;
};

} // namespace velmora
