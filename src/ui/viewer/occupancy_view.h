// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Engine time per map cell on the map's own grid: the map's axes as headers, each
// cell the seconds (or the percent of the whole) the engine spent there, coloured
// from white to blue by its share of the busiest cell. Read only.

#include "analysis/occupancy.h"
#include "ui/map/model/cell_grid.h"

#include <QWidget>

namespace velmora {

class CCellArray;

// Text and colour of one cell, shared by the grid beside a recording and the live
// overlay: empty for no time at all.
QString occupancyCellText(const analysis::OccupancyTable& table, analysis::EngineCell cell, bool percent);
// busiest: the largest cell of the table.
QColor occupancyColour(double seconds, double busiest);

class COccupancyView : public QWidget {
    Q_OBJECT
public:
    explicit COccupancyView(QWidget* parent = nullptr);
    ~COccupancyView() override;

    void setAxes(const analysis::MapAxes& axes);
    void setTable(const analysis::OccupancyTable& table);
    void setPercent(bool percent);
    bool percent() const { return m_percent; }

    const analysis::MapAxes& axes() const { return m_axes; }
    const analysis::OccupancyTable& table() const { return m_table; }
    // The text a body cell shows (tests).
    std::wstring cellText(int column, int row) const { return m_grid.cell(column, row).getTxt(); }
    CCellArray* gridWindow() const { return m_window; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void show();

    CCellGrid m_grid;
    CCellArray* m_window = nullptr;
    analysis::MapAxes m_axes;
    analysis::OccupancyTable m_table;
    bool m_percent = false;
};

} // namespace velmora
