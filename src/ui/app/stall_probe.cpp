// SPDX-License-Identifier: GPL-3.0-or-later
#include "stall_probe.h"

namespace velmora {

CStallProbe::CStallProbe(QObject* parent) : QObject(parent)
{
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setInterval(kPeriodMs);
    QObject::connect(&m_timer, &QTimer::timeout, this, &CStallProbe::tick);
    m_last.start();
    m_timer.start();
}

void CStallProbe::tick()
{
    const qint64 gap = m_last.restart() - kPeriodMs;
    if (gap > m_max)
        m_max = gap;
}

} // namespace velmora
