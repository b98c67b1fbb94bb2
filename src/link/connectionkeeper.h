#pragma once
// ConnectionKeeper: the background side of a link whose connection can be made again (TCP, a
// serial device path). A thread of its own looks at the idle connection several times a
// second, so a peer that hung up shows at once as "not open", and connects again with a
// bounded back-off: at most one attempt a second, waiting longer after each failure, up to
// kLongestBackoff. The attempt bookkeeping is shared with the commands: a command that finds
// the connection broken may try once itself, as long as nobody tried since it was last up.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "link/transport.h"

namespace vantel {

class ConnectionKeeper {
public:
    using Clock = ITransport::Clock;
    static constexpr std::chrono::milliseconds kCheckPeriod{100};
    static constexpr std::chrono::milliseconds kFirstBackoff{1000};
    static constexpr std::chrono::milliseconds kLongestBackoff{3000};

    struct Tasks {
        // Looks at the connection while no command runs: false when it is down.
        std::function<bool()> check;
        // One attempt to connect again: true when the link is connected afterwards.
        std::function<bool()> reconnect;
    };

    ConnectionKeeper() = default;
    ~ConnectionKeeper();
    ConnectionKeeper(const ConnectionKeeper&) = delete;
    ConnectionKeeper& operator=(const ConnectionKeeper&) = delete;

    // A connection was just made (the link opened): the next attempt is a second away.
    void NoteConnected();
    // Starts the thread (after a Stop, a new one).
    void Start(Tasks tasks);
    // Asks the thread to end and returns at once; Join waits for it. Tasks that wait for
    // something the stopping side holds look at Stopping.
    void RequestStop();
    void Join();
    bool Stopping() const;

    // Opening failed: counts as the first attempt, so the next is the keeper's, a second on.
    void NoteOpenFailed();
    // The connection was found broken: the thread tries again as soon as the rate allows.
    void NoteBroken();
    // A command's own attempt: granted while nobody tried since the connection was last up.
    bool ClaimCommandAttempt();
    // The outcome of a granted attempt.
    void AttemptDone(bool connected);

private:
    void Run();
    bool ClaimScheduledAttempt();
    void Claim();

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    Tasks m_tasks;
    std::thread m_thread;
    bool m_stop = false;
    bool m_woken = false;
    bool m_attempted = false;  // an attempt was made since the connection was last up
    Clock::time_point m_lastAttempt{};
    std::chrono::milliseconds m_backoff = kFirstBackoff;
};

}  // namespace vantel
