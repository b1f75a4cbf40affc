// SPDX-License-Identifier: GPL-3.0-or-later
#include "readings_recorder.h"

#include "local_time.h"
#include "reading_csv.h"

#include <cerrno>

namespace velmora {

namespace fs = std::filesystem;

CReadingsRecorder::CReadingsRecorder(Clock clock)
    : m_clock(std::move(clock))
{
}

CReadingsRecorder::~CReadingsRecorder()
{
    stop();
}

std::chrono::system_clock::time_point CReadingsRecorder::now() const
{
    return m_clock ? m_clock() : std::chrono::system_clock::now();
}

std::string CReadingsRecorder::fileNameFor(std::chrono::system_clock::time_point time)
{
    return "readings-" + compactTimestamp(time) + ".csv";
}

bool CReadingsRecorder::start(const fs::path& folder, std::string port)
{
    stop();
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec || !fs::is_directory(folder, ec)) {
        fail(RecorderError::CannotCreateFolder, ec);
        return false;
    }
    const auto time = now();
    const std::string name = fileNameFor(time);
    fs::path file = folder / name;
    // Two starts within one second must not overwrite the first file.
    for (int n = 2; fs::exists(file, ec) && n < 1000; ++n)
        file = folder / (name.substr(0, name.size() - 4) + "-" + std::to_string(n) + ".csv");
    return startFile(file, std::move(port));
}

bool CReadingsRecorder::startFile(const fs::path& file, std::string port)
{
    stop();
    m_file = file;
    m_port = std::move(port);
    m_samples = 0;
    m_goodBytes = 0;
    m_linkLost = false;
    m_error = RecorderError::None;
    m_systemError.clear();
    errno = 0;
    m_out.open(file, std::ios::out | std::ios::trunc | std::ios::binary);
    if (!m_out.is_open()) {
        fail(RecorderError::CannotCreateFile, std::error_code(errno, std::generic_category()));
        return false;
    }
    m_start = now();
    return writeLine(std::string(kRecordingCsvHeader));
}

void CReadingsRecorder::stop()
{
    if (m_out.is_open())
        m_out.close();
}

std::chrono::milliseconds CReadingsRecorder::elapsed() const
{
    if (!recording())
        return std::chrono::milliseconds(0);
    return std::chrono::duration_cast<std::chrono::milliseconds>(now() - m_start);
}

double CReadingsRecorder::secondsSinceStart(std::chrono::system_clock::time_point time) const
{
    return std::chrono::duration<double>(time - m_start).count();
}

bool CReadingsRecorder::addSample(const CDiag& sample)
{
    return addSample(sample, now());
}

bool CReadingsRecorder::addSample(const CDiag& sample, std::chrono::system_clock::time_point time)
{
    if (!recording())
        return false;
    if (!writeLine(recordingCsvRow(time, secondsSinceStart(time), sample, m_port)))
        return false;
    ++m_samples;
    m_linkLost = false;
    return true;
}

bool CReadingsRecorder::linkLost()
{
    if (!recording())
        return false;
    if (m_linkLost)
        return true;
    const auto time = now();
    if (!writeLine(linkLostCsvRow(time, secondsSinceStart(time), m_port)))
        return false;
    m_linkLost = true;
    return true;
}

bool CReadingsRecorder::writeLine(const std::string& line)
{
    errno = 0;
    m_out.write(line.data(), static_cast<std::streamsize>(line.size()));
    m_out.put('\n');
    // Each line reaches the system at once: what is on disk is what was recorded.
    m_out.flush();
    if (!m_out) {
        fail(RecorderError::WriteFailed, std::error_code(errno, std::generic_category()));
        return false;
    }
    m_goodBytes += line.size() + 1;
    return true;
}

void CReadingsRecorder::fail(RecorderError error, std::error_code cause)
{
    m_error = error;
    m_systemError = cause.value() != 0 ? cause : std::error_code();
    if (!m_out.is_open())
        return;
    // Part of a line may have gone out before the disk filled up; a reader should
    // find only whole rows. The buffer is dropped with the stream.
    m_out.close();
    std::error_code ec;
    if (error == RecorderError::WriteFailed && fs::is_regular_file(m_file, ec) &&
        fs::file_size(m_file, ec) > m_goodBytes)
        fs::resize_file(m_file, m_goodBytes, ec);
}

} // namespace velmora
