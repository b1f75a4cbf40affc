// SPDX-License-Identifier: GPL-3.0-or-later
#include "lang/translate.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string_view>
#include <utility>

namespace velmora {

namespace {

constexpr std::uint16_t kPolishId = 0x0415;
constexpr std::uint16_t kRussianId = 0x0419;
constexpr std::uint16_t kRussianMoldovaId = 0x0819;
constexpr std::uint16_t kEnglishUsId = 0x0409;
constexpr std::uint16_t kSpanishPrimary = 0x0A;
constexpr std::uint16_t kSpanishModernSortId = 0x0C0A;

// Windows identifiers of Spanish by territory (sub-languages 2 to 20; 1 is the
// traditional sort of Spain, which no locale name asks for).
constexpr std::array<std::pair<std::string_view, std::uint16_t>, 19> kSpanishTerritories = {{
    {"ES", 0x0C0A}, {"MX", 0x080A}, {"GT", 0x100A}, {"CR", 0x140A}, {"PA", 0x180A},
    {"DO", 0x1C0A}, {"VE", 0x200A}, {"CO", 0x240A}, {"PE", 0x280A}, {"AR", 0x2C0A},
    {"EC", 0x300A}, {"CL", 0x340A}, {"UY", 0x380A}, {"PY", 0x3C0A}, {"BO", 0x400A},
    {"SV", 0x440A}, {"HN", 0x480A}, {"NI", 0x4C0A}, {"PR", 0x500A},
}};

std::string upper(std::string_view text)
{
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return out;
}

} // namespace

int selectLanguage(std::uint16_t langId)
{
    if (langId == kPolishId)
        return 0;
    if (langId == kRussianId)
        return 2;
    const unsigned primary = langId & 0x3FFu;
    const unsigned sub = langId >> 10;
    if (primary == kSpanishPrimary && sub >= 1 && sub <= 20)
        return 7;
    return 1;
}

// A POSIX locale name reads language[_territory][.codeset][@modifier].
std::uint16_t languageIdFromLocale(const std::string& locale)
{
    const std::string_view name(locale);
    const std::size_t languageEnd = name.find_first_of("_.@");
    const std::string language = upper(name.substr(0, languageEnd));
    std::string territory;
    if (languageEnd != std::string_view::npos && name[languageEnd] == '_') {
        const std::string_view rest = name.substr(languageEnd + 1);
        territory = upper(rest.substr(0, rest.find_first_of(".@")));
    }

    if (language == "PL")
        return kPolishId;
    if (language == "RU")
        // Windows gives Russian in Moldova an identifier of its own, which the
        // selection does not take for Russian; keep it that way here.
        return territory == "MD" ? kRussianMoldovaId : kRussianId;
    if (language == "ES") {
        for (const auto& [code, id] : kSpanishTerritories) {
            if (territory == code)
                return id;
        }
        // Spanish where Windows has no matching sub-language (es_US, plain es):
        // still Spanish.
        return kSpanishModernSortId;
    }
    return kEnglishUsId;
}

} // namespace velmora
