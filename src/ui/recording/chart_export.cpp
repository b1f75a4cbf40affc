// SPDX-License-Identifier: GPL-3.0-or-later
#include "chart_export.h"

#include "recording_control.h"

#include "acquisition/local_time.h"
#include "acquisition/reading_log.h"
#include "device/messages.h"
#include "lang/translate.h"
#include "mapfile/atomic_file.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>

#include <filesystem>
#include <sstream>

namespace velmora {

namespace {

QString qtext(const std::wstring& text)
{
    return QString::fromStdWString(text);
}

} // namespace

bool writeChartData(const CReadingLog& log, const QString& path)
{
    // Through the one file writer: a failed save never destroys an earlier file of
    // the same name, and a full disk is never taken for a saved file.
    std::ostringstream text;
    if (!log.writeCsv(text))
        return false;
    std::string error;
    return mapfile::writeFileAtomically(std::filesystem::path(path.toStdWString()), text.str(), error);
}

bool saveChartData(QWidget* parent, const CReadingLog& log, const QString& folder, IMessageBox* box)
{
    if (log.entries().empty()) {
        reportMessage(box, translate(L"Wykres nie zawiera jeszcze odczytów. Naciśnij Start, aby go uruchomić."),
                      kCaption, MB_INFO);
        return false;
    }
    QDir().mkpath(folder);
    const QString name = QStringLiteral("chart-%1.csv")
                             .arg(QString::fromStdString(compactTimestamp(std::chrono::system_clock::now())));
    const QString path = QFileDialog::getSaveFileName(parent, qtext(translate(L"Zapisz dane wykresu")),
                                                      QDir(folder).filePath(name),
                                                      qtext(translate(L"Pliki CSV")) + QStringLiteral(" (*.csv)"));
    if (path.isEmpty())
        return false;
    if (writeChartData(log, path))
        return true;
    reportMessage(box,
                  qtext(translate(L"Nie można zapisać danych wykresu do pliku:\n%1\nWybierz inny folder lub zwolnij miejsce na dysku."))
                      .arg(QDir::toNativeSeparators(path))
                      .toStdWString(),
                  kCaption, MB_ERROR);
    return false;
}

QAction* createSaveChartDataAction(QWidget* window, const CReadingLog& log, IMessageBox* box)
{
    auto* action = new QAction(qtext(translate(L"Zapisz dane wykresu…")), window);
    action->setObjectName(QStringLiteral("saveChartData"));
    QObject::connect(action, &QAction::triggered, window, [window, &log, box] {
        saveChartData(window, log, CRecordingControl::defaultFolder(), box);
    });
    return action;
}

} // namespace velmora
