#pragma once
// HubSnapshot: what the hub knows of the switcher at one moment, handed whole from the device
// owner's thread to the network thread: whether the device answers, its live state image and
// setup block, the button labels, who holds each output's lock, and the name and id the hub
// gives the switcher.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "hub/lockowner.h"
#include "link/setupblock.h"
#include "link/stateimage.h"

namespace vantel {

// Identifies one client connection of either face; 0 is nobody.
using ClientId = std::uint64_t;

struct HubSnapshot {
    bool present = false;
    CStateImage image;
    CSetupBlock setup;
    std::vector<std::string> inputLabels;   // one per input of the image
    std::vector<std::string> outputLabels;  // one per output of the image
    std::vector<LockOwner> lockOwners;      // one per output of the image; nobody = unlocked
    std::string friendlyName;               // the switcher's name on the network
    std::string uniqueId;                   // twelve hex digits, stable across restarts

    int Inputs() const { return image.InputCount(); }
    int Outputs() const { return image.OutputCount(); }
    // The input feeding output j, when it is routed to an input the device has.
    std::optional<int> SourceOf(int output) const {
        const auto source = image.SourceOf(output);
        return source && *source < Inputs() ? source : std::nullopt;
    }

    bool operator==(const HubSnapshot&) const = default;
};

// A snapshot as the network thread shares it among clients.
using SnapshotPtr = std::shared_ptr<const HubSnapshot>;

}  // namespace vantel
