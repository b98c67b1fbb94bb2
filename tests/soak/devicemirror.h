#pragma once
// DeviceMirror: the live images the device may hold while one writer changes it and readers
// poll it at the same time. The writer publishes the image a command will leave before it
// sends the command and commits it once the device answered; a reader whose command ran from
// the committed version `lo` to the published version `hi` may have seen any image in between,
// and no other. An image outside that window was taken from another command's reply.

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <utility>

namespace vantel::test {

class DeviceMirror {
public:
    using Image = std::array<std::uint8_t, 508>;
    static constexpr std::size_t kKept = 1024;

    explicit DeviceMirror(const Image& start) { m_history.emplace_back(0, start); }

    // The image the next command will leave on the device; returns its version.
    std::uint64_t Publish(const Image& image) {
        std::lock_guard lock(m_mutex);
        const std::uint64_t version = m_published.load() + 1;
        m_history.emplace_back(version, image);
        if (m_history.size() > kKept) {
            m_history.pop_front();
        }
        m_published = version;
        return version;
    }
    // The device carries `version` now.
    void Commit(std::uint64_t version) { m_committed = version; }

    std::uint64_t Committed() const { return m_committed; }
    std::uint64_t Published() const { return m_published; }

    // Whether the device can have held `image` between versions lo and hi.
    bool Seen(const Image& image, std::uint64_t lo, std::uint64_t hi) const {
        std::lock_guard lock(m_mutex);
        for (const auto& [version, kept] : m_history) {
            if (version >= lo && version <= hi && kept == image) {
                return true;
            }
        }
        return false;
    }

private:
    mutable std::mutex m_mutex;
    std::deque<std::pair<std::uint64_t, Image>> m_history;
    std::atomic<std::uint64_t> m_published{0};
    std::atomic<std::uint64_t> m_committed{0};
};

}  // namespace vantel::test
