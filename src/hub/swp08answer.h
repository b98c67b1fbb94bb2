#pragma once
// The messages the SW-P-08 face sends (command byte first, unframed), built from the hub's
// state. Tallies name the input feeding an output; an output fed by nothing is reported with
// source kNoSource, a number no input of any device has. Names come from the button labels,
// padded with spaces to the length asked, printable ASCII only (anything else is '?'); a
// button without a label is named by its number, as the window shows it.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "hub/hubsnapshot.h"
#include "hub/swp08request.h"

namespace vantel {

using Swp08Message = std::vector<std::uint8_t>;

namespace swp08 {
// The source number of an output fed by nothing: the highest the standard messages can carry.
inline constexpr int kNoSource = 1023;
// At most this many tallies in one dump message.
inline constexpr int kMaxDumpTallies = 64;
}  // namespace swp08

// A Tally (cmd kTally) or Connected (kConnected) for an output and what feeds it, in the
// standard or the extended form.
Swp08Message TallyMessage(std::uint8_t cmd, bool extended, int output, std::optional<int> input);
// The tallies of every output, at most kMaxDumpTallies per message.
std::vector<Swp08Message> DumpMessages(const HubSnapshot& state, bool extended);
// The names of every input (sources) or output, length 4, 8 or 12, as many per message as
// the protocol allows for that length.
std::vector<Swp08Message> NameMessages(const HubSnapshot& state, bool sources, int length,
                                       bool extended);
// A label as a name field of the length.
std::string NameField(const std::string& label, int length);
// A protect answer (kProtectTally, kProtectConnected, kProtectDisconnected).
Swp08Message ProtectMessage(std::uint8_t cmd, bool isProtected, int output, int device);
// The commands this face serves and sends.
Swp08Message ImplementationMessage();
// The answer to a dual-controller status request: the one controller, active.
Swp08Message DualStatusMessage();

// The answer to a request the face serves from its state alone (interrogate, dump, names,
// protect interrogate, implementation, dual status); nothing for the others, and nothing at
// all while no device is present, except for the implementation and dual status.
std::vector<Swp08Message> AnswerFromState(const Swp08Request& request, const HubSnapshot& state);

}  // namespace vantel
