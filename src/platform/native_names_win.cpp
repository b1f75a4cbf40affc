#include "native_names.h"

#include <QSerialPortInfo>

namespace velmora::platform {

namespace {
// The leading decimal number of text, as _wtoi reads it: 0 when there is none.
long leadingNumber(const QString& text) {
    const QString t = text.trimmed();
    qsizetype end = 0;
    while (end < t.size() && end < 9 && t[end].isDigit()) ++end;
    return end == 0 ? 0 : t.left(end).toLong();
}
} // namespace

QString portName(const QSerialPortInfo& info) { return info.portName(); }

std::unique_ptr<QSettings> openUserSettings() {
    // A QString value is written as REG_SZ.
    return std::make_unique<QSettings>(QStringLiteral("HKEY_CURRENT_USER\\Software\\Draxton"),
                                       QSettings::NativeFormat);
}

QString storedFromPort(const std::string& port) {
    const QString name = QString::fromStdString(port);
    if (!name.startsWith(QLatin1String("COM"), Qt::CaseInsensitive)) return {};
    const long n = leadingNumber(name.mid(3));
    return n > 0 ? QString::number(n) : QString();
}

std::string portFromStored(const QString& text) {
    const long n = leadingNumber(text);
    return n > 0 ? "COM" + std::to_string(n) : std::string();
}

} // namespace velmora::platform
