// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings_store.h"

#include "native_names.h"

#include <QSettings>

namespace velmora {

namespace {
const QString kLastPortKey = QStringLiteral("Last RS nr");
}

CQtSettingsStore::CQtSettingsStore() : m_settings(platform::openUserSettings()) {}

CQtSettingsStore::CQtSettingsStore(const QString& iniFile)
    : m_settings(std::make_unique<QSettings>(iniFile, QSettings::IniFormat)) {}

CQtSettingsStore::~CQtSettingsStore() = default;

std::string CQtSettingsStore::readLastPort() {
    m_settings->sync(); // another instance may have written since we opened
    return platform::portFromStored(m_settings->value(kLastPortKey).toString());
}

void CQtSettingsStore::writeLastPort(const std::string& port) {
    const QString text = platform::storedFromPort(port);
    if (text.isEmpty()) return; // nothing this platform can name again later
    m_settings->setValue(kLastPortKey, text);
    m_settings->sync();
}

} // namespace velmora
