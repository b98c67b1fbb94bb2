#pragma once
// The checks that the device's own settings pass before they are written back: the input
// and output counts typed as text, and the buzzer text. Shared by the setup page and the
// command-line client, so both accept exactly the same texts.

#include <cstdint>
#include <optional>
#include <string_view>

namespace vantel {

// Counts that may be written to the device.
inline constexpr int kMinSetupCount = 1;
inline constexpr int kMaxSetupCount = 48;

// Reads a count the way "%d" reads it: leading white space is skipped, an optional sign and
// the decimal digits up to the first other character are taken ("12abc" gives 12), and a text
// that does not begin with a number gives 0. Values beyond the range of int saturate.
int ParseCountText(std::string_view text);

// The count of the text when it lies in kMinSetupCount..kMaxSetupCount, else nothing.
std::optional<std::uint8_t> CheckedCount(std::string_view text);

// Exactly "on" gives true, exactly "off" false (letter case counts); any other text nothing.
std::optional<bool> ParseBuzzerText(std::string_view text);

}  // namespace vantel
