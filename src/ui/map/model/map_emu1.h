#pragma once
// This unit's map: values 0.0..5.0 shown with one decimal, cells found from the
// unit's axes, stepped values sent to the unit as one area correction, and the
// header edits that change the axes.

#include "map_array.h"
#include "map_device.h"

#include "device/encodings.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace velmora {

// The area correction that stepping the selection sends: from the first selected
// cell (scan order), as many rows as are selected below it in its column and as many
// columns as are selected right of it in its row. Nothing without a selection.
std::optional<MapArea> selectedArea(const CCellGrid& grid, double step);

class CMapEmu1 : public CMapArray {
public:
    static constexpr double kUpperLimit = 5.0;
    static constexpr double kLowerLimit = 0.0;

    explicit CMapEmu1(IMapDevice& device);

    // Not connected: only the grid changes. Connected: the area correction and a
    // store command go to the unit; on success the device state follows. Errors are
    // reported, never thrown.
    void incrementSelected(double step) override;
    // Reads the axes from the device state at every call: the first breakpoint above
    // the value, the last column and row taking everything beyond.
    CellPos findCell(double rpm, double volts) const override;
    std::wstring formatValue(double value) const override;

    // Every body cell from the map, column headers from the RPM axis ("%.0f"), row
    // headers from the voltage axis ("%.2f").
    void showDeviceState(const DeviceState& state);
    // Header texts of the axes alone ("%.0f" and "%.2f").
    static std::vector<std::wstring> rpmHeaderTexts(const DeviceState& state);
    static std::vector<std::wstring> voltHeaderTexts(const DeviceState& state);

    // The text an in-place edit of (column, row) leaves in the cell, typed being what
    // the operator entered. Header edits limit the value and, when connected, change
    // the axis and write both axes to the unit. Errors are reported, never thrown.
    std::wstring editedText(int column, int row, std::wstring typed);

    // What shows the whole device state again after an axis write (the window also
    // refreshes its settings fields). Unset: showDeviceState of the map alone.
    void setShowDeviceData(std::function<void()> show) { m_showDeviceData = std::move(show); }

    IMapDevice& device() { return m_device; }

private:
    void stepSelected(double step);
    std::wstring applyEditedText(int column, int row, std::wstring typed);
    void writeAxes();

    IMapDevice& m_device;
    std::function<void()> m_showDeviceData;
};

} // namespace velmora
