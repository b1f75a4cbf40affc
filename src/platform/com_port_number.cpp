// SPDX-License-Identifier: GPL-3.0-or-later
#include "com_port_number.h"

namespace velmora::platform {

namespace {
// The leading decimal number of text; 0 when there is none. Nine digits at most,
// which no port number comes near, so it cannot overflow.
long leadingNumber(const QString& text) {
    const QString t = text.trimmed();
    qsizetype end = 0;
    while (end < t.size() && end < 9 && t[end] >= u'0' && t[end] <= u'9') ++end;
    return end == 0 ? 0 : t.left(end).toLong();
}
} // namespace

QString numberTextFromComPort(const std::string& port) {
    const QString name = QString::fromStdString(port);
    if (!name.startsWith(QLatin1String("COM"), Qt::CaseInsensitive)) return {};
    const QString digits = name.mid(3);
    for (QChar c : digits)
        if (c < u'0' || c > u'9') return {};
    const long n = leadingNumber(digits);
    return n > 0 ? QString::number(n) : QString();
}

std::string comPortFromNumberText(const QString& text) {
    const long n = leadingNumber(text);
    return n > 0 ? "COM" + std::to_string(n) : std::string();
}

} // namespace velmora::platform
