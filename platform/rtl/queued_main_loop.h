#pragma once
// The call queue shared by both main loops: posted and blocking calls wait in one FIFO, so a blocking
// call never overtakes a call posted before it, and the main thread can serve the queue on its own
// (WaitWhileServing) without running the rest of its event loop.

#include "platform/rtl/main_loop.h"

#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>

namespace corvane {

class QueuedMainLoop : public MainLoop {
public:
    // The constructing thread becomes the main thread.
    QueuedMainLoop();
    ~QueuedMainLoop() override;

    bool IsMainThread() const override;
    void InvokeBlocking(Callback fn) override;
    void Post(Callback fn) override;
    bool ServeQueued(std::chrono::milliseconds maxWait) override;

    // Shut-down: fails every waiting blocking call with MainLoopClosed; later blocking calls throw it
    // and later posts are dropped. Subclasses call it first in their destructor, before the objects
    // Wake uses go away.
    void Close();

protected:
    // Runs the calls queued when it starts (not those they queue themselves). Main thread only.
    bool RunQueued();
    // Blocks until something is queued, Interrupt is called, or the deadline passes.
    void WaitForWork(std::chrono::steady_clock::time_point deadline);
    void Interrupt();
    // Called with the queue lock held after a call was queued (the Qt loop posts an event here).
    virtual void Wake() {}
    void RequireMainThread(const char* what) const;

private:
    struct Job {
        Callback fn;
        bool blocking = false;
        bool done = false;
        std::exception_ptr error;
    };

    void Enqueue(const std::shared_ptr<Job>& job);

    const std::thread::id mainThread_;
    mutable std::mutex mutex_;
    std::condition_variable workCv_;  // main thread: something queued
    std::condition_variable doneCv_;  // callers of InvokeBlocking: their call finished
    std::deque<std::shared_ptr<Job>> queue_;
    bool closed_ = false;
    bool interrupted_ = false;
};

}  // namespace corvane
