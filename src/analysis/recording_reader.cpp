// SPDX-License-Identifier: GPL-3.0-or-later
#include "recording_reader.h"

#include "lang/translate.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <limits>

namespace velmora::analysis {

namespace {

// The reading thread polls every 50 ms: the only clock a plain monitor file has.
constexpr double kSequencePeriod = 0.05;
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

std::string_view trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

// Fields of one line; a field in double quotes may hold commas (the port column).
// The views point into line, quotes left on: only unquoted columns are read.
void splitFields(std::string_view line, std::vector<std::string_view>& fields)
{
    fields.clear();
    if (line.find('"') == std::string_view::npos) {
        std::size_t start = 0;
        for (;;) {
            const std::size_t comma = line.find(',', start);
            if (comma == std::string_view::npos) {
                fields.push_back(line.substr(start));
                return;
            }
            fields.push_back(line.substr(start, comma - start));
            start = comma + 1;
        }
    }
    std::size_t start = 0;
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '"')
            quoted = !quoted;
        else if (line[i] == ',' && !quoted) {
            fields.push_back(line.substr(start, i - start));
            start = i + 1;
        }
    }
    fields.push_back(line.substr(start));
}

bool toDouble(std::string_view text, double& value)
{
    text = trim(text);
    if (text.empty())
        return false;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), value);
    return r.ec == std::errc() && r.ptr == text.data() + text.size() && std::isfinite(value);
}

bool toUnsigned(std::string_view text, std::uint64_t& value)
{
    text = trim(text);
    const auto r = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && r.ec == std::errc() && r.ptr == text.data() + text.size();
}

bool digits(std::string_view text, std::size_t at, std::size_t count, int& value)
{
    if (at + count > text.size())
        return false;
    value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

// Days since 1970-01-01 of a civil date (Howard Hinnant's algorithm).
std::int64_t daysFromCivil(int y, int m, int d)
{
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + static_cast<unsigned>(d) - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

} // namespace

bool parseIsoTime(std::string_view text, std::int64_t& epochMs, int& utcOffsetMinutes)
{
    text = trim(text);
    int year, month, day, hour, minute, second;
    if (!digits(text, 0, 4, year) || text.size() < 19 || text[4] != '-' || !digits(text, 5, 2, month) ||
        text[7] != '-' || !digits(text, 8, 2, day) || (text[10] != 'T' && text[10] != ' ') ||
        !digits(text, 11, 2, hour) || text[13] != ':' || !digits(text, 14, 2, minute) || text[16] != ':' ||
        !digits(text, 17, 2, second))
        return false;
    if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 60)
        return false;
    std::size_t at = 19;
    int ms = 0;
    if (at < text.size() && text[at] == '.') {
        ++at;
        int scale = 100;
        const std::size_t start = at;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
            ms += (text[at] - '0') * scale;
            scale /= 10;
            ++at;
        }
        if (at == start)
            return false;
    }
    int offset = 0;
    if (at < text.size() && text[at] == 'Z') {
        ++at;
    } else if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        int oh, om;
        if (!digits(text, at + 1, 2, oh) || at + 3 >= text.size() || text[at + 3] != ':' ||
            !digits(text, at + 4, 2, om) || oh > 23 || om > 59)
            return false;
        offset = (text[at] == '-' ? -1 : 1) * (oh * 60 + om);
        at += 6;
    }
    if (at != text.size())
        return false;
    const std::int64_t local =
        ((daysFromCivil(year, month, day) * 24 + hour) * 60 + minute) * 60 + second;
    epochMs = (local - std::int64_t{offset} * 60) * 1000 + ms;
    utcOffsetMinutes = offset;
    return true;
}

CRecordingParser::CRecordingParser(RowSink sink, ReadLimits limits)
    : m_sink(std::move(sink)), m_limits(limits)
{
}

bool CRecordingParser::feed(std::string_view bytes)
{
    while (!m_stopped && !bytes.empty()) {
        const std::size_t end = bytes.find('\n');
        if (end == std::string_view::npos) {
            // Keep at most one line's worth: junk without line ends stays bounded.
            if (!m_overlong) {
                if (m_pending.size() + bytes.size() > m_limits.maxLineBytes)
                    m_overlong = true, m_pending.clear();
                else
                    m_pending.append(bytes);
            }
            break;
        }
        const std::string_view piece = bytes.substr(0, end);
        bytes.remove_prefix(end + 1);
        ++m_summary.lines;
        if (m_overlong || m_pending.size() + piece.size() > m_limits.maxLineBytes) {
            m_overlong = false;
            m_pending.clear();
            if (!m_haveHeader) {
                m_summary.error = ReadError::NotARecording;
                m_summary.errorLine = m_summary.lines;
                m_stopped = true;
                break;
            }
            skip(SkipReason::LineTooLong);
            continue;
        }
        if (m_pending.empty()) {
            line(piece);
        } else {
            m_pending.append(piece);
            line(m_pending);
            m_pending.clear();
        }
    }
    return !m_stopped;
}

ReadSummary CRecordingParser::finish()
{
    if (!m_stopped && (m_overlong || !trim(m_pending).empty()))
        m_summary.lastLineIncomplete = true;
    m_pending.clear();
    m_overlong = false;
    if (m_summary.error == ReadError::None) {
        if (!m_haveHeader)
            m_summary.error = m_summary.lastLineIncomplete ? ReadError::NotARecording : ReadError::Empty;
        else if (m_summary.rows == 0)
            m_summary.error = ReadError::NoReadings;
        if (m_summary.error == ReadError::NotARecording)
            m_summary.errorLine = 1;
    }
    return m_summary;
}

bool CRecordingParser::line(std::string_view text)
{
    if (!m_haveHeader) {
        // Blank lines before the header are harmless; anything else must be it.
        if (trim(text).empty())
            return true;
        if (!header(text)) {
            m_summary.errorLine = m_summary.lines;
            m_stopped = true;
            return false;
        }
        return true;
    }
    if (trim(text).empty())
        return true;
    row(text);
    return !m_stopped;
}

bool CRecordingParser::header(std::string_view text)
{
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    splitFields(text, m_fields);
    m_columns = m_fields.size();
    for (std::size_t i = 0; i < m_fields.size(); ++i) {
        const std::string_view name = trim(m_fields[i]);
        int* slot = name == "time"         ? &m_time
                    : name == "seconds"    ? &m_seconds
                    : name == "seq"        ? &m_seq
                    : name == "rpm"        ? &m_rpm
                    : name == "input_v"    ? &m_input
                    : name == "pump_v"     ? &m_pump
                    : name == "output_v"   ? &m_output
                    : name == "work_state" ? &m_state
                                           : nullptr;
        if (slot && *slot < 0)
            *slot = static_cast<int>(i);
    }
    std::string missing;
    const auto need = [&missing](int index, const char* name) {
        if (index >= 0)
            return;
        if (!missing.empty())
            missing += ", ";
        missing += name;
    };
    if (m_seconds < 0 && m_time < 0 && m_seq < 0)
        need(-1, "seconds");
    need(m_rpm, "rpm");
    need(m_input, "input_v");
    need(m_pump, "pump_v");
    need(m_output, "output_v");
    need(m_state, "work_state");
    if (!missing.empty()) {
        m_summary.error = ReadError::NotARecording;
        m_summary.missingColumns = missing;
        return false;
    }
    m_summary.timeSource = m_seconds >= 0 ? TimeSource::Seconds : m_time >= 0 ? TimeSource::Clock : TimeSource::Sequence;
    m_haveHeader = true;
    return true;
}

void CRecordingParser::skip(SkipReason reason)
{
    ++m_summary.skipped;
    ++m_summary.skippedBy[static_cast<std::size_t>(reason)];
    if (m_summary.firstSkipped.size() < ReadLimits::kFirstSkippedKept)
        m_summary.firstSkipped.push_back({m_summary.lines, reason});
}

void CRecordingParser::row(std::string_view text)
{
    splitFields(text, m_fields);
    if (m_fields.size() != m_columns)
        return skip(SkipReason::ColumnCount);

    Row r;
    r.line = m_summary.lines;
    const std::string_view state = trim(m_fields[static_cast<std::size_t>(m_state)]);
    if (state == "on")
        r.state = RowState::On;
    else if (state == "off")
        r.state = RowState::Off;
    else if (state == "link_lost")
        r.state = RowState::LinkLost;
    else
        return skip(SkipReason::UnknownState);

    if (r.state == RowState::LinkLost) {
        r.rpm = r.inputV = r.pumpV = r.outputV = kNaN;
    } else {
        double v[4];
        const int columns[4] = {m_rpm, m_input, m_pump, m_output};
        for (int i = 0; i < 4; ++i)
            if (!toDouble(m_fields[static_cast<std::size_t>(columns[i])], v[i]))
                return skip(SkipReason::NotANumber);
        r.rpm = static_cast<float>(v[0]);
        r.inputV = static_cast<float>(v[1]);
        r.pumpV = static_cast<float>(v[2]);
        r.outputV = static_cast<float>(v[3]);
    }

    // The time of the row, from the best column the file has.
    std::int64_t clockMs = 0;
    int offset = 0;
    // The clock is read where it gives the times, and on the first row for the wall
    // clock of the whole file.
    const bool clock = m_time >= 0 && (m_summary.timeSource == TimeSource::Clock || !m_haveRow) &&
                       parseIsoTime(m_fields[static_cast<std::size_t>(m_time)], clockMs, offset);
    switch (m_summary.timeSource) {
    case TimeSource::Seconds:
        if (!toDouble(m_fields[static_cast<std::size_t>(m_seconds)], r.seconds))
            return skip(SkipReason::NotANumber);
        break;
    case TimeSource::Clock:
        if (!clock)
            return skip(SkipReason::NotANumber);
        if (!m_haveRow)
            m_firstClockMs = clockMs;
        r.seconds = static_cast<double>(clockMs - m_firstClockMs) / 1000.0;
        break;
    case TimeSource::Sequence: {
        std::uint64_t seq = 0;
        if (r.state == RowState::LinkLost) {
            r.seconds = m_haveRow ? m_lastSeconds : 0;
            break;
        }
        if (!toUnsigned(m_fields[static_cast<std::size_t>(m_seq)], seq))
            return skip(SkipReason::NotANumber);
        // Numbers start again at 1 after a reconnection: a new run, right after the old.
        if (!m_haveRow || seq <= m_lastSeq) {
            m_seqBase = m_haveRow ? m_lastSeconds + kSequencePeriod : 0;
            m_seqFirst = seq;
        }
        r.seconds = m_seqBase + static_cast<double>(seq - m_seqFirst) * kSequencePeriod;
        m_lastSeq = seq;
        break;
    }
    }
    if (m_haveRow && r.seconds < m_lastSeconds)
        return skip(SkipReason::TimeBackwards);

    if (!m_haveRow && clock) {
        m_summary.hasClock = true;
        m_summary.startEpochMs = clockMs - static_cast<std::int64_t>(std::llround(r.seconds * 1000.0));
        m_summary.utcOffsetMinutes = offset;
    }
    if (m_summary.rows >= m_limits.maxRows) {
        m_summary.error = ReadError::TooManyRows;
        m_summary.errorLine = r.line;
        m_stopped = true;
        return;
    }
    m_haveRow = true;
    m_lastSeconds = r.seconds;
    ++m_summary.rows;
    if (m_sink)
        m_sink(r);
}

ReadSummary readRecordingText(std::string_view text, const RowSink& sink, const ReadLimits& limits)
{
    CRecordingParser parser(sink, limits);
    parser.feed(text);
    return parser.finish();
}

ReadSummary readRecordingFile(const std::filesystem::path& file, const RowSink& sink, const ReadLimits& limits,
                              const Progress& progress)
{
    ReadSummary failed;
    std::error_code ec;
    const std::uint64_t total = std::filesystem::file_size(file, ec);
    std::ifstream in(file, std::ios::in | std::ios::binary);
    if (ec || !in.is_open()) {
        failed.error = ReadError::CannotOpen;
        return failed;
    }
    if (total > limits.maxBytes) {
        failed.error = ReadError::TooLarge;
        return failed;
    }
    CRecordingParser parser(sink, limits);
    std::vector<char> block(1 << 20);
    std::uint64_t done = 0;
    // A file still growing is read up to the size it had when we began, so a
    // recording running at 20 lines a second cannot keep us reading for ever.
    while (done < total) {
        const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(block.size(), total - done));
        in.read(block.data(), static_cast<std::streamsize>(want));
        const std::size_t got = static_cast<std::size_t>(in.gcount());
        if (got == 0) {
            if (in.bad()) {
                failed.error = ReadError::ReadFailed;
                return failed;
            }
            break; // shorter than it was: cut while we read
        }
        done += got;
        if (!parser.feed(std::string_view(block.data(), got)))
            break;
        if (progress && !progress(done, total)) {
            failed.error = ReadError::Cancelled;
            return failed;
        }
    }
    return parser.finish();
}

namespace {

std::wstring number(std::uint64_t n)
{
    return std::to_wstring(n);
}

std::wstring replaceAll(std::wstring text, const std::wstring& what, const std::wstring& with)
{
    for (std::size_t at = text.find(what); at != std::wstring::npos; at = text.find(what, at + with.size()))
        text.replace(at, what.size(), with);
    return text;
}

std::wstring widen(const std::string& text)
{
    return std::wstring(text.begin(), text.end()); // column names are ASCII
}

std::wstring reasonText(SkipReason reason)
{
    switch (reason) {
    case SkipReason::ColumnCount: return translate(L"inna liczba kolumn niż w nagłówku");
    case SkipReason::NotANumber: return translate(L"wartość nie jest liczbą");
    case SkipReason::TimeBackwards: return translate(L"czas cofa się");
    case SkipReason::LineTooLong: return translate(L"zbyt długi wiersz");
    case SkipReason::UnknownState: return translate(L"nieznany stan pracy");
    case SkipReason::Count: break;
    }
    return {};
}

} // namespace

std::wstring readErrorText(const ReadSummary& s, std::uint64_t fileBytes, bool withLine)
{
    const std::wstring line =
        withLine ? replaceAll(translate(L"wiersz %1"), L"%1", number(s.errorLine)) + L": " : std::wstring();
    switch (s.error) {
    case ReadError::None:
        return {};
    case ReadError::CannotOpen:
        return translate(L"Nie można otworzyć pliku. Sprawdź, czy istnieje i czy masz prawo go czytać.");
    case ReadError::ReadFailed:
        return translate(L"Odczyt pliku przerwany przez system. Skopiuj plik na dysk lokalny i spróbuj ponownie.");
    case ReadError::Empty:
        return translate(L"Plik jest pusty. Wybierz plik nagrania zapisany przez Velmora.");
    case ReadError::NotARecording:
        if (!s.missingColumns.empty())
            return line +
                   replaceAll(translate(L"to nie jest nagranie odczytów: brak kolumn %1. Otwórz plik nagrany przez Velmora (Ctrl+R), zapisany poleceniem „Zapisz dane wykresu” lub przez velmora-cli monitor."),
                              L"%1", widen(s.missingColumns));
        return line +
               translate(L"to nie jest nagranie odczytów (dane binarne lub zbyt długi wiersz). Otwórz plik nagrany przez Velmora (Ctrl+R), zapisany poleceniem „Zapisz dane wykresu” lub przez velmora-cli monitor.");
    case ReadError::NoReadings:
        return translate(L"Plik ma nagłówek, ale nie zawiera żadnego odczytu.");
    case ReadError::TooLarge:
        return replaceAll(replaceAll(translate(L"Plik ma %1 MB; otwierane są nagrania do %2 MB (około tygodnia przy 20 odczytach/s). Podziel plik na części."),
                                     L"%1", number(fileBytes >> 20)),
                          L"%2", number(ReadLimits{}.maxBytes >> 20));
    case ReadError::TooManyRows:
        return line +
               replaceAll(translate(L"nagranie ma więcej niż %1 odczytów; pokazano tylko początek. Podziel plik na części."),
                          L"%1", number(ReadLimits{}.maxRows));
    case ReadError::Cancelled:
        return translate(L"Otwieranie przerwane.");
    }
    return {};
}

std::wstring skippedText(const ReadSummary& s)
{
    std::wstring text;
    if (s.skipped > 0) {
        text = replaceAll(translate(L"Pominięte wiersze: %1"), L"%1", number(s.skipped)) + L": ";
        for (std::size_t i = 0; i < s.firstSkipped.size(); ++i) {
            if (i)
                text += L", ";
            text += replaceAll(translate(L"wiersz %1"), L"%1", number(s.firstSkipped[i].line)) + L" (" +
                    reasonText(s.firstSkipped[i].reason) + L")";
        }
        if (s.skipped > s.firstSkipped.size())
            text += L", …";
    }
    if (s.lastLineIncomplete) {
        if (!text.empty())
            text += L". ";
        text += translate(L"Ostatni wiersz jest niepełny (nagranie wciąż trwa?) i został pominięty.");
    }
    return text;
}

} // namespace velmora::analysis
