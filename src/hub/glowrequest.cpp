#include "hub/glowrequest.h"

#include "hub/ber.h"

namespace vantel {

namespace {

using namespace glowtag;

// The deepest path taken: far past the hub's tree, short enough to bound the work.
constexpr std::size_t kMaxPath = 16;

using Requests = std::vector<GlowRequest>;

bool IsApp(const BerNode& node, std::uint32_t n) {
    return node.constructed && node.Is(BerClass::kApplication, n);
}

// The element inside [n] of a constructed element, or nothing.
const BerNode* Field(const BerNode& element, std::uint32_t n) {
    for (const auto& child : element.children) {
        if (child.Is(BerClass::kContext, n)) {
            return child.Inner();
        }
    }
    return nullptr;
}

std::optional<GlowValue> ValueOf(const BerNode& node) {
    if (const auto i = BerToInteger(node)) {
        return GlowValue(*i);
    }
    if (const auto b = BerToBoolean(node)) {
        return GlowValue(*b);
    }
    if (auto s = BerToUtf8(node)) {
        return GlowValue(std::move(*s));
    }
    return std::nullopt;
}

void Unsupported(const GlowPath& path, Requests& out) {
    out.push_back({GlowRequestKind::kUnsupported, path, {}, {}});
}

void Command(const BerNode& command, const GlowPath& path, Requests& out) {
    const BerNode* number = Field(command, 0);
    const auto n = number ? BerToInteger(*number) : std::nullopt;
    GlowRequestKind kind = GlowRequestKind::kUnsupported;
    if (n == static_cast<std::int64_t>(GlowCommand::kGetDirectory)) {
        kind = GlowRequestKind::kGetDirectory;
    } else if (n == static_cast<std::int64_t>(GlowCommand::kSubscribe)) {
        kind = GlowRequestKind::kSubscribe;
    } else if (n == static_cast<std::int64_t>(GlowCommand::kUnsubscribe)) {
        kind = GlowRequestKind::kUnsubscribe;
    }
    out.push_back({kind, path, {}, {}});
}

void Value(const BerNode& parameter, const GlowPath& path, Requests& out) {
    const BerNode* contents = Field(parameter, 1);
    const BerNode* value = contents ? Field(*contents, 2) : nullptr;
    if (!value) {
        return;  // a parameter named with nothing to set: nothing asked
    }
    auto parsed = ValueOf(*value);
    if (!parsed) {
        Unsupported(path, out);
        return;
    }
    out.push_back({GlowRequestKind::kSetValue, path, std::move(parsed), {}});
}

std::optional<GlowConnectRequest> Connection(const BerNode& node) {
    if (!IsApp(node, kConnection)) {
        return std::nullopt;
    }
    const BerNode* target = Field(node, 0);
    const auto t = target ? BerToInteger(*target) : std::nullopt;
    if (!t) {
        return std::nullopt;
    }
    GlowConnectRequest request;
    request.target = *t;
    if (const BerNode* sources = Field(node, 1)) {
        auto ids = BerToRelativeOid(*sources);
        if (!ids) {
            return std::nullopt;
        }
        request.sources = std::move(*ids);
    }
    if (const BerNode* operation = Field(node, 2)) {
        const auto op = BerToInteger(*operation);
        if (!op || *op < 0 || *op > static_cast<std::int64_t>(GlowOperation::kDisconnect)) {
            return std::nullopt;
        }
        request.operation = static_cast<GlowOperation>(*op);
    }
    return request;
}

void Connections(const BerNode& matrix, const GlowPath& path, Requests& out) {
    const BerNode* list = Field(matrix, 5);
    if (!list) {
        return;
    }
    GlowRequest request{GlowRequestKind::kConnect, path, {}, {}};
    for (const auto& item : list->children) {
        const BerNode* inner = item.Is(BerClass::kContext, 0) ? item.Inner() : nullptr;
        const auto connection = inner ? Connection(*inner) : std::nullopt;
        if (!connection) {
            Unsupported(path, out);
            return;
        }
        request.connections.push_back(*connection);
    }
    out.push_back(std::move(request));
}

void Element(const BerNode& element, const GlowPath& parent, Requests& out);

// The elements of [2] children, each under [0].
void Children(const BerNode& element, const GlowPath& path, Requests& out) {
    const BerNode* collection = Field(element, 2);
    if (!collection || !IsApp(*collection, kElementCollection)) {
        return;
    }
    for (const auto& item : collection->children) {
        if (const BerNode* child = item.Is(BerClass::kContext, 0) ? item.Inner() : nullptr) {
            Element(*child, path, out);
        }
    }
}

// The element's own path: its parent's and its number, or the path it carries.
std::optional<GlowPath> PathOf(const BerNode& element, const GlowPath& parent, bool qualified) {
    const BerNode* field = Field(element, 0);
    if (!field) {
        return std::nullopt;
    }
    if (qualified) {
        auto path = BerToRelativeOid(*field);
        return path && !path->empty() && path->size() <= kMaxPath ? path : std::nullopt;
    }
    const auto number = BerToInteger(*field);
    if (!number || *number < 0 || *number > 0xFFFFFFFFLL || parent.size() >= kMaxPath) {
        return std::nullopt;
    }
    GlowPath path = parent;
    path.push_back(static_cast<std::uint32_t>(*number));
    return path;
}

void Element(const BerNode& element, const GlowPath& parent, Requests& out) {
    if (IsApp(element, kCommand)) {
        Command(element, parent, out);
        return;
    }
    const bool qualified = IsApp(element, kQualifiedNode) || IsApp(element, kQualifiedParameter) ||
                           IsApp(element, kQualifiedMatrix);
    const bool numbered =
        IsApp(element, kNode) || IsApp(element, kParameter) || IsApp(element, kMatrix);
    const auto path = qualified || numbered ? PathOf(element, parent, qualified) : std::nullopt;
    if (!path) {
        Unsupported(parent, out);
        return;
    }
    if (IsApp(element, kParameter) || IsApp(element, kQualifiedParameter)) {
        Value(element, *path, out);
    }
    if (IsApp(element, kMatrix) || IsApp(element, kQualifiedMatrix)) {
        Connections(element, *path, out);
    }
    Children(element, *path, out);
}

}  // namespace

std::optional<std::vector<GlowRequest>> GlowDecodeRequests(std::string_view payload) {
    const auto nodes = BerDecode(payload);
    if (!nodes || nodes->size() != 1 || !IsApp(nodes->front(), kRoot)) {
        return std::nullopt;
    }
    Requests out;
    const BerNode* collection = nodes->front().Inner();
    if (!collection || !IsApp(*collection, kRootElementCollection)) {
        Unsupported({}, out);  // streams, invocation results: nothing a provider is sent
        return out;
    }
    for (const auto& item : collection->children) {
        if (const BerNode* element = item.Is(BerClass::kContext, 0) ? item.Inner() : nullptr) {
            Element(*element, {}, out);
        }
    }
    return out;
}

}  // namespace vantel
