// SPDX-License-Identifier: GPL-3.0-or-later
#include "report_writer.h"

#include "report/report_html.h"

#include "lang/language_choice.h"
#include "lang/translate.h"
#include "mapfile/backup_store.h"

#include <QBuffer>
#include <QDateTime>
#include <QFileInfo>
#include <QLocale>
#include <QPdfWriter>
#include <QTextDocument>
#include <QUrl>

#include <filesystem>

namespace velmora::report {

namespace {

const QString kChartResource = QStringLiteral("velmora-chart.png");

QByteArray pngBytes(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

} // namespace

QString dateTimeText(const QDateTime& when) {
    const QLocale language(QString::fromLatin1(languageCode(languageIndex())));
    return language.toString(when, language.dateFormat(QLocale::LongFormat) + QStringLiteral(", ") +
                                       language.timeFormat(QLocale::ShortFormat));
}

QPageSize pageSizeFor(const QLocale& locale) {
    return QPageSize(locale.measurementSystem() == QLocale::ImperialUSSystem ? QPageSize::Letter : QPageSize::A4);
}

std::unique_ptr<QTextDocument> layOut(const Document& document, const QImage& chart) {
    auto text = std::make_unique<QTextDocument>();
    const bool hasChart = !chart.isNull();
    if (hasChart) text->addResource(QTextDocument::ImageResource, QUrl(kChartResource), chart);
    text->setHtml(QString::fromStdString(toHtml(document, [hasChart](const std::string&) {
        return hasChart ? kChartResource.toStdString() : std::string();
    })));
    return text;
}

QByteArray pdfBytes(const Document& document, const QImage& chart, const QPageSize& pageSize) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter pdf(&buffer);
        pdf.setPageSize(pageSize);
        pdf.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
        pdf.setTitle(QString::fromStdString(document.title));
        pdf.setCreator(QStringLiteral("Velmora"));
        pdf.setResolution(300);
        layOut(document, chart)->print(&pdf);
    }
    return bytes;
}

QByteArray htmlBytes(const Document& document, const QImage& chart) {
    const QByteArray png = chart.isNull() ? QByteArray() : pngBytes(chart);
    return QByteArray::fromStdString(toHtml(document, [&png](const std::string&) {
        return png.isEmpty() ? std::string() : "data:image/png;base64," + png.toBase64().toStdString();
    }));
}

ReportFormat formatOf(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("pdf")) return ReportFormat::Pdf;
    if (suffix == QLatin1String("html") || suffix == QLatin1String("htm")) return ReportFormat::Html;
    return ReportFormat::Unknown;
}

bool writeReport(const QString& path, const Document& document, const QImage& chart, const QPageSize& pageSize,
                 QString& error) {
    QByteArray bytes;
    switch (formatOf(path)) {
    case ReportFormat::Pdf: bytes = pdfBytes(document, chart, pageSize); break;
    case ReportFormat::Html: bytes = htmlBytes(document, chart); break;
    case ReportFormat::Unknown:
        error = QStringLiteral("%1: the name must end in .pdf, .html or .htm").arg(path);
        return false;
    }
    std::string why;
    if (!mapfile::writeFileAtomically(std::filesystem::path(path.toStdWString()),
                                      std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), why)) {
        error = QString::fromStdString(why);
        return false;
    }
    return true;
}

} // namespace velmora::report
