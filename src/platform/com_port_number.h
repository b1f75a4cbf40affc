// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The remembered port as Windows tools of the maker keep it: the decimal number n
// of COMn, as text.

#include <QString>

#include <string>

namespace velmora::platform {

// "COM12" -> "12"; empty for anything that is not COMn with n > 0.
QString numberTextFromComPort(const std::string& port);
// "12" -> "COM12". Like _wtoi, only the leading number counts ("7x" -> COM7);
// empty when there is none or it is 0.
std::string comPortFromNumberText(const QString& text);

} // namespace velmora::platform
