#include "link/serialtransport.h"

namespace vantel {

SerialTransport::SerialTransport(std::string path, unsigned baud)
    : m_path(std::move(path)), m_baud(baud) {}

bool SerialTransport::Open() {
    Shut();
    std::error_code ec;
    m_stream.open(m_path, ec);
    using asio::serial_port_base;
    const auto configure = [&](const auto& option) {
        if (!ec) {
            m_stream.set_option(option, ec);
        }
    };
    configure(serial_port_base::baud_rate(m_baud));
    configure(serial_port_base::character_size(8));
    configure(serial_port_base::parity(serial_port_base::parity::none));
    configure(serial_port_base::stop_bits(serial_port_base::stop_bits::one));
    configure(serial_port_base::flow_control(serial_port_base::flow_control::none));
    if (ec) {
        Shut();
        return false;
    }
    m_open.store(true);
    return true;
}

}  // namespace vantel
