// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The user's manual: an HTML page made from the README's user sections at build
// time, shipped beside the program (manual/ in the build folder,
// <prefix>/share/velmora/manual when installed), shown in a window of its own.

#include <QDialog>
#include <QString>

class QTextBrowser;

namespace velmora {

// The manual's page; empty when the program was shipped without it.
QString manualPage();

// The parts of README text a user needs: the title and introduction, and the sections
// from "## Using it" up to the first developer section.
QString manualMarkdown(const QString& readme);

class CManualWindow : public QDialog {
    Q_OBJECT
public:
    CManualWindow(const QString& page, QWidget* parent = nullptr);
    QTextBrowser* browser() const { return m_browser; }

private:
    QTextBrowser* m_browser = nullptr;
};

} // namespace velmora
