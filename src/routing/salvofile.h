#pragma once
// The text of a salvo file: a small JSON object, one route per line so that a file reads and
// diffs well by hand.
//
//   {"format": "vantel-salvo", "version": 1, "name": "Evening news",
//    "routes": [
//     {"output": 1, "input": 3},
//     {"output": 2, "input": 0}
//    ]}

#include <cstddef>
#include <string>
#include <string_view>

#include "routing/salvo.h"

namespace vantel {

inline constexpr const char* kSalvoFormat = "vantel-salvo";
inline constexpr int kSalvoFormatVersion = 1;
// No salvo file is larger: 72 routes and the longest name, escaped, fit well within it.
inline constexpr std::size_t kMaxSalvoFileBytes = 64 * 1024;

std::string FormatSalvoFile(const Salvo& salvo);

// Reads a salvo file's text into salvo. Returns why it is not a salvo of ours, or empty: not
// JSON (with the line and column), a key given twice in one object, another format (a foreign
// file), a newer version, a bad name, a route not of whole numbers or out of range (each
// number shown as written, however large), an output given twice, or text beyond
// kMaxSalvoFileBytes. "input": null reads as no input (0).
std::string ParseSalvoFile(std::string_view text, Salvo& salvo);

// The name a salvo file's text gives even where ParseSalvoFile refuses it (its JSON read
// leniently, the last of duplicate keys winning), or empty when it gives none.
std::string SalvoFileClaimedName(std::string_view text);

}  // namespace vantel
