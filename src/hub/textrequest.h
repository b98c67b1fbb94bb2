#pragma once
// What a text-protocol client asks for in one block, checked against the device's counts. A
// block that is not understood in whole is kBad and asks for nothing, so a half-valid block
// never changes half of what it names.

#include <string>
#include <utility>
#include <vector>

#include "hub/textblockreader.h"

namespace vantel {

enum class TextRequestKind {
    kBad,
    kPing,
    kDumpPreamble,
    kDumpDevice,
    kDumpInputLabels,
    kDumpOutputLabels,
    kDumpRouting,
    kDumpLocks,
    kSetInputLabels,   // labels: (input, text)
    kSetOutputLabels,  // labels: (output, text)
    kRoute,            // routes: (output, input)
    kLock,             // locks: (output, 'O' lock, 'U' unlock, 'F' force unlock)
};

struct TextRequest {
    TextRequestKind kind = TextRequestKind::kBad;
    std::vector<std::pair<int, int>> routes;
    std::vector<std::pair<int, std::string>> labels;
    std::vector<std::pair<int, char>> locks;
};

// The block's request for a device of these counts (0 and 0 while no device is present: then
// only requests that name no port are good).
TextRequest ParseTextRequest(const TextBlock& block, int inputs, int outputs);

}  // namespace vantel
