#pragma once
// The device's setup block as vantelctl prints it: counts, addresses and buzzer.

#include <ostream>
#include <string>

#include "link/setupblock.h"

namespace vantel {

// Dotted text of an address, first number first: "127.0.0.2".
std::string DottedText(const CSetupBlock::Address& address);

// Prints the block as "key: value" lines or as one JSON object.
void PrintSetup(std::ostream& out, const CSetupBlock& block, bool json);

}  // namespace vantel
