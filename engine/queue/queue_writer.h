#pragma once
// Runs queue file writes on a thread of its own, one at a time and in the order they were handed
// in, so a large queue reaches the disk without stalling the main thread. A write still waiting
// when a newer one comes is dropped: the newer snapshot holds everything it would have written.

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace corvane {

class TQueueWriter {
public:
    using Job = std::function<void()>;

    TQueueWriter() = default;
    // Finishes what was handed in, then ends the thread.
    ~TQueueWriter();
    TQueueWriter(const TQueueWriter&) = delete;
    TQueueWriter& operator=(const TQueueWriter&) = delete;

    // Hands in a write; it replaces one that has not started yet.
    void Post(Job job);
    // Drops a write that has not started and waits for the one running, if any.
    void Settle();
    // Waits until the writes handed in are done.
    void Flush();
    // A write waiting or running.
    bool Busy() const;

private:
    void Run();

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    Job waiting_;
    bool running_ = false;
    bool closing_ = false;
    std::thread thread_;
};

}  // namespace corvane
