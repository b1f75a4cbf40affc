#include "snapshot.h"

namespace velmora::mapfile {

Snapshot snapshotFrom(const DeviceState&) { return {}; }
void applySnapshot(const Snapshot&, DeviceState&) {}
std::vector<Difference> compareSnapshots(const Snapshot&, const Snapshot&, CompareScope) { return {}; }
bool sameOnUnit(const Snapshot&, const Snapshot&, CompareScope) { return false; }
std::string describe(const Difference&, const Snapshot&) { return {}; }

} // namespace velmora::mapfile
