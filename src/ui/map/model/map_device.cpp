#include "map_device.h"

#include "device/error.h"
#include "lang/translate.h"

namespace velmora {

void reportWriteFailure(IMapDevice& device)
{
    reportMessage(device.messageBox(),
                  translate(L"Nie powiodło się wpisanie ustawień do urządzenia!"), kCaption,
                  MB_ERROR);
}

void reportError(IMapDevice& device, const std::wstring& context, const IError& error)
{
    reportMessage(device.messageBox(), context + L"\n" + error.format(), kCaption, MB_PLAIN);
}

} // namespace velmora
