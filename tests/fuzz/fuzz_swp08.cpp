// Feeds arbitrary bytes to the SW-P-08 face's decoder, whole and in two pieces, and every
// message it finds to the request parser and the answers, for a small device and a 72 x 72 one.
// A decoded message encodes back to a frame that decodes to it; the pieces decode like the
// whole; every number parsed lies within the device; every answer fits one frame.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "hub/swp08answer.h"
#include "hub/swp08framing.h"
#include "hub/swp08request.h"

namespace {

using vantel::Swp08Event;

void Check(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

vantel::HubSnapshot State(int ports) {
    vantel::HubSnapshot state;
    state.present = true;
    std::vector<int> sources(static_cast<std::size_t>(ports));
    for (int j = 0; j < ports; ++j) {
        sources[static_cast<std::size_t>(j)] = j % 3 == 0 ? -1 : ports - 1 - j;
    }
    state.image = CStateImage::FromRoutes(static_cast<std::uint8_t>(ports), sources);
    state.inputLabels.assign(static_cast<std::size_t>(ports), "\xC3\xA9l\x01label long enough");
    state.outputLabels.assign(static_cast<std::size_t>(ports), "");
    state.lockOwners.assign(static_cast<std::size_t>(ports), vantel::LockOwner());
    return state;
}

void Serve(const std::vector<std::uint8_t>& message, const vantel::HubSnapshot& state) {
    const auto request = vantel::ParseSwp08(message, state.Inputs(), state.Outputs());
    if (request.kind != vantel::Swp08Kind::kIgnore) {
        Check(request.output >= 0 && request.output < state.Outputs());
        Check(request.input >= 0 && request.input < state.Inputs());
    }
    for (const auto& answer : vantel::AnswerFromState(request, state)) {
        Check(!answer.empty() && answer.size() <= vantel::swp08::kMaxMessage);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    std::vector<Swp08Event> whole;
    vantel::CSwp08Decoder decoder;
    decoder.Feed(bytes, whole);
    Check(whole.size() <= size);

    std::vector<Swp08Event> pieces;
    vantel::CSwp08Decoder split;
    const std::size_t cut = size == 0 ? 0 : data[0] % size;
    split.Feed(bytes.first(cut), pieces);
    split.Feed(bytes.subspan(cut), pieces);
    Check(pieces == whole);

    static const vantel::HubSnapshot small = State(4);
    static const vantel::HubSnapshot large = State(72);
    for (const auto& event : whole) {
        if (event.kind != Swp08Event::Kind::kMessage) {
            continue;
        }
        Check(!event.message.empty() && event.message.size() <= vantel::swp08::kMaxMessage);
        std::vector<Swp08Event> again;
        vantel::CSwp08Decoder check;
        check.Feed(vantel::EncodeSwp08(event.message), again);
        Check(again.size() == 1 && again[0] == event);
        Serve(event.message, small);
        Serve(event.message, large);
    }
    return 0;
}
