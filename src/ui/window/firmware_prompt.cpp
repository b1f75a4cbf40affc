// SPDX-License-Identifier: GPL-3.0-or-later
#include "firmware_prompt.h"

#include "firmware/firmware_file.h"
#include "lang/translate.h"

#include <QSettings>

#include <cmath>
#include <system_error>

namespace velmora {

namespace {

QString qs(const std::wstring& text) { return QString::fromStdWString(text); }

QString fileName(const std::filesystem::path& file)
{
    return QString::fromStdWString(file.filename().wstring());
}

constexpr char kLastFileKey[] = "firmware/lastFile";

} // namespace

QString firmwareVersionText(std::uint16_t version)
{
    return QStringLiteral("%1.%2").arg(version >> 8).arg(version & 0xFF, 2, 16, QLatin1Char('0'));
}

std::optional<std::uint16_t> firmwareFileVersion(const std::filesystem::path& file)
{
    CFirmwareFile reader;
    std::uint16_t version = 0;
    std::uint16_t format = 0;
    std::wstring identifier;
    if (!reader.read(file, version, identifier, format))
        return std::nullopt;
    return version;
}

std::wstring firmwareQuestion(std::optional<std::uint16_t> unitVersion, const QString& port,
                              std::uint16_t fileVersion, const std::filesystem::path& file)
{
    const QString folder = QString::fromStdWString(file.parent_path().wstring());
    QString text;
    if (unitVersion) {
        text = qs(translate(L"Zaprogramować sterownik (wersja %1) wersją %2 z pliku %3?"))
                   .arg(firmwareVersionText(*unitVersion), firmwareVersionText(fileVersion), fileName(file));
        if (fileVersion < *unitVersion)
            text += QLatin1String("\n\n") +
                    qs(translate(L"Wersja %1 z pliku jest STARSZA niż wersja sterownika (%2)."))
                        .arg(firmwareVersionText(fileVersion), firmwareVersionText(*unitVersion));
        else if (fileVersion == *unitVersion)
            text += QLatin1String("\n\n") + qs(translate(L"Sterownik ma już tę wersję."));
    } else {
        text = qs(translate(L"Zaprogramować sterownik czekający w trybie programowania (port %1) wersją %2 z pliku %3?"))
                   .arg(port, firmwareVersionText(fileVersion), fileName(file));
    }
    text += QLatin1String("\n\n") + qs(translate(L"Folder: %1")).arg(folder);
    return text.toStdWString();
}

std::wstring finishUpdateQuestion(const QString& port, std::optional<std::uint16_t> fileVersion,
                                  const std::filesystem::path& file)
{
    QString text = qs(translate(L"Sterownik nie jest poprawnie zaprogramowany i wymaga przeprogramowania.")) +
                   QLatin1Char('\n') + qs(translate(L"Port: %1")).arg(port) + QLatin1String("\n\n");
    text += qs(translate(L"Dokończyć aktualizację wersją %1 z pliku %2, użytego ostatnio?"))
                .arg(fileVersion ? firmwareVersionText(*fileVersion) : QStringLiteral("?"), fileName(file));
    text += QLatin1String("\n\n") + qs(translate(L"„Nie” pozwala wybrać inny plik."));
    return text.toStdWString();
}

std::wstring firmwareDoneText(std::optional<std::uint16_t> version, const std::filesystem::path& file,
                              double seconds)
{
    return qs(translate(L"Sterownik zaprogramowany: wersja %1 z pliku %2, w %3 s."))
        .arg(version ? firmwareVersionText(*version) : QStringLiteral("?"), fileName(file))
        .arg(std::lround(seconds))
        .toStdWString();
}

std::wstring firmwareFailedText()
{
    return translate(L"Aktualizacja firmware nie powiodła się. Sprawdź przewód i zasilanie sterownika, potem wybierz ponownie „Aktualizacja firmware”; gdy sterownik zgłosi się w trybie programowania, program zaproponuje dokończenie.");
}

std::wstring closeWaitsText(int secondsLeft)
{
    return qs(translate(L"Programowanie… okno zamknie się, gdy sterownik zostanie zaprogramowany (około %1 s)."))
        .arg(std::max(secondsLeft, 1))
        .toStdWString();
}

std::filesystem::path lastFirmwareFile()
{
    const QString stored = QSettings().value(QLatin1String(kLastFileKey)).toString();
    if (stored.isEmpty())
        return {};
    const std::filesystem::path file(stored.toStdWString());
    std::error_code ec;
    return std::filesystem::is_regular_file(file, ec) ? file : std::filesystem::path();
}

void rememberFirmwareFile(const std::filesystem::path& file)
{
    QSettings().setValue(QLatin1String(kLastFileKey), QString::fromStdWString(file.wstring()));
}

} // namespace velmora
