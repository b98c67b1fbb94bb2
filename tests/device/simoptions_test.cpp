#include "device/simoptions.h"

#include <gtest/gtest.h>

#include <vector>

namespace vantel {
namespace {

TEST(ListenAddress, ParsesHostAndPort) {
    struct Case {
        const char* text;
        bool valid;
        const char* host;
        std::uint16_t port;
    };
    const std::vector<Case> cases = {
        {"127.0.0.1:4001", true, "127.0.0.1", 4001},
        {"127.0.0.1:0", true, "127.0.0.1", 0},
        {"[::1]:65535", true, "::1", 65535},
        {":7", true, "127.0.0.1", 7},
        {"127.0.0.1", false, "", 0},
        {"127.0.0.1:", false, "", 0},
        {"127.0.0.1:65536", false, "", 0},
        {"127.0.0.1:-1", false, "", 0},
        {"127.0.0.1:12x", false, "", 0},
        {"::1:5", false, "", 0},
        {"", false, "", 0},
    };
    for (const auto& c : cases) {
        const auto parsed = ParseListenAddress(c.text);
        ASSERT_EQ(parsed.has_value(), c.valid) << c.text;
        if (parsed) {
            EXPECT_EQ(parsed->host, c.host) << c.text;
            EXPECT_EQ(parsed->port, c.port) << c.text;
        }
    }
}

}  // namespace
}  // namespace vantel
