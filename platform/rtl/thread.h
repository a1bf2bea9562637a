#pragma once
// Thread objects in the class library's manner, over std::thread.
//
// A thread is created suspended: the OS thread starts at the first Resume, once the derived object is
// fully built (starting it from this base constructor would run Execute on a half-built object).
// StartThread<T>(...) builds and starts one in a single step.
//
// Suspending is cooperative: a thread suspends itself (Suspend on its own thread parks at once), or
// another thread asks and the thread parks at its next Sleep or CheckSuspend. A Resume that arrives
// before the thread parks is kept and lets the next park return at once, so it is never lost; Resumes
// do not pile up beyond one.
//
// Sleep returns at once when the thread is terminated or its stop flag is set. Synchronize runs a call
// on the main thread and waits (MainLoop::InvokeBlocking): never hold a lock across it. Once the main
// loop has closed, Synchronize terminates the thread and throws MainLoopClosed, so every worker loop
// (while !Terminated()) ends instead of retrying.

#include "platform/rtl/main_loop.h"

#include <atomic>
#include <cstdint>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>

namespace corvane {

class TThread {
public:
    explicit TThread(std::string name = "thread");
    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;
    // Owners terminate and WaitFor before deleting: by the time this runs the derived part is gone.
    // As a last resort it terminates, wakes and joins a thread still running.
    virtual ~TThread();

    const std::string& Name() const { return name_; }

    // Starts a thread that never ran; wakes a parked one; otherwise cancels a Suspend asked from
    // another thread that was not honoured yet, or is kept for the thread's next park.
    void Resume();
    void Suspend();
    // True when never started, asked to park, or parked without a resume granted since.
    bool Suspended() const;

    void Terminate();
    bool Terminated() const { return terminated_.load(std::memory_order_acquire); }

    // The owner's stop flag: set by the main thread to make a worker stand still; wakes its Sleep.
    void SetStop(bool stop);
    bool Stop() const { return stop_.load(std::memory_order_acquire); }

    // Waits for Execute to end and joins. On the main thread it serves queued main-thread calls
    // while it waits, so a thread blocked in Synchronize is joined without deadlock. Returns at once
    // for a thread that never started. Not for FreeOnTerminate threads, nor from the thread itself.
    void WaitFor();
    bool Finished() const;

    // The thread deletes itself when Execute ends. Such a thread must be made with new, and nobody
    // may touch it once it can have ended.
    void SetFreeOnTerminate(bool value);
    bool FreeOnTerminate() const;

    // The main loop used by Synchronize and WaitFor; the current one unless set.
    void SetMainLoop(MainLoop* loop);
    MainLoop* Loop() const;

    void Synchronize(MainLoop::Callback fn);
    // How many Synchronize calls made through this object waited on the main thread (calls made on
    // the main thread itself run inline and are not counted).
    std::uint64_t BlockingCallCount() const { return blockingCalls_.load(std::memory_order_relaxed); }

    // The text of an exception that escaped Execute (empty if none); read it after WaitFor.
    std::string FatalError() const;

protected:
    virtual void Execute() = 0;

    // Sleeps up to ms; returns false when cut short by Terminate or the stop flag (or when either is
    // already set). Honours a Suspend asked by another thread before and after sleeping.
    bool Sleep(std::chrono::milliseconds ms);
    bool Sleep(int ms) { return Sleep(std::chrono::milliseconds(ms)); }
    // Parks here when another thread asked for a Suspend.
    void CheckSuspend();
    // Runs one iteration of a worker loop, reporting an exception instead of letting it end the
    // thread: one bad item must not stop every later one. Returns false when fn threw. A closed main
    // loop is not reported: it has terminated the thread already.
    bool RunGuarded(const char* what, const std::function<void()>& fn);

private:
    void ThreadMain();
    void Park(std::unique_lock<std::mutex>& lock);
    bool OnOwnThread() const;

    const std::string name_;
    mutable std::mutex mutex_;
    std::condition_variable cv_;
    std::mutex joinMutex_;
    std::thread thread_;
    std::thread::id threadId_;
    bool started_ = false;
    bool finished_ = false;
    bool parked_ = false;
    bool resumePending_ = false;
    bool suspendRequested_ = false;
    bool freeOnTerminate_ = false;
    std::atomic<bool> terminated_{false};
    std::atomic<bool> stop_{false};
    std::atomic<MainLoop*> loop_{nullptr};
    std::atomic<std::uint64_t> blockingCalls_{0};
    MainLoop* servingWaiter_ = nullptr;  // the loop of a main thread in WaitFor
    std::string fatalError_;
};

// Builds a thread and starts it ("created running").
template <class T, class... Args>
std::unique_ptr<T> StartThread(Args&&... args) {
    auto thread = std::make_unique<T>(std::forward<Args>(args)...);
    thread->Resume();
    return thread;
}

}  // namespace corvane
