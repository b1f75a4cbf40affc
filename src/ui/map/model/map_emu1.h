// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// This unit's map: values 0.00..5.10 shown as the unit holds them, cells found from
// the document's axes, and what the keys and in-place edits ask to change. Edits go
// to an IMapEdits; the grid follows the document when it changes.

#include "map_array.h"
#include "map_document.h"
#include "map_edits.h"

#include <string>
#include <vector>

namespace velmora {

class CMapEmu1 : public CMapArray {
public:
    // What the unit's map byte holds (0.02 steps).
    static constexpr double kUpperLimit = 5.1;
    static constexpr double kLowerLimit = 0.0;

    // Shows the document now and whenever it changes; document must outlive the map.
    explicit CMapEmu1(CMapDocument& document);
    ~CMapEmu1() override;

    // Where edits go; null (or one that cannot write) leaves edits in the grid only.
    void setEdits(IMapEdits* edits) { m_edits = edits; }
    IMapEdits* edits() const { return m_edits; }
    CMapDocument& document() { return m_document; }
    const CMapDocument& document() const { return m_document; }

    // Steps the selected cells from the document's exact values, clamped at 0.00
    // and 5.10, as one map edit.
    void incrementSelected(double step) override;
    // The first breakpoint above the value; the last column and row take everything
    // beyond.
    CellPos findCell(double rpm, double volts) const override;
    // mapfile::formatMapCell: "0.9", "0.86". The tip has both decimals always.
    std::wstring formatValue(double value) const override;
    std::wstring formatExact(double value) const override;
    // "2000 RPM × 0.96 V: 0.86" for a body cell, the breakpoint for a header; empty
    // for the corner or before the first data.
    std::wstring describeCell(CellPos p) const;

    // Cells and headers from the document.
    void showDocument();
    static std::vector<std::wstring> rpmHeaderTexts(const RpmAxis& axis);
    static std::vector<std::wstring> voltHeaderTexts(const VoltAxis& axis);

    // The selected rectangle (the selection is kept rectangular); empty without one.
    CellBlock selection() const;

    // The text an in-place edit of (column, row) leaves in the cell, typed being what
    // the operator entered; empty leaves the cell as it was. Header edits keep the
    // axis rising and in range; a body cell takes the typed value, refused with a
    // message when it is no number or beyond 0.00..5.10. A value that is already
    // what the unit holds writes nothing; one written otherwise than typed is told
    // (IMapEdits::tell) with the rule that changed it.
    std::wstring editedText(int column, int row, std::wstring typed);

private:
    bool writable() const { return m_edits && m_edits->canWrite(); }

    CMapDocument& m_document;
    IMapEdits* m_edits = nullptr;
    int m_listener = 0;
};

} // namespace velmora
