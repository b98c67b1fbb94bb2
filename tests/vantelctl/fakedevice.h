#pragma once
// CFakeDevice: a device that misbehaves, served on 127.0.0.1 with a port the system picks.
// A silent device accepts connections (the system does it for the listener) and never
// answers; a refusing device answers every request with an out-of-range refusal.

#include <atomic>
#include <thread>

namespace vantel {

class CFakeDevice {
public:
    enum class Mode { kSilent, kRefusing };

    explicit CFakeDevice(Mode mode);
    ~CFakeDevice();
    CFakeDevice(const CFakeDevice&) = delete;
    CFakeDevice& operator=(const CFakeDevice&) = delete;

    int Port() const { return m_port; }

    // A loopback port on which nothing listens: bound by the system, read, and closed again.
    static int ClosedPort();

private:
    void Serve();
    void Answer(int connection);

    int m_listener = -1;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

}  // namespace vantel
