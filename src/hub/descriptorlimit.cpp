#include "hub/descriptorlimit.h"

#include <sys/resource.h>

#include <algorithm>

namespace vantel {

std::string FitDescriptorLimit(std::size_t needed) {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) {
        return {};
    }
    const auto wanted = static_cast<rlim_t>(needed);
    if (limit.rlim_cur >= wanted) {
        return {};
    }
    rlimit raised = limit;
    raised.rlim_cur = limit.rlim_max == RLIM_INFINITY ? wanted : std::min(wanted, limit.rlim_max);
    if (::setrlimit(RLIMIT_NOFILE, &raised) == 0) {
        limit = raised;
    }
    if (limit.rlim_cur >= wanted) {
        return {};
    }
    return "the limit on open files is " + std::to_string(limit.rlim_cur) +
           ", the client caps need " + std::to_string(needed) +
           ": clients beyond it wait until others leave (raise LimitNOFILE or lower "
           "--max-clients)";
}

}  // namespace vantel
