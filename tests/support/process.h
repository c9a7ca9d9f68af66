#pragma once

// Starts the project's programs for end-to-end tests and reads their output.
#include "support/temp_dir.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace qor::test {

inline std::string BinPath(const std::string& program)
{
    return std::string(QOR_BIN_DIR) + "/" + program;
}

// A child process with its stdin and stdout on pipes; killed when the object goes.
class Process {
public:
    explicit Process(std::vector<std::string> argv)
    {
        int in[2], out[2];
        if (::pipe(in) != 0 || ::pipe(out) != 0)
            return;
        m_pid = ::fork();
        if (m_pid == 0) {
            ::dup2(in[0], 0);
            ::dup2(out[1], 1);
            ::close(in[1]);
            ::close(out[0]);
            std::vector<char*> args;
            for (auto& a : argv)
                args.push_back(a.data());
            args.push_back(nullptr);
            ::execv(args[0], args.data());
            ::_exit(127);
        }
        ::close(in[0]);
        ::close(out[1]);
        m_stdin = in[1];
        m_stdout = out[0];
    }
    ~Process()
    {
        if (m_pid > 0)
            Stop(SIGKILL);
        if (m_stdin >= 0)
            ::close(m_stdin);
        if (m_stdout >= 0)
            ::close(m_stdout);
    }
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    // One line of stdout without its newline; empty on time-out or end of output. The time-out
    // only bounds a program that never prints: a loaded machine may take many seconds.
    std::string ReadLine(int timeoutMs = 120000)
    {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            auto nl = m_buffer.find('\n');
            if (nl != std::string::npos) {
                std::string line = m_buffer.substr(0, nl);
                m_buffer.erase(0, nl + 1);
                return line;
            }
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                return {};
            pollfd p{m_stdout, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(left.count())) <= 0)
                return {};
            char buf[4096];
            ssize_t n = ::read(m_stdout, buf, sizeof buf);
            if (n <= 0)
                return {};
            m_buffer.append(buf, static_cast<std::size_t>(n));
        }
    }

    // Writes to the program's stdin (a command line of qorsim, say).
    void Write(const std::string& text)
    {
        [[maybe_unused]] auto n = ::write(m_stdin, text.data(), text.size());
    }

    // The rest of stdout, up to the end of the output.
    std::string ReadAll()
    {
        std::string out;
        out.swap(m_buffer);
        char buf[4096];
        for (ssize_t n; (n = ::read(m_stdout, buf, sizeof buf)) > 0;)
            out.append(buf, static_cast<std::size_t>(n));
        return out;
    }

    pid_t Pid() const { return m_pid; }

    // Signals the process (0: none) and waits for it; returns its exit status (or -1).
    int Stop(int sig = SIGTERM)
    {
        if (m_pid <= 0)
            return -1;
        ::kill(m_pid, sig);
        int status = 0;
        ::waitpid(m_pid, &status, 0);
        m_pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    // For a program started with the signal ignored, which it takes over once it can handle
    // it: signals again every 100 ms until the program has ended; its exit status (or -1).
    int StopOnceHandled(int sig)
    {
        int status = 0;
        while (m_pid > 0 && ::waitpid(m_pid, &status, WNOHANG) == 0) {
            ::kill(m_pid, sig);
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        m_pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    pid_t m_pid = -1;
    int m_stdin = -1;
    int m_stdout = -1;
    std::string m_buffer;
};

// Runs a program to its end; returns its exit status and collects stdout.
inline int RunProgram(const std::vector<std::string>& argv, std::string* out = nullptr)
{
    Process p(argv);
    std::string text = p.ReadAll();
    if (out)
        out->append(text);
    return p.Stop(0);
}

}  // namespace qor::test
