// SPDX-License-Identifier: GPL-3.0-or-later
#include "about_dlg.h"

#include "ui/widgets/app_icon.h"
#include "ui/widgets/ui_font.h"

#include "lang/translate.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

namespace velmora {

QString programVersion()
{
    return QStringLiteral(VELMORA_VERSION);
}

namespace {

QString qs(const std::wstring& text) { return QString::fromStdWString(text); }

QString folderLink(const QString& caption, const QString& folder)
{
    return QStringLiteral("%1: <a href=\"%2\">%3</a>")
        .arg(caption.toHtmlEscaped(), QUrl::fromLocalFile(folder).toString(QUrl::FullyEncoded),
             QDir::toNativeSeparators(folder).toHtmlEscaped());
}

} // namespace

CAboutDlg::CAboutDlg(QWidget* parent, const QString& backupFolder, const QString& recordingFolder)
    : QDialog(parent)
{
    // The program's name and version read the same in every language.
    setWindowTitle(QStringLiteral("About Velmora"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setFont(uiFont(9));

    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("icon"));
    picture->setPixmap(appIcon().pixmap(48, 48));
    picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    auto* version = new QLabel(QStringLiteral("Velmora %1").arg(programVersion()), this);
    version->setObjectName(QStringLiteral("version"));
    version->setTextFormat(Qt::PlainText);
    QFont bold = version->font();
    bold.setBold(true);
    version->setFont(bold);

    QStringList lines;
    lines << qs(translate(L"Narzędzie serwisowe emulatora ciśnienia paliwa LPG.")).toHtmlEscaped();
    lines << qs(translate(L"Licencja: GNU General Public License, wersja 3 lub późniejsza (GPL-3.0-or-later). Program jest dostarczany bez żadnej gwarancji."))
                 .toHtmlEscaped() +
                 QStringLiteral(" <a href=\"https://www.gnu.org/licenses/gpl-3.0.html\">gnu.org/licenses/gpl-3.0</a>");
    if (!backupFolder.isEmpty())
        lines << folderLink(qs(translate(L"Kopie zapasowe")), backupFolder);
    if (!recordingFolder.isEmpty())
        lines << folderLink(qs(translate(L"Nagrania")), recordingFolder);
    auto* details = new QLabel(lines.join(QLatin1String("<br><br>")), this);
    details->setObjectName(QStringLiteral("details"));
    details->setTextFormat(Qt::RichText);
    details->setWordWrap(true);
    details->setOpenExternalLinks(true);
    details->setTextInteractionFlags(Qt::TextBrowserInteraction);
    details->setMinimumWidth(420);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
    ok->setObjectName(QStringLiteral("1"));
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* text = new QVBoxLayout;
    text->addWidget(version);
    text->addWidget(details);
    auto* top = new QHBoxLayout;
    top->addWidget(picture, 0, Qt::AlignTop);
    top->addLayout(text, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

} // namespace velmora
