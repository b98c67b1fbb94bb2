#include "app/easythreadmgr.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

const std::string kSafe = "==>>CloseAllThread() closed all thread in safe mode.\r\n";

std::string Unsafe(int n) {
    return "==>>CloseAllThread() closed " + std::to_string(n) + " threads in unsafe mode.\r\n";
}

// Waits (generously) until pred holds; false if it never does.
template <class Pred>
bool Eventually(Pred pred) {
    const auto until = Clock::now() + std::chrono::seconds(10);
    while (!pred()) {
        if (Clock::now() > until) {
            return false;
        }
        std::this_thread::sleep_for(milliseconds(1));
    }
    return true;
}

// An owner with both hooks and a few kinds of worker body.
class Owner : public CEasyThreadMgr<Owner> {
public:
    using CEasyThreadMgr::m_arrThreads;
    using CEasyThreadMgr::m_bClosing;
    using CEasyThreadMgr::m_nMaxThreads;
    using CEasyThreadMgr::m_nThreadCnter;

    ~Owner() { CloseAllThread(100); }

    // Hooks.
    void PumpMessages() {
        ++pumps;
        if (requestPending.exchange(false)) {
            requestServed = true;
            requestServed.notify_all();
        }
        if (onPump) {
            onPump();
        }
    }
    void CancelThreadWaits() {
        if (cancels++ == 0) {
            pumpsAtCancel = pumps.load();
            firstCancel = Clock::now();
        }
        cancelled = true;
        cancelled.notify_all();
        gate = true;
        gate.notify_all();
    }

    // Worker bodies.
    void EndAtOnce() { ended = true; }
    int WatchFlag() {
        while (!m_bClosing) {
            std::this_thread::sleep_for(milliseconds(1));
        }
        return 7;
    }
    // Ignores the flag; holds a lock while it blocks in a wait that only a cancel wakes.
    void HoldLockUntilCancelled() {
        std::lock_guard hold(held);
        entered = true;
        cancelled.wait(false);
    }
    void WaitForGate() {
        ++atGate;
        gate.wait(false);
    }
    // Asks the owner thread for something and waits until its messages have been served.
    void WaitForOwnerThread() {
        requestPending = true;
        requestServed.wait(false);
        WatchFlag();
    }

    std::function<void()> onPump;  // runs on the owner thread inside PumpMessages
    std::atomic<int> pumps{0};
    std::atomic<int> cancels{0};
    int pumpsAtCancel = -1;
    Clock::time_point firstCancel;
    std::atomic<bool> cancelled{false};
    std::atomic<bool> entered{false};
    std::atomic<bool> ended{false};
    std::atomic<bool> gate{false};
    std::atomic<int> atGate{0};
    std::atomic<bool> requestPending{false};
    std::atomic<bool> requestServed{false};
    std::mutex held;
};

// An owner without hooks: the manager serves no messages and cancels nothing for it.
class Bare : public CEasyThreadMgr<Bare> {
public:
    void WatchFlag() {
        while (!m_bClosing) {
            std::this_thread::sleep_for(milliseconds(1));
        }
    }
};

class ThreadMgr : public ::testing::Test {
protected:
    void SetUp() override {
        vantel::ThreadTraceSink() = [this](const std::string& line) { trace.push_back(line); };
    }
    void TearDown() override { vantel::ThreadTraceSink() = nullptr; }

    std::vector<std::string> trace;
};

TEST_F(ThreadMgr, NoThreadsEndsAtOnceWithoutWaiting) {
    struct Case {
        unsigned limit;
        std::string line;
    };
    // A limit of 0 checks nothing and goes straight to the forced stop, which finds nothing.
    const Case cases[] = {{1000, kSafe}, {100, kSafe}, {0, Unsafe(0)}};
    for (const Case& c : cases) {
        Owner owner;
        trace.clear();
        EXPECT_EQ(owner.CloseAllThread(c.limit), 0);
        EXPECT_EQ(owner.pumps, 0) << "limit " << c.limit;
        EXPECT_EQ(owner.cancels, 0) << "limit " << c.limit;
        EXPECT_EQ(trace, std::vector<std::string>{c.line}) << "limit " << c.limit;
        EXPECT_EQ(owner.m_bClosing, 0);
    }
}

TEST_F(ThreadMgr, LoopWatchingTheFlagEndsByItself) {
    struct Case {
        unsigned limit;
        std::string line;
    };
    // With 100 the loop ends during the only wait (the owner's messages are served until it
    // has reported its end): taken off before the forced stop, which finds nothing to stop.
    const Case cases[] = {{5000, kSafe}, {100, Unsafe(0)}};
    for (const Case& c : cases) {
        Owner owner;
        owner.onPump = [&] { Eventually([&] { return owner.m_nThreadCnter == 0; }); };
        ASSERT_NE(owner.RunInThread(&Owner::WatchFlag), nullptr);
        ASSERT_TRUE(Eventually([&] { return owner.m_nThreadCnter == 1; }));
        trace.clear();
        EXPECT_EQ(owner.CloseAllThread(c.limit), 0) << "limit " << c.limit;
        EXPECT_EQ(owner.cancels, 0) << "limit " << c.limit;
        EXPECT_EQ(trace, std::vector<std::string>{c.line}) << "limit " << c.limit;
        EXPECT_TRUE(owner.m_arrThreads.empty());
        EXPECT_EQ(owner.m_nThreadCnter, 0);
    }
}

TEST_F(ThreadMgr, ChecksEveryStepBelowTheLimitThenStopsByForce) {
    struct Case {
        unsigned limit;
        int waits;  // checks at 0, 100, ... below the limit, each followed by one wait
    };
    const Case cases[] = {{0, 0}, {100, 1}, {150, 2}, {1000, 10}};
    for (const Case& c : cases) {
        Owner owner;
        ASSERT_NE(owner.RunInThread(&Owner::HoldLockUntilCancelled), nullptr);
        ASSERT_TRUE(Eventually([&] { return owner.entered.load(); }));
        EXPECT_FALSE(owner.held.try_lock());
        trace.clear();

        const auto start = Clock::now();
        EXPECT_EQ(owner.CloseAllThread(c.limit), 1) << "limit " << c.limit;
        EXPECT_EQ(owner.pumpsAtCancel, c.waits) << "limit " << c.limit;
        EXPECT_GE(owner.firstCancel - start, milliseconds(100 * c.waits)) << "limit " << c.limit;
        EXPECT_EQ(trace, std::vector<std::string>{Unsafe(1)});

        // The worker is gone and the lock it held is free.
        EXPECT_TRUE(owner.m_arrThreads.empty());
        EXPECT_EQ(owner.m_nThreadCnter, 0);
        EXPECT_EQ(owner.m_bClosing, 0);
        EXPECT_TRUE(owner.held.try_lock());
        owner.held.unlock();
    }
}

TEST_F(ThreadMgr, ThreadThatEndedByItselfIsNeverCountedAsForced) {
    Owner owner;
    ASSERT_NE(owner.RunInThread(&Owner::EndAtOnce), nullptr);
    ASSERT_NE(owner.RunInThread(&Owner::HoldLockUntilCancelled), nullptr);
    // Once the first body is done and only the second is counted, the first has reported.
    ASSERT_TRUE(
        Eventually([&] { return owner.ended && owner.entered && owner.m_nThreadCnter == 1; }));
    EXPECT_EQ(owner.CloseAllThread(0), 1);
    EXPECT_TRUE(owner.m_arrThreads.empty());
}

TEST_F(ThreadMgr, MessagesAreServedWhileWaiting) {
    Owner owner;
    ASSERT_NE(owner.RunInThread(&Owner::WaitForOwnerThread), nullptr);
    ASSERT_TRUE(Eventually([&] { return owner.requestPending.load(); }));
    // The worker can only reach its end once the owner thread has served its request.
    EXPECT_EQ(owner.CloseAllThread(5000), 0);
    EXPECT_TRUE(owner.requestServed);
    EXPECT_GE(owner.pumps, 1);
}

TEST_F(ThreadMgr, RefusesWhileClosingAndNullOperations) {
    Owner owner;
    bool startedDuringClose = true;
    owner.onPump = [&] { startedDuringClose = owner.RunInThread(&Owner::EndAtOnce) != nullptr; };
    ASSERT_NE(owner.RunInThread(&Owner::WatchFlag), nullptr);
    ASSERT_TRUE(Eventually([&] { return owner.m_nThreadCnter == 1; }));
    trace.clear();
    EXPECT_EQ(owner.CloseAllThread(5000), 0);
    EXPECT_FALSE(startedDuringClose);
    ASSERT_GE(trace.size(), 2u);  // one refusal per serving of messages, then the end
    EXPECT_EQ(trace.back(), kSafe);
    EXPECT_TRUE(trace.front().starts_with("RunInThread Failed: m_bClosing:1  ThreadCnter:"))
        << trace.front();
    EXPECT_TRUE(trace.front().ends_with(" \r\n"));
    EXPECT_FALSE(owner.ended);

    owner.onPump = nullptr;
    trace.clear();
    void (Owner::*none)() = nullptr;
    EXPECT_EQ(owner.RunInThread(none), nullptr);
    EXPECT_EQ(trace, std::vector<std::string>{
                         "RunInThread Failed: m_bClosing:0  ThreadCnter:0 method:00000000 \r\n"});

    // After CloseAllThread has returned, starts are admitted again.
    EXPECT_NE(owner.RunInThread(&Owner::EndAtOnce), nullptr);
    EXPECT_TRUE(Eventually([&] { return owner.ended.load(); }));
    EXPECT_EQ(owner.CloseAllThread(5000), 0);
}

TEST_F(ThreadMgr, CounterAtTheLimitStillAdmitsAboveItRefuses) {
    Owner owner;
    owner.m_nMaxThreads = 2;
    for (int started = 0; started < 3; ++started) {
        ASSERT_NE(owner.RunInThread(&Owner::WaitForGate), nullptr) << started;
        ASSERT_TRUE(Eventually([&] { return owner.m_nThreadCnter == started + 1; }));
    }
    trace.clear();
    EXPECT_EQ(owner.RunInThread(&Owner::WaitForGate), nullptr);
    ASSERT_EQ(trace.size(), 1u);
    EXPECT_TRUE(trace[0].starts_with("RunInThread Failed: m_bClosing:0  ThreadCnter:3 method:"))
        << trace[0];
    EXPECT_EQ(owner.atGate, 3);

    owner.gate = true;
    owner.gate.notify_all();
    EXPECT_EQ(owner.CloseAllThread(5000), 0);
}

TEST_F(ThreadMgr, OwnerWithoutHooks) {
    Bare owner;
    ASSERT_NE(owner.RunInThread(&Bare::WatchFlag), nullptr);
    owner.PumpMessages();  // nothing to serve, nothing happens
    EXPECT_EQ(owner.CloseAllThread(5000), 0);
}

}  // namespace
