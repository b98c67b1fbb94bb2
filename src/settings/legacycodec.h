#pragma once
// The legacy 8-bit code page of setup.ini files saved on Chinese-locale Windows machines:
// GB18030, a superset of GBK that can represent every Unicode character. Conversions go
// through the C library's iconv.

#include <optional>
#include <string>
#include <string_view>

namespace vantel {

// GB18030 bytes as UTF-8; a byte that starts no valid sequence becomes U+FFFD.
std::string Gb18030ToUtf8(std::string_view bytes);

// UTF-8 text as GB18030 bytes; nothing when text is not valid UTF-8 or cannot be converted.
std::optional<std::string> Utf8ToGb18030(std::string_view text);

}  // namespace vantel
