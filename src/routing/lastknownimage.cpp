#include "routing/lastknownimage.h"

#include <string>
#include <string_view>

#include "link/frame.h"
#include "routing/routingimage.h"
#include "settings/atomicfile.h"

namespace vantel {

namespace {

constexpr const char kFileName[] = "last-routing.bin";
// The mark of the checksummed form; files of the earlier form (mark "VLK1", no checksum) are
// not read: a damaged byte in them could not be told from a routing.
constexpr std::string_view kFileMark = "VLK2";
constexpr std::size_t kChecksumAt = 4 + CStateImage::kImageSize;
// A file up to this size is replaced; a larger one there is foreign and left alone.
constexpr std::size_t kMaxReplacedBytes = 64 * 1024;

std::uint16_t ChecksumOf(std::string_view bytes) {
    return Crc16(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

bool ChecksumHolds(std::string_view bytes) {
    const auto low = static_cast<std::uint8_t>(bytes[kChecksumAt]);
    const auto high = static_cast<std::uint8_t>(bytes[kChecksumAt + 1]);
    return ChecksumOf(bytes.substr(0, kChecksumAt)) == (low | high << 8);
}

// Every input slot holds its own number (input k holds k + 1) and every output slot names
// none or one of those inputs, as in every image a device sends.
bool SlotsConsistent(const CStateImage& image) {
    const CStateImage::Bytes& raw = image.Raw();
    const int inputs = image.InputCount();
    for (int k = 0; k < inputs; ++k) {
        if (raw[CStateImage::kPortTable + static_cast<std::size_t>(k)] != k + 1) {
            return false;
        }
    }
    for (int output = 1; output <= image.OutputCount(); ++output) {
        if (HeldInput(image, output) > inputs) {
            return false;
        }
    }
    return true;
}

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
    const std::uint16_t checksum = ChecksumOf(bytes);
    bytes.push_back(static_cast<char>(checksum & 0xFF));
    bytes.push_back(static_cast<char>(checksum >> 8));
    return UpdateFileAtomically(file.c_str(), kMaxReplacedBytes,
                                [&bytes](std::string_view) { return bytes; });
}

std::optional<CStateImage> LoadLastKnownImage(const std::filesystem::path& file) {
    std::string bytes;
    if (!ReadFileBounded(file.c_str(), kLastKnownFileSize, bytes) ||
        bytes.size() != kLastKnownFileSize || std::string_view(bytes).substr(0, 4) != kFileMark ||
        !ChecksumHolds(bytes)) {
        return std::nullopt;
    }
    const auto* image = reinterpret_cast<const std::uint8_t*>(bytes.data()) + kFileMark.size();
    const CStateImage known(std::span<const std::uint8_t>(image, CStateImage::kImageSize));
    if (!UsableImage(known) || !SlotsConsistent(known)) {
        return std::nullopt;
    }
    return known;
}

}  // namespace vantel
