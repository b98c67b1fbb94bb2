#pragma once
// JSON text as files edited by hand need it read: a key given twice in one object is refused
// (a reader that let the last one win would silently drop what the first said), and a number
// that is not a whole number within 64 bits keeps the text it was written with, so a message
// can show it as written instead of a rounded or wrapped value.

#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace vantel {

// Reads text into doc. Returns why it is not such JSON (the line and column of a syntax error,
// the key given twice), or empty. A number with a fraction, an exponent or beyond the 64-bit
// integers is held as a binary value holding its text: JSON text has no binary values, so
// nothing else reads as one.
std::string ParseStrictJson(std::string_view text, nlohmann::json& doc);

// The text of a number held so, or the JSON text of any other value.
std::string JsonValueText(const nlohmann::json& value);

}  // namespace vantel
