// The task's side of its queue: the queue file (load, save, the writes on the writer thread), the
// kept originals that wait for a write, the run's failures, and the queue operations in the task's
// terms, each handed to the task's TTaskQueue.

#include <filesystem>
#include <fstream>
#include <sstream>

#include <unistd.h>

#include "engine/model/settings.h"
#include "engine/model/task.h"
#include "engine/queue/queue_lines.h"
#include "engine/support/file_routines.h"
#include "platform/rtl/log.h"
#include "platform/rtl/main_loop.h"

namespace corvane {

std::unique_ptr<TCVQItem> TCVTask::ItemOf(const TTaskQueue::Pair& pair) {
    auto item = std::make_unique<TCVQItem>(this);
    item->URL = pair.URL;
    if (!item->DecodeRecord(pair.Record) && queue_.FirstBadRecord())
        LogWarning("The queue of task \"" + Name + "\" holds a damaged record (line " + std::to_string(pair.Index + 2) +
                   "); it is treated as an error");
    return item;
}

void TCVTask::AddQItem(const TCVQItem& item) { queue_.Add(QueueURL(item.URL), item.EncodeRecord(), item.IsPage()); }

std::string TCVTask::AddQItemIfNew(const TCVQItem& item, bool& added) {
    return queue_.AddIfNew(QueueURL(item.URL), item.EncodeRecord(), item.IsPage(), added);
}

std::unique_ptr<TCVQItem> TCVTask::GetQItem(int index) {
    TTaskQueue::Pair pair;
    return queue_.Get(index, pair) ? ItemOf(pair) : nullptr;
}

std::unique_ptr<TCVQItem> TCVTask::NextPageToDownload() {
    TTaskQueue::Pair pair;
    return queue_.Select(PendingKind::PageToDownload, pair) ? ItemOf(pair) : nullptr;
}

std::unique_ptr<TCVQItem> TCVTask::NextResourceToDownload() {
    TTaskQueue::Pair pair;
    return queue_.Select(PendingKind::ResourceToDownload, pair) ? ItemOf(pair) : nullptr;
}

std::unique_ptr<TCVQItem> TCVTask::NextPageToParse() {
    TTaskQueue::Pair pair;
    return queue_.Select(PendingKind::PageToParse, pair) ? ItemOf(pair) : nullptr;
}

bool TCVTask::IsComplete() const { return queue_.IsComplete(); }

TCVPendingCounts TCVTask::PendingCounts() const { return queue_.PendingCounts(); }

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
    queue_.Assign(std::move(lines), std::move(orphan), repaired);
    return true;
}

TCVTask::QueueSnapshot TCVTask::TakeQueueSnapshot() {
    QueueSnapshot snapshot;
    snapshot.Path = GetQueueFileName();
    snapshot.TaskName = Name;  // the writer thread never reads the task's own fields
    snapshot.Lines = queue_.TakeSnapshot();
    return snapshot;
}

bool TCVTask::WriteQueueSnapshot(const QueueSnapshot& snapshot) {
    std::lock_guard save_guard(save_lock_);
    if (snapshot.Lines.Sequence < snapshot_landed_) return true;  // a newer copy is on disk already
    try {
        const auto folder = std::filesystem::path(snapshot.Path).parent_path();
        if (!folder.empty()) std::filesystem::create_directories(folder);
        SaveTextFile(snapshot.Path, snapshot.Lines.Text);
    } catch (const std::exception& e) {
        std::lock_guard guard(lock_);
        last_queue_error_ = "Cannot save the queue of task \"" + snapshot.TaskName + "\": " + e.what();
        queue_save_failed_ = true;
        LogWarning(last_queue_error_);
        return false;
    }
    snapshot_landed_ = snapshot.Lines.Sequence;
    DropSavedOriginals(snapshot.Lines.Changes);
    return true;
}

void TCVTask::KeepOriginalUntilSaved(const std::string& original) {
    const std::uint64_t changes = queue_.Changes();
    std::lock_guard guard(lock_);
    kept_originals_.emplace_back(changes, original);
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

void TCVTask::MarkQueueSaved(std::uint64_t changes) {
    queue_.MarkSaved(changes);
    std::lock_guard guard(lock_);
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
    MarkQueueSaved(snapshot.Lines.Changes);
    std::lock_guard guard(lock_);
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
        if (WriteQueueSnapshot(*snapshot)) MarkQueueSaved(snapshot->Lines.Changes);
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
    queue_.ClearURLSet();
    if (queue_.Empty()) LoadQueue();

    MainLoop* loop = CurrentMainLoop();
    if (loop && !loop->IsMainThread()) loop = nullptr;
    std::size_t count = 0;
    for (std::size_t i = 1; queue_.AddToURLSet(i, count); i += 2) {
        if (i % 100 == 1 || i + 1 == count) {
            FireProgress("Opening task....", static_cast<int>(i), static_cast<int>(count) - 1);
            if (loop) loop->ProcessPending();  // keeps the window alive while a large queue opens
        }
    }
    queue_.FinishOpen();
}

bool TCVTask::InURLSet(const std::string& url) const { return queue_.InURLSet(url); }

std::string TCVTask::RenamedLocalName(const std::string& url) const { return queue_.RenamedLocalName(url); }

int TCVTask::URLSetCount() const { return queue_.URLSetCount(); }

int TCVTask::QueueLineCount() const { return queue_.LineCount(); }

std::vector<std::string> TCVTask::QueueLines() const { return queue_.Lines(); }

bool TCVTask::QueueDirty() const { return queue_.Dirty(); }

int TCVTask::ItemsSinceSave() const {
    std::lock_guard guard(lock_);
    return items_since_save_;
}

std::string TCVTask::LastQueueError() const {
    std::lock_guard guard(lock_);
    return last_queue_error_;
}

}  // namespace corvane
