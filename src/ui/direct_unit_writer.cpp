#include "direct_unit_writer.h"

#include "device/error.h"
#include "device/lpg_device.h"
#include "lang/translate.h"

namespace velmora {

template <class Write>
void CDirectUnitWriter::run(Write write, const wchar_t* failure, const WriteDone& done)
{
    WriteResult result;
    // The host's copy keeps meaning what the unit holds: a refused write leaves it.
    const DeviceState before = m_device.state();
    try {
        result.ok = m_device.isConnected() && write();
        if (!m_device.isConnected())
            result.detail = translate(L"Brak połączenia z urządzeniem.");
    } catch (const IError& error) {
        result.ok = false;
        result.detail = error.format();
    }
    if (!result.ok) {
        m_device.state() = before;
        result.message = translate(failure);
    }
    if (done)
        done(result);
}

bool CDirectUnitWriter::canWrite() const
{
    return m_device.isConnected();
}

void CDirectUnitWriter::writeMap(const MapValues& map, WriteDone done)
{
    run([&] {
            m_device.state().map = map;
            return m_device.writeMap() && m_device.storeMap();
        },
        L"Nie powiodło się wpisanie mapy wtrysków do urządzenia!", done);
}

void CDirectUnitWriter::correctArea(const std::array<std::uint8_t, 6>& record, WriteDone done)
{
    run([&] { return m_device.correctMapArea(record) && m_device.storeMap(); },
        L"Nie powiodło się wpisanie mapy wtrysków do urządzenia!", done);
}

void CDirectUnitWriter::writeAxes(const VoltAxis& volts, const RpmAxis& rpm, WriteDone done)
{
    run([&] {
            m_device.state().voltAxis = volts;
            m_device.state().rpmAxis = rpm;
            return m_device.writeAxes();
        },
        L"Nie powiodło się wpisanie ustawień do urządzenia!", done);
}

void CDirectUnitWriter::clearMap(WriteDone done)
{
    run([&] {
            if (!m_device.clearMap() || !m_device.storeMap())
                return false;
            for (auto& row : m_device.state().map)
                row.fill(0.0);
            return true;
        },
        L"Nie powiodło się wpisanie mapy wtrysków do urządzenia!", done);
}

void CDirectUnitWriter::writeSettings(const UnitSettings& settings, WriteDone done)
{
    run([&] {
            DeviceState& state = m_device.state();
            state.rpmDivider = settings.rpmDivider;
            state.noiseDelta = settings.noiseDelta;
            state.noisePeriod = settings.noisePeriod;
            return m_device.writeSettings();
        },
        L"Nie powiodło się wpisanie ustawień do urządzenia!", done);
}

} // namespace velmora
