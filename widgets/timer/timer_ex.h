#pragma once
// A timer component that either sleeps on a thread of its own and fires through the main loop's
// blocking call (or on that thread itself with ThreadSafe), or runs as a plain main-loop timer.
// Properties are set on the main thread; a ThreadSafe handler may also change Interval and Enabled.

#include "platform/rtl/main_loop.h"
#include "platform/rtl/thread.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

namespace corvane {

// Stored and handed on; normal-policy Linux threads have no priorities to set.
enum class TThreadPriority : std::uint8_t { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

class TTimerEx;

class TTimerThread : public TThread {
public:
    explicit TTimerThread(TTimerEx& owner);

    // Waits again from the start with the owner's current interval (armed) or stands still.
    void Arm(bool armed);
    // Ends Execute at its next wake; the owner then joins.
    void Quit();

protected:
    void Execute() override;

private:
    void Fire();

    TTimerEx& owner_;
    std::mutex mutex_;
    std::condition_variable cv_;
    bool armed_ = false;
    bool quit_ = false;
    std::uint64_t generation_ = 0;
};

class TTimerEx {
public:
    using TNotifyEvent = std::function<void()>;

    // The loop that runs the fires; the current main loop when null.
    explicit TTimerEx(MainLoop* loop = nullptr);
    TTimerEx(const TTimerEx&) = delete;
    TTimerEx& operator=(const TTimerEx&) = delete;
    // Stops everything; a fire already queued on the main loop then does nothing.
    ~TTimerEx();

    bool Enabled() const { return enabled_.load(); }
    void SetEnabled(bool value);
    unsigned Interval() const { return interval_.load(); }
    void SetInterval(unsigned value);
    bool Threaded() const { return threaded_.load(); }
    void SetThreaded(bool value);
    TThreadPriority ThreadPriority() const { return priority_; }
    void SetThreadPriority(TThreadPriority value);
    bool ThreadSafe() const { return threadSafe_.load(); }
    void SetThreadSafe(bool value) { threadSafe_.store(value); }
    // Setting the handler always restarts the timer.
    void SetOnTimer(TNotifyEvent handler);
    bool HasOnTimer() const;

    // Fires OnTimer when Enabled and a handler is set (the routine both modes run).
    void Timer();

    // For tests: whether a thread or a main-loop timer exists.
    bool HasThread() const { return thread_ != nullptr; }
    bool HasLoopTimer() const { return loopTimer_ != 0; }

private:
    friend class TTimerThread;

    void Restart();
    void FreeThread();
    MainLoop* Loop() const;

    MainLoop* loop_;
    std::atomic<bool> enabled_{true};
    std::atomic<unsigned> interval_{1000};
    std::atomic<bool> threaded_{true};
    std::atomic<bool> threadSafe_{false};
    TThreadPriority priority_ = TThreadPriority::tpNormal;
    mutable std::mutex handlerMutex_;  // the handler is read on the timer thread
    TNotifyEvent onTimer_;
    std::unique_ptr<TTimerThread> thread_;
    MainLoop::TimerId loopTimer_ = 0;
};

}  // namespace corvane
