#include "hub/lockfile.h"

#include <charconv>
#include <filesystem>
#include <string_view>

#include "settings/atomicfile.h"

namespace vantel {

namespace {

constexpr std::size_t kMaxFileBytes = 256 * 1024;
constexpr const char* kFirstLine = "# vantel-hub output locks: OUTPUT OWNER (outputs from 0)\n";

// "OUTPUT KEY" as (output, owner); nothing for a line that is not one.
std::optional<std::pair<int, LockOwner>> ParseLine(std::string_view line) {
    const auto space = line.find(' ');
    if (space == std::string_view::npos || line.empty() || line.front() == '#') {
        return std::nullopt;
    }
    int output = -1;
    const auto [end, ec] = std::from_chars(line.data(), line.data() + space, output);
    if (ec != std::errc() || end != line.data() + space || output < 0 ||
        output >= kMaxLockOutputs) {
        return std::nullopt;
    }
    auto owner = LockOwner::FromKey(line.substr(space + 1));
    if (!owner) {
        return std::nullopt;
    }
    return std::make_pair(output, std::move(*owner));
}

}  // namespace

std::string LockFileBeside(const std::string& settingsPath) {
    if (settingsPath.empty()) {
        return {};
    }
    return (std::filesystem::path(settingsPath).parent_path() / kLockFileName).string();
}

std::vector<LockOwner> ReadLockFile(const std::string& path) {
    std::string text;
    std::vector<LockOwner> owners;
    if (path.empty()) {
        return owners;
    }
    ReadFileBounded(path.c_str(), kMaxFileBytes, text);
    std::string_view rest(text);
    while (!rest.empty()) {
        const auto nl = rest.find('\n');
        std::string_view line = rest.substr(0, nl);
        rest.remove_prefix(nl == std::string_view::npos ? rest.size() : nl + 1);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (auto parsed = ParseLine(line)) {
            const auto at = static_cast<std::size_t>(parsed->first);
            if (owners.size() <= at) {
                owners.resize(at + 1);
            }
            owners[at] = std::move(parsed->second);
        }
    }
    return owners;
}

bool WriteLockFile(const std::string& path, const std::vector<LockOwner>& owners) {
    std::string text = kFirstLine;
    for (std::size_t j = 0; j < owners.size(); ++j) {
        if (!owners[j].IsNobody()) {
            text += std::to_string(j) + " " + owners[j].Key() + "\n";
        }
    }
    return UpdateFileAtomically(path.c_str(), kMaxFileBytes,
                                [&text](std::string_view) { return text; });
}

}  // namespace vantel
