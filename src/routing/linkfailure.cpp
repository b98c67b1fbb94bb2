#include "routing/linkfailure.h"

#include "link/vexalib.h"

namespace vantel {

LinkFailure FailureOf(unsigned vexaResult) {
    switch (vexaResult) {
        case kVexaOk:
            return LinkFailure::kNone;
        case kVexaTimeout:
            return LinkFailure::kNoReply;
        case kVexaRefused:
            return LinkFailure::kRefused;
        case kVexaClosed:
        case kVexaConnectionLost:
            return LinkFailure::kLinkDown;
        default:
            // Too large, of the wrong length, or a buffer the link would not use.
            return LinkFailure::kUnusableReply;
    }
}

std::string LinkFailureText(LinkFailure failure) {
    switch (failure) {
        case LinkFailure::kNone:
            return "";
        case LinkFailure::kNoReply:
            return "no reply";
        case LinkFailure::kRefused:
            return "refused";
        case LinkFailure::kUnusableReply:
            return "unusable reply";
        case LinkFailure::kLinkDown:
            return "link down";
    }
    return "";
}

}  // namespace vantel
