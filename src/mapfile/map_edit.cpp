#include "map_edit.h"

namespace velmora::mapfile {

namespace {
EditResult notYet() { return EditResult{std::nullopt, "not implemented yet", -1, -1}; }
} // namespace

bool CellRect::valid() const { return false; }
double unitMapValue(double v) { return v; }
bool storableMapValue(double) { return false; }
EditResult setValue(const MapValues&, const CellRect&, double) { return notYet(); }
EditResult addValue(const MapValues&, const CellRect&, double) { return notYet(); }
EditResult scaleByPercent(const MapValues&, const CellRect&, double) { return notYet(); }
EditResult interpolateRows(const MapValues&, const CellRect&, const VoltAxis&) { return notYet(); }
EditResult interpolateColumns(const MapValues&, const CellRect&, const RpmAxis&) { return notYet(); }
EditResult interpolateBoth(const MapValues&, const CellRect&, const VoltAxis&, const RpmAxis&) { return notYet(); }
ValueBlock copyBlock(const MapValues&, const CellRect&) { return {}; }
EditResult pasteBlock(const MapValues&, int, int, const ValueBlock&, std::optional<CellRect>) { return notYet(); }

} // namespace velmora::mapfile
