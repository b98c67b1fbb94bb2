#pragma once
// CSimThread: the simulator (CSimServer, the server that vantel-sim runs) serving a device in
// this process on a thread of its own, TCP on 127.0.0.1 with a port the system picks. Stopped
// and joined when destroyed.

#include <string>
#include <thread>
#include <vector>

#include "device/simserver.h"
#include "device/switcher.h"

class CSimThread {
public:
    // latencyMs: every reply of the device waits this long.
    CSimThread(int inputs, int outputs, int latencyMs = 0)
        : m_device(inputs, outputs), m_server(m_device, Options(latencyMs)) {
        std::vector<std::string> endpoints;
        if (m_server.Open(endpoints, m_error)) {
            m_thread = std::thread([this] { m_server.Run(); });
        }
    }
    ~CSimThread() {
        if (m_thread.joinable()) {
            m_server.Stop();
            m_thread.join();
        }
    }
    CSimThread(const CSimThread&) = delete;
    CSimThread& operator=(const CSimThread&) = delete;

    // Empty when serving, else why not.
    const std::string& Error() const { return m_error; }
    unsigned short Port() const { return m_server.TcpPort(); }

private:
    static vantel::SimOptions Options(int latencyMs) {
        vantel::SimOptions options;
        options.listenPort = 0;
        options.latencyMs = latencyMs;
        return options;
    }

    vantel::CSwitcher m_device;
    vantel::CSimServer m_server;
    std::string m_error;
    std::thread m_thread;
};
