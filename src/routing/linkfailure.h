#pragma once
// The kinds of link failure an operator is told about.

#include <string>

namespace vantel {

enum class LinkFailure {
    kNone,
    kNoReply,        // the device did not answer in time
    kRefused,        // the device answered with a refusal
    kUnusableReply,  // an answer that cannot be used (wrong length, no mark, impossible counts)
    kLinkDown,       // the link is closed or the connection was lost
};

// The kind of a CVexaLib::Command result (kVexaOk is kNone).
LinkFailure FailureOf(unsigned vexaResult);

// "no reply", "refused", "unusable reply", "link down", or "" for kNone.
std::string LinkFailureText(LinkFailure failure);

}  // namespace vantel
