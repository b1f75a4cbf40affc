#include "map_emu1.h"

#include "axis_rules.h"
#include "number_text.h"

#include "device/error.h"

#include <algorithm>

namespace velmora {

std::optional<MapArea> selectedArea(const CCellGrid& grid, double step)
{
    const std::optional<CellPos> first = grid.firstSelected();
    if (!first)
        return std::nullopt;
    MapArea area;
    area.firstVolt = first->row;
    area.firstRpm = first->column;
    area.voltCount = 0;
    for (int r = first->row; r < CCellGrid::kRows && grid.isSelected(first->column, r); ++r)
        ++area.voltCount;
    area.rpmCount = 0;
    for (int c = first->column; c < CCellGrid::kColumns && grid.isSelected(c, first->row); ++c)
        ++area.rpmCount;
    area.step = step;
    return area;
}

CMapEmu1::CMapEmu1(IMapDevice& device)
    : CMapArray(kUpperLimit, kLowerLimit), m_device(device)
{
}

void CMapEmu1::incrementSelected(double step)
{
    try {
        stepSelected(step);
    } catch (const IError& error) {
        reportError(m_device, L"CMapEmu1::incrementSelected()", error);
    }
}

void CMapEmu1::stepSelected(double step)
{
    const std::optional<MapArea> area = selectedArea(*this, step);
    if (!area)
        return;
    for (int c = 0; c < kColumns; ++c)
        for (int r = 0; r < kRows; ++r)
            if (isSelected(c, r))
                setCellValue(c, r, clampValue(getCellValue(c, r) + step));

    if (!m_device.isConnected())
        return;
    if (!m_device.correctMapArea(encodeMapArea(*area))) {
        reportWriteFailure(m_device);
        return;
    }
    if (!m_device.storeMap()) {
        reportWriteFailure(m_device);
        return;
    }
    // The unit stepped exactly the cells of the area from its own values. Only those
    // change here: copying the one-decimal grid texts over the whole map would lose
    // the unit's finer values, and the next map write would send them.
    DeviceState& state = m_device.state();
    for (int r = area->firstVolt; r < area->firstVolt + area->voltCount; ++r)
        for (int c = area->firstRpm; c < area->firstRpm + area->rpmCount; ++c)
            state.map[r][c] = clampValue(state.map[r][c] + step);
}

CellPos CMapEmu1::findCell(double rpm, double volts) const
{
    const DeviceState& state = m_device.state();
    CellPos p{kColumns - 1, kRows - 1};
    for (int i = 0; i < kColumns; ++i) {
        if (rpm < state.rpmAxis[i]) {
            p.column = i;
            break;
        }
    }
    for (int j = 0; j < kRows; ++j) {
        if (volts < state.voltAxis[j]) {
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

void CMapEmu1::showDeviceState(const DeviceState& state)
{
    for (int c = 0; c < kColumns; ++c)
        for (int r = 0; r < kRows; ++r)
            setCellValue(c, r, state.map[r][c]);
    const std::vector<std::wstring> rpm = rpmHeaderTexts(state);
    for (int c = 0; c < kColumns; ++c)
        columnHeader(c).setTxt(rpm[c]);
    const std::vector<std::wstring> volts = voltHeaderTexts(state);
    for (int r = 0; r < kRows; ++r)
        rowHeader(r).setTxt(volts[r]);
}

std::vector<std::wstring> CMapEmu1::rpmHeaderTexts(const DeviceState& state)
{
    std::vector<std::wstring> texts;
    for (double v : state.rpmAxis)
        texts.push_back(formatFixed(v, 0));
    return texts;
}

std::vector<std::wstring> CMapEmu1::voltHeaderTexts(const DeviceState& state)
{
    std::vector<std::wstring> texts;
    for (double v : state.voltAxis)
        texts.push_back(formatFixed(v, 2));
    return texts;
}

std::wstring CMapEmu1::editedText(int column, int row, std::wstring typed)
{
    try {
        return applyEditedText(column, row, std::move(typed));
    } catch (const IError& error) {
        reportError(m_device, L"CMapEdit::getText()", error);
        return {};
    }
}

std::wstring CMapEmu1::applyEditedText(int column, int row, std::wstring typed)
{
    std::replace(typed.begin(), typed.end(), L',', L'.');
    if (typed.empty())
        return {};
    double v = parseLeadingNumber(typed);
    DeviceState& state = m_device.state();

    if (column == -1 && row >= 0 && row < kRows) {
        v = voltBreakpoint(v);
        const std::wstring text = formatFixed(v, 2);
        // Compared at a tenth but stored as typed: a header retyped with the same
        // tenth leaves the axis alone.
        if (m_device.isConnected() && state.voltAxis[row] != roundTenth(v)) {
            state.voltAxis[row] = v;
            writeAxes();
        }
        return text;
    }
    if (row == -1 && column >= 0 && column < kColumns) {
        v = rpmBreakpoint(v, state.rpmAxis, column);
        const std::wstring text = formatFixed(v, 0);
        if (m_device.isConnected() && state.rpmAxis[column] != v) {
            state.rpmAxis[column] = v;
            writeAxes();
        }
        return text;
    }
    return formatFixed(v, 0);
}

void CMapEmu1::writeAxes()
{
    if (!m_device.writeAxes())
        reportWriteFailure(m_device);
    if (m_showDeviceData)
        m_showDeviceData();
    else
        showDeviceState(m_device.state());
}

} // namespace velmora
