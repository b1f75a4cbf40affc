// SPDX-License-Identifier: GPL-3.0-or-later
#include "simulated_ports.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>

namespace velmora {

QString simulatedPortsFolder()
{
    // The user's runtime folder where there is one; asking Qt for it without one
    // prints a warning at every port scan.
    if (qEnvironmentVariableIsSet("XDG_RUNTIME_DIR"))
        return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) + QStringLiteral("/velmora-sim");
    QString user = qEnvironmentVariable("USER");
    if (user.isEmpty())
        user = qEnvironmentVariable("USERNAME");
    return QDir::tempPath() + QStringLiteral("/velmora-sim-") + user;
}

CSimulatedPortNotice::CSimulatedPortNotice(const QString& path)
{
    const QString folder = simulatedPortsFolder();
    if (!QDir().mkpath(folder))
        return; // the simulator still runs; it is only not listed
    m_file = folder + QStringLiteral("/%1").arg(QCoreApplication::applicationPid());
    QSaveFile out(m_file);
    if (!out.open(QIODevice::WriteOnly) || out.write(path.toUtf8() + '\n') < 0 || !out.commit())
        m_file.clear();
}

CSimulatedPortNotice::~CSimulatedPortNotice()
{
    if (!m_file.isEmpty())
        QFile::remove(m_file);
}

QStringList simulatedPorts()
{
    QDir folder(simulatedPortsFolder());
    QFileInfoList notices = folder.entryInfoList(QDir::Files, QDir::Time | QDir::Reversed);
    QStringList ports;
    for (const QFileInfo& notice : notices) {
        QFile in(notice.absoluteFilePath());
        if (!in.open(QIODevice::ReadOnly))
            continue;
        const QString path = QString::fromUtf8(in.readLine(4096)).trimmed();
        in.close();
        // A simulator that was killed leaves its notice behind; its terminal is gone.
        if (path.isEmpty() || !QFileInfo::exists(path)) {
            QFile::remove(notice.absoluteFilePath());
            continue;
        }
        if (!ports.contains(path))
            ports << path;
    }
    return ports;
}

} // namespace velmora
