// SPDX-License-Identifier: GPL-3.0-or-later
// The language both programs start in, through Qt: the user's languages as Qt
// reads them from the environment, --lang, and Qt's own translations. Its own
// executable, so that nothing has read the system locale before the test sets it.

#include "platform/program_language.h"

#include "lang/translate.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibraryInfo>

#include <gtest/gtest.h>

#include <cstdlib>

namespace velmora {
namespace {

TEST(ProgramLanguage, UserLanguagesFromTheEnvironmentThenTheCommandLineWithQtsOwnTexts)
{
    // Portuguese has no file: the next language the user reads is taken.
    setenv("LANGUAGE", "pt_BR:el:de", 1);
    setenv("LC_ALL", "fr_FR.UTF-8", 1);
    int argc = 1;
    char name[] = "program_language_tests";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);

    ASSERT_TRUE(setUpLanguage(QString()));
    EXPECT_EQ(languageIndex(), 11); // Greek, read from the shipped GREEK.txt
    EXPECT_NE(translate(L"Zamknij"), L"Zamknij");

    // --lang wins, and Qt's standard buttons follow it where Qt has a catalogue.
    ASSERT_TRUE(setUpLanguage(QStringLiteral("ru")));
    EXPECT_EQ(languageIndex(), 2);
    const QString catalogue =
        QLibraryInfo::path(QLibraryInfo::TranslationsPath) + QStringLiteral("/qtbase_ru.qm");
    if (QFileInfo::exists(catalogue)) {
        EXPECT_NE(QCoreApplication::translate("QPlatformTheme", "&Yes"), QStringLiteral("&Yes"));
    }

    QString error;
    EXPECT_FALSE(setUpLanguage(QStringLiteral("klingon"), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("klingon"))) << error.toStdString();
    EXPECT_TRUE(error.contains(QStringLiteral("de"))) << error.toStdString();
    unloadLanguageFiles();
}

} // namespace
} // namespace velmora
