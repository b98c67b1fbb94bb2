#pragma once
// What an Ember+ consumer asks of the provider in one Glow message: commands on elements
// (get directory, subscribe, unsubscribe), values set on parameters, connections asked of a
// matrix. Elements may come qualified (with their whole path) or numbered and nested; either
// way each request names the path of its element.

#include <optional>
#include <string_view>
#include <vector>

#include "hub/glow.h"

namespace vantel {

enum class GlowRequestKind {
    kGetDirectory,
    kSubscribe,
    kUnsubscribe,
    kSetValue,
    kConnect,
    kUnsupported,  // understood as Glow, but nothing the provider does (a function, a stream)
};

struct GlowConnectRequest {
    std::int64_t target = 0;
    std::vector<std::uint32_t> sources;
    GlowOperation operation = GlowOperation::kAbsolute;

    bool operator==(const GlowConnectRequest&) const = default;
};

struct GlowRequest {
    GlowRequestKind kind = GlowRequestKind::kUnsupported;
    GlowPath path;  // empty: the root
    std::optional<GlowValue> value;
    std::vector<GlowConnectRequest> connections;

    bool operator==(const GlowRequest&) const = default;
};

// The requests of one message, in their order; nothing when it is not well-formed BER or not
// a Glow root.
std::optional<std::vector<GlowRequest>> GlowDecodeRequests(std::string_view payload);

}  // namespace vantel
