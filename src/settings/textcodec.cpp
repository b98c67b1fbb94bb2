#include "settings/textcodec.h"

namespace vantel {

namespace {

constexpr char32_t kReplacement = 0xFFFD;
constexpr char32_t kInvalid = 0xFFFFFFFF;

bool is_continuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

bool is_surrogate(char32_t cp) {
    return cp >= 0xD800 && cp <= 0xDFFF;
}

// The bytes of the character that lead starts, as its high bits announce: 1 for ASCII, 0 for
// a continuation byte.
std::size_t announced_length(unsigned char lead) {
    return lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
}

// Decodes the character starting at text[pos]: its code point and length, or kInvalid with
// length 1 for a byte that starts no well-formed character. Surrogate code points are taken
// only when surrogates_allowed.
char32_t decode_at(std::string_view text, std::size_t pos, std::size_t& length,
                   bool surrogates_allowed) {
    const auto lead = static_cast<unsigned char>(text[pos]);
    length = 1;
    if (lead < 0x80) {
        return lead;
    }
    const std::size_t need = announced_length(lead);
    if (need == 0 || lead > 0xF4 || pos + need > text.size()) {
        return kInvalid;
    }
    char32_t cp = lead & (0x7F >> need);
    for (std::size_t i = 1; i < need; ++i) {
        const auto c = static_cast<unsigned char>(text[pos + i]);
        if (!is_continuation(c)) {
            return kInvalid;
        }
        cp = (cp << 6) | (c & 0x3F);
    }
    constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kSmallest[need] || cp > 0x10FFFF || (is_surrogate(cp) && !surrogates_allowed)) {
        return kInvalid;
    }
    length = need;
    return cp;
}

void append_utf8(char32_t cp, std::string& out) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
        return;
    }
    const std::size_t need = cp < 0x800 ? 2 : cp < 0x10000 ? 3 : 4;
    constexpr unsigned char kLeadMark[] = {0, 0, 0xC0, 0xE0, 0xF0};
    out.push_back(static_cast<char>(kLeadMark[need] | (cp >> (6 * (need - 1)))));
    for (std::size_t i = need - 1; i > 0; --i) {
        out.push_back(static_cast<char>(0x80 | ((cp >> (6 * (i - 1))) & 0x3F)));
    }
}

void append_unit(char16_t unit, bool big_endian, std::string& out) {
    const auto high = static_cast<char>(unit >> 8);
    const auto low = static_cast<char>(unit & 0xFF);
    out.push_back(big_endian ? high : low);
    out.push_back(big_endian ? low : high);
}

char16_t unit_at(std::string_view bytes, std::size_t index, bool big_endian) {
    const auto first = static_cast<unsigned char>(bytes[2 * index]);
    const auto second = static_cast<unsigned char>(bytes[2 * index + 1]);
    return static_cast<char16_t>(big_endian ? (first << 8) | second : (second << 8) | first);
}

}  // namespace

bool IsAscii(std::string_view text) {
    for (char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return false;
        }
    }
    return true;
}

bool IsValidUtf8(std::string_view text) {
    return FirstInvalidUtf8(text) == std::string_view::npos;
}

std::size_t FirstInvalidUtf8(std::string_view text) {
    std::size_t length = 0;
    for (std::size_t pos = 0; pos < text.size(); pos += length) {
        if (decode_at(text, pos, length, false) == kInvalid) {
            return pos;
        }
    }
    return std::string_view::npos;
}

std::string ToValidUtf8(std::string_view text) {
    if (IsValidUtf8(text)) {
        return std::string(text);
    }
    std::string out;
    out.reserve(text.size() + 8);
    std::size_t length = 0;
    for (std::size_t pos = 0; pos < text.size(); pos += length) {
        const char32_t cp = decode_at(text, pos, length, true);
        if (cp == kInvalid || is_surrogate(cp)) {
            append_utf8(kReplacement, out);
        } else {
            out.append(text.substr(pos, length));
        }
    }
    return out;
}

std::size_t WholeUtf8Prefix(std::string_view text, std::size_t limit) {
    if (text.size() <= limit) {
        return text.size();
    }
    // Here limit < text.size(), so the walk stops inside the text.
    std::size_t pos = 0;
    for (;;) {
        std::size_t length = 0;
        decode_at(text, pos, length, true);
        if (pos + length > limit) {
            return pos;
        }
        pos += length;
    }
}

std::size_t WithoutCutCharacter(std::string_view text) {
    const std::size_t end = text.size();
    std::size_t lead = end;
    while (lead > 0 && end - lead < 4 &&
           is_continuation(static_cast<unsigned char>(text[lead - 1]))) {
        --lead;
    }
    if (lead == 0) {
        return end;  // nothing but stray continuation bytes: left to the decoder
    }
    const std::size_t need = announced_length(static_cast<unsigned char>(text[lead - 1]));
    return end - (lead - 1) < need ? lead - 1 : end;
}

std::string Utf16ToUtf8(std::string_view bytes, bool big_endian) {
    const std::size_t units = bytes.size() / 2;
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 2);
    for (std::size_t i = 0; i < units; ++i) {
        char32_t cp = unit_at(bytes, i, big_endian);
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < units) {
            const char16_t next = unit_at(bytes, i + 1, big_endian);
            if (next >= 0xDC00 && next <= 0xDFFF) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (next - 0xDC00);
                ++i;
            }
        }
        append_utf8(cp, out);
    }
    return out;
}

std::string Utf8ToUtf16(std::string_view text, bool big_endian) {
    std::string out;
    out.reserve(2 * text.size());
    std::size_t length = 0;
    for (std::size_t pos = 0; pos < text.size(); pos += length) {
        char32_t cp = decode_at(text, pos, length, true);
        if (cp == kInvalid) {
            cp = kReplacement;
        }
        if (cp >= 0x10000) {
            append_unit(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)), big_endian, out);
            cp = 0xDC00 + ((cp - 0x10000) & 0x3FF);
        }
        append_unit(static_cast<char16_t>(cp), big_endian, out);
    }
    return out;
}

}  // namespace vantel
