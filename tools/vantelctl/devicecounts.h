#pragma once
// The counts a device reports, checked before vantelctl uses them: a device has 1 to 72
// inputs and 1 to 72 outputs, and a state image's port count is their sum. Counts outside
// that make the block unusable: it is never printed as the device's state, and never edited
// and sent back.

#include <optional>
#include <string>

#include "link/setupblock.h"
#include "link/stateimage.h"

namespace vantel {

// Inputs, and outputs, a device may have.
inline constexpr int kMinDeviceCount = 1;
inline constexpr int kMaxDeviceCount = 72;

// Why the image's counts are unusable ("the device reports 0 inputs (1 to 72 expected)"),
// or nothing when they are sound.
std::optional<std::string> ImageCountsProblem(const CStateImage& image);
// The same for the counts of a setup block.
std::optional<std::string> SetupCountsProblem(const CSetupBlock& block);

}  // namespace vantel
