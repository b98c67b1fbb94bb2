#pragma once
// The resident set size of a process, read from /proc, for the soaks' memory figures.

#include <unistd.h>

#include <cstdint>
#include <fstream>
#include <string>

namespace vantel::test {

// Resident memory of the process `pid` ("self" for this one) in KiB; 0 when unreadable.
inline std::uint64_t ResidentKiB(const std::string& pid = "self") {
    std::ifstream statm("/proc/" + pid + "/statm");
    std::uint64_t size = 0;
    std::uint64_t resident = 0;
    if (!(statm >> size >> resident)) {
        return 0;
    }
    return resident * static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE)) / 1024;
}

}  // namespace vantel::test
