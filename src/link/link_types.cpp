// SPDX-License-Identifier: GPL-3.0-or-later
#include "link_types.h"

#include "lang/translate.h"

namespace velmora {

namespace {
QString qt(const std::wstring& text) { return QString::fromStdWString(text); }
} // namespace

QString linkStateText(const LinkStatus& status)
{
    switch (status.state) {
    case LinkState::Connecting:
        return status.port.isEmpty() ? qt(translate(L"Szukanie sterownika na wszystkich portach…"))
                                     : qt(translate(L"Łączenie z %1…")).arg(status.port);
    case LinkState::Connected: return qt(translate(L"Połączono z %1")).arg(status.port);
    case LinkState::Programming: return qt(translate(L"Programowanie sterownika na %1…")).arg(status.port);
    case LinkState::Lost:
    case LinkState::Disconnected: break;
    }
    if (status.inBootloader)
        return qt(translate(L"Sterownik na %1 czeka w trybie programowania: potrzebuje aktualizacji firmware.")).arg(status.port);
    const QString port = status.port.isEmpty() ? qt(translate(L"żadnym porcie")) : status.port;
    switch (status.problem) {
    case PortProblem::NoPermission:
        return qt(translate(L"Brak uprawnień do %1: dodaj użytkownika do grupy dialout (sudo usermod -aG dialout $USER), wyloguj się i zaloguj ponownie.")).arg(port);
    case PortProblem::Busy:
        return qt(translate(L"%1 jest zajęty przez inny program: zamknij go i połącz ponownie.")).arg(port);
    case PortProblem::Missing:
    case PortProblem::Gone:
        return qt(translate(L"Nie ma portu %1: podłącz sterownik.")).arg(port);
    case PortProblem::NotSerial:
        return qt(translate(L"%1 nie jest portem szeregowym: wybierz inny port.")).arg(port);
    case PortProblem::Other:
    case PortProblem::None: break;
    }
    if (status.state == LinkState::Lost)
        return qt(translate(L"Sterownik na %1 nie odpowiada: sprawdź zasilanie i przewód. Ponawiam…")).arg(port);
    if (status.unitSilent)
        return qt(translate(L"Brak odpowiedzi sterownika na %1: sprawdź zasilanie, przewód i wybór portu.")).arg(port);
    return qt(translate(L"Rozłączono"));
}

} // namespace velmora
