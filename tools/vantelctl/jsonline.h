#pragma once
// The one place where vantelctl turns JSON values into text: compact, one object per line.

#include <nlohmann/json.hpp>
#include <string>

namespace vantel {

// Version of the JSON output; raised only when a field changes meaning or disappears.
inline constexpr int kJsonVersion = 1;

// A JSON object that starts with the version field.
inline nlohmann::ordered_json JsonObject() {
    return nlohmann::ordered_json{{"version", kJsonVersion}};
}

// Compact text of the value. Texts that are not valid UTF-8 (a button label typed in another
// code page) get U+FFFD for their bad bytes instead of breaking the output.
inline std::string JsonLine(const nlohmann::ordered_json& value) {
    return value.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

}  // namespace vantel
