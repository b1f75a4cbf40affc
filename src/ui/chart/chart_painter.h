#pragma once
// Draws a scrolling chart model into any paint device: background, dotted grid,
// series polylines and markers, value labels and the border.

#include "ui/chart/model/scroll_chart_model.h"

#include <QColor>
#include <QFont>
#include <QSize>

class QPainter;

namespace velmora {

// client: W x H in pixels, drawn from (0, 0). border: the frame colour (the style's
// button shadow).
template <typename T>
void paintScrollChart(QPainter& painter, const CScrollChartModel<T>& model, QSize client,
                      const QFont& labelFont, const QColor& border);

extern template void paintScrollChart<float>(QPainter&, const CScrollChartModel<float>&, QSize, const QFont&,
                                             const QColor&);

QColor toQColor(CRgb colour);
// Platform pen style (0 solid, 1 dash, 2 dot, 3 dash-dot, 4 dash-dot-dot, 5 none).
Qt::PenStyle toQtPenStyle(int platformStyle);

} // namespace velmora
