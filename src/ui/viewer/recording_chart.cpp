// SPDX-License-Identifier: GPL-3.0-or-later
#include "recording_chart.h"

#include "lang/translate.h"

#include <QDateTime>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTimeZone>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace velmora {

using namespace analysis;

namespace {

QString qt(const std::wstring& text)
{
    return QString::fromStdWString(text);
}

// The live chart's colours; RPM, which it does not draw, in a quiet grey.
const QColor kInputColour(250, 0, 0);
const QColor kOutputColour(0, 0, 200);
const QColor kPumpColour(0, 200, 0);
const QColor kRpmColour(110, 110, 110);
const QColor kScaleText(60, 60, 60);
const QColor kGridColour(215, 215, 215);
const QColor kBreakColour(228, 228, 228);
const QColor kLostColour(244, 214, 214);
const QColor kStateOn(90, 170, 90);
const QColor kStateMixed(180, 215, 180);
const QColor kStateOff(215, 215, 215);

constexpr int kLegend = 20;     // strip above the plot
constexpr int kLeftScale = 44;  // volts
constexpr int kRightScale = 52; // RPM
constexpr int kTimeScale = 18;
constexpr int kStateBand = 10;
constexpr double kVoltsTop = 15.0; // the live chart's full scale

double niceStep(double span, double count)
{
    const double raw = span / std::max(count, 1.0);
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0, 10.0})
        if (m * power >= raw)
            return m * power;
    return 10 * power;
}

// Steps a clock reads well at: parts of a second, then 1, 2, 5, 10, 15, 30 s, minutes, hours.
double timeStep(double span, double count)
{
    const double raw = span / std::max(count, 1.0);
    if (raw < 1)
        return niceStep(span, count);
    for (double s : {1.0, 2.0, 5.0, 10.0, 15.0, 30.0, 60.0, 120.0, 300.0, 600.0, 900.0, 1800.0, 3600.0, 7200.0,
                     10800.0, 21600.0, 43200.0, 86400.0})
        if (s >= raw)
            return s;
    return std::ceil(raw / 86400.0) * 86400.0;
}

QString durationText(double seconds)
{
    if (seconds < 60)
        return QStringLiteral("%1 s").arg(seconds, 0, 'f', seconds < 10 ? 1 : 0);
    const auto total = static_cast<long long>(std::llround(seconds));
    if (total < 3600)
        return QStringLiteral("%1:%2 min").arg(total / 60).arg(total % 60, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1:%2 h").arg(total / 3600).arg(total / 60 % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

CRecordingChart::CRecordingChart(QWidget* parent)
    : QWidget(parent)
{
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(320, 200);
}

void CRecordingChart::setRecording(const CRecording* recording)
{
    m_recording = recording;
    m_cursor.reset();
    m_rpmTop = 5000;
    if (m_recording && !m_recording->empty()) {
        const MinMax rpm = m_recording->summary(kRpm).range(0, m_recording->size());
        if (rpm.any && rpm.max > 0)
            m_rpmTop = std::max(1000.0, std::ceil(rpm.max / 1000.0) * 1000.0);
    }
    showAll();
}

double CRecordingChart::minimumSpan() const
{
    return 0.2; // four readings
}

void CRecordingChart::setView(double start, double span)
{
    const double whole = m_recording && !m_recording->empty() ? std::max(m_recording->duration(), minimumSpan()) : 1.0;
    span = std::clamp(span, minimumSpan(), whole);
    start = std::clamp(start, 0.0, whole - span);
    if (start == m_start && span == m_span)
        return;
    m_start = start;
    m_span = span;
    update();
    emit viewChanged(m_start, m_span);
}

void CRecordingChart::showAll()
{
    m_start = -1; // always tell the listeners
    setView(0, m_recording ? std::max(m_recording->duration(), minimumSpan()) : 1.0);
}

void CRecordingChart::zoomAbout(double seconds, double factor)
{
    const double span = m_span * factor;
    const double share = m_span > 0 ? (seconds - m_start) / m_span : 0.5;
    setView(seconds - share * std::clamp(span, minimumSpan(), std::max(m_recording ? m_recording->duration() : 1.0, minimumSpan())), span);
}

QRect CRecordingChart::plotRect() const
{
    return QRect(kLeftScale, kLegend, std::max(10, width() - kLeftScale - kRightScale),
                 std::max(10, height() - kLegend - kTimeScale - kStateBand - 4));
}

int CRecordingChart::xOf(double seconds) const
{
    const QRect plot = plotRect();
    return plot.left() + static_cast<int>(std::floor((seconds - m_start) / m_span * plot.width()));
}

double CRecordingChart::secondsAt(int x) const
{
    const QRect plot = plotRect();
    return m_start + static_cast<double>(x - plot.left()) * m_span / plot.width();
}

void CRecordingChart::setCursorTime(std::optional<double> seconds)
{
    const auto before = cursorRow();
    m_cursor = seconds;
    update();
    const auto after = cursorRow();
    if (before != after)
        emit cursorMoved(after);
}

std::optional<std::size_t> CRecordingChart::cursorRow() const
{
    if (!m_cursor || !m_recording)
        return std::nullopt;
    const std::size_t row = m_recording->nearestReading(*m_cursor);
    if (row >= m_recording->size())
        return std::nullopt;
    return row;
}

QString CRecordingChart::clockText(double seconds) const
{
    if (!m_recording || !m_recording->info.hasClock)
        return QStringLiteral("+%1 s").arg(seconds, 0, 'f', 3);
    const qint64 ms = m_recording->info.startEpochMs + static_cast<qint64>(std::llround(seconds * 1000.0));
    // As the file says it: the recording machine's local time, whatever ours is.
    const QDateTime at = QDateTime::fromMSecsSinceEpoch(ms, QTimeZone(m_recording->info.utcOffsetMinutes * 60));
    return at.toString(QStringLiteral("HH:mm:ss.zzz"));
}

void CRecordingChart::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    const QRect plot = plotRect();
    QFont small = font();
    small.setPixelSize(11);
    p.setFont(small);

    // Legend.
    {
        int x = plot.left() + 4;
        const struct { QColor colour; QString name; } legend[] = {
            {kInputColour, qt(translate(L"Wejście")) + QStringLiteral(" [V]")},
            {kOutputColour, qt(translate(L"Wyjście")) + QStringLiteral(" [V]")},
            {kPumpColour, qt(translate(L"PWM pompy")) + QStringLiteral(" [V]")},
            {kRpmColour, qt(translate(L"RPM")) + QStringLiteral(" [1/min]")},
        };
        const QFontMetrics fm(small);
        for (const auto& l : legend) {
            p.setPen(QPen(l.colour, 2));
            p.drawLine(x, kLegend / 2, x + 16, kLegend / 2);
            x += 20;
            p.setPen(kScaleText);
            p.drawText(QRect(x, 0, fm.horizontalAdvance(l.name) + 1, kLegend), Qt::AlignVCenter, l.name);
            x += fm.horizontalAdvance(l.name) + 14;
        }
    }

    // Scales and grid: volts on the left, RPM on the right.
    {
        const QFontMetrics fm(small);
        const double step = niceStep(kVoltsTop, plot.height() / (2.5 * fm.height()));
        for (double v = 0; v <= kVoltsTop + 1e-9; v += step) {
            const int y = plot.bottom() - static_cast<int>(std::lround(v / kVoltsTop * (plot.height() - 1)));
            p.setPen(QPen(kGridColour, 1, Qt::DotLine));
            p.drawLine(plot.left(), y, plot.right(), y);
            p.setPen(kScaleText);
            p.drawText(QRect(0, y - fm.height() / 2, kLeftScale - 4, fm.height()), Qt::AlignRight | Qt::AlignVCenter,
                       QString::number(v, 'f', step < 1 ? 1 : 0));
        }
        // RPM at its own round steps, marked on the right edge only.
        const double rpmStep = niceStep(m_rpmTop, plot.height() / (2.5 * fm.height()));
        p.setPen(kRpmColour);
        for (double rpm = 0; rpm <= m_rpmTop + 1e-9; rpm += rpmStep) {
            const int y = plot.bottom() - static_cast<int>(std::lround(rpm / m_rpmTop * (plot.height() - 1)));
            p.drawLine(plot.right() + 1, y, plot.right() + 3, y);
            p.drawText(QRect(plot.right() + 6, y - fm.height() / 2, kRightScale - 6, fm.height()),
                       Qt::AlignLeft | Qt::AlignVCenter, QString::number(rpm, 'f', 0));
        }
        p.setPen(kScaleText);
        p.drawText(QRect(0, 0, kLeftScale - 4, kLegend), Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("V"));
        p.drawText(QRect(plot.right() + 4, 0, kRightScale - 4, kLegend), Qt::AlignLeft | Qt::AlignVCenter,
                   QStringLiteral("1/min"));
    }

    if (m_recording && !m_recording->empty()) {
        // Row at the left edge of each pixel column, and one past the last.
        std::vector<std::size_t> columns(static_cast<std::size_t>(plot.width()) + 1);
        for (int x = 0; x <= plot.width(); ++x)
            columns[static_cast<std::size_t>(x)] = m_recording->lowerBound(m_start + x * m_span / plot.width());
        p.save();
        p.setClipRect(plot);
        paintBreaks(p, plot);
        paintSeries(p, plot, columns, kRpm, 0, m_rpmTop, kRpmColour);
        paintSeries(p, plot, columns, kInputV, 0, kVoltsTop, kInputColour);
        paintSeries(p, plot, columns, kOutputV, 0, kVoltsTop, kOutputColour);
        paintSeries(p, plot, columns, kPumpV, 0, kVoltsTop, kPumpColour);
        p.restore();
        paintStateBand(p, QRect(plot.left(), plot.bottom() + 3, plot.width(), kStateBand - 2), columns);
        paintTimeScale(p, plot);
    }
    p.setPen(kScaleText);
    p.drawRect(plot.adjusted(0, 0, -1, -1));

    if (m_drag == Drag::Band) {
        const int a = std::min(m_pressAt.x(), m_bandTo), b = std::max(m_pressAt.x(), m_bandTo);
        p.fillRect(QRect(a, plot.top(), b - a, plot.height()), QColor(60, 120, 220, 50));
    }
    paintCursor(p, plot);
}

void CRecordingChart::paintSeries(QPainter& p, const QRect& plot, const std::vector<std::size_t>& columns, int series,
                                  double low, double high, const QColor& colour) const
{
    const auto& values = m_recording->values(series);
    const auto& seconds = m_recording->seconds();
    const auto& states = m_recording->states();
    const double scale = (plot.height() - 1) / (high - low);
    const auto yOf = [&](double v) {
        return plot.bottom() - static_cast<int>(std::lround((std::clamp(v, low - 1, high + 1) - low) * scale));
    };
    const std::size_t first = columns.front(), last = columns.back();
    // The volts are drawn two pixels thick, as in the live chart, by a thin line twice
    // a pixel apart: the painter's thin lines are many times faster than its wide ones.
    p.setPen(QPen(colour, 0));
    const bool thick = series != kRpm;

    if (last - first <= static_cast<std::size_t>(plot.width()) * 2) {
        // Few rows: a line through each reading, from the one before the view to the
        // one after it, broken where the link was. Not antialiased, like the live
        // chart: smoothing a thick noisy line costs more than a frame.
        const std::size_t from = first > 0 ? first - 1 : 0;
        const std::size_t to = std::min(last + 1, values.size());
        QPolygonF line;
        const auto flush = [&] {
            if (line.size() > 1)
            {
                p.drawPolyline(line);
                if (thick)
                    p.drawPolyline(line.translated(0, 1));
            }
            else if (line.size() == 1)
                p.drawPoint(line.front());
            line.clear();
        };
        for (std::size_t i = from; i < to; ++i) {
            if (states[i] == RowState::LinkLost) {
                flush();
                continue;
            }
            if (!line.isEmpty() && seconds[i] - seconds[i - 1] > kBreakAfterSeconds)
                flush();
            const double x = plot.left() + (seconds[i] - m_start) / m_span * plot.width();
            line.append(QPointF(x, yOf(values[i])));
        }
        flush();
        return;
    }

    // Many rows: each pixel column from the lowest to the highest value in it, joined
    // to the column before unless a break lies between them.
    const CSeriesSummary& summary = m_recording->summary(series);
    QVector<QLine> lines;
    lines.reserve(plot.width() * 2);
    std::size_t previousEnd = 0;
    int previousX = -1;
    for (int x = 0; x < plot.width(); ++x) {
        const std::size_t a = columns[static_cast<std::size_t>(x)], b = columns[static_cast<std::size_t>(x) + 1];
        if (a >= b)
            continue;
        const MinMax mm = summary.range(a, b);
        if (!mm.any)
            continue;
        const int px = plot.left() + x;
        lines.append(QLine(px, yOf(mm.max), px, yOf(mm.min)));
        if (previousX >= 0) {
            const std::size_t before = previousEnd - 1;
            if (states[before] != RowState::LinkLost && states[a] != RowState::LinkLost &&
                seconds[a] - seconds[before] <= kBreakAfterSeconds)
                lines.append(QLine(previousX, yOf(values[before]), px, yOf(values[a])));
        }
        previousEnd = b;
        previousX = px;
    }
    p.drawLines(lines);
    if (thick) {
        p.translate(0, 1);
        p.drawLines(lines);
        p.translate(0, -1);
    }
}

void CRecordingChart::paintBreaks(QPainter& p, const QRect& plot) const
{
    const QFontMetrics fm(p.font());
    const auto& breaks = m_recording->breaks();
    // Breaks are in time order: start at the first that ends inside the view.
    auto it = std::lower_bound(breaks.begin(), breaks.end(), m_start,
                               [](const Break& b, double t) { return b.to < t; });
    int lastLabelEnd = -1;
    for (; it != breaks.end() && it->from <= m_start + m_span; ++it) {
        const int a = std::max(plot.left(), xOf(it->from));
        const int b = std::min(plot.right(), std::max(xOf(it->to), a + 1));
        const QRect band(a, plot.top(), b - a + 1, plot.height());
        p.fillRect(band, it->linkLost ? kLostColour : kBreakColour);
        // Its length, and why when there is room: the reason above the length.
        const QString length = durationText(it->to - it->from);
        const QString reason = it->linkLost ? qt(translate(L"Utracono połączenie")) : QString();
        if (band.width() > fm.horizontalAdvance(length) + 6 && band.left() > lastLabelEnd) {
            p.setPen(kScaleText);
            const bool both = !reason.isEmpty() && band.width() > fm.horizontalAdvance(reason) + 6;
            p.drawText(band.adjusted(0, 4, 0, 0), Qt::AlignHCenter | Qt::AlignTop,
                       both ? reason + QLatin1Char('\n') + length : length);
            lastLabelEnd = band.right();
        }
    }
}

void CRecordingChart::paintStateBand(QPainter& p, const QRect& band, const std::vector<std::size_t>& columns) const
{
    const CSeriesSummary& state = m_recording->stateSummary();
    QColor current;
    int runFrom = 0;
    const auto flush = [&](int to) {
        if (current.isValid() && to > runFrom)
            p.fillRect(QRect(band.left() + runFrom, band.top(), to - runFrom, band.height()), current);
    };
    for (int x = 0; x < band.width(); ++x) {
        const MinMax mm = state.range(columns[static_cast<std::size_t>(x)], columns[static_cast<std::size_t>(x) + 1]);
        const QColor c = !mm.any ? QColor() : mm.min > 0.5f ? kStateOn : mm.max < 0.5f ? kStateOff : kStateMixed;
        if (c != current) {
            flush(x);
            current = c;
            runFrom = x;
        }
    }
    flush(band.width());
}

void CRecordingChart::paintTimeScale(QPainter& p, const QRect& plot) const
{
    const QFontMetrics fm(p.font());
    const int labelWidth = fm.horizontalAdvance(QStringLiteral("00:00:00.000")) + 16;
    const double step = timeStep(m_span, plot.width() / double(labelWidth));
    const int top = plot.bottom() + kStateBand + 2;
    const bool clock = m_recording->info.hasClock;
    // With a clock, marks fall on round times of day.
    const double offset = clock ? std::fmod(static_cast<double>(m_recording->info.startEpochMs) / 1000.0 +
                                                m_recording->info.utcOffsetMinutes * 60.0,
                                            step)
                                : 0.0;
    p.setPen(kScaleText);
    for (double t = std::ceil((m_start + offset) / step) * step - offset; t <= m_start + m_span; t += step) {
        const int x = xOf(t);
        p.drawLine(x, plot.bottom() + 1, x, plot.bottom() + 3);
        QString text;
        if (clock) {
            text = clockText(t);
            if (step >= 1)
                text.chop(4); // no milliseconds on whole seconds
        } else {
            text = durationText(t);
        }
        p.drawText(QRect(x - labelWidth / 2, top, labelWidth, kTimeScale), Qt::AlignHCenter | Qt::AlignVCenter, text);
    }
}

void CRecordingChart::paintCursor(QPainter& p, const QRect& plot) const
{
    const auto row = cursorRow();
    if (!m_cursor || !row)
        return;
    const double t = m_recording->seconds()[*row];
    const int x = xOf(t);
    if (x < plot.left() || x > plot.right())
        return;
    p.setPen(QPen(QColor(40, 40, 40), 1, Qt::DashLine));
    p.drawLine(x, plot.top(), x, plot.bottom());

    const std::size_t i = *row;
    const bool on = m_recording->states()[i] == RowState::On;
    const QStringList lines = {
        clockText(t),
        QStringLiteral("%1 s").arg(t, 0, 'f', 3),
        qt(translate(L"RPM")) + QStringLiteral(": %1").arg(m_recording->values(kRpm)[i], 0, 'f', 0),
        qt(translate(L"Wejście")) + QStringLiteral(": %1 V").arg(m_recording->values(kInputV)[i], 0, 'f', 2),
        qt(translate(L"PWM pompy")) + QStringLiteral(": %1 V").arg(m_recording->values(kPumpV)[i], 0, 'f', 2),
        qt(translate(L"Wyjście")) + QStringLiteral(": %1 V").arg(m_recording->values(kOutputV)[i], 0, 'f', 2),
        qt(translate(L"Stan pracy")) + QStringLiteral(": ") + qt(translate(on ? L"Włączony" : L"Wyłączony")),
    };
    const QColor colours[] = {kScaleText, kScaleText, kRpmColour, kInputColour, kPumpColour.darker(130), kOutputColour,
                              kScaleText};
    const QFontMetrics fm(p.font());
    int w = 0;
    for (const QString& l : lines)
        w = std::max(w, fm.horizontalAdvance(l));
    const QRect box(x + 8 + w + 12 > plot.right() ? x - 8 - w - 12 : x + 8, plot.top() + 6, w + 12,
                    static_cast<int>(lines.size()) * fm.height() + 8);
    p.fillRect(box, QColor(255, 255, 255, 230));
    p.setPen(kScaleText);
    p.drawRect(box.adjusted(0, 0, -1, -1));
    for (int k = 0; k < lines.size(); ++k) {
        p.setPen(colours[k]);
        p.drawText(QRect(box.left() + 6, box.top() + 4 + k * fm.height(), w + 2, fm.height()), Qt::AlignVCenter,
                   lines[k]);
    }
}

void CRecordingChart::wheelEvent(QWheelEvent* event)
{
    const int delta = event->angleDelta().y();
    if (delta == 0 || !m_recording)
        return;
    // One notch: a fifth nearer or further, about the time under the pointer.
    zoomAbout(secondsAt(static_cast<int>(event->position().x())), std::pow(0.8, delta / 120.0));
    event->accept();
}

void CRecordingChart::mousePressEvent(QMouseEvent* event)
{
    setFocus();
    m_pressAt = event->position().toPoint();
    m_bandTo = m_pressAt.x();
    m_pressStart = m_start;
    if (event->button() == Qt::RightButton ||
        (event->button() == Qt::LeftButton && (event->modifiers() & Qt::ShiftModifier)))
        m_drag = Drag::Band;
    else if (event->button() == Qt::LeftButton)
        m_drag = Drag::Pan;
}

void CRecordingChart::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    if (m_drag == Drag::Pan) {
        setView(m_pressStart - (at.x() - m_pressAt.x()) * m_span / plotRect().width(), m_span);
    } else if (m_drag == Drag::Band) {
        m_bandTo = std::clamp(at.x(), plotRect().left(), plotRect().right());
        update();
    }
    if (plotRect().contains(at) || m_drag != Drag::None)
        setCursorTime(secondsAt(at.x()));
    else
        setCursorTime(std::nullopt);
}

void CRecordingChart::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_drag == Drag::Band) {
        const int a = std::min(m_pressAt.x(), m_bandTo), b = std::max(m_pressAt.x(), m_bandTo);
        m_drag = Drag::None;
        if (b - a >= 4)
            setView(secondsAt(a), secondsAt(b) - secondsAt(a));
        update();
    }
    m_drag = Drag::None;
    QWidget::mouseReleaseEvent(event);
}

void CRecordingChart::leaveEvent(QEvent*)
{
    if (m_drag == Drag::None)
        setCursorTime(std::nullopt);
}

void CRecordingChart::keyPressEvent(QKeyEvent* event)
{
    const double middle = m_start + m_span / 2;
    switch (event->key()) {
    case Qt::Key_Home: showAll(); break;
    case Qt::Key_Plus:
    case Qt::Key_Equal: zoomAbout(middle, 0.5); break;
    case Qt::Key_Minus: zoomAbout(middle, 2.0); break;
    case Qt::Key_Left: setView(m_start - m_span / 10, m_span); break;
    case Qt::Key_Right: setView(m_start + m_span / 10, m_span); break;
    default: QWidget::keyPressEvent(event); return;
    }
    event->accept();
}

} // namespace velmora
