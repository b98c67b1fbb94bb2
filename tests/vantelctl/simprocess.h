#pragma once
// CSimProcess: the built vantel-sim serving on 127.0.0.1 with a port the system picks, and
// optionally on a pseudo-terminal. Ended with SIGTERM (by its process id) when destroyed.

#include <memory>
#include <string>
#include <vector>

#include "childprocess.h"

namespace vantel {

class CSimProcess {
public:
    // extra: more vantel-sim options ("--inputs", "4", "--pty", ...).
    explicit CSimProcess(const std::vector<std::string>& extra = {});
    ~CSimProcess();
    CSimProcess(const CSimProcess&) = delete;
    CSimProcess& operator=(const CSimProcess&) = delete;

    int Port() const { return m_port; }
    // "127.0.0.1:PORT", the value of --host.
    std::string Host() const { return "127.0.0.1:" + std::to_string(m_port); }
    // The pseudo-terminal's path when started with --pty, else empty.
    const std::string& Pty() const { return m_pty; }

private:
    std::unique_ptr<CChildProcess> m_process;
    int m_port = 0;
    std::string m_pty;
};

}  // namespace vantel
