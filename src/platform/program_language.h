// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The language the program speaks, chosen once at start by both executables.

#include <QString>

namespace velmora {

// Chooses the language: the one code names (--lang; "de", "fr_CA", ...) when code
// is not empty, else the user's (QLocale::uiLanguages, which honours LANGUAGE and
// LC_*; the user language on Windows) among the languages whose file is present.
// Opens the language files from the program's data folder (never the current
// directory) and installs Qt's own translations for the language, so standard
// buttons and dialogs match. Needs the application object. False, with error
// saying what to do, when code names no language the program knows (the user's
// language is taken then).
bool setUpLanguage(const QString& code, QString* error = nullptr);

// Qt's own texts for the language with the given index (see lang/language_choice.h),
// replacing those installed before: Qt's catalogue when it has one, and under it our
// own tables' words for the standard buttons and the file dialog, so a language Qt
// has no catalogue for still gets its Yes, No, Open and Cancel. Needs the
// application object and the language files loaded.
void installQtTranslations(int index);

} // namespace velmora
