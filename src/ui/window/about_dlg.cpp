// SPDX-License-Identifier: GPL-3.0-or-later
#include "about_dlg.h"

#include "ui/widgets/app_icon.h"
#include "ui/widgets/dialog_units.h"
#include "ui/widgets/ui_font.h"

#include <QLabel>
#include <QPushButton>

namespace velmora {

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent)
{
    // Not translated: the program's name and version read the same in every language.
    setWindowTitle(QStringLiteral("About Velmora"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setFont(uiFont(9));
    const DialogBaseUnits units = dialogBaseUnits(font());

    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("icon"));
    const QRect iconRect = dialogToPixels({11, 17, 20, 20}, units);
    picture->setGeometry(iconRect);
    const int side = std::min(iconRect.width(), iconRect.height()) >= 48 ? 48 : 32;
    picture->setPixmap(appIcon().pixmap(side, side));
    picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    auto* text = new QLabel(QStringLiteral("Velmora Version 1.0"), this);
    text->setObjectName(QStringLiteral("version"));
    text->setTextFormat(Qt::PlainText);
    // A little taller than the resource's one line, so the font's descenders fit.
    text->setGeometry(dialogToPixels({40, 10, 119, 10}, units));

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("1"));
    ok->setGeometry(dialogToPixels({178, 7, 50, 14}, units));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    const QRect client = dialogToPixels({0, 0, 235, 55}, units);
    setFixedSize(client.size());
}

} // namespace velmora
