// SPDX-License-Identifier: GPL-3.0-or-later
#include "lang/program_data.h"

#include "lang_test_files.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

namespace fs = std::filesystem;

TEST(ProgramDataFolder, BesideTheExecutableThenTheInstalledDataFolderNeverTheCurrentDirectory)
{
    test::TempDir root;
    const fs::path bin = root.path() / "bin";
    const fs::path installed = root.path() / "share" / "velmora" / "EM_LANG";
    fs::create_directories(bin);

    // Nowhere yet, even with an EM_LANG in the current directory.
    fs::create_directories(root.path() / "cwd" / "EM_LANG");
    const fs::path previous = fs::current_path();
    fs::current_path(root.path() / "cwd");
    EXPECT_EQ(programDataFolder(bin, "EM_LANG"), fs::path());
    EXPECT_EQ(programDataFolder(fs::path("bin"), "EM_LANG"), fs::path()); // relative
    EXPECT_EQ(programDataFolder(fs::path(), "EM_LANG"), fs::path());
    fs::current_path(previous);

    fs::create_directories(installed);
    EXPECT_EQ(programDataFolder(bin, "EM_LANG"), installed.lexically_normal());
    // A file of that name is not the folder.
    test::writeBytes(bin / "EM_LANG", "x");
    EXPECT_EQ(programDataFolder(bin, "EM_LANG"), installed.lexically_normal());
    fs::remove(bin / "EM_LANG");
    // A development build's own folder comes first.
    fs::create_directories(bin / "EM_LANG");
    EXPECT_EQ(programDataFolder(bin, "EM_LANG"), (bin / "EM_LANG").lexically_normal());
}

} // namespace
} // namespace velmora
