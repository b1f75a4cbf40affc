#include "axis_check.h"

namespace velmora::mapfile {

double unitVolts(double v) { return v; }
double limitVoltBreakpoint(double v, const VoltAxis&, int) { return v; }
std::optional<AxisFault> checkVoltBreakpoint(double, const VoltAxis&, int) { return AxisFault{-1, "not implemented yet"}; }
std::optional<AxisFault> checkVoltAxis(const VoltAxis&) { return AxisFault{-1, "not implemented yet"}; }
std::optional<AxisFault> checkRpmAxis(const RpmAxis&) { return AxisFault{-1, "not implemented yet"}; }

} // namespace velmora::mapfile
