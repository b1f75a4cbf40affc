// SPDX-License-Identifier: GPL-3.0-or-later
#include "lang/lang_file.h"

#include "lang/lang_text.h"

#include <array>
#include <system_error>

namespace velmora {

namespace {

using lang::kMaxLineUnits;

// Hands out the file's UTF-16LE units as lines of at most kMaxLineUnits units,
// each ending after its LF; a longer line comes out in pieces. Memory stays
// bounded whatever the file holds. A read error ends the lines like end of file.
class Utf16LineReader {
public:
    explicit Utf16LineReader(std::istream& in) : m_in(in) {}

    bool next(std::u16string& line)
    {
        line.clear();
        char16_t unit = 0;
        while (line.size() < kMaxLineUnits && nextUnit(unit)) {
            line.push_back(unit);
            if (unit == u'\n')
                break;
        }
        return !line.empty();
    }

private:
    bool nextUnit(char16_t& unit)
    {
        if (m_end - m_pos < 2 && !refill())
            return false;
        const auto lo = static_cast<unsigned char>(m_buffer[m_pos]);
        const auto hi = static_cast<unsigned char>(m_buffer[m_pos + 1]);
        m_pos += 2;
        unit = static_cast<char16_t>(lo | (hi << 8));
        return true;
    }

    // Keeps a dangling odd byte; a file of odd length loses only its last byte.
    bool refill()
    {
        std::size_t kept = m_end - m_pos;
        if (kept > 0)
            m_buffer[0] = m_buffer[m_pos];
        m_pos = 0;
        m_end = kept;
        if (!m_in)
            return false;
        m_in.read(m_buffer.data() + kept, static_cast<std::streamsize>(m_buffer.size() - kept));
        m_end += static_cast<std::size_t>(m_in.gcount());
        return m_end >= 2;
    }

    std::istream& m_in;
    std::array<char, 8192> m_buffer{};
    std::size_t m_pos = 0;
    std::size_t m_end = 0;
};

} // namespace

CLangFile::~CLangFile()
{
    close();
}

bool CLangFile::open(const std::filesystem::path& path)
{
    std::lock_guard lock(m_mutex);
    if (m_file.is_open())
        m_file.close();
    m_fileName.clear();
    m_found.clear();
    // A directory or a FIFO put under a language file's name would fail every
    // read or block the program at start; only plain files are taken.
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        return false;
    m_file.clear();
    m_file.open(path, std::ios::in | std::ios::binary);
    if (!m_file.is_open())
        return false;
    m_fileName = path;
    return true;
}

void CLangFile::close()
{
    std::lock_guard lock(m_mutex);
    if (m_file.is_open())
        m_file.close();
    m_fileName.clear();
    m_found.clear();
}

bool CLangFile::isOpen() const
{
    std::lock_guard lock(m_mutex);
    return m_file.is_open();
}

std::filesystem::path CLangFile::fileName() const
{
    std::lock_guard lock(m_mutex);
    return m_fileName;
}

std::wstring CLangFile::lookup(const std::wstring& key)
{
    std::lock_guard lock(m_mutex);
    if (!m_file.is_open())
        return {};
    // The readings are translated ten times a second; the file is read once per text.
    if (const auto known = m_found.find(key); known != m_found.end())
        return known->second;

    m_file.clear();
    m_file.seekg(2, std::ios::beg);
    if (!m_file)
        return key; // not remembered: the next lookup reads again
    std::wstring text = search(key);
    if (m_file.bad())
        return text; // a read that failed part way says nothing for next time
    if (m_found.size() >= kMaxRemembered)
        m_found.clear();
    m_found.emplace(key, text);
    return text;
}

std::wstring CLangFile::search(const std::wstring& key)
{
    Utf16LineReader reader(m_file);
    std::u16string line;
    line.reserve(kMaxLineUnits);
    while (reader.next(line)) {
        // Only a line that really ends in CR LF counts. Cutting two characters
        // off anything else would hand out a translation with its end missing.
        if (line.size() < 2 || line[line.size() - 2] != u'\r' || line.back() != u'\n')
            continue;
        const std::u16string_view text(line.data(), line.size() - 2);

        const std::size_t firstTab = text.find(u'\t');
        if (firstTab == std::u16string_view::npos)
            continue;
        if (lang::unescape(lang::fromUtf16(text.substr(0, firstTab))) != key)
            continue;
        const std::size_t secondTab = text.find(u'\t', firstTab + 1);
        if (secondTab == std::u16string_view::npos)
            continue;
        return lang::unescape(lang::fromUtf16(text.substr(secondTab + 1)));
    }
    // The key as the caller wrote it; unescaping it would mangle a text that
    // holds a real backslash.
    return key;
}

} // namespace velmora
