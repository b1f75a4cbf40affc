// SPDX-License-Identifier: GPL-3.0-or-later
#include "firmware_file.h"

#include "lang/translate.h"

namespace velmora {

std::wstring describe(FirmwareReadError error) {
    switch (error) {
    case FirmwareReadError::None:
        return {};
    case FirmwareReadError::OpenFailed:
        return translate(L"Nie można otworzyć pliku firmware.");
    case FirmwareReadError::ReadFailed:
        return translate(L"Błąd odczytu pliku firmware.");
    case FirmwareReadError::ShortHeader:
        return translate(L"Plik firmware jest za krótki.");
    case FirmwareReadError::BodyTooShort:
    case FirmwareReadError::BodyTooLong:
        return translate(L"Niewłaściwa długość pliku firmware.");
    case FirmwareReadError::Truncated:
        return translate(L"Plik firmware jest niekompletny.");
    case FirmwareReadError::BadChecksum:
        return translate(L"Błędna suma kontrolna pliku firmware.");
    }
    return {};
}

} // namespace velmora
