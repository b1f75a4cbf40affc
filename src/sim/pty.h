// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A pseudo-terminal pair: the master side is ours, the slave path is what a
// serial port client opens. POSIX only.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace velmora::sim {

class CPty {
public:
    CPty();  // opens the master in raw mode; throws std::runtime_error on failure
    ~CPty(); // closes the master (the slave side sees a hang-up)
    CPty(const CPty&) = delete;
    CPty& operator=(const CPty&) = delete;

    const std::string& slavePath() const { return m_slavePath; }
    int masterFd() const { return m_master; }

    // Writes all bytes to the master side.
    void write(std::span<const std::uint8_t> bytes);
    // Reads what arrives within timeoutMs (at most max bytes); empty on time-out.
    std::vector<std::uint8_t> read(std::size_t max, int timeoutMs);
    // Reads until exactly count bytes arrived or timeoutMs passed in total.
    std::vector<std::uint8_t> readExactly(std::size_t count, int timeoutMs);
    // Discards whatever the client wrote so far.
    void drain();

private:
    int m_master = -1;
    int m_keepSlave = -1; // held open so the master never sees a hang-up between clients
    std::string m_slavePath;
};

} // namespace velmora::sim
