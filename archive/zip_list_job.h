#pragma once
// Listing an archive on a worker. Opening an archive of many entries blocks for a long time
// without any callback, so neither the count nor the listing may run on the main thread. The job
// has its own zip component; it counts the entries, lists them (whole, or exact names) and queues
// the records; the main thread takes them in slices short enough to keep the windows live.

#include <atomic>
#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "archive/xcd_types.h"
#include "archive/zip_jobs.h"

namespace corvane {

inline constexpr std::chrono::milliseconds kZipListSlice{10};

class TZipListJob : public TZipJob {
public:
    // Lists zipFileName whole, or only the entries named exactly in names. While owner has expired
    // the job drops its results and stops.
    TZipListJob(std::string zipFileName, std::weak_ptr<const void> owner,
                std::optional<std::vector<std::string>> names = std::nullopt);
    ~TZipListJob() override;
    // Makes a job, hands it to the keeper of archive jobs and starts it.
    static std::shared_ptr<TZipListJob> Start(std::string zipFileName, std::weak_ptr<const void> owner,
                                              std::optional<std::vector<std::string>> names = std::nullopt);

    // Cancel (see TZipJob) also drops the records still queued.

    // Main thread: moves up to max queued records to the end of out; the number moved.
    std::size_t TakeBatch(std::vector<TXcdFileStats>& out, std::size_t max);
    // Main thread: hands queued records to sink, in order, until slice has passed. True once the job
    // has ended and every record has been handed over.
    bool Drain(const std::function<void(const TXcdFileStats&)>& sink, std::chrono::milliseconds slice = kZipListSlice);

    // The job has ended and nothing is left to take.
    bool Done() const;
    // The entry count, once counted; -1 before.
    int FileCount() const { return fileCount_.load(std::memory_order_acquire); }
    const std::string& ZipFileName() const { return zipFileName_; }

protected:
    void Execute() override;

private:
    const std::string zipFileName_;
    const std::optional<std::vector<std::string>> names_;
    mutable std::mutex mutex_;
    std::deque<TXcdFileStats> queue_;
    bool ended_ = false;
    std::atomic<int> fileCount_{-1};
};

}  // namespace corvane
