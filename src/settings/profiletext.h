#pragma once
// ProfileText: the text of a setup.ini file in the encoding it was saved in, and the
// conversions between that encoding and the UTF-8 of the callers.
//
// The file's encoding is decided from its bytes on every read and write:
//   - FF FE or FE FF first: UTF-16, little or big endian (Windows Notepad's "Unicode" and
//     "Unicode big endian"). The text is parsed as UTF-8 and written back as UTF-16 with the
//     same mark; an odd last byte is kept as it is.
//   - otherwise EF BB BF first, or only ASCII and well-formed UTF-8: UTF-8.
//   - otherwise (some byte sequence is not UTF-8): the legacy code page, GB18030. Its bytes are
//     parsed as they are, with a lead byte 0x81..0xFE taking the next byte into one character.
// Names and values go to the file in its encoding and come back to callers as UTF-8, so a file
// never mixes two encodings.

#include <optional>
#include <string>
#include <string_view>

namespace vantel {

enum class ProfileEncoding { kUtf8, kLegacy, kUtf16Le, kUtf16Be };

class ProfileText {
public:
    // bytes: the file's first bytes; cut: the file goes on beyond them, so the last, cut line
    // is left out of text().
    ProfileText(std::string_view bytes, bool cut);

    ProfileEncoding encoding() const { return encoding_; }
    // The text the parser reads: the file's bytes for an 8-bit file, UTF-8 for UTF-16.
    std::string_view text() const { return text_; }
    // Whether a lead byte and the byte after it form one character of a name.
    bool double_byte() const { return encoding_ == ProfileEncoding::kLegacy; }

    // A caller's UTF-8 name or value as it is spelt in text(); nothing when it is not valid
    // UTF-8 (or cannot be converted).
    std::optional<std::string> to_file(std::string_view utf8) const;
    // A name or value of text() as UTF-8.
    std::string to_caller(std::string_view piece) const;
    // The file's bytes for an edited text(): same encoding, byte-order mark and odd last byte.
    // Nothing when those bytes would read in another encoding: a legacy file whose last byte
    // sequence that is not UTF-8 was edited away, while its other text is not ASCII (that text
    // would then read as UTF-8, and mean something else).
    std::optional<std::string> encoded(std::string_view text) const;

private:
    bool utf16() const;
    bool big_endian() const { return encoding_ == ProfileEncoding::kUtf16Be; }

    ProfileEncoding encoding_ = ProfileEncoding::kUtf8;
    std::string text_;
    std::string tail_;  // UTF-16: the odd last byte, if any
};

}  // namespace vantel
