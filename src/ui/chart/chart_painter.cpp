#include "chart_painter.h"

#include <cmath>
#include <limits>

#include "ui/chart/model/chart_geometry.h"

#include <QPainter>
#include <QLine>
#include <QList>
#include <QPolygon>
#include <QString>

#include <vector>

namespace velmora {

QColor toQColor(CRgb colour)
{
    return QColor(colour.r, colour.g, colour.b);
}

Qt::PenStyle toQtPenStyle(int platformStyle)
{
    switch (platformStyle) {
    case 1: return Qt::DashLine;
    case 2: return Qt::DotLine;
    case 3: return Qt::DashDotLine;
    case 4: return Qt::DashDotDotLine;
    case 5: return Qt::NoPen;
    default: return Qt::SolidLine;
    }
}

namespace {

struct Label {
    CPixelPoint anchor;
    double value = 0;
    const ChartLabelFormatter* formatter = nullptr;
    QColor colour;
};

void paintGrid(QPainter& p, const CChartView& view, unsigned rows, unsigned columns)
{
    QPen pen(Qt::black, 1, Qt::DotLine);
    pen.setCosmetic(true);
    p.setPen(pen);
    for (int y : horizontalGridLines(view.height, rows))
        p.drawLine(0, y, view.width, y);
    for (int x : verticalGridLines(view, columns))
        p.drawLine(x, 0, x, view.height);
}

} // namespace

template <typename T>
void paintScrollChart(QPainter& p, const CScrollChartModel<T>& model, QSize client, const QFont& labelFont,
                      const QColor& border)
{
    const int w = client.width();
    const int h = client.height();
    if (w <= 0 || h <= 0)
        return;
    const QColor background = toQColor(model.background());
    p.fillRect(0, 0, w, h, background);

    const CChartView view{static_cast<double>(model.viewStart()), static_cast<double>(model.viewWidth()),
                          static_cast<double>(model.yTop()), w, h};
    if (model.gridShown())
        paintGrid(p, view, model.horizontalDivisions(), model.verticalDivisions());

    std::vector<Label> labels;
    QPolygon line;
    QList<QLine> segments;
    const T viewEnd = model.viewEnd();
    for (const auto& [id, series] : model.series()) {
        if (series.visible == 0 || series.empty())
            continue;
        const auto& points = series.points();
        const CVisibleStretch stretch = series.visibleStretch(model.viewStart(), viewEnd);

        // Points that land on the same pixel as their predecessor add nothing.
        line.clear();
        line.reserve(static_cast<int>(stretch.last - stretch.first + 1));
        // A NaN value marks a gap (no readings for a while): the line breaks there.
        const QPoint gap(std::numeric_limits<int>::min(), std::numeric_limits<int>::min());
        for (std::size_t i = stretch.first; i <= stretch.last; ++i) {
            if (std::isnan(static_cast<double>(points[i].y))) {
                if (!line.isEmpty() && line.constLast() != gap)
                    line.append(gap);
                continue;
            }
            const CPixelPoint px = valueToPoint(view, points[i].x, points[i].y);
            const QPoint pt(px.x, px.y);
            if (line.isEmpty() || line.constLast() != pt)
                line.append(pt);
        }
        const QColor colour = toQColor(series.colour);
        p.setPen(QPen(colour, series.penWidth, toQtPenStyle(series.penStyle)));
        // Separate segments rather than one polyline: the raster engine draws wide
        // lines directly but sends a wide polyline through its general stroker,
        // which costs half as much again.
        segments.clear();
        segments.reserve(line.size());
        for (qsizetype i = 1; i < line.size(); ++i)
            if (line[i - 1] != gap && line[i] != gap)
                segments.append(QLine(line[i - 1], line[i]));
        p.drawLines(segments);
        if (series.markers) {
            p.setBrush(colour);
            const int r = series.penWidth + 2;
            for (const QPoint& pt : line)
                if (pt != gap)
                    p.drawEllipse(QRect(pt.x() - r, pt.y() - r, 2 * r, 2 * r));
            p.setBrush(Qt::NoBrush);
        }
        if (stretch.label != CVisibleStretch::npos && !std::isnan(static_cast<double>(points[stretch.label].y))) {
            const auto& point = points[stretch.label];
            labels.push_back(Label{valueToPoint(view, point.x, point.y), static_cast<double>(point.y),
                                   &series.formatter, colour});
        }
    }

    if (!labels.empty()) {
        std::vector<CPixelPoint> anchors;
        anchors.reserve(labels.size());
        for (const Label& l : labels)
            anchors.push_back(l.anchor);
        const std::vector<CPixelRect> boxes = placeLabels(anchors);
        p.setFont(labelFont);
        p.setBackgroundMode(Qt::OpaqueMode);
        p.setBackground(background);
        for (std::size_t i = 0; i < labels.size(); ++i) {
            const CPixelRect& b = boxes[i];
            const ChartLabelFormatter& format = *labels[i].formatter;
            const QString text = format ? QString::fromStdWString(format(labels[i].value)) : QString();
            p.setPen(labels[i].colour);
            p.drawText(QRect(b.left, b.top, b.right - b.left, b.bottom - b.top),
                       Qt::AlignCenter | Qt::TextSingleLine | Qt::TextDontClip, text);
        }
        p.setBackgroundMode(Qt::TransparentMode);
    }

    p.setPen(QPen(border, 1));
    const QPoint frame[] = {{0, h - 1}, {w - 1, h - 1}, {w - 1, 0}, {0, 0}, {0, h - 1}};
    p.drawPolyline(frame, 5);
}

template void paintScrollChart<float>(QPainter&, const CScrollChartModel<float>&, QSize, const QFont&,
                                      const QColor&);

} // namespace velmora
