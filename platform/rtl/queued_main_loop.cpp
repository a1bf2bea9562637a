#include "platform/rtl/queued_main_loop.h"

#include "platform/rtl/error_report.h"

#include <stdexcept>
#include <string>
#include <vector>

namespace corvane {

QueuedMainLoop::QueuedMainLoop() : mainThread_(std::this_thread::get_id()) { InstallMainLoopIfNone(this); }

QueuedMainLoop::~QueuedMainLoop() {
    Close();
    RemoveCurrentMainLoop(this);
}

bool QueuedMainLoop::IsMainThread() const { return std::this_thread::get_id() == mainThread_; }

void QueuedMainLoop::RequireMainThread(const char* what) const {
    if (!IsMainThread()) throw std::logic_error(std::string(what) + " called off the main thread");
}

void QueuedMainLoop::Enqueue(const std::shared_ptr<Job>& job) {
    queue_.push_back(job);
    workCv_.notify_all();
    Wake();
}

void QueuedMainLoop::InvokeBlocking(Callback fn) {
    if (IsMainThread()) {
        fn();
        return;
    }
    auto job = std::make_shared<Job>();
    job->fn = std::move(fn);
    job->blocking = true;
    std::unique_lock lock(mutex_);
    if (closed_) throw MainLoopClosed();
    Enqueue(job);
    doneCv_.wait(lock, [&] { return job->done; });
    if (job->error) std::rethrow_exception(job->error);
}

void QueuedMainLoop::Post(Callback fn) {
    auto job = std::make_shared<Job>();
    job->fn = std::move(fn);
    std::lock_guard lock(mutex_);
    if (closed_) return;
    Enqueue(job);
}

bool QueuedMainLoop::RunQueued() {
    RequireMainThread("RunQueued");
    std::size_t budget;
    {
        std::lock_guard lock(mutex_);
        budget = queue_.size();
    }
    bool ran = false;
    for (; budget > 0; --budget) {
        std::shared_ptr<Job> job;
        {
            std::lock_guard lock(mutex_);
            if (queue_.empty()) break;  // a nested serve took it
            job = std::move(queue_.front());
            queue_.pop_front();
        }
        ran = true;
        std::exception_ptr error;
        try {
            job->fn();
        } catch (...) {
            error = std::current_exception();
        }
        job->fn = nullptr;  // release what the call captured on this thread
        if (job->blocking) {
            // Hand the job over whole: after the unlock only the caller holds it, so the exception
            // object is released on the thread that caught it.
            std::lock_guard lock(mutex_);
            job->error = std::move(error);
            job->done = true;
            job.reset();
            doneCv_.notify_all();
        } else if (error) {
            try {
                std::rethrow_exception(error);
            } catch (...) {
                ReportError("posted call", CurrentExceptionText());
            }
        }
    }
    return ran;
}

void QueuedMainLoop::WaitForWork(std::chrono::steady_clock::time_point deadline) {
    std::unique_lock lock(mutex_);
    // Not woken by a closed loop: nothing more can be queued, so a caller waiting in a loop would spin.
    workCv_.wait_until(lock, deadline, [&] { return !queue_.empty() || interrupted_; });
    interrupted_ = false;
}

void QueuedMainLoop::Interrupt() {
    std::lock_guard lock(mutex_);
    interrupted_ = true;
    workCv_.notify_all();
}

bool QueuedMainLoop::ServeQueued(std::chrono::milliseconds maxWait) {
    RequireMainThread("ServeQueued");
    {
        std::unique_lock lock(mutex_);
        // A closed loop still waits out the slice, so a wait serving it never spins.
        workCv_.wait_for(lock, maxWait, [&] { return !queue_.empty(); });
    }
    return RunQueued();
}

void QueuedMainLoop::Close() {
    std::vector<Callback> dropped;
    {
        std::lock_guard lock(mutex_);
        if (closed_) return;
        closed_ = true;
        for (auto& job : queue_) {
            dropped.push_back(std::move(job->fn));
            if (!job->blocking) continue;
            job->error = std::make_exception_ptr(MainLoopClosed());
            job->done = true;
        }
        queue_.clear();  // waiting callers now hold the only references to their jobs
        doneCv_.notify_all();
        workCv_.notify_all();
    }
    // What the dropped calls captured is released here, outside the lock.
}

}  // namespace corvane
