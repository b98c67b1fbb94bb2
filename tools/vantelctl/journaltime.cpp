#include "journaltime.h"

#include <algorithm>
#include <charconv>
#include <ctime>

namespace vantel {

namespace {

// The decimal number of exactly width digits at text[pos], advancing pos.
std::optional<int> Digits(std::string_view text, std::size_t& pos, std::size_t width) {
    if (pos + width > text.size()) {
        return std::nullopt;
    }
    int value = 0;
    for (std::size_t i = pos; i < pos + width; ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return std::nullopt;
        }
        value = value * 10 + (text[i] - '0');
    }
    pos += width;
    return value;
}

bool Take(std::string_view text, std::size_t& pos, std::string_view any) {
    if (pos < text.size() && any.find(text[pos]) != std::string_view::npos) {
        ++pos;
        return true;
    }
    return false;
}

std::optional<std::int64_t> UnixSeconds(std::string_view text) {
    std::int64_t seconds = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), seconds);
    if (result.ec != std::errc{} || result.ptr != text.data() + text.size() ||
        seconds > INT64_MAX / 1000) {
        return std::nullopt;
    }
    return seconds * 1000;
}

// Milliseconds of ".fff..." (any number of digits, the first three count); 0 when absent.
std::optional<int> Fraction(std::string_view text, std::size_t& pos) {
    if (!Take(text, pos, ".")) {
        return 0;
    }
    const std::size_t begin = pos;
    int millis = 0;
    for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
        if (pos - begin < 3) {
            millis = millis * 10 + (text[pos] - '0');
        }
    }
    if (pos == begin) {
        return std::nullopt;
    }
    for (std::size_t n = pos - begin; n < 3; ++n) {
        millis *= 10;
    }
    return millis;
}

// The zone's offset from UTC in seconds: "Z" or "+HH:MM" / "-HH:MM", ending the text.
std::optional<int> ZoneOffset(std::string_view text, std::size_t& pos) {
    if (Take(text, pos, "Zz")) {
        return pos == text.size() ? std::optional<int>(0) : std::nullopt;
    }
    const bool east = pos < text.size() && text[pos] == '+';
    if (!Take(text, pos, "+-")) {
        return std::nullopt;
    }
    const auto hours = Digits(text, pos, 2);
    const auto minutes = Take(text, pos, ":") ? Digits(text, pos, 2) : std::nullopt;
    if (!hours || !minutes || *hours > 23 || *minutes > 59 || pos != text.size()) {
        return std::nullopt;
    }
    const int offset = *hours * 3600 + *minutes * 60;
    return east ? offset : -offset;
}

// The fields of a calendar time, read one after the other; -1 for one that is missing.
struct Calendar {
    int year = -1, month = -1, day = -1, hour = -1, minute = -1, second = 0;

    bool Valid() const {
        return year >= 0 && month >= 1 && month <= 12 && day >= 1 && day <= 31 && hour >= 0 &&
               hour <= 23 && minute >= 0 && minute <= 59 && second >= 0 && second <= 60;
    }
};

int Field(std::string_view text, std::size_t& pos, std::size_t width) {
    return Digits(text, pos, width).value_or(-1);
}

Calendar ReadCalendar(std::string_view text, std::size_t& pos) {
    Calendar c;
    c.year = Field(text, pos, 4);
    c.month = Take(text, pos, "-") ? Field(text, pos, 2) : -1;
    c.day = Take(text, pos, "-") ? Field(text, pos, 2) : -1;
    c.hour = Take(text, pos, "Tt ") ? Field(text, pos, 2) : -1;
    c.minute = Take(text, pos, ":") ? Field(text, pos, 2) : -1;
    c.second = Take(text, pos, ":") ? Field(text, pos, 2) : 0;
    return c;
}

std::optional<std::int64_t> IsoTime(std::string_view text) {
    std::size_t pos = 0;
    const Calendar c = ReadCalendar(text, pos);
    if (!c.Valid()) {
        return std::nullopt;
    }
    const auto millis = Fraction(text, pos);
    const auto offset = millis ? ZoneOffset(text, pos) : std::nullopt;
    if (!offset) {
        return std::nullopt;
    }
    std::tm tm{};
    tm.tm_year = c.year - 1900;
    tm.tm_mon = c.month - 1;
    tm.tm_mday = c.day;
    tm.tm_hour = c.hour;
    tm.tm_min = c.minute;
    tm.tm_sec = c.second;
    const std::int64_t utc = static_cast<std::int64_t>(::timegm(&tm)) - *offset;
    return utc * 1000 + *millis;
}

}  // namespace

std::optional<std::int64_t> ParseTimeMs(std::string_view text) {
    const bool digitsOnly = !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
        return c >= '0' && c <= '9';
    });
    return digitsOnly ? UnixSeconds(text) : IsoTime(text);
}

}  // namespace vantel
