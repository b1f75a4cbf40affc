// SPDX-License-Identifier: GPL-3.0-or-later
#include "firmware_ui.h"

namespace velmora {

std::vector<std::pair<std::wstring, std::wstring>> parseFileFilter(const std::wstring& filter) {
    std::vector<std::wstring> parts;
    std::size_t start = 0;
    while (start < filter.size()) {
        std::size_t bar = filter.find(L'|', start);
        if (bar == std::wstring::npos)
            bar = filter.size();
        parts.push_back(filter.substr(start, bar - start));
        start = bar + 1;
    }
    std::vector<std::pair<std::wstring, std::wstring>> entries;
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2)
        entries.emplace_back(parts[i], parts[i + 1]);
    return entries;
}

} // namespace velmora
