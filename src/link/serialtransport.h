#pragma once
// SerialTransport: the link over a serial line, 8 data bits, no parity, one stop bit, no
// flow control. A device path that does not exist fails at once. Reopen opens the path again
// (a USB adapter that was pulled and put back).

#include <asio.hpp>
#include <memory>
#include <string>

#include "link/asiotransport.h"

namespace vantel {

class SerialTransport : public AsioTransport<asio::serial_port> {
public:
    static constexpr unsigned kDefaultBaud = 115200;

    SerialTransport(std::string path, unsigned baud);

    // Opens and configures the line; false (and closed) on any failure.
    bool Open();
    bool Reopen(Clock::time_point /*deadline*/) override { return Open(); }
    std::unique_ptr<ITransport> Remake() const override {
        return std::make_unique<SerialTransport>(m_path, m_baud);
    }
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
    unsigned m_baud;
};

}  // namespace vantel
