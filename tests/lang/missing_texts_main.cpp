// SPDX-License-Identifier: GPL-3.0-or-later
// velmora_missing_texts SOURCE_ROOT [TABLE...]: lists, per language table, the
// program texts that have no line in it, with the English line as a guide for the
// translator. Exit status 1 when anything is missing or a table is faulty.
// Run through scripts/missing-translations.

#include "translation_coverage.h"

#include <cstdio>
#include <string>
#include <vector>

using namespace velmora::test;

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s SOURCE_ROOT [TABLE...]\n", argv[0]);
        return 2;
    }
    const std::filesystem::path root = argv[1];
    std::vector<std::string> tables(argv + 2, argv + argc);
    if (tables.empty())
        tables = languageTables();

    const auto texts = programTexts(root);
    const TableCoverage english = coverage(root, "ENGLISH", texts);
    bool complete = true;
    for (const std::string& table : tables) {
        const TableCoverage found = coverage(root, table, texts);
        for (const std::string& error : found.errors)
            std::printf("%s\n", error.c_str());
        complete = complete && found.errors.empty() && found.missing.empty();
        if (found.missing.empty())
            continue;
        std::printf("# %s: %zu text(s) without a line\n", found.tableName.c_str(),
                    found.missing.size());
        for (const std::wstring& text : found.missing) {
            const auto guide = english.entries.find(text);
            const std::string hint =
                guide != english.entries.end() ? "en: " + tableSpelling(guide->second) : "new";
            std::printf("%s\t# %s (%s)\n", tableSpelling(text).c_str(), hint.c_str(),
                        texts.at(text).c_str());
        }
        std::printf("\n");
    }
    if (complete)
        std::printf("Every table has a line for each of the %zu program texts.\n", texts.size());
    return complete ? 0 : 1;
}
