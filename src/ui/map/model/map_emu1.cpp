// SPDX-License-Identifier: GPL-3.0-or-later
#include "map_emu1.h"

#include "axis_rules.h"
#include "number_text.h"

#include "lang/translate.h"
#include "mapfile/axis_check.h"

#include <algorithm>

namespace velmora {

CMapEmu1::CMapEmu1(CMapDocument& document)
    : CMapArray(kUpperLimit, kLowerLimit), m_document(document)
{
    m_listener = m_document.addListener([this](unsigned) { showDocument(); });
}

CMapEmu1::~CMapEmu1()
{
    m_document.removeListener(m_listener);
}

CellBlock CMapEmu1::selection() const
{
    const std::optional<CellPos> first = firstSelected();
    if (!first)
        return {};
    const CellPos last = *lastSelected();
    return {first->column, std::min(first->row, last.row), last.column,
            std::max(first->row, last.row)};
}

void CMapEmu1::incrementSelected(double step)
{
    const CellBlock area = selection();
    if (area.empty())
        return;
    if (!writable()) {
        // Nothing reaches the unit: only the grid shows the step.
        for (int c = 0; c < kColumns; ++c)
            for (int r = 0; r < kRows; ++r)
                if (isSelected(c, r))
                    setCellValue(c, r, clampValue(getCellValue(c, r) + step));
        return;
    }
    // From the document's exact values, not the one-decimal texts: the unit's finer
    // values must survive a step.
    MapValues after = m_document.map();
    for (int c = 0; c < kColumns; ++c)
        for (int r = 0; r < kRows; ++r)
            if (isSelected(c, r))
                after[r][c] = unitMapValue(clampValue(after[r][c] + step));
    if (after != m_document.map())
        m_edits->changeMap(after, MapEdit::Step, area);
}

CellPos CMapEmu1::findCell(double rpm, double volts) const
{
    CellPos p{kColumns - 1, kRows - 1};
    for (int i = 0; i < kColumns; ++i) {
        if (rpm < m_document.rpm()[i]) {
            p.column = i;
            break;
        }
    }
    for (int j = 0; j < kRows; ++j) {
        if (volts < m_document.volts()[j]) {
            p.row = j;
            break;
        }
    }
    return p;
}

std::wstring CMapEmu1::formatValue(double value) const
{
    return formatFixed(value, 1);
}

void CMapEmu1::showDocument()
{
    const MapValues& map = m_document.map();
    for (int c = 0; c < kColumns; ++c)
        for (int r = 0; r < kRows; ++r)
            setCellValue(c, r, map[r][c]);
    const std::vector<std::wstring> rpm = rpmHeaderTexts(m_document.rpm());
    for (int c = 0; c < kColumns; ++c)
        columnHeader(c).setTxt(rpm[c]);
    const std::vector<std::wstring> volts = voltHeaderTexts(m_document.volts());
    for (int r = 0; r < kRows; ++r)
        rowHeader(r).setTxt(volts[r]);
}

std::vector<std::wstring> CMapEmu1::rpmHeaderTexts(const RpmAxis& axis)
{
    std::vector<std::wstring> texts;
    for (double v : axis)
        texts.push_back(formatFixed(v, 0));
    return texts;
}

std::vector<std::wstring> CMapEmu1::voltHeaderTexts(const VoltAxis& axis)
{
    std::vector<std::wstring> texts;
    for (double v : axis)
        texts.push_back(formatFixed(v, 2));
    return texts;
}

std::wstring CMapEmu1::editedText(int column, int row, std::wstring typed)
{
    if (typed.find_first_not_of(L" \t") == std::wstring::npos)
        return {};
    const std::optional<double> number = parseTypedNumber(typed);
    if (!number) {
        if (m_edits)
            m_edits->refuse(translate(L"To nie jest liczba. Wpisz na przykład 1,25."));
        return {};
    }
    double v = *number;

    if (column == -1 && row >= 0 && row < kRows) {
        v = mapfile::limitVoltBreakpoint(v, m_document.volts(), row);
        if (writable() && m_document.volts()[row] != v) {
            VoltAxis volts = m_document.volts();
            volts[row] = v;
            m_edits->changeAxes(volts, m_document.rpm());
        }
        return formatFixed(v, 2);
    }
    if (row == -1 && column >= 0 && column < kColumns) {
        v = rpmBreakpoint(v, m_document.rpm(), column);
        if (writable() && m_document.rpm()[column] != v) {
            RpmAxis rpm = m_document.rpm();
            rpm[column] = v;
            m_edits->changeAxes(m_document.volts(), rpm);
        }
        return formatFixed(v, 0);
    }
    if (!isBody({column, row}))
        return {};
    if (v < kLowerLimit || v > kUpperLimit + 1e-9) {
        if (m_edits)
            m_edits->refuse(translate(L"Wartość poza zakresem 0,00–5,10: urządzenie nie przechowa innej."));
        return {};
    }
    v = unitMapValue(v);
    if (writable() && m_document.map()[row][column] != v) {
        MapValues after = m_document.map();
        after[row][column] = v;
        m_edits->changeMap(after, MapEdit::Type, {column, row, column, row});
    }
    return formatValue(v);
}

} // namespace velmora
