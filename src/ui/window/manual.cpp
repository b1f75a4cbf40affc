// SPDX-License-Identifier: GPL-3.0-or-later
#include "manual.h"

#include "lang/program_data.h"
#include "lang/translate.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace velmora {

QString manualPage()
{
    const std::filesystem::path folder = programDataFolder("manual");
    if (folder.empty())
        return {};
    const QString page = QString::fromStdWString((folder / "index.html").wstring());
    return QFileInfo::exists(page) ? page : QString();
}

QString manualMarkdown(const QString& readme)
{
    // Sections for whoever builds or changes the program stay out.
    static const QStringList developerSections = {
        QStringLiteral("Requirements"), QStringLiteral("Set-up"), QStringLiteral("Building on Windows"),
        QStringLiteral("Developing")};
    QStringList kept;
    bool keep = true;
    for (const QString& line : readme.split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String("## ")))
            keep = !developerSections.contains(line.mid(3).trimmed());
        if (keep)
            kept << line;
    }
    return kept.join(QLatin1Char('\n'));
}

CManualWindow::CManualWindow(const QString& page, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("manualWindow"));
    setWindowTitle(QString::fromStdWString(translate(L"Instrukcja Velmora")));
    m_browser = new QTextBrowser(this);
    m_browser->setObjectName(QStringLiteral("manualText"));
    m_browser->setOpenExternalLinks(true);
    m_browser->setAccessibleName(windowTitle());
    m_browser->setSource(QUrl::fromLocalFile(page));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_browser);
    layout->addWidget(buttons);
    resize(900, 700);
}

} // namespace velmora
