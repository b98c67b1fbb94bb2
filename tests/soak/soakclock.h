#pragma once
// How long a soak runs: SOAK_SECONDS from the environment (default 60; 600 for the long run on
// demand), and when its first memory figure is taken: after the first minute, or after a sixth
// of a shorter run.

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>

namespace vantel::test {

struct SoakClock {
    std::chrono::seconds total{60};
    std::chrono::seconds firstMark{10};

    static SoakClock FromEnvironment(int fallbackSeconds = 60) {
        long seconds = fallbackSeconds;
        if (const char* text = std::getenv("SOAK_SECONDS"); text != nullptr && *text != '\0') {
            char* end = nullptr;
            const long parsed = std::strtol(text, &end, 10);
            if (end != nullptr && *end == '\0' && parsed >= 1 && parsed <= 24L * 3600) {
                seconds = parsed;
            }
        }
        SoakClock clock;
        clock.total = std::chrono::seconds(seconds);
        clock.firstMark = std::chrono::seconds(std::max(1L, std::min(60L, seconds / 6)));
        return clock;
    }
};

}  // namespace vantel::test
