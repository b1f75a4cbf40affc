// SPDX-License-Identifier: GPL-3.0-or-later
#include "device_errors.h"

#include "lang/translate.h"

namespace velmora {

CTransmError::CTransmError() {
    m_messages = {
        translate(L"Nieznana komenda"),
        translate(L"Nieznana ramka"),
        translate(L"Błędny nagłówek ramki"),
        translate(L"Błąd CRC ramki"),
        translate(L"Błąd inny niż transmisji"),
    };
}

std::wstring CTransmError::name() const { return translate(L"Transmisja"); }

void CLPGDeviceErr::addCategory(std::unique_ptr<CDeviceErrorBase> category) {
    if (category) m_categories.push_back(std::move(category));
}

} // namespace velmora
