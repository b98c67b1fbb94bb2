#pragma once
// The blocks the hub's text face sends, each ending with its blank line: the whole state on
// connect or on request, and the changed items when the state changes.

#include <string>

#include "hub/hubsnapshot.h"

namespace vantel {

// The protocol version whose blocks the text face sends (the device block with its friendly
// name and unique id, the configuration block).
inline constexpr const char* kTextProtocolVersion = "2.7";
// The model name, and the friendly name while none is set.
inline constexpr const char* kTextModelName = "Vantel Matrix Switcher";

std::string PreambleBlock();
// "Device present: false" alone while the device does not answer.
std::string DeviceBlock(const HubSnapshot& state);
// The hub's settings of the protocol: it has no take mode.
std::string ConfigurationBlock();
std::string InputLabelsBlock(const HubSnapshot& state);
std::string OutputLabelsBlock(const HubSnapshot& state);
// Routed outputs only: the protocol has no way to say that an output is fed by nothing.
std::string RoutingBlock(const HubSnapshot& state);
// Each output as the viewer sees it: O locked by the viewer (any connection from its
// address), L by another owner, U unlocked.
std::string LocksBlock(const HubSnapshot& state, const LockOwner& viewer);
// The device block and, while the device is present, labels, locks, routing and configuration,
// in the order a router sends them on connect.
std::string StateBlocks(const HubSnapshot& state, const LockOwner& viewer);

// The blocks that tell a client what changed from before to after: empty when nothing it can
// see changed. A device that came, went or changed its counts is sent whole; a new friendly
// name, as the device block.
std::string ChangeBlocks(const HubSnapshot& before, const HubSnapshot& after,
                         const LockOwner& viewer);

}  // namespace vantel
