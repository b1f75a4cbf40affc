// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Save chart data...": everything the chart holds, written as a recording would be,
// so the minutes before a fault can be kept after the fact.

#include <QString>

class QAction;
class QWidget;

namespace velmora {

class CReadingLog;
class IMessageBox;

// Writes the log to path; false when the file could not be written whole.
bool writeChartData(const CReadingLog& log, const QString& path);

// Asks for a file (chart-YYYYMMDD-HHMMSS.csv in folder offered) and writes it; a
// failure is reported through box. False when nothing was saved.
bool saveChartData(QWidget* parent, const CReadingLog& log, const QString& folder, IMessageBox* box);

// "Zapisz dane wykresu...", for the File menu; saves log to Documents/Velmora by default.
QAction* createSaveChartDataAction(QWidget* window, const CReadingLog& log, IMessageBox* box);

} // namespace velmora
