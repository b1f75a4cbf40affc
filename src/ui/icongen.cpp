// Build tool: writes the program icon as velmora-48.png, velmora-32.png and
// velmora-16.png into the folder given as the only argument.

#include "icon_art.h"

#include <QDir>
#include <QString>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    if (!folder.exists() && !QDir().mkpath(folder.path())) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }
    for (const int size : {48, 32, 16}) {
        const QString path = folder.filePath(QStringLiteral("velmora-%1.png").arg(size));
        if (!velmora::paintAppIcon(size).save(path, "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
