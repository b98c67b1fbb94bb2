#include "routing/salvo.h"

namespace vantel {

namespace {

// Length of the UTF-8 sequence starting at text[i], or 0 when it is not a whole, shortest-form
// sequence of a scalar value.
std::size_t Utf8SequenceLength(std::string_view text, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    if (lead < 0x80) {
        return 1;
    }
    std::size_t length = 0;
    unsigned value = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2;
        value = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        value = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        value = lead & 0x07;
    } else {
        return 0;
    }
    if (i + length > text.size()) {
        return 0;
    }
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) {
            return 0;
        }
        value = (value << 6) | (byte(i + k) & 0x3F);
    }
    static constexpr unsigned kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    const bool surrogate = value >= 0xD800 && value <= 0xDFFF;
    return value < kSmallest[length] || value > 0x10FFFF || surrogate ? 0 : length;
}

}  // namespace

std::string SalvoNameProblem(std::string_view name) {
    if (name.empty()) {
        return "the name is empty";
    }
    if (name.size() > Salvo::kMaxNameBytes) {
        return "the name is longer than " + std::to_string(Salvo::kMaxNameBytes) + " bytes";
    }
    for (std::size_t i = 0; i < name.size();) {
        if (name[i] == '\0') {
            return "the name holds a NUL character";
        }
        const std::size_t length = Utf8SequenceLength(name, i);
        if (length == 0) {
            return "the name is not valid UTF-8";
        }
        i += length;
    }
    return {};
}

std::string SalvoRoutesProblem(const std::map<int, int>& routes) {
    for (const auto& [output, input] : routes) {
        if (output < 1 || output > Salvo::kMaxOutputs) {
            return "output " + std::to_string(output) + " is outside 1.." +
                   std::to_string(Salvo::kMaxOutputs);
        }
        if (input < 0 || input > Salvo::kMaxInputs) {
            return "input " + std::to_string(input) + " of output " + std::to_string(output) +
                   " is outside 0.." + std::to_string(Salvo::kMaxInputs);
        }
    }
    return {};
}

}  // namespace vantel
