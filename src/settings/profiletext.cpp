#include "settings/profiletext.h"

#include "settings/legacycodec.h"
#include "settings/textcodec.h"

namespace vantel {

namespace {

constexpr std::string_view kUtf16LeMark = "\xFF\xFE";
constexpr std::string_view kUtf16BeMark = "\xFE\xFF";
constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

// The encoding a byte-order mark gives, or nothing for an 8-bit file.
std::optional<ProfileEncoding> marked_utf16(std::string_view bytes) {
    if (bytes.starts_with(kUtf16LeMark)) {
        return ProfileEncoding::kUtf16Le;
    }
    if (bytes.starts_with(kUtf16BeMark)) {
        return ProfileEncoding::kUtf16Be;
    }
    return std::nullopt;
}

ProfileEncoding eight_bit_encoding(std::string_view bytes) {
    if (bytes.starts_with(kUtf8Mark) || IsValidUtf8(bytes)) {
        return ProfileEncoding::kUtf8;
    }
    return ProfileEncoding::kLegacy;
}

// Leaves out the last line when it has no line end (it was cut by the read bound).
void drop_cut_line(std::string& text) {
    const std::size_t last_eol = text.find_last_of("\r\n");
    text.resize(last_eol == std::string::npos ? 0 : last_eol + 1);
}

}  // namespace

ProfileText::ProfileText(std::string_view bytes, bool cut) {
    const std::optional<ProfileEncoding> utf16 = marked_utf16(bytes);
    if (utf16) {
        bytes.remove_prefix(kUtf16LeMark.size());
        text_ = Utf16ToUtf8(bytes, *utf16 == ProfileEncoding::kUtf16Be);
        tail_ = bytes.substr(bytes.size() & ~std::size_t{1});
    } else {
        text_ = bytes;
    }
    if (cut) {
        drop_cut_line(text_);
    }
    // Decided without the cut line, which may end inside a character.
    encoding_ = utf16 ? *utf16 : eight_bit_encoding(text_);
}

bool ProfileText::utf16() const {
    return encoding_ == ProfileEncoding::kUtf16Le || encoding_ == ProfileEncoding::kUtf16Be;
}

std::optional<std::string> ProfileText::to_file(std::string_view utf8) const {
    if (encoding_ == ProfileEncoding::kLegacy) {
        return Utf8ToGb18030(utf8);
    }
    if (!IsValidUtf8(utf8)) {
        return std::nullopt;
    }
    return std::string(utf8);
}

std::string ProfileText::to_caller(std::string_view piece) const {
    if (encoding_ == ProfileEncoding::kLegacy) {
        return Gb18030ToUtf8(piece);
    }
    return ToValidUtf8(piece);
}

std::optional<std::string> ProfileText::encoded(std::string_view text) const {
    if (encoding_ == ProfileEncoding::kLegacy && eight_bit_encoding(text) != encoding_ &&
        !IsAscii(text)) {
        return std::nullopt;
    }
    if (!utf16()) {
        return std::string(text);
    }
    std::string bytes(big_endian() ? kUtf16BeMark : kUtf16LeMark);
    bytes.append(Utf8ToUtf16(text, big_endian()));
    return bytes.append(tail_);
}

}  // namespace vantel
