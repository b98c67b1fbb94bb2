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
    // One command as the caller gave it.
    struct Request {
        unsigned char cmd;
        unsigned char* buf;
        std::size_t capacity;
        unsigned char len;
        bool keepReply;  // false: the reply's data is not written anywhere
        ITransport::Clock::time_point deadline;
        std::uint64_t generation;  // the cancel generation when the caller came in
    };

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
    std::atomic<int> replacing{0};  // Open or Close waiting for the command lock

    // Command state, under commandMutex.
    std::uint8_t seq = 0;
    FrameDecoder decoder;
    std::uint64_t badFramesSeen = 0;  // decoder.BadFrames() already counted as dropped
    Frame reply;
    std::vector<std::uint8_t> request;
    std::array<std::uint8_t, 2 * vantel::kMaxFrameSize> rx{};

    Impl() { request.reserve(vantel::kMaxFrameSize); }

    void Cancel();
    std::unique_lock<std::mutex> TakeOver();
    void Replace(std::unique_ptr<ITransport> next);
    bool NextFrame();
    unsigned Fail(IoStatus status, std::uint64_t generation) const;
    Request MakeRequest(unsigned char cmd, unsigned char* buf, std::size_t capacity,
                        unsigned char len, int timeout, bool keepReply) const;
    unsigned Run(const Request& r);
    IoStatus AwaitReply(ITransport& link, const Request& r, unsigned& result, bool& heard);
    unsigned Deliver(const Request& r) const;
};

void CVexaLib::Impl::Cancel() {
    cancelGeneration.fetch_add(1);
    std::lock_guard lock(transportMutex);
    if (transport) {
        transport->Cancel();
    }
}

// For Open and Close: wakes a waiting command and takes the command lock before any command
// that comes in meanwhile (those return kVexaClosed at once instead of running first).
std::unique_lock<std::mutex> CVexaLib::Impl::TakeOver() {
    replacing.fetch_add(1);
    Cancel();
    std::unique_lock lock(commandMutex);
    replacing.fetch_sub(1);
    return lock;
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

unsigned CVexaLib::Impl::Run(const Request& r) {
    std::lock_guard lock(commandMutex);
    if (!transport || open.load() == 0) {
        return kVexaClosed;
    }
    ITransport& link = *transport;
    link.ClearCancel();
    if (replacing.load() > 0 || cancelGeneration.load() != r.generation) {
        return kVexaClosed;
    }
    for (int attempt = 0;; ++attempt) {
        if (!link.IsOpen()) {
            decoder.Reset();
            if (!link.Reopen(r.deadline)) {
                return Fail(IoStatus::kFailed, r.generation);
            }
        }
        request.clear();
        vantel::AppendFrame(request, ++seq, r.cmd, 0, r.buf, r.len);
        IoStatus status = link.Write(request.data(), request.size(), r.deadline);
        bool heard = false;
        if (status == IoStatus::kOk) {
            sendCount.fetch_add(1);
            unsigned result = kVexaOk;
            status = AwaitReply(link, r, result, heard);
            if (status == IoStatus::kOk) {
                return result;
            }
        }
        // A stream that broke before any byte came back (the device restarted, its close
        // reached us only now) is made again and the request sent once more: either the
        // device never got it, or it handles it again to the same effect, since every
        // command sets a state rather than stepping one.
        if (status != IoStatus::kFailed || heard || attempt > 0) {
            return Fail(status, r.generation);
        }
    }
}

// Reads until the reply to the request just sent arrives; everything else is dropped.
IoStatus CVexaLib::Impl::AwaitReply(ITransport& link, const Request& r, unsigned& result,
                                    bool& heard) {
    for (;;) {
        while (NextFrame()) {
            if (reply.seq != seq || reply.cmd != r.cmd) {
                droppedCount.fetch_add(1);
                continue;
            }
            recvCount.fetch_add(1);
            result = Deliver(r);
            return IoStatus::kOk;
        }
        std::size_t received = 0;
        const IoStatus status = link.Read(rx.data(), rx.size(), received, r.deadline);
        if (status != IoStatus::kOk) {
            return status;
        }
        heard = true;
        decoder.Feed(rx.data(), received);
    }
}

// The matched reply into the caller's buffer, behind the payload, if it is usable and fits.
unsigned CVexaLib::Impl::Deliver(const Request& r) const {
    if (reply.status != vantel::kStatusOk) {
        return kVexaRefused;
    }
    if (!r.keepReply) {
        return kVexaOk;
    }
    if (reply.payload.size() > r.capacity - r.len) {
        return kVexaReplyTooLarge;
    }
    if (!reply.payload.empty()) {
        std::memcpy(r.buf + r.len, reply.payload.data(), reply.payload.size());
    }
    return kVexaOk;
}

CVexaLib::Impl::Request CVexaLib::Impl::MakeRequest(unsigned char cmd, unsigned char* buf,
                                                    std::size_t capacity, unsigned char len,
                                                    int timeout, bool keepReply) const {
    const auto deadline =
        ITransport::Clock::now() + std::chrono::milliseconds(std::max(timeout, 0));
    return Request{cmd, buf, capacity, len, keepReply, deadline, cancelGeneration.load()};
}

CVexaLib::CVexaLib() : m_impl(std::make_unique<Impl>()) {}

CVexaLib::~CVexaLib() {
    Close();
}

int CVexaLib::Open(const char* port) {
    const auto lock = m_impl->TakeOver();
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
    const auto lock = m_impl->TakeOver();
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
        return m_impl->Run(m_impl->MakeRequest(cmd, buf, len, len, timeout, false));
    }
    return Command(cmd, buf, kDefaultBufferSize, len, timeout);
}

unsigned CVexaLib::Command(unsigned char cmd, unsigned char* buf, std::size_t capacity,
                           unsigned char len, int timeout) {
    if (buf == nullptr || len > capacity) {
        return kVexaBadArgument;
    }
    return m_impl->Run(m_impl->MakeRequest(cmd, buf, capacity, len, timeout, true));
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
