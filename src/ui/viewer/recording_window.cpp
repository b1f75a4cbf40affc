// SPDX-License-Identifier: GPL-3.0-or-later
#include "recording_window.h"

#include "occupancy_view.h"
#include "recording_chart.h"

#include "device/messages.h"
#include "lang/translate.h"
#include "mapfile/backup_file.h"
#include "mapfile/map_csv.h"

#include <QAction>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QScrollBar>
#include <QSettings>
#include <QSplitter>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include <cmath>

namespace velmora {

using namespace analysis;

namespace {

QString qt(const std::wstring& text)
{
    return QString::fromStdWString(text);
}

// Milliseconds per scroll bar step: a week of recording still fits an int.
constexpr double kScrollUnit = 0.001;

QString spanText(double seconds)
{
    const auto total = static_cast<long long>(std::llround(seconds));
    if (seconds < 60)
        return QStringLiteral("%1 s").arg(seconds, 0, 'f', 1);
    if (total < 3600)
        return QStringLiteral("%1:%2 min").arg(total / 60).arg(total % 60, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1:%2:%3 h")
        .arg(total / 3600)
        .arg(total / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(total % 60, 2, 10, QLatin1Char('0'));
}

std::unique_ptr<QSettings> axesMemory(const ViewerContext& context)
{
    QString file = context.axesMemoryFile;
    if (file.isEmpty()) {
        const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
        QDir().mkpath(folder);
        file = QDir(folder).filePath(QStringLiteral("recording-axes.ini"));
    }
    return std::make_unique<QSettings>(file, QSettings::IniFormat);
}

// One key per recording, from its full path (a path has characters a key cannot).
QString memoryKey(const QString& path)
{
    return QString::fromLatin1(
        QCryptographicHash::hash(QFileInfo(path).absoluteFilePath().toUtf8(), QCryptographicHash::Sha1).toHex());
}

QString axesText(const MapAxes& axes)
{
    QStringList parts;
    for (double v : axes.rpm)
        parts << QString::number(v, 'g', 17);
    for (double v : axes.volts)
        parts << QString::number(v, 'g', 17);
    return parts.join(QLatin1Char(' '));
}

bool axesFromText(const QString& text, MapAxes& axes)
{
    const QStringList parts = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (parts.size() != kRpmCols + kVoltRows)
        return false;
    MapAxes read;
    for (int i = 0; i < parts.size(); ++i) {
        bool ok = false;
        const double v = parts[i].toDouble(&ok);
        if (!ok || !std::isfinite(v))
            return false;
        if (i < kRpmCols)
            read.rpm[static_cast<std::size_t>(i)] = v;
        else
            read.volts[static_cast<std::size_t>(i - kRpmCols)] = v;
    }
    axes = read;
    return true;
}

} // namespace

CRecordingWindow::CRecordingWindow(const QString& path, std::unique_ptr<CRecording> recording,
                                   const ViewerContext& context, QWidget* parent)
    : QMainWindow(parent, Qt::Window), m_path(path), m_context(context)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("recordingWindow"));
    setWindowTitle(QFileInfo(path).fileName() + QStringLiteral(" — ") + qt(translate(L"Nagranie")));

    m_chart = new CRecordingChart;
    m_chart->setObjectName(QStringLiteral("recordingChart"));
    m_scroll = new QScrollBar(Qt::Horizontal);
    m_scroll->setObjectName(QStringLiteral("recordingScroll"));
    m_readout = new QLabel;
    m_readout->setObjectName(QStringLiteral("cursorReadout"));
    m_readout->setTextFormat(Qt::PlainText);
    m_readout->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* left = new QWidget;
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(4, 4, 4, 4);
    leftLayout->setSpacing(2);
    leftLayout->addWidget(m_chart, 1);
    leftLayout->addWidget(m_scroll);
    leftLayout->addWidget(m_readout);

    m_occupancy = new COccupancyView;
    m_occupancyCaption = new QLabel;
    m_occupancyCaption->setObjectName(QStringLiteral("occupancyCaption"));
    m_occupancyCaption->setWordWrap(true);
    m_axesLabel = new QLabel;
    m_axesLabel->setObjectName(QStringLiteral("axesSource"));
    m_axesLabel->setWordWrap(true);
    auto* right = new QWidget;
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(4, 4, 4, 4);
    rightLayout->addWidget(m_occupancyCaption);
    rightLayout->addWidget(m_occupancy, 1);
    rightLayout->addWidget(m_axesLabel);

    auto* split = new QSplitter(Qt::Horizontal);
    split->addWidget(left);
    split->addWidget(right);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 2);
    setCentralWidget(split);

    m_fileInfo = new QLabel;
    m_fileInfo->setObjectName(QStringLiteral("fileInfo"));
    m_fileInfo->setTextFormat(Qt::PlainText);
    statusBar()->addWidget(m_fileInfo, 1);

    QToolBar* bar = addToolBar(qt(translate(L"Nagranie")));
    bar->setMovable(false);
    QAction* whole = bar->addAction(qt(translate(L"Cały plik")), m_chart, &CRecordingChart::showAll);
    whole->setShortcut(Qt::Key_Home);
    whole->setToolTip(qt(translate(L"Cały plik")) + QStringLiteral(" (Home)"));
    QAction* reloadAction = bar->addAction(qt(translate(L"Wczytaj ponownie")), this, &CRecordingWindow::reload);
    reloadAction->setObjectName(QStringLiteral("reloadRecording"));
    reloadAction->setShortcut(QKeySequence::Refresh);
    bar->addSeparator();
    QAction* percent = bar->addAction(qt(translate(L"Udział w %")));
    percent->setObjectName(QStringLiteral("occupancyPercent"));
    percent->setCheckable(true);
    connect(percent, &QAction::toggled, m_occupancy, &COccupancyView::setPercent);
    QAction* axesFile = bar->addAction(qt(translate(L"Osie z…")), this, &CRecordingWindow::chooseAxesFile);
    axesFile->setToolTip(qt(translate(L"Osie mapy z pliku mapy lub kopii zapasowej")));
    m_unitAxes = bar->addAction(qt(translate(L"Osie sterownika")), this, [this] {
        if (const auto axes = m_context.unitAxes ? m_context.unitAxes() : std::nullopt)
            setAxes(*axes, qt(translate(L"osie podłączonego sterownika")));
        else
            statusBar()->showMessage(qt(translate(L"Sterownik nie jest podłączony; wybierz „Osie z…”.")), 5000);
    });

    m_occupancyDue = new QTimer(this);
    m_occupancyDue->setSingleShot(true);
    m_occupancyDue->setInterval(60);
    connect(m_occupancyDue, &QTimer::timeout, this, &CRecordingWindow::updateOccupancyNow);
    connect(m_chart, &CRecordingChart::viewChanged, this, &CRecordingWindow::onView);
    connect(m_chart, &CRecordingChart::cursorMoved, this, &CRecordingWindow::onCursor);
    connect(m_scroll, &QScrollBar::valueChanged, this,
            [this](int value) { m_chart->setView(value * kScrollUnit, m_chart->viewSpan()); });

    takeRecording(std::move(recording));
    chooseInitialAxes();
    onCursor(std::nullopt);
    resize(1280, 640);
    m_chart->setFocus();
}

CRecordingWindow::~CRecordingWindow()
{
    // The chart draws from the recording: let go of it first.
    m_chart->setRecording(nullptr);
}

void CRecordingWindow::takeRecording(std::unique_ptr<CRecording> recording)
{
    m_chart->setRecording(nullptr);
    m_recording = std::move(recording);
    m_chart->setRecording(m_recording.get());
    showFileInfo();
}

void CRecordingWindow::showFileInfo()
{
    const ReadSummary& info = m_recording->info;
    QString text = qt(translate(L"%1 odczytów, %2"))
                       .arg(static_cast<qulonglong>(m_recording->size()))
                       .arg(spanText(m_recording->duration()));
    if (info.timeSource == TimeSource::Sequence)
        text += QStringLiteral("; ") + qt(translate(L"plik nie ma kolumny czasu: czas z numerów odczytów, 20 na sekundę"));
    if (const std::wstring skipped = skippedText(info); !skipped.empty())
        text += QStringLiteral("; ") + qt(skipped);
    if (info.error == ReadError::TooManyRows)
        text += QStringLiteral("; ") + qt(readErrorText(info));
    m_fileInfo->setText(text);
}

void CRecordingWindow::chooseInitialAxes()
{
    const auto memory = axesMemory(m_context);
    MapAxes axes;
    if (axesFromText(memory->value(QStringLiteral("axes/") + memoryKey(m_path)).toString(), axes)) {
        m_axes = axes;
        m_occupancy->setAxes(axes);
        m_axesLabel->setText(qt(translate(L"Osie: %1"))
                                 .arg(memory->value(QStringLiteral("from/") + memoryKey(m_path)).toString()));
    } else if (const auto unit = m_context.unitAxes ? m_context.unitAxes() : std::nullopt) {
        setAxes(*unit, qt(translate(L"osie podłączonego sterownika")), false);
    } else {
        const DeviceState defaults;
        m_axes = {defaults.rpmAxis, defaults.voltAxis};
        m_occupancy->setAxes(m_axes);
        m_axesLabel->setText(qt(translate(L"Osie: domyślne. Podłącz sterownik lub wybierz „Osie z…”.")));
    }
    updateOccupancyNow();
}

void CRecordingWindow::setAxes(const MapAxes& axes, const QString& from, bool remember)
{
    m_axes = axes;
    m_occupancy->setAxes(axes);
    m_axesLabel->setText(qt(translate(L"Osie: %1")).arg(from));
    if (remember) {
        const auto memory = axesMemory(m_context);
        memory->setValue(QStringLiteral("axes/") + memoryKey(m_path), axesText(axes));
        memory->setValue(QStringLiteral("from/") + memoryKey(m_path), from);
    }
    updateOccupancyNow();
}

void CRecordingWindow::chooseAxesFile()
{
    const QString file = QFileDialog::getOpenFileName(
        this, qt(translate(L"Osie mapy z pliku mapy lub kopii zapasowej")), QFileInfo(m_path).absolutePath(),
        qt(translate(L"Pliki map i kopie zapasowe")) + QStringLiteral(" (*.csv *.txt);;*"));
    if (file.isEmpty())
        return;
    QFile in(file);
    std::string text;
    if (in.open(QIODevice::ReadOnly)) {
        const QByteArray bytes = in.read(1 << 20);
        text.assign(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    }
    MapAxes axes;
    const auto error = readAxesText(text, axes);
    if (error) {
        reportMessage(m_context.messages,
                      translate(L"To nie jest plik mapy ani kopia zapasowa; osie pozostają bez zmian.") + L"\n" +
                          QDir::toNativeSeparators(file).toStdWString() + L"\n" +
                          QString::fromStdString(mapfile::describe(*error)).toStdWString(),
                      kCaption, MB_ERROR);
        return;
    }
    setAxes(axes, QFileInfo(file).fileName());
}

void CRecordingWindow::reload()
{
    std::unique_ptr<CRecording> fresh = loadRecordingWithProgress(this, m_path, m_context.messages);
    if (!fresh)
        return;
    const double start = m_chart->viewStart(), span = m_chart->viewSpan();
    const bool atEnd = start + span >= m_recording->duration() - 1e-9;
    takeRecording(std::move(fresh));
    // A view that reached the end follows the file as it grew.
    m_chart->setView(atEnd ? m_recording->duration() - span : start, span);
    updateOccupancyNow();
}

void CRecordingWindow::onView(double start, double span)
{
    const double whole = m_recording ? m_recording->duration() : 0.0;
    const QSignalBlocker quiet(m_scroll);
    m_scroll->setRange(0, static_cast<int>(std::max(0.0, (whole - span) / kScrollUnit)));
    m_scroll->setPageStep(static_cast<int>(span / kScrollUnit));
    m_scroll->setSingleStep(std::max(1, static_cast<int>(span / 10 / kScrollUnit)));
    m_scroll->setValue(static_cast<int>(std::lround(start / kScrollUnit)));
    m_occupancyDue->start();
}

void CRecordingWindow::updateOccupancyNow()
{
    m_occupancyDue->stop();
    if (!m_recording)
        return;
    const double from = m_chart->viewStart(), to = from + m_chart->viewSpan();
    const OccupancyTable table = analysis::occupancy(*m_recording, m_axes, from, to);
    m_occupancy->setTable(table);
    m_occupancyCaption->setText(qt(translate(L"Czas pracy silnika w komórkach mapy: %1 w widocznym zakresie %2 – %3"))
                                    .arg(spanText(table.total), m_chart->clockText(from), m_chart->clockText(to)));
}

void CRecordingWindow::onCursor(std::optional<std::size_t> row)
{
    if (!row) {
        m_readout->setText(qt(translate(L"Kółko: powiększenie, przeciągnięcie: przesunięcie, Shift+przeciągnięcie: zakres, Home: cały plik")));
        return;
    }
    const std::size_t i = *row;
    const double t = m_recording->seconds()[i];
    const bool on = m_recording->states()[i] == RowState::On;
    m_readout->setText(QStringLiteral("%1   %2 s   %3 %4   %5 %6 V   %7 %8 V   %9 %10 V   %11 %12")
                           .arg(m_chart->clockText(t))
                           .arg(t, 0, 'f', 3)
                           .arg(qt(translate(L"RPM")) + QLatin1Char(':'))
                           .arg(m_recording->values(kRpm)[i], 0, 'f', 0)
                           .arg(qt(translate(L"Wejście")) + QLatin1Char(':'))
                           .arg(m_recording->values(kInputV)[i], 0, 'f', 2)
                           .arg(qt(translate(L"PWM pompy")) + QLatin1Char(':'))
                           .arg(m_recording->values(kPumpV)[i], 0, 'f', 2)
                           .arg(qt(translate(L"Wyjście")) + QLatin1Char(':'))
                           .arg(m_recording->values(kOutputV)[i], 0, 'f', 2)
                           .arg(qt(translate(L"Stan pracy")) + QLatin1Char(':'))
                           .arg(qt(translate(on ? L"Włączony" : L"Wyłączony"))));
}

QString CRecordingWindow::readoutText() const
{
    return m_readout->text();
}

} // namespace velmora
