// What a task's run method does to its queue and counters when the task starts, and what a stop
// puts back.

#include <filesystem>

#include "engine/parse/file_types.h"
#include "engine/queue/queue_record.h"
#include "engine/model/task.h"
#include "engine/support/text_routines.h"
#include "engine/parse/url_model.h"

namespace corvane {

void TCVTask::PrepareRun() {
    {
        // A resumed start plots too, not only a restart.
        std::lock_guard guard(lock_);
        if (!chart_) chart_ = std::make_shared<TCVChart>();
    }
    if (RunMethod == rmResume || RunMethod == rmSmartUpdate || RunMethod == rmSmartRecovery) {
        OpenQueue();
        if (QueueLineCount() > 0) {
            StartClock();
            if (RunMethod == rmSmartUpdate) RequeueForUpdate();
            if (RunMethod == rmSmartRecovery) RequeueErrors();
            if (!IntranetMode) RecoverUnzippedItems();
            return;
        }
        // Nothing to resume: a run that fetched nothing must not end as complete.
    }
    Reset();
    Restart();
}

void TCVTask::Restart() {
    {
        std::lock_guard guard(lock_);
        if (!chart_) chart_ = std::make_shared<TCVChart>();
        items_since_save_ = 0;
    }
    LastRun = Now();
    StartTime = LastRun;
    Elapsed = 0;
    PagesPicked = 0;
    ResourcesPicked = 0;

    TCVQItem item(this);
    item.URL = URL;
    item.BaseURL = URLBaseDir(URL);
    item.Type = GetFileType(URL);
    item.State = isNone;
    item.Level = 0;
    if (RunMethod == rmMap) {
        item.Mark = mkMap;
        RunMethod = rmRestart;  // a map-only capture runs as a plain restart next time
    } else {
        item.Mark = mkFetch;
    }
    AddQItem(item);
    item.Put();
}

void TCVTask::StartClock() {
    LastRun = Now();
    StartTime = LastRun - Elapsed;
    PagesPicked = 0;
    ResourcesPicked = 0;
}

void TCVTask::ResetRunningItems() { queue_.ResetRunningRecords(); }

namespace {
// Walks the queue's pairs whose state passes the test, one item at a time, without holding the
// task's lock across the item's own operations.
template <class Test, class Action>
void ForEachPair(TCVTask& task, Test test, Action action) {
    for (int index = 0; index + 1 < task.QueueLineCount(); index += 2) {
        auto item = task.GetQItem(index);
        if (item && test(*item)) action(std::move(item));
    }
}
}  // namespace

void TCVTask::RequeueForUpdate() {
    ForEachPair(
        *this, [](const TCVQItem& item) { return item.State > isDownloaded; },
        [](std::unique_ptr<TCVQItem> item) {
            item->SetState(isNone);
            item->Mark = mkUpdate;
            item->StatusText.clear();
            item->Put();
        });
    SaveQueue();
}

void TCVTask::RequeueErrors() {
    ForEachPair(
        *this, [](const TCVQItem& item) { return item.State == isError; },
        [](std::unique_ptr<TCVQItem> item) {
            item->SetState(isNone);
            item->Size = 0;
            item->StatusText.clear();
            item->Put();
        });
    SaveQueue();
}

void TCVTask::RecoverUnzippedItems() {
    // The temporary capture folder may be gone (it is deleted at exit): what was saved but not yet
    // zipped goes to the archive again when its file is there, and is fetched again when it is not.
    ForEachPair(
        *this, [](const TCVQItem& item) { return item.State >= isSaved && item.State != isZipped; },
        [this](std::unique_ptr<TCVQItem> item) {
            const std::string file = item->GetLocalFileName();
            std::error_code ec;
            if (file.empty() || !std::filesystem::is_regular_file(file, ec)) {
                item->SetState(isNone);
                item->StatusText.clear();
                item->Put();
                return;
            }
            if (item->IsPage() && (item->State == isSaved || item->State == isParsing)) {
                if (item->State == isParsing) {  // the parser takes Saved pages only
                    item->State = isSaved;
                    item->Put();
                }
                return;
            }
            for (const auto& queued : ZipQueueFiles())
                if (queued == file) return;
            ZipQueueAdd(file, std::move(item));
        });
}

}  // namespace corvane
