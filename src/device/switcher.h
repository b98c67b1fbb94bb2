#pragma once
// CSwitcher: the matrix switcher as the device itself keeps it. Holds the 40-byte setup block
// (which carries the input and output counts), the live routing and the eleven stored scenes,
// and answers the device commands 5, 6, 7, 8, 9 and 12. A refused command changes nothing.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vantel {

class CSwitcher {
public:
    static constexpr int kMaxPorts = 72;  // inputs, and outputs, at most
    static constexpr int kSceneCount = 11;
    static constexpr std::size_t kSetupSize = 40;
    static constexpr std::size_t kImageSize = 508;
    // Offsets inside the setup block.
    static constexpr std::size_t kGatewayOffset = 12;
    static constexpr std::size_t kMaskOffset = 16;
    static constexpr std::size_t kAddressOffset = 26;
    static constexpr std::size_t kInputCountOffset = 35;
    static constexpr std::size_t kOutputCountOffset = 36;
    static constexpr std::size_t kBuzzerOffset = 37;

    using SetupBlock = std::array<std::uint8_t, kSetupSize>;
    using Image = std::array<std::uint8_t, kImageSize>;
    // One byte per output: the identifier (k + 1) of the input feeding it, 0 for none.
    using Routing = std::vector<std::uint8_t>;

    struct Reply {
        std::uint8_t status = 0;
        std::vector<std::uint8_t> payload;
        bool changed = false;  // the device's kept state differs from before the command
    };

    // A device with default settings and the given counts (each 1 to kMaxPorts; anything else
    // is clamped into that range). Output j starts fed by input j where that input exists.
    explicit CSwitcher(int inputs = 8, int outputs = 8);

    // Rebuilds a device from kept parts: the setup block and 1 + kSceneCount routings (the
    // live one first). Nothing when the parts do not describe a valid device; why goes to
    // *error when given.
    static std::optional<CSwitcher> FromParts(const SetupBlock& setup,
                                              const std::vector<Routing>& routings,
                                              std::string* error = nullptr);

    Reply Handle(std::uint8_t cmd, std::span<const std::uint8_t> payload);

    int Inputs() const { return m_setup[kInputCountOffset]; }
    int Outputs() const { return m_setup[kOutputCountOffset]; }
    const SetupBlock& Setup() const { return m_setup; }
    // Scene 0 is the live routing, 1 to kSceneCount the stored scenes.
    const Routing& SceneRouting(int scene) const { return m_routings.at(scene); }
    Image StateImage(int scene) const;

    static SetupBlock DefaultSetup(int inputs, int outputs);

private:
    static constexpr int kRoutingCount = 1 + kSceneCount;

    Reply ReadSetup(std::span<const std::uint8_t> payload) const;
    Reply WriteSetup(std::span<const std::uint8_t> payload);
    Reply ReadImage(std::span<const std::uint8_t> payload) const;
    Reply RecallScene(std::span<const std::uint8_t> payload);
    Reply StoreScene(std::span<const std::uint8_t> payload);
    Reply Switch(std::span<const std::uint8_t> payload);
    void Resize(int inputs, int outputs);

    SetupBlock m_setup{};
    std::array<Routing, kRoutingCount> m_routings;
};

}  // namespace vantel
