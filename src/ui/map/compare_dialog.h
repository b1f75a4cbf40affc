// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A map file or a backup shown against the unit: every cell and axis breakpoint
// that differs is marked and shows both values, the unit's first. "Write to unit"
// asks once and then leaves the caller to write (as one undo step); nothing is
// sent from here.

#include "ui/map/model/map_document.h"

#include "device/messages.h"
#include "mapfile/snapshot.h"

#include <QDialog>

#include <vector>

class QLabel;
class QPushButton;
class QTableWidget;

namespace velmora {

class CCompareDialog : public QDialog {
    Q_OBJECT
public:
    // unit: what the unit holds now; other: the file's (or backup's) content. With
    // scope MapAndAxes the settings are neither compared nor written.
    CCompareDialog(const UnitContent& unit, const UnitContent& other, mapfile::CompareScope scope,
                   const QString& otherName, bool canWrite, IMessageBox* messages,
                   QWidget* parent = nullptr);

    const std::vector<mapfile::Difference>& differences() const { return m_differences; }
    QTableWidget* table() const { return m_table; }
    QPushButton* writeButton() const { return m_write; }
    // What the unit should hold after the write: the unit's content with the
    // compared parts taken from the other side.
    UnitContent target() const { return m_result; }

    // Asks "write to the unit?" (No preselected) and accepts the dialog on Yes.
    void confirmWrite();

private:
    QTableWidget* m_table = nullptr;
    QLabel* m_summary = nullptr;
    QPushButton* m_write = nullptr;
    std::vector<mapfile::Difference> m_differences;
    UnitContent m_result;
    IMessageBox* m_messages;
};

// Snapshot of content with the given version and device type.
mapfile::Snapshot snapshotOf(const UnitContent& content, std::uint16_t version = 0,
                             std::uint8_t deviceType = 0);
UnitContent contentOf(const mapfile::Snapshot& snapshot);
// "3 cells, 1 axis point, settings" in the user's language; "the same" for none.
QString differenceSummary(const std::vector<mapfile::Difference>& differences);

} // namespace velmora
