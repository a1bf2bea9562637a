#include "engine/queue/queue_writer.h"

namespace corvane {

TQueueWriter::~TQueueWriter() {
    {
        std::lock_guard lock(mutex_);
        closing_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable()) thread_.join();
}

void TQueueWriter::Post(Job job) {
    {
        std::lock_guard lock(mutex_);
        waiting_ = std::move(job);
        if (!thread_.joinable()) thread_ = std::thread([this] { Run(); });
    }
    changed_.notify_all();
}

void TQueueWriter::Settle() {
    std::unique_lock lock(mutex_);
    waiting_ = nullptr;
    changed_.wait(lock, [this] { return !running_; });
}

void TQueueWriter::Flush() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !running_ && !waiting_; });
}

bool TQueueWriter::Busy() const {
    std::lock_guard lock(mutex_);
    return running_ || waiting_ != nullptr;
}

void TQueueWriter::Run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return closing_ || waiting_ != nullptr; });
        if (!waiting_) return;  // closing with nothing left
        Job job = std::move(waiting_);
        waiting_ = nullptr;
        running_ = true;
        lock.unlock();
        try {
            job();  // the job reports its own failures
        } catch (...) {
        }
        lock.lock();
        running_ = false;
        changed_.notify_all();
    }
}

}  // namespace corvane
