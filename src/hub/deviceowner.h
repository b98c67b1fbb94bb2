#pragma once
// CDeviceOwner: the hub's one link to the switcher and the one thread that uses it. Every
// client's request becomes a job in one queue, so requests reach the device one after the
// other in the order they came. Between jobs it reads the state image and setup block at the
// refresh period, so changes made at the device itself are seen too, and after every change
// it forwards. Whenever what it knows changes (routing, setup, labels, locks, the device
// coming or going) it hands a whole snapshot to the publisher: before it answers a station's
// request that caused the change (so the station's next read shows it), after it answers a
// text client's (which hears ACK, then the change like every other client).

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "hub/hubsnapshot.h"
#include "hub/keptlocks.h"
#include "hub/labelstore.h"
#include "hub/routebatch.h"
#include "hub/textrequest.h"
#include "link/frame.h"
#include "link/vexalib.h"

namespace vantel {

// A reply status of the hub's own: an output that the command would change is locked.
inline constexpr std::uint8_t kStatusLocked = 6;

struct DeviceOwnerOptions {
    std::string port;          // the link's port text: COMn, a device path or an address
    std::string settingsPath;  // CONNECT keys, the COMn map and the button labels
    CVexaLib::TransportFactory transportFactory;  // set for a device path
    std::chrono::milliseconds refresh{250};       // 0: as fast as the link answers
    int timeoutMs = 500;                          // of each device command
    bool allowForceUnlock = true;                 // a client may force another's lock open
    bool ackAfterApply = false;  // a text client's route is answered once done, not accepted
    std::function<void(const std::string&)> log;
    // Every lock, unlock and force, and every accepted change the device did not take, for the
    // action journal: a kind ("lock", "unlock", "force unlock", "not taken") and what it was.
    std::function<void(const std::string& action, const std::string& text)> record;
};

class CDeviceOwner {
public:
    using Publisher = std::function<void(const HubSnapshot&)>;
    // The reply frame for a station's request; nothing when the device gave no usable answer
    // (the station then sees what a device that does not answer gives it).
    using StationDone = std::function<void(std::optional<Frame>)>;
    using TextDone = std::function<void(bool)>;

    CDeviceOwner(DeviceOwnerOptions options, Publisher publish);
    ~CDeviceOwner();
    CDeviceOwner(const CDeviceOwner&) = delete;
    CDeviceOwner& operator=(const CDeviceOwner&) = delete;

    void Start();
    // Ends the thread; jobs still queued are dropped unanswered.
    void Stop();

    // A station's request; a station holds no locks, it can only be refused by them.
    void Station(Frame request, StationDone done);
    // A route, label or lock request of a text client, on behalf of the lock owner it
    // connects as; done(true) once it holds.
    void Text(LockOwner owner, TextRequest request, TextDone done);
    // Routes a text client was told were accepted: applied with every other batch waiting by
    // then, in one plan and one read-back. What the device did not take is logged and recorded,
    // and every client gets the routing the device really holds.
    void QueueRoutes(LockOwner owner, Routes routes);
    bool AckAfterApply() const { return m_options.ackAfterApply; }
    // A matrix connection request of a client that holds no locks of its own making (the
    // Ember+ face), as (output, input) pairs; an input below 0 unroutes the output. Outputs
    // whose lock another owner holds are left as they are and listed in locked; the others
    // are routed as a text client's route. done(applied, locked): applied once the device was
    // read back holding every pair routed; the change is published before done is called. A
    // request whose job starts after deadline (it waited out a device that did not answer) is
    // not applied at all.
    using ConnectDone = std::function<void(bool, std::vector<int>)>;
    void Connect(LockOwner owner, std::vector<std::pair<int, int>> routes,
                 std::chrono::steady_clock::time_point deadline, ConnectDone done);
    // One label of a client that answers with the state (the Ember+ face): written as a text
    // client's, but published before done(ok), so the state the network thread has when
    // done's answer runs there holds it.
    void Label(ButtonKind kind, int index, std::string text, TextDone done);

private:
    void Post(std::function<void()> job);
    void Run();
    void RunJobs(std::unique_lock<std::mutex>& lock);
    void Refresh();
    void ReadBack();
    bool EnsureOpen();
    bool ReadLive(bool withSetup = true);
    void SetAbsent(const std::string& why);
    void NoteConnectFailure();
    void Publish();

    std::optional<Frame> Forward(const Frame& request);
    // Whether a change may be forwarded; when not, the refusal status, or none for no reply.
    struct LockVerdict {
        bool forward;
        std::optional<std::uint8_t> status;
    };
    LockVerdict CheckLocks(const Frame& request);
    std::optional<Frame> Command(const Frame& request, std::size_t replySize);
    bool Route(const LockOwner& owner, const Routes& routes);
    bool ApplyPlan(const Routes& routes);
    void ApplyQueuedRoutes();
    void NotTaken(const LockOwner& owner, const char* why, const Routes& routes);
    bool SetLabels(ButtonKind kind, const std::vector<std::pair<int, std::string>>& labels);
    void TakeLabels();
    bool SetFriendlyName(const std::string& name);
    bool Stored(bool written, const char* what);

    DeviceOwnerOptions m_options;
    Publisher m_publish;
    CVexaLib m_link;
    CKeptLocks m_locks;
    CLabelStore m_labels;
    HubSnapshot m_state;
    HubSnapshot m_published;
    bool m_everPublished = false;
    bool m_opened = false;
    std::string m_connectFailure;  // logged already
    std::chrono::steady_clock::time_point m_nextOpen{};
    std::chrono::steady_clock::time_point m_nextRefresh{};
    bool m_readBackDue = false;  // a switch answered done waits for its read-back
    std::chrono::steady_clock::time_point m_nextReadBack{};

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::function<void()>> m_jobs;
    std::vector<RouteBatch> m_routeBatches;  // accepted, waiting for the job that applies them
    bool m_routeJobPosted = false;
    bool m_stop = false;
    std::thread m_thread;
};

}  // namespace vantel
