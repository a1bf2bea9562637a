#include "widgets/timer/timer_ex.h"

#include <chrono>
#include <stdexcept>
#include <utility>

namespace corvane {

TTimerThread::TTimerThread(TTimerEx& owner) : TThread("timer"), owner_(owner) {}

void TTimerThread::Arm(bool armed) {
    std::lock_guard lock(mutex_);
    armed_ = armed;
    ++generation_;  // a sleep in progress starts over with the new settings
    cv_.notify_all();
}

void TTimerThread::Quit() {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
        cv_.notify_all();
    }
    Terminate();
}

void TTimerThread::Execute() {
    // A condition variable rather than Suspend/Resume: a thread parked inside a blocking call could
    // not be woken by the owner's destruction.
    std::unique_lock lock(mutex_);
    for (;;) {
        cv_.wait(lock, [&] { return quit_ || armed_; });
        if (quit_) return;
        const std::uint64_t generation = generation_;
        const auto interval = std::chrono::milliseconds(owner_.Interval());
        if (cv_.wait_for(lock, interval, [&] { return quit_ || generation_ != generation; })) continue;
        lock.unlock();
        RunGuarded("timer", [this] { Fire(); });
        lock.lock();
    }
}

void TTimerThread::Fire() {
    if (Stop()) return;
    if (owner_.ThreadSafe()) {
        owner_.Timer();
        return;
    }
    // The owner may be in its destructor by the time this runs; it sets the stop flag first.
    Synchronize([this] {
        if (!Stop()) owner_.Timer();
    });
}

TTimerEx::TTimerEx(MainLoop* loop) : loop_(loop) {}

TTimerEx::~TTimerEx() {
    enabled_.store(false);
    {
        std::lock_guard lock(handlerMutex_);
        onTimer_ = nullptr;
    }
    if (loopTimer_ != 0) {
        if (MainLoop* loop = Loop()) loop->StopTimer(loopTimer_);
        loopTimer_ = 0;
    }
    FreeThread();
}

MainLoop* TTimerEx::Loop() const { return loop_ != nullptr ? loop_ : CurrentMainLoop(); }

void TTimerEx::SetEnabled(bool value) {
    if (enabled_.exchange(value) == value) return;
    Restart();
}

void TTimerEx::SetInterval(unsigned value) {
    if (interval_.exchange(value) == value) return;
    Restart();
}

void TTimerEx::SetThreaded(bool value) {
    if (threaded_.exchange(value) == value) return;
    Restart();
}

void TTimerEx::SetThreadPriority(TThreadPriority value) {
    if (priority_ == value) return;
    priority_ = value;
    if (Threaded()) Restart();
}

void TTimerEx::SetOnTimer(TNotifyEvent handler) {
    {
        std::lock_guard lock(handlerMutex_);
        onTimer_ = std::move(handler);
    }
    Restart();
}

bool TTimerEx::HasOnTimer() const {
    std::lock_guard lock(handlerMutex_);
    return static_cast<bool>(onTimer_);
}

void TTimerEx::Timer() {
    if (!Enabled()) return;
    TNotifyEvent handler;
    {
        std::lock_guard lock(handlerMutex_);
        handler = onTimer_;
    }
    // Called without the lock: the handler may set the handler or any property.
    if (handler) handler();
}

void TTimerEx::FreeThread() {
    if (!thread_) return;
    thread_->SetStop(true);
    thread_->Quit();
    // Serves the main loop while waiting, so a fire blocked in Synchronize runs (and does nothing).
    thread_->WaitFor();
    thread_.reset();
}

void TTimerEx::Restart() {
    if (thread_) thread_->Arm(false);
    if (loopTimer_ != 0) {
        if (MainLoop* loop = Loop()) loop->StopTimer(loopTimer_);
        loopTimer_ = 0;
    }
    if (!Threaded()) FreeThread();
    if (Interval() == 0 || !Enabled() || !HasOnTimer()) return;
    if (Threaded()) {
        // Made on first use, so a control whose timer never runs costs no thread.
        if (!thread_) {
            thread_ = std::make_unique<TTimerThread>(*this);
            thread_->SetMainLoop(loop_);
            thread_->Resume();
        }
        thread_->Arm(true);
    } else {
        MainLoop* loop = Loop();
        if (loop == nullptr) throw std::logic_error("a main-loop timer needs a main loop");
        // Main-loop timers cannot run out, so there is no "out of timers" failure here.
        loopTimer_ = loop->Repeating(std::chrono::milliseconds(Interval()), [this] { Timer(); });
    }
}

}  // namespace corvane
