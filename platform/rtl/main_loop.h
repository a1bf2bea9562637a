#pragma once
// The main thread's message loop as the rest of the program sees it. Worker threads reach the main
// thread only through this interface: blocking calls where the design names them, posted calls
// everywhere else. Two implementations: HeadlessMainLoop (tests, tools) and QtMainLoop (the program).
//
// Rule: no lock may be held across InvokeBlocking (or a hook call that may block). The main thread
// can be waiting for that same lock, and the two threads then wait for each other for ever.

#include <chrono>
#include <cstdint>
#include <functional>
#include <stdexcept>

namespace corvane {

// Thrown to a blocked caller when the loop shuts down before its call ran.
class MainLoopClosed : public std::runtime_error {
public:
    MainLoopClosed() : std::runtime_error("the main loop has shut down") {}
};

class MainLoop {
public:
    using Callback = std::function<void()>;
    using TimerId = std::uint64_t;

    MainLoop() = default;
    MainLoop(const MainLoop&) = delete;
    MainLoop& operator=(const MainLoop&) = delete;
    virtual ~MainLoop() = default;

    // True on the thread that runs this loop.
    virtual bool IsMainThread() const = 0;

    // Runs fn on the main thread and waits for it; inline when already there. An exception thrown by
    // fn is rethrown to the caller. Throws MainLoopClosed when the loop shuts down before running fn.
    virtual void InvokeBlocking(Callback fn) = 0;

    // Queues fn to run later on the main thread, in the order of posting, without waiting. An
    // exception thrown by fn is reported (ReportError) and the loop goes on. Dropped once closed.
    virtual void Post(Callback fn) = 0;

    // Timers fire on the main thread and are started and stopped there. A stopped timer never fires
    // again, also when stopped from its own callback.
    virtual TimerId StartTimer(std::chrono::milliseconds interval, Callback fn, bool repeating) = 0;
    virtual void StopTimer(TimerId id) = 0;
    TimerId SingleShot(std::chrono::milliseconds delay, Callback fn) {
        return StartTimer(delay, std::move(fn), false);
    }
    TimerId Repeating(std::chrono::milliseconds interval, Callback fn) {
        return StartTimer(interval, std::move(fn), true);
    }

    // Main thread: runs what is queued and the timers that are due, then returns ("process messages").
    virtual void ProcessPending() = 0;

    // Main thread: waits at most maxWait for a queued call, then runs the queued calls (posted and
    // blocking, in order; no timers). Returns true when it ran any. The building block of
    // WaitWhileServing.
    virtual bool ServeQueued(std::chrono::milliseconds maxWait) = 0;
};

// The loop of the process's main thread. A loop installs itself when none is installed and removes
// itself when destroyed; SetCurrentMainLoop overrides that.
MainLoop* CurrentMainLoop();
void SetCurrentMainLoop(MainLoop* loop);
// Used by the loops themselves: install when none is, remove when it is this one.
void InstallMainLoopIfNone(MainLoop* loop);
void RemoveCurrentMainLoop(MainLoop* loop);

}  // namespace corvane
