// SPDX-License-Identifier: GPL-3.0-or-later
#include "line/json.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace velmora::line {

namespace {

const Json kNull;

// Length of the UTF-8 sequence starting at text[i], or 0 when it is not valid.
std::size_t utf8Length(const std::string& text, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char c = byte(i);
    std::size_t n = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
    if (n == 0 || i + n > text.size()) return 0;
    for (std::size_t k = 1; k < n; ++k)
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
    if (n == 2 && c < 0xC2) return 0; // overlong
    return n;
}

void writeText(std::string& out, const std::string& text) {
    out += '"';
    for (std::size_t i = 0; i < text.size();) {
        const char c = text[i];
        const std::size_t n = utf8Length(text, i);
        if (n == 0) {
            out += "\xEF\xBF\xBD";
            ++i;
            continue;
        }
        if (n > 1) {
            out.append(text, i, n);
            i += n;
            continue;
        }
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
                out += escaped;
            } else {
                out += c;
            }
        }
        ++i;
    }
    out += '"';
}

void newline(std::string& out, int indent, int level) {
    if (indent < 0) return;
    out += '\n';
    out.append(static_cast<std::size_t>(indent * level), ' ');
}

class Parser {
public:
    explicit Parser(const std::string& text) : m_text(text) {}

    bool document(Json& value) {
        if (!parseValue(value, 0)) return false;
        skipSpace();
        return m_pos == m_text.size();
    }

private:
    void skipSpace() {
        while (m_pos < m_text.size() && (m_text[m_pos] == ' ' || m_text[m_pos] == '\n' ||
                                         m_text[m_pos] == '\r' || m_text[m_pos] == '\t'))
            ++m_pos;
    }
    bool take(char c) {
        skipSpace();
        if (m_pos < m_text.size() && m_text[m_pos] == c) {
            ++m_pos;
            return true;
        }
        return false;
    }
    bool word(const char* w) {
        const std::string s(w);
        if (m_text.compare(m_pos, s.size(), s) != 0) return false;
        m_pos += s.size();
        return true;
    }
    static void appendUtf8(std::string& out, unsigned cp) {
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    bool parseString(std::string& out) {
        if (!take('"')) return false;
        while (m_pos < m_text.size()) {
            const char c = m_text[m_pos++];
            if (c == '"') return true;
            if (static_cast<unsigned char>(c) < 0x20) return false;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (m_pos >= m_text.size()) return false;
            const char e = m_text[m_pos++];
            switch (e) {
            case '"': case '\\': case '/': out += e; break;
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case 't': out += '\t'; break;
            case 'b': out += '\b'; break;
            case 'f': out += '\f'; break;
            case 'u': {
                if (m_pos + 4 > m_text.size()) return false;
                unsigned cp = 0;
                for (int k = 0; k < 4; ++k) {
                    const char h = m_text[m_pos++];
                    cp <<= 4;
                    if (h >= '0' && h <= '9') cp |= static_cast<unsigned>(h - '0');
                    else if (h >= 'a' && h <= 'f') cp |= static_cast<unsigned>(h - 'a' + 10);
                    else if (h >= 'A' && h <= 'F') cp |= static_cast<unsigned>(h - 'A' + 10);
                    else return false;
                }
                appendUtf8(out, cp); // surrogate pairs are not written by dump
                break;
            }
            default: return false;
            }
        }
        return false;
    }
    bool parseValue(Json& value, int depth) {
        if (depth > 64) return false;
        skipSpace();
        if (m_pos >= m_text.size()) return false;
        const char c = m_text[m_pos];
        if (c == '{') {
            ++m_pos;
            value = Json::object();
            if (take('}')) return true;
            do {
                std::string key;
                Json item;
                if (!parseString(key) || !take(':') || !parseValue(item, depth + 1)) return false;
                value.set(key, std::move(item));
            } while (take(','));
            return take('}');
        }
        if (c == '[') {
            ++m_pos;
            value = Json::array();
            if (take(']')) return true;
            do {
                Json item;
                if (!parseValue(item, depth + 1)) return false;
                value.push(std::move(item));
            } while (take(','));
            return take(']');
        }
        if (c == '"') {
            std::string text;
            if (!parseString(text)) return false;
            value = Json(std::move(text));
            return true;
        }
        if (word("true")) { value = Json(true); return true; }
        if (word("false")) { value = Json(false); return true; }
        if (word("null")) { value = Json(); return true; }
        const std::size_t start = m_pos;
        while (m_pos < m_text.size() && std::string("+-0123456789.eE").find(m_text[m_pos]) != std::string::npos)
            ++m_pos;
        const std::string number = m_text.substr(start, m_pos - start);
        if (number.empty()) return false;
        char* end = nullptr;
        if (number.find_first_of(".eE") == std::string::npos) {
            const long long v = std::strtoll(number.c_str(), &end, 10);
            if (end != number.c_str() + number.size()) return false;
            value = Json(v);
        } else {
            const double v = std::strtod(number.c_str(), &end);
            if (end != number.c_str() + number.size()) return false;
            value = Json(v);
        }
        return true;
    }

    const std::string& m_text;
    std::size_t m_pos = 0;
};

} // namespace

Json& Json::push(Json value) {
    if (m_kind == Kind::Null) m_kind = Kind::Array;
    m_items.push_back(std::move(value));
    return *this;
}

Json& Json::set(const std::string& key, Json value) {
    if (m_kind == Kind::Null) m_kind = Kind::Object;
    for (std::size_t i = 0; i < m_keys.size(); ++i)
        if (m_keys[i] == key) {
            m_items[i] = std::move(value);
            return *this;
        }
    m_keys.push_back(key);
    m_items.push_back(std::move(value));
    return *this;
}

const Json& Json::operator[](const std::string& key) const {
    for (std::size_t i = 0; i < m_keys.size(); ++i)
        if (m_keys[i] == key) return m_items[i];
    return kNull;
}

std::string Json::dump(int indent) const {
    std::string out;
    write(out, indent, 0);
    return out;
}

void Json::write(std::string& out, int indent, int level) const {
    switch (m_kind) {
    case Kind::Null: out += "null"; break;
    case Kind::Bool: out += m_bool ? "true" : "false"; break;
    case Kind::Integer: out += std::to_string(m_integer); break;
    case Kind::Number: {
        if (!std::isfinite(m_number)) {
            out += "null"; // JSON has no NaN or infinity
            break;
        }
        char text[32];
        std::snprintf(text, sizeof text, "%.10g", m_number); // 0.96, not 0.96000000000000008
        out += text;
        break;
    }
    case Kind::Text: writeText(out, m_text); break;
    case Kind::Array:
    case Kind::Object: {
        const bool object = m_kind == Kind::Object;
        out += object ? '{' : '[';
        for (std::size_t i = 0; i < m_items.size(); ++i) {
            if (i) out += ',';
            newline(out, indent, level + 1);
            if (object) {
                writeText(out, m_keys[i]);
                out += indent < 0 ? ":" : ": ";
            }
            m_items[i].write(out, indent, level + 1);
        }
        if (!m_items.empty()) newline(out, indent, level);
        out += object ? '}' : ']';
        break;
    }
    }
}

bool Json::parse(const std::string& text, Json& value) {
    Json parsed;
    if (!Parser(text).document(parsed)) return false;
    value = std::move(parsed);
    return true;
}

std::string versionText(std::uint16_t version) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", version);
    return text;
}

} // namespace velmora::line
