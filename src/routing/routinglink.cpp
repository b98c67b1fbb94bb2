#include "routing/routinglink.h"

#include "routing/routingimage.h"

namespace vantel {

LinkFailure ReadRouting(IRoutingLink& link, int scene, CStateImage& image) {
    LinkFailure failure = LinkFailure::kNone;
    for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
        CStateImage read;
        failure = FailureOf(link.ReadImage(scene, read));
        if (failure == LinkFailure::kNone && !UsableImage(read)) {
            failure = LinkFailure::kUnusableReply;
        }
        if (failure == LinkFailure::kNone) {
            image = read;
            return failure;
        }
        if (failure == LinkFailure::kLinkDown || failure == LinkFailure::kRefused) {
            break;
        }
    }
    return failure;
}

}  // namespace vantel
