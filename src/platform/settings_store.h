// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The remembered port ("Last RS nr") in the user's settings, through QSettings.

#include "device/services.h"

#include <QString>

#include <memory>

class QSettings;

namespace velmora {

class CQtSettingsStore : public ISettingsStore {
public:
    CQtSettingsStore(); // the user's settings (registry on Windows, config file elsewhere)
    explicit CQtSettingsStore(const QString& iniFile); // a file of its own (tests, portable use)
    ~CQtSettingsStore() override;

    std::string readLastPort() override;
    void writeLastPort(const std::string& port) override;

private:
    std::unique_ptr<QSettings> m_settings;
};

} // namespace velmora
