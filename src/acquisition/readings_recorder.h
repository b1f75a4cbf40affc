// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Writes live readings to a CSV file as they arrive, one flushed line per sample,
// so a recording cut short by a crash, a pulled cable or a full disk still reads
// back whole up to its last sample.
//
//   time,seconds,seq,rpm,input_v,pump_v,output_v,work_state,port
//   2026-12-08T19:37:24.123+01:00,0.000,1,1000,12.00,3.00,10.00,on,/dev/ttyUSB0
//   2026-12-08T19:37:31.020+01:00,6.897,,,,,,link_lost,/dev/ttyUSB0
//
// A lost link writes one link_lost row; samples after reconnection go on in the same
// file. A failed write ends the recording, cuts the file back to its last whole
// line and keeps the reason for the caller to show.

#include "diag.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <system_error>

namespace velmora {

enum class RecorderError {
    None,
    CannotCreateFolder, // the folder is missing and cannot be made
    CannotCreateFile,   // the folder refuses a new file (read-only, no rights)
    WriteFailed,        // a line could not be written (disk full, device gone)
};

class CReadingsRecorder {
public:
    using Clock = std::function<std::chrono::system_clock::time_point()>;

    // clock: where row times come from; the system clock when empty.
    explicit CReadingsRecorder(Clock clock = {});
    ~CReadingsRecorder();
    CReadingsRecorder(const CReadingsRecorder&) = delete;
    CReadingsRecorder& operator=(const CReadingsRecorder&) = delete;

    // readings-YYYYMMDD-HHMMSS.csv in folder (made when missing; -2, -3 ... added when
    // the name is taken). False with error() set when nothing could be opened.
    bool start(const std::filesystem::path& folder, std::string port);
    // The same into a given file, replacing it.
    bool startFile(const std::filesystem::path& file, std::string port);
    void stop();

    // Each returns false when the recording is not running or has just failed.
    // Without a time the row takes the clock's time now.
    bool addSample(const CDiag& sample);
    // at: when the reading arrived from the unit.
    bool addSample(const CDiag& sample, std::chrono::system_clock::time_point at);
    // One marker however many times it is called before the next sample.
    bool linkLost();
    // The port written with the following rows (the link may come back on another).
    void setPort(std::string port) { m_port = std::move(port); }

    bool recording() const { return m_out.is_open(); }
    // The last file started, kept after stop() for "open folder".
    const std::filesystem::path& file() const { return m_file; }
    std::uint64_t sampleCount() const { return m_samples; }
    // Since start(); 0 when not recording.
    std::chrono::milliseconds elapsed() const;

    RecorderError error() const { return m_error; }
    // What the system said, when it said anything.
    std::error_code systemError() const { return m_systemError; }

    static std::string fileNameFor(std::chrono::system_clock::time_point time);

private:
    std::chrono::system_clock::time_point now() const;
    double secondsSinceStart(std::chrono::system_clock::time_point time) const;
    bool writeLine(const std::string& line);
    void fail(RecorderError error, std::error_code cause);

    Clock m_clock;
    std::ofstream m_out;
    std::filesystem::path m_file;
    std::string m_port;
    std::chrono::system_clock::time_point m_start;
    std::uintmax_t m_goodBytes = 0; // size of the file up to its last whole line
    std::uint64_t m_samples = 0;
    bool m_linkLost = false;
    RecorderError m_error = RecorderError::None;
    std::error_code m_systemError;
};

} // namespace velmora
