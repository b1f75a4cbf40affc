// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Draws a scrolling chart model into any paint device: background, dotted grid,
// series polylines and markers, value labels and the border; with axes shown also
// a volts scale on the left, a time scale under the plot and a legend above it.
//
// The plot (with the time scale under it) can be drawn a few columns at a time, so
// a widget may keep the picture, shift it as the view follows new data and draw
// only the columns that changed; paintScrollChart draws everything at once.

#include "ui/chart/model/scroll_chart_model.h"
#include "ui/chart/static_text_cache.h"

#include <QColor>
#include <QFont>
#include <QRect>
#include <QSize>
#include <QStaticText>
#include <QString>

#include <utility>
#include <vector>

class QImage;
class QPainter;

namespace velmora {

// Where the parts of the chart go in a client area of W x H.
struct CChartFrame {
    QRect plot;      // series and grid; the whole client area when the axes are hidden
    int timeScale = 0; // rows under the plot for the time scale, part of the plot picture
};

template <typename T>
CChartFrame chartFrame(const CScrollChartModel<T>& model, QSize client, const QFont& axisFont);

// The smaller, plain font of the scales and the legend.
QFont axisFontFor(const QFont& labelFont);

// Columns [from, to) of the plot and, with timeScale, of the time scale under it;
// origin at the plot's top-left.
template <typename T>
void paintPlotColumns(QPainter& painter, const CScrollChartModel<T>& model, const CChartFrame& frame,
                      const QFont& axisFont, int from, int to, bool timeScale = true);
// Columns [from, to) of the time scale alone, under the plot (origin at the plot's
// top-left); fill: clear them first.
template <typename T>
void paintTimeScaleColumns(QPainter& painter, const CScrollChartModel<T>& model, const CChartFrame& frame,
                           const QFont& axisFont, int from, int to, bool fill);
// The time label cut by the plot's left edge, which paintPlotColumns leaves out:
// its grid line's index and the columns [0, n) its text would reach; (-1, 0) when
// none is.
template <typename T>
std::pair<long long, int> cutTimeLabel(const CScrollChartModel<T>& model, const CChartFrame& frame,
                                       const QFont& axisFont);
// Everything outside the plot picture: the value scale, the legend, their background.
template <typename T>
void paintChartDecorations(QPainter& painter, const CScrollChartModel<T>& model, QSize client,
                           const CChartFrame& frame, const QFont& axisFont);
// A value label of the newest visible point of a series, or the length of a break
// in the readings, in client coordinates.
struct CChartLabel {
    QRect area; // the text's box, filled with the background before the text
    QString text;
    QColor colour;
    bool gap = false; // a break's length, in the plain axis font
};
// Breaks long enough to be shaded and labelled, in plot columns [from, to), whole
// view; with their length in shown units.
struct CChartBreak {
    int from = 0;
    int to = 0;
    double length = 0;
};
template <typename T>
std::vector<CChartBreak> chartBreaks(const CScrollChartModel<T>& model, const CChartFrame& frame);
template <typename T>
std::vector<CChartLabel> chartLabels(const CScrollChartModel<T>& model, const CChartFrame& frame,
                                     const QFont& labelFont, CStaticTextCache& texts);

// Over the plot: value labels of the newest visible points and the border. Returns
// the area the labels cover, in the painter's coordinates.
template <typename T>
QRect paintChartOverlay(QPainter& painter, const CScrollChartModel<T>& model, const CChartFrame& frame,
                       const QFont& labelFont, const QColor& border, CStaticTextCache& texts);

// client: W x H in pixels, drawn from (0, 0). border: the frame colour (the style's
// button shadow).
template <typename T>
void paintScrollChart(QPainter& painter, const CScrollChartModel<T>& model, QSize client,
                      const QFont& labelFont, const QColor& border);

extern template void paintScrollChart<float>(QPainter&, const CScrollChartModel<float>&, QSize, const QFont&,
                                             const QColor&);
extern template CChartFrame chartFrame<float>(const CScrollChartModel<float>&, QSize, const QFont&);
extern template void paintPlotColumns<float>(QPainter&, const CScrollChartModel<float>&, const CChartFrame&,
                                             const QFont&, int, int, bool);
extern template void paintChartDecorations<float>(QPainter&, const CScrollChartModel<float>&, QSize,
                                                  const CChartFrame&, const QFont&);
extern template std::vector<CChartLabel> chartLabels<float>(const CScrollChartModel<float>&,
                                                            const CChartFrame&, const QFont&, CStaticTextCache&);
extern template void paintTimeScaleColumns<float>(QPainter&, const CScrollChartModel<float>&, const CChartFrame&,
                                                  const QFont&, int, int, bool);
extern template std::pair<long long, int> cutTimeLabel<float>(const CScrollChartModel<float>&,
                                                              const CChartFrame&, const QFont&);
extern template std::vector<CChartBreak> chartBreaks<float>(const CScrollChartModel<float>&, const CChartFrame&);
extern template QRect paintChartOverlay<float>(QPainter&, const CScrollChartModel<float>&, const CChartFrame&,
                                              const QFont&, const QColor&, CStaticTextCache&);

// Fill and copy a few dozen rows at a time. The raster engine hands anything over
// about 96 rows to its thread pool and waits for it; for the narrow strips a chart
// tick draws, waking those threads costs more than the pixels.
void fillInBands(QPainter& painter, const QRect& area, const QColor& colour);
void drawImageInBands(QPainter& painter, QPoint to, const QImage& image, const QRect& from);

QColor toQColor(CRgb colour);
// Platform pen style (0 solid, 1 dash, 2 dot, 3 dash-dot, 4 dash-dot-dot, 5 none).
Qt::PenStyle toQtPenStyle(int platformStyle);

} // namespace velmora
