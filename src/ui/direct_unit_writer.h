#pragma once
// Stand-in writer until the link controller takes the unit over: runs each write
// at once on the calling thread through the window's CLPGDevice and calls done
// before returning. The controller's writer replaces it; nothing else changes.

#include "ui/map/model/unit_writer.h"

namespace velmora {

class CLPGDevice;

class CDirectUnitWriter : public IUnitWriter {
public:
    explicit CDirectUnitWriter(CLPGDevice& device) : m_device(device) {}

    bool canWrite() const override;
    void writeMap(const MapValues& map, WriteDone done) override;
    void correctArea(const std::array<std::uint8_t, 6>& record, WriteDone done) override;
    void writeAxes(const VoltAxis& volts, const RpmAxis& rpm, WriteDone done) override;
    void clearMap(WriteDone done) override;
    void writeSettings(const UnitSettings& settings, WriteDone done) override;

private:
    template <class Write>
    void run(Write write, const wchar_t* failure, const WriteDone& done);

    CLPGDevice& m_device;
};

} // namespace velmora
