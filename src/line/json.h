// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A small JSON value for what the console tool prints with --json and writes to the
// station's log. Objects keep their keys in the order they were set, so the output
// reads the same from run to run; text is written as UTF-8 with the escapes JSON
// requires, and bytes that are not UTF-8 become U+FFFD.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace velmora::line {

class Json {
public:
    enum class Kind { Null, Bool, Integer, Number, Text, Array, Object };

    Json() = default; // null
    Json(std::nullptr_t) {}
    Json(bool value) : m_kind(Kind::Bool), m_bool(value) {}
    Json(int value) : m_kind(Kind::Integer), m_integer(value) {}
    Json(long value) : m_kind(Kind::Integer), m_integer(value) {}
    Json(long long value) : m_kind(Kind::Integer), m_integer(value) {}
    Json(unsigned value) : m_kind(Kind::Integer), m_integer(value) {}
    Json(unsigned long value) : m_kind(Kind::Integer), m_integer(static_cast<long long>(value)) {}
    Json(unsigned long long value) : m_kind(Kind::Integer), m_integer(static_cast<long long>(value)) {}
    Json(double value) : m_kind(Kind::Number), m_number(value) {}
    Json(const char* text) : m_kind(Kind::Text), m_text(text) {}
    Json(std::string text) : m_kind(Kind::Text), m_text(std::move(text)) {}

    static Json array() { Json j; j.m_kind = Kind::Array; return j; }
    static Json object() { Json j; j.m_kind = Kind::Object; return j; }

    Kind kind() const { return m_kind; }
    bool isNull() const { return m_kind == Kind::Null; }

    // Array: appends. Turns a null into an array first.
    Json& push(Json value);
    // Object: sets key (replacing its value, keeping its place). Turns a null into an object.
    Json& set(const std::string& key, Json value);
    // Object: the value of key, or null when there is none.
    const Json& operator[](const std::string& key) const;
    // Array: element i.
    const Json& at(std::size_t i) const { return m_items.at(i); }
    std::size_t size() const { return m_kind == Kind::Object ? m_keys.size() : m_items.size(); }

    bool asBool() const { return m_bool; }
    long long asInteger() const { return m_integer; }
    double asNumber() const { return m_kind == Kind::Integer ? static_cast<double>(m_integer) : m_number; }
    const std::string& asText() const { return m_text; }

    // Compact text on one line (indent < 0), or indented by that many spaces per level.
    std::string dump(int indent = -1) const;

    // Parses JSON text; false (and value untouched) on anything malformed. Enough for
    // reading back what dump writes: tests, and lines of a station log.
    static bool parse(const std::string& text, Json& value);

private:
    void write(std::string& out, int indent, int level) const;

    Kind m_kind = Kind::Null;
    bool m_bool = false;
    long long m_integer = 0;
    double m_number = 0;
    std::string m_text;
    std::vector<Json> m_items;       // array items, or object values in key order
    std::vector<std::string> m_keys; // object keys
};

// "0x" and four upper-case hexadecimal digits, as the unit's versions are written.
std::string versionText(std::uint16_t version);

} // namespace velmora::line
