// The task's link queue: line pairs (URL, record) in memory, the queue file, the selectors and the
// counter rules. Every operation here takes the task's lock for itself.

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unordered_set>

#include "engine/file_routines.h"
#include "engine/queue_record.h"
#include "engine/settings.h"
#include "engine/task.h"
#include "engine/text_routines.h"
#include "platform/rtl/log.h"
#include "platform/rtl/main_loop.h"

namespace corvane {

namespace {

// URL lines never hold a line break: it would misalign every later pair.
std::string QueueURL(const std::string& url) {
    if (url.find_first_of("\r\n") == std::string::npos) return url;
    std::string clean;
    for (char c : url)
        if (c != '\r' && c != '\n') clean += c;
    return clean;
}

bool Qualifies(const RecordKey& key, int selector) {
    switch (selector) {
        case 0:  // page to download
            return key.Page && (((key.Mark == mkFetch || key.Mark == mkMap) && key.State < isDownloading) ||
                                (key.Mark == mkUpdate && key.State < isUpdating));
        case 1:  // resource to download
            return !key.Page && ((key.Mark == mkFetch && key.State < isDownloading) ||
                                 (key.Mark == mkUpdate && key.State < isUpdating));
        default:  // page to parse
            return key.Page && key.State == isSaved;
    }
}

}  // namespace

void TCVTask::ClearQueueLocked() {
    if (!queue_.empty()) {
        queue_dirty_ = true;
        ++queue_changes_;
    }
    queue_.clear();
    url_index_.clear();
    local_names_.Clear();
    for (auto& hint : hints_) hint = 1;
}

void TCVTask::AppendPairLocked(const std::string& url, std::string record) {
    url_index_.emplace(LowerCase(url), static_cast<int>(queue_.size()));
    local_names_.Add(url);
    queue_.push_back(url);
    queue_.push_back(std::move(record));
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
    const auto record = static_cast<std::size_t>(found->second) + 1;
    queue_[record] = item.EncodeRecord();
    for (auto& hint : hints_) hint = std::min(hint, record);
    queue_dirty_ = true;
    ++queue_changes_;
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

std::unique_ptr<TCVQItem> TCVTask::SelectLocked(Selector which) {
    const int s = static_cast<int>(which);
    for (std::size_t i = std::max<std::size_t>(hints_[s], 1); i < queue_.size(); i += 2) {
        if (Qualifies(InspectRecord(queue_[i]), s)) {
            hints_[s] = i;  // nothing before i qualifies until a record there changes
            return GetQItemLocked(static_cast<int>(i) - 1);
        }
    }
    hints_[s] = queue_.size() | 1;
    return nullptr;
}

std::unique_ptr<TCVQItem> TCVTask::NextPageToDownload() {
    std::lock_guard guard(lock_);
    return SelectLocked(Selector::PageToDownload);
}

std::unique_ptr<TCVQItem> TCVTask::NextResourceToDownload() {
    std::lock_guard guard(lock_);
    return SelectLocked(Selector::ResourceToDownload);
}

std::unique_ptr<TCVQItem> TCVTask::NextPageToParse() {
    std::lock_guard guard(lock_);
    return SelectLocked(Selector::PageToParse);
}

bool TCVTask::IsComplete() const {
    std::lock_guard guard(lock_);
    for (std::size_t i = 1; i < queue_.size(); i += 2) {
        const RecordKey key = InspectRecord(queue_[i]);
        if (key.State == isDownloading || key.State == isUpdating) return false;
        for (int s = 0; s < 3; ++s)
            if (Qualifies(key, s)) return false;
    }
    return true;
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
                 resource_errors = 0;
    for (std::size_t i = 1; i < queue_.size(); i += 2) {
        const RecordKey key = InspectRecord(queue_[i]);
        ++(key.Page ? pages : resources);
        if (key.State >= isSaved) ++(key.Page ? pages_saved : resources_saved);
        if (key.State == isError) ++(key.Page ? page_errors : resource_errors);
    }
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

    std::vector<std::string> lines;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::size_t stop = end;
        if (stop > start && text[stop - 1] == '\r') --stop;
        lines.emplace_back(text, start, stop - start);
        start = end + 1;
    }

    bool repaired = false;
    std::string orphan;
    if (lines.size() % 2 != 0) {
        // A URL without its record would pair every later line wrongly once more items are added.
        orphan = std::move(lines.back());
        lines.pop_back();
        repaired = true;
    }
    {
        // Each URL line must match the URL its item writes back, or the pair would be selected again
        // and again for ever. A URL listed twice (a damaged or hand-edited file) has every write-back
        // land on its first pair, so only that pair stays.
        std::unordered_set<std::string> seen;
        std::size_t kept = 0;
        for (std::size_t i = 0; i + 1 < lines.size(); i += 2) {
            // A stray CR inside a URL line would never match the URL written back (which has none).
            std::string url = QueueURL(lines[i]);
            if (url != lines[i]) {
                lines[i] = std::move(url);
                repaired = true;
            }
            if (!seen.insert(LowerCase(lines[i])).second) continue;
            if (kept != i) {
                lines[kept] = std::move(lines[i]);
                lines[kept + 1] = std::move(lines[i + 1]);
            }
            kept += 2;
        }
        if (kept != lines.size()) {
            LogWarning("The queue file \"" + path + "\" lists " + std::to_string((lines.size() - kept) / 2) +
                       " URL(s) twice; only the first of each is kept");
            lines.resize(kept);
            repaired = true;
        }
    }
    for (std::size_t i = 1; i < lines.size(); i += 2) {
        // Transfers that were running when the queue was saved never finished.
        const RecordKey key = InspectRecord(lines[i]);
        if (key.Valid && (key.State == isDownloading || key.State == isUpdating)) {
            SetToken(lines[i], "0", kFieldSeparator, 0);
            repaired = true;
        }
    }

    std::lock_guard guard(lock_);
    ClearQueueLocked();
    queue_ = std::move(lines);
    for (std::size_t i = 0; i < queue_.size(); i += 2) {
        url_index_.emplace(LowerCase(queue_[i]), static_cast<int>(i));
        local_names_.Add(queue_[i]);
    }
    orphan_url_ = std::move(orphan);
    queue_dirty_ = repaired;
    ++queue_changes_;
    bad_record_reported_ = false;
    return true;
}

bool TCVTask::SaveQueue() {
    std::lock_guard save_guard(save_lock_);
    std::string text;
    std::uint64_t changes = 0;
    {
        std::lock_guard guard(lock_);
        std::size_t size = 0;
        for (const auto& line : queue_) size += line.size() + 2;
        text.reserve(size);
        for (const auto& line : queue_) {
            text += line;
            text += "\r\n";
        }
        changes = queue_changes_;
    }

    const std::string path = GetQueueFileName();
    try {
        const auto folder = std::filesystem::path(path).parent_path();
        if (!folder.empty()) std::filesystem::create_directories(folder);
        SaveTextFile(path, text);
        Save();
    } catch (const std::exception& e) {
        std::lock_guard guard(lock_);
        last_queue_error_ = "Cannot save the queue of task \"" + Name + "\": " + e.what();
        LogWarning(last_queue_error_);
        return false;
    }

    std::lock_guard guard(lock_);
    if (queue_changes_ == changes) queue_dirty_ = false;
    items_since_save_ = 0;
    last_queue_error_.clear();
    return true;
}

void TCVTask::QueueChanged() {
    bool save = false;
    {
        std::lock_guard guard(lock_);
        if (items_since_save_ >= App->QueueSaveInterval)
            save = true;
        else
            ++items_since_save_;
    }
    if (save) SaveQueue();
}

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
