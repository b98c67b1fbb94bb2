#include "routing/lastknownimage.h"

#include <string>
#include <string_view>

#include "routing/routingimage.h"
#include "settings/atomicfile.h"

namespace vantel {

namespace {

constexpr const char kFileName[] = "last-routing.bin";
constexpr std::string_view kFileMark = "VLK1";
// A file up to this size is replaced; a larger one there is foreign and left alone.
constexpr std::size_t kMaxReplacedBytes = 64 * 1024;

}  // namespace

std::filesystem::path LastKnownFileBeside(const std::filesystem::path& settingsFile) {
    return settingsFile.parent_path() / kFileName;
}

bool SaveLastKnownImage(const std::filesystem::path& file, const CStateImage& image) {
    if (!UsableImage(image)) {
        return false;
    }
    std::string bytes(kFileMark);
    bytes.append(reinterpret_cast<const char*>(image.Data()), CStateImage::kImageSize);
    return UpdateFileAtomically(file.c_str(), kMaxReplacedBytes,
                                [&bytes](std::string_view) { return bytes; });
}

std::optional<CStateImage> LoadLastKnownImage(const std::filesystem::path& file) {
    std::string bytes;
    if (!ReadFileBounded(file.c_str(), kLastKnownFileSize, bytes) ||
        bytes.size() != kLastKnownFileSize || std::string_view(bytes).substr(0, 4) != kFileMark) {
        return std::nullopt;
    }
    const auto* image = reinterpret_cast<const std::uint8_t*>(bytes.data()) + kFileMark.size();
    const CStateImage known(std::span<const std::uint8_t>(image, CStateImage::kImageSize));
    if (!UsableImage(known)) {
        return std::nullopt;
    }
    return known;
}

}  // namespace vantel
