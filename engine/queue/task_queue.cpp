// The task's link queue: line pairs (URL, record) in memory, the queue file, the selectors and the
// counter rules. Every operation here takes the task's lock for itself.

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unordered_set>

#include <unistd.h>

#include "engine/support/file_routines.h"
#include "engine/queue/queue_lines.h"
#include "engine/queue/queue_record.h"
#include "engine/model/settings.h"
#include "engine/model/task.h"
#include "engine/support/text_routines.h"
#include "platform/rtl/log.h"
#include "platform/rtl/main_loop.h"

namespace corvane {

void TCVTask::ClearQueueLocked() {
    if (!queue_.empty()) {
        queue_dirty_ = true;
        ++queue_changes_;
    }
    queue_.clear();
    url_index_.clear();
    local_names_.Clear();
    pending_ = {};
    for (auto& hint : hints_) hint = 1;
}

void TCVTask::AppendPairLocked(const std::string& url, std::string record) {
    url_index_.emplace(LowerCase(url), static_cast<int>(queue_.size()));
    local_names_.Add(url);
    pending_.Count(record, 1);
    queue_.push_back(url);
    queue_.push_back(std::move(record));
    queue_dirty_ = true;
    ++queue_changes_;
}

void TCVTask::ReplaceRecordLocked(std::size_t index, std::string record) {
    pending_.Count(queue_[index], -1);
    const RecordKey key = InspectRecord(record);
    pending_.Count(key, 1);
    // Only a selector that may now pick this record has to look back.
    for (int k = 0; k < kPendingKinds; ++k)
        if (index < hints_[k] && PendingQualifies(key, static_cast<PendingKind>(k))) hints_[k] = index;
    queue_[index] = std::move(record);
    queue_dirty_ = true;
    ++queue_changes_;
}

void TCVTask::PutLocked(const TCVQItem& item) {
    const std::string url = QueueURL(item.URL);
    const auto found = url_index_.find(LowerCase(url));
    if (found == url_index_.end()) {
        AppendPairLocked(url, item.EncodeRecord());
        return;
    }
    ReplaceRecordLocked(static_cast<std::size_t>(found->second) + 1, item.EncodeRecord());
}

void TCVTask::AddQItem(const TCVQItem& item) {
    std::lock_guard guard(lock_);
    const std::string url = QueueURL(item.URL);
    url_set_.insert(url);
    ++CounterRef(item.IsPage() ? TCVCounter::TotalPages : TCVCounter::TotalResources);
    AppendPairLocked(url, item.EncodeRecord());
}

std::string TCVTask::AddQItemIfNew(const TCVQItem& item, bool& added) {
    std::lock_guard guard(lock_);
    const std::string url = QueueURL(item.URL);
    const auto known = url_set_.find(url);
    added = known == url_set_.end();
    if (!added) return *known;
    url_set_.insert(url);
    ++CounterRef(item.IsPage() ? TCVCounter::TotalPages : TCVCounter::TotalResources);
    AppendPairLocked(url, item.EncodeRecord());
    return url;
}

void TCVTask::ReportBadRecordLocked(int line) {
    if (bad_record_reported_) return;
    bad_record_reported_ = true;
    LogWarning("The queue of task \"" + Name + "\" holds a damaged record (line " + std::to_string(line + 1) +
               "); it is treated as an error");
}

std::unique_ptr<TCVQItem> TCVTask::GetQItemLocked(int index) {
    if (index < 0 || index % 2 != 0 || static_cast<std::size_t>(index) + 1 >= queue_.size()) return nullptr;
    auto item = std::make_unique<TCVQItem>(this);
    item->URL = queue_[static_cast<std::size_t>(index)];
    if (!item->DecodeRecord(queue_[static_cast<std::size_t>(index) + 1])) ReportBadRecordLocked(index + 1);
    return item;
}

std::unique_ptr<TCVQItem> TCVTask::GetQItem(int index) {
    std::lock_guard guard(lock_);
    return GetQItemLocked(index);
}

std::unique_ptr<TCVQItem> TCVTask::SelectLocked(PendingKind which) {
    const int s = static_cast<int>(which);
    if (pending_.Waiting[s] <= 0) {
        hints_[s] = queue_.size() | 1;
        return nullptr;
    }
    for (std::size_t i = std::max<std::size_t>(hints_[s], 1); i < queue_.size(); i += 2) {
        if (PendingQualifies(InspectRecord(queue_[i]), which)) {
            hints_[s] = i;  // nothing before i qualifies until a record there changes
            return GetQItemLocked(static_cast<int>(i) - 1);
        }
    }
    hints_[s] = queue_.size() | 1;
    return nullptr;
}

std::unique_ptr<TCVQItem> TCVTask::NextPageToDownload() {
    std::lock_guard guard(lock_);
    return SelectLocked(PendingKind::PageToDownload);
}

std::unique_ptr<TCVQItem> TCVTask::NextResourceToDownload() {
    std::lock_guard guard(lock_);
    return SelectLocked(PendingKind::ResourceToDownload);
}

std::unique_ptr<TCVQItem> TCVTask::NextPageToParse() {
    std::lock_guard guard(lock_);
    return SelectLocked(PendingKind::PageToParse);
}

bool TCVTask::IsComplete() const {
    std::lock_guard guard(lock_);
    return pending_.Empty();
}

TCVPendingCounts TCVTask::PendingCounts() const {
    std::lock_guard guard(lock_);
    return pending_;
}

void TCVTask::ApplyStateChange(const TCVQItem& item, TCVItemState old_state, TCVItemState new_state) {
    std::lock_guard guard(lock_);
    const bool page = item.IsPage();
    const TCVCounter saved = page ? TCVCounter::PagesSaved : TCVCounter::ResourcesSaved;
    const TCVCounter errors = page ? TCVCounter::PageErrors : TCVCounter::ResourceErrors;
    if (old_state == isError && new_state == isNone) {
        --CounterRef(errors);
    } else if (old_state >= isSaved && new_state == isNone) {
        --CounterRef(saved);
        CounterRef(TCVCounter::TotalBytes) -= item.Size;
    } else if (old_state >= isSaved && new_state == isError) {
        ++CounterRef(errors);
        --CounterRef(saved);
    }
}

void TCVTask::RecountLocked() {
    std::int64_t pages = 0, resources = 0, pages_saved = 0, resources_saved = 0, page_errors = 0,
                 resource_errors = 0, bytes = 0;
    for (std::size_t i = 1; i < queue_.size(); i += 2) {
        const RecordKey key = InspectRecord(queue_[i]);
        ++(key.Page ? pages : resources);
        if (key.State >= isSaved) {
            ++(key.Page ? pages_saved : resources_saved);
            // The bytes of what was kept: transfers cut by a kill or a failure counted bytes no file holds.
            std::string_view fields[kRecordFields];
            SplitRecord(queue_[i], fields, kRecordFields);
            std::int64_t size = 0;
            if (ParseRecordNumber(fields[9], size) && size > 0) bytes += size;
        }
        if (key.State == isError) ++(key.Page ? page_errors : resource_errors);
    }
    CounterRef(TCVCounter::TotalBytes) = bytes;
    CounterRef(TCVCounter::TotalPages) = pages;
    CounterRef(TCVCounter::TotalResources) = resources;
    CounterRef(TCVCounter::PagesSaved) = pages_saved;
    CounterRef(TCVCounter::ResourcesSaved) = resources_saved;
    CounterRef(TCVCounter::PageErrors) = page_errors;
    CounterRef(TCVCounter::ResourceErrors) = resource_errors;
}

std::string TCVTask::GetQueueFileName() const {
    // Named after the task file, so two task files never share a queue.
    std::string path = FileName;
    const std::size_t slash = path.rfind('/');
    const std::size_t dot = path.rfind('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) path.erase(dot);
    return path + kQueueFileExt;
}

bool TCVTask::LoadQueue() {
    const std::string path = GetQueueFileName();
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) return true;
    std::string text;
    {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream buffer;
        buffer << in.rdbuf();
        if (!in) {
            std::lock_guard guard(lock_);
            last_queue_error_ = "Cannot read the queue file \"" + path + "\"";
            LogWarning(last_queue_error_);
            return false;
        }
        text = std::move(buffer).str();
    }

    std::vector<std::string> lines = SplitQueueLines(text);
    std::string orphan;
    const bool repaired = RepairQueueLines(lines, path, orphan);

    std::lock_guard guard(lock_);
    ClearQueueLocked();
    queue_ = std::move(lines);
    for (std::size_t i = 0; i < queue_.size(); i += 2) {
        url_index_.emplace(LowerCase(queue_[i]), static_cast<int>(i));
        local_names_.Add(queue_[i]);
    }
    pending_ = TCVPendingCounts::Scan(queue_);
    orphan_url_ = std::move(orphan);
    queue_dirty_ = repaired;
    ++queue_changes_;
    bad_record_reported_ = false;
    return true;
}

TCVTask::QueueSnapshot TCVTask::TakeQueueSnapshot() {
    QueueSnapshot snapshot;
    snapshot.Path = GetQueueFileName();
    snapshot.TaskName = Name;  // the writer thread never reads the task's own fields
    std::lock_guard guard(lock_);
    std::size_t size = 0;
    for (const auto& line : queue_) size += line.size() + 2;
    snapshot.Text.reserve(size);
    for (const auto& line : queue_) {
        snapshot.Text += line;
        snapshot.Text += "\r\n";
    }
    snapshot.Changes = queue_changes_;
    snapshot.Sequence = ++snapshots_taken_;
    return snapshot;
}

bool TCVTask::WriteQueueSnapshot(const QueueSnapshot& snapshot) {
    std::lock_guard save_guard(save_lock_);
    if (snapshot.Sequence < snapshot_landed_) return true;  // a newer copy is on disk already
    try {
        const auto folder = std::filesystem::path(snapshot.Path).parent_path();
        if (!folder.empty()) std::filesystem::create_directories(folder);
        SaveTextFile(snapshot.Path, snapshot.Text);
    } catch (const std::exception& e) {
        std::lock_guard guard(lock_);
        last_queue_error_ = "Cannot save the queue of task \"" + snapshot.TaskName + "\": " + e.what();
        queue_save_failed_ = true;
        LogWarning(last_queue_error_);
        return false;
    }
    snapshot_landed_ = snapshot.Sequence;
    DropSavedOriginals(snapshot.Changes);
    return true;
}

void TCVTask::KeepOriginalUntilSaved(const std::string& original) {
    std::lock_guard guard(lock_);
    kept_originals_.emplace_back(queue_changes_, original);
}

int TCVTask::KeptOriginalCount() const {
    std::lock_guard guard(lock_);
    return static_cast<int>(kept_originals_.size());
}

void TCVTask::DropSavedOriginals(std::uint64_t changes) {
    std::vector<std::string> drop;
    {
        std::lock_guard guard(lock_);
        auto kept = kept_originals_.begin();
        while (kept != kept_originals_.end()) {
            if (kept->first <= changes) {
                drop.push_back(std::move(kept->second));
                kept = kept_originals_.erase(kept);
            } else {
                ++kept;
            }
        }
    }
    for (const auto& file : drop) ::unlink(file.c_str());
}

void TCVTask::SetRunFailure(int message, const std::string& text) {
    std::lock_guard guard(lock_);
    if (run_failure_message_ != 0) return;
    run_failure_message_ = message;
    run_failure_text_ = text;
    LogWarning("A capture stops: " + text);
}

bool TCVTask::RunFailed() const {
    std::lock_guard guard(lock_);
    return run_failure_message_ != 0;
}

bool TCVTask::TakeRunFailure(int& message, std::string& text) {
    std::lock_guard guard(lock_);
    if (run_failure_message_ == 0) return false;
    message = run_failure_message_;
    text = std::move(run_failure_text_);
    run_failure_message_ = 0;
    run_failure_text_.clear();
    return true;
}

void TCVTask::MarkQueueSavedLocked(std::uint64_t changes) {
    if (queue_changes_ == changes) queue_dirty_ = false;
    queue_save_failed_ = false;
    last_queue_error_.clear();
}

bool TCVTask::SaveQueue() {
    queue_writer_.Settle();
    const QueueSnapshot snapshot = TakeQueueSnapshot();
    if (!WriteQueueSnapshot(snapshot)) return false;
    try {
        Save();
    } catch (const std::exception& e) {
        std::lock_guard guard(lock_);
        last_queue_error_ = "Cannot save the queue of task \"" + Name + "\": " + e.what();
        LogWarning(last_queue_error_);
        return false;
    }
    std::lock_guard guard(lock_);
    MarkQueueSavedLocked(snapshot.Changes);
    items_since_save_ = 0;
    return true;
}

void TCVTask::QueueChanged() {
    {
        std::lock_guard guard(lock_);
        if (!queue_save_failed_ && items_since_save_ < App->QueueSaveInterval) {
            ++items_since_save_;
            return;
        }
        items_since_save_ = 0;
        queue_save_failed_ = false;
    }
    auto snapshot = std::make_shared<const QueueSnapshot>(TakeQueueSnapshot());
    queue_writer_.Post([this, snapshot] {
        if (!WriteQueueSnapshot(*snapshot)) return;
        std::lock_guard guard(lock_);
        MarkQueueSavedLocked(snapshot->Changes);
    });
    if (FileFieldsKey() == saved_fields_) return;
    try {
        Save();
    } catch (const std::exception& e) {
        LogWarning("Cannot save task \"" + Name + "\": " + e.what());
    }
}

void TCVTask::FlushQueueWrites() { queue_writer_.Flush(); }

void TCVTask::OpenQueue() {
    bool load = false;
    {
        std::lock_guard guard(lock_);
        url_set_.clear();
        load = queue_.empty();
    }
    if (load) LoadQueue();

    MainLoop* loop = CurrentMainLoop();
    if (loop && !loop->IsMainThread()) loop = nullptr;
    for (std::size_t i = 1;; i += 2) {
        std::size_t count = 0;
        {
            std::lock_guard guard(lock_);
            count = queue_.size();
            if (i > count) break;
            url_set_.insert(queue_[i - 1]);
        }
        if (i % 100 == 1 || i + 1 == count) {
            FireProgress("Opening task....", static_cast<int>(i), static_cast<int>(count) - 1);
            if (loop) loop->ProcessPending();  // keeps the window alive while a large queue opens
        }
    }

    std::lock_guard guard(lock_);
    if (!orphan_url_.empty()) url_set_.insert(orphan_url_);
    RecountLocked();
}

bool TCVTask::InURLSet(const std::string& url) const {
    std::lock_guard guard(lock_);
    return url_set_.count(url) != 0;
}

std::string TCVTask::RenamedLocalName(const std::string& url) const {
    std::lock_guard guard(lock_);
    return local_names_.RenamedTo(url);
}

int TCVTask::URLSetCount() const {
    std::lock_guard guard(lock_);
    return static_cast<int>(url_set_.size());
}

int TCVTask::QueueLineCount() const {
    std::lock_guard guard(lock_);
    return static_cast<int>(queue_.size());
}

std::vector<std::string> TCVTask::QueueLines() const {
    std::lock_guard guard(lock_);
    return queue_;
}

bool TCVTask::QueueDirty() const {
    std::lock_guard guard(lock_);
    return queue_dirty_;
}

int TCVTask::ItemsSinceSave() const {
    std::lock_guard guard(lock_);
    return items_since_save_;
}

std::string TCVTask::LastQueueError() const {
    std::lock_guard guard(lock_);
    return last_queue_error_;
}

}  // namespace corvane
