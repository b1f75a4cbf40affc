// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a service report says, from what the program knows after a visit: the unit
// as it was when connected (the backup taken then), the unit as it is now, and the
// work in between. Texts come out in the program's language.

#include "report/report_document.h"

#include "acquisition/diag.h"
#include "acquisition/reading_log.h"
#include "mapfile/snapshot.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace velmora::report {

struct ServiceDetails {
    std::string workshop;   // name and address, several lines allowed
    std::string technician;
    std::string vehicle;    // registration, make and model or VIN, odometer
    std::string customer;
    std::string notes;
};

struct FirmwareUpdate {
    std::string fileName;
    std::string sha256; // hexadecimal
    std::uint16_t versionBefore = 0;
    std::uint16_t versionAfter = 0;
    bool succeeded = false;
};

// One of the five readings over the chart's last minutes.
struct ReadingFigures {
    std::string name; // as the window labels it, translated
    std::string unit; // "V", "rpm", "%"; may be empty
    double min = 0;
    double mean = 0;
    double max = 0;
};

struct LinkFigures {
    double readingsPerSecond = 0;
    int failedExchanges = 0;
};

struct ReportInput {
    ServiceDetails details;
    std::string dateTime;   // local date and time, as the caller writes it
    std::string port;
    std::string adapter;    // may be empty
    std::string beforeName; // the backup "before" comes from, as the user knows it
    mapfile::Snapshot before;
    mapfile::Snapshot after;
    std::vector<FirmwareUpdate> firmwareUpdates;
    std::vector<ReadingFigures> readings; // empty: no readings were taken
    std::optional<LinkFigures> link;
    // Name of a chart picture the renderer holds; empty: none.
    std::string chartPicture;
    std::vector<std::string> backupsWritten; // file names
};

// The report's document: details, unit, firmware, settings, map (before, after,
// difference, with changed cells marked), axes, readings and backups. When nothing
// differs between before and after it says so at the top.
Document buildReport(const ReportInput& input);

// Minimum, mean and maximum of the five readings the window shows (work state as
// the share of samples "on", in %); empty for no samples.
std::vector<ReadingFigures> readingFigures(const std::vector<CDiag>& samples);

// The samples of the log's last span (gaps left out), the chart's last minutes.
std::vector<CDiag> recentSamples(const CReadingLog& log, std::chrono::seconds span = std::chrono::minutes(5));

// How many map cells differ at the unit's resolution.
int changedCellCount(const mapfile::Snapshot& before, const mapfile::Snapshot& after);

// "1.02" as the window shows a version.
std::string versionText(std::uint16_t version);

} // namespace velmora::report
