// SPDX-License-Identifier: GPL-3.0-or-later
// Build tool: turns one translation table (lang/*.tsv) into a language file.
//   velmora_langgen <table.tsv> <LANGUAGE.txt>
// Errors are printed as "<table>:<line>: <what>" and the output is left untouched.

#include "lang/lang_table.h"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <system_error>

namespace fs = std::filesystem;

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::cerr << "usage: velmora_langgen <table.tsv> <output.txt>\n";
        return 2;
    }
    const fs::path input = argv[1];
    const fs::path output = argv[2];

    std::ifstream in(input, std::ios::binary);
    if (!in) {
        std::cerr << input.string() << ": cannot be read\n";
        return 1;
    }
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad()) {
        std::cerr << input.string() << ": read error\n";
        return 1;
    }

    const velmora::lang::Table table = velmora::lang::parseTable(text, input.string());
    if (!table.errors.empty()) {
        for (const std::string& error : table.errors)
            std::cerr << error << '\n';
        return 1;
    }

    // Written beside the target and renamed, so an interrupted build never
    // leaves a half-written file that looks up to date.
    std::error_code ec;
    fs::create_directories(output.parent_path(), ec);
    fs::path temporary = output;
    temporary += ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        const std::string bytes = velmora::lang::encodeLanguageFile(table.entries);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!out.flush()) {
            std::cerr << temporary.string() << ": cannot be written\n";
            return 1;
        }
    }
    fs::rename(temporary, output, ec);
    if (ec) {
        std::cerr << output.string() << ": " << ec.message() << '\n';
        fs::remove(temporary, ec);
        return 1;
    }
    return 0;
}
