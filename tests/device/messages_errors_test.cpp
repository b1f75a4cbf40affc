// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/device_errors.h"
#include "device/error.h"
#include "device/messages.h"
#include "lang/translate.h"

#include <gtest/gtest.h>

#include <vector>

using namespace velmora;

namespace {
struct RecordingBox : IMessageBox {
    int answer = ID_OK;
    std::vector<std::wstring> texts, captions;
    std::vector<unsigned> styles;
    int show(const std::wstring& text, const std::wstring& caption, unsigned style) override {
        texts.push_back(text);
        captions.push_back(caption);
        styles.push_back(style);
        return answer;
    }
};
} // namespace

TEST(ReportMessage, PassesTextsUpToTheLimitsWhole) {
    RecordingBox box;
    box.answer = ID_YES;
    const std::wstring text(2047, L'x');
    const std::wstring caption(511, L'c');
    EXPECT_EQ(reportMessage(&box, text, caption, MB_YESNO_DEFNO), ID_YES);
    ASSERT_EQ(box.texts.size(), 1u);
    EXPECT_EQ(box.texts[0], text);
    EXPECT_EQ(box.captions[0], caption);
    EXPECT_EQ(box.styles[0], static_cast<unsigned>(MB_YESNO_DEFNO));
}

TEST(ReportMessage, CutsLongerTextsToTheirBuffers) {
    RecordingBox box;
    reportMessage(&box, std::wstring(5000, L'x'), std::wstring(900, L'c'), MB_ERROR);
    EXPECT_EQ(box.texts[0].size(), 2047u);
    EXPECT_EQ(box.captions[0].size(), 511u);
}

TEST(ReportMessage, NeverSplitsASurrogatePair) {
    if constexpr (sizeof(wchar_t) != 2) GTEST_SKIP() << "wide characters are whole code points here";
    RecordingBox box;
    std::wstring text(2046, L'x');
    text += static_cast<wchar_t>(0xD83D); // U+1F600 straddles the limit
    text += static_cast<wchar_t>(0xDE00);
    reportMessage(&box, text, kCaption, MB_INFO);
    EXPECT_EQ(box.texts[0].size(), 2046u);
}

TEST(ReportMessage, WithoutABoxNobodyAgrees) {
    EXPECT_EQ(reportMessage(nullptr, L"?", kCaption, MB_YESNO_DEFNO), ID_NO);
    EXPECT_EQ(reportMessage(nullptr, L"!", kCaption, MB_ERROR), ID_OK);
    EXPECT_EQ(reportMessage(nullptr, L"!", kCaption, MB_PLAIN), ID_OK);
    EXPECT_EQ(reportMessage(nullptr, L"!", kCaption, 0x1 /* OK, Cancel */), ID_CANCEL);
}

TEST(SerialErrors, CarryTheirCodeMessagesAndReadableText) {
    const CRSError open(CRSError::OpenFailed, L"CSerialPort::open(7) - GetLastError()=2", 68,
                        L"serialport");
    EXPECT_STREQ(open.className(), "CRSError");
    ASSERT_EQ(open.messages().size(), 2u);
    EXPECT_EQ(open.messages()[0], translate(L"Nie można otworzyć portu RS."));
    EXPECT_EQ(open.messages()[1], translate(L"Nie można wykonać operacji na RS."));
    EXPECT_EQ(open.format(), translate(L"Nie można otworzyć portu RS.") +
                                 L"\nCSerialPort::open(7) - GetLastError()=2\nserialport, line 68");

    const CRSError op(CRSError::OperationFailed, L"ctx", 167, L"serialport");
    EXPECT_EQ(op.format().substr(0, op.messages()[1].size()), op.messages()[1]);

    // A code without a message still reads as something.
    const CRSError odd(42, L"ctx", 1, L"serialport");
    EXPECT_NE(odd.format().find(L"CRSError 42"), std::wstring::npos);
}

TEST(SerialErrors, AreCaughtAsTheBaseClass) {
    try {
        throw CRSError(CRSError::OperationFailed, L"x", 183, L"serialport");
    } catch (const IError& e) {
        EXPECT_EQ(e.code(), 6);
        EXPECT_EQ(e.line(), 183);
        EXPECT_EQ(e.source(), L"serialport");
    }
}

TEST(Ansi2Unicode, DecodesUtf8AndReplacesBrokenBytes) {
    EXPECT_EQ(ansi2unicode("serialport"), L"serialport");
    EXPECT_EQ(ansi2unicode("/dev/\xC5\x82\xC3\xB3"), L"/dev/\u0142\u00F3");
    EXPECT_EQ(ansi2unicode("a\xFF" "b"), L"a\uFFFDb");
    EXPECT_EQ(ansi2unicode("\xC5"), L"\uFFFD"); // cut short
}

TEST(TransmissionCategory, HoldsItsFiveTextsInCodeOrder) {
    const CTransmError category;
    ASSERT_EQ(category.messages().size(), 5u);
    EXPECT_EQ(category.messages()[0], translate(L"Nieznana komenda"));
    EXPECT_EQ(category.messages()[3], translate(L"Błąd CRC ramki"));
    EXPECT_EQ(category.messages()[4], translate(L"Błąd inny niż transmisji"));
    EXPECT_EQ(category.name(), translate(L"Transmisja"));

    CLPGDeviceErr owner;
    owner.addCategory(std::make_unique<CTransmError>());
    owner.addCategory(std::make_unique<CTransmError>());
    owner.addCategory(nullptr);
    EXPECT_EQ(owner.categoryCount(), 2u);
}
