#pragma once
// CChildProcess: a program run by a test, with its standard output and error read through
// pipes and its standard input on /dev/null. The destructor kills a child that still runs
// (by its own process id) and reaps it, so no test leaves a process behind.

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace vantel {

class CChildProcess {
public:
    // Starts argv[0] with the arguments that follow; env entries "NAME=value" are set on top
    // of the test's own environment. Throws std::runtime_error when the program cannot start.
    explicit CChildProcess(const std::vector<std::string>& argv,
                           const std::vector<std::string>& env = {});
    ~CChildProcess();
    CChildProcess(const CChildProcess&) = delete;
    CChildProcess& operator=(const CChildProcess&) = delete;

    pid_t Pid() const { return m_pid; }
    // The next whole line of standard output (without its line end), or nothing when none
    // arrives in time or the output has ended.
    std::optional<std::string> ReadLine(std::chrono::milliseconds timeout);
    void Signal(int signal) const;
    // Reads both outputs to their end and reaps the child: its exit code, 128 + the signal
    // that ended it, or nothing when it has not ended in time.
    std::optional<int> Wait(std::chrono::milliseconds timeout);

    // Everything read so far.
    const std::string& Out() const { return m_out; }
    const std::string& Err() const { return m_err; }

private:
    // Waits until a pipe is readable or the deadline passes, and reads what is there. False
    // when both pipes have ended or the deadline passed.
    bool Pump(std::chrono::steady_clock::time_point deadline);

    pid_t m_pid = -1;
    int m_outFd = -1;
    int m_errFd = -1;
    std::string m_out;
    std::string m_err;
    std::size_t m_lineStart = 0;
    std::optional<int> m_exit;
};

}  // namespace vantel
