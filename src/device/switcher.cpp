#include "device/switcher.h"

#include <algorithm>

#include "link/frame.h"
#include "link/mark.h"

namespace vantel {

namespace {

enum Command : std::uint8_t {
    kReadSetup = 5,
    kWriteSetup = 6,
    kReadImage = 7,
    kRecallScene = 8,
    kStoreScene = 9,
    kSwitch = 12,
};

CSwitcher::Reply Status(std::uint8_t status) {
    return CSwitcher::Reply{status, {}, false};
}

bool ValidCount(int count) {
    return count >= 1 && count <= CSwitcher::kMaxPorts;
}

void PutAddress(CSwitcher::SetupBlock& block, std::size_t offset,
                std::array<std::uint8_t, 4> address) {
    std::copy(address.begin(), address.end(), block.begin() + static_cast<std::ptrdiff_t>(offset));
}

// Drops every route that names an input beyond `inputs` and sizes the routing to `outputs`.
void FitRouting(CSwitcher::Routing& routing, int inputs, int outputs) {
    routing.resize(static_cast<std::size_t>(outputs), 0);
    for (auto& source : routing) {
        if (source > inputs) {
            source = 0;
        }
    }
}

}  // namespace

CSwitcher::SetupBlock CSwitcher::DefaultSetup(int inputs, int outputs) {
    // The bytes the device does not interpret still carry fixed content, so that a client
    // which fails to send them back unchanged is caught.
    SetupBlock block{};
    PutMark(block);
    const std::array<std::uint8_t, 8> serial{0x56, 0x54, 0x4C, 0x31, 0x02, 0x07, 0x11, 0x22};
    const std::array<std::uint8_t, 6> hardware{0x02, 0x56, 0x54, 0x10, 0x20, 0x01};
    const std::array<std::uint8_t, 5> network{0xA1, 0x0F, 0x03, 0x30, 0x7E};
    std::copy(serial.begin(), serial.end(), block.begin() + 4);
    std::copy(hardware.begin(), hardware.end(), block.begin() + 20);
    std::copy(network.begin(), network.end(), block.begin() + 30);
    block[38] = 0x5A;
    block[39] = 0xA5;
    block[kBuzzerOffset] = 1;
    PutAddress(block, kGatewayOffset, {192, 168, 1, 1});
    PutAddress(block, kMaskOffset, {255, 255, 255, 0});
    PutAddress(block, kAddressOffset, {192, 168, 1, 80});
    block[kInputCountOffset] = static_cast<std::uint8_t>(std::clamp(inputs, 1, kMaxPorts));
    block[kOutputCountOffset] = static_cast<std::uint8_t>(std::clamp(outputs, 1, kMaxPorts));
    return block;
}

CSwitcher::CSwitcher(int inputs, int outputs) : m_setup(DefaultSetup(inputs, outputs)) {
    const int m = Inputs();
    const int n = Outputs();
    for (auto& routing : m_routings) {
        routing.assign(static_cast<std::size_t>(n), 0);
    }
    for (int j = 0; j < n && j < m; ++j) {
        m_routings[0][static_cast<std::size_t>(j)] = static_cast<std::uint8_t>(j + 1);
    }
}

std::optional<CSwitcher> CSwitcher::FromParts(const SetupBlock& setup,
                                              const std::vector<Routing>& routings,
                                              std::string* error) {
    auto fail = [error](const char* why) -> std::optional<CSwitcher> {
        if (error != nullptr) {
            *error = why;
        }
        return std::nullopt;
    };
    if (!HasMark(setup)) {
        return fail("setup block without the mark");
    }
    const int m = setup[kInputCountOffset];
    const int n = setup[kOutputCountOffset];
    if (!ValidCount(m) || !ValidCount(n)) {
        return fail("input or output count outside 1..72");
    }
    if (routings.size() != static_cast<std::size_t>(kRoutingCount)) {
        return fail("wrong number of routings");
    }
    CSwitcher device(m, n);
    device.m_setup = setup;
    for (std::size_t i = 0; i < routings.size(); ++i) {
        const Routing& routing = routings[i];
        if (routing.size() != static_cast<std::size_t>(n)) {
            return fail("routing length differs from the output count");
        }
        if (std::any_of(routing.begin(), routing.end(), [m](std::uint8_t v) { return v > m; })) {
            return fail("routing names an input that does not exist");
        }
        device.m_routings[i] = routing;
    }
    return device;
}

CSwitcher::Image CSwitcher::StateImage(int scene) const {
    Image image{};
    PutMark(image);
    const int m = Inputs();
    const int n = Outputs();
    image[4] = static_cast<std::uint8_t>(m + n);
    image[5] = static_cast<std::uint8_t>(m);
    image[6] = static_cast<std::uint8_t>(n);
    for (int k = 0; k < m; ++k) {
        image[static_cast<std::size_t>(7 + k)] = static_cast<std::uint8_t>(k + 1);
    }
    const Routing& routing = m_routings.at(static_cast<std::size_t>(scene));
    std::copy(routing.begin(), routing.end(), image.begin() + 7 + m);
    return image;
}

CSwitcher::Reply CSwitcher::Handle(std::uint8_t cmd, std::span<const std::uint8_t> payload) {
    switch (cmd) {
        case kReadSetup:
            return ReadSetup(payload);
        case kWriteSetup:
            return WriteSetup(payload);
        case kReadImage:
            return ReadImage(payload);
        case kRecallScene:
            return RecallScene(payload);
        case kStoreScene:
            return StoreScene(payload);
        case kSwitch:
            return Switch(payload);
        default:
            return Status(kStatusUnknownCommand);
    }
}

CSwitcher::Reply CSwitcher::ReadSetup(std::span<const std::uint8_t> payload) const {
    if (!payload.empty()) {
        return Status(kStatusBadLength);
    }
    return Reply{kStatusOk, {m_setup.begin(), m_setup.end()}, false};
}

CSwitcher::Reply CSwitcher::WriteSetup(std::span<const std::uint8_t> payload) {
    if (payload.size() != kSetupSize) {
        return Status(kStatusBadLength);
    }
    if (!HasMark(payload)) {
        return Status(kStatusNoMark);
    }
    if (!ValidCount(payload[kInputCountOffset]) || !ValidCount(payload[kOutputCountOffset])) {
        return Status(kStatusOutOfRange);
    }
    const SetupBlock before = m_setup;
    const auto routingsBefore = m_routings;
    std::copy(payload.begin(), payload.end(), m_setup.begin());
    Resize(Inputs(), Outputs());
    return Reply{kStatusOk, {}, before != m_setup || routingsBefore != m_routings};
}

void CSwitcher::Resize(int inputs, int outputs) {
    for (auto& routing : m_routings) {
        FitRouting(routing, inputs, outputs);
    }
}

CSwitcher::Reply CSwitcher::ReadImage(std::span<const std::uint8_t> payload) const {
    if (payload.size() != 1) {
        return Status(kStatusBadLength);
    }
    if (payload[0] > kSceneCount) {
        return Status(kStatusOutOfRange);
    }
    const Image image = StateImage(payload[0]);
    return Reply{kStatusOk, {image.begin(), image.end()}, false};
}

CSwitcher::Reply CSwitcher::RecallScene(std::span<const std::uint8_t> payload) {
    if (payload.size() != 2) {
        return Status(kStatusBadLength);
    }
    if (payload[0] != 0 || payload[1] > kSceneCount) {
        return Status(kStatusOutOfRange);
    }
    // Scene 0 is the live routing itself: recalling it leaves everything as it is.
    const Routing& scene = m_routings[payload[1]];
    const bool changed = scene != m_routings[0];
    m_routings[0] = scene;
    return Reply{kStatusOk, {}, changed};
}

CSwitcher::Reply CSwitcher::StoreScene(std::span<const std::uint8_t> payload) {
    if (payload.size() != 2) {
        return Status(kStatusBadLength);
    }
    if (payload[0] < 1 || payload[0] > kSceneCount || payload[1] != 0) {
        return Status(kStatusOutOfRange);
    }
    Routing& scene = m_routings[payload[0]];
    const bool changed = scene != m_routings[0];
    scene = m_routings[0];
    return Reply{kStatusOk, {}, changed};
}

CSwitcher::Reply CSwitcher::Switch(std::span<const std::uint8_t> payload) {
    if (payload.empty()) {
        return Status(kStatusBadLength);
    }
    const int m = Inputs();
    const int n = Outputs();
    const int input = payload[0];
    const auto outputs = payload.subspan(1);
    const bool portsValid = std::all_of(outputs.begin(), outputs.end(),
                                        [m, n](std::uint8_t p) { return p >= m && p < m + n; });
    if (input >= m || !portsValid) {
        return Status(kStatusOutOfRange);
    }
    // The listed outputs become exactly the outputs fed by the input.
    Routing& live = m_routings[0];
    const Routing before = live;
    const auto id = static_cast<std::uint8_t>(input + 1);
    std::replace(live.begin(), live.end(), id, std::uint8_t{0});
    for (const std::uint8_t port : outputs) {
        live[static_cast<std::size_t>(port - m)] = id;
    }
    return Reply{kStatusOk, {}, before != live};
}

}  // namespace vantel
