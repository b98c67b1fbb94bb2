#include "hub/glow.h"

#include "hub/ber.h"

namespace vantel {

namespace {

using namespace glowtag;

// Matrix type oneToN and linear addressing.
constexpr std::int64_t kOneToN = 0;
constexpr std::int64_t kLinear = 0;

std::string Value(const GlowValue& value) {
    if (const auto* i = std::get_if<std::int64_t>(&value)) {
        return BerInteger(*i);
    }
    if (const auto* b = std::get_if<bool>(&value)) {
        return BerBoolean(*b);
    }
    return BerUtf8(std::get<std::string>(value));
}

// [0] ElementCollection of the children, each as [0].
std::string Children(std::span<const std::string> children) {
    std::string items;
    for (const auto& child : children) {
        items += BerContext(0, child);
    }
    return BerContext(2, BerApplication(kElementCollection, items));
}

std::string NodeContents(const GlowNodeContents& contents) {
    std::string set =
        BerContext(0, BerUtf8(contents.identifier)) + BerContext(1, BerUtf8(contents.description));
    if (contents.isOnline) {
        set += BerContext(3, BerBoolean(*contents.isOnline));
    }
    return BerContext(1, BerSet(set));
}

std::string ParameterContents(const GlowParameterContents& contents) {
    std::string set;
    if (contents.identifier) {
        set += BerContext(0, BerUtf8(*contents.identifier));
    }
    if (contents.description) {
        set += BerContext(1, BerUtf8(*contents.description));
    }
    if (contents.value) {
        set += BerContext(2, Value(*contents.value));
    }
    if (contents.access) {
        set += BerContext(5, BerInteger(static_cast<std::int64_t>(*contents.access)));
    }
    if (contents.type) {
        set += BerContext(13, BerInteger(static_cast<std::int64_t>(*contents.type)));
    }
    return BerContext(1, BerSet(set));
}

std::string MatrixContents(const GlowMatrixContents& contents) {
    std::string set = BerContext(0, BerUtf8(contents.identifier)) +
                      BerContext(1, BerUtf8(contents.description)) +
                      BerContext(2, BerInteger(kOneToN)) + BerContext(3, BerInteger(kLinear)) +
                      BerContext(4, BerInteger(contents.targetCount)) +
                      BerContext(5, BerInteger(contents.sourceCount));
    if (!contents.labels.empty()) {
        std::string labels;
        for (const auto& label : contents.labels) {
            labels += BerContext(
                0, BerApplication(kLabel, BerContext(0, BerRelativeOid(label.basePath)) +
                                              BerContext(1, BerUtf8(label.description))));
        }
        set += BerContext(10, BerSequence(labels));
    }
    return BerContext(1, BerSet(set));
}

std::string Connections(std::span<const GlowConnection> connections) {
    std::string items;
    for (const auto& c : connections) {
        std::string fields =
            BerContext(0, BerInteger(c.target)) + BerContext(1, BerRelativeOid(c.sources));
        if (c.disposition) {
            fields += BerContext(3, BerInteger(static_cast<std::int64_t>(*c.disposition)));
        }
        items += BerContext(0, BerApplication(kConnection, fields));
    }
    return BerContext(5, BerSequence(items));
}

std::string Number(std::uint32_t number) {
    return BerContext(0, BerInteger(number));
}

std::string Path(const GlowPath& path) {
    return BerContext(0, BerRelativeOid(path));
}

std::string OptionalNodeParts(const std::optional<GlowNodeContents>& contents,
                              std::span<const std::string> children) {
    return (contents ? NodeContents(*contents) : std::string()) +
           (children.empty() ? std::string() : Children(children));
}

}  // namespace

std::string GlowNode(std::uint32_t number, const std::optional<GlowNodeContents>& contents,
                     std::span<const std::string> children) {
    return BerApplication(kNode, Number(number) + OptionalNodeParts(contents, children));
}

std::string GlowQualifiedNode(const GlowPath& path, const std::optional<GlowNodeContents>& contents,
                              std::span<const std::string> children) {
    return BerApplication(kQualifiedNode, Path(path) + OptionalNodeParts(contents, children));
}

std::string GlowParameter(std::uint32_t number, const GlowParameterContents& contents) {
    return BerApplication(kParameter, Number(number) + ParameterContents(contents));
}

std::string GlowQualifiedParameter(const GlowPath& path, const GlowParameterContents& contents) {
    return BerApplication(kQualifiedParameter, Path(path) + ParameterContents(contents));
}

std::string GlowMatrix(std::uint32_t number, const GlowMatrixContents& contents) {
    return BerApplication(kMatrix, Number(number) + MatrixContents(contents));
}

std::string GlowQualifiedMatrix(const GlowPath& path,
                                const std::optional<GlowMatrixContents>& contents,
                                std::span<const GlowConnection> connections) {
    return BerApplication(kQualifiedMatrix,
                          Path(path) + (contents ? MatrixContents(*contents) : std::string()) +
                              (connections.empty() ? std::string() : Connections(connections)));
}

std::string GlowRoot(std::span<const std::string> elements) {
    std::string items;
    for (const auto& element : elements) {
        items += BerContext(0, element);
    }
    return BerApplication(kRoot, BerApplication(kRootElementCollection, items));
}

}  // namespace vantel
