// SPDX-License-Identifier: GPL-3.0-or-later
// Build tool: writes the program icon as velmora-<size>.png into the folder given
// as the first argument, for the sizes that follow (48, 32 and 16 when none do).

#include "icon_art.h"

#include <QDir>
#include <QList>
#include <QString>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER [SIZE...]\n", argv[0]);
        return 2;
    }
    QList<int> sizes;
    for (int i = 2; i < argc; ++i) {
        bool ok = false;
        const int size = QString::fromLocal8Bit(argv[i]).toInt(&ok);
        if (!ok || size < 8 || size > 1024) {
            std::fprintf(stderr, "bad icon size %s\n", argv[i]);
            return 2;
        }
        sizes << size;
    }
    if (sizes.isEmpty())
        sizes = {48, 32, 16};
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    if (!folder.exists() && !QDir().mkpath(folder.path())) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }
    for (const int size : sizes) {
        const QString path = folder.filePath(QStringLiteral("velmora-%1.png").arg(size));
        if (!velmora::paintAppIcon(size).save(path, "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
