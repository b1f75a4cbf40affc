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
    if (const std::wstring text = portProblemText(status.problem, port.toStdWString()); !text.empty())
        return qt(text);
    if (status.state == LinkState::Lost)
        return qt(translate(L"Sterownik na %1 nie odpowiada: sprawdź zasilanie i przewód. Ponawiam…")).arg(port);
    if (status.unitSilent)
        return qt(translate(L"Brak odpowiedzi sterownika na %1: sprawdź zasilanie, przewód i wybór portu.")).arg(port);
    return qt(translate(L"Rozłączono"));
}

} // namespace velmora
