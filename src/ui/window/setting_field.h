// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The keyboard and wheel of one settings field. The field shows the unit's value;
// the mouse wheel steps it by 1, PageUp/PageDown by 10, and Enter takes a typed
// value. Text that is no whole number within the setting's range is refused with a
// message and the unit's value comes back. Arrow keys stay the map's.

#include "settings_step.h"

#include "device/messages.h"
#include "ui/map/map_commands.h"

#include <QObject>

#include <cstdint>
#include <functional>

class QLineEdit;

namespace velmora {

class CSettingField : public QObject {
    Q_OBJECT
public:
    // value gives what the unit holds now, as the field should show it.
    CSettingField(QLineEdit* edit, SettingRange range, std::function<std::uint32_t()> value,
                  IMessageBox* messages, QObject* parent = nullptr);

    // Shows value() again, dropping whatever was typed.
    void restore();
    // The new value for text, or nothing (and the message shown) when refused.
    std::optional<std::uint32_t> accept(const QString& text);
    // The value after a page step (+-10) from current: held at the range's ends, or
    // nothing when current lies outside the range on that side.
    static std::optional<std::uint32_t> pageStep(std::uint32_t current, int step,
                                                 SettingRange range);

signals:
    // One spinner-like step (+1, -1 from the wheel).
    void stepped(int step);
    // A value to write: typed and accepted, or a page step.
    void valueChosen(std::uint32_t value);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* m_edit;
    SettingRange m_range;
    std::function<std::uint32_t()> m_value;
    IMessageBox* m_messages;
    int m_wheelRest = 0;
};

// The window's three settings fields over the document's settings.
class CSettingsFields : public QObject {
    Q_OBJECT
public:
    CSettingsFields(QLineEdit* rpmDivider, QLineEdit* noiseDelta, QLineEdit* noisePeriod,
                    const CMapDocument& document, IMessageBox* messages, QObject* parent = nullptr);

    // The document's value of one setting.
    static std::uint32_t valueOf(const UnitSettings& settings, SettingField field);

signals:
    void stepped(velmora::SettingField field, int step);
    void valueChosen(velmora::SettingField field, std::uint32_t value);
};

} // namespace velmora
