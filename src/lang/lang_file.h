// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One language file, opened once and searched line by line the first time a
// text is looked up; the answer is remembered until the file is opened again.
//
// File layout (see lang_table.h for how ours are written):
//   offset 0   two bytes, skipped unread (the UTF-16LE byte-order mark FF FE)
//   offset 2   UTF-16LE lines ending in CR LF; columns separated by TAB:
//              key TAB anything TAB translation (the translation may hold TABs)
// Key and translation may use the escapes \t, \r and \n. A line without two
// TABs is ignored, and of two lines with the same key the first counts.

#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <unordered_map>

namespace velmora {

class CLangFile {
public:
    CLangFile() = default;
    virtual ~CLangFile();
    CLangFile(const CLangFile&) = delete;
    CLangFile& operator=(const CLangFile&) = delete;

    // Opens a regular file for reading (closing any file held before). On
    // failure holds no file and returns false.
    bool open(const std::filesystem::path& path);
    void close();
    bool isOpen() const;
    // Full path of the open file; empty while none is open.
    std::filesystem::path fileName() const;

    // The translation of key; key itself when the file has no usable line for
    // it; an empty string when no file is open or the line's translation is empty.
    // Safe to call from several threads: lookups on one file take turns.
    std::wstring lookup(const std::wstring& key);

private:
    // From the start of the lines; called with the mutex held.
    std::wstring search(const std::wstring& key);

    // Texts built at run time could otherwise grow the memory without end.
    static constexpr std::size_t kMaxRemembered = 4096;
    mutable std::mutex m_mutex; // guards the stream's read position and the fields below
    std::ifstream m_file;
    std::filesystem::path m_fileName;
    std::unordered_map<std::wstring, std::wstring> m_found;
};

} // namespace velmora
