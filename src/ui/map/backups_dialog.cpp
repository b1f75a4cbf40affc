// SPDX-License-Identifier: GPL-3.0-or-later
#include "backups_dialog.h"

#include "compare_dialog.h"

#include "lang/translate.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace velmora {

namespace {

QString qs(const std::wstring& text)
{
    return QString::fromStdWString(text);
}

} // namespace

CBackupsDialog::CBackupsDialog(const std::vector<CBackupKeeper::Entry>& entries,
                               const UnitContent& unit, const QString& folder, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(qs(translate(L"Kopie zapasowe")));
    auto* layout = new QVBoxLayout(this);
    auto* where = new QLabel(qs(translate(L"Folder kopii:")) + QLatin1Char(' ') + folder, this);
    where->setTextInteractionFlags(Qt::TextSelectableByMouse);
    where->setWordWrap(true);
    layout->addWidget(where);

    m_table = new QTableWidget(static_cast<int>(entries.size()), 3, this);
    m_table->setHorizontalHeaderLabels({qs(translate(L"Data")), qs(translate(L"Wersja")),
                                        qs(translate(L"Różnice względem urządzenia"))});
    m_table->verticalHeader()->hide();
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setToolTip(qs(translate(L"Wybierz kopię, aby porównać ją z urządzeniem")));
    for (int i = 0; i < static_cast<int>(entries.size()); ++i) {
        const CBackupKeeper::Entry& e = entries[static_cast<std::size_t>(i)];
        const auto differences = mapfile::compareSnapshots(
            snapshotOf(unit), snapshotOf(e.content), mapfile::CompareScope::SettingsMapAndAxes);
        m_table->setItem(i, 0, new QTableWidgetItem(e.when.toLocalTime().toString(
                                   QStringLiteral("yyyy-MM-dd HH:mm:ss"))));
        m_table->setItem(i, 1, new QTableWidgetItem(QStringLiteral("%1.%2")
                                   .arg(e.version >> 8)
                                   .arg(e.version & 0xFF, 2, 10, QLatin1Char('0'))));
        m_table->setItem(i, 2, new QTableWidgetItem(differenceSummary(differences)));
    }
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->resizeColumnsToContents();
    layout->addWidget(m_table, 1);
    if (entries.empty())
        layout->addWidget(new QLabel(qs(translate(L"Nie ma jeszcze żadnej kopii.")), this));

    auto* buttons = new QDialogButtonBox(this);
    m_restore = buttons->addButton(qs(translate(L"&Porównaj i przywróć…")), QDialogButtonBox::AcceptRole);
    m_restore->setToolTip(qs(translate(L"Pokazuje wybraną kopię obok urządzenia; zapis dopiero po potwierdzeniu")));
    m_restore->setEnabled(false);
    QPushButton* close = buttons->addButton(QDialogButtonBox::Close);
    close->setText(qs(translate(L"Zamknij")));
    layout->addWidget(buttons);
    connect(m_table, &QTableWidget::itemSelectionChanged, this,
            [this] { m_restore->setEnabled(!m_table->selectedItems().isEmpty()); });
    connect(m_table, &QTableWidget::cellDoubleClicked, this, [this](int row, int) {
        m_chosen = row;
        accept();
    });
    connect(m_restore, &QPushButton::clicked, this, [this] {
        m_chosen = m_table->currentRow();
        accept();
    });
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    resize(640, 420);
}

} // namespace velmora
