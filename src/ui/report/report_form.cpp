// SPDX-License-Identifier: GPL-3.0-or-later
#include "report_form.h"

#include "lang/translate.h"
#include "mapfile/backup_store.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>

namespace velmora {

namespace {

QString qs(const std::wstring& text) { return QString::fromStdWString(text); }

const QString kWorkshopKey = QStringLiteral("report/workshop");
const QString kTechnicianKey = QStringLiteral("report/technician");

QPlainTextEdit* textBox(int lines, QWidget* parent) {
    auto* box = new QPlainTextEdit(parent);
    box->setTabChangesFocus(true);
    box->setFixedHeight(box->fontMetrics().lineSpacing() * lines + 12);
    return box;
}

} // namespace

CReportForm::CReportForm(const QString& backupFolder, QWidget* parent)
    : QDialog(parent), m_workshop(textBox(3, this)), m_technician(new QLineEdit(this)),
      m_registration(new QLineEdit(this)), m_vehicle(new QLineEdit(this)), m_odometer(new QLineEdit(this)),
      m_customer(new QLineEdit(this)), m_notes(textBox(4, this)), m_before(new QComboBox(this))
{
    setWindowTitle(qs(translate(L"Raport serwisowy")));
    auto* form = new QFormLayout(this);
    form->addRow(qs(translate(L"Warsztat (nazwa i adres):")), m_workshop);
    form->addRow(qs(translate(L"Technik:")), m_technician);
    form->addRow(qs(translate(L"Numer rejestracyjny:")), m_registration);
    form->addRow(qs(translate(L"Marka i model lub VIN:")), m_vehicle);
    form->addRow(qs(translate(L"Przebieg:")), m_odometer);
    form->addRow(qs(translate(L"Klient:")), m_customer);
    form->addRow(qs(translate(L"Uwagi:")), m_notes);
    form->addRow(qs(translate(L"Stan przed wizytą:")), m_before);

    for (const mapfile::BackupEntry& entry : mapfile::listBackups(backupFolder.toStdWString())) {
        if (!entry.backup) continue;
        const QString path = QString::fromStdU16String(entry.path.u16string());
        m_before->addItem(QFileInfo(path).fileName(), path);
    }

    const QSettings settings;
    m_workshop->setPlainText(settings.value(kWorkshopKey).toString());
    m_technician->setText(settings.value(kTechnicianKey).toString());

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(qs(translate(L"Podgląd…")));
    buttons->button(QDialogButtonBox::Ok)->setEnabled(m_before->count() > 0);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
    (m_workshop->toPlainText().isEmpty() ? static_cast<QWidget*>(m_workshop) : m_registration)->setFocus();
}

void CReportForm::setBefore(const QString& path)
{
    const int index = m_before->findData(path);
    if (index >= 0) m_before->setCurrentIndex(index);
}

CServiceReport::Details CReportForm::details() const
{
    return {m_workshop->toPlainText(), m_technician->text(), m_registration->text(), m_vehicle->text(),
            m_odometer->text(),        m_customer->text(),   m_notes->toPlainText(),  m_before->currentData().toString()};
}

void CReportForm::accept()
{
    QSettings settings;
    settings.setValue(kWorkshopKey, m_workshop->toPlainText());
    settings.setValue(kTechnicianKey, m_technician->text());
    QDialog::accept();
}

} // namespace velmora
