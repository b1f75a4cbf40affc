#include "link_types.h"

#include "lang/translate.h"

namespace velmora {

namespace {
QString tr(const wchar_t* text) { return QString::fromStdWString(translate(text)); }
} // namespace

QString linkStateText(const LinkStatus& status)
{
    switch (status.state) {
    case LinkState::Connecting:
        return status.port.isEmpty() ? tr(L"Szukanie sterownika na wszystkich portach…")
                                     : tr(L"Łączenie z %1…").arg(status.port);
    case LinkState::Connected: return tr(L"Połączono z %1").arg(status.port);
    case LinkState::Programming: return tr(L"Programowanie sterownika na %1…").arg(status.port);
    case LinkState::Lost:
    case LinkState::Disconnected: break;
    }
    const QString port = status.port.isEmpty() ? tr(L"żadnym porcie") : status.port;
    switch (status.problem) {
    case PortProblem::NoPermission:
        return tr(L"Brak uprawnień do %1: dodaj użytkownika do grupy dialout (sudo usermod -aG dialout $USER), wyloguj się i zaloguj ponownie.").arg(port);
    case PortProblem::Busy:
        return tr(L"%1 jest zajęty przez inny program: zamknij go i połącz ponownie.").arg(port);
    case PortProblem::Missing:
    case PortProblem::Gone:
        return tr(L"Nie ma portu %1: podłącz sterownik.").arg(port);
    case PortProblem::NotSerial:
        return tr(L"%1 nie jest portem szeregowym: wybierz inny port.").arg(port);
    case PortProblem::Other:
    case PortProblem::None: break;
    }
    if (status.state == LinkState::Lost)
        return tr(L"Sterownik na %1 nie odpowiada: sprawdź zasilanie i przewód. Ponawiam…").arg(port);
    if (status.unitSilent)
        return tr(L"Brak odpowiedzi sterownika na %1: sprawdź zasilanie, przewód i wybór portu.").arg(port);
    return tr(L"Rozłączono");
}

} // namespace velmora
