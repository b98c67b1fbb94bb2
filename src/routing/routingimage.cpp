#include "routing/routingimage.h"

#include "routing/salvo.h"

namespace vantel {

namespace {

bool CountFits(int count, int most) {
    return count >= 1 && count <= most;
}

}  // namespace

bool UsableImage(const CStateImage& image) {
    return image.HasMark() && CountFits(image.InputCount(), Salvo::kMaxInputs) &&
           CountFits(image.OutputCount(), Salvo::kMaxOutputs) &&
           image.PortCount() == image.InputCount() + image.OutputCount();
}

int HeldInput(const CStateImage& image, int output) {
    const std::optional<int> source = image.SourceOf(output - 1);
    return source ? *source + 1 : 0;
}

}  // namespace vantel
