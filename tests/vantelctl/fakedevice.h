#pragma once
// CFakeDevice: a device that misbehaves, served on 127.0.0.1 with a port the system picks.
// A silent device accepts connections (the system does it for the listener) and never
// answers; a refusing device answers every request with an out-of-range refusal; a scripted
// device answers each request with what its script returns for it. Every device but the
// silent one records the commands it received.

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "link/frame.h"

namespace vantel {

class CFakeDevice {
public:
    enum class Mode { kSilent, kRefusing };

    // The reply to a request: its status and data.
    struct Reply {
        std::uint8_t status = kStatusOk;
        std::vector<std::uint8_t> data;
    };
    using Script = std::function<Reply(const Frame& request)>;

    explicit CFakeDevice(Mode mode);
    explicit CFakeDevice(Script script);
    ~CFakeDevice();
    CFakeDevice(const CFakeDevice&) = delete;
    CFakeDevice& operator=(const CFakeDevice&) = delete;

    int Port() const { return m_port; }
    // The command codes received so far, in arrival order.
    std::vector<std::uint8_t> Commands() const;

    // A loopback port on which nothing listens: bound by the system, read, and closed again.
    static int ClosedPort();

private:
    void Serve();
    void Answer(int connection);

    int m_listener = -1;
    int m_port = 0;
    Script m_script;
    mutable std::mutex m_mutex;
    std::vector<std::uint8_t> m_commands;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

}  // namespace vantel
