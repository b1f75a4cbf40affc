// SPDX-License-Identifier: GPL-3.0-or-later
#include "report_content.h"

#include "lang/lang_text.h"
#include "lang/language_choice.h"
#include "lang/translate.h"
#include "mapfile/map_csv.h"
#include "ui/map/model/map_array.h"

#include <algorithm>
#include <cstdio>

namespace velmora::report {

using mapfile::Difference;
using mapfile::ItemKind;
using mapfile::Snapshot;

namespace {

std::string u8(const std::wstring& text) { return lang::toUtf8(text); }

// text with "%1" replaced by value, as Qt's arg does for the window's texts.
std::string arg(std::string text, const std::string& value, const char* marker = "%1") {
    if (const auto at = text.find(marker); at != std::string::npos) text.replace(at, 2, value);
    return text;
}

std::string number(double value, int decimals) {
    char text[48];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

Cell head(std::string text) { return {std::move(text), kNoColour, true, false}; }
Cell plain(std::string text) { return {std::move(text), kNoColour, false, false}; }

Block heading(std::string text) { return {Block::Kind::Heading, std::move(text), {}}; }
Block paragraph(std::string text) { return {Block::Kind::Paragraph, std::move(text), {}}; }
Block tableBlock(Table table) { return {Block::Kind::Table, {}, std::move(table)}; }

// Two columns, label and value; rows with an empty value are left out.
Table labelled(const std::vector<std::pair<std::string, std::string>>& rows) {
    Table t;
    for (const auto& [label, value] : rows)
        if (!value.empty()) t.rows.push_back({head(label), plain(value)});
    return t;
}

bool cellChanged(const Snapshot& a, const Snapshot& b, int row, int column) {
    return mapfile::formatMapValue(a.map[row][column]) != mapfile::formatMapValue(b.map[row][column]);
}

// The map as the window shows it: RPM across, volts down, each cell in its colour
// step; cells that differ from other are marked.
Table mapGrid(const Snapshot& shown, const Snapshot& other) {
    Table t;
    t.grid = true;
    std::vector<Cell> top{head("V \\ rpm")};
    for (int c = 0; c < kRpmCols; ++c) top.push_back(head(mapfile::formatRpm(shown.rpmAxis[c])));
    t.rows.push_back(std::move(top));
    for (int r = 0; r < kVoltRows; ++r) {
        std::vector<Cell> line{head(mapfile::formatVolts(shown.voltAxis[r]))};
        for (int c = 0; c < kRpmCols; ++c)
            line.push_back({mapfile::formatMapValue(shown.map[r][c]), CMapArray::valueColour(shown.map[r][c]), false,
                            cellChanged(shown, other, r, c)});
        t.rows.push_back(std::move(line));
    }
    return t;
}

// After minus before for changed cells, signed; blank elsewhere.
Table differenceGrid(const Snapshot& before, const Snapshot& after) {
    Table t;
    t.grid = true;
    std::vector<Cell> top{head("V \\ rpm")};
    for (int c = 0; c < kRpmCols; ++c) top.push_back(head(mapfile::formatRpm(after.rpmAxis[c])));
    t.rows.push_back(std::move(top));
    for (int r = 0; r < kVoltRows; ++r) {
        std::vector<Cell> line{head(mapfile::formatVolts(after.voltAxis[r]))};
        for (int c = 0; c < kRpmCols; ++c) {
            Cell cell;
            if (cellChanged(before, after, r, c)) {
                const double d = after.map[r][c] - before.map[r][c];
                // The sign by printf: string operators here trip a false -Wrestrict in
                // GCC 12 (mingw).
                char text[48];
                std::snprintf(text, sizeof text, d > 0 ? "%+.*f" : "%.*f", 2, d);
                cell.text = std::string(text);
                cell.changed = true;
            }
            line.push_back(std::move(cell));
        }
        t.rows.push_back(std::move(line));
    }
    return t;
}

std::string axisItemName(const Difference& d) {
    if (d.kind == ItemKind::RpmBreakpoint) return arg(u8(translate(L"Punkt osi RPM %1")), std::to_string(d.column + 1));
    return arg(u8(translate(L"Punkt osi napięcia %1")), std::to_string(d.row + 1));
}

void addSettings(Document& doc, const Snapshot& before, const Snapshot& after) {
    doc.blocks.push_back(heading(u8(translate(L"Ustawienia"))));
    Table t;
    t.rows.push_back({head({}), head(u8(translate(L"Przed"))), head(u8(translate(L"Po"))), head({})});
    // The names are looked up in the tables like every translate(L"...") text:
    // translate(L"Dzielnik RPM") translate(L"Delta szumu") translate(L"Częstotliwość szumu")
    const struct {
        const wchar_t* name;
        unsigned before, after;
    } settings[] = {
        {L"Dzielnik RPM", before.rpmDivider, after.rpmDivider},
        {L"Delta szumu", before.noiseDelta, after.noiseDelta},
        {L"Częstotliwość szumu", before.noisePeriod, after.noisePeriod},
    };
    for (const auto& s : settings) {
        const bool changed = s.before != s.after;
        std::vector<Cell> row{head(u8(translate(s.name))), plain(std::to_string(s.before)), plain(std::to_string(s.after)),
                              plain(changed ? u8(translate(L"zmienione")) : std::string())};
        row[2].changed = changed;
        t.rows.push_back(std::move(row));
    }
    doc.blocks.push_back(tableBlock(std::move(t)));
}

void addMap(Document& doc, const Snapshot& before, const Snapshot& after) {
    const int changed = changedCellCount(before, after);
    doc.blocks.push_back(heading(u8(translate(L"Mapa korekcji"))));
    doc.blocks.back().newPage = changed > 0;
    if (changed == 0) {
        doc.blocks.push_back(paragraph(u8(translate(L"Mapa bez zmian."))));
        doc.blocks.push_back(tableBlock(mapGrid(after, after)));
    } else {
        doc.blocks.push_back(paragraph(arg(u8(translate(L"Zmienione komórki: %1 (obwiedzione).")), std::to_string(changed))));
        doc.blocks.push_back(paragraph(u8(translate(L"Przed"))));
        doc.blocks.push_back(tableBlock(mapGrid(before, after)));
        doc.blocks.push_back(paragraph(u8(translate(L"Po"))));
        doc.blocks.push_back(tableBlock(mapGrid(after, before)));
        doc.blocks.push_back(paragraph(u8(translate(L"Różnica (po − przed)"))));
        doc.blocks.push_back(tableBlock(differenceGrid(before, after)));
    }

    std::vector<Difference> axes;
    for (const Difference& d : mapfile::compareSnapshots(before, after, mapfile::CompareScope::MapAndAxes))
        if (d.kind == ItemKind::RpmBreakpoint || d.kind == ItemKind::VoltBreakpoint) axes.push_back(d);
    if (axes.empty()) {
        doc.blocks.push_back(paragraph(u8(translate(L"Osie bez zmian."))));
        return;
    }
    Table t;
    t.rows.push_back({head(u8(translate(L"Zmiany osi"))), head(u8(translate(L"Przed"))), head(u8(translate(L"Po")))});
    for (const Difference& d : axes) {
        std::vector<Cell> row{head(axisItemName(d)), plain(d.leftText), plain(d.rightText)};
        row[2].changed = true;
        t.rows.push_back(std::move(row));
    }
    doc.blocks.push_back(tableBlock(std::move(t)));
}

void addFirmware(Document& doc, const ReportInput& in) {
    doc.blocks.push_back(heading(u8(translate(L"Aktualizacje firmware"))));
    if (in.firmwareUpdates.empty()) {
        doc.blocks.push_back(paragraph(u8(translate(L"Firmware nie był aktualizowany."))));
        return;
    }
    Table t;
    t.rows.push_back({head(u8(translate(L"Plik"))), head("SHA-256"), head(u8(translate(L"Wersja"))), head(u8(translate(L"Wynik")))});
    for (const FirmwareUpdate& f : in.firmwareUpdates)
        t.rows.push_back({plain(f.fileName), plain(f.sha256),
                          plain(versionText(f.versionBefore) + " → " + versionText(f.versionAfter)),
                          plain(f.succeeded ? u8(translate(L"udana")) : u8(translate(L"nieudana")))});
    doc.blocks.push_back(tableBlock(std::move(t)));
}

void addReadings(Document& doc, const ReportInput& in) {
    if (in.readings.empty() && !in.link && in.chartPicture.empty()) return;
    doc.blocks.push_back(heading(u8(translate(L"Odczyty"))));
    if (!in.chartPicture.empty()) doc.blocks.push_back({Block::Kind::Picture, in.chartPicture, {}});
    if (!in.readings.empty()) {
        Table t;
        t.rows.push_back({head({}), head(u8(translate(L"Minimum"))), head(u8(translate(L"Średnia"))), head(u8(translate(L"Maksimum")))});
        for (const ReadingFigures& r : in.readings) {
            const int decimals = r.unit == "rpm" ? 0 : 2;
            const std::string unit = r.unit.empty() ? std::string() : " " + r.unit;
            t.rows.push_back({head(r.name), plain(number(r.min, decimals) + unit),
                              plain(number(r.mean, decimals) + unit), plain(number(r.max, decimals) + unit)});
        }
        doc.blocks.push_back(tableBlock(std::move(t)));
    }
    if (in.link)
        doc.blocks.push_back(paragraph(arg(arg(u8(translate(L"Łącze: %1 odczytów/s, nieudane wymiany: %2")),
                                               number(in.link->readingsPerSecond, 1)),
                                           std::to_string(in.link->failedExchanges), "%2")));
}

} // namespace

std::string versionText(std::uint16_t version) {
    char text[16];
    std::snprintf(text, sizeof text, "%u.%02x", static_cast<unsigned>(version >> 8),
                  static_cast<unsigned>(version & 0xFF));
    return text;
}

std::vector<ReadingFigures> readingFigures(const std::vector<CDiag>& samples) {
    if (samples.empty()) return {};
    const struct {
        const wchar_t* name;
        const char* unit;
        double (*value)(const CDiag&);
    } readings[] = {
        {L"Stan pracy", "%", [](const CDiag& d) { return workStateOn(d) ? 100.0 : 0.0; }},
        {L"RPM", "rpm", [](const CDiag& d) { return rpmFromPeriod(d.rpmPeriod); }},
        {L"Wejście", "V", inputVolts},
        {L"PWM pompy", "V", pumpVolts},
        {L"Wyjście", "V", outputVolts},
    };
    std::vector<ReadingFigures> out;
    for (const auto& r : readings) {
        ReadingFigures f{u8(translate(r.name)), r.unit, r.value(samples.front()), 0, r.value(samples.front())};
        double sum = 0;
        for (const CDiag& d : samples) {
            const double v = r.value(d);
            f.min = std::min(f.min, v);
            f.max = std::max(f.max, v);
            sum += v;
        }
        f.mean = sum / static_cast<double>(samples.size());
        out.push_back(std::move(f));
    }
    return out;
}

std::vector<CDiag> recentSamples(const CReadingLog& log, std::chrono::seconds span) {
    std::vector<CDiag> out;
    const auto& entries = log.entries();
    if (entries.empty()) return out;
    const auto from = entries.back().time - span;
    for (const auto& e : entries)
        if (!e.gap && e.time >= from) out.push_back(e.sample);
    return out;
}

int changedCellCount(const Snapshot& before, const Snapshot& after) {
    int count = 0;
    for (int r = 0; r < kVoltRows; ++r)
        for (int c = 0; c < kRpmCols; ++c) count += cellChanged(before, after, r, c);
    return count;
}

Document buildReport(const ReportInput& in) {
    Document doc;
    doc.title = u8(translate(L"Raport serwisowy"));
    doc.languageCode = languageCode(languageIndex());
    doc.blocks.push_back({Block::Kind::Title, doc.title, {}});

    const ServiceDetails& d = in.details;
    doc.blocks.push_back(tableBlock(labelled({{u8(translate(L"Data")), in.dateTime},
                                              {u8(translate(L"Warsztat")), d.workshop},
                                              {u8(translate(L"Technik")), d.technician},
                                              {u8(translate(L"Pojazd")), d.vehicle},
                                              {u8(translate(L"Klient")), d.customer}})));

    const bool nothingChanged = mapfile::sameOnUnit(in.before, in.after) && in.firmwareUpdates.empty();
    if (nothingChanged)
        doc.blocks.push_back(paragraph(u8(translate(L"Bez zmian: sterownik ma te same ustawienia, mapę i osie co przed wizytą."))));

    doc.blocks.push_back(heading(u8(translate(L"Sterownik"))));
    std::string version = versionText(in.after.version);
    if (in.before.version != in.after.version) version = versionText(in.before.version) + " → " + version;
    char type[8];
    std::snprintf(type, sizeof type, "0x%02X", static_cast<unsigned>(in.after.deviceType));
    doc.blocks.push_back(tableBlock(labelled({{u8(translate(L"Typ urządzenia")), type},
                                              {u8(translate(L"Wersja firmware")), version},
                                              {u8(translate(L"Port")), in.port},
                                              {u8(translate(L"Adapter")), in.adapter},
                                              {u8(translate(L"Stan przed wizytą")), in.beforeName}})));

    addFirmware(doc, in);
    addSettings(doc, in.before, in.after);
    addReadings(doc, in);

    doc.blocks.push_back(heading(u8(translate(L"Kopie zapasowe zapisane podczas wizyty"))));
    if (in.backupsWritten.empty()) {
        doc.blocks.push_back(paragraph(u8(translate(L"Brak."))));
    } else {
        Table t;
        for (const std::string& name : in.backupsWritten) t.rows.push_back({plain(name)});
        doc.blocks.push_back(tableBlock(std::move(t)));
    }
    if (!d.notes.empty()) {
        doc.blocks.push_back(heading(u8(translate(L"Uwagi"))));
        doc.blocks.push_back(paragraph(d.notes));
    }
    // Last: with changes it fills the second page.
    addMap(doc, in.before, in.after);
    return doc;
}

} // namespace velmora::report
