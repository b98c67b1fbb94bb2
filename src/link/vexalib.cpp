#include "link/vexalib.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>

#include "link/frame.h"
#include "link/portconfig.h"
#include "link/transport.h"

using vantel::Frame;
using vantel::FrameDecoder;
using vantel::IoStatus;
using vantel::ITransport;

namespace {

constexpr std::chrono::milliseconds kOpenTimeout{2000};
constexpr unsigned char kWriteSetup = 6;

}  // namespace

struct CVexaLib::Impl {
    // Held for a whole command, and while the transport is replaced.
    std::mutex commandMutex;
    // Guards the transport pointer for CancelPending, which must not wait for a command.
    std::mutex transportMutex;
    std::unique_ptr<ITransport> transport;

    std::mutex configMutex;
    std::string settingsPath;
    TransportFactory factory;

    std::atomic<int> open{0};
    std::atomic<int> sendCount{0};
    std::atomic<int> recvCount{0};
    std::atomic<int> droppedCount{0};
    std::atomic<std::uint64_t> cancelGeneration{0};

    // Command state, under commandMutex.
    std::uint8_t seq = 0;
    FrameDecoder decoder;
    std::uint64_t badFramesSeen = 0;  // decoder.BadFrames() already counted as dropped
    Frame reply;
    std::vector<std::uint8_t> request;
    std::array<std::uint8_t, 2 * vantel::kMaxFrameSize> rx{};

    Impl() { request.reserve(vantel::kMaxFrameSize); }

    void Cancel();
    void Replace(std::unique_ptr<ITransport> next);
    bool NextFrame();
    unsigned Fail(IoStatus status, std::uint64_t generation) const;
    IoStatus Prepare(ITransport& link, ITransport::Clock::time_point deadline);
    unsigned Run(unsigned char cmd, unsigned char* buf, std::size_t capacity, unsigned char len,
                 int timeout, bool keepReply);
    unsigned AwaitReply(ITransport& link, std::uint8_t cmd, unsigned char* buf,
                        std::size_t capacity, unsigned char len, bool keepReply,
                        ITransport::Clock::time_point deadline, std::uint64_t generation);
};

void CVexaLib::Impl::Cancel() {
    cancelGeneration.fetch_add(1);
    std::lock_guard lock(transportMutex);
    if (transport) {
        transport->Cancel();
    }
}

// Under commandMutex: closes the current transport and takes the next one (or none).
void CVexaLib::Impl::Replace(std::unique_ptr<ITransport> next) {
    open.store(0);
    std::unique_ptr<ITransport> old;
    {
        std::lock_guard lock(transportMutex);
        old = std::move(transport);
        transport = std::move(next);
    }
    decoder.Reset();
    if (transport) {
        open.store(1);
    }
}

// Takes the next valid frame into reply; frames that failed their check count as dropped.
bool CVexaLib::Impl::NextFrame() {
    const bool got = decoder.Next(reply);
    const std::uint64_t bad = decoder.BadFrames();
    droppedCount.fetch_add(static_cast<int>(bad - badFramesSeen));
    badFramesSeen = bad;
    return got;
}

unsigned CVexaLib::Impl::Fail(IoStatus status, std::uint64_t generation) const {
    if (status == IoStatus::kCancelled || cancelGeneration.load() != generation) {
        return kVexaClosed;
    }
    return status == IoStatus::kTimeout ? kVexaTimeout : kVexaConnectionLost;
}

// Before a request: drops whatever arrived since the last command (late replies) and brings
// a broken stream back.
IoStatus CVexaLib::Impl::Prepare(ITransport& link, ITransport::Clock::time_point deadline) {
    for (;;) {
        if (!link.IsOpen()) {
            decoder.Reset();
            return link.Reopen(deadline) ? IoStatus::kOk : IoStatus::kFailed;
        }
        std::size_t received = 0;
        const IoStatus status = link.ReadAvailable(rx.data(), rx.size(), received);
        if (status == IoStatus::kTimeout) {
            return IoStatus::kOk;
        }
        if (status == IoStatus::kOk) {
            decoder.Feed(rx.data(), received);
            while (NextFrame()) {
                droppedCount.fetch_add(1);
            }
        } else if (status == IoStatus::kCancelled) {
            return status;
        }
    }
}

unsigned CVexaLib::Impl::Run(unsigned char cmd, unsigned char* buf, std::size_t capacity,
                             unsigned char len, int timeout, bool keepReply) {
    const std::uint64_t generation = cancelGeneration.load();
    std::lock_guard lock(commandMutex);
    if (!transport || open.load() == 0) {
        return kVexaClosed;
    }
    ITransport& link = *transport;
    link.ClearCancel();
    if (cancelGeneration.load() != generation) {
        return kVexaClosed;
    }
    const auto deadline =
        ITransport::Clock::now() + std::chrono::milliseconds(std::max(timeout, 0));
    IoStatus status = Prepare(link, deadline);
    if (status != IoStatus::kOk) {
        return Fail(status, generation);
    }
    const std::uint8_t sent = ++seq;
    request.clear();
    vantel::AppendFrame(request, sent, cmd, 0, buf, len);
    status = link.Write(request.data(), request.size(), deadline);
    if (status != IoStatus::kOk) {
        return Fail(status, generation);
    }
    sendCount.fetch_add(1);
    return AwaitReply(link, cmd, buf, capacity, len, keepReply, deadline, generation);
}

unsigned CVexaLib::Impl::AwaitReply(ITransport& link, std::uint8_t cmd, unsigned char* buf,
                                    std::size_t capacity, unsigned char len, bool keepReply,
                                    ITransport::Clock::time_point deadline,
                                    std::uint64_t generation) {
    for (;;) {
        while (NextFrame()) {
            if (reply.seq != seq || reply.cmd != cmd) {
                droppedCount.fetch_add(1);
                continue;
            }
            recvCount.fetch_add(1);
            if (reply.status != vantel::kStatusOk) {
                return kVexaRefused;
            }
            if (!keepReply) {
                return kVexaOk;
            }
            if (reply.payload.size() > capacity - len) {
                return kVexaReplyTooLarge;
            }
            if (!reply.payload.empty()) {
                std::memcpy(buf + len, reply.payload.data(), reply.payload.size());
            }
            return kVexaOk;
        }
        std::size_t received = 0;
        const IoStatus status = link.Read(rx.data(), rx.size(), received, deadline);
        if (status != IoStatus::kOk) {
            return Fail(status, generation);
        }
        decoder.Feed(rx.data(), received);
    }
}

CVexaLib::CVexaLib() : m_impl(std::make_unique<Impl>()) {}

CVexaLib::~CVexaLib() {
    Close();
}

int CVexaLib::Open(const char* port) {
    m_impl->Cancel();
    std::lock_guard lock(m_impl->commandMutex);
    m_impl->Replace(nullptr);
    if (port == nullptr) {
        return 0;
    }
    TransportFactory factory;
    std::string settingsPath;
    {
        std::lock_guard config(m_impl->configMutex);
        factory = m_impl->factory;
        settingsPath = m_impl->settingsPath;
    }
    std::unique_ptr<ITransport> next =
        factory
            ? factory(port)
            : vantel::OpenTransport(port, settingsPath, ITransport::Clock::now() + kOpenTimeout);
    if (next && next->IsOpen()) {
        m_impl->Replace(std::move(next));
    }
    return m_impl->open.load();
}

void CVexaLib::Close() {
    m_impl->Cancel();
    std::lock_guard lock(m_impl->commandMutex);
    m_impl->Replace(nullptr);
}

int CVexaLib::IsOpen() const {
    return m_impl->open.load();
}

unsigned CVexaLib::Command(unsigned char cmd, unsigned char* buf, unsigned char len, int timeout) {
    if (cmd == kWriteSetup) {
        // The caller's buffer is the setup block itself: nothing is written into it.
        if (buf == nullptr) {
            return kVexaBadArgument;
        }
        return m_impl->Run(cmd, buf, len, len, timeout, false);
    }
    return Command(cmd, buf, kDefaultBufferSize, len, timeout);
}

unsigned CVexaLib::Command(unsigned char cmd, unsigned char* buf, std::size_t capacity,
                           unsigned char len, int timeout) {
    if (buf == nullptr || len > capacity) {
        return kVexaBadArgument;
    }
    return m_impl->Run(cmd, buf, capacity, len, timeout, true);
}

int CVexaLib::GetSendCount() const {
    return m_impl->sendCount.load();
}
int CVexaLib::GetRecvCount() const {
    return m_impl->recvCount.load();
}
int CVexaLib::GetDroppedCount() const {
    return m_impl->droppedCount.load();
}

void CVexaLib::SetSettingsFile(std::string path) {
    std::lock_guard config(m_impl->configMutex);
    m_impl->settingsPath = std::move(path);
}

void CVexaLib::SetTransportFactory(TransportFactory factory) {
    std::lock_guard config(m_impl->configMutex);
    m_impl->factory = std::move(factory);
}

void CVexaLib::CancelPending() {
    m_impl->Cancel();
}
