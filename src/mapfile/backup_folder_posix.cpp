#include "backup_store.h"

namespace velmora::mapfile {

std::filesystem::path defaultBackupFolder() { return {}; }

} // namespace velmora::mapfile
