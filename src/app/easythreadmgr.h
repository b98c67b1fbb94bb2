#pragma once
// CEasyThreadMgr<T>: lets a class T run its own member operations on worker threads and stop
// all of them again. T derives publicly from CEasyThreadMgr<T>; its worker loops test
// m_bClosing once per pass and end when it is set.
//
// Stopping. CloseAllThread first asks: it sets m_bClosing and checks every m_nWaitStep ms
// whether the workers have ended, serving the owner thread's messages between checks. At
// the limit comes the forced stop. A thread cannot be killed safely (it would leave every
// lock it holds taken and could be stopped halfway through owner code), so the forced stop
// here is cooperative but complete: it calls the owner's CancelThreadWaits() (if T has one),
// which wakes every blocking wait of the workers (the link's CancelPending), and joins each
// remaining thread, repeating the cancel and serving messages until all have ended. When
// CloseAllThread returns, no worker runs owner code any more and every lock a worker held is
// free, so the owner may be destroyed at once. The result counts the threads still running
// at the limit; a thread that ended by itself is never counted. A worker must therefore end
// once m_bClosing is set and its waits are cancelled; one that ignores both keeps the forced
// stop waiting for it.
//
// Owner hooks, found at compile time and called only when T declares them (publicly):
//   void PumpMessages();       serves the calling thread's pending events (the GUI owner
//                              processes its event queue); called between checks.
//   void CancelThreadWaits();  wakes every blocking wait of the workers; called by the
//                              forced stop.
// The destructor calls neither: T is already destroyed by then. An owner with workers calls
// CloseAllThread in its own destructor (or earlier); the base destructor's CloseAllThread then
// finds nothing left to stop.
//
// Debug trace: the lines go to vantel::ThreadTraceSink(), silent while it is empty.
//
// RunInThread and CloseAllThread are called on the owner's thread.

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <semaphore>
#include <string>
#include <system_error>
#include <thread>
#include <type_traits>
#include <vector>

namespace vantel {

// Receives the manager's debug trace lines; empty (silent) by default.
inline std::function<void(const std::string&)>& ThreadTraceSink() {
    static std::function<void(const std::string&)> sink;
    return sink;
}

inline void ThreadTrace(const std::string& line) {
    if (const auto& sink = ThreadTraceSink()) {
        sink(line);
    }
}

// Code address of a member operation, for the trace: the first word of its representation.
template <class Method>
unsigned long long MethodAddress(Method method) {
    std::uintptr_t address = 0;
    std::memcpy(&address, &method, std::min(sizeof address, sizeof method));
    return address;
}

}  // namespace vantel

template <class T>
class CEasyThreadMgr {
public:
    CEasyThreadMgr() = default;
    ~CEasyThreadMgr() { CloseAll(1000, false); }
    CEasyThreadMgr(const CEasyThreadMgr&) = delete;
    CEasyThreadMgr& operator=(const CEasyThreadMgr&) = delete;

    // Runs (owner->*operation)() on a new thread; its result, if any, is ignored. Returns the
    // new thread's object, to be compared only (it is destroyed once the thread has ended and
    // been taken off the list), or null when refused or when the thread could not start.
    template <class R>
    std::thread* RunInThread(R (T::*operation)());

    // Stops every worker within nTimeout ms: 0 when all ended by themselves, else the number
    // that were still running at the limit and were stopped by the forced stop.
    int CloseAllThread(unsigned nTimeout) { return CloseAll(nTimeout, true); }

    // Serves the calling thread's pending messages through the owner's hook, if any.
    void PumpMessages();

protected:
    struct StartParam {
        std::function<void(T&)> operation;
        T* owner = nullptr;
    };

    std::vector<std::unique_ptr<std::thread>> m_arrThreads;  // started, not known to have ended
    std::vector<std::thread::id> m_arrEnded;  // reported the end of their body, still listed
    std::mutex m_csThreads;                   // guards both lists
    std::binary_semaphore m_csStart{1};       // start slot hand-over to the started thread
    int m_nWaitStep = 100;
    std::atomic<int> m_bClosing{0};
    int m_nMaxThreads = 200;
    std::atomic<int> m_nThreadCnter{0};
    StartParam m_StartParam;

private:
    static constexpr auto kForcedStep = std::chrono::milliseconds(10);

    static unsigned ThreadEntry(StartParam* param);
    int CloseAll(unsigned nTimeout, bool ownerAlive);
    // Takes the threads that reported their end off m_arrThreads and joins them.
    void TakeOffEnded();
    std::size_t RunningCount();
    void CancelWaits();
    T* Owner() { return static_cast<T*>(this); }
};

template <class T>
template <class R>
std::thread* CEasyThreadMgr<T>::RunInThread(R (T::*operation)()) {
    if (m_bClosing || operation == nullptr || m_nThreadCnter > m_nMaxThreads) {
        char line[160];
        std::snprintf(line, sizeof line,
                      "RunInThread Failed: m_bClosing:%d  ThreadCnter:%d method:%08llX \r\n",
                      m_bClosing.load(), m_nThreadCnter.load(), vantel::MethodAddress(operation));
        vantel::ThreadTrace(line);
        return nullptr;
    }
    m_csStart.acquire();
    m_StartParam.operation = [operation](T& owner) { (owner.*operation)(); };
    m_StartParam.owner = Owner();
    std::lock_guard lock(m_csThreads);
    try {
        // Room first: once the thread runs, listing it must not fail.
        m_arrThreads.reserve(m_arrThreads.size() + 1);
        auto thread = std::make_unique<std::thread>(&ThreadEntry, &m_StartParam);
        m_arrThreads.push_back(std::move(thread));
    } catch (const std::exception&) {
        m_csStart.release();
        vantel::ThreadTrace("AfxBeginThread Failed.\r\n");
        return nullptr;
    }
    return m_arrThreads.back().get();
}

template <class T>
unsigned CEasyThreadMgr<T>::ThreadEntry(StartParam* param) {
    const StartParam start = *param;
    CEasyThreadMgr* self = start.owner;
    self->m_csStart.release();
    ++self->m_nThreadCnter;
    try {
        start.operation(*start.owner);
    } catch (...) {
        // The end is reported all the same, so that CloseAllThread never waits for it.
        vantel::ThreadTrace("ThreadEntry: the operation ended by an exception.\r\n");
    }
    {
        std::lock_guard lock(self->m_csThreads);
        self->m_arrEnded.push_back(std::this_thread::get_id());
    }
    --self->m_nThreadCnter;
    return 1;
}

template <class T>
void CEasyThreadMgr<T>::TakeOffEnded() {
    std::vector<std::unique_ptr<std::thread>> ended;
    {
        std::lock_guard lock(m_csThreads);
        for (const std::thread::id& id : m_arrEnded) {
            auto it = std::find_if(m_arrThreads.begin(), m_arrThreads.end(),
                                   [&id](const auto& thread) { return thread->get_id() == id; });
            if (it != m_arrThreads.end()) {
                ended.push_back(std::move(*it));
                m_arrThreads.erase(it);
            }
        }
        m_arrEnded.clear();
    }
    // Each has left its body; joining only waits for its last few instructions.
    for (const auto& thread : ended) {
        thread->join();
    }
}

template <class T>
std::size_t CEasyThreadMgr<T>::RunningCount() {
    std::lock_guard lock(m_csThreads);
    return m_arrThreads.size();
}

template <class T>
void CEasyThreadMgr<T>::PumpMessages() {
    if constexpr (requires { &T::PumpMessages; }) {
        if constexpr (!std::is_same_v<decltype(&T::PumpMessages), void (CEasyThreadMgr::*)()>) {
            Owner()->PumpMessages();
        }
    }
}

template <class T>
void CEasyThreadMgr<T>::CancelWaits() {
    if constexpr (requires(T & owner) { owner.CancelThreadWaits(); }) {
        Owner()->CancelThreadWaits();
    }
}

template <class T>
int CEasyThreadMgr<T>::CloseAll(unsigned nTimeout, bool ownerAlive) {
    const auto step = static_cast<std::uint64_t>(std::max(m_nWaitStep, 1));
    m_bClosing = 1;
    for (std::uint64_t elapsed = 0; elapsed < nTimeout; elapsed += step) {
        TakeOffEnded();
        if (RunningCount() == 0) {
            m_bClosing = 0;
            vantel::ThreadTrace("==>>CloseAllThread() closed all thread in safe mode.\r\n");
            return 0;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(step));
        if (ownerAlive) {
            PumpMessages();
        }
    }
    // Forced stop: wake the workers' waits until every remaining thread has ended.
    TakeOffEnded();
    const auto forced = static_cast<int>(RunningCount());
    while (RunningCount() != 0) {
        if (ownerAlive) {
            CancelWaits();
            PumpMessages();
        }
        std::this_thread::sleep_for(kForcedStep);
        TakeOffEnded();
    }
    m_nThreadCnter = 0;
    m_bClosing = 0;
    char line[96];
    std::snprintf(line, sizeof line, "==>>CloseAllThread() closed %d threads in unsafe mode.\r\n",
                  forced);
    vantel::ThreadTrace(line);
    return forced;
}
