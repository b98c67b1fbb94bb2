#include "routing.h"

namespace vantel {

Routing Routing::Of(const CStateImage& image) {
    Routing routing;
    routing.inputs = image.InputCount();
    routing.outputs = image.OutputCount();
    routing.sources.reserve(static_cast<std::size_t>(routing.outputs));
    for (int j = 0; j < routing.outputs; ++j) {
        const auto source = image.SourceOf(j);
        routing.sources.push_back(source ? *source + 1 : 0);
    }
    return routing;
}

int Routing::SourceOf(int output) const {
    if (output < 1 || output > static_cast<int>(sources.size())) {
        return 0;
    }
    return sources[static_cast<std::size_t>(output - 1)];
}

}  // namespace vantel
