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
    std::vector<TCVZipEntry> released;  // destroyed after the queue's lock is released
    queue_.Reset(released);
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

TCVTaskCounters TCVTask::Counters() const { return queue_.Counters(); }

void TCVTask::SetCounters(const TCVTaskCounters& counters) { queue_.SetCounters(counters); }

void TCVTask::AddToCounter(TCVCounter counter, std::int64_t delta) { queue_.AddToCounter(counter, delta); }

void TCVTask::ZipQueueAdd(std::string local_file, std::unique_ptr<TCVQItem> item) {
    queue_.ZipAdd(TCVZipEntry{std::move(local_file), std::move(item)});
}

bool TCVTask::ZipQueueTakeFirst(TCVZipEntry& entry) { return queue_.ZipTakeFirst(entry); }

void TCVTask::ZipQueuePutBack(TCVZipEntry entry) { queue_.ZipPutBack(std::move(entry)); }

int TCVTask::ZipQueueCount() const { return queue_.ZipCount(); }

std::vector<std::string> TCVTask::ZipQueueFiles() const { return queue_.ZipFiles(); }

std::shared_ptr<TCVChart> TCVTask::Chart() const {
    std::lock_guard guard(lock_);
    return chart_;
}

}  // namespace corvane
