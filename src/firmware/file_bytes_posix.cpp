// SPDX-License-Identifier: GPL-3.0-or-later
#include "file_bytes.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velmora {

namespace {
class Fd {
public:
    explicit Fd(int fd) : m_fd(fd) {}
    ~Fd() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};
} // namespace

FileReadStatus readFilePrefix(const std::filesystem::path& path, std::size_t maxBytes,
                              std::vector<std::uint8_t>& out) {
    out.clear();
    // Non-blocking so that a FIFO without a writer cannot hang the open.
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (fd.get() < 0)
        return FileReadStatus::OpenFailed;
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode))
        return FileReadStatus::OpenFailed;

    out.resize(maxBytes);
    std::size_t got = 0;
    while (got < maxBytes) {
        ssize_t n = ::read(fd.get(), out.data() + got, maxBytes - got);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            out.clear();
            return FileReadStatus::ReadFailed;
        }
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    out.resize(got);
    return FileReadStatus::Ok;
}

} // namespace velmora
