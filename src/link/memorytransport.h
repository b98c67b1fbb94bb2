#pragma once
// MemoryTransport: the link inside one process, for tests and tools. Either two ends joined by
// a pair of byte pipes (CreatePair: the peer end is served by a thread of the caller's), or
// one end whose written bytes go straight to a peer function that returns the reply bytes on
// the writer's thread (the device model's port, without any thread).

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "link/bytepipe.h"
#include "link/transport.h"

namespace vantel {

class MemoryTransport : public ITransport {
public:
    // Gets the bytes that the link wrote and appends the peer's answer to reply.
    using Peer = std::function<void(const std::uint8_t* data, std::size_t size,
                                    std::vector<std::uint8_t>& reply)>;

    MemoryTransport(std::shared_ptr<BytePipe> in, std::shared_ptr<BytePipe> out);
    explicit MemoryTransport(Peer peer);
    ~MemoryTransport() override;

    // Two joined ends: what one writes, the other reads.
    static std::pair<std::unique_ptr<MemoryTransport>, std::unique_ptr<MemoryTransport>>
    CreatePair();

    bool IsOpen() const override;
    IoStatus Write(const std::uint8_t* data, std::size_t size, Clock::time_point deadline) override;
    IoStatus Read(std::uint8_t* data, std::size_t capacity, std::size_t& received,
                  Clock::time_point deadline) override;
    IoStatus ReadWaiting(std::uint8_t* data, std::size_t capacity, std::size_t& received) override;
    // A pipe, once closed, stays closed.
    bool Reopen(Clock::time_point deadline) override;
    // Closes both directions; the other end reads what was sent, then fails.
    void Close() override;
    void Cancel() override;
    void ClearCancel() override { m_cancelled.store(false); }

private:
    std::shared_ptr<BytePipe> m_in;
    std::shared_ptr<BytePipe> m_out;
    Peer m_peer;
    std::mutex m_peerMutex;
    std::vector<std::uint8_t> m_reply;
    std::atomic<bool> m_cancelled{false};
};

}  // namespace vantel
