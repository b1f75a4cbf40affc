// SPDX-License-Identifier: GPL-3.0-or-later
#include "app_icon.h"

#include "icon_art.h"

#include <QFile>
#include <QPixmap>

namespace velmora {

QIcon appIcon()
{
    QIcon icon;
    for (const int size : {48, 32, 16}) {
        const QString path = QStringLiteral(":/velmora/velmora-%1.png").arg(size);
        // The images are painted at build time; should the resource be missing the
        // same art is painted here, so the window never goes without its icon.
        if (QFile::exists(path))
            icon.addFile(path, QSize(size, size));
        else
            icon.addPixmap(QPixmap::fromImage(paintAppIcon(size)));
    }
    return icon;
}

} // namespace velmora
