#include "link/memorytransport.h"

namespace vantel {

MemoryTransport::MemoryTransport(std::shared_ptr<BytePipe> in, std::shared_ptr<BytePipe> out)
    : m_in(std::move(in)), m_out(std::move(out)) {}

MemoryTransport::MemoryTransport(Peer peer)
    : m_in(std::make_shared<BytePipe>()), m_peer(std::move(peer)) {}

MemoryTransport::~MemoryTransport() {
    Close();
}

std::pair<std::unique_ptr<MemoryTransport>, std::unique_ptr<MemoryTransport>>
MemoryTransport::CreatePair() {
    auto forth = std::make_shared<BytePipe>();
    auto back = std::make_shared<BytePipe>();
    return {std::make_unique<MemoryTransport>(back, forth),
            std::make_unique<MemoryTransport>(forth, back)};
}

bool MemoryTransport::IsOpen() const {
    return !m_in->Closed() && (!m_out || !m_out->Closed());
}

IoStatus MemoryTransport::Write(const std::uint8_t* data, std::size_t size,
                                Clock::time_point /*deadline*/) {
    if (!IsOpen()) {
        return IoStatus::kFailed;
    }
    if (m_out) {
        return m_out->Write(data, size) ? IoStatus::kOk : IoStatus::kFailed;
    }
    std::lock_guard lock(m_peerMutex);
    m_reply.clear();
    m_peer(data, size, m_reply);
    if (!m_reply.empty()) {
        m_in->Write(m_reply.data(), m_reply.size());
    }
    return IoStatus::kOk;
}

IoStatus MemoryTransport::Read(std::uint8_t* data, std::size_t capacity, std::size_t& received,
                               Clock::time_point deadline) {
    return m_in->Read(data, capacity, received, deadline, m_cancelled);
}

IoStatus MemoryTransport::ReadWaiting(std::uint8_t* data, std::size_t capacity,
                                      std::size_t& received) {
    // A deadline already passed: the bytes in the pipe, or none.
    const IoStatus status = m_in->Read(data, capacity, received, Clock::time_point{}, m_cancelled);
    return status == IoStatus::kTimeout ? IoStatus::kOk : status;
}

bool MemoryTransport::Reopen(Clock::time_point /*deadline*/) {
    return IsOpen();
}

void MemoryTransport::Close() {
    m_in->Close();
    if (m_out) {
        m_out->Close();
    }
}

void MemoryTransport::Cancel() {
    m_cancelled.store(true);
    m_in->Wake();
}

}  // namespace vantel
