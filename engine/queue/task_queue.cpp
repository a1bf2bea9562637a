#include "engine/queue/task_queue.h"

#include <algorithm>

#include "engine/queue/queue_record.h"
#include "engine/support/text_routines.h"
#include "platform/rtl/string_list.h"

namespace corvane {

bool TTaskQueue::CaseLess::operator()(const std::string& a, const std::string& b) const {
    return CompareText(a, b) < 0;
}

void TTaskQueue::ClearLocked() {
    if (!lines_.empty()) {
        dirty_ = true;
        ++changes_;
    }
    lines_.clear();
    url_index_.clear();
    local_names_.Clear();
    pending_ = {};
    for (auto& hint : hints_) hint = 1;
}

void TTaskQueue::AppendPairLocked(const std::string& url, std::string record) {
    url_index_.emplace(LowerCase(url), static_cast<int>(lines_.size()));
    local_names_.Add(url);
    pending_.Count(record, 1);
    lines_.push_back(url);
    lines_.push_back(std::move(record));
    dirty_ = true;
    ++changes_;
}

void TTaskQueue::ReplaceRecordLocked(std::size_t index, std::string record) {
    pending_.Count(lines_[index], -1);
    const RecordKey key = InspectRecord(record);
    pending_.Count(key, 1);
    // Only a selector that may now pick this record has to look back.
    for (int k = 0; k < kPendingKinds; ++k)
        if (index < hints_[k] && PendingQualifies(key, static_cast<PendingKind>(k))) hints_[k] = index;
    lines_[index] = std::move(record);
    dirty_ = true;
    ++changes_;
}

void TTaskQueue::Add(const std::string& url, std::string record, bool page) {
    std::lock_guard guard(lock_);
    url_set_.insert(url);
    ++CounterRef(page ? TCVCounter::TotalPages : TCVCounter::TotalResources);
    AppendPairLocked(url, std::move(record));
}

std::string TTaskQueue::AddIfNew(const std::string& url, std::string record, bool page, bool& added) {
    std::lock_guard guard(lock_);
    const auto known = url_set_.find(url);
    added = known == url_set_.end();
    if (!added) return *known;
    url_set_.insert(url);
    ++CounterRef(page ? TCVCounter::TotalPages : TCVCounter::TotalResources);
    AppendPairLocked(url, std::move(record));
    return url;
}

void TTaskQueue::Put(const std::string& url, std::string record) {
    std::lock_guard guard(lock_);
    const auto found = url_index_.find(LowerCase(url));
    if (found == url_index_.end()) {
        AppendPairLocked(url, std::move(record));
        return;
    }
    ReplaceRecordLocked(static_cast<std::size_t>(found->second) + 1, std::move(record));
}

bool TTaskQueue::GetLocked(int index, Pair& pair) const {
    if (index < 0 || index % 2 != 0 || static_cast<std::size_t>(index) + 1 >= lines_.size()) return false;
    pair.Index = index;
    pair.URL = lines_[static_cast<std::size_t>(index)];
    pair.Record = lines_[static_cast<std::size_t>(index) + 1];
    return true;
}

bool TTaskQueue::Get(int index, Pair& pair) const {
    std::lock_guard guard(lock_);
    return GetLocked(index, pair);
}

bool TTaskQueue::Select(PendingKind which, Pair& pair) {
    std::lock_guard guard(lock_);
    const int s = static_cast<int>(which);
    if (pending_.Waiting[s] > 0) {
        for (std::size_t i = std::max<std::size_t>(hints_[s], 1); i < lines_.size(); i += 2) {
            if (PendingQualifies(InspectRecord(lines_[i]), which)) {
                hints_[s] = i;  // nothing before i qualifies until a record there changes
                return GetLocked(static_cast<int>(i) - 1, pair);
            }
        }
    }
    hints_[s] = lines_.size() | 1;
    return false;
}

void TTaskQueue::ResetRunningRecords() {
    std::lock_guard guard(lock_);
    for (std::size_t i = 1; i < lines_.size(); i += 2) {
        const RecordKey key = InspectRecord(lines_[i]);
        if (key.Valid && (key.State == isDownloading || key.State == isUpdating)) {
            std::string record = lines_[i];
            SetToken(record, "0", kFieldSeparator, 0);
            ReplaceRecordLocked(i, std::move(record));
        }
    }
}

void TTaskQueue::Assign(std::vector<std::string> lines, std::string orphan, bool dirty) {
    std::lock_guard guard(lock_);
    ClearLocked();
    lines_ = std::move(lines);
    for (std::size_t i = 0; i < lines_.size(); i += 2) {
        url_index_.emplace(LowerCase(lines_[i]), static_cast<int>(i));
        local_names_.Add(lines_[i]);
    }
    pending_ = TCVPendingCounts::Scan(lines_);
    orphan_url_ = std::move(orphan);
    dirty_ = dirty;
    ++changes_;
    bad_record_reported_ = false;
}

void TTaskQueue::Reset(std::vector<TCVZipEntry>& released) {
    std::lock_guard guard(lock_);
    released.swap(zip_list_);
    url_set_.clear();
    orphan_url_.clear();
    ClearLocked();
    for (auto& counter : counters_) counter = 0;
}

bool TTaskQueue::FirstBadRecord() {
    std::lock_guard guard(lock_);
    if (bad_record_reported_) return false;
    bad_record_reported_ = true;
    return true;
}

bool TTaskQueue::IsComplete() const {
    std::lock_guard guard(lock_);
    return pending_.Empty();
}

TCVPendingCounts TTaskQueue::PendingCounts() const {
    std::lock_guard guard(lock_);
    return pending_;
}

bool TTaskQueue::Empty() const {
    std::lock_guard guard(lock_);
    return lines_.empty();
}

int TTaskQueue::LineCount() const {
    std::lock_guard guard(lock_);
    return static_cast<int>(lines_.size());
}

std::vector<std::string> TTaskQueue::Lines() const {
    std::lock_guard guard(lock_);
    return lines_;
}

bool TTaskQueue::Dirty() const {
    std::lock_guard guard(lock_);
    return dirty_;
}

std::uint64_t TTaskQueue::Changes() const {
    std::lock_guard guard(lock_);
    return changes_;
}

void TTaskQueue::ClearURLSet() {
    std::lock_guard guard(lock_);
    url_set_.clear();
}

bool TTaskQueue::AddToURLSet(std::size_t line, std::size_t& count) {
    std::lock_guard guard(lock_);
    count = lines_.size();
    if (line == 0 || line > count) return false;
    url_set_.insert(lines_[line - 1]);
    return true;
}

void TTaskQueue::FinishOpen() {
    std::lock_guard guard(lock_);
    if (!orphan_url_.empty()) url_set_.insert(orphan_url_);
    RecountLocked();
}

bool TTaskQueue::InURLSet(const std::string& url) const {
    std::lock_guard guard(lock_);
    return url_set_.count(url) != 0;
}

std::string TTaskQueue::RenamedLocalName(const std::string& url) const {
    std::lock_guard guard(lock_);
    return local_names_.RenamedTo(url);
}

int TTaskQueue::URLSetCount() const {
    std::lock_guard guard(lock_);
    return static_cast<int>(url_set_.size());
}

TTaskQueue::Snapshot TTaskQueue::TakeSnapshot() {
    Snapshot snapshot;
    std::lock_guard guard(lock_);
    std::size_t size = 0;
    for (const auto& line : lines_) size += line.size() + 2;
    snapshot.Text.reserve(size);
    for (const auto& line : lines_) {
        snapshot.Text += line;
        snapshot.Text += "\r\n";
    }
    snapshot.Changes = changes_;
    snapshot.Sequence = ++snapshots_taken_;
    return snapshot;
}

void TTaskQueue::MarkSaved(std::uint64_t changes) {
    std::lock_guard guard(lock_);
    if (changes_ == changes) dirty_ = false;
}

void TTaskQueue::RecountLocked() {
    std::int64_t pages = 0, resources = 0, pages_saved = 0, resources_saved = 0, page_errors = 0,
                 resource_errors = 0, bytes = 0;
    for (std::size_t i = 1; i < lines_.size(); i += 2) {
        const RecordKey key = InspectRecord(lines_[i]);
        ++(key.Page ? pages : resources);
        if (key.State >= isSaved) {
            ++(key.Page ? pages_saved : resources_saved);
            // The bytes of what was kept: transfers cut by a kill or a failure counted bytes no file holds.
            std::string_view fields[kRecordFields];
            SplitRecord(lines_[i], fields, kRecordFields);
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

TCVTaskCounters TTaskQueue::Counters() const {
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

void TTaskQueue::SetCounters(const TCVTaskCounters& c) {
    std::lock_guard guard(lock_);
    counters_[0] = c.PagesSaved;
    counters_[1] = c.ResourcesSaved;
    counters_[2] = c.PageErrors;
    counters_[3] = c.ResourceErrors;
    counters_[4] = c.TotalPages;
    counters_[5] = c.TotalResources;
    counters_[6] = c.TotalBytes;
}

void TTaskQueue::AddToCounter(TCVCounter counter, std::int64_t delta) {
    std::lock_guard guard(lock_);
    CounterRef(counter) += delta;
}

void TTaskQueue::ApplyStateChange(bool page, std::int64_t size, TCVItemState old_state, TCVItemState new_state) {
    std::lock_guard guard(lock_);
    const TCVCounter saved = page ? TCVCounter::PagesSaved : TCVCounter::ResourcesSaved;
    const TCVCounter errors = page ? TCVCounter::PageErrors : TCVCounter::ResourceErrors;
    if (old_state == isError && new_state == isNone) {
        --CounterRef(errors);
    } else if (old_state >= isSaved && new_state == isNone) {
        --CounterRef(saved);
        CounterRef(TCVCounter::TotalBytes) -= size;
    } else if (old_state >= isSaved && new_state == isError) {
        ++CounterRef(errors);
        --CounterRef(saved);
    }
}

void TTaskQueue::ZipAdd(TCVZipEntry entry) {
    std::lock_guard guard(lock_);
    zip_list_.push_back(std::move(entry));
}

bool TTaskQueue::ZipTakeFirst(TCVZipEntry& entry) {
    std::lock_guard guard(lock_);
    if (zip_list_.empty()) return false;
    entry = std::move(zip_list_.front());
    zip_list_.erase(zip_list_.begin());
    return true;
}

void TTaskQueue::ZipPutBack(TCVZipEntry entry) {
    std::lock_guard guard(lock_);
    zip_list_.insert(zip_list_.begin(), std::move(entry));
}

int TTaskQueue::ZipCount() const {
    std::lock_guard guard(lock_);
    return static_cast<int>(zip_list_.size());
}

std::vector<std::string> TTaskQueue::ZipFiles() const {
    std::lock_guard guard(lock_);
    std::vector<std::string> files;
    for (const auto& entry : zip_list_) files.push_back(entry.LocalFile);
    return files;
}

}  // namespace corvane
