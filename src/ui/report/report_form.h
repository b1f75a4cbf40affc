// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The service report's form: workshop and technician (remembered for the next
// report), vehicle, customer, notes, and the backup the report compares against.

#include "service_report.h"

#include <QDialog>

class QComboBox;
class QLineEdit;
class QPlainTextEdit;

namespace velmora {

class CReportForm : public QDialog {
    Q_OBJECT
public:
    // backupFolder: where the backups to choose from are.
    CReportForm(const QString& backupFolder, QWidget* parent = nullptr);

    // Selects this backup (one of the folder's) as "before".
    void setBefore(const QString& path);
    CServiceReport::Details details() const;

    void accept() override;

private:
    QPlainTextEdit* m_workshop;
    QLineEdit* m_technician;
    QLineEdit* m_registration;
    QLineEdit* m_vehicle;
    QLineEdit* m_odometer;
    QLineEdit* m_customer;
    QPlainTextEdit* m_notes;
    QComboBox* m_before;
};

} // namespace velmora
