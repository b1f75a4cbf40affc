// SPDX-License-Identifier: GPL-3.0-or-later
#include "setting_field.h"

#include "lang/translate.h"
#include "ui/map/model/number_text.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace velmora {

CSettingField::CSettingField(QLineEdit* edit, SettingRange range,
                             std::function<std::uint32_t()> value, IMessageBox* messages,
                             QObject* parent)
    : QObject(parent), m_edit(edit), m_range(range), m_value(std::move(value)),
      m_messages(messages)
{
    m_edit->installEventFilter(this);
    m_edit->setToolTip(QString::fromStdWString(
        translate(L"Kółko myszy: ±1, PageUp/PageDown: ±10, Enter: zapisuje wpisaną wartość.")));
}

void CSettingField::restore()
{
    m_edit->setText(QString::number(m_value()));
}

std::optional<std::uint32_t> CSettingField::accept(const QString& text)
{
    const std::optional<double> number = parseTypedNumber(text.toStdWString());
    if (number && *number == std::floor(*number) && *number >= m_range.lowest
        && *number <= m_range.highest)
        return static_cast<std::uint32_t>(*number);
    std::wstring message = translate(L"Wpisz liczbę całkowitą od %1 do %2.");
    const std::wstring low = std::to_wstring(m_range.lowest);
    const std::wstring high = std::to_wstring(m_range.highest);
    if (auto at = message.find(L"%1"); at != std::wstring::npos)
        message.replace(at, 2, low);
    if (auto at = message.find(L"%2"); at != std::wstring::npos)
        message.replace(at, 2, high);
    restore();
    reportMessage(m_messages, message, kCaption, MB_ERROR);
    return std::nullopt;
}

std::optional<std::uint32_t> CSettingField::pageStep(std::uint32_t current, int step,
                                                     SettingRange range)
{
    const std::int64_t c = current;
    if ((step > 0 && c >= range.highest) || (step < 0 && c <= range.lowest))
        return std::nullopt;
    if (c < range.lowest || c > range.highest)
        return stepSetting(current, step > 0 ? 1 : -1, range);
    return static_cast<std::uint32_t>(std::clamp<std::int64_t>(c + step, range.lowest, range.highest));
}

bool CSettingField::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_edit)
        return QObject::eventFilter(watched, event);
    if (event->type() == QEvent::Wheel) {
        // Touchpads send many small deltas: one step per notch's worth.
        m_wheelRest += static_cast<QWheelEvent*>(event)->angleDelta().y();
        while (m_wheelRest >= 120) {
            m_wheelRest -= 120;
            emit stepped(+1);
        }
        while (m_wheelRest <= -120) {
            m_wheelRest += 120;
            emit stepped(-1);
        }
        return true;
    }
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        switch (key->key()) {
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
            if (auto next = pageStep(m_value(), key->key() == Qt::Key_PageUp ? 10 : -10, m_range))
                emit valueChosen(*next);
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (auto typed = accept(m_edit->text()); typed && *typed != m_value())
                emit valueChosen(*typed);
            else if (typed)
                restore();
            return true;
        case Qt::Key_Escape:
            restore();
            return true;
        default:
            break;
        }
    } else if (event->type() == QEvent::FocusOut) {
        // Typing that was not confirmed with Enter is not the unit's value; switching
        // to another window for a moment is no reason to drop it.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (m_edit->isModified() && reason != Qt::ActiveWindowFocusReason
            && reason != Qt::PopupFocusReason)
            restore();
    }
    return QObject::eventFilter(watched, event);
}

std::uint32_t CSettingsFields::valueOf(const UnitSettings& settings, SettingField field)
{
    switch (field) {
    case kRpmDividerField: return settings.rpmDivider;
    case kNoiseDeltaField: return settings.noiseDelta;
    case kNoisePeriodField: return settings.noisePeriod;
    }
    return 0;
}

CSettingsFields::CSettingsFields(QLineEdit* rpmDivider, QLineEdit* noiseDelta,
                                 QLineEdit* noisePeriod, const CMapDocument& document,
                                 IMessageBox* messages, QObject* parent)
    : QObject(parent)
{
    const struct {
        QLineEdit* edit;
        SettingField field;
        SettingRange range;
    } fields[] = {{rpmDivider, kRpmDividerField, kRpmDividerRange},
                  {noiseDelta, kNoiseDeltaField, kNoiseDeltaRange},
                  {noisePeriod, kNoisePeriodField, kNoisePeriodRange}};
    for (const auto& f : fields) {
        const SettingField field = f.field;
        auto* setting = new CSettingField(
            f.edit, f.range, [&document, field] { return valueOf(document.settings(), field); },
            messages, this);
        connect(setting, &CSettingField::stepped, this,
                [this, field](int step) { emit stepped(field, step); });
        connect(setting, &CSettingField::valueChosen, this,
                [this, field](std::uint32_t v) { emit valueChosen(field, v); });
    }
}

} // namespace velmora
