#include "link/setupcheck.h"

#include <climits>

namespace vantel {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

int ParseCountText(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // Accumulated as a negative number, whose range includes INT_MIN.
    long long value = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        value = value * 10 - (text[i] - '0');
        if (value < INT_MIN) {
            return negative ? INT_MIN : INT_MAX;
        }
    }
    if (negative) {
        return static_cast<int>(value);
    }
    return value < -static_cast<long long>(INT_MAX) ? INT_MAX : static_cast<int>(-value);
}

std::optional<std::uint8_t> CheckedCount(std::string_view text) {
    const int count = ParseCountText(text);
    if (count < kMinSetupCount || count > kMaxSetupCount) {
        return std::nullopt;
    }
    return static_cast<std::uint8_t>(count);
}

std::optional<bool> ParseBuzzerText(std::string_view text) {
    if (text == "on") {
        return true;
    }
    if (text == "off") {
        return false;
    }
    return std::nullopt;
}

}  // namespace vantel
