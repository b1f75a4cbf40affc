// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/program_language.h"

#include "lang/language_choice.h"
#include "lang/program_data.h"
#include "lang/translate.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <cstring>
#include <filesystem>
#include <system_error>

namespace velmora {

namespace {

int userLanguageIndex(const std::filesystem::path& folder)
{
    const LanguageFilePresent hasFile = [&folder](int index) {
        const char* name = languageFileName(index);
        std::error_code ec;
        return !folder.empty() && name != nullptr &&
               std::filesystem::is_regular_file(folder / name, ec);
    };
#ifdef Q_OS_WIN
    return selectLanguage(userLanguageId(), hasFile);
#else
    std::vector<std::string> languages;
    for (const QString& name : QLocale::system().uiLanguages())
        languages.push_back(name.toStdString());
    return selectLanguage(languages, hasFile);
#endif
}

// Qt ships no Bosnian catalogue; Croatian is the closest that it has.
QStringList qtCatalogues(int index)
{
    const QString code = QString::fromLatin1(languageCode(index));
    if (code == QLatin1String("en"))
        return {}; // Qt's own texts are English
    if (code == QLatin1String("bs"))
        return {code, QStringLiteral("hr")};
    return {code};
}

// Qt's texts (as Qt's sources write them) and the table text that translates each.
// A Qt text without '&' takes the table's translation without its mnemonic.
struct QtText {
    const char* qt;
    const wchar_t* ours;
};
constexpr QtText kQtTexts[] = {
    {"OK", L"OK"},
    {"&Yes", L"&Tak"},
    {"&No", L"&Nie"},
    {"Cancel", L"Anuluj"},
    {"Open", L"&Otwórz"},
    {"&Open", L"&Otwórz"},
    {"Save", L"&Zapisz"},
    {"&Save", L"&Zapisz"},
    {"Close", L"Zamknij"},
    {"Look in:", L"Szukaj w:"},
    {"File &name:", L"&Nazwa pliku:"},
    {"Files of type:", L"Pliki typu:"},
    {"Show Details...", L"Pokaż szczegóły…"},
    {"Hide Details...", L"Ukryj szczegóły…"},
};

// The standard buttons and the file dialog's words from our own tables.
class CTableTranslator : public QTranslator {
public:
    using QTranslator::QTranslator;
    bool isEmpty() const override { return false; }
    QString translate(const char*, const char* source, const char*, int) const override
    {
        if (!source)
            return {};
        for (const QtText& text : kQtTexts) {
            if (std::strcmp(text.qt, source) != 0)
                continue;
            QString ours = QString::fromStdWString(velmora::translate(text.ours));
            if (!std::strchr(text.qt, '&'))
                ours.remove(QLatin1Char('&'));
            return ours;
        }
        return {};
    }
};

// The translators installQtTranslations put in, taken out before the next ones.
QList<QTranslator*>& installedTranslators()
{
    static QList<QTranslator*> installed;
    return installed;
}

} // namespace

void installQtTranslations(int index)
{
    for (QTranslator* old : installedTranslators()) {
        QCoreApplication::removeTranslator(old);
        delete old;
    }
    installedTranslators().clear();
    const QStringList catalogues = qtCatalogues(index);
    if (catalogues.isEmpty())
        return; // English: Qt's own texts
    const auto install = [](QTranslator* translator) {
        QCoreApplication::installTranslator(translator);
        installedTranslators().append(translator);
    };
    // Ours first: the one installed last is asked first, so Qt's catalogue, where there
    // is one, keeps its fuller set of words.
    install(new CTableTranslator(QCoreApplication::instance()));
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    for (const QString& code : catalogues) {
        auto* translator = new QTranslator(QCoreApplication::instance());
        if (translator->load(QStringLiteral("qtbase_") + code, folder)) {
            install(translator);
            return;
        }
        delete translator;
    }
}

bool setUpLanguage(const QString& code, QString* error)
{
    int index = code.isEmpty() ? -1 : languageIndexForCode(code.toStdString());
    const bool known = code.isEmpty() || index >= 0;
    if (!known && error != nullptr)
        *error = QStringLiteral("unknown language '%1'; use one of: %2")
                     .arg(code, QString::fromStdString(languageCodeList()));
    const std::filesystem::path folder = programDataFolder("EM_LANG");
    if (index < 0)
        index = userLanguageIndex(folder);
    if (!folder.empty()) {
        const std::u8string utf8 = folder.u8string();
        loadLanguageFiles(std::string(utf8.begin(), utf8.end()));
    }
    setLanguageIndex(index);
    installQtTranslations(index);
    return known;
}

} // namespace velmora
