// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A folder where writing fails as on a full disk. As root it is a small tmpfs,
// filled to the last block by fill(); otherwise a plain folder, and fill() sets a
// file size limit of 0 (writes then fail with EFBIG) for this process and the
// children it starts until drain(). Files put there before fill() stay readable.

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace velmora::test {

class FullDisk {
public:
    FullDisk() {
        folder = std::filesystem::temp_directory_path() / ("velmora-full-" + std::to_string(::getpid()) + "-" +
                                                          std::to_string(++counter()));
        std::filesystem::create_directories(folder);
        m_tmpfs = ::geteuid() == 0 && ::mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=256k") == 0;
    }
    ~FullDisk() {
        drain();
        if (m_tmpfs) ::umount2(folder.c_str(), MNT_DETACH);
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
    FullDisk(const FullDisk&) = delete;
    FullDisk& operator=(const FullDisk&) = delete;

    void fill() {
        if (m_tmpfs) {
            std::ofstream filler(folder / "filler", std::ios::binary);
            const std::vector<char> block(4096, 'x');
            while (filler.write(block.data(), static_cast<std::streamsize>(block.size())) && filler.flush()) {}
            return;
        }
        ::getrlimit(RLIMIT_FSIZE, &m_saved);
        rlimit none = m_saved;
        none.rlim_cur = 0;
        ::setrlimit(RLIMIT_FSIZE, &none);
        m_oldXfsz = std::signal(SIGXFSZ, SIG_IGN);
        m_limited = true;
    }
    void drain() {
        if (m_tmpfs) {
            std::error_code ignored;
            std::filesystem::remove(folder / "filler", ignored);
        }
        if (m_limited) {
            ::setrlimit(RLIMIT_FSIZE, &m_saved);
            std::signal(SIGXFSZ, m_oldXfsz);
            m_limited = false;
        }
    }
    // What the system says about a write there: "No space left on device" on the
    // tmpfs, "File too large" under the limit.
    std::string reason() const { return m_tmpfs ? "No space left on device" : "File too large"; }
    // Names in the folder other than the filler: what a failed write left.
    std::vector<std::string> names() const {
        std::vector<std::string> out;
        for (const auto& e : std::filesystem::directory_iterator(folder))
            if (e.path().filename() != "filler") out.push_back(e.path().filename().string());
        return out;
    }

    std::filesystem::path folder;

private:
    static int& counter() {
        static int n = 0;
        return n;
    }
    bool m_tmpfs = false;
    bool m_limited = false;
    rlimit m_saved{};
    void (*m_oldXfsz)(int) = SIG_DFL;
};

inline std::string fileText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace velmora::test
