#pragma once
// A main loop without a display: the call queue plus a timer list, driven by the thread that made it
// through Run, RunUntil or ProcessPending. Engine tests and the capture tool use it.

#include "platform/rtl/queued_main_loop.h"

#include <atomic>
#include <map>

namespace corvane {

class HeadlessMainLoop : public QueuedMainLoop {
public:
    HeadlessMainLoop() = default;
    ~HeadlessMainLoop() override;

    TimerId StartTimer(std::chrono::milliseconds interval, Callback fn, bool repeating) override;
    void StopTimer(TimerId id) override;
    void ProcessPending() override;

    // Runs calls and timers until Quit (callable from any thread).
    void Run();
    void Quit();
    // Runs calls and timers until done() holds (checked after each round) or the timeout passes;
    // returns done(). A guard for tests and tools, not a timing.
    bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);

private:
    using Clock = std::chrono::steady_clock;
    struct Timer {
        Clock::time_point due;
        std::chrono::milliseconds interval;
        bool repeating;
        Callback fn;
    };

    void RunDueTimers();
    Clock::time_point NextDue(Clock::time_point fallback) const;

    std::map<TimerId, Timer> timers_;  // main thread only
    TimerId nextTimer_ = 1;
    std::atomic<bool> quit_{false};
};

}  // namespace corvane
