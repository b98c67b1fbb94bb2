#pragma once
// The process's limit on open files against what the hub's client caps need: every client
// holds one descriptor, and the hub needs a few of its own besides (listeners, the device
// link, the settings file, the log).

#include <cstddef>
#include <string>

namespace vantel {

inline constexpr std::size_t kHubOwnDescriptors = 64;

// Raises the soft limit to needed where the hard limit allows. Empty when the limit fits;
// otherwise a line saying what the limit is and what the caps need.
std::string FitDescriptorLimit(std::size_t needed);

}  // namespace vantel
