// SPDX-License-Identifier: GPL-3.0-or-later
#include "lang/translate.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace velmora {
namespace {

// Sets the locale variables for one test and puts the old values back.
class LocaleEnvironment : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* name : kNames) {
            const char* value = std::getenv(name);
            m_saved.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
            unsetenv(name);
        }
    }
    void TearDown() override
    {
        for (const auto& [name, value] : m_saved) {
            if (value)
                setenv(name.c_str(), value->c_str(), 1);
            else
                unsetenv(name.c_str());
        }
    }

    static constexpr const char* kNames[] = {"LC_ALL", "LC_MESSAGES", "LANG"};
    std::vector<std::pair<std::string, std::optional<std::string>>> m_saved;
};

TEST_F(LocaleEnvironment, VariablesTakePrecedenceInPosixOrder)
{
    EXPECT_EQ(userLanguageId(), 0x0409);
    setenv("LANG", "pl_PL.UTF-8", 1);
    EXPECT_EQ(userLanguageId(), 0x0415);
    setenv("LC_MESSAGES", "ru_RU.UTF-8", 1);
    EXPECT_EQ(userLanguageId(), 0x0419);
    setenv("LC_ALL", "es_MX.UTF-8", 1);
    EXPECT_EQ(userLanguageId(), 0x080A);
    // An empty variable is as good as unset.
    setenv("LC_ALL", "", 1);
    EXPECT_EQ(userLanguageId(), 0x0419);
}

} // namespace
} // namespace velmora
