#include "device/pseudoterminal.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace vantel {

CPseudoTerminal::~CPseudoTerminal() {
    if (m_master >= 0) {
        ::close(m_master);
    }
    if (m_slave >= 0) {
        ::close(m_slave);
    }
}

bool CPseudoTerminal::Open(std::string& error) {
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0) {
        error = std::string("cannot create a pseudo-terminal: ") + std::strerror(errno);
        return false;
    }
    char name[256] = {};
    if (::ptsname_r(m_master, name, sizeof name) != 0) {
        error = std::string("cannot name the pseudo-terminal: ") + std::strerror(errno);
        return false;
    }
    m_slavePath = name;
    m_slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios mode{};
    if (m_slave < 0 || ::tcgetattr(m_slave, &mode) != 0) {
        error = "cannot open " + m_slavePath + ": " + std::strerror(errno);
        return false;
    }
    ::cfmakeraw(&mode);
    if (::tcsetattr(m_slave, TCSANOW, &mode) != 0) {
        error = "cannot set raw mode on " + m_slavePath + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

int CPseudoTerminal::ReleaseMaster() {
    const int fd = m_master;
    m_master = -1;
    return fd;
}

}  // namespace vantel
