// SPDX-License-Identifier: GPL-3.0-or-later
// Finding the unit: which ports to try, in what order, and what a connection reads.

#include "lpg_device.h"
#include "error.h"
#include "port_problem.h"

#include "lang/translate.h"

#include <algorithm>
#include <cctype>
#include <ctime>

namespace velmora {

namespace {

bool isDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

// Digit runs compare by value, so COM2 < COM10 and ttyUSB2 < ttyUSB10; names
// equal by that rule fall back to plain text order, which keeps the order total.
bool naturalLess(const std::string& a, const std::string& b) {
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            std::size_t ei = i;
            std::size_t ej = j;
            while (ei < a.size() && isDigit(a[ei])) ++ei;
            while (ej < b.size() && isDigit(b[ej])) ++ej;
            std::size_t si = i;
            std::size_t sj = j;
            while (si + 1 < ei && a[si] == '0') ++si; // leading zeros do not count
            while (sj + 1 < ej && b[sj] == '0') ++sj;
            const std::size_t li = ei - si;
            const std::size_t lj = ej - sj;
            if (li != lj) return li < lj;
            const int c = a.compare(si, li, b, sj, lj);
            if (c != 0) return c < 0;
            i = ei;
            j = ej;
            continue;
        }
        if (a[i] != b[j]) return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]);
        ++i;
        ++j;
    }
    if ((i < a.size()) != (j < b.size())) return j < b.size();
    return a < b;
}

} // namespace

void CLPGDevice::startConnection() {
    seedKeys(static_cast<std::uint32_t>(std::time(nullptr)));
    addCategory(std::make_unique<CTransmError>());
    scanPorts();
}

std::vector<std::string> CLPGDevice::candidatePorts() {
    std::vector<std::string> listed;
    if (m_services.ports) listed = m_services.ports->ports();
    std::sort(listed.begin(), listed.end(), naturalLess);
    listed.erase(std::unique(listed.begin(), listed.end()), listed.end());

    std::vector<std::string> order;
    if (!m_preferredPort.empty()) order.push_back(m_preferredPort);
    const std::string last = readLastPort();
    if (!last.empty() && last != m_preferredPort &&
        std::find(listed.begin(), listed.end(), last) != listed.end())
        order.push_back(last);
    order.insert(order.end(), listed.begin(), listed.end());
    return order;
}

void CLPGDevice::scanPorts() {
    m_connected.store(false);
    // The failure worth telling: one the user can fix (permission, another program),
    // or whatever kept the only port tried from opening.
    const std::vector<std::string> candidates = candidatePorts();
    PortProblem told = PortProblem::None;
    std::string toldPort;
    const auto rank = [&](PortProblem p) {
        return p == PortProblem::NoPermission ? 3 : p == PortProblem::Busy ? 2 : p != PortProblem::None && candidates.size() == 1 ? 1 : 0;
    };
    for (const std::string& port : candidates) {
        if (openPort(port)) return;
        const int error = m_lastPortFailure.systemError;
        const PortProblem problem = error > 0 ? portProblemFromSystemError(error) : PortProblem::None;
        if (rank(problem) > rank(told)) {
            told = problem;
            toldPort = port;
        }
    }
    const std::wstring reason = portProblemText(told, ansi2unicode(toldPort));
    showMessage(reason.empty() ? translate(L"Brak połączenia") : reason, MB_PLAIN);
    m_connected.store(false);
}

bool CLPGDevice::openPort(const std::string& port) {
    // A reading thread still running would be left polling a port we are replacing.
    joinReadingThread();
    // Whatever unit was on the old port is not connected once it is closed, even if
    // opening the new one fails before connect() runs.
    m_connected.store(false);
    m_lastPortFailure = {};
    try {
        m_port.close();
        m_port.open(port);
        m_port.setState(LineSettings{});
        m_port.setTimeout(m_timeouts);
        if (!connect()) return false;
        writeLastPort(port);
        return true;
    } catch (const IError& error) {
        // A port that cannot be opened or configured is simply not the unit's; why,
        // is kept for whoever explains it to the user.
        const auto* rs = dynamic_cast<const CRSError*>(&error);
        m_lastPortFailure = {rs ? rs->systemError() : 0, error.format()};
        if (m_lastPortFailure.systemError == 0) m_lastPortFailure.systemError = -1;
        return false;
    }
}

bool CLPGDevice::connect() {
    m_connected.store(false);
    if (!identify()) return false;
    if (!readVersion())
        showMessage(translate(L"Nie powiodło się odczytanie wersji urządzenia!"), MB_ERROR);
    m_connected.store(true);
    // Once the unit is identified, a failed read keeps the previous values and the link.
    if (!readSettings())
        showMessage(translate(L"Nie powiodło się wczytanie ustawień urządzenia!"), MB_ERROR);
    if (!readMap())
        showMessage(translate(L"Nie powiodło się wczytanie ustawień urządzenia!"), MB_ERROR);
    if (!readAxes())
        showMessage(translate(L"Nie powiodło się wczytanie ustawień urządzenia!"), MB_ERROR);
    return true;
}

std::string CLPGDevice::readLastPort() {
    return m_services.settings ? m_services.settings->readLastPort() : std::string();
}

void CLPGDevice::writeLastPort(const std::string& port) {
    if (m_services.settings) m_services.settings->writeLastPort(port);
}

} // namespace velmora
