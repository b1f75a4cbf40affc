// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One recording in a window of its own: the chart with its scroll bar on the left,
// the engine time per map cell of the time in view on the right, so zooming to the
// moment of a fault shows where on the map the engine was then.
//
// Axes: those remembered for this file, else the connected unit's, else the unit's
// defaults until the user picks a map file or backup ("Axes from…").

#include "recording_open.h"

#include <QMainWindow>

#include <memory>

class QLabel;
class QScrollBar;
class QTimer;

namespace velmora {

class CRecordingChart;
class COccupancyView;

class CRecordingWindow : public QMainWindow {
    Q_OBJECT
public:
    CRecordingWindow(const QString& path, std::unique_ptr<analysis::CRecording> recording,
                     const ViewerContext& context, QWidget* parent = nullptr);
    ~CRecordingWindow() override;

    const QString& path() const { return m_path; }
    const analysis::CRecording& recording() const { return *m_recording; }
    CRecordingChart* chart() const { return m_chart; }
    COccupancyView* occupancy() const { return m_occupancy; }
    QScrollBar* scrollBar() const { return m_scroll; }
    // What the cursor points at, as the line under the chart says it.
    QString readoutText() const;

    // Reads the file again (a recording still running has grown), keeping the view.
    void reload();
    // Axes for the engine time; from says where they came from. The user's choice is
    // remembered for this file; the connected unit's, taken on opening, is not.
    void setAxes(const analysis::MapAxes& axes, const QString& from, bool remember = true);
    // Asks for a map file or backup and takes its axes.
    void chooseAxesFile();
    // The engine time of the time in view, now rather than after the pause that
    // gathers quick zooms into one count.
    void updateOccupancyNow();

private:
    void takeRecording(std::unique_ptr<analysis::CRecording> recording);
    void onView(double start, double span);
    void onCursor(std::optional<std::size_t> row);
    void showFileInfo();
    void chooseInitialAxes();

    QString m_path;
    ViewerContext m_context;
    std::unique_ptr<analysis::CRecording> m_recording;
    analysis::MapAxes m_axes;
    CRecordingChart* m_chart = nullptr;
    QScrollBar* m_scroll = nullptr;
    QLabel* m_readout = nullptr;
    COccupancyView* m_occupancy = nullptr;
    QLabel* m_occupancyCaption = nullptr;
    QLabel* m_axesLabel = nullptr;
    QLabel* m_fileInfo = nullptr;
    QTimer* m_occupancyDue = nullptr;
    QAction* m_unitAxes = nullptr;
};

} // namespace velmora
