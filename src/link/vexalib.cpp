#include "link/vexalib.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <exception>
#include <optional>
#include <random>
#include <thread>

#include "link/connectionkeeper.h"
#include "link/devicecommand.h"
#include "link/frame.h"
#include "link/portconfig.h"
#include "link/transport.h"

using vantel::ConnectionKeeper;
using vantel::Frame;
using vantel::FrameDecoder;
using vantel::IoStatus;
using vantel::ITransport;

namespace {

constexpr std::chrono::milliseconds kOpenTimeout{2000};
// Input dropped before a request is read at most this far; what a babbling line sends
// beyond it is dropped by the reply matching.
constexpr std::size_t kMostDropped = 64 * 1024;

// The reply data length that a command's success carries; nothing for commands whose reply
// is not fixed (their data is delivered if it fits).
std::optional<std::size_t> FixedReplyLength(unsigned char cmd) {
    switch (cmd) {
        case kReadSetup:
            return 40;  // the setup block
        case kReadImage:
            return 508;  // a state image
        case kWriteSetup:
        case kLoadScene:
        case kSaveScene:
        case kSwitch:
            return 0;
        default:
            return std::nullopt;
    }
}

// A first sequence number that another process (or an earlier run of this one) on the same
// line is unlikely to share, so a reply meant for it does not match by chance.
std::uint8_t UnpredictableSeq() {
    std::random_device source;
    return static_cast<std::uint8_t>(source() & 0xFF);
}

// A new transport to the same place as t; nullptr where t cannot be made again, or where the
// system cannot make one now: without a free file descriptor, making a transport's socket
// machinery throws, and failure says why.
std::unique_ptr<ITransport> TryRemake(const ITransport& t, std::string& failure) {
    try {
        return t.Remake();
    } catch (const std::exception& e) {
        failure = e.what();
        return nullptr;
    }
}

// Whether t can be made again (tried by making one; a failure to get a descriptor for it
// still says yes: the place is one that can be connected to again).
bool Remakeable(const ITransport& t) {
    std::string failure;
    return TryRemake(t, failure) != nullptr || !failure.empty();
}

// Opens t again; false where it cannot, also where the system has no descriptor to give for
// the socket machinery (Asio throws then, on the first use of a transport's io_context).
bool TryReopen(ITransport& t, ITransport::Clock::time_point deadline, std::string& failure) {
    try {
        return t.Reopen(deadline);
    } catch (const std::exception& e) {
        failure = e.what();
        t.Close();
        return false;
    }
}

}  // namespace

struct CVexaLib::Impl {
    // One command as the caller gave it.
    struct Request {
        unsigned char cmd;
        unsigned char* buf;
        std::size_t capacity;
        unsigned char len;
        bool keepReply;  // false: the reply's data is not written anywhere
        std::chrono::milliseconds timeout;
        std::uint64_t generation;  // the cancel generation when the caller came in
    };

    // Held for a whole command, and while the transport is replaced.
    std::mutex commandMutex;
    // Guards the transport pointer (and a connection being made beside it) for IsOpen and
    // CancelPending, which must not wait for a command.
    mutable std::mutex transportMutex;
    std::unique_ptr<ITransport> transport;
    ITransport* connecting = nullptr;  // made by the keeper, not yet in place
    std::uint64_t session = 0;         // counts transports put in place by Open or Close

    std::mutex configMutex;
    std::string settingsPath;
    TransportFactory factory;

    std::atomic<int> sendCount{0};
    std::atomic<int> recvCount{0};
    std::atomic<int> droppedCount{0};
    // The status byte of the last reply that refused its command.
    mutable std::atomic<int> lastRefusal{0};
    std::atomic<std::uint64_t> cancelGeneration{0};
    std::atomic<int> replacing{0};  // Open or Close waiting for the command lock
    // Why the last attempt to connect could not even start; empty after one that could.
    mutable std::mutex failureMutex;
    std::string connectFailure;

    // Command state, under commandMutex.
    std::uint8_t seq = UnpredictableSeq();
    FrameDecoder decoder;
    std::uint64_t badFramesSeen = 0;  // decoder.BadFrames() already counted as dropped
    Frame reply;
    std::vector<std::uint8_t> request;
    std::array<std::uint8_t, 2 * vantel::kMaxFrameSize> rx{};

    // Declared last: its thread ends before the state it works on goes.
    ConnectionKeeper keeper;

    Impl() { request.reserve(vantel::kMaxFrameSize); }

    void Cancel();
    std::unique_lock<std::mutex> TakeOver();
    void Replace(std::unique_ptr<ITransport> next);
    void StartKeeper();
    bool Connected() const;
    bool CheckIdle();
    bool ConnectAgain();
    void NoteConnectFailure(std::string failure);
    bool Adopt(std::unique_ptr<ITransport> fresh, std::uint64_t forSession);
    IoStatus DropWaiting(ITransport& link);
    bool NextFrame();
    unsigned Fail(IoStatus status, std::uint64_t generation) const;
    Request MakeRequest(unsigned char cmd, unsigned char* buf, std::size_t capacity,
                        unsigned char len, int timeout, bool keepReply) const;
    unsigned Run(const Request& r);
    bool Reconnect(ITransport& link, ITransport::Clock::time_point deadline);
    IoStatus Exchange(ITransport& link, const Request& r, ITransport::Clock::time_point deadline,
                      unsigned& result, bool& heard);
    IoStatus AwaitReply(ITransport& link, const Request& r, ITransport::Clock::time_point deadline,
                        unsigned& result, bool& heard);
    unsigned Deliver(const Request& r) const;
};

void CVexaLib::Impl::Cancel() {
    cancelGeneration.fetch_add(1);
    std::lock_guard lock(transportMutex);
    if (transport) {
        transport->Cancel();
    }
    if (connecting != nullptr) {
        connecting->Cancel();
    }
}

// For Open and Close: stops the keeper, wakes a waiting command and takes the command lock
// before any command that comes in meanwhile (those return kVexaClosed at once instead of
// running first).
std::unique_lock<std::mutex> CVexaLib::Impl::TakeOver() {
    keeper.RequestStop();
    replacing.fetch_add(1);
    Cancel();
    std::unique_lock lock(commandMutex);
    replacing.fetch_sub(1);
    // The keeper never waits for the command lock, so it ends while we hold it.
    keeper.Join();
    return lock;
}

// Under commandMutex: closes the current transport and takes the next one (or none). Input
// that was waiting on the new one before any request is dropped.
void CVexaLib::Impl::Replace(std::unique_ptr<ITransport> next) {
    std::unique_ptr<ITransport> old;
    {
        std::lock_guard lock(transportMutex);
        old = std::move(transport);
        transport = std::move(next);
        ++session;
    }
    decoder.Reset();
    if (!transport) {
        return;
    }
    seq = UnpredictableSeq();
    if (transport->IsOpen()) {
        DropWaiting(*transport);
        keeper.NoteConnected();
    } else {
        // The open just failed: the keeper's first attempt follows a second later, and
        // commands meanwhile fail at once instead of each trying again.
        keeper.NoteOpenFailed();
    }
}

// Under commandMutex, after Replace: a connection that can be made again is kept up by a
// thread of the link.
void CVexaLib::Impl::StartKeeper() {
    if (!transport || !Remakeable(*transport)) {
        return;
    }
    keeper.Start({[this] { return CheckIdle(); }, [this] { return ConnectAgain(); }});
}

bool CVexaLib::Impl::Connected() const {
    std::lock_guard lock(transportMutex);
    return transport && transport->IsOpen();
}

// Keeper thread: while no command runs, drops what arrived unasked and notices a stream that
// broke. A running command finds that out itself.
bool CVexaLib::Impl::CheckIdle() {
    std::unique_lock lock(commandMutex, std::try_to_lock);
    if (!lock.owns_lock() || !transport) {
        return true;
    }
    return transport->IsOpen() && DropWaiting(*transport) == IoStatus::kOk;
}

// Keeper thread: one attempt to connect again, beside the broken transport, so that no
// command waits for it; the new connection is put in place only if Open or Close did not
// come in between.
bool CVexaLib::Impl::ConnectAgain() {
    std::unique_ptr<ITransport> fresh;
    std::uint64_t forSession = 0;
    {
        std::lock_guard lock(transportMutex);
        if (keeper.Stopping() || !transport) {
            return false;
        }
        if (transport->IsOpen()) {
            return true;  // a command made it again first
        }
        std::string failure;
        fresh = TryRemake(*transport, failure);
        NoteConnectFailure(std::move(failure));
        connecting = fresh.get();
        forSession = session;
    }
    std::string failure;
    const bool made = fresh && TryReopen(*fresh, ITransport::Clock::now() + kOpenTimeout, failure);
    if (!failure.empty()) {
        NoteConnectFailure(std::move(failure));
    }
    {
        std::lock_guard lock(transportMutex);
        connecting = nullptr;
    }
    return made && Adopt(std::move(fresh), forSession);
}

void CVexaLib::Impl::NoteConnectFailure(std::string failure) {
    std::lock_guard lock(failureMutex);
    connectFailure = std::move(failure);
}

bool CVexaLib::Impl::Adopt(std::unique_ptr<ITransport> fresh, std::uint64_t forSession) {
    // Open and Close stop the keeper while they hold the command lock: never wait for it.
    std::unique_lock lock(commandMutex, std::defer_lock);
    while (!lock.try_lock()) {
        if (keeper.Stopping()) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    std::unique_ptr<ITransport> old;
    {
        std::lock_guard guard(transportMutex);
        if (session != forSession || !transport) {
            return false;
        }
        if (transport->IsOpen()) {
            return true;
        }
        old = std::move(transport);
        transport = std::move(fresh);
    }
    decoder.Reset();
    DropWaiting(*transport);
    return transport->IsOpen();
}

// Under commandMutex: drops every byte that arrived before the request about to be sent (a
// late reply to a request that timed out, of this or another process on the same line), so
// that it can never be taken for the reply. Each frame found there counts as dropped, and so
// does a cut one.
IoStatus CVexaLib::Impl::DropWaiting(ITransport& link) {
    IoStatus status = IoStatus::kOk;
    std::size_t got = 0;
    for (std::size_t total = 0; total < kMostDropped; total += got) {
        // Frames that came in behind the last reply first, then what the line holds.
        while (NextFrame()) {
            droppedCount.fetch_add(1);
        }
        status = link.ReadWaiting(rx.data(), rx.size(), got);
        if (status != IoStatus::kOk || got == 0) {
            break;
        }
        decoder.Feed(rx.data(), got);
    }
    if (decoder.Buffered() > 0) {
        droppedCount.fetch_add(1);
    }
    decoder.Reset();
    return status;
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
    if (!transport) {
        return kVexaClosed;
    }
    ITransport& link = *transport;
    link.ClearCancel();
    if (replacing.load() > 0 || cancelGeneration.load() != r.generation) {
        return kVexaClosed;
    }
    // The time-out is the device's: it counts from here, not from when the caller came in
    // and waited for another thread's command.
    const auto deadline = ITransport::Clock::now() + r.timeout;
    for (int attempt = 0;; ++attempt) {
        if (!link.IsOpen() && !Reconnect(link, deadline)) {
            return Fail(IoStatus::kFailed, r.generation);
        }
        unsigned result = kVexaOk;
        bool heard = false;
        const IoStatus status = Exchange(link, r, deadline, result, heard);
        if (status == IoStatus::kOk) {
            return result;
        }
        // A stream that broke before any byte came back (the device restarted, its close
        // reached us only now) is made again and the request sent once more: either the
        // device never got it, or it handles it again to the same effect, since every
        // command sets a state rather than stepping one.
        if (status != IoStatus::kFailed || heard || attempt > 0) {
            if (status == IoStatus::kFailed) {
                keeper.NoteBroken();
            }
            return Fail(status, r.generation);
        }
    }
}

// A command's own attempt to connect again, within its time-out; granted once after the
// connection was last up, later attempts are the keeper's.
bool CVexaLib::Impl::Reconnect(ITransport& link, ITransport::Clock::time_point deadline) {
    if (!keeper.ClaimCommandAttempt()) {
        return false;
    }
    decoder.Reset();
    std::string failure;
    const bool made = TryReopen(link, deadline, failure);
    if (!failure.empty()) {
        NoteConnectFailure(std::move(failure));
    }
    keeper.AttemptDone(made);
    return made;
}

// Drops waiting input, sends the request and waits for its reply.
IoStatus CVexaLib::Impl::Exchange(ITransport& link, const Request& r,
                                  ITransport::Clock::time_point deadline, unsigned& result,
                                  bool& heard) {
    IoStatus status = DropWaiting(link);
    if (status != IoStatus::kOk) {
        return status;
    }
    request.clear();
    vantel::AppendFrame(request, ++seq, r.cmd, 0, r.buf, r.len);
    status = link.Write(request.data(), request.size(), deadline);
    if (status != IoStatus::kOk) {
        return status;
    }
    sendCount.fetch_add(1);
    return AwaitReply(link, r, deadline, result, heard);
}

// Reads until the reply to the request just sent arrives; everything else is dropped.
IoStatus CVexaLib::Impl::AwaitReply(ITransport& link, const Request& r,
                                    ITransport::Clock::time_point deadline, unsigned& result,
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
        const IoStatus status = link.Read(rx.data(), rx.size(), received, deadline);
        if (status != IoStatus::kOk) {
            return status;
        }
        heard = true;
        decoder.Feed(rx.data(), received);
    }
}

// The matched reply into the caller's buffer, behind the payload, if it is usable and fits.
// A success whose data is not of the command's length is unusable as a whole: a short block
// must not be taken for a device's settings or routing.
unsigned CVexaLib::Impl::Deliver(const Request& r) const {
    if (reply.status != vantel::kStatusOk) {
        lastRefusal.store(reply.status);
        return kVexaRefused;
    }
    const auto fixed = FixedReplyLength(r.cmd);
    if (fixed && reply.payload.size() != *fixed) {
        return kVexaBadReply;
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
    return Request{cmd,
                   buf,
                   capacity,
                   len,
                   keepReply,
                   std::chrono::milliseconds(std::max(timeout, 0)),
                   cancelGeneration.load()};
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
    std::unique_ptr<ITransport> next;
    try {
        next = factory ? factory(port) : vantel::MakeTransport(port, settingsPath);
        m_impl->NoteConnectFailure({});
    } catch (const std::exception& e) {
        // No socket to be had now (the file descriptor limit): a failed open, not a crash.
        m_impl->NoteConnectFailure(e.what());
        return 0;
    }
    if (next && !factory) {
        std::string failure;
        TryReopen(*next, ITransport::Clock::now() + kOpenTimeout, failure);
        m_impl->NoteConnectFailure(std::move(failure));
    }
    // A port that names a reachable place but did not open now (the device is off, its
    // serial adapter unplugged) is kept closed: the keeper connects as soon as it can, so a
    // device switched on after the application needs no operator action.
    if (next && (next->IsOpen() || Remakeable(*next))) {
        m_impl->Replace(std::move(next));
        m_impl->StartKeeper();
    }
    return IsOpen();
}

void CVexaLib::Close() {
    const auto lock = m_impl->TakeOver();
    m_impl->Replace(nullptr);
}

std::string CVexaLib::LastConnectFailure() const {
    std::lock_guard lock(m_impl->failureMutex);
    return m_impl->connectFailure;
}

int CVexaLib::IsOpen() const {
    return m_impl->Connected() ? 1 : 0;
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
    return m_impl->Run(m_impl->MakeRequest(cmd, buf, capacity, len, timeout, cmd != kWriteSetup));
}

int CVexaLib::GetSendCount() const {
    return m_impl->sendCount.load();
}
int CVexaLib::GetRecvCount() const {
    return m_impl->recvCount.load();
}
int CVexaLib::GetLastRefusal() const {
    return m_impl->lastRefusal.load();
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
