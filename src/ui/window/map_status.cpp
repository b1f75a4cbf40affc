// SPDX-License-Identifier: GPL-3.0-or-later
#include "map_status.h"

#include "acquisition/local_time.h"
#include "lang/translate.h"
#include "ui/map/cell_array.h"
#include "ui/map/model/map_emu1.h"

namespace velmora {

CMapStatus::CMapStatus(CMapEmu1& map, CCellArray* grid, QWidget* parent)
    : QLabel(parent), m_map(map), m_grid(grid)
{
    setObjectName(QStringLiteral("mapCell"));
    setTextFormat(Qt::PlainText);
    // A crowded status bar cuts this line rather than laying it over its neighbours;
    // the tooltip keeps it whole.
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    if (m_grid)
        QObject::connect(m_grid, &CCellArray::focusCellChanged, this, &CMapStatus::refresh);
}

void CMapStatus::setLinkUp(bool up)
{
    m_linkUp = up;
    // Back in colour only after the re-read: the unit may have changed meanwhile.
    if (!up && !m_offline) {
        m_offline = true;
        refresh();
    }
}

void CMapStatus::unitRead()
{
    m_lastHeard = std::chrono::system_clock::now();
    if (m_linkUp) {
        m_offline = false;
        refresh();
    }
}

void CMapStatus::heard(std::chrono::system_clock::time_point at)
{
    m_lastHeard = at;
}

QString CMapStatus::lastReadText() const
{
    if (!m_offline || !m_lastHeard)
        return {};
    const CLocalTime t = localTime(*m_lastHeard);
    const QString time = QStringLiteral("%1:%2:%3")
                             .arg(t.hour, 2, 10, QLatin1Char('0'))
                             .arg(t.minute, 2, 10, QLatin1Char('0'))
                             .arg(t.second, 2, 10, QLatin1Char('0'));
    return QString::fromStdWString(translate(L"Mapa: ostatni odczyt %1")).arg(time);
}

void CMapStatus::refresh()
{
    // Before any unit answered there is nothing to grey: the cells are empty.
    const QString caption = lastReadText();
    if (m_grid)
        m_grid->setStale(m_offline && m_lastHeard.has_value(), caption);
    QString cell;
    if (m_grid && m_grid->grid() && m_grid->grid()->focusCell())
        cell = QString::fromStdWString(m_map.describeCell(*m_grid->grid()->focusCell()));
    const QString text = caption.isEmpty() ? cell : cell.isEmpty() ? caption : caption + QStringLiteral(" · ") + cell;
    setText(text);
    setToolTip(text);
}

} // namespace velmora
