#pragma once
// The archive workers (listing, extraction for browsing) and their keeper. A window that closes
// lets go of its job without waiting for it (opening a large archive blocks for a while with no
// callback); the job then drops its results and ends on its own, and shut-down joins whatever
// still runs. The keeper is used on the main thread only.

#include <atomic>
#include <memory>
#include <string>

#include "platform/rtl/thread.h"

namespace corvane {

// A worker with its own zip component, serving an owner that may go away.
class TZipJob : public TThread {
public:
    // Any thread: the job stops at the component's next callback.
    void Cancel() { Terminate(); }
    bool Cancelled() const { return Terminated(); }
    // The operation's result code once the job has ended; -1 before.
    int Result() const { return result_.load(std::memory_order_acquire); }

protected:
    // While owner has expired the job drops its results and stops.
    TZipJob(std::string name, std::weak_ptr<const void> owner) : TThread(std::move(name)), owner_(std::move(owner)) {}
    bool Unwanted() const { return Terminated() || owner_.expired(); }
    void SetResult(int code) { result_.store(code, std::memory_order_release); }

private:
    const std::weak_ptr<const void> owner_;
    std::atomic<int> result_{-1};
};

// Keeps job until it has ended and JoinZipJobs or a later AdoptZipJob finds it so.
void AdoptZipJob(std::shared_ptr<TThread> job);
// Adopts a new job and starts it.
template <class Job>
std::shared_ptr<Job> StartZipJob(std::shared_ptr<Job> job) {
    AdoptZipJob(job);
    job->Resume();
    return job;
}
// Shut-down: terminates every kept job and joins it, serving main-thread calls meanwhile.
void JoinZipJobs();
// Jobs kept and not yet found ended.
std::size_t ZipJobCount();

}  // namespace corvane
