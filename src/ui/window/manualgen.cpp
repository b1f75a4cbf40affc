// SPDX-License-Identifier: GPL-3.0-or-later
// Build tool: the user's manual as HTML from README.md, with the pictures it shows.
// velmora_manualgen README.md OUTPUT_FOLDER

#include "manual.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QRegularExpression>
#include <QTextDocument>

#include <cstdio>

int main(int argc, char** argv)
{
    // No display at build time.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fputs("usage: velmora_manualgen README.md OUTPUT_FOLDER\n", stderr);
        return 2;
    }
    const QString readmePath = QString::fromLocal8Bit(argv[1]);
    QFile readme(readmePath);
    if (!readme.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    const QString markdown = velmora::manualMarkdown(QString::fromUtf8(readme.readAll()));

    QTextDocument document;
    document.setMarkdown(markdown, QTextDocument::MarkdownDialectGitHub);
    QString html = document.toHtml();
    // Screenshots at a width a page can show: a third of it side by side in a table.
    const QDir pictures = QFileInfo(readmePath).absoluteDir();
    static const QRegularExpression image(QStringLiteral("<img src=\"([^\"]+)\""));
    QString sized;
    qsizetype from = 0;
    for (auto it = image.globalMatch(html); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        const QString source = match.captured(1);
        const bool inTable = markdown.contains(QRegularExpression(
            QStringLiteral("^\\|.*\\(") + QRegularExpression::escape(source) + QStringLiteral("\\)"),
            QRegularExpression::MultilineOption));
        const int widest = inTable ? 360 : 760;
        const int width = QImage(pictures.filePath(source)).width();
        sized += html.mid(from, match.capturedEnd() - from);
        if (width > widest)
            sized += QStringLiteral(" width=\"%1\"").arg(widest);
        from = match.capturedEnd();
    }
    html = sized + html.mid(from);
    html.replace(QLatin1String("<head>"),
                 QLatin1String("<head><title>Velmora</title><meta charset=\"utf-8\">"));

    const QDir source = QFileInfo(readmePath).absoluteDir();
    const QDir out(QString::fromLocal8Bit(argv[2]));
    if (!QDir().mkpath(out.filePath(QStringLiteral("docs")))) {
        std::fprintf(stderr, "cannot create %s\n", argv[2]);
        return 1;
    }
    // The pictures the page shows, at the same relative paths.
    static const QRegularExpression picture(QStringLiteral("!\\[[^\\]]*\\]\\(([^)\\s]+\\.png)\\)"));
    for (auto it = picture.globalMatch(markdown); it.hasNext();) {
        const QString relative = it.next().captured(1);
        const QString target = out.filePath(relative);
        QFile::remove(target);
        if (!QFile::copy(source.filePath(relative), target)) {
            std::fprintf(stderr, "cannot copy %s\n", qPrintable(relative));
            return 1;
        }
    }
    QFile page(out.filePath(QStringLiteral("index.html")));
    if (!page.open(QIODevice::WriteOnly | QIODevice::Truncate) || page.write(html.toUtf8()) < 0) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(page.fileName()));
        return 1;
    }
    return 0;
}
