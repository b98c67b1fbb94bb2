#include "hub/swp08request.h"

#include <optional>

namespace vantel {

using namespace swp08;

namespace {

// The name length a request's length code asks for: 4, 8 or 12 characters.
std::optional<int> NameLength(std::uint8_t code) {
    switch (code) {
        case 0:
            return 4;
        case 1:
            return 8;
        case 2:
            return 12;
        default:
            return std::nullopt;
    }
}

// A number of the standard form: bits 4-6 of the multiplier (DIV 128) and a byte (MOD 128).
int HighNumber(std::uint8_t multiplier, std::uint8_t low) {
    return ((multiplier >> 4) & 0x07) * 128 + (low & 0x7F);
}
int LowNumber(std::uint8_t multiplier, std::uint8_t low) {
    return (multiplier & 0x07) * 128 + (low & 0x7F);
}
int Word(std::uint8_t high, std::uint8_t low) {
    return high * 256 + low;
}

struct Counts {
    int inputs;
    int outputs;
    bool Output(int j) const { return j >= 0 && j < outputs; }
    bool Input(int i) const { return i >= 0 && i < inputs; }
};

Swp08Request Ignore() {
    return {};
}

Swp08Request Numbered(Swp08Kind kind, bool extended, int output, int input, const Counts& counts) {
    if (!counts.Output(output) || (kind == Swp08Kind::kConnect && !counts.Input(input))) {
        return Ignore();
    }
    Swp08Request request{kind, extended};
    request.output = output;
    request.input = input;
    return request;
}

Swp08Request Protect(Swp08Kind kind, std::span<const std::uint8_t> m, const Counts& counts) {
    if (m[1] != 0 || !counts.Output(HighNumber(m[2], m[3]))) {
        return Ignore();
    }
    Swp08Request request{kind, false};
    request.output = HighNumber(m[2], m[3]);
    request.device = LowNumber(m[2], m[4]);
    return request;
}

Swp08Request Names(Swp08Kind kind, bool extended, bool levelZero, std::uint8_t code) {
    const auto length = NameLength(code);
    if (!levelZero || !length) {
        return Ignore();
    }
    Swp08Request request{kind, extended};
    request.nameLength = *length;
    return request;
}

// The fields each request needs, command byte included.
std::size_t Needed(std::uint8_t cmd) {
    switch (cmd) {
        case kDualStatusRequest:
        case kImplementationRequest:
            return 1;
        case kTallyDumpRequest:
            return 2;
        case kSourceNamesRequest:
        case kDestNamesRequest:
        case kTallyDumpRequestExt:
        case kDestNamesRequestExt:
            return 3;
        case kInterrogate:
        case kSourceNamesRequestExt:
            return 4;
        case kConnect:
        case kProtectInterrogate:
        case kProtectConnect:
        case kProtectDisconnect:
        case kInterrogateExt:
            return 5;
        case kConnectExt:
            return 7;
        default:
            return 0;  // not served
    }
}

Swp08Request Parse(std::span<const std::uint8_t> m, const Counts& counts) {
    switch (m[0]) {
        case kInterrogate:
            return m[1] != 0 ? Ignore()
                             : Numbered(Swp08Kind::kInterrogate, false, HighNumber(m[2], m[3]), 0,
                                        counts);
        case kConnect:
            return m[1] != 0 ? Ignore()
                             : Numbered(Swp08Kind::kConnect, false, HighNumber(m[2], m[3]),
                                        LowNumber(m[2], m[4]), counts);
        case kInterrogateExt:
            return m[1] != 0 || m[2] != 0
                       ? Ignore()
                       : Numbered(Swp08Kind::kInterrogate, true, Word(m[3], m[4]), 0, counts);
        case kConnectExt:
            return m[1] != 0 || m[2] != 0 ? Ignore()
                                          : Numbered(Swp08Kind::kConnect, true, Word(m[3], m[4]),
                                                     Word(m[5], m[6]), counts);
        case kTallyDumpRequest:
            return m[1] != 0 ? Ignore() : Swp08Request{Swp08Kind::kTallyDump, false};
        case kTallyDumpRequestExt:
            return m[1] != 0 || m[2] != 0 ? Ignore() : Swp08Request{Swp08Kind::kTallyDump, true};
        case kSourceNamesRequest:
            return Names(Swp08Kind::kSourceNames, false, m[1] == 0, m[2]);
        case kDestNamesRequest:
            // Destination names belong to a matrix: the level half of the byte is not used.
            return Names(Swp08Kind::kDestNames, false, (m[1] >> 4) == 0, m[2]);
        case kSourceNamesRequestExt:
            return Names(Swp08Kind::kSourceNames, true, m[1] == 0 && m[2] == 0, m[3]);
        case kDestNamesRequestExt:
            return Names(Swp08Kind::kDestNames, true, m[1] == 0, m[2]);
        case kProtectInterrogate:
            return Protect(Swp08Kind::kProtectInterrogate, m, counts);
        case kProtectConnect:
            return Protect(Swp08Kind::kProtectConnect, m, counts);
        case kProtectDisconnect:
            return Protect(Swp08Kind::kProtectDisconnect, m, counts);
        case kImplementationRequest:
            return {Swp08Kind::kImplementation, false};
        case kDualStatusRequest:
            return {Swp08Kind::kDualStatus, false};
        default:
            return Ignore();
    }
}

}  // namespace

Swp08Request ParseSwp08(std::span<const std::uint8_t> message, int inputs, int outputs) {
    if (message.empty()) {
        return Ignore();
    }
    const std::size_t needed = Needed(message[0]);
    if (needed == 0 || message.size() < needed) {
        return Ignore();
    }
    return Parse(message, Counts{inputs, outputs});
}

}  // namespace vantel
