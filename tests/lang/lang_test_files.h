// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Temporary folders and UTF-16LE files for the language tests.

#include <filesystem>
#include <string>
#include <string_view>

namespace velmora::test {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

// The text as UTF-16LE bytes, no byte-order mark.
std::string utf16le(std::wstring_view text);
// Writes bytes as they are.
void writeBytes(const std::filesystem::path& path, std::string_view bytes);
// Writes FF FE followed by the text as UTF-16LE; the caller spells out the CR LFs.
void writeLangFile(const std::filesystem::path& path, std::wstring_view text);
std::string readBytes(const std::filesystem::path& path);

} // namespace velmora::test
