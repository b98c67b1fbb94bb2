#pragma once
// The last routing seen live, kept beside setup.ini, so that a start without the device can
// still show the counts and routing it had (marked as not live). One small file of
// kLastKnownFileSize bytes: the file mark "VLK2", the 508-byte state image as the device sent
// it, then a CRC-16 (the frames' CRC-16/CCITT-FALSE, low byte first) of mark and image. Written
// atomically (temporary file, then rename); read with every check a device reply gets and the
// checksum, so a short, foreign, damaged or older-form file is ignored, never shown.

#include <cstddef>
#include <filesystem>
#include <optional>

#include "link/stateimage.h"

namespace vantel {

inline constexpr std::size_t kLastKnownFileSize = 4 + CStateImage::kImageSize + 2;

// The file beside a settings file.
std::filesystem::path LastKnownFileBeside(const std::filesystem::path& settingsFile);

// Keeps image (usable: marked, counts a device can have) as the last known routing; false when
// the image is not usable or the file cannot be written (the old file then stays).
bool SaveLastKnownImage(const std::filesystem::path& file, const CStateImage& image);

// The image kept in file; none when the file is missing, not exactly kLastKnownFileSize bytes,
// lacks the file mark or its checksum does not hold, or holds an image that is not usable or
// whose slots no device sends (an input slot k not holding k + 1, an output slot naming an
// input beyond the input count).
std::optional<CStateImage> LoadLastKnownImage(const std::filesystem::path& file);

}  // namespace vantel
