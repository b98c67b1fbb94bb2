#pragma once
// Unicode text forms of setup.ini: checks and cuts of UTF-8, and UTF-16 files turned into
// UTF-8 and back without losing a byte.
//
// UTF-16 text may hold a lone surrogate (a broken pair). It is carried in the UTF-8 text as
// the three-byte form of its code point (ED A0..BF xx), which is not valid UTF-8 and so never
// reaches a caller (ToValidUtf8 replaces it), but turns back into the same 16-bit unit.

#include <cstddef>
#include <string>
#include <string_view>

namespace vantel {

// Whether every byte of text is below 0x80.
bool IsAscii(std::string_view text);

// Whether text is well-formed UTF-8 (no overlong forms, no surrogates, nothing above U+10FFFF).
bool IsValidUtf8(std::string_view text);

// The offset of the first byte of text that starts no well-formed character, or npos.
std::size_t FirstInvalidUtf8(std::string_view text);

// text with every byte that does not start a well-formed character replaced by U+FFFD.
std::string ToValidUtf8(std::string_view text);

// The length of the longest prefix of text of at most limit bytes that does not end inside a
// character.
std::size_t WholeUtf8Prefix(std::string_view text, std::size_t limit);

// The length of text without the start of a character that its end cuts off: a lead byte
// followed by fewer continuation bytes than it announces (what a writer that cut by bytes
// leaves). Other malformed bytes stay for the caller's decoder.
std::size_t WithoutCutCharacter(std::string_view text);

// UTF-16 bytes (no byte-order mark; an odd last byte is ignored) as UTF-8, lone surrogates
// kept as described above.
std::string Utf16ToUtf8(std::string_view bytes, bool big_endian);

// UTF-8 text (lone surrogates included) as UTF-16 bytes; a malformed byte becomes U+FFFD.
std::string Utf8ToUtf16(std::string_view text, bool big_endian);

}  // namespace vantel
