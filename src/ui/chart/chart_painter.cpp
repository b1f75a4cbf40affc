// SPDX-License-Identifier: GPL-3.0-or-later
#include "chart_painter.h"

#include "ui/chart/model/chart_geometry.h"

#include <QFontMetrics>
#include <QImage>
#include <QLine>
#include <QList>
#include <QPainter>
#include <QPainterPath>
#include <QPolygon>
#include <QString>
#include <QtMath>

#include <algorithm>
#include <cmath>
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

QFont axisFontFor(const QFont& labelFont)
{
    QFont font = labelFont;
    font.setBold(false);
    font.setPixelSize(11);
    return font;
}

namespace {

constexpr int kTick = 4;         // scale marks, px
constexpr int kLegendLine = 16;  // sample line in front of a legend name, px
const QColor kScaleText(60, 60, 60);

template <typename T>
CChartView plotView(const CScrollChartModel<T>& model, const CChartFrame& frame)
{
    return CChartView{static_cast<double>(model.viewStart()), static_cast<double>(model.viewWidth()),
                      static_cast<double>(model.yTop()), frame.plot.width(), frame.plot.height()};
}

// "12", "2.5": as few decimals as the step needs, always a '.'.
QString scaleText(double value, double step)
{
    int decimals = 0;
    while (decimals < 3 && std::abs(step * std::pow(10.0, decimals) - std::round(step * std::pow(10.0, decimals))) > 1e-6)
        ++decimals;
    return QString::number(value, 'f', decimals);
}

// Every k-th grid line carries a time label, k the same for every column so a plot
// drawn in pieces agrees with one drawn whole.
int timeLabelEvery(const CChartView& view, unsigned divisions, const QFontMetrics& fm, const QString& unit)
{
    const QString widest = QStringLiteral("8888") + unit;
    if (divisions == 0 || view.width <= 0)
        return 1;
    const double apart = static_cast<double>(view.width) / divisions;
    const int need = fm.horizontalAdvance(widest) + fm.horizontalAdvance(QStringLiteral("  "));
    return std::max(1, static_cast<int>(std::ceil(need / std::max(apart, 1.0))));
}

struct TimeLabel {
    long long index; // of its grid line, counted from x = 0
    int px;          // plot column of its mark
    QString text;
    int width;
};

// The time labels whose mark or text touches plot columns [from, to): right of
// their mark, on every k-th grid line.
template <typename T>
std::vector<TimeLabel> timeLabels(const CScrollChartModel<T>& model, const CChartView& view, const QFont& axisFont,
                                  int from, int to)
{
    std::vector<TimeLabel> out;
    const CChartAxes& axes = model.axes();
    const QFontMetrics fm(axisFont);
    const double step = static_cast<double>(model.viewWidth()) / model.verticalDivisions();
    const QString unit = axes.xUnit.empty() ? QString() : QStringLiteral(" ") + QString::fromStdWString(axes.xUnit);
    const int every = timeLabelEvery(view, model.verticalDivisions(), fm, unit);
    // Labels reach beyond their line, also from lines outside the view: take every
    // line whose label can touch these columns.
    const int reach = fm.horizontalAdvance(QStringLiteral("88888") + unit);
    const auto first = static_cast<long long>(std::floor(plotColumnValue(view, from - reach) / step));
    const auto last = static_cast<long long>(std::ceil(plotColumnValue(view, to + reach) / step));
    for (long long index = std::max(first, 0LL); index <= last; ++index) {
        if (index % every != 0)
            continue;
        const double x = static_cast<double>(index) * step;
        const int px = plotPoint(view, x, 0).x;
        const QString text = scaleText(x * axes.xFactor, step * axes.xFactor * every) + unit;
        const int width = fm.horizontalAdvance(text) + 1;
        if (px + 3 + width < from || px > to)
            continue;
        out.push_back(TimeLabel{index, px, text, width});
    }
    return out;
}

} // namespace

template <typename T>
CChartFrame chartFrame(const CScrollChartModel<T>& model, QSize client, const QFont& axisFont)
{
    CChartFrame frame;
    frame.plot = QRect(QPoint(0, 0), client);
    const CChartAxes& axes = model.axes();
    if (!axes.shown)
        return frame;
    const QFontMetrics fm(axisFont);
    const double top = static_cast<double>(model.yTop()) * axes.yFactor;
    const int left = fm.horizontalAdvance(scaleText(top, 0.5)) + kTick + 6;
    const int strip = fm.height() + 4;
    // Too small to share: the plot keeps the whole area.
    if (client.width() < 4 * left || client.height() < 5 * strip)
        return frame;
    frame.plot = QRect(left, strip, client.width() - left, client.height() - 2 * strip);
    frame.timeScale = strip;
    return frame;
}

template <typename T>
void paintPlotColumns(QPainter& p, const CScrollChartModel<T>& model, const CChartFrame& frame,
                      const QFont& axisFont, int from, int to, bool timeScale)
{
    const int w = frame.plot.width();
    const int h = frame.plot.height();
    from = std::max(from, 0);
    to = std::min(to, w);
    if (h <= 0 || from >= to)
        return;
    const QColor background = toQColor(model.background());
    p.save();
    const QRect columns(from, 0, to - from, h);
    fillInBands(p, QRect(from, 0, to - from, h + (timeScale ? frame.timeScale : 0)), background);
    p.setClipRect(columns);

    const CChartView view = plotView(model, frame);
    // Long breaks in the readings are shaded, so a silence reads as one at a glance.
    for (const CChartBreak& b : chartBreaks(model, frame))
        if (b.to > from && b.from < to)
            p.fillRect(QRect(b.from + 1, 0, b.to - b.from - 1, h), background.darker(106));
    const std::vector<double> gridValues = verticalGridValues(view, model.verticalDivisions());
    if (model.gridShown()) {
        QPen pen(Qt::black, 1, Qt::DotLine);
        pen.setCosmetic(true);
        p.setPen(pen);
        // The dots keep their place in the data's pixel count, not the plot's: a picture
        // shifted left and finished with a new strip must show the same dots as one
        // drawn whole. The dot pattern repeats every 3 pixels.
        constexpr long long kDotPeriod = 3;
        const long long phase = ((viewOriginPixel(view) + from) % kDotPeriod + kDotPeriod) % kDotPeriod;
        const int start = from - static_cast<int>(phase);
        for (int y : horizontalGridLines(h, model.horizontalDivisions()))
            p.drawLine(start, y, to, y);
        for (double x : gridValues) {
            const int px = plotPoint(view, x, 0).x;
            if (px >= from - 1 && px <= to)
                p.drawLine(px, 0, px, h);
        }
    }

    // Data x of the columns, one pen width to spare on each side.
    const int spare = 8;
    const T x0 = static_cast<T>(plotColumnValue(view, from - spare));
    const T x1 = static_cast<T>(plotColumnValue(view, to + spare));
    QPolygon line;
    for (const auto& [id, series] : model.series()) {
        if (series.visible == 0 || series.empty())
            continue;
        const auto& points = series.points();
        const CVisibleStretch stretch = series.visibleStretch(x0, x1);
        const QColor colour = toQColor(series.colour);
        p.setPen(QPen(colour, series.penWidth, toQtPenStyle(series.penStyle)));
        // One path per unbroken run. The raster engine's shortcut for wide separate
        // lines clips each line to the clip rectangle with rounding of its own, so a
        // strip drawn later would not meet the picture beside it to the pixel; a
        // stroked path is filled span by span and does. Points on the pixel of their
        // predecessor add nothing.
        QPainterPath path;
        line.clear();
        QPoint previous;
        T previousX{};
        bool have = false;
        for (std::size_t i = stretch.first; i <= stretch.last; ++i) {
            // A NaN value is a gap as well: no line across it.
            if (std::isnan(static_cast<double>(points[i].y))) {
                have = false;
                continue;
            }
            const CPixelPoint px = plotPoint(view, points[i].x, points[i].y);
            const QPoint pt(px.x, px.y);
            const bool broken = have && model.gapBetween(previousX, points[i].x);
            if (have && pt == previous && !broken)
                continue;
            if (have && !broken)
                path.lineTo(pt);
            else
                path.moveTo(pt);
            previous = pt;
            previousX = points[i].x;
            have = true;
            line.append(pt);
        }
        p.drawPath(path);
        if (series.markers && !line.isEmpty()) {
            // One circle drawn once and copied to every point: stroking each circle
            // anew cost ten times the copies. Without antialiasing the copy is the
            // circle drawn in place, pixel for pixel.
            const int r = series.penWidth + 2;
            const int pad = series.penWidth + 1;
            QImage marker(2 * (r + pad) + 1, 2 * (r + pad) + 1, QImage::Format_ARGB32_Premultiplied);
            marker.fill(Qt::transparent);
            {
                QPainter m(&marker);
                m.setPen(p.pen());
                m.setBrush(colour);
                m.drawEllipse(QRect(pad, pad, 2 * r, 2 * r));
            }
            const QPoint offset(r + pad, r + pad);
            for (const QPoint& pt : line)
                p.drawImage(pt - offset, marker);
        }
    }

    p.restore();
    if (timeScale)
        paintTimeScaleColumns(p, model, frame, axisFont, from, to, false);
}

template <typename T>
void paintTimeScaleColumns(QPainter& p, const CScrollChartModel<T>& model, const CChartFrame& frame,
                           const QFont& axisFont, int from, int to, bool fill)
{
    const int h = frame.plot.height();
    from = std::max(from, 0);
    to = std::min(to, frame.plot.width());
    if (frame.timeScale <= 0 || model.verticalDivisions() == 0 || h <= 0 || from >= to)
        return;
    p.save();
    const QRect strip(from, h, to - from, frame.timeScale);
    if (fill)
        p.fillRect(strip, toQColor(model.background()));
    p.setClipRect(strip);
    p.setFont(axisFont);
    p.setPen(kScaleText);
    for (const TimeLabel& label : timeLabels(model, plotView(model, frame), axisFont, from, to)) {
        if (label.px >= from - 1 && label.px <= to)
            p.drawLine(label.px, h, label.px, h + kTick);
        // Only whole at the left edge: a tail alone ("s") reads as nothing.
        if (label.px + 3 < 0)
            continue;
        p.drawText(QRect(label.px + 3, h + 1, label.width, frame.timeScale - 1),
                   Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, label.text);
    }
    p.restore();
}

template <typename T>
std::pair<long long, int> cutTimeLabel(const CScrollChartModel<T>& model, const CChartFrame& frame,
                                       const QFont& axisFont)
{
    if (frame.timeScale <= 0 || model.verticalDivisions() == 0 || frame.plot.width() <= 0)
        return {-1, 0};
    for (const TimeLabel& label : timeLabels(model, plotView(model, frame), axisFont, 0, 1))
        if (label.px + 3 < 0 && label.px + 3 + label.width > 0)
            return {label.index, label.px + 3 + label.width};
    return {-1, 0};
}

template <typename T>
void paintChartDecorations(QPainter& p, const CScrollChartModel<T>& model, QSize client,
                           const CChartFrame& frame, const QFont& axisFont)
{
    if (frame.plot.topLeft() == QPoint(0, 0))
        return;
    const CChartAxes& axes = model.axes();
    const QColor background = toQColor(model.background());
    const QRect plot = frame.plot;
    p.save();
    p.fillRect(QRect(0, 0, client.width(), plot.top()), background);
    p.fillRect(QRect(0, plot.top(), plot.left(), client.height() - plot.top()), background);
    p.fillRect(QRect(plot.left(), plot.bottom() + 1 + frame.timeScale, plot.width(),
                     client.height() - plot.bottom() - 1 - frame.timeScale),
               background);
    p.setFont(axisFont);
    const QFontMetrics fm(axisFont);

    // Value scale: marks at round values of the shown unit.
    p.setPen(kScaleText);
    const double span = static_cast<double>(model.yTop()) * axes.yFactor;
    const double step = niceScaleStep(span, plot.height(), 2 * fm.height());
    const CChartView view = plotView(model, frame);
    for (int k = 0; k * step <= span * (1 + 1e-9); ++k) {
        const double value = k * step;
        const int y = plot.top() + plotPoint(view, 0, value / axes.yFactor).y;
        p.drawLine(plot.left() - kTick, y, plot.left() - 1, y);
        p.drawText(QRect(0, y - fm.height() / 2, plot.left() - kTick - 2, fm.height()),
                   Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine, scaleText(value, step));
    }
    const int strip = plot.top();
    p.drawText(QRect(0, 0, plot.left() - kTick - 2, strip), Qt::AlignRight | Qt::AlignVCenter,
               QString::fromStdWString(axes.yUnit));

    // Legend: a short line in the series' colour, then its name.
    int x = plot.left() + 4;
    for (const auto& [id, series] : model.series()) {
        if (series.visible == 0 || series.name.empty())
            continue;
        const QString name = QString::fromStdWString(series.name);
        p.setPen(QPen(toQColor(series.colour), series.penWidth, toQtPenStyle(series.penStyle)));
        p.drawLine(x, strip / 2, x + kLegendLine, strip / 2);
        x += kLegendLine + 4;
        p.setPen(kScaleText);
        const int width = fm.horizontalAdvance(name);
        p.drawText(QRect(x, 0, width + 1, strip), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, name);
        x += width + 14;
    }
    p.restore();
}

template <typename T>
std::vector<CChartBreak> chartBreaks(const CScrollChartModel<T>& model, const CChartFrame& frame)
{
    std::vector<CChartBreak> out;
    const CChartAxes& axes = model.axes();
    if (axes.gapFormat.empty() || frame.plot.width() <= 0)
        return out;
    const CChartView view = plotView(model, frame);
    const double reach = static_cast<double>(model.viewWidth());
    for (const T gap : model.gaps()) {
        T end{};
        if (!model.gapEnd(gap, end))
            continue;
        const double length = (static_cast<double>(end) - static_cast<double>(gap)) * axes.xFactor;
        if (length < axes.gapLabelFrom)
            continue;
        // Far outside the view: nothing of it shows.
        if (static_cast<double>(end) < static_cast<double>(model.viewStart()) - reach ||
            static_cast<double>(gap) > static_cast<double>(model.viewEnd()) + reach)
            continue;
        out.push_back(CChartBreak{plotPoint(view, gap, 0).x, plotPoint(view, end, 0).x, length});
    }
    return out;
}

template <typename T>
std::vector<CChartLabel> chartLabels(const CScrollChartModel<T>& model, const CChartFrame& frame,
                                     const QFont& labelFont, CStaticTextCache& texts)
{
    std::vector<CChartLabel> out;
    if (frame.plot.width() <= 0 || frame.plot.height() <= 0)
        return out;
    const CChartView view = plotView(model, frame);
    std::vector<CPixelPoint> anchors;
    std::vector<int> widths;
    const T viewEnd = model.viewEnd();
    for (const auto& [id, series] : model.series()) {
        if (series.visible == 0 || series.empty())
            continue;
        const CVisibleStretch stretch = series.visibleStretch(model.viewStart(), viewEnd);
        if (stretch.label == CVisibleStretch::npos)
            continue;
        const auto& point = series.points()[stretch.label];
        if (std::isnan(static_cast<double>(point.y)))
            continue;
        CChartLabel label;
        const double value = static_cast<double>(point.y);
        label.text = series.formatter ? QString::fromStdWString(series.formatter(value)) : QString();
        label.colour = toQColor(series.colour);
        anchors.push_back(plotPoint(view, point.x, point.y));
        widths.push_back(qCeil(texts.width(label.text, labelFont)));
        out.push_back(std::move(label));
    }
    const QFontMetrics fm(labelFont);
    const std::vector<CPixelRect> boxes =
        stackLabels(anchors, widths, fm.height(), frame.plot.width(), frame.plot.height());
    for (std::size_t i = 0; i < out.size(); ++i) {
        const CPixelRect& b = boxes[i];
        out[i].area = QRect(b.left, b.top, b.right - b.left, b.bottom - b.top).translated(frame.plot.topLeft());
    }

    // The length of each long break, over its shading near the top of the plot.
    const CChartAxes& axes = model.axes();
    const std::vector<CChartBreak> breaks = chartBreaks(model, frame);
    if (!breaks.empty()) {
        const QFont axisFont = axisFontFor(labelFont);
        const QFontMetrics am(axisFont);
        for (const CChartBreak& b : breaks) {
            const QString number = QString::number(b.length, 'f', b.length < 10 ? 1 : 0);
            QString text = QString::fromStdWString(axes.gapFormat).arg(number);
            int width = am.horizontalAdvance(text) + 4;
            if (width > b.to - b.from && !axes.gapShortFormat.empty()) {
                text = QString::fromStdWString(axes.gapShortFormat).arg(number);
                width = am.horizontalAdvance(text) + 4;
            }
            const int left = (b.from + b.to) / 2 - width / 2;
            if (left + width < 0 || left > frame.plot.width())
                continue;
            CChartLabel label;
            label.text = text;
            label.colour = kScaleText;
            label.gap = true;
            label.area = QRect(left, 3, width, am.height()).translated(frame.plot.topLeft());
            out.push_back(std::move(label));
        }
    }
    return out;
}

template <typename T>
QRect paintChartOverlay(QPainter& p, const CScrollChartModel<T>& model, const CChartFrame& frame,
                        const QFont& labelFont, const QColor& border, CStaticTextCache& texts)
{
    const int w = frame.plot.width();
    const int h = frame.plot.height();
    QRect covered;
    if (w <= 0 || h <= 0)
        return covered;
    const std::vector<CChartLabel> labels = chartLabels(model, frame, labelFont, texts);
    if (!labels.empty()) {
        const QColor background = toQColor(model.background());
        const QFont axisFont = axisFontFor(labelFont);
        p.save();
        p.setClipRect(frame.plot);
        for (const CChartLabel& label : labels) {
            // On the background colour, so that lines under it do not cross the digits.
            p.fillRect(label.area, background);
            covered |= label.area & frame.plot;
            p.setPen(label.colour);
            // Static texts take the painter's font: it must be the one they were laid out in.
            p.setFont(label.gap ? axisFont : labelFont);
            if (label.gap)
                p.drawText(label.area, Qt::AlignCenter | Qt::TextSingleLine, label.text);
            else
                texts.draw(p, label.area.topLeft(), label.text, labelFont);
        }
        p.restore();
    }
    p.save();
    p.translate(frame.plot.topLeft());
    p.setPen(QPen(border, 1));
    const QPoint outline[] = {{0, h - 1}, {w - 1, h - 1}, {w - 1, 0}, {0, 0}, {0, h - 1}};
    p.drawPolyline(outline, 5);
    p.restore();
    return covered;
}

template <typename T>
void paintScrollChart(QPainter& p, const CScrollChartModel<T>& model, QSize client, const QFont& labelFont,
                      const QColor& border)
{
    if (client.width() <= 0 || client.height() <= 0)
        return;
    const QFont axisFont = axisFontFor(labelFont);
    const CChartFrame frame = chartFrame(model, client, axisFont);
    paintChartDecorations(p, model, client, frame, axisFont);
    p.save();
    p.translate(frame.plot.topLeft());
    paintPlotColumns(p, model, frame, axisFont, 0, frame.plot.width());
    p.restore();
    CStaticTextCache texts;
    paintChartOverlay(p, model, frame, labelFont, border, texts);
}

template void paintScrollChart<float>(QPainter&, const CScrollChartModel<float>&, QSize, const QFont&,
                                      const QColor&);
template CChartFrame chartFrame<float>(const CScrollChartModel<float>&, QSize, const QFont&);
template void paintPlotColumns<float>(QPainter&, const CScrollChartModel<float>&, const CChartFrame&,
                                      const QFont&, int, int, bool);
template void paintChartDecorations<float>(QPainter&, const CScrollChartModel<float>&, QSize,
                                           const CChartFrame&, const QFont&);
template void paintTimeScaleColumns<float>(QPainter&, const CScrollChartModel<float>&, const CChartFrame&,
                                           const QFont&, int, int, bool);
template std::pair<long long, int> cutTimeLabel<float>(const CScrollChartModel<float>&, const CChartFrame&,
                                                       const QFont&);
template std::vector<CChartBreak> chartBreaks<float>(const CScrollChartModel<float>&, const CChartFrame&);
template std::vector<CChartLabel> chartLabels<float>(const CScrollChartModel<float>&, const CChartFrame&,
                                                     const QFont&, CStaticTextCache&);
template QRect paintChartOverlay<float>(QPainter&, const CScrollChartModel<float>&, const CChartFrame&,
                                       const QFont&, const QColor&, CStaticTextCache&);

namespace {
constexpr int kRowsAtOnce = 64;
}

void fillInBands(QPainter& p, const QRect& area, const QColor& colour)
{
    for (int y = area.top(); y <= area.bottom(); y += kRowsAtOnce)
        p.fillRect(QRect(area.left(), y, area.width(), std::min(kRowsAtOnce, area.bottom() + 1 - y)), colour);
}

void drawImageInBands(QPainter& p, QPoint to, const QImage& image, const QRect& from)
{
    for (int y = 0; y < from.height(); y += kRowsAtOnce) {
        const int rows = std::min(kRowsAtOnce, from.height() - y);
        p.drawImage(to + QPoint(0, y), image, QRect(from.left(), from.top() + y, from.width(), rows));
    }
}

} // namespace velmora
