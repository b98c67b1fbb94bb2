#include "link/keepalive.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

namespace vantel {

namespace {

bool SetInt(int fd, int level, int name, int value) {
    return ::setsockopt(fd, level, name, &value, sizeof value) == 0;
}

}  // namespace

bool EnableKeepAlive(int fd) {
    const auto seconds = [](std::chrono::seconds s) { return static_cast<int>(s.count()); };
    bool ok = SetInt(fd, SOL_SOCKET, SO_KEEPALIVE, 1);
    ok = SetInt(fd, IPPROTO_TCP, TCP_KEEPIDLE, seconds(kKeepAliveIdle)) && ok;
    ok = SetInt(fd, IPPROTO_TCP, TCP_KEEPINTVL, seconds(kKeepAliveInterval)) && ok;
    ok = SetInt(fd, IPPROTO_TCP, TCP_KEEPCNT, kKeepAliveCount) && ok;
    const auto userTimeoutMs = std::chrono::milliseconds(kUserTimeout).count();
    ok = SetInt(fd, IPPROTO_TCP, TCP_USER_TIMEOUT, static_cast<int>(userTimeoutMs)) && ok;
    return ok;
}

}  // namespace vantel
