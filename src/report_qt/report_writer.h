// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Lays a report document out on pages with Qt's rich text and writes it as PDF or
// HTML. Needs a QGuiApplication (fonts), not widgets, so the console tool uses it
// too.

#include "report/report_document.h"

#include <QImage>
#include <QPageSize>
#include <QString>

#include <memory>

class QDateTime;
class QLocale;
class QTextDocument;

namespace velmora::report {

// "10 December 2026, 04:15" in the program's language.
QString dateTimeText(const QDateTime& when);

// Letter where the locale measures in US units, A4 elsewhere.
QPageSize pageSizeFor(const QLocale& locale);

// The document as rich text, for QTextDocument::print onto a printer or PDF (which
// breaks it into the printer's pages); chart is the picture a Picture block names,
// left out when null.
std::unique_ptr<QTextDocument> layOut(const Document& document, const QImage& chart);

// The PDF's bytes: the fonts used are embedded, so Thai and Greek print anywhere.
QByteArray pdfBytes(const Document& document, const QImage& chart, const QPageSize& pageSize);
// One HTML file, the chart inside it as a data: URL.
QByteArray htmlBytes(const Document& document, const QImage& chart);

enum class ReportFormat { Pdf, Html, Unknown };
// From the file name's extension: .pdf; .html or .htm.
ReportFormat formatOf(const QString& path);

// Writes the report to path in the format its extension names, all or nothing:
// a failure leaves whatever was at path as it was. false with error (English,
// with the path and the system's reason).
bool writeReport(const QString& path, const Document& document, const QImage& chart,
                 const QPageSize& pageSize, QString& error);

} // namespace velmora::report
