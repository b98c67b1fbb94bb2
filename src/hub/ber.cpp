#include "hub/ber.h"

namespace vantel {

namespace {

constexpr std::uint8_t kConstructedBit = 0x20;
constexpr std::uint8_t kHighTagNumber = 0x1F;
constexpr std::uint8_t kIndefinite = 0x80;
constexpr std::uint32_t kMaxTagNumber = (1U << 28) - 1;
constexpr std::size_t kMaxLengthBytes = 4;

// Seven bits a byte, most significant first, the high bit set on all but the last (long tag
// numbers, relative OID components).
std::string Base128(std::uint32_t value) {
    std::string digits;
    do {
        digits.insert(digits.begin(), static_cast<char>(value & 0x7FU));
        value >>= 7;
    } while (value != 0);
    for (std::size_t i = 0; i + 1 < digits.size(); ++i) {
        digits[i] = static_cast<char>(digits[i] | 0x80);
    }
    return digits;
}

std::string Tag(BerClass cls, bool constructed, std::uint32_t number) {
    const auto lead = static_cast<std::uint8_t>((static_cast<unsigned>(cls) << 6) |
                                                (constructed ? kConstructedBit : 0));
    if (number < kHighTagNumber) {
        return std::string(1, static_cast<char>(lead | number));
    }
    return std::string(1, static_cast<char>(lead | kHighTagNumber)) + Base128(number);
}

std::string Length(std::size_t length) {
    if (length < 0x80) {
        return std::string(1, static_cast<char>(length));
    }
    std::string bytes;
    while (length != 0) {
        bytes.insert(bytes.begin(), static_cast<char>(length & 0xFFU));
        length >>= 8;
    }
    return std::string(1, static_cast<char>(0x80 | bytes.size())) + bytes;
}

class CParser {
public:
    explicit CParser(std::string_view data) : m_data(data) {}

    bool ParseAll(std::vector<BerNode>& out, int depth) {
        while (m_at < m_data.size()) {
            if (!ParseOne(out, depth)) {
                return false;
            }
        }
        return true;
    }

private:
    std::optional<std::uint8_t> Byte() {
        if (m_at >= m_data.size()) {
            return std::nullopt;
        }
        return static_cast<std::uint8_t>(m_data[m_at++]);
    }

    bool ParseTag(BerNode& node) {
        const auto lead = Byte();
        if (!lead) {
            return false;
        }
        node.cls = static_cast<BerClass>(*lead >> 6);
        node.constructed = (*lead & kConstructedBit) != 0;
        node.number = *lead & kHighTagNumber;
        if (node.number != kHighTagNumber) {
            return true;
        }
        node.number = 0;
        for (;;) {
            const auto b = Byte();
            if (!b || node.number > (kMaxTagNumber >> 7)) {
                return false;
            }
            node.number = (node.number << 7) | (*b & 0x7FU);
            if ((*b & 0x80U) == 0) {
                return true;
            }
        }
    }

    // The contents' length; nothing for an indefinite length (set indefinite).
    bool ParseLength(std::size_t& length, bool& indefinite) {
        const auto first = Byte();
        if (!first) {
            return false;
        }
        indefinite = *first == kIndefinite;
        if (indefinite) {
            length = 0;
            return true;
        }
        if (*first < 0x80) {
            length = *first;
            return length <= m_data.size() - m_at;
        }
        const std::size_t count = *first & 0x7FU;
        if (count > kMaxLengthBytes) {
            return false;
        }
        length = 0;
        for (std::size_t i = 0; i < count; ++i) {
            const auto b = Byte();
            if (!b) {
                return false;
            }
            length = (length << 8) | *b;
        }
        return length <= m_data.size() - m_at;
    }

    bool AtEndOfContents() const {
        return m_at + 1 < m_data.size() && m_data[m_at] == 0 && m_data[m_at + 1] == 0;
    }

    bool ParseOne(std::vector<BerNode>& out, int depth) {
        if (depth > kBerMaxDepth) {
            return false;
        }
        BerNode node;
        std::size_t length = 0;
        bool indefinite = false;
        if (!ParseTag(node) || !ParseLength(length, indefinite)) {
            return false;
        }
        if (indefinite) {
            if (!node.constructed) {
                return false;
            }
            while (!AtEndOfContents()) {
                if (m_at >= m_data.size() || !ParseOne(node.children, depth + 1)) {
                    return false;
                }
            }
            m_at += 2;
        } else if (node.constructed) {
            CParser inner(m_data.substr(m_at, length));
            if (!inner.ParseAll(node.children, depth + 1)) {
                return false;
            }
            m_at += length;
        } else {
            node.contents = m_data.substr(m_at, length);
            m_at += length;
        }
        out.push_back(std::move(node));
        return true;
    }

    std::string_view m_data;
    std::size_t m_at = 0;
};

bool IsPrimitive(const BerNode& node, std::uint32_t type) {
    return !node.constructed && node.Is(BerClass::kUniversal, type);
}

}  // namespace

std::string BerElement(BerClass cls, bool constructed, std::uint32_t number,
                       std::string_view contents) {
    return Tag(cls, constructed, number) + Length(contents.size()) + std::string(contents);
}

std::string BerInteger(std::int64_t value) {
    // The shortest two's complement form: drop a leading byte that only repeats the sign.
    std::string bytes;
    for (int shift = 56; shift >= 0; shift -= 8) {
        bytes.push_back(static_cast<char>((static_cast<std::uint64_t>(value) >> shift) & 0xFFU));
    }
    std::size_t start = 0;
    while (start + 1 < bytes.size()) {
        const auto b = static_cast<std::uint8_t>(bytes[start]);
        const auto next = static_cast<std::uint8_t>(bytes[start + 1]);
        if ((b == 0x00 && (next & 0x80U) == 0) || (b == 0xFF && (next & 0x80U) != 0)) {
            ++start;
        } else {
            break;
        }
    }
    return BerElement(BerClass::kUniversal, false, kBerInteger, bytes.substr(start));
}

std::string BerBoolean(bool value) {
    return BerElement(BerClass::kUniversal, false, kBerBoolean,
                      std::string(1, static_cast<char>(value ? 0xFF : 0x00)));
}

std::string BerUtf8(std::string_view text) {
    return BerElement(BerClass::kUniversal, false, kBerUtf8, text);
}

std::string BerRelativeOid(std::span<const std::uint32_t> ids) {
    std::string contents;
    for (const std::uint32_t id : ids) {
        contents += Base128(id);
    }
    return BerElement(BerClass::kUniversal, false, kBerRelativeOid, contents);
}

std::string BerContext(std::uint32_t n, std::string_view inner) {
    return BerElement(BerClass::kContext, true, n, inner);
}

std::string BerApplication(std::uint32_t n, std::string_view contents) {
    return BerElement(BerClass::kApplication, true, n, contents);
}

std::string BerSequence(std::string_view contents) {
    return BerElement(BerClass::kUniversal, true, kBerSequence, contents);
}

std::string BerSet(std::string_view contents) {
    return BerElement(BerClass::kUniversal, true, kBerSet, contents);
}

const BerNode* BerNode::Inner() const {
    return constructed && children.size() == 1 ? &children.front() : nullptr;
}

std::optional<std::vector<BerNode>> BerDecode(std::string_view data) {
    std::vector<BerNode> out;
    CParser parser(data);
    if (!parser.ParseAll(out, 0)) {
        return std::nullopt;
    }
    return out;
}

std::optional<std::int64_t> BerToInteger(const BerNode& node) {
    if (!IsPrimitive(node, kBerInteger) || node.contents.empty() || node.contents.size() > 8) {
        return std::nullopt;
    }
    // Sign-extended from the first byte.
    std::uint64_t value = (static_cast<std::uint8_t>(node.contents[0]) & 0x80U) != 0 ? ~0ULL : 0;
    for (const char c : node.contents) {
        value = (value << 8) | static_cast<std::uint8_t>(c);
    }
    return static_cast<std::int64_t>(value);
}

std::optional<bool> BerToBoolean(const BerNode& node) {
    if (!IsPrimitive(node, kBerBoolean) || node.contents.size() != 1) {
        return std::nullopt;
    }
    return node.contents[0] != 0;
}

std::optional<std::string> BerToUtf8(const BerNode& node) {
    if (!IsPrimitive(node, kBerUtf8)) {
        return std::nullopt;
    }
    return std::string(node.contents);
}

std::optional<std::vector<std::uint32_t>> BerToRelativeOid(const BerNode& node) {
    if (!IsPrimitive(node, kBerRelativeOid)) {
        return std::nullopt;
    }
    std::vector<std::uint32_t> ids;
    std::uint64_t id = 0;
    bool open = false;
    for (const char c : node.contents) {
        const auto b = static_cast<std::uint8_t>(c);
        id = (id << 7) | (b & 0x7FU);
        if (id > 0xFFFFFFFFULL) {
            return std::nullopt;
        }
        open = (b & 0x80U) != 0;
        if (!open) {
            ids.push_back(static_cast<std::uint32_t>(id));
            id = 0;
        }
    }
    if (open) {
        return std::nullopt;
    }
    return ids;
}

}  // namespace vantel
