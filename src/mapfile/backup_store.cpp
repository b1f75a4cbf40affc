// SPDX-License-Identifier: GPL-3.0-or-later
#include "backup_store.h"

#include "mapfile/disk_sync.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <mutex>
#include <system_error>
#include <tuple>

namespace velmora::mapfile {

namespace fs = std::filesystem;

namespace {

// Backups are a few KB; a larger file in the folder is not one of ours.
constexpr std::uintmax_t kMaxBackupBytes = 1 << 20;

std::string quotedPath(const fs::path& path) {
    std::string text = "'";
    text += path.string();
    text += '\'';
    return text;
}

// "backup-YYYYMMDD-HHMMSS" and, from the second file of one second on, "-N".
std::string stem(std::chrono::sys_seconds time) {
    const std::string utc = formatUtc(time); // 2026-12-08T19:37:24Z
    std::string text = "backup-";
    for (char c : utc.substr(0, 10))
        if (c != '-') text += c;
    text += '-';
    for (char c : utc.substr(11, 8))
        if (c != ':') text += c;
    return text;
}

// Orders backups by time, then by the number that tells apart those of one second.
struct NameKey {
    std::string stamp; // "YYYYMMDD-HHMMSS"
    unsigned number = 1;
    bool operator<(const NameKey& o) const { return std::tie(stamp, number) < std::tie(o.stamp, o.number); }
};

bool isDigits(std::string_view s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::optional<NameKey> nameKey(const std::string& name) {
    constexpr std::string_view kPrefix = "backup-", kSuffix = ".txt";
    if (name.size() < kPrefix.size() + 15 + kSuffix.size() || name.compare(0, kPrefix.size(), kPrefix) != 0 ||
        name.compare(name.size() - kSuffix.size(), kSuffix.size(), kSuffix) != 0)
        return std::nullopt;
    const std::string_view body =
        std::string_view(name).substr(kPrefix.size(), name.size() - kPrefix.size() - kSuffix.size());
    if (!isDigits(body.substr(0, 8)) || body[8] != '-' || !isDigits(body.substr(9, 6))) return std::nullopt;
    NameKey key{std::string(body.substr(0, 15)), 1};
    if (body.size() == 15) return key;
    const std::string_view number = body.substr(15);
    if (number.size() < 2 || number.size() > 6 || number[0] != '-' || !isDigits(number.substr(1))) return std::nullopt;
    key.number = static_cast<unsigned>(std::stoul(std::string(number.substr(1))));
    return key;
}

bool readSmallFile(const fs::path& path, std::string& text) {
    std::error_code ec;
    const auto size = fs::file_size(path, ec);
    if (ec || size > kMaxBackupBytes) return false;
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

} // namespace

bool writeFileAtomically(const fs::path& path, std::string_view text, std::string& error) {
    // Beside the target, so the rename stays on one file system and is atomic.
    fs::path temporary = path;
    temporary += ".part-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out) {
            error = "cannot create " + quotedPath(temporary);
            return false;
        }
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        out.flush();
        if (!out) {
            out.close();
            std::error_code ignored;
            fs::remove(temporary, ignored);
            error = "cannot write " + quotedPath(temporary) + " (disk full?)";
            return false;
        }
    }
    // On the disk before it takes the name: a power cut must not leave the name on an
    // empty file where a good one was.
    if (std::string reason; !syncFileToDisk(temporary, reason)) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        error = "cannot write " + quotedPath(temporary) + " to the disk: " + reason;
        return false;
    }
    std::error_code ec;
    fs::rename(temporary, path, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        error = "cannot replace " + quotedPath(path) + ": " + ec.message();
        return false;
    }
    syncFolderToDisk(path.parent_path());
    return true;
}

std::vector<BackupEntry> listBackups(const fs::path& folder) {
    std::vector<std::pair<NameKey, fs::path>> found;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (!it->is_regular_file(ec)) continue;
        if (auto key = nameKey(it->path().filename().string())) found.emplace_back(*key, it->path());
    }
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return b.first < a.first; });

    std::vector<BackupEntry> entries;
    for (auto& [key, path] : found) {
        BackupEntry entry{path, std::nullopt, std::nullopt};
        std::string text;
        Backup backup;
        if (!readSmallFile(path, text))
            entry.error = TextError{0, 0, "cannot read the file, or it is too large for a backup"};
        else if (auto error = readBackup(text, backup))
            entry.error = *error;
        else
            entry.backup = backup;
        entries.push_back(std::move(entry));
    }
    return entries;
}

SaveOutcome saveBackup(const fs::path& folder, const Snapshot& unit, std::chrono::system_clock::time_point now) {
    if (folder.empty()) return {SaveOutcome::Kind::Failed, {}, "no folder for backups"};
    // Units served side by side save in the same second: choosing the name and taking
    // it is one step, or one backup would be renamed over another.
    static std::mutex naming;
    std::lock_guard lock(naming);
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec) return {SaveOutcome::Kind::Failed, folder, "cannot create " + quotedPath(folder) + ": " + ec.message()};

    for (const BackupEntry& entry : listBackups(folder)) {
        if (!entry.backup) continue; // a damaged file does not count: the newest that reads does
        if (sameOnUnit(entry.backup->unit, unit)) return {SaveOutcome::Kind::SameAsNewest, entry.path, {}};
        break;
    }

    const Backup backup{std::chrono::floor<std::chrono::seconds>(now), unit};
    const std::string base = stem(backup.saved);
    fs::path path = folder / (base + ".txt");
    // Another save in the same second (the window and the console tool at once, or
    // two quick connections): number it rather than replace the first.
    for (unsigned n = 2; fs::exists(path, ec); ++n) {
        if (n > 9999) return {SaveOutcome::Kind::Failed, path, "too many backups in one second"};
        path = folder / (base + "-" + std::to_string(n) + ".txt");
    }
    std::string error;
    if (!writeFileAtomically(path, writeBackup(backup), error)) return {SaveOutcome::Kind::Failed, path, error};
    return {SaveOutcome::Kind::Written, path, {}};
}

} // namespace velmora::mapfile
