// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A timer that notes how long the UI thread went without handling events: the
// longest gap between its ticks beyond the period. For benchmarks and soak runs:
// `velmora` starts one when VELMORA_STALL_PROBE names a file, and writes
// "window_max_stall_ms <n>" and "window_first_paint_ms <n>" there at exit.

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

namespace velmora {

class CStallProbe : public QObject {
public:
    static constexpr int kPeriodMs = 5;

    explicit CStallProbe(QObject* parent = nullptr);
    // Longest stall so far, ms; reset() starts a new measurement.
    qint64 maxStallMs() const { return m_max; }
    void reset() { m_max = 0; m_last.restart(); }

private:
    void tick();

    QTimer m_timer;
    QElapsedTimer m_last;
    qint64 m_max = 0;
};

} // namespace velmora
