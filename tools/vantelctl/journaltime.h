#pragma once
// Times as "log --since" takes them and as the journal writes them, in milliseconds since
// 1970-01-01 UTC.

#include <cstdint>
#include <optional>
#include <string_view>

namespace vantel {

// A Unix time in whole seconds (digits only), or an ISO 8601 time with its zone:
// YYYY-MM-DDTHH:MM[:SS[.fff]] followed by Z or +HH:MM / -HH:MM (a blank may stand for the T).
// Nothing for any other text, a time without a zone included (its meaning would depend on
// the machine).
std::optional<std::int64_t> ParseTimeMs(std::string_view text);

}  // namespace vantel
