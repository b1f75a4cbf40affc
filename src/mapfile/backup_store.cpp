#include "backup_store.h"

namespace velmora::mapfile {

bool writeFileAtomically(const std::filesystem::path&, std::string_view, std::string& error) {
    error = "not implemented yet";
    return false;
}
SaveOutcome saveBackup(const std::filesystem::path&, const Snapshot&, std::chrono::system_clock::time_point) {
    return SaveOutcome{SaveOutcome::Kind::Failed, {}, "not implemented yet"};
}
std::vector<BackupEntry> listBackups(const std::filesystem::path&) { return {}; }

} // namespace velmora::mapfile
