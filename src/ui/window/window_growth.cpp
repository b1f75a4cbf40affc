// SPDX-License-Identifier: GPL-3.0-or-later
// A window that grows: the designed layout is the smallest it gets; the room beyond
// it goes to the chart and the map (their cells and lines grow, fonts stay), and the
// controls right of and below them move along.

#include "velmora_dlg.h"

#include "window_layout.h"

#include "ui/chart/scroll_chart.h"
#include "ui/map/cell_array.h"

#include <QResizeEvent>

#include <algorithm>

namespace velmora {

void CVelmoraDlg::rememberLayout()
{
    m_designSize = size();
    m_designGeometry.clear();
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (!child->isWindow())
            m_designGeometry.insert(child, child->geometry());
    placeForSize(size());
}

QRect CVelmoraDlg::grownGeometry(const QRect& design, QSize extra) const
{
    // The chart takes two fifths of the extra height, the map the rest.
    const int chartExtra = extra.height() * 2 / 5;
    const QRect chart = m_chart ? m_designGeometry.value(m_chart) : QRect();
    const QRect map = m_mapGrid ? m_designGeometry.value(m_mapGrid) : QRect();
    if (chart.isValid() && design == chart)
        return design.adjusted(0, 0, extra.width(), chartExtra);
    if (map.isValid() && design == map)
        return design.translated(0, chartExtra).adjusted(0, 0, extra.width(), extra.height() - chartExtra);
    if (chart.isValid() && design.bottom() < chart.top() && design.left() >= chart.left())
        return design.translated(extra.width(), 0); // the top strip's buttons, right of the status
    if (map.isValid() && design.top() >= chart.bottom() && design.left() >= map.right())
        return design.translated(extra.width(), chartExtra); // the settings beside the map
    return design;
}

void CVelmoraDlg::placeForSize(QSize size)
{
    if (m_designGeometry.isEmpty())
        return;
    const QSize extra(std::max(0, size.width() - m_designSize.width()),
                      std::max(0, size.height() - m_designSize.height()));
    for (auto it = m_designGeometry.cbegin(); it != m_designGeometry.cend(); ++it) {
        const QRect target = grownGeometry(it.value(), extra);
        if (it.key()->geometry() != target)
            it.key()->setGeometry(target);
    }
}

void CVelmoraDlg::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    placeForSize(event->size());
}

} // namespace velmora
