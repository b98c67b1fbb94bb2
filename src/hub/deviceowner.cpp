#include "hub/deviceowner.h"

#include <algorithm>
#include <array>
#include <set>

#include "hub/routeplan.h"
#include "link/devicecommand.h"
#include "link/mark.h"

namespace vantel {

namespace {

constexpr std::size_t kImageSize = CStateImage::kImageSize;
constexpr std::size_t kSetupSize = CSetupBlock::kSetupBlockSize;
// The link carries a payload of at most this many bytes.
constexpr std::size_t kMaxForwardPayload = 255;
constexpr auto kOpenRetry = std::chrono::seconds(1);
constexpr std::chrono::milliseconds kAbsentPause{100};
// How long the line must be free of requests before a station's switch is read back; a burst
// of switches is read back once.
constexpr std::chrono::milliseconds kReadBackDelay{20};

// The reply data length of a command the hub forwards; nothing for a command it does not know.
std::optional<std::size_t> ReplySize(std::uint8_t cmd) {
    switch (cmd) {
        case kReadSetup:
            return kSetupSize;
        case kReadImage:
            return kImageSize;
        case kWriteSetup:
        case kLoadScene:
        case kSaveScene:
        case kSwitch:
            return 0;
        default:
            return std::nullopt;
    }
}

bool ChangesLive(std::uint8_t cmd) {
    return cmd == kWriteSetup || cmd == kLoadScene || cmd == kSwitch;
}

// A switch payload with each output port once, as the device counts it.
std::vector<std::uint8_t> WithoutRepeats(const std::vector<std::uint8_t>& payload) {
    if (payload.empty()) {
        return payload;
    }
    std::vector<std::uint8_t> out{payload[0]};
    std::set<std::uint8_t> seen;
    for (std::size_t i = 1; i < payload.size(); ++i) {
        if (seen.insert(payload[i]).second) {
            out.push_back(payload[i]);
        }
    }
    return out;
}

Frame Reply(const Frame& request, std::uint8_t status, std::vector<std::uint8_t> data = {}) {
    return Frame{request.seq, request.cmd, status, std::move(data)};
}

bool SoundImage(const CStateImage& image) {
    return image.HasMark() && image.InputCount() >= 1 && image.OutputCount() >= 1 &&
           image.PortCount() == image.InputCount() + image.OutputCount();
}

// The options with a log and a record that do nothing where none is given.
DeviceOwnerOptions WithDefaults(DeviceOwnerOptions options) {
    if (!options.log) {
        options.log = [](const std::string&) {};
    }
    if (!options.record) {
        options.record = [](const std::string&, const std::string&) {};
    }
    return options;
}

}  // namespace

CDeviceOwner::CDeviceOwner(DeviceOwnerOptions options, Publisher publish)
    : m_options(WithDefaults(std::move(options))),
      m_publish(std::move(publish)),
      m_locks(m_options.settingsPath, m_options.log, m_options.record),
      m_labels(m_options.settingsPath) {
    m_link.SetSettingsFile(m_options.settingsPath);
    if (m_options.transportFactory) {
        m_link.SetTransportFactory(m_options.transportFactory);
    }
    TakeLabels();  // the name and id are known before the device answers
}

CDeviceOwner::~CDeviceOwner() {
    Stop();
}

void CDeviceOwner::Start() {
    m_thread = std::thread([this] { Run(); });
}

void CDeviceOwner::Stop() {
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    m_link.CancelPending();
    if (m_thread.joinable()) {
        m_thread.join();
    }
    m_link.Close();
}

void CDeviceOwner::Post(std::function<void()> job) {
    {
        std::lock_guard lock(m_mutex);
        m_jobs.push_back(std::move(job));
    }
    m_wake.notify_one();
}

void CDeviceOwner::Station(Frame request, StationDone done) {
    Post([this, request = std::move(request), done = std::move(done)] { done(Forward(request)); });
}

void CDeviceOwner::Text(LockOwner owner, TextRequest request, TextDone done) {
    Post([this, owner = std::move(owner), request = std::move(request), done = std::move(done)] {
        bool ok = false;
        switch (request.kind) {
            case TextRequestKind::kRoute:
                ok = Route(owner, request.routes);
                break;
            case TextRequestKind::kSetInputLabels:
                ok = SetLabels(ButtonKind::kInput, request.labels);
                break;
            case TextRequestKind::kSetOutputLabels:
                ok = SetLabels(ButtonKind::kOutput, request.labels);
                break;
            case TextRequestKind::kLock:
                ok = m_state.present &&
                     m_locks.Apply(owner, request.locks, m_options.allowForceUnlock);
                break;
            case TextRequestKind::kSetFriendlyName:
                ok = SetFriendlyName(request.name);
                break;
            default:
                break;
        }
        // The client hears its answer first, then the change like everybody else.
        done(ok);
        Publish();
    });
}

void CDeviceOwner::Connect(LockOwner owner, std::vector<std::pair<int, int>> routes,
                           std::chrono::steady_clock::time_point deadline, ConnectDone done) {
    Post([this, owner = std::move(owner), routes = std::move(routes), deadline,
          done = std::move(done)] {
        std::vector<int> locked;
        std::vector<std::pair<int, int>> free;
        for (const auto& route : routes) {
            if (m_locks.Table().HeldByOther(route.first, owner)) {
                locked.push_back(route.first);
            } else {
                free.push_back(route);
            }
        }
        const bool late = std::chrono::steady_clock::now() > deadline;
        const bool applied = !late && m_state.present && (free.empty() || Route(owner, free));
        Publish();
        done(applied, std::move(locked));
    });
}

void CDeviceOwner::Label(ButtonKind kind, int index, std::string text, TextDone done) {
    Post([this, kind, index, text = std::move(text), done = std::move(done)] {
        const bool ok = SetLabels(kind, {{index, text}});
        Publish();
        done(ok);
    });
}

void CDeviceOwner::Run() {
    std::unique_lock lock(m_mutex);
    while (!m_stop) {
        RunJobs(lock);
        if (m_stop) {
            break;
        }
        const auto now = std::chrono::steady_clock::now();
        if (m_readBackDue && now >= m_nextReadBack) {
            lock.unlock();
            ReadBack();
            lock.lock();
            continue;
        }
        if (now >= m_nextRefresh) {
            lock.unlock();
            Refresh();
            lock.lock();
            // An absent device is looked for again at a calm pace even where the refresh
            // runs as fast as the line answers, so a missing line never spins the thread.
            const auto pause = m_state.present ? m_options.refresh
                                               : std::max<std::chrono::milliseconds>(
                                                     m_options.refresh, kAbsentPause);
            m_nextRefresh = std::chrono::steady_clock::now() + pause;
            continue;
        }
        const auto wakeAt = m_readBackDue ? std::min(m_nextRefresh, m_nextReadBack) : m_nextRefresh;
        m_wake.wait_until(lock, wakeAt, [this] { return m_stop || !m_jobs.empty(); });
    }
}

// Jobs come before the refresh, so a busy line never keeps a client's command waiting for
// more than one refresh.
void CDeviceOwner::RunJobs(std::unique_lock<std::mutex>& lock) {
    while (!m_stop && !m_jobs.empty()) {
        auto job = std::move(m_jobs.front());
        m_jobs.pop_front();
        lock.unlock();
        job();
        lock.lock();
    }
}

void CDeviceOwner::ReadBack() {
    m_readBackDue = false;
    if (m_state.present && !ReadLive(false)) {
        SetAbsent("no answer from " + m_options.port);
    }
    Publish();
}

void CDeviceOwner::Refresh() {
    m_readBackDue = false;  // the refresh reads the image too
    if (!EnsureOpen()) {
        SetAbsent("cannot connect to " + m_options.port);
    } else if (!ReadLive()) {
        SetAbsent("no answer from " + m_options.port);
    }
    NoteConnectFailure();
    if (m_labels.Reload()) {
        TakeLabels();
    }
    Publish();
}

bool CDeviceOwner::EnsureOpen() {
    // Once opened, or once the link's keeper made the connection after an Open that failed,
    // the keeper connects again by itself.
    if (m_link.IsOpen() != 0) {
        m_opened = true;
        return true;
    }
    if (m_opened) {
        return false;
    }
    const auto now = std::chrono::steady_clock::now();
    if (now < m_nextOpen) {
        return false;
    }
    m_nextOpen = now + kOpenRetry;
    m_opened = m_link.Open(m_options.port.c_str()) != 0;
    return m_opened;
}

// Reads the live image and, unless told the setup block cannot have changed, the setup
// block; true when what was read is sound.
bool CDeviceOwner::ReadLive(bool withSetup) {
    const auto image = Command(Frame{0, kReadImage, 0, {0}}, kImageSize);
    if (!image || image->status != 0 || !SoundImage(CStateImage(image->payload))) {
        return false;
    }
    std::optional<Frame> setup;
    if (withSetup) {
        setup = Command(Frame{0, kReadSetup, 0, {}}, kSetupSize);
        if (!setup || setup->status != 0) {
            return false;
        }
    }
    if (!m_state.present) {
        m_options.log("device " + m_options.port + " answers");
    }
    m_state.present = true;
    m_state.image = CStateImage(image->payload);
    if (setup) {
        m_state.setup = CSetupBlock(setup->payload);
    }
    m_locks.Fit(m_state.Outputs());
    TakeLabels();
    return true;
}

// Logs once why connecting cannot even be tried (no file descriptor left); the link keeps
// trying meanwhile.
void CDeviceOwner::NoteConnectFailure() {
    const std::string failure = m_link.LastConnectFailure();
    if (failure != m_connectFailure && !failure.empty()) {
        m_options.log("cannot connect to " + m_options.port + ": " + failure + "; trying again");
    }
    m_connectFailure = failure;
}

void CDeviceOwner::SetAbsent(const std::string& why) {
    if (m_state.present) {
        m_options.log("device gone: " + why);
    }
    m_state.present = false;
}

void CDeviceOwner::TakeLabels() {
    const auto take = [](const std::vector<std::string>& all, int count) {
        const auto n = static_cast<std::size_t>(std::clamp(count, 0, kMaxLabelButtons));
        return std::vector<std::string>(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(n));
    };
    m_state.inputLabels = take(m_labels.Labels(ButtonKind::kInput), m_state.Inputs());
    m_state.outputLabels = take(m_labels.Labels(ButtonKind::kOutput), m_state.Outputs());
    m_state.friendlyName = m_labels.FriendlyName();
    m_state.uniqueId = m_labels.UniqueId();
}

bool CDeviceOwner::SetFriendlyName(const std::string& name) {
    return Stored(m_labels.SetFriendlyName(name), "friendly name");
}

// What a write to the settings file leaves: the labels and names as the file now holds them,
// and a log line when the write failed.
bool CDeviceOwner::Stored(bool written, const char* what) {
    if (!written) {
        m_options.log(std::string(what) + " not written to " +
                      (m_options.settingsPath.empty() ? std::string("(no settings file)")
                                                      : m_options.settingsPath));
    }
    TakeLabels();
    return written;
}

void CDeviceOwner::Publish() {
    m_state.lockOwners = m_locks.Table().Owners();
    if (m_everPublished && m_state == m_published) {
        return;
    }
    m_everPublished = true;
    m_published = m_state;
    m_publish(m_published);
}

// Sends a command; the reply (status and data), or nothing when the device gave no usable
// answer. A lost connection marks the device absent at once.
std::optional<Frame> CDeviceOwner::Command(const Frame& request, std::size_t replySize) {
    if (request.payload.size() > kMaxForwardPayload || !m_link.IsOpen()) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> buffer(CVexaLib::kDefaultBufferSize, 0);
    std::copy(request.payload.begin(), request.payload.end(), buffer.begin());
    const auto len = static_cast<unsigned char>(request.payload.size());
    const unsigned result =
        m_link.Command(request.cmd, buffer.data(), buffer.size(), len, m_options.timeoutMs);
    if (result == kVexaOk) {
        const auto from = buffer.begin() + len;
        return Reply(
            request, 0,
            std::vector<std::uint8_t>(from, from + static_cast<std::ptrdiff_t>(replySize)));
    }
    if (result == kVexaRefused) {
        return Reply(request, static_cast<std::uint8_t>(m_link.GetLastRefusal()));
    }
    if (result == kVexaConnectionLost || result == kVexaClosed) {
        SetAbsent("connection to " + m_options.port + " lost");
    }
    return std::nullopt;
}

std::optional<Frame> CDeviceOwner::Forward(const Frame& request) {
    if (!m_state.present) {
        return std::nullopt;
    }
    const auto size = ReplySize(request.cmd);
    if (!size) {
        return Reply(request, kStatusUnknownCommand);
    }
    Frame sent = request;
    if (sent.cmd == kSwitch) {
        sent.payload = WithoutRepeats(sent.payload);
    }
    if (sent.payload.size() > kMaxForwardPayload) {
        // No command of the device is this long; a switch this long names ports it lacks.
        return Reply(request, sent.cmd == kSwitch ? kStatusOutOfRange : kStatusBadLength);
    }
    if (const auto verdict = CheckLocks(sent); !verdict.forward) {
        return verdict.status ? std::optional<Frame>(Reply(request, *verdict.status))
                              : std::nullopt;
    }
    auto reply = Command(sent, *size);
    if (sent.cmd == kSwitch && reply && reply->status == 0) {
        // A plain route the device answered done: the image it leaves is known, so the
        // station hears its answer at once and the read-back follows when the line is quiet.
        m_state.image = AfterSwitch(m_state.image, sent.payload);
        m_readBackDue = true;
        m_nextReadBack = std::chrono::steady_clock::now() + kReadBackDelay;
    } else if (ChangesLive(sent.cmd) && m_state.present && !ReadLive(sent.cmd == kWriteSetup)) {
        SetAbsent("no answer from " + m_options.port);
    }
    Publish();
    if (reply) {
        reply->seq = request.seq;
    }
    return reply;
}

// Whether a request may go to the device: it may unless it would change an output that a
// client has locked. A check that cannot be made (the device does not answer the fresh read
// it needs) never lets the request through: the station hears nothing, as from an absent
// device, and the request is not sent.
CDeviceOwner::LockVerdict CDeviceOwner::CheckLocks(const Frame& request) {
    const LockVerdict pass{true, std::nullopt};
    const LockVerdict locked{false, kStatusLocked};
    const LockVerdict unchecked{false, std::nullopt};
    if (!m_locks.Table().Any() || !ChangesLive(request.cmd)) {
        return pass;
    }
    if (request.cmd == kWriteSetup) {
        // New counts would take outputs away or add some under a lock.
        const CSetupBlock block(request.payload);
        const bool resizes =
            request.payload.size() == kSetupSize &&
            (block.InputCount() != m_state.Inputs() || block.OutputCount() != m_state.Outputs());
        return resizes ? locked : pass;
    }
    if (!ReadLive(false)) {
        return unchecked;
    }
    std::vector<int> changed;
    if (request.cmd == kSwitch) {
        changed = OutputsChangedBySwitch(m_state.image, request.payload);
    } else if (request.payload.size() == 2 && request.payload[1] != 0) {
        const auto scene = Command(Frame{0, kReadImage, 0, {request.payload[1]}}, kImageSize);
        if (!scene) {
            return unchecked;
        }
        if (scene->status != 0) {
            // A scene the device will not read it will not load either: its refusal stands.
            return LockVerdict{false, scene->status};
        }
        changed = OutputsThatDiffer(m_state.image, CStateImage(scene->payload));
    }
    const bool any = std::any_of(changed.begin(), changed.end(),
                                 [this](int j) { return m_locks.Table().IsLocked(j); });
    return any ? locked : pass;
}

// Routes (output, input) pairs for a text client: all of them, or none when one of the
// outputs it would change is locked by another owner. True once the device was read back
// holding every pair.
bool CDeviceOwner::Route(const LockOwner& owner, const Routes& routes) {
    if (!m_state.present || !ReadLive(false)) {
        return false;
    }
    if (!RoutesAllowed(m_state, m_locks.Table().Owners(), owner, routes)) {
        return false;
    }
    return ApplyPlan(routes) && RoutesNotHeld(m_state, routes).empty();
}

// The switch commands for the routes against the image just read, then one read of the image;
// false when a command or the read-back failed.
bool CDeviceOwner::ApplyPlan(const Routes& routes) {
    for (const auto& command : PlanRoutes(m_state.image, routes)) {
        const auto reply = Command(Frame{0, kSwitch, 0, SwitchPayload(m_state.image, command)}, 0);
        if (!reply || reply->status != 0) {
            ReadLive(false);
            return false;
        }
    }
    return ReadLive(false);
}

void CDeviceOwner::QueueRoutes(LockOwner owner, Routes routes) {
    bool post = false;
    {
        std::lock_guard lock(m_mutex);
        m_routeBatches.push_back(RouteBatch{std::move(owner), std::move(routes)});
        post = !m_routeJobPosted;
        m_routeJobPosted = true;
    }
    if (post) {
        Post([this] { ApplyQueuedRoutes(); });
    }
}

// Every batch accepted by now, in the order they came: a batch that a lock made since its
// acceptance would refuse is left out whole; the rest go to the device as one plan.
void CDeviceOwner::ApplyQueuedRoutes() {
    std::vector<RouteBatch> batches;
    {
        std::lock_guard lock(m_mutex);
        batches.swap(m_routeBatches);
        m_routeJobPosted = false;
    }
    if (!m_state.present || !ReadLive(false)) {
        for (const auto& batch : batches) {
            NotTaken(batch.owner, "no device", batch.routes);
        }
        Publish();
        return;
    }
    std::vector<RouteBatch> refused;
    const Routes merged = MergeBatches(batches, m_state, m_locks.Table(), refused);
    if (!merged.empty() && !ApplyPlan(merged)) {
        m_options.log("routes not confirmed by " + m_options.port);
    }
    for (const auto& batch : refused) {
        NotTaken(batch.owner, "locked", batch.routes);
    }
    const Routes missing = RoutesNotHeld(m_state, merged);
    for (const auto& batch : batches) {
        Routes own;
        for (const auto& route : missing) {
            const bool asked = std::any_of(batch.routes.begin(), batch.routes.end(),
                                           [&](const auto& r) { return r.first == route.first; });
            if (asked) {
                own.push_back(route);
            }
        }
        if (!own.empty()) {
            NotTaken(batch.owner, "not taken by the device", own);
        }
    }
    Publish();
}

void CDeviceOwner::NotTaken(const LockOwner& owner, const char* why, const Routes& routes) {
    const std::string text = NotTakenText(owner, why, routes, m_state);
    m_options.log("route not taken " + text);
    m_options.record("not taken", "route " + text);
}

bool CDeviceOwner::SetLabels(ButtonKind kind,
                             const std::vector<std::pair<int, std::string>>& labels) {
    if (!m_state.present) {
        return false;
    }
    return Stored(m_labels.Set(kind, labels), "labels");
}

}  // namespace vantel
