// SPDX-License-Identifier: GPL-3.0-or-later
// Language files are plain files anyone can edit: a broken one must only make the
// lookup fall back, never crash or hang.

#include "lang/lang_file.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("velmora-fuzz-lang-" + std::to_string(::getpid()) + ".txt");
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    velmora::CLangFile file;
    if (!file.open(path)) return 0;
    for (const wchar_t* key : {L"Zamknij", L"Brak połączenia", L"", L"a\nb", L"\t"}) {
        const std::wstring got = file.lookup(key);
        (void)got;
    }
    return 0;
}
