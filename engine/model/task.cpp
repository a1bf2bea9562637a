#include "engine/model/task.h"

#include "engine/parse/mirror_naming.h"
#include "engine/model/registry_routines.h"
#include "engine/model/settings.h"
#include "engine/parse/url_model.h"
#include "platform/rtl/paths.h"

namespace corvane {

std::string TaskStatusText(int status) {
    static const char* const texts[] = {"Unscheduled",       "Scheduled", "Downloading...", "Download Stopped",
                                        "Incomplete",        "Download Complete", "Zipped!", "Task Complete",
                                        "Deleted"};
    if (status < 0 || status > tsDeleted) return "Unknown";
    return texts[status];
}

bool TCVTask::CaseLess::operator()(const std::string& a, const std::string& b) const {
    return CompareText(a, b) < 0;
}

TCVTask::TCVTask() { Reset(); }

TCVTask::~TCVTask() = default;

std::string TCVTask::GetFolder() const {
    if (IntranetMode) return WithTrailingSlash(Destination);
    return App->GetTempFolder();
}

std::shared_ptr<const TCVRunRules> TCVTask::TakeRunRules() {
    std::shared_ptr<const TCVRunRules> rules = TCVRunRules::Of(*this);
    std::lock_guard guard(lock_);
    run_rules_ = rules;
    return rules;
}

std::shared_ptr<const TCVRunRules> TCVTask::RunRules() const {
    std::lock_guard guard(lock_);
    return run_rules_;
}

std::shared_ptr<const TCVRunRules> TCVTask::EnsureRunRules() {
    if (auto rules = RunRules()) return rules;
    return TakeRunRules();
}

std::string TCVTask::RunFolder() const {
    if (const auto rules = RunRules()) return rules->Folder;
    return GetFolder();
}

std::string TCVTask::GetLocalStartPage() const { return GetLocalFileName(GetFolder(), URLBaseDir(URL), URL); }

void TCVTask::Reset() {
    std::vector<TCVZipEntry> released;
    {
        std::lock_guard guard(lock_);
        released.swap(zip_queue_);
        url_set_.clear();
        orphan_url_.clear();
        ClearQueueLocked();
        for (auto& counter : counters_) counter = 0;
    }
    ExcludeURLs.Clear();
    IncludeURLs.Clear();
    StartTime = 0;
    Elapsed = 0;
    ZipLast = RegRead<bool>(kSettingsKey, "Zip Last", ZipLast);
}

void TCVTask::SetOnProgress(TCVProgressEvent handler) {
    std::lock_guard guard(lock_);
    on_progress_ = std::move(handler);
}

void TCVTask::FireProgress(const std::string& message, int position, int maximum) const {
    TCVProgressEvent handler;
    {
        std::lock_guard guard(lock_);
        handler = on_progress_;
    }
    if (handler) handler(message, position, maximum);
}

std::int64_t& TCVTask::CounterRef(TCVCounter counter) { return counters_[static_cast<int>(counter)]; }

TCVTaskCounters TCVTask::Counters() const {
    std::lock_guard guard(lock_);
    TCVTaskCounters c;
    c.PagesSaved = static_cast<std::int32_t>(counters_[0]);
    c.ResourcesSaved = static_cast<std::int32_t>(counters_[1]);
    c.PageErrors = static_cast<std::int32_t>(counters_[2]);
    c.ResourceErrors = static_cast<std::int32_t>(counters_[3]);
    c.TotalPages = static_cast<std::int32_t>(counters_[4]);
    c.TotalResources = static_cast<std::int32_t>(counters_[5]);
    c.TotalBytes = counters_[6];
    return c;
}

void TCVTask::SetCounters(const TCVTaskCounters& c) {
    std::lock_guard guard(lock_);
    counters_[0] = c.PagesSaved;
    counters_[1] = c.ResourcesSaved;
    counters_[2] = c.PageErrors;
    counters_[3] = c.ResourceErrors;
    counters_[4] = c.TotalPages;
    counters_[5] = c.TotalResources;
    counters_[6] = c.TotalBytes;
}

void TCVTask::AddToCounter(TCVCounter counter, std::int64_t delta) {
    std::lock_guard guard(lock_);
    CounterRef(counter) += delta;
}

void TCVTask::ZipQueueAdd(std::string local_file, std::unique_ptr<TCVQItem> item) {
    std::lock_guard guard(lock_);
    zip_queue_.push_back(TCVZipEntry{std::move(local_file), std::move(item)});
}

bool TCVTask::ZipQueueTakeFirst(TCVZipEntry& entry) {
    std::lock_guard guard(lock_);
    if (zip_queue_.empty()) return false;
    entry = std::move(zip_queue_.front());
    zip_queue_.erase(zip_queue_.begin());
    return true;
}

void TCVTask::ZipQueuePutBack(TCVZipEntry entry) {
    std::lock_guard guard(lock_);
    zip_queue_.insert(zip_queue_.begin(), std::move(entry));
}

int TCVTask::ZipQueueCount() const {
    std::lock_guard guard(lock_);
    return static_cast<int>(zip_queue_.size());
}

std::vector<std::string> TCVTask::ZipQueueFiles() const {
    std::lock_guard guard(lock_);
    std::vector<std::string> files;
    for (const auto& entry : zip_queue_) files.push_back(entry.LocalFile);
    return files;
}

std::shared_ptr<TCVChart> TCVTask::Chart() const {
    std::lock_guard guard(lock_);
    return chart_;
}

}  // namespace corvane
