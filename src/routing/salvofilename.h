#pragma once
// The file name under which a salvo is kept. Derived from the name, so it reads well in a file
// manager, and safe whatever the name holds: only ASCII letters, digits and '-' from the name
// (so no '/', no "..", no control or hidden-file characters), at most kMaxSlugBytes of them,
// then a hash of the whole name, so names that slug alike still get different files.

#include <cstddef>
#include <string>
#include <string_view>

namespace vantel {

inline constexpr std::size_t kMaxSlugBytes = 40;
inline constexpr const char* kSalvoFileSuffix = ".json";

// "<slug>-<8 hex digits>.json"; attempt > 0 appends "-<attempt>" before the suffix, for the
// rare name whose hash meets another's.
std::string SalvoFileName(std::string_view name, int attempt = 0);

}  // namespace vantel
