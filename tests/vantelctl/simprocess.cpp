#include "simprocess.h"

#include <signal.h>

#include <algorithm>
#include <stdexcept>

namespace vantel {

namespace {

constexpr std::chrono::seconds kStartTimeout{20};

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

CSimProcess::CSimProcess(const std::vector<std::string>& extra) {
    std::vector<std::string> argv{VANTEL_SIM_EXE, "--listen", "127.0.0.1:0"};
    argv.insert(argv.end(), extra.begin(), extra.end());
    m_process = std::make_unique<CChildProcess>(argv);
    const bool wantPty = std::find(extra.begin(), extra.end(), "--pty") != extra.end();
    const std::string listening = "listening on 127.0.0.1:";
    const std::string serial = "serial on ";
    while (m_port == 0 || (wantPty && m_pty.empty())) {
        const auto line = m_process->ReadLine(kStartTimeout);
        if (!line) {
            throw std::runtime_error("vantel-sim did not start: " + m_process->Err());
        }
        if (StartsWith(*line, listening)) {
            m_port = std::stoi(line->substr(listening.size()));
        } else if (StartsWith(*line, serial)) {
            m_pty = line->substr(serial.size());
        }
    }
}

CSimProcess::~CSimProcess() {
    m_process->Signal(SIGTERM);
    m_process->Wait(std::chrono::seconds(5));
}

}  // namespace vantel
