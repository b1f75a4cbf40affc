// SPDX-License-Identifier: GPL-3.0-or-later
#include "port_problem.h"

#include "lang/translate.h"

namespace velmora {

namespace {
std::wstring withPort(std::wstring text, const std::wstring& port) {
    if (const auto at = text.find(L"%1"); at != std::wstring::npos) text.replace(at, 2, port);
    return text;
}
} // namespace

std::wstring portProblemText(PortProblem problem, const std::wstring& port) {
    switch (problem) {
    case PortProblem::NoPermission:
        return withPort(translate(L"Brak uprawnień do %1: dodaj użytkownika do grupy dialout (sudo usermod -aG dialout $USER), wyloguj się i zaloguj ponownie."), port);
    case PortProblem::Busy:
        return withPort(translate(L"%1 jest zajęty przez inny program: zamknij go i połącz ponownie."), port);
    case PortProblem::Missing:
    case PortProblem::Gone:
        return withPort(translate(L"Nie ma portu %1: podłącz sterownik."), port);
    case PortProblem::NotSerial:
        return withPort(translate(L"%1 nie jest portem szeregowym: wybierz inny port."), port);
    case PortProblem::Other:
    case PortProblem::None: break;
    }
    return {};
}

} // namespace velmora
