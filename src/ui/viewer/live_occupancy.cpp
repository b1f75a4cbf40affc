// SPDX-License-Identifier: GPL-3.0-or-later
#include "live_occupancy.h"

#include "occupancy_view.h"

#include "lang/translate.h"
#include "link/link_controller.h"
#include "ui/map/cell_array.h"
#include "ui/map/model/map_document.h"

#include <QAction>
#include <QEvent>
#include <QMainWindow>
#include <QMenu>
#include <QPainter>
#include <QTimer>

#include <algorithm>

namespace velmora {

using namespace analysis;

namespace {

QString qt(const std::wstring& text)
{
    return QString::fromStdWString(text);
}

MapAxes axesOf(const CMapDocument& document)
{
    return MapAxes{document.rpm(), document.volts()};
}

} // namespace

CLiveOccupancy::CLiveOccupancy(CCellArray& grid, CLinkController& link, CMapDocument& document)
    : QWidget(&grid), m_grid(grid), m_document(document), m_counter(axesOf(document))
{
    setObjectName(QStringLiteral("liveOccupancy"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setGeometry(grid.rect());
    grid.installEventFilter(this);
    hide();

    m_listener = m_document.addListener([this](unsigned parts) {
        // Time counted against other breakpoints would land in the wrong cells.
        if (parts & CMapDocument::kAxes) {
            m_counter.setAxes(axesOf(m_document));
            clear();
        }
    });
    connect(&link, &CLinkController::readingsArrived, this, [this](const QList<TimedDiag>& samples) {
        // Each reading carries when it arrived; the newest one's time closes the batch.
        QList<CDiag> plain;
        for (const TimedDiag& d : samples)
            plain.append(d.sample);
        addReadings(plain, samples.isEmpty() ? Clock::now() : samples.constLast().at.steady);
    });
    connect(&link, &CLinkController::lost, this, &CLiveOccupancy::linkLost);
    connect(&link, &CLinkController::disconnected, this, &CLiveOccupancy::linkLost);
    connect(&link, &CLinkController::connected, this, &CLiveOccupancy::clear);

    // Twice a second is enough for figures that grow by a twentieth of a second a reading.
    auto* repaint = new QTimer(this);
    repaint->setInterval(500);
    connect(repaint, &QTimer::timeout, this, [this] {
        if (m_dirty && isVisible())
            update();
        m_dirty = false;
    });
    repaint->start();
}

CLiveOccupancy::~CLiveOccupancy()
{
    m_document.removeListener(m_listener);
}

void CLiveOccupancy::setShown(bool shown)
{
    setVisible(shown);
    if (shown)
        raise();
}

void CLiveOccupancy::setPercent(bool percent)
{
    m_percent = percent;
    update();
}

void CLiveOccupancy::clear()
{
    m_counter.clear();
    m_have = false;
    update();
}

void CLiveOccupancy::linkLost()
{
    m_counter.linkLost();
    m_have = false;
}

void CLiveOccupancy::addReadings(const QList<CDiag>& samples, Clock::time_point arrived)
{
    if (samples.isEmpty())
        return;
    if (!m_have) {
        m_start = m_last = arrived;
        m_have = true;
    }
    const double from = std::chrono::duration<double>(m_last - m_start).count();
    const double to = std::chrono::duration<double>(arrived - m_start).count();
    const auto n = samples.size();
    for (qsizetype i = 0; i < n; ++i) {
        const CDiag& d = samples[i];
        const double at = from + (to - from) * static_cast<double>(i + 1) / static_cast<double>(n);
        m_counter.add(at, rpmFromPeriod(d.rpmPeriod), pumpVolts(d));
    }
    m_last = arrived;
    m_dirty = true;
}

bool CLiveOccupancy::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == &m_grid && event->type() == QEvent::Resize)
        setGeometry(m_grid.rect());
    return false;
}

void CLiveOccupancy::paintEvent(QPaintEvent*)
{
    // The cell editor sits over its cell: the overlay must not cover what is typed.
    if (m_grid.grid() && m_grid.grid()->isEditing())
        return;
    const OccupancyTable& t = m_counter.table();
    double busiest = 0;
    for (const auto& row : t.seconds)
        for (double s : row)
            busiest = std::max(busiest, s);
    if (busiest <= 0)
        return;
    QPainter p(this);
    QFont small = font();
    small.setPixelSize(std::max(8, m_grid.cellRect({0, 0}).height() * 2 / 5));
    p.setFont(small);
    for (int c = 0; c < kRpmCols; ++c)
        for (int r = 0; r < kVoltRows; ++r) {
            const EngineCell cell{c, r};
            if (t.at(cell) <= 0)
                continue;
            const QRect rect = m_grid.cellRect({c, r}).adjusted(1, 1, 0, 0);
            QColor tint = occupancyColour(t.at(cell), busiest);
            tint.setAlpha(120);
            // A band along the bottom, the map's own colour left above it.
            const QRect band(rect.left(), rect.bottom() - rect.height() / 3, rect.width(), rect.height() / 3 + 1);
            p.fillRect(band, tint);
            p.setPen(QColor(10, 40, 110));
            p.drawText(band.adjusted(0, 0, -2, 0), Qt::AlignRight | Qt::AlignVCenter,
                       occupancyCellText(t, cell, m_percent));
        }
}

ViewerContext viewerContext(CLinkController& link, const CMapDocument& document, IMessageBox* messages)
{
    ViewerContext context;
    context.messages = messages;
    context.unitAxes = [&link, &document]() -> std::optional<MapAxes> {
        if (!link.isConnected())
            return std::nullopt;
        return axesOf(document);
    };
    return context;
}

void installRecordingViewer(QMainWindow* window, QMenu* fileMenu, QMenu* viewMenu, CCellArray& grid,
                            CLinkController& link, CMapDocument& document, IMessageBox* messages)
{
    const ViewerContext context = viewerContext(link, document, messages);
    QAction* open = createOpenRecordingAction(window, context);
    QAction* beforeQuit = nullptr;
    for (QAction* a : fileMenu->actions())
        if (a->isSeparator())
            beforeQuit = a;
    fileMenu->insertAction(beforeQuit, open);
    acceptRecordingDrops(window, context);

    auto* overlay = new CLiveOccupancy(grid, link, document);
    viewMenu->addSeparator();
    QAction* show = viewMenu->addAction(qt(translate(L"Czas pracy silnika w komórkach")));
    show->setObjectName(QStringLiteral("liveOccupancy"));
    show->setCheckable(true);
    QAction* percent = viewMenu->addAction(qt(translate(L"Czas pracy w procentach")));
    percent->setCheckable(true);
    percent->setEnabled(false);
    QAction* reset = viewMenu->addAction(qt(translate(L"Zeruj czas pracy")), overlay, &CLiveOccupancy::clear);
    reset->setEnabled(false);
    QObject::connect(show, &QAction::toggled, overlay, [overlay, percent, reset](bool on) {
        overlay->setShown(on);
        percent->setEnabled(on);
        reset->setEnabled(on);
    });
    QObject::connect(percent, &QAction::toggled, overlay, &CLiveOccupancy::setPercent);
}

} // namespace velmora
