// Feeds arbitrary bytes through every reader of the state image and the setup block: the
// input is taken as a device reply, cut or zero-padded to each block's length.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "link/setupblock.h"
#include "link/stateimage.h"

namespace {

void Check(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

void ReadImage(std::span<const std::uint8_t> bytes) {
    CStateImage image(bytes);
    const CStateImage copy(image.Raw());
    Check(copy == image);
    image.HasMark();
    std::vector<int> asked{-1, 0, 254, 255, 256};
    for (int j = -1; j <= image.OutputCount(); ++j) {
        if (const auto source = image.SourceOf(j)) {
            Check(*source >= 0 && *source < 255);
            asked.push_back(*source);
        }
    }
    // Every output the switch grid finds for an input names that input. A few inputs only:
    // asking for each of up to 255 would make every run quadratic.
    for (std::size_t i = 0; i < asked.size(); i += 1 + asked.size() / 8) {
        for (int fed : image.OutputsFedBy(asked[i])) {
            Check(image.SourceOf(fed) == asked[i]);
        }
    }
    const auto rows = image.RoutingList();
    Check(rows.size() == static_cast<std::size_t>(image.InputCount()) + 1);
    image.ClearCounts();
    Check(image.RoutingList().size() == 1);
}

void ReadSetup(std::span<const std::uint8_t> bytes) {
    CSetupBlock block(bytes);
    const CSetupBlock read = block;
    block.HasMark();
    block.SetCounts(static_cast<std::uint8_t>(block.InputCount()),
                    static_cast<std::uint8_t>(block.OutputCount()));
    block.SetIp(block.Ip());
    block.SetMask(block.Mask());
    block.SetGateway(block.Gateway());
    Check(block == read);
    block.SetBuzzer(block.BuzzerOn());
    Check(block.Raw()[37] <= 1 && block.BuzzerOn() == read.BuzzerOn());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    ReadImage(bytes);
    ReadSetup(bytes);
    return 0;
}
