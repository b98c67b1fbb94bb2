#pragma once
// Glow, the element tree that Ember+ carries: the elements the hub's provider writes (nodes,
// parameters, one matrix, its connections and labels), each as its BER bytes. A message is a
// root holding root elements; a qualified element names its place by its whole path, a
// numbered one by its number under the element it is written in.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace vantel {

using GlowPath = std::vector<std::uint32_t>;

// The application tags of the Glow types the hub writes or reads.
namespace glowtag {
inline constexpr std::uint32_t kRoot = 0;
inline constexpr std::uint32_t kParameter = 1;
inline constexpr std::uint32_t kCommand = 2;
inline constexpr std::uint32_t kNode = 3;
inline constexpr std::uint32_t kElementCollection = 4;
inline constexpr std::uint32_t kQualifiedParameter = 9;
inline constexpr std::uint32_t kQualifiedNode = 10;
inline constexpr std::uint32_t kRootElementCollection = 11;
inline constexpr std::uint32_t kMatrix = 13;
inline constexpr std::uint32_t kConnection = 16;
inline constexpr std::uint32_t kQualifiedMatrix = 17;
inline constexpr std::uint32_t kLabel = 18;
}  // namespace glowtag
using GlowValue = std::variant<std::int64_t, std::string, bool>;

enum class GlowCommand : std::int64_t { kSubscribe = 30, kUnsubscribe = 31, kGetDirectory = 32 };
enum class GlowAccess : std::int64_t { kRead = 1, kReadWrite = 3 };
enum class GlowParameterType : std::int64_t { kInteger = 1, kString = 3, kBoolean = 4 };
enum class GlowOperation : std::int64_t { kAbsolute = 0, kConnect = 1, kDisconnect = 2 };
enum class GlowDisposition : std::int64_t { kTally = 0, kModified = 1, kPending = 2, kLocked = 3 };

struct GlowNodeContents {
    std::string identifier;
    std::string description;
    std::optional<bool> isOnline;
};

struct GlowParameterContents {
    std::optional<std::string> identifier;
    std::optional<std::string> description;
    std::optional<GlowValue> value;
    std::optional<GlowAccess> access;
    std::optional<GlowParameterType> type;
};

struct GlowLabel {
    GlowPath basePath;
    std::string description;
};

// A oneToN matrix of linear addressing.
struct GlowMatrixContents {
    std::string identifier;
    std::string description;
    std::int64_t targetCount = 0;
    std::int64_t sourceCount = 0;
    std::vector<GlowLabel> labels;
};

struct GlowConnection {
    std::int64_t target = 0;
    std::vector<std::uint32_t> sources;  // empty: fed by nothing
    std::optional<GlowDisposition> disposition;
};

// Contents and elements. children is a list of elements as GlowNode / GlowParameter give
// them; empty children write none.
std::string GlowNode(std::uint32_t number, const std::optional<GlowNodeContents>& contents,
                     std::span<const std::string> children = {});
std::string GlowQualifiedNode(const GlowPath& path, const std::optional<GlowNodeContents>& contents,
                              std::span<const std::string> children = {});
std::string GlowParameter(std::uint32_t number, const GlowParameterContents& contents);
std::string GlowQualifiedParameter(const GlowPath& path, const GlowParameterContents& contents);
std::string GlowMatrix(std::uint32_t number, const GlowMatrixContents& contents);
std::string GlowQualifiedMatrix(const GlowPath& path,
                                const std::optional<GlowMatrixContents>& contents,
                                std::span<const GlowConnection> connections);

// A whole message: the root and its root elements, as GlowNode & co. give them.
std::string GlowRoot(std::span<const std::string> elements);

}  // namespace vantel
