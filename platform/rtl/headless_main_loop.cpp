#include "platform/rtl/headless_main_loop.h"

#include "platform/rtl/error_report.h"

#include <algorithm>
#include <vector>

namespace corvane {

HeadlessMainLoop::~HeadlessMainLoop() { Close(); }

MainLoop::TimerId HeadlessMainLoop::StartTimer(std::chrono::milliseconds interval, Callback fn, bool repeating) {
    RequireMainThread("StartTimer");
    if (interval.count() < 0) interval = std::chrono::milliseconds(0);
    const TimerId id = nextTimer_++;
    timers_[id] = Timer{Clock::now() + interval, interval, repeating, std::move(fn)};
    return id;
}

void HeadlessMainLoop::StopTimer(TimerId id) {
    RequireMainThread("StopTimer");
    timers_.erase(id);
}

void HeadlessMainLoop::RunDueTimers() {
    const auto now = Clock::now();
    std::vector<TimerId> due;
    for (const auto& [id, timer] : timers_)
        if (timer.due <= now) due.push_back(id);
    for (TimerId id : due) {
        auto it = timers_.find(id);
        if (it == timers_.end()) continue;  // stopped by an earlier callback
        Callback fn = it->second.fn;
        if (it->second.repeating) {
            // A zero interval still waits for the next round, so one timer cannot starve the loop.
            it->second.due = now + it->second.interval;
        } else {
            timers_.erase(it);
        }
        try {
            fn();
        } catch (...) {
            ReportError("timer", CurrentExceptionText());
        }
    }
}

HeadlessMainLoop::Clock::time_point HeadlessMainLoop::NextDue(Clock::time_point fallback) const {
    Clock::time_point next = fallback;
    for (const auto& [id, timer] : timers_)
        if (timer.due < next) next = timer.due;
    return next;
}

void HeadlessMainLoop::ProcessPending() {
    RequireMainThread("ProcessPending");
    RunQueued();
    RunDueTimers();
}

void HeadlessMainLoop::Run() {
    RequireMainThread("Run");
    while (!quit_.exchange(false)) {
        ProcessPending();
        if (quit_.load()) continue;
        WaitForWork(NextDue(Clock::now() + std::chrono::hours(1)));
    }
}

void HeadlessMainLoop::Quit() {
    quit_.store(true);
    Interrupt();
}

bool HeadlessMainLoop::RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    RequireMainThread("RunUntil");
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        ProcessPending();
        if (done()) return true;
        const auto now = Clock::now();
        if (now >= deadline) return false;
        // Short waits: done() may turn true through another thread without anything being queued.
        const auto wake = std::min(NextDue(deadline), now + std::chrono::milliseconds(5));
        WaitForWork(wake);
    }
}

}  // namespace corvane
