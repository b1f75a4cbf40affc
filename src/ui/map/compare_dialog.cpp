// SPDX-License-Identifier: GPL-3.0-or-later
#include "compare_dialog.h"

#include "lang/translate.h"
#include "mapfile/map_csv.h"

#include <QBrush>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace velmora {

namespace {

QString qs(const std::wstring& text)
{
    return QString::fromStdWString(text);
}

QString withArgs(const std::wstring& text, const QStringList& args)
{
    QString out = qs(text);
    for (const QString& a : args)
        out = out.arg(a);
    return out;
}

const QColor kDifferent(255, 196, 80);
const QColor kAxis(200, 200, 200);

} // namespace

mapfile::Snapshot snapshotOf(const UnitContent& content, std::uint16_t version,
                             std::uint8_t deviceType)
{
    mapfile::Snapshot s;
    s.version = version;
    s.deviceType = deviceType;
    s.rpmDivider = content.settings.rpmDivider;
    s.noiseDelta = content.settings.noiseDelta;
    s.noisePeriod = content.settings.noisePeriod;
    s.map = content.map;
    s.voltAxis = content.volts;
    s.rpmAxis = content.rpm;
    return s;
}

UnitContent contentOf(const mapfile::Snapshot& s)
{
    UnitContent c;
    c.map = s.map;
    c.volts = s.voltAxis;
    c.rpm = s.rpmAxis;
    c.settings = {s.rpmDivider, s.noiseDelta, s.noisePeriod};
    return c;
}

QString differenceSummary(const std::vector<mapfile::Difference>& differences)
{
    int cells = 0, axis = 0, settings = 0;
    for (const auto& d : differences) {
        switch (d.kind) {
        case mapfile::ItemKind::MapCell: ++cells; break;
        case mapfile::ItemKind::VoltBreakpoint:
        case mapfile::ItemKind::RpmBreakpoint: ++axis; break;
        case mapfile::ItemKind::RpmDivider:
        case mapfile::ItemKind::NoiseDelta:
        case mapfile::ItemKind::NoisePeriod: ++settings; break;
        default: break;
        }
    }
    if (cells + axis + settings == 0)
        return qs(translate(L"bez różnic"));
    QStringList parts;
    if (cells)
        parts << withArgs(translate(L"komórki mapy: %1"), {QString::number(cells)});
    if (axis)
        parts << withArgs(translate(L"punkty osi: %1"), {QString::number(axis)});
    if (settings)
        parts << withArgs(translate(L"ustawienia: %1"), {QString::number(settings)});
    return parts.join(QStringLiteral(", "));
}

CCompareDialog::CCompareDialog(const UnitContent& unit, const UnitContent& other,
                               mapfile::CompareScope scope, const QString& otherName,
                               bool canWrite, IMessageBox* messages, QWidget* parent)
    : QDialog(parent), m_messages(messages)
{
    setWindowTitle(withArgs(translate(L"Porównanie z urządzeniem: %1"), {otherName}));
    m_differences = mapfile::compareSnapshots(snapshotOf(unit), snapshotOf(other), scope);
    m_result = unit;
    m_result.map = other.map;
    m_result.volts = other.volts;
    m_result.rpm = other.rpm;
    if (scope != mapfile::CompareScope::MapAndAxes)
        m_result.settings = other.settings;

    auto* layout = new QVBoxLayout(this);
    m_summary = new QLabel(this);
    m_summary->setWordWrap(true);
    layout->addWidget(m_summary);

    // Row 0 holds the RPM axis, column 0 the voltage axis; the body shows the other
    // side's values, and where the unit differs "unit → other" on a marked cell.
    m_table = new QTableWidget(kVoltRows + 1, kRpmCols + 1, this);
    m_table->horizontalHeader()->hide();
    m_table->verticalHeader()->hide();
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionMode(QAbstractItemView::NoSelection);
    m_table->setToolTip(qs(translate(
        L"Zaznaczone pola różnią się: najpierw wartość w urządzeniu, po strzałce wartość z pliku")));
    const auto put = [this](int row, int column, const QString& text, const QColor& colour) {
        auto* item = new QTableWidgetItem(text);
        item->setTextAlignment(Qt::AlignCenter);
        item->setBackground(colour);
        m_table->setItem(row, column, item);
        return item;
    };
    put(0, 0, QStringLiteral("V\\RPM"), kAxis);
    for (int c = 0; c < kRpmCols; ++c)
        put(0, c + 1, QString::fromStdString(mapfile::formatRpm(other.rpm[c])), kAxis);
    for (int r = 0; r < kVoltRows; ++r) {
        put(r + 1, 0, QString::fromStdString(mapfile::formatVolts(other.volts[r])), kAxis);
        for (int c = 0; c < kRpmCols; ++c)
            put(r + 1, c + 1, QString::fromStdString(mapfile::formatMapCell(other.map[r][c])),
                Qt::white);
    }

    QStringList settingLines;
    const QString arrow = QStringLiteral(" → ");
    for (const mapfile::Difference& d : m_differences) {
        const QString both = QString::fromStdString(d.leftText) + arrow
            + QString::fromStdString(d.rightText);
        // In the grid the two values stand one above the other, keeping columns narrow.
        const QString stacked = QString::fromStdString(d.leftText) + QStringLiteral("\n→ ")
            + QString::fromStdString(d.rightText);
        int row = -1, column = -1;
        switch (d.kind) {
        case mapfile::ItemKind::MapCell: row = d.row + 1; column = d.column + 1; break;
        case mapfile::ItemKind::VoltBreakpoint: row = d.row + 1; column = 0; break;
        case mapfile::ItemKind::RpmBreakpoint: row = 0; column = d.column + 1; break;
        case mapfile::ItemKind::RpmDivider:
            settingLines << qs(translate(L"Dzielnik RPM")) + QStringLiteral(": ") + both;
            break;
        case mapfile::ItemKind::NoiseDelta:
            settingLines << qs(translate(L"Delta")) + QStringLiteral(": ") + both;
            break;
        case mapfile::ItemKind::NoisePeriod:
            settingLines << qs(translate(L"Częstotliwość")) + QStringLiteral(": ") + both;
            break;
        default: break;
        }
        if (row < 0)
            continue;
        QTableWidgetItem* item = m_table->item(row, column);
        item->setText(stacked);
        item->setBackground(kDifferent);
        QFont bold = item->font();
        bold.setBold(true);
        item->setFont(bold);
        item->setToolTip(withArgs(translate(L"Urządzenie: %1\nPlik: %2"),
                                  {QString::fromStdString(d.leftText),
                                   QString::fromStdString(d.rightText)}));
    }
    // One width for every column, so a marked column does not push the grid apart.
    m_table->resizeColumnsToContents();
    int widest = 0;
    for (int c = 0; c <= kRpmCols; ++c)
        widest = std::max(widest, m_table->columnWidth(c));
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->horizontalHeader()->setDefaultSectionSize(widest);
    for (int c = 0; c <= kRpmCols; ++c)
        m_table->setColumnWidth(c, widest);
    m_table->resizeRowsToContents();
    // Nothing is picked in a view that only shows.
    m_table->setCurrentItem(nullptr);
    m_table->setFocusPolicy(Qt::NoFocus);
    layout->addWidget(m_table, 1);

    QString summary = differenceSummary(m_differences);
    if (!settingLines.isEmpty())
        summary += QStringLiteral("\n") + settingLines.join(QStringLiteral("\n"));
    if (scope == mapfile::CompareScope::MapAndAxes)
        summary += QStringLiteral("\n") + qs(translate(L"Plik mapy nie zawiera ustawień; pozostaną bez zmian."));
    m_summary->setText(withArgs(translate(L"Różnice względem urządzenia: %1"), {summary}));

    auto* buttons = new QDialogButtonBox(this);
    m_write = buttons->addButton(qs(translate(L"&Zapisz do urządzenia")), QDialogButtonBox::AcceptRole);
    m_write->setToolTip(qs(translate(L"Zapisuje różnice do urządzenia jako jeden krok (można cofnąć)")));
    m_write->setEnabled(canWrite && !m_differences.empty());
    m_write->setAutoDefault(false);
    QPushButton* close = buttons->addButton(QDialogButtonBox::Close);
    close->setText(qs(translate(L"Zamknij")));
    close->setToolTip(qs(translate(L"Zamyka porównanie; nic nie jest wysyłane")));
    connect(m_write, &QPushButton::clicked, this, &CCompareDialog::confirmWrite);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    layout->addWidget(buttons);

    // The whole grid without scrolling where the screen allows.
    const int width = m_table->horizontalHeader()->length() + m_table->frameWidth() * 2;
    const int height = m_table->verticalHeader()->length() + m_table->frameWidth() * 2;
    m_table->setMinimumSize(std::min(width, 1200), std::min(height, 700));
}

void CCompareDialog::confirmWrite()
{
    const std::wstring question = withArgs(translate(L"Zapisać te zmiany do urządzenia (%1)?"),
                                           {differenceSummary(m_differences)})
                                      .toStdWString();
    if (reportMessage(m_messages, question, kCaption, MB_YESNO_DEFNO) == ID_YES)
        accept();
}

} // namespace velmora
