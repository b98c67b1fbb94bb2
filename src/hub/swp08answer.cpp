#include "hub/swp08answer.h"

#include <algorithm>

namespace vantel {

using namespace swp08;

namespace {

std::uint8_t Byte(int value) {
    return static_cast<std::uint8_t>(value & 0xFF);
}

// The multiplier byte: bits 4-6 the high number DIV 128, bits 0-2 the low number DIV 128.
std::uint8_t Multiplier(int high, int low) {
    return Byte((((high / 128) & 0x07) << 4) | ((low / 128) & 0x07));
}

int SourceNumber(const HubSnapshot& state, int output) {
    return state.SourceOf(output).value_or(kNoSource);
}

// How many names of a length one message carries.
int NamesPerMessage(int length) {
    switch (length) {
        case 4:
            return 32;
        case 8:
            return 16;
        default:
            return 10;
    }
}

std::uint8_t LengthCode(int length) {
    return Byte(length / 4 - 1);
}

// A UTF-8 continuation byte belongs to the character before it.
bool Continues(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

}  // namespace

Swp08Message TallyMessage(std::uint8_t cmd, bool extended, int output, std::optional<int> input) {
    const int source = input.value_or(kNoSource);
    if (extended) {
        return {cmd, 0, 0, Byte(output / 256), Byte(output), Byte(source / 256), Byte(source)};
    }
    return {cmd, 0, Multiplier(output, source), Byte(output % 128), Byte(source % 128)};
}

std::vector<Swp08Message> DumpMessages(const HubSnapshot& state, bool extended) {
    std::vector<Swp08Message> messages;
    if (!state.present) {
        return messages;
    }
    for (int first = 0; first < state.Outputs(); first += kMaxDumpTallies) {
        const int count = std::min(kMaxDumpTallies, state.Outputs() - first);
        Swp08Message m =
            extended ? Swp08Message{kTallyDumpExt, 0, 0} : Swp08Message{kTallyDumpWord, 0};
        m.insert(m.end(), {Byte(count), Byte(first / 256), Byte(first)});
        for (int j = first; j < first + count; ++j) {
            const int source = SourceNumber(state, j);
            m.push_back(Byte(source / 256));
            m.push_back(Byte(source));
        }
        messages.push_back(std::move(m));
    }
    return messages;
}

std::string NameField(const std::string& label, int length) {
    std::string name;
    for (const unsigned char c : label) {
        if (Continues(c)) {
            continue;
        }
        name += c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '?';
    }
    name.resize(static_cast<std::size_t>(length), ' ');
    return name;
}

std::vector<Swp08Message> NameMessages(const HubSnapshot& state, bool sources, int length,
                                       bool extended) {
    std::vector<Swp08Message> messages;
    if (!state.present) {
        return messages;
    }
    const auto& labels = sources ? state.inputLabels : state.outputLabels;
    const int total = sources ? state.Inputs() : state.Outputs();
    const int per = NamesPerMessage(length);
    for (int first = 0; first < total; first += per) {
        const int count = std::min(per, total - first);
        Swp08Message m;
        if (extended) {
            m = sources ? Swp08Message{kSourceNamesExt, 0, 0} : Swp08Message{kDestNamesExt, 0};
        } else {
            m = Swp08Message{sources ? kSourceNames : kDestNames, 0};
        }
        m.insert(m.end(), {LengthCode(length), Byte(first / 256), Byte(first), Byte(count)});
        for (int k = first; k < first + count; ++k) {
            const auto index = static_cast<std::size_t>(k);
            const std::string label = index < labels.size() && !labels[index].empty()
                                          ? labels[index]
                                          : std::to_string(k + 1);
            const std::string field = NameField(label, length);
            m.insert(m.end(), field.begin(), field.end());
        }
        messages.push_back(std::move(m));
    }
    return messages;
}

Swp08Message ProtectMessage(std::uint8_t cmd, bool isProtected, int output, int device) {
    return {cmd,
            Byte(isProtected ? 1 : 0),
            0,
            Multiplier(output, device),
            Byte(output % 128),
            Byte(device % 128)};
}

Swp08Message ImplementationMessage() {
    const Swp08Message served{kInterrogate,         kConnect,
                              kDualStatusRequest,   kProtectInterrogate,
                              kProtectConnect,      kProtectDisconnect,
                              kTallyDumpRequest,    kImplementationRequest,
                              kSourceNamesRequest,  kDestNamesRequest,
                              kInterrogateExt,      kConnectExt,
                              kTallyDumpRequestExt, kSourceNamesRequestExt,
                              kDestNamesRequestExt};
    const Swp08Message sent{kTally,         kConnected,        kDualStatus,
                            kProtectTally,  kProtectConnected, kProtectDisconnected,
                            kTallyDumpWord, kImplementation,   kSourceNames,
                            kDestNames,     kTallyExt,         kConnectedExt,
                            kTallyDumpExt,  kSourceNamesExt,   kDestNamesExt};
    Swp08Message m{kImplementation, Byte(static_cast<int>(served.size())),
                   Byte(static_cast<int>(sent.size()))};
    m.insert(m.end(), served.begin(), served.end());
    m.insert(m.end(), sent.begin(), sent.end());
    return m;
}

Swp08Message DualStatusMessage() {
    // Byte 1: bit 1 set, this controller is the active one (bit 0 clear: the first one).
    // Byte 2: 0, no fault to report.
    return {kDualStatus, 0x02, 0x00};
}

std::vector<Swp08Message> AnswerFromState(const Swp08Request& request, const HubSnapshot& state) {
    switch (request.kind) {
        case Swp08Kind::kImplementation:
            return {ImplementationMessage()};
        case Swp08Kind::kDualStatus:
            return {DualStatusMessage()};
        default:
            break;
    }
    if (!state.present) {
        return {};
    }
    switch (request.kind) {
        case Swp08Kind::kInterrogate:
            return {TallyMessage(request.extended ? kTallyExt : kTally, request.extended,
                                 request.output, state.SourceOf(request.output))};
        case Swp08Kind::kTallyDump:
            return DumpMessages(state, request.extended);
        case Swp08Kind::kSourceNames:
        case Swp08Kind::kDestNames:
            return NameMessages(state, request.kind == Swp08Kind::kSourceNames, request.nameLength,
                                request.extended);
        case Swp08Kind::kProtectInterrogate: {
            const auto index = static_cast<std::size_t>(request.output);
            const bool locked =
                index < state.lockOwners.size() && !state.lockOwners[index].IsNobody();
            return {ProtectMessage(kProtectTally, locked, request.output, request.device)};
        }
        default:
            return {};
    }
}

}  // namespace vantel
