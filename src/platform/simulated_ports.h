// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Pseudo-terminals that `velmora-cli sim` serves, so a running window (or another
// console command) lists and scans them beside the real serial ports. Each running
// simulator leaves one small file naming its terminal in the user's runtime folder
// and removes it when it stops; a file whose terminal is gone is ignored and removed.

#include <QString>
#include <QStringList>

namespace velmora {

// Announces path for as long as the object lives.
class CSimulatedPortNotice {
public:
    explicit CSimulatedPortNotice(const QString& path);
    ~CSimulatedPortNotice();
    CSimulatedPortNotice(const CSimulatedPortNotice&) = delete;
    CSimulatedPortNotice& operator=(const CSimulatedPortNotice&) = delete;

private:
    QString m_file;
};

// The announced terminals that still exist, in the order they were started.
QStringList simulatedPorts();

// The folder the notices go to (tests).
QString simulatedPortsFolder();

} // namespace velmora
