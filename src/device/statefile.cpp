#include "device/statefile.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <vector>

namespace vantel {

namespace {

constexpr std::string_view kHeader = "vantel-device-state 1";
constexpr int kRoutingCount = 1 + CSwitcher::kSceneCount;

std::string Hex(const std::uint8_t* data, std::size_t size) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(size * 2);
    for (std::size_t i = 0; i < size; ++i) {
        text.push_back(kDigits[data[i] >> 4]);
        text.push_back(kDigits[data[i] & 0x0F]);
    }
    return text;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

std::optional<std::vector<std::uint8_t>> Unhex(std::string_view text) {
    if (text.size() % 2 != 0) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes;
    bytes.reserve(text.size() / 2);
    for (std::size_t i = 0; i < text.size(); i += 2) {
        const int high = HexDigit(text[i]);
        const int low = HexDigit(text[i + 1]);
        if (high < 0 || low < 0) {
            return std::nullopt;
        }
        bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
    }
    return bytes;
}

std::string SystemError(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

bool WriteAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// The whole content of fd, or nothing when it cannot be read or holds more than limit bytes.
std::optional<std::string> ReadBounded(int fd, std::size_t limit) {
    std::string text;
    char chunk[4096];
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return std::nullopt;
        }
        if (n == 0) {
            return text;
        }
        if (text.size() + static_cast<std::size_t>(n) > limit) {
            return std::nullopt;
        }
        text.append(chunk, static_cast<std::size_t>(n));
    }
}

// Parser state while reading the records of a file.
struct Records {
    std::optional<CSwitcher::SetupBlock> setup;
    std::vector<CSwitcher::Routing> routings = std::vector<CSwitcher::Routing>(kRoutingCount);
    std::vector<bool> seen = std::vector<bool>(kRoutingCount, false);
    bool ended = false;
};

// Reads one line into the records; returns an error text or an empty string.
std::string ParseLine(const std::string& line, Records& records) {
    std::istringstream in(line);
    std::string keyword;
    in >> keyword;
    if (keyword == "end") {
        records.ended = true;
        return {};
    }
    if (keyword == "setup") {
        std::string hex;
        in >> hex;
        const auto bytes = Unhex(hex);
        if (!bytes || bytes->size() != CSwitcher::kSetupSize || records.setup) {
            return "bad setup record";
        }
        records.setup.emplace();
        std::copy(bytes->begin(), bytes->end(), records.setup->begin());
        return {};
    }
    if (keyword == "routing") {
        int scene = -1;
        std::string hex;
        in >> scene >> hex;
        const auto bytes = Unhex(hex);
        if (scene < 0 || scene >= kRoutingCount || !bytes || records.seen[scene]) {
            return "bad routing record";
        }
        records.routings[scene] = *bytes;
        records.seen[scene] = true;
        return {};
    }
    return "unknown record '" + keyword.substr(0, 32) + "'";
}

}  // namespace

std::string CStateFile::Serialize(const CSwitcher& device) {
    std::string text(kHeader);
    text += "\nsetup " + Hex(device.Setup().data(), device.Setup().size()) + "\n";
    for (int scene = 0; scene < kRoutingCount; ++scene) {
        const auto& routing = device.SceneRouting(scene);
        text +=
            "routing " + std::to_string(scene) + " " + Hex(routing.data(), routing.size()) + "\n";
    }
    text += "end\n";
    return text;
}

std::optional<CSwitcher> CStateFile::Parse(std::string_view text, std::string& error) {
    std::istringstream in{std::string(text)};
    std::string line;
    if (!std::getline(in, line) || line != kHeader) {
        error = "not a device state file";
        return std::nullopt;
    }
    Records records;
    while (!records.ended && std::getline(in, line)) {
        error = ParseLine(line, records);
        if (!error.empty()) {
            return std::nullopt;
        }
    }
    if (!records.ended || !records.setup) {
        error = "file is incomplete";
        return std::nullopt;
    }
    if (std::find(records.seen.begin(), records.seen.end(), false) != records.seen.end()) {
        error = "a routing record is missing";
        return std::nullopt;
    }
    return CSwitcher::FromParts(*records.setup, records.routings, &error);
}

CStateFile::LoadStatus CStateFile::Load(std::optional<CSwitcher>& device,
                                        std::string& error) const {
    const int fd = ::open(m_path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) {
            return LoadStatus::Missing;
        }
        error = SystemError("cannot open " + m_path);
        return LoadStatus::Corrupt;
    }
    const auto text = ReadBounded(fd, kMaxFileSize);
    ::close(fd);
    if (!text) {
        error = "cannot read " + m_path + " (unreadable or larger than " +
                std::to_string(kMaxFileSize) + " bytes)";
        return LoadStatus::Corrupt;
    }
    auto parsed = Parse(*text, error);
    if (!parsed) {
        error = m_path + ": " + error;
        return LoadStatus::Corrupt;
    }
    device = std::move(parsed);
    return LoadStatus::Loaded;
}

bool CStateFile::Save(const CSwitcher& device, std::string& error) const {
    const std::string temp = m_path + ".tmp" + std::to_string(::getpid());
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = SystemError("cannot create " + temp);
        return false;
    }
    const bool written = WriteAll(fd, Serialize(device)) && ::fsync(fd) == 0;
    const int savedErrno = errno;
    ::close(fd);
    if (!written) {
        errno = savedErrno;
        error = SystemError("cannot write " + temp);
        ::unlink(temp.c_str());
        return false;
    }
    if (std::rename(temp.c_str(), m_path.c_str()) != 0) {
        error = SystemError("cannot replace " + m_path);
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}

}  // namespace vantel
