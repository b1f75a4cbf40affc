// SPDX-License-Identifier: GPL-3.0-or-later
#include "source_texts.h"

#include "lang/lang_text.h"

#include <cctype>
#include <cstdint>
#include <optional>

namespace velmora::test {

namespace {

bool isIdentifierChar(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_';
}

class Scanner {
public:
    Scanner(std::string_view source, const std::string& fileName)
        : m_s(source), m_fileName(fileName)
    {
    }

    std::vector<SourceText> run()
    {
        while (m_i < m_s.size()) {
            const char c = m_s[m_i];
            if (m_s.substr(m_i, 2) == "//") {
                skipUntil("\n");
            } else if (m_s.substr(m_i, 2) == "/*") {
                m_i += 2;
                skipUntil("*/");
                m_i += 2;
            } else if (c == '"') {
                ++m_i;
                readQuoted('"');
            } else if (c == '\'') {
                ++m_i;
                readQuoted('\'');
            } else if (std::isdigit(static_cast<unsigned char>(c))) {
                skipNumber(); // digit separators are not character literals
            } else if (isIdentifierChar(c)) {
                identifier();
            } else {
                advance();
            }
        }
        return std::move(m_found);
    }

private:
    void advance()
    {
        if (m_i < m_s.size() && m_s[m_i] == '\n')
            ++m_line;
        ++m_i;
    }

    void skipUntil(std::string_view end)
    {
        while (m_i < m_s.size() && m_s.substr(m_i, end.size()) != end)
            advance();
    }

    void skipSpace()
    {
        while (m_i < m_s.size() && std::isspace(static_cast<unsigned char>(m_s[m_i])) != 0)
            advance();
    }

    void skipNumber()
    {
        while (m_i < m_s.size()) {
            const char c = m_s[m_i];
            const bool exponentSign = (c == '+' || c == '-') && m_i > 0 &&
                                      std::string_view("eEpP").find(m_s[m_i - 1]) != std::string_view::npos;
            if (!isIdentifierChar(c) && c != '.' && c != '\'' && !exponentSign)
                break;
            ++m_i;
        }
    }

    void identifier()
    {
        const std::size_t start = m_i;
        while (m_i < m_s.size() && isIdentifierChar(m_s[m_i]))
            ++m_i;
        const std::string_view name = m_s.substr(start, m_i - start);
        const char next = m_i < m_s.size() ? m_s[m_i] : '\0';
        if (next == '"' && isStringPrefix(name)) {
            ++m_i;
            if (name.back() == 'R')
                readRaw();
            else
                readQuoted('"');
        } else if (next == '\'' && (name == "L" || name == "u" || name == "U" || name == "u8")) {
            ++m_i;
            readQuoted('\'');
        } else if (name == "translate") {
            translateCall();
        }
    }

    static bool isStringPrefix(std::string_view name)
    {
        for (std::string_view prefix : {"L", "u", "U", "u8", "R", "LR", "uR", "UR", "u8R"}) {
            if (name == prefix)
                return true;
        }
        return false;
    }

    void translateCall()
    {
        const int line = m_line;
        skipSpace();
        if (m_i >= m_s.size() || m_s[m_i] != '(')
            return;
        ++m_i;
        skipSpace();
        if (m_s.substr(m_i, 2) != "L\"" && m_s.substr(m_i, 3) != "LR\"")
            return;
        std::wstring text;
        // Adjacent literals join into one.
        for (;;) {
            if (m_s.substr(m_i, 3) == "LR\"" || m_s.substr(m_i, 2) == "R\"") {
                m_i = m_s.find('"', m_i) + 1;
                text += readRaw();
            } else if (m_s.substr(m_i, 2) == "L\"" || m_s.substr(m_i, 1) == "\"") {
                m_i = m_s.find('"', m_i) + 1;
                text += readQuoted('"');
            } else {
                break;
            }
            skipSpace();
        }
        m_found.push_back({std::move(text), m_fileName + ":" + std::to_string(line)});
    }

    // From just after the opening quote to just after the closing one.
    std::wstring readQuoted(char quote)
    {
        std::wstring out;
        std::string run;
        auto flush = [&] {
            const std::optional<std::wstring> decoded = lang::fromUtf8(run);
            out += decoded ? *decoded : L"\uFFFD";
            run.clear();
        };
        while (m_i < m_s.size() && m_s[m_i] != quote && m_s[m_i] != '\n') {
            if (m_s[m_i] != '\\') {
                run.push_back(m_s[m_i++]);
                continue;
            }
            flush();
            ++m_i;
            if (m_i >= m_s.size())
                break;
            const char e = m_s[m_i++];
            switch (e) {
            case 'n': out += L'\n'; break;
            case 't': out += L'\t'; break;
            case 'r': out += L'\r'; break;
            case 'a': out += L'\a'; break;
            case 'b': out += L'\b'; break;
            case 'f': out += L'\f'; break;
            case 'v': out += L'\v'; break;
            case 'x': lang::appendCodePoint(out, readDigits(16, SIZE_MAX)); break;
            case 'u': lang::appendCodePoint(out, readDigits(16, 4)); break;
            case 'U': lang::appendCodePoint(out, readDigits(16, 8)); break;
            default:
                if (e >= '0' && e <= '7') {
                    --m_i;
                    lang::appendCodePoint(out, readDigits(8, 3));
                } else {
                    out += static_cast<wchar_t>(e); // \\ \" \' \?
                }
            }
        }
        flush();
        if (m_i < m_s.size() && m_s[m_i] == quote)
            ++m_i;
        return out;
    }

    char32_t readDigits(int base, std::size_t maxDigits)
    {
        char32_t value = 0;
        for (std::size_t n = 0; n < maxDigits && m_i < m_s.size(); ++n) {
            const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(m_s[m_i])));
            int digit = 99;
            if (c >= '0' && c <= '9')
                digit = c - '0';
            else if (c >= 'a' && c <= 'f')
                digit = c - 'a' + 10;
            if (digit >= base)
                break;
            value = value * static_cast<char32_t>(base) + static_cast<char32_t>(digit);
            ++m_i;
        }
        return value;
    }

    // R"delimiter( ... )delimiter", from just after the quote.
    std::wstring readRaw()
    {
        const std::size_t open = m_s.find('(', m_i);
        if (open == std::string_view::npos) {
            m_i = m_s.size();
            return {};
        }
        // Appended piece by piece: GCC 12 at -O3 sees a false overlap in ")" + s + "\"".
        std::string close(1, ')');
        close.append(m_s.substr(m_i, open - m_i));
        close.push_back('"');
        const std::size_t end = m_s.find(close, open + 1);
        const std::size_t bodyLength =
            end == std::string_view::npos ? std::string_view::npos : end - open - 1;
        const std::string_view body = m_s.substr(open + 1, bodyLength);
        while (m_i < open + 1 + body.size())
            advance();
        m_i = end == std::string_view::npos ? m_s.size() : end + close.size();
        return lang::fromUtf8(body).value_or(L"\uFFFD");
    }

    std::string_view m_s;
    std::string m_fileName;
    std::size_t m_i = 0;
    int m_line = 1;
    std::vector<SourceText> m_found;
};

} // namespace

std::vector<SourceText> findTranslatedTexts(std::string_view source, const std::string& fileName)
{
    return Scanner(source, fileName).run();
}

} // namespace velmora::test
