#include "platform/rtl/thread.h"

#include "platform/rtl/error_report.h"
#include "platform/rtl/wait_while_serving.h"

#include <stdexcept>

namespace corvane {

TThread::TThread(std::string name) : name_(std::move(name)) {}

TThread::~TThread() {
    bool running;
    {
        std::lock_guard lock(mutex_);
        running = started_ && thread_.joinable();
    }
    if (!running) return;
    if (OnOwnThread()) {
        // Deleted from its own Execute: nobody else may join it.
        std::lock_guard lock(mutex_);
        thread_.detach();
        return;
    }
    Terminate();
    WaitFor();
}

bool TThread::OnOwnThread() const {
    std::lock_guard lock(mutex_);
    return started_ && std::this_thread::get_id() == threadId_;
}

void TThread::Resume() {
    std::lock_guard lock(mutex_);
    if (finished_) return;
    if (!started_) {
        started_ = true;
        // Under the lock, so ThreadMain sees thread_ and threadId_ only once they are set.
        thread_ = std::thread(&TThread::ThreadMain, this);
        threadId_ = thread_.get_id();
        return;
    }
    if (suspendRequested_) {
        suspendRequested_ = false;
        return;
    }
    resumePending_ = true;
    cv_.notify_all();
}

void TThread::Suspend() {
    std::unique_lock lock(mutex_);
    if (!started_ || finished_) return;
    if (std::this_thread::get_id() == threadId_) {
        suspendRequested_ = false;
        Park(lock);
        return;
    }
    if (parked_) return;
    // A Resume kept from before is overruled by this later Suspend.
    resumePending_ = false;
    suspendRequested_ = true;
}

bool TThread::Suspended() const {
    std::lock_guard lock(mutex_);
    if (finished_) return false;
    // A parked thread that was granted a resume counts as running at once, before it wakes: a caller
    // that resumes and then waits for the thread to suspend again must not see the old park.
    return !started_ || suspendRequested_ || (parked_ && !resumePending_);
}

void TThread::Park(std::unique_lock<std::mutex>& lock) {
    if (resumePending_) {
        resumePending_ = false;
        return;
    }
    parked_ = true;
    cv_.wait(lock, [&] { return resumePending_ || terminated_.load(); });
    resumePending_ = false;
    parked_ = false;
}

void TThread::CheckSuspend() {
    std::unique_lock lock(mutex_);
    if (!suspendRequested_) return;
    suspendRequested_ = false;
    Park(lock);
}

void TThread::Terminate() {
    std::lock_guard lock(mutex_);
    terminated_.store(true, std::memory_order_release);
    cv_.notify_all();
}

void TThread::SetStop(bool stop) {
    std::lock_guard lock(mutex_);
    stop_.store(stop, std::memory_order_release);
    cv_.notify_all();
}

bool TThread::Sleep(std::chrono::milliseconds ms) {
    CheckSuspend();
    bool cut;
    {
        std::unique_lock lock(mutex_);
        cut = cv_.wait_for(lock, ms, [&] { return terminated_.load() || stop_.load(); });
    }
    CheckSuspend();
    return !cut && !Terminated() && !Stop();
}

bool TThread::RunGuarded(const char* what, const std::function<void()>& fn) {
    try {
        fn();
        return true;
    } catch (const MainLoopClosed&) {
        return false;  // the program is ending, and Synchronize has ended this thread's loop
    } catch (...) {
        ReportError(name_ + ": " + what, CurrentExceptionText());
        return false;
    }
}

bool TThread::Finished() const {
    std::lock_guard lock(mutex_);
    return finished_;
}

void TThread::SetFreeOnTerminate(bool value) {
    std::lock_guard lock(mutex_);
    freeOnTerminate_ = value;
}

bool TThread::FreeOnTerminate() const {
    std::lock_guard lock(mutex_);
    return freeOnTerminate_;
}

void TThread::SetMainLoop(MainLoop* loop) { loop_.store(loop, std::memory_order_release); }

MainLoop* TThread::Loop() const {
    MainLoop* loop = loop_.load(std::memory_order_acquire);
    return loop != nullptr ? loop : CurrentMainLoop();
}

void TThread::Synchronize(MainLoop::Callback fn) {
    MainLoop* loop = Loop();
    if (loop == nullptr) throw std::logic_error("Synchronize without a main loop");
    if (!loop->IsMainThread()) blockingCalls_.fetch_add(1, std::memory_order_relaxed);
    try {
        loop->InvokeBlocking(std::move(fn));
    } catch (const MainLoopClosed&) {
        // Nothing will ever run on the main thread again: a worker loop that went on would only
        // fail here over and over.
        Terminate();
        throw;
    }
}

std::string TThread::FatalError() const {
    std::lock_guard lock(mutex_);
    return fatalError_;
}

void TThread::WaitFor() {
    {
        std::lock_guard lock(mutex_);
        if (freeOnTerminate_) throw std::logic_error("WaitFor on a thread that frees itself");
        if (!started_) return;
        if (std::this_thread::get_id() == threadId_) throw std::logic_error("a thread cannot wait for itself");
    }
    MainLoop* loop = Loop();
    if (loop != nullptr && loop->IsMainThread()) {
        {
            std::lock_guard lock(mutex_);
            servingWaiter_ = loop;
        }
        WaitWhileServing(*loop, [this] { return Finished(); });
    } else {
        std::unique_lock lock(mutex_);
        cv_.wait(lock, [&] { return finished_; });
    }
    std::lock_guard join(joinMutex_);
    if (thread_.joinable()) thread_.join();
}

void TThread::ThreadMain() {
    {
        // Wait until Resume has stored thread_ (it holds the lock while it does).
        std::lock_guard lock(mutex_);
    }
    if (!Terminated()) {
        try {
            Execute();
        } catch (...) {
            const std::string text = CurrentExceptionText();
            {
                std::lock_guard lock(mutex_);
                fatalError_ = text;
            }
            ReportError(name_, text);
        }
    }
    bool freeSelf;
    {
        std::lock_guard lock(mutex_);
        finished_ = true;
        freeSelf = freeOnTerminate_;
        cv_.notify_all();
        // Wake a main thread serving calls while it waits for us, rather than let it sleep out its
        // slice. Under the lock: the waiter cannot see finished_ and leave (its loop with it) before.
        if (servingWaiter_ != nullptr) servingWaiter_->Post([] {});
    }
    if (freeSelf) delete this;  // the destructor detaches, seeing it runs on this thread
}

}  // namespace corvane
