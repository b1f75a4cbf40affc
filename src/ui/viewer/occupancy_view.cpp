// SPDX-License-Identifier: GPL-3.0-or-later
#include "occupancy_view.h"

#include "ui/map/cell_array.h"
#include "ui/map/model/map_emu1.h"
#include "ui/widgets/ui_font.h"

#include <QResizeEvent>
#include <QVBoxLayout>

#include <algorithm>

namespace velmora {

using namespace analysis;

QString occupancyCellText(const OccupancyTable& table, EngineCell cell, bool percent)
{
    const double seconds = table.at(cell);
    if (seconds <= 0)
        return {};
    if (percent) {
        const double share = 100.0 * table.share(cell);
        return QString::number(share, 'f', share < 10 ? 1 : 0);
    }
    // The cells are narrow: a few characters whatever the length of the drive.
    if (seconds < 100)
        return QString::number(seconds, 'f', 1);
    if (seconds < 10000)
        return QString::number(seconds, 'f', 0);
    return QString::number(seconds / 3600.0, 'f', 1) + QLatin1Char('h');
}

QColor occupancyColour(double seconds, double busiest)
{
    if (seconds <= 0 || busiest <= 0)
        return Qt::white;
    // Even a short stay must show; the busiest cell is a deep blue.
    const double k = 0.12 + 0.88 * std::clamp(seconds / busiest, 0.0, 1.0);
    const auto mix = [k](int to) { return static_cast<int>(255 + (to - 255) * k); };
    return QColor(mix(25), mix(80), mix(190));
}

COccupancyView::COccupancyView(QWidget* parent)
    : QWidget(parent)
{
    const DeviceState defaults;
    m_axes = {defaults.rpmAxis, defaults.voltAxis};
    m_window = new CCellArray(m_grid, this);
    m_window->setObjectName(QStringLiteral("occupancyGrid"));
    m_window->init(nullptr, L"s", 22, 43, CMapEmu1::rpmHeaderTexts(m_axes.rpm), 22, 43,
                   CMapEmu1::voltHeaderTexts(m_axes.volts), 0x000000, 0xC8C8C8, 0x000000, 0xFFFFFF, 0xA0FFA0,
                   0xD2D2D2, font(), 4);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_window);
    show();
}

COccupancyView::~COccupancyView() = default;

void COccupancyView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // Sixteen columns must still show a whole breakpoint and a cell's figure.
    const int room = event->size().width() / (CCellGrid::kColumns + 1) - 2 * 4;
    m_window->setFont(fitFont(font(), room, {QStringLiteral("8000"), QStringLiteral("15.36"), QStringLiteral("9999")}));
}

void COccupancyView::setAxes(const MapAxes& axes)
{
    m_axes = axes;
    const auto rpm = CMapEmu1::rpmHeaderTexts(axes.rpm);
    const auto volts = CMapEmu1::voltHeaderTexts(axes.volts);
    for (int c = 0; c < CCellGrid::kColumns; ++c)
        m_grid.columnHeader(c).setTxt(rpm[static_cast<std::size_t>(c)]);
    for (int r = 0; r < CCellGrid::kRows; ++r)
        m_grid.rowHeader(r).setTxt(volts[static_cast<std::size_t>(r)]);
}

void COccupancyView::setTable(const OccupancyTable& table)
{
    m_table = table;
    show();
}

void COccupancyView::setPercent(bool percent)
{
    m_percent = percent;
    show();
}

void COccupancyView::show()
{
    double busiest = 0;
    for (const auto& row : m_table.seconds)
        for (double s : row)
            busiest = std::max(busiest, s);
    m_grid.corner().setTxt(m_percent ? L"%" : L"s");
    for (int c = 0; c < CCellGrid::kColumns; ++c)
        for (int r = 0; r < CCellGrid::kRows; ++r) {
            const EngineCell cell{c, r};
            CCell& target = m_grid.cell(c, r);
            target.setTxt(occupancyCellText(m_table, cell, m_percent).toStdWString());
            const QColor colour = occupancyColour(m_table.at(cell), busiest);
            target.setBkColor(rgb(colour.red(), colour.green(), colour.blue()));
        }
}

} // namespace velmora
