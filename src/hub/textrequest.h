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
    kDumpConfiguration,
    kSetFriendlyName,  // name
    kIgnored,          // a status block a router takes and ignores: ACK, nothing changes
};

struct TextRequest {
    TextRequestKind kind = TextRequestKind::kBad;
    std::vector<std::pair<int, int>> routes;
    std::vector<std::pair<int, std::string>> labels;
    std::vector<std::pair<int, char>> locks;
    std::string name;
};

// The block's request for a device of these counts (0 and 0 while no device is present: then
// only requests that name no port are good). Spaces and tabs around a header, and around the
// port numbers of a line, are no part of it; a label keeps everything after its number's
// space.
TextRequest ParseTextRequest(const TextBlock& block, int inputs, int outputs);

}  // namespace vantel
