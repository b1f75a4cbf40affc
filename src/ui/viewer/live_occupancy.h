// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// View > Engine time per cell on the live map: the time the engine has spent in each
// cell since the unit connected, drawn over the map as a blue tint and a small
// figure in the cell's corner. The map's values stay readable and editable under it:
// the overlay takes no mouse input and steps aside while a cell is being edited.
//
// Readings arrive in batches; each batch's readings are spread evenly over the time
// since the batch before, as the unit took them.

#include "analysis/occupancy.h"
#include "recording_open.h"

#include "acquisition/diag.h"

#include <QList>
#include <QWidget>

#include <chrono>

class QMainWindow;
class QMenu;

namespace velmora {

class CCellArray;
class CLinkController;
class CMapDocument;

class CLiveOccupancy : public QWidget {
    Q_OBJECT
public:
    using Clock = std::chrono::steady_clock;

    // Lies over grid; counts what link reads with document's axes (cleared when the
    // axes change). document must outlive the overlay.
    CLiveOccupancy(CCellArray& grid, CLinkController& link, CMapDocument& document);
    ~CLiveOccupancy() override;

    void setShown(bool shown);
    void setPercent(bool percent);
    void clear();
    const analysis::OccupancyTable& table() const { return m_counter.table(); }

    // What the link delivers, with the time it arrived (tests pass their own).
    void addReadings(const QList<CDiag>& samples, Clock::time_point arrived);
    void linkLost();

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    CCellArray& m_grid;
    CMapDocument& m_document;
    int m_listener = 0;
    analysis::COccupancyCounter m_counter;
    bool m_have = false;
    Clock::time_point m_start;
    Clock::time_point m_last;
    bool m_percent = false;
    bool m_dirty = false;
};

// The context the recording windows of this program share.
ViewerContext viewerContext(CLinkController& link, const CMapDocument& document, IMessageBox* messages);

// File > Open recording… (before the menu's last separator), drops of .csv files on
// window, and View > Engine time per cell with its percent switch and reset.
void installRecordingViewer(QMainWindow* window, QMenu* fileMenu, QMenu* viewMenu, CCellArray& grid,
                            CLinkController& link, CMapDocument& document, IMessageBox* messages);

} // namespace velmora
