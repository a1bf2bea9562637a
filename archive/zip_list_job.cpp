#include "archive/zip_list_job.h"

#include "archive/xceed_zip.h"
#include "platform/zipdll/xcdzip_api.h"

namespace corvane {

TZipListJob::TZipListJob(std::string zipFileName, std::weak_ptr<const void> owner,
                         std::optional<std::vector<std::string>> names)
    : TZipJob("zip list", std::move(owner)), zipFileName_(std::move(zipFileName)), names_(std::move(names)) {}

TZipListJob::~TZipListJob() {
    Terminate();
    WaitFor();
}

std::shared_ptr<TZipListJob> TZipListJob::Start(std::string zipFileName, std::weak_ptr<const void> owner,
                                                std::optional<std::vector<std::string>> names) {
    return StartZipJob(std::make_shared<TZipListJob>(std::move(zipFileName), std::move(owner), std::move(names)));
}

void TZipListJob::Execute() {
    // The component belongs to this thread: made, used and freed here.
    TXceedZipPtr zip = TXceedZip::Create();
    zip->ZipFileName = zipFileName_;
    const int count = zip->GetFileCount();
    fileCount_.store(count, std::memory_order_release);
    int code = XCD_ERR_STOPPED;
    if (!Unwanted()) {
        zip->OnListing = [this](TXceedZip& z, const TXcdFileStats& stats) {
            if (Unwanted()) {
                z.Abort = true;
                return;
            }
            std::lock_guard lock(mutex_);
            queue_.push_back(stats);
        };
        if (names_) {
            zip->ExactNames = true;
            for (const std::string& name : *names_) zip->FilesToProcess.Add(name);
        } else {
            zip->FilesToProcess.Add("*.*");
        }
        code = zip->List();
    }
    std::lock_guard lock(mutex_);
    if (Unwanted()) queue_.clear();
    ended_ = true;
    SetResult(code);
}

std::size_t TZipListJob::TakeBatch(std::vector<TXcdFileStats>& out, std::size_t max) {
    std::lock_guard lock(mutex_);
    if (Unwanted()) {
        queue_.clear();
        return 0;
    }
    const std::size_t n = std::min(max, queue_.size());
    for (std::size_t i = 0; i < n; ++i) {
        out.push_back(std::move(queue_.front()));
        queue_.pop_front();
    }
    return n;
}

bool TZipListJob::Drain(const std::function<void(const TXcdFileStats&)>& sink, std::chrono::milliseconds slice) {
    // Small batches keep one slice from overrunning by much; the lock is never held over the sink.
    constexpr std::size_t kBatch = 16;
    const auto start = std::chrono::steady_clock::now();
    std::vector<TXcdFileStats> batch;
    batch.reserve(kBatch);
    do {
        batch.clear();
        if (TakeBatch(batch, kBatch) == 0) break;
        for (const TXcdFileStats& stats : batch) sink(stats);
    } while (std::chrono::steady_clock::now() - start < slice);
    return Done();
}

bool TZipListJob::Done() const {
    std::lock_guard lock(mutex_);
    return ended_ && queue_.empty();
}

}  // namespace corvane
