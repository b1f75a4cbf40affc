// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The correction map and its axes laid out for a terminal: RPM breakpoints across,
// voltage breakpoints down, columns right-aligned. Numbers as in the csv form.

#include "mapfile/map_csv.h"

#include <string>

namespace velmora::cli {

using mapfile::MapTable;

std::string formatMapTable(const MapTable& table);

} // namespace velmora::cli
