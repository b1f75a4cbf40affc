// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The CSV columns of a reading sample, shared by the console monitor, the recorder
// and the chart's export so the three can never disagree.
//
//   seq,rpm,input_v,pump_v,output_v,work_state
//   17,1000,12.00,3.00,10.00,on
//
// Numbers always take a '.', whatever the locale the program runs in.

#include "diag.h"

#include <chrono>
#include <string>
#include <string_view>

namespace velmora {

// The monitor's header and one sample's fields, without a line end.
constexpr std::string_view kReadingCsvHeader = "seq,rpm,input_v,pump_v,output_v,work_state";
std::string readingCsvFields(const CDiag& sample);

// Header of a recording: local time, seconds since the start, the sample, the port.
constexpr std::string_view kRecordingCsvHeader = "time,seconds,seq,rpm,input_v,pump_v,output_v,work_state,port";
// Written in place of a sample when the link is lost: the value columns stay empty so
// a spreadsheet or a plot shows a gap, and work_state says why.
constexpr std::string_view kLinkLostState = "link_lost";

// One recording row (no line end). seconds with three decimals; the port is quoted
// when it holds a comma, a quote or a line break.
std::string recordingCsvRow(std::chrono::system_clock::time_point time, double seconds, const CDiag& sample,
                            std::string_view port);
std::string linkLostCsvRow(std::chrono::system_clock::time_point time, double seconds, std::string_view port);

// value with a fixed number of decimals and a '.'.
void appendFixed(std::string& line, double value, int decimals);

} // namespace velmora
