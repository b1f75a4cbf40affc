// SPDX-License-Identifier: GPL-3.0-or-later
// The console tool's reusable parts: its message box and number parsing.

#include "cli/commands.h"
#include "cli/console_message_box.h"

#include <QString>

#include <gtest/gtest.h>

#include <sstream>

namespace velmora::cli {
namespace {

TEST(ConsoleMessageBox, PrintsCaptionAndTextAndAnswersQuestionsFromTheFlag) {
    std::ostringstream out;
    CConsoleMessageBox no(false, out);
    EXPECT_EQ(no.show(L"Brak połączenia", kCaption, MB_ERROR), ID_OK);
    EXPECT_EQ(out.str(), "Emulator: Brak połączenia\n");
    EXPECT_EQ(no.show(L"Czy?", kCaption, MB_YESNO_DEFNO), ID_NO);
    EXPECT_NE(out.str().find("--yes"), std::string::npos);

    std::ostringstream out2;
    CConsoleMessageBox yes(true, out2);
    EXPECT_EQ(yes.show(L"Czy?", kCaption, MB_YESNO_DEFNO), ID_YES);
    EXPECT_EQ(yes.show(L"Info", kCaption, MB_INFO), ID_OK); // only questions take the flag
    EXPECT_EQ(yes.shown(), 2u);
}

TEST(CommandLine, NumbersInDecimalAndHexWithinRange) {
    unsigned v = 99;
    EXPECT_TRUE(parseNumber(QStringLiteral("0x0104"), 0xFFFF, v));
    EXPECT_EQ(v, 0x0104u);
    EXPECT_TRUE(parseNumber(QStringLiteral("12"), 0xFFFF, v));
    EXPECT_EQ(v, 12u);
    v = 7;
    for (const char* bad : {"0x10000", "-1", "", "1x", "twelve"})
        EXPECT_FALSE(parseNumber(QString::fromLatin1(bad), 0xFFFF, v)) << bad;
    EXPECT_EQ(v, 7u); // untouched on failure
}

} // namespace
} // namespace velmora::cli
