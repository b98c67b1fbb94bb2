#include "childprocess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace vantel {

namespace {

using Clock = std::chrono::steady_clock;

// The test's environment with each "NAME=value" of extra put in place of its old value.
std::vector<std::string> MergedEnvironment(const std::vector<std::string>& extra) {
    std::vector<std::string> merged;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text(*entry);
        const std::string name = text.substr(0, text.find('=') + 1);
        bool replaced = false;
        for (const auto& e : extra) {
            replaced = replaced || e.compare(0, name.size(), name) == 0;
        }
        if (!replaced) {
            merged.push_back(text);
        }
    }
    merged.insert(merged.end(), extra.begin(), extra.end());
    return merged;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (auto& text : texts) {
        pointers.push_back(text.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

void MakePipe(int fds[2]) {
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe: " + std::string(std::strerror(errno)));
    }
    ::fcntl(fds[0], F_SETFL, ::fcntl(fds[0], F_GETFL) | O_NONBLOCK);
}

// Reads what a non-blocking pipe holds; false once it has ended.
bool Drain(int fd, std::string& into) {
    char chunk[4096];
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n > 0) {
            into.append(chunk, static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
    }
}

}  // namespace

CChildProcess::CChildProcess(const std::vector<std::string>& argv,
                             const std::vector<std::string>& env) {
    int out[2];
    int err[2];
    MakePipe(out);
    MakePipe(err);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    std::vector<std::string> args = argv;
    std::vector<std::string> environment = MergedEnvironment(env);
    auto argp = Pointers(args);
    auto envp = Pointers(environment);
    const int rc = posix_spawn(&m_pid, argp[0], &actions, nullptr, argp.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    ::close(err[1]);
    m_outFd = out[0];
    m_errFd = err[0];
    if (rc != 0) {
        ::close(m_outFd);
        ::close(m_errFd);
        throw std::runtime_error("cannot start " + argv[0] + ": " + std::strerror(rc));
    }
}

CChildProcess::~CChildProcess() {
    if (!m_exit) {
        Signal(SIGKILL);
        Wait(std::chrono::seconds(10));
    }
    if (m_outFd >= 0) {
        ::close(m_outFd);
    }
    if (m_errFd >= 0) {
        ::close(m_errFd);
    }
}

void CChildProcess::Signal(int signal) const {
    if (!m_exit && m_pid > 0) {
        ::kill(m_pid, signal);
    }
}

bool CChildProcess::Pump(Clock::time_point deadline) {
    pollfd fds[2];
    nfds_t count = 0;
    for (const int fd : {m_outFd, m_errFd}) {
        if (fd >= 0) {
            fds[count++] = pollfd{fd, POLLIN, 0};
        }
    }
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (count == 0 || left.count() <= 0) {
        return false;
    }
    const int ready = ::poll(fds, count, static_cast<int>(left.count()));
    if (ready < 0 && errno == EINTR) {
        return true;
    }
    if (ready <= 0) {
        return false;
    }
    if (m_outFd >= 0 && !Drain(m_outFd, m_out)) {
        ::close(m_outFd);
        m_outFd = -1;
    }
    if (m_errFd >= 0 && !Drain(m_errFd, m_err)) {
        ::close(m_errFd);
        m_errFd = -1;
    }
    return true;
}

std::optional<std::string> CChildProcess::ReadLine(std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        const auto end = m_out.find('\n', m_lineStart);
        if (end != std::string::npos) {
            std::string line = m_out.substr(m_lineStart, end - m_lineStart);
            m_lineStart = end + 1;
            return line;
        }
        if (!Pump(deadline)) {
            return std::nullopt;
        }
    }
}

std::optional<int> CChildProcess::Wait(std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while ((m_outFd >= 0 || m_errFd >= 0) && Pump(deadline)) {
    }
    while (!m_exit) {
        int status = 0;
        const pid_t done = ::waitpid(m_pid, &status, WNOHANG);
        if (done == m_pid) {
            m_exit = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        } else if (Clock::now() >= deadline) {
            return std::nullopt;
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    return m_exit;
}

}  // namespace vantel
