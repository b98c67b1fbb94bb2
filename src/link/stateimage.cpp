#include "link/stateimage.h"

#include <algorithm>
#include <cstdio>

#include "link/mark.h"

namespace {

constexpr std::size_t kPortCountAt = 4;
constexpr std::size_t kInputCountAt = 5;
constexpr std::size_t kOutputCountAt = 6;
// The largest count a byte can hold; port numbers of the routing list stay below it.
constexpr int kMaxCount = 255;

// "%02d" and "%02d " as the routing list writes its numbers.
std::string Number(int n, const char* format) {
    char text[16];
    std::snprintf(text, sizeof text, format, n);
    return text;
}

}  // namespace

CStateImage::CStateImage(std::span<const std::uint8_t> block) {
    const std::size_t n = std::min(block.size(), kImageSize);
    std::copy_n(block.begin(), n, m_bytes.begin());
}

CStateImage CStateImage::FromRoutes(std::uint8_t inputs, std::span<const int> sources) {
    CStateImage image;
    const int outputs = std::min<int>(static_cast<int>(sources.size()), kMaxCount - inputs);
    vantel::PutMark(image.m_bytes);
    image.m_bytes[kPortCountAt] = static_cast<std::uint8_t>(inputs + outputs);
    image.m_bytes[kInputCountAt] = inputs;
    image.m_bytes[kOutputCountAt] = static_cast<std::uint8_t>(outputs);
    for (int k = 0; k < inputs; ++k) {
        image.m_bytes[kPortTable + k] = static_cast<std::uint8_t>(k + 1);
    }
    for (int j = 0; j < outputs; ++j) {
        const int source = sources[j];
        const bool routed = source >= 0 && source < kMaxCount;
        image.m_bytes[kPortTable + inputs + j] = routed ? static_cast<std::uint8_t>(source + 1) : 0;
    }
    return image;
}

bool CStateImage::HasMark() const {
    return vantel::HasMark(m_bytes);
}

std::optional<std::uint8_t> CStateImage::At(std::size_t offset) const {
    if (offset >= kImageSize) {
        return std::nullopt;
    }
    return m_bytes[offset];
}

std::optional<std::uint8_t> CStateImage::OutputSlot(int output) const {
    if (output < 0 || output >= OutputCount()) {
        return std::nullopt;
    }
    return At(kPortTable + static_cast<std::size_t>(InputCount() + output));
}

std::optional<int> CStateImage::SourceOf(int output) const {
    const std::optional<std::uint8_t> slot = OutputSlot(output);
    if (!slot || *slot == 0) {
        return std::nullopt;
    }
    return *slot - 1;
}

std::vector<int> CStateImage::OutputsFedBy(int input) const {
    std::vector<int> outputs;
    if (input < 0 || input >= kMaxCount) {
        return outputs;  // no slot value can name such an input
    }
    for (int j = 0; j < OutputCount(); ++j) {
        if (OutputSlot(j) == input + 1) {
            outputs.push_back(j);
        }
    }
    return outputs;
}

std::string CStateImage::ListOutputs(int row) const {
    // Row 0 collects the unrouted outputs; row r >= 1 those naming input slot r - 1.
    const std::optional<std::uint8_t> wanted =
        row == 0 ? std::optional<std::uint8_t>(0) : At(kPortTable + row - 1);
    std::string text;
    const int inputs = InputCount();
    for (int p = inputs; p < PortCount(); ++p) {
        const std::optional<std::uint8_t> slot = At(kPortTable + p);
        if (slot && slot == wanted) {
            text += Number(p - inputs + 1, "%02d ");
        }
    }
    return text;
}

std::vector<CStateImage::ListRow> CStateImage::RoutingList() const {
    std::vector<ListRow> rows;
    for (int r = 0; r <= InputCount(); ++r) {
        rows.push_back({Number(r, "%02d"), ListOutputs(r)});
    }
    return rows;
}

void CStateImage::ClearCounts() {
    m_bytes[kPortCountAt] = 0;
    m_bytes[kInputCountAt] = 0;
    m_bytes[kOutputCountAt] = 0;
}
