// SPDX-License-Identifier: GPL-3.0-or-later
// The window without a mouse: a Tab order that follows the screen and the names
// screen readers say for each control.

#include "velmora_dlg.h"

#include "about_dlg.h"
#include "window_layout.h"

#include "lang/translate.h"
#include "ui/chart/scroll_chart.h"
#include "ui/map/cell_array.h"
#include "ui/recording/recording_control.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>

namespace velmora {

namespace {
QString qs(const std::wstring& text) { return QString::fromStdWString(text).remove(QLatin1Char('&')); }
} // namespace

QList<QWidget*> CVelmoraDlg::tabOrder() const
{
    // Top strip left to right, the readings' one field, the chart's buttons under
    // them, the map, then the settings right of the map, top to bottom.
    QList<QWidget*> order;
    const auto add = [&order](QWidget* w) {
        if (w && w->focusPolicy() != Qt::NoFocus && !w->isHidden())
            order << w;
    };
    add(control(ctl::Firmware));
    add(m_aboutButton);
    add(control(ctl::Close));
    add(control(ctl::RpmDivider));
    add(control(ctl::Start));
    add(control(ctl::Stop));
    add(findChild<QPushButton*>(QStringLiteral("recordButton")));
    add(m_mapGrid);
    add(control(ctl::ClearMap));
    add(control(ctl::NoiseDelta));
    add(control(ctl::NoisePeriod));
    return order;
}

void CVelmoraDlg::setUpKeyboard()
{
    m_aboutButton->setFocusPolicy(Qt::TabFocus);
    if (m_mapGrid)
        m_mapGrid->setFocusPolicy(Qt::StrongFocus);
    const QList<QWidget*> order = tabOrder();
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

void CVelmoraDlg::nameControls()
{
    const auto name = [this](int id, const std::wstring& text) {
        if (QWidget* w = control(id))
            w->setAccessibleName(qs(text));
    };
    // The fields are named after the labels beside them.
    name(ctl::Status, translate(L"Stan połączenia"));
    name(ctl::WorkState, translate(L"Stan pracy"));
    name(ctl::Rpm, translate(L"RPM"));
    name(ctl::InputVolts, translate(L"Wejście"));
    name(ctl::PumpVolts, translate(L"PWM pompy"));
    name(ctl::OutputVolts, translate(L"Wyjście"));
    name(ctl::RpmDivider, translate(L"Dzielnik RPM"));
    name(ctl::NoiseDelta, translate(L"Delta"));
    name(ctl::NoisePeriod, translate(L"Częstotliwość"));
    name(ctl::SpinRpmDivider, translate(L"Dzielnik RPM"));
    name(ctl::SpinNoiseDelta, translate(L"Delta"));
    name(ctl::SpinNoisePeriod, translate(L"Częstotliwość"));
    name(ctl::Map, translate(L"Mapa korekcji"));
    name(ctl::Chart, translate(L"Wykres odczytów"));
    for (int id : {ctl::Close, ctl::Start, ctl::Stop, ctl::Firmware, ctl::ClearMap})
        if (auto* button = qobject_cast<QPushButton*>(control(id)))
            button->setAccessibleName(button->text().remove(QLatin1Char('&')));
    if (auto* record = findChild<QPushButton*>(QStringLiteral("recordButton")); record && m_recording)
        record->setAccessibleName(m_recording->toggleAction()->text().remove(QLatin1Char('&')));
    m_aboutButton->setAccessibleName(qs(kAboutEntry).remove(QStringLiteral("...")));
    if (m_mapGrid)
        m_mapGrid->setAccessibleDescription(
            qs(translate(L"Strzałki wybierają komórki, Shift rozszerza wybór, F2 lub Enter wpisuje wartość, Ctrl+strzałka w górę/w dół zmienia o 0,1.")));
    // Labels lead to their fields for the screen reader and for Alt shortcuts.
    const std::pair<int, int> buddies[] = {{ctl::RpmDividerLabel, ctl::RpmDivider},
                                           {ctl::NoiseDeltaLabel, ctl::NoiseDelta},
                                           {ctl::NoisePeriodLabel, ctl::NoisePeriod}};
    for (const auto& [label, field] : buddies)
        if (auto* l = qobject_cast<QLabel*>(control(label)))
            l->setBuddy(control(field));
}

} // namespace velmora
