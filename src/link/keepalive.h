#pragma once
// TCP keepalive as every long-lived connection of ours uses it (the device link, the hub's
// clients): a peer that stays silent for kKeepAliveIdle is probed kKeepAliveCount times
// kKeepAliveInterval apart, and data it does not acknowledge for kUserTimeout ends the
// connection too. A peer that lost power or its cable is so found within kDeadPeerFound,
// whether the connection was idle or had data in flight.

#include <chrono>

namespace vantel {

inline constexpr std::chrono::seconds kKeepAliveIdle{20};
inline constexpr std::chrono::seconds kKeepAliveInterval{5};
inline constexpr int kKeepAliveCount = 4;
inline constexpr std::chrono::seconds kUserTimeout{40};
inline constexpr std::chrono::seconds kDeadPeerFound{45};

// Sets the options on a connected TCP socket; false when the system refused one of them.
bool EnableKeepAlive(int fd);

}  // namespace vantel
