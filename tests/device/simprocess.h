#pragma once
// SimProcess: starts the built vantel-sim with the given arguments, reads the endpoint lines it
// prints, and stops it again with SIGTERM. Only the process it started is ever signalled, and
// that process is ended by the system if the test program dies first.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <optional>
#include <regex>
#include <string>
#include <thread>
#include <vector>

namespace vantel {

class SimProcess {
public:
    SimProcess() = default;
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;
    ~SimProcess() { Kill(); }

    // Starts the simulator and waits (at most timeout) until it has printed `lines` lines or
    // ended. Returns false when it could not be started.
    bool Start(const std::vector<std::string>& args, std::size_t lines = 1,
               std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
        int out[2];
        int err[2];
        if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) {
            return false;
        }
        std::vector<std::string> all{VANTEL_SIM_PATH};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& a : all) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        const pid_t parent = ::getpid();
        m_pid = ::fork();
        if (m_pid == 0) {
            // A test program that dies never leaves its simulator behind.
            ::prctl(PR_SET_PDEATHSIG, SIGTERM);
            if (::getppid() != parent) {
                ::_exit(127);
            }
            ::dup2(out[1], 1);
            ::dup2(err[1], 2);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        ::close(out[1]);
        ::close(err[1]);
        m_out = out[0];
        m_err = err[0];
        if (m_pid < 0) {
            return false;
        }
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (Lines().size() < lines && ReadSome(m_out, m_stdout, deadline)) {
        }
        return true;
    }

    std::vector<std::string> Lines() const {
        std::vector<std::string> lines;
        std::size_t start = 0;
        for (std::size_t nl; (nl = m_stdout.find('\n', start)) != std::string::npos;
             start = nl + 1) {
            lines.push_back(m_stdout.substr(start, nl - start));
        }
        return lines;
    }

    unsigned short TcpPort() const {
        const auto m = Find(R"(^listening on 127\.0\.0\.1:(\d+)$)");
        return m.empty() ? 0 : static_cast<unsigned short>(std::stoi(m));
    }
    std::string PtyPath() const { return Find(R"(^serial on (/dev/\S+)$)"); }

    // Sends the signal and waits for the exit; the exit code, or -1 on a signal or a hang.
    int Stop(int signal = SIGTERM, std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
        if (m_pid > 0) {
            ::kill(m_pid, signal);
        }
        return Wait(timeout);
    }

    // Waits for the process to end by itself; the exit code, or -1 on a signal or a hang.
    int Wait(std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (m_pid > 0 && std::chrono::steady_clock::now() < deadline) {
            int status = 0;
            const pid_t done = ::waitpid(m_pid, &status, WNOHANG);
            if (done == m_pid) {
                m_pid = -1;
                m_exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
                return m_exit;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return m_pid > 0 ? -1 : m_exit;
    }

    bool Running() {
        if (m_pid <= 0) {
            return false;
        }
        int status = 0;
        if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1;
            m_exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            return false;
        }
        return true;
    }

    // What the process wrote to its error output so far (read until it ends or 1 s passes).
    std::string Stderr() {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
        while (ReadSome(m_err, m_stderr, deadline)) {
        }
        return m_stderr;
    }

private:
    std::string Find(const char* pattern) const {
        const std::regex re(pattern);
        for (const auto& line : Lines()) {
            std::smatch m;
            if (std::regex_match(line, m, re)) {
                return m[1];
            }
        }
        return {};
    }

    // Reads what is there before the deadline; false at the end of the stream or the deadline.
    static bool ReadSome(int fd, std::string& into,
                         std::chrono::steady_clock::time_point deadline) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (fd < 0 || left.count() <= 0) {
            return false;
        }
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) {
            return false;
        }
        char chunk[4096];
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n <= 0) {
            return false;
        }
        into.append(chunk, static_cast<std::size_t>(n));
        return true;
    }

    void Kill() {
        if (m_pid > 0 && Stop(SIGTERM, std::chrono::seconds(5)) == -1 && m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
        for (int fd : {m_out, m_err}) {
            if (fd >= 0) {
                ::close(fd);
            }
        }
    }

    pid_t m_pid = -1;
    int m_exit = -1;
    int m_out = -1;
    int m_err = -1;
    std::string m_stdout;
    std::string m_stderr;
};

}  // namespace vantel
