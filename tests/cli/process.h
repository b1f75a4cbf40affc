// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Runs the console tool as a child process with its output on pipes.

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace velmora::test {

class ChildProcess {
public:
    // stdoutPath: standard output goes to that file instead of the pipe.
    explicit ChildProcess(const std::vector<std::string>& args, const char* stdoutPath = nullptr) {
        int out[2], err[2];
        if (::pipe(out) != 0 || ::pipe(err) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        if (stdoutPath)
            posix_spawn_file_actions_addopen(&actions, 1, stdoutPath, O_WRONLY | O_CREAT | O_TRUNC, 0644);
        else
            posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_adddup2(&actions, err[1], 2);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        posix_spawn_file_actions_addclose(&actions, err[0]);
        std::vector<char*> argv;
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        if (::posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        ::close(err[1]);
        m_out = out[0];
        m_err = err[0];
    }
    ~ChildProcess() {
        if (m_pid > 0 && !m_status) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
        if (m_out >= 0) ::close(m_out);
        if (m_err >= 0) ::close(m_err);
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool started() const { return m_pid > 0; }

    // One line of standard output (without the newline), or nothing within timeoutMs.
    std::optional<std::string> readLine(int timeoutMs) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            if (const auto nl = m_outText.find('\n'); nl != std::string::npos) {
                std::string line = m_outText.substr(0, nl);
                m_outText.erase(0, nl + 1);
                return line;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                                  end - std::chrono::steady_clock::now())
                                  .count();
            if (left <= 0 || !pump(m_out, m_outText, static_cast<int>(left))) return std::nullopt;
        }
    }

    void signal(int sig) { ::kill(m_pid, sig); }

    // Exit status once the process ended within timeoutMs; -1 if it did not (or crashed).
    int wait(int timeoutMs) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (!m_status) {
            int status = 0;
            if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
                m_status = status;
                break;
            }
            if (std::chrono::steady_clock::now() > end) return -1;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return WIFEXITED(*m_status) ? WEXITSTATUS(*m_status) : -1;
    }

    // Runs to the end: exit status, with all output collected.
    int finish(int timeoutMs = 5000) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        bool outOpen = true, errOpen = true;
        while ((outOpen || errOpen) && std::chrono::steady_clock::now() < end) {
            pollfd p[2] = {{outOpen ? m_out : -1, POLLIN, 0}, {errOpen ? m_err : -1, POLLIN, 0}};
            ::poll(p, 2, 50);
            if (p[0].revents) outOpen = pump(m_out, m_outText, 0);
            if (p[1].revents) errOpen = pump(m_err, m_errText, 0);
        }
        return wait(timeoutMs);
    }
    // The signal that ended the process, 0 when it exited.
    int signalNumber() const { return m_status && WIFSIGNALED(*m_status) ? WTERMSIG(*m_status) : 0; }
    const std::string& out() const { return m_outText; }
    const std::string& err() const { return m_errText; }

private:
    // false at end of file or time-out
    static bool pump(int fd, std::string& into, int timeoutMs) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, timeoutMs) <= 0) return false;
        char buf[4096];
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n <= 0) return false;
        into.append(buf, static_cast<std::size_t>(n));
        return true;
    }

    pid_t m_pid = -1;
    int m_out = -1, m_err = -1;
    std::string m_outText, m_errText;
    std::optional<int> m_status;
};

} // namespace velmora::test
