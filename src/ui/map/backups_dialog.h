// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Unit → Backups…: the saved backups, newest first, each with its date, the unit's
// version and what differs from the unit now. A chosen one opens in the compare
// view, from where it can be written back.

#include "backup_keeper.h"

#include <QDialog>

class QTableWidget;
class QPushButton;

namespace velmora {

class CBackupsDialog : public QDialog {
    Q_OBJECT
public:
    CBackupsDialog(const std::vector<CBackupKeeper::Entry>& entries, const UnitContent& unit,
                   const QString& folder, QWidget* parent = nullptr);

    QTableWidget* table() const { return m_table; }
    // The entry to restore after exec() returned Accepted; -1 otherwise.
    int chosen() const { return m_chosen; }

private:
    QTableWidget* m_table = nullptr;
    QPushButton* m_restore = nullptr;
    int m_chosen = -1;
};

} // namespace velmora
