// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The controls of the main window, in tab and stacking order, with their
// positions in dialog units. The texts are the untranslated resource texts;
// translateCaptions() replaces most of them at start-up.

#include <QRect>

#include <span>

namespace velmora {

enum class ControlKind { Button, Label, Edit, Reading, GroupBox, Spin };
enum class TextAlign { Left, Right, Centre };

struct ControlTemplate {
    int id;             // -1 for the unit labels that carry no id
    ControlKind kind;
    const char* text;   // UTF-8
    QRect du;           // x, y, width, height in dialog units
    TextAlign align;
    bool hidden;
};

namespace ctl {
constexpr int Close = 1000;
constexpr int WorkState = 1006;
constexpr int Status = 1007;
constexpr int InputVolts = 1011;
constexpr int Chart = 1012;
constexpr int Start = 1013;
constexpr int Stop = 1014;
constexpr int Overwrite = 1015;
constexpr int OutputVolts = 1016;
constexpr int PumpVolts = 1017;
constexpr int Definition = 1018;
constexpr int ClearMap = 1019;
constexpr int Firmware = 1026;
constexpr int Map = 1027;
constexpr int SpinRpmDivider = 1028;
constexpr int SpinNoiseDelta = 1029;
constexpr int SpinNoisePeriod = 1030;
constexpr int Readings = 1031;
constexpr int Rpm = 1033;
constexpr int RpmDivider = 1034;
constexpr int NoiseDelta = 1035;
constexpr int NoisePeriod = 1036;
constexpr int WorkStateLabel = 1047;
constexpr int RpmLabel = 1048;
constexpr int InputLabel = 1049;
constexpr int PumpLabel = 1050;
constexpr int OutputLabel = 1051;
constexpr int NoiseDeltaLabel = 1052;
constexpr int NoisePeriodLabel = 1053;
constexpr int RpmDividerLabel = 1054;
} // namespace ctl

// The layout's own area, dialog units, and the margin the window keeps around it.
constexpr int kWindowWidthDu = 510;
constexpr int kWindowHeightDu = 358;
constexpr int kMarginDu = 4;
// A layout rectangle moved inside the margin.
inline QRect withinMargin(const QRect& du)
{
    return du.translated(kMarginDu, kMarginDu);
}
// The whole client area, margin included.
inline QRect clientAreaDu()
{
    return {0, 0, kWindowWidthDu + 2 * kMarginDu, kWindowHeightDu + 2 * kMarginDu};
}

std::span<const ControlTemplate> mainWindowControls();
// The About button sits in the free strip between the firmware and close buttons.
QRect aboutButtonDu();

} // namespace velmora
