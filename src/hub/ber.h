#pragma once
// BER, the encoding of the Ember+ face's Glow payload: the writing side (definite lengths
// only) and a reader that parses a whole payload into elements in one pass. The reader takes
// definite and indefinite lengths; every length is checked against the bytes that hold it
// and nesting is bounded, so malformed input is refused without reading past it.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vantel {

enum class BerClass : std::uint8_t { kUniversal = 0, kApplication = 1, kContext = 2, kPrivate = 3 };

// The universal types that Glow uses.
inline constexpr std::uint32_t kBerBoolean = 1;
inline constexpr std::uint32_t kBerInteger = 2;
inline constexpr std::uint32_t kBerOctets = 4;
inline constexpr std::uint32_t kBerNull = 5;
inline constexpr std::uint32_t kBerReal = 9;
inline constexpr std::uint32_t kBerUtf8 = 12;
inline constexpr std::uint32_t kBerRelativeOid = 13;
inline constexpr std::uint32_t kBerSequence = 16;
inline constexpr std::uint32_t kBerSet = 17;

// Writing. Each returns a whole element: tag, length, contents.
std::string BerElement(BerClass cls, bool constructed, std::uint32_t number,
                       std::string_view contents);
std::string BerInteger(std::int64_t value);
std::string BerBoolean(bool value);
std::string BerUtf8(std::string_view text);
std::string BerRelativeOid(std::span<const std::uint32_t> ids);
// [n] around an element (Glow tags explicitly).
std::string BerContext(std::uint32_t n, std::string_view inner);
// [APPLICATION n] of a constructed type, the tag standing for SEQUENCE or SET.
std::string BerApplication(std::uint32_t n, std::string_view contents);
std::string BerSequence(std::string_view contents);
std::string BerSet(std::string_view contents);

// Reading.
struct BerNode {
    BerClass cls = BerClass::kUniversal;
    bool constructed = false;
    std::uint32_t number = 0;
    std::string_view contents;      // a primitive element's contents
    std::vector<BerNode> children;  // a constructed element's elements

    bool Is(BerClass c, std::uint32_t n) const { return cls == c && number == n; }
    // The one element inside an explicit tag, or nothing.
    const BerNode* Inner() const;
};

inline constexpr int kBerMaxDepth = 32;

// The elements of the payload, or nothing when any of it is malformed: a length past its
// data, a length of more than four bytes, a tag number past 28 bits, a primitive element of
// indefinite length, nesting deeper than kBerMaxDepth, bytes after the last element. The
// nodes point into data, which must outlive them.
std::optional<std::vector<BerNode>> BerDecode(std::string_view data);
// The nodes would point into a string that is gone at the end of the call's statement.
std::optional<std::vector<BerNode>> BerDecode(std::string&& data) = delete;

// A primitive's value; nothing when it has another type or malformed contents.
std::optional<std::int64_t> BerToInteger(const BerNode& node);
std::optional<bool> BerToBoolean(const BerNode& node);
std::optional<std::string> BerToUtf8(const BerNode& node);
std::optional<std::vector<std::uint32_t>> BerToRelativeOid(const BerNode& node);

}  // namespace vantel
