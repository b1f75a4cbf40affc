// SPDX-License-Identifier: GPL-3.0-or-later
#include "map_emu1.h"

#include "axis_rules.h"
#include "number_text.h"

#include "lang/translate.h"
#include "mapfile/axis_check.h"
#include "mapfile/map_csv.h"

#include <algorithm>
#include <cmath>

namespace velmora {

namespace {

std::wstring wide(const std::string& ascii)
{
    return std::wstring(ascii.begin(), ascii.end());
}

// "%1" ... "%4" of a translated text replaced in turn.
std::wstring fill(std::wstring text, std::initializer_list<std::wstring> values)
{
    int n = 1;
    for (const std::wstring& v : values) {
        const std::wstring mark = L"%" + std::to_wstring(n++);
        for (std::size_t at = text.find(mark); at != std::wstring::npos; at = text.find(mark, at + v.size()))
            text.replace(at, mark.size(), v);
    }
    return text;
}

// What the operator typed, as typed: "2,55" reads "2.55".
std::wstring typedText(std::wstring typed)
{
    std::replace(typed.begin(), typed.end(), L',', L'.');
    const std::size_t b = typed.find_first_not_of(L" \t\u00A0");
    const std::size_t e = typed.find_last_not_of(L" \t\u00A0");
    return b == std::wstring::npos ? std::wstring() : typed.substr(b, e - b + 1);
}

bool sameValue(double a, double b)
{
    return std::fabs(a - b) < 1e-9;
}

} // namespace

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
    return wide(mapfile::formatMapCell(value));
}

std::wstring CMapEmu1::formatExact(double value) const
{
    return wide(mapfile::formatMapValue(value));
}

std::wstring CMapEmu1::describeCell(CellPos p) const
{
    if (isBody(p)) {
        if (cell(p.column, p.row).getTxt().empty())
            return {};
        return fill(translate(L"%1 obr/min × %2 V: %3"),
                    {wide(mapfile::formatRpm(m_document.rpm()[p.column])),
                     wide(mapfile::formatVolts(m_document.volts()[p.row])),
                     wide(mapfile::formatMapValue(m_document.map()[p.row][p.column]))});
    }
    if (p.row == -1 && p.column >= 0 && p.column < kColumns)
        return fill(translate(L"Punkt obrotów %1: %2 obr/min"),
                    {std::to_wstring(p.column + 1), wide(mapfile::formatRpm(m_document.rpm()[p.column]))});
    if (p.column == -1 && p.row >= 0 && p.row < kRows)
        return fill(translate(L"Punkt napięcia %1: %2 V"),
                    {std::to_wstring(p.row + 1), wide(mapfile::formatVolts(m_document.volts()[p.row]))});
    return {};
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
        texts.push_back(wide(mapfile::formatRpm(v)));
    return texts;
}

std::vector<std::wstring> CMapEmu1::voltHeaderTexts(const VoltAxis& axis)
{
    std::vector<std::wstring> texts;
    for (double v : axis)
        texts.push_back(wide(mapfile::formatVolts(v)));
    return texts;
}

std::wstring CMapEmu1::editedText(int column, int row, std::wstring typed)
{
    if (typed.find_first_not_of(L" \t") == std::wstring::npos)
        return {};
    const bool voltHeader = column == -1 && row >= 0 && row < kRows;
    const bool rpmHeader = row == -1 && column >= 0 && column < kColumns;
    const std::optional<double> number = parseTypedNumber(typed);
    if (!number) {
        // The example names the kind of value this cell holds.
        if (m_edits)
            m_edits->refuse(translate(voltHeader  ? L"To nie jest liczba. Wpisz napięcie, na przykład 1,25."
                                      : rpmHeader ? L"To nie jest liczba. Wpisz obroty, na przykład 2500."
                                                  : L"To nie jest liczba. Wpisz wartość korekty, na przykład 0,86."));
        return {};
    }
    const double v = *number;
    const std::wstring asTyped = typedText(typed);

    if (voltHeader) {
        const double written = mapfile::limitVoltBreakpoint(v, m_document.volts(), row);
        const std::wstring text = wide(mapfile::formatVolts(written));
        if (writable()) {
            if (m_document.volts()[row] != written) {
                VoltAxis volts = m_document.volts();
                volts[row] = written;
                m_edits->changeAxes(volts, m_document.rpm());
            }
            if (!sameValue(v, written))
                m_edits->tell(fill(translate(L"Punkt napięcia %1: wpisano %2, urządzenie ma %3 V. Punkty "
                                             L"napięcia rosną od wiersza do wiersza, od 0,00 do 20,00 V, "
                                             L"co 0,015 V."),
                                   {std::to_wstring(row + 1), asTyped, text}));
        }
        return text;
    }
    if (rpmHeader) {
        const double written = rpmBreakpoint(v, m_document.rpm(), column);
        const std::wstring text = wide(mapfile::formatRpm(written));
        if (writable()) {
            if (m_document.rpm()[column] != written) {
                RpmAxis rpm = m_document.rpm();
                rpm[column] = written;
                m_edits->changeAxes(m_document.volts(), rpm);
            }
            if (!sameValue(v, written))
                m_edits->tell(fill(translate(L"Punkt obrotów %1: wpisano %2, urządzenie ma %3 obr/min. Punkty "
                                             L"obrotów to pełne setki od 500 do 8000, każdy o co najmniej 100 "
                                             L"wyższy od poprzedniego."),
                                   {std::to_wstring(column + 1), asTyped, text}));
        }
        return text;
    }
    if (!isBody({column, row}))
        return {};
    if (v < kLowerLimit || v > kUpperLimit + 1e-9) {
        if (m_edits)
            m_edits->refuse(translate(L"Wartość poza zakresem 0,00–5,10: urządzenie nie przechowa innej."));
        return {};
    }
    const double written = unitMapValue(v);
    if (writable()) {
        // Retyping what the unit holds (or leaving the editor as it opened) is no edit.
        if (m_document.map()[row][column] != written) {
            MapValues after = m_document.map();
            after[row][column] = written;
            m_edits->changeMap(after, MapEdit::Type, {column, row, column, row});
        }
        if (!sameValue(v, written))
            m_edits->tell(fill(translate(L"Wpisano %1, urządzenie ma %2: przechowuje wartości co 0,02."),
                               {asTyped, formatExact(written)}));
    }
    return formatValue(written);
}

} // namespace velmora
