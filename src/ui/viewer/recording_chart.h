// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The chart of a recording: input, output and pump volts in the live chart's colours
// on the left scale, RPM on the right, the work state as a band under the plot and
// breaks (link lost, silence over a second) as shaded bands with their length.
//
// Mouse: the wheel zooms about the pointer, a drag pans, Shift+drag or a right-button
// drag zooms to the band; the cursor follows the pointer and shows the time and the
// five readings there. Keys: Home the whole file, + and - zoom, arrows pan.
// Each pixel column is drawn from the recording's min/max summary, so a paint costs
// the same at any zoom.

#include "analysis/recording.h"

#include <QWidget>

#include <optional>

namespace velmora {

class CRecordingChart : public QWidget {
    Q_OBJECT
public:
    explicit CRecordingChart(QWidget* parent = nullptr);

    // recording must outlive the chart or be replaced first; null shows nothing.
    void setRecording(const analysis::CRecording* recording);
    const analysis::CRecording* recording() const { return m_recording; }

    // The visible time range, seconds since the start of the recording.
    double viewStart() const { return m_start; }
    double viewSpan() const { return m_span; }
    void setView(double start, double span);
    void showAll();
    void zoomAbout(double seconds, double factor);

    // The cursor at a time (as the pointer puts it); nullopt hides it.
    void setCursorTime(std::optional<double> seconds);
    // The reading under the cursor; none without a cursor or readings.
    std::optional<std::size_t> cursorRow() const;
    // "19:37:24.123", or "+12.345 s" for a file without a clock.
    QString clockText(double seconds) const;

    // The plot area in widget coordinates, and the pixel of a time.
    QRect plotRect() const;
    int xOf(double seconds) const;
    double secondsAt(int x) const;

signals:
    void viewChanged(double start, double span);
    void cursorMoved(std::optional<std::size_t> row);

protected:
    void paintEvent(QPaintEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void paintSeries(class QPainter& p, const QRect& plot, const std::vector<std::size_t>& columns, int series,
                     double low, double high, const QColor& colour) const;
    void paintBreaks(QPainter& p, const QRect& plot) const;
    void paintStateBand(QPainter& p, const QRect& band, const std::vector<std::size_t>& columns) const;
    void paintTimeScale(QPainter& p, const QRect& plot) const;
    void paintCursor(QPainter& p, const QRect& plot) const;
    double minimumSpan() const;

    const analysis::CRecording* m_recording = nullptr;
    double m_start = 0;
    double m_span = 1;
    std::optional<double> m_cursor;
    double m_rpmTop = 5000; // right scale: a round number above the highest RPM
    // Mouse drags: pan (left) or zoom band (Shift or right button).
    enum class Drag { None, Pan, Band } m_drag = Drag::None;
    QPoint m_pressAt;
    double m_pressStart = 0;
    int m_bandTo = 0;
};

} // namespace velmora
