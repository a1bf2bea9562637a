#include "engine/run/download_thread.h"

#include <unistd.h>

#include <cstring>
#include <filesystem>

#include "engine/run/dispatch_rules.h"
#include "engine/run/engine_host.h"
#include "engine/parse/link_acceptance.h"
#include "engine/queue/queue_item.h"
#include "engine/run/run_failures.h"
#include "engine/model/settings.h"
#include "engine/run/socket_list.h"
#include "engine/run/socket_thread.h"
#include "engine/support/file_routines.h"
#include "engine/model/task.h"
#include "platform/rtl/thread_priority.h"

namespace corvane {
namespace {

// The chart's series, in TCVChart order.
constexpr std::size_t kSeriesRate = 0;
constexpr std::size_t kSeriesTotalKBytes = 1;
constexpr std::size_t kSeriesConnections = 2;

int Connections() { return App ? App->Connections.load() : 5; }
int Priority() { return App ? App->Priority.load() : 5; }

}  // namespace

TThreadDownload::TThreadDownload(TSocketList& sockets, const EngineTiming& timing)
    : TThread("dispatch"), Clock([] { return Now(); }), sockets_(sockets), timing_(timing) {}

TThreadDownload::~TThreadDownload() {
    Terminate();
    WaitFor();
}

void TThreadDownload::SetTask(std::shared_ptr<TCVTask> task) {
    std::lock_guard guard(task_lock_);
    task_ = std::move(task);
}

std::shared_ptr<TCVTask> TThreadDownload::Task() const {
    std::lock_guard guard(task_lock_);
    return task_;
}

void TThreadDownload::SetArchiveEntries(std::shared_ptr<const TArchiveEntries> entries) {
    std::lock_guard guard(task_lock_);
    entries_ = std::move(entries);
}

std::shared_ptr<const TArchiveEntries> TThreadDownload::ArchiveEntries() const {
    std::lock_guard guard(task_lock_);
    return entries_;
}

void TThreadDownload::Execute() {
    // Below the fetching threads for its whole life: it only works during runs, so lowering it once
    // does what lowering it for each run would.
    LowerThreadPriority();
    while (!Terminated()) RunGuarded("dispatch", [this] { Cycle(); });
}

void TThreadDownload::Cycle() {
    if (Stop()) {
        Synchronize([this] { SaveQueueIfDirty(); });
        Synchronize([this] { UpdateStats(); });
        Suspend();
        return;
    }
    Synchronize([this] { UpdateStats(); });
    for (int round = 0; round < timing_.DispatchRounds; ++round) {
        Sleep(timing_.DispatchSleep);
        Sleep(timing_.DispatchSleep);
        if (Terminated()) return;
        if (!Stop()) DispatchStep();
    }
    Synchronize([this] { AutoSaveQueue(); });
}

std::unique_ptr<TCVQItem> TThreadDownload::PickNextItem(TCVTask& task, int priority) {
    const TPickKind first = PickFirstKind(task.PagesPicked.load(), task.ResourcesPicked.load(), priority);
    std::unique_ptr<TCVQItem> item;
    if (first == TPickKind::Resource) {
        item = task.NextResourceToDownload();
        if (item) {
            ++task.ResourcesPicked;
            return item;
        }
        item = task.NextPageToDownload();
        if (item) ++task.PagesPicked;
        return item;
    }
    item = task.NextPageToDownload();
    if (item) {
        ++task.PagesPicked;
        return item;
    }
    item = task.NextResourceToDownload();
    if (item) ++task.ResourcesPicked;
    return item;
}

void TThreadDownload::DispatchStep() {
    sockets_.SetSocketCount(Connections());
    const std::shared_ptr<TThreadSocket> socket = sockets_.FirstIdle();
    if (!socket) return;
    const std::shared_ptr<TCVTask> task = Task();
    if (!task) return;
    if (task->RunFailed()) return;  // the run control stops the run on its next tick
    if (const auto entries = ArchiveEntries(); entries && !entries->Ready.load(std::memory_order_acquire)) return;

    std::unique_ptr<TCVQItem> item = PickNextItem(*task, Priority());
    if (!item) {
        // Nothing to hand out: the task goes on while transfers run or pages wait for the parser.
        if (!task->IsComplete() || task->NextPageToParse()) return;
        bool finished = false;
        Synchronize([&] {
            // The run may have been stopped or replaced while this thread looked.
            if (Stop() || Task() != task || task->Status != tsDownloading) return;
            task->Status = tsDownloadComplete;
            if (!task->SaveQueue()) {
                // Never complete on a queue that did not reach the disk.
                task->Status = tsDownloading;
                task->SetRunFailure(kMsgQueueSaveFailed, task->LastQueueError());
                return;
            }
            task->Save();
            finished = true;
        });
        if (finished || !Stop()) Suspend();
        return;
    }
    if (!Sleep(timing_.HandOverPause)) return;  // stopped: the item stays queued as it was
    std::unique_ptr<TCVQItem> handed = std::move(item);
    Synchronize([&] { StartOnSocket(task, *socket, std::move(handed)); });
}

bool TThreadDownload::StartOnSocket(const std::shared_ptr<TCVTask>& task, TThreadSocket& socket,
                                    std::unique_ptr<TCVQItem> item) {
    // Checked again after the pause: a stop (or a new task) in between must not start a transfer.
    if (!item || Stop() || Task() != task || socket.Busy() || !sockets_.Contains(&socket)) return false;

    const std::shared_ptr<const TCVRunRules> rules = task->EnsureRunRules();
    TSocketJob job;
    job.LocalFile = item->GetLocalFileName();
    if (item->Mark == mkUpdate) {
        item->SetState(isUpdating);
        job.UseCache = true;
        // Only a copy on disk or an entry in the archive can be kept: without one the update fetches
        // the whole body.
        const auto entries = rules->IntranetMode ? nullptr : ArchiveEntries();
        job.KeptInArchive = entries && entries->Holds(CapturedEntryName(job.LocalFile, rules->Folder));
        std::error_code ec;
        if (job.KeptInArchive || (!job.LocalFile.empty() && std::filesystem::is_regular_file(job.LocalFile, ec))) {
            job.IfModifiedSince = item->LastModified;
            job.IfNoneMatch = item->ETag;
        }
    } else {
        item->SetState(isDownloading);
        job.UseCache = item->StatusText == kTransferIncomplete;
    }
    job.OnDone = [this](TThreadSocket& s) { SocketDone(s); };
    job.OnProgress = [this](TThreadSocket& s) { SocketProgress(s); };
    job.Folder = rules->Folder;  // the run's own folder: an edit applies at the next run
    task->UserAgent = App ? App->UserAgent : std::string();
    job.UserAgent = task->UserAgent;
    if (LoginAllowed(rules->URL, item->URL)) {
        job.User = task->UserName;
        job.Password = task->Password;
    }
    job.RedirectCheck = [rules, page = item->IsPage()](const std::string& target) {
        return RedirectAllowed(rules->Links(), target, rules->StartBaseDir, page);
    };
    job.URL = item->URL;
    // The record is written before the connection can see the job, so its completion always lands
    // after this state.
    item->Put();
    job.Item = std::move(item);
    job.Task = task;
    if (sockets_.HandOver(socket, job)) return true;
    // Not taken after all: back to the queue as it was.
    job.Item->SetState(isNone);
    job.Item->Put();
    return false;
}

void TThreadDownload::SocketProgress(TThreadSocket& socket) {
    std::int64_t delta = 0;
    socket.WithItem([&](TCVQItem& item, const TSocketSnapshot& fields) {
        item.BytesDone = fields.BytesTransferred;
        item.Size = fields.ContentLength;
        delta = item.BytesDone - item.BytesCounted;
        item.BytesCounted = item.BytesDone;
    });
    if (delta == 0) return;
    if (const auto task = socket.JobTask()) task->AddToCounter(TCVCounter::TotalBytes, delta);
}

void TThreadDownload::SocketDone(TThreadSocket& socket) {
    try {
        RecordCompletion(socket);
    } catch (...) {
        // The connection is idle again whatever happened: a stop waits for every job to end.
        socket.Reset();
        throw;
    }
    socket.Reset();
    PostToHost([](EngineHost& host) { host.UpdateSockets(); });
}

void TThreadDownload::RecordCompletion(TThreadSocket& socket) {
    const TSocketSnapshot fields = socket.Snapshot();
    std::unique_ptr<TCVQItem> item = socket.TakeItem();
    const std::shared_ptr<TCVTask> task = socket.JobTask();
    if (item && task && fields.Unchanged && !fields.Stopped) {
        RecordUnchanged(*task, std::move(item), fields);
    } else if (item && task) {
        item->BytesDone = fields.BytesTransferred;
        item->Size = fields.ContentLength == 0 ? fields.BytesTransferred : fields.ContentLength;
        item->StatusText = fields.StatusCode;
        item->FinalURL = fields.FinalURL;
        item->LastModified = fields.LastModified;
        item->ETag = fields.ETag;
        const bool page = item->IsPage();
        const bool complete = !fields.Stopped && fields.StatusText == kSocketComplete;
        // Bytes of a transfer that kept no file leave the total they were counted into while it ran.
        if (!complete && item->BytesCounted != 0) {
            task->AddToCounter(TCVCounter::TotalBytes, -item->BytesCounted);
            item->BytesCounted = 0;
        }
        // The record goes back before a counter moves: the task must never look complete while
        // an item it counts is still recorded as in transfer.
        if (fields.Stopped || fields.LocalError != 0 ||
            (fields.StatusText != kSocketError && fields.StatusText != kSocketComplete)) {
            // A full or failing disk is no fault of the URL: the item waits, as after a stop, and the
            // run stops so that a resume with space completes it.
            item->SetState(isNone);
            item->StatusText = kTransferIncomplete;
            item->Put();
            if (fields.LocalError != 0 && !fields.Stopped)
                task->SetRunFailure(kMsgFolderWriteFailed,
                                    fields.Folder + " (" + std::strerror(fields.LocalError) + ")");
        } else if (fields.StatusText == kSocketError) {
            item->SetState(isError);
            item->Put();
            task->AddToCounter(page ? TCVCounter::PageErrors : TCVCounter::ResourceErrors, 1);
        } else {
            // An original kept from an earlier parse of this page is not the copy just fetched.
            if (page) ::unlink(KeptOriginalName(fields.LocalFile).c_str());
            item->SetState(isSaved);
            item->Put();
            task->AddToCounter(page ? TCVCounter::PagesSaved : TCVCounter::ResourcesSaved, 1);
            const auto rules = task->RunRules();
            if (!page && rules && !rules->IntranetMode) {
                task->ZipQueueAdd(fields.LocalFile, std::move(item));
            }
        }
    }
}

void TThreadDownload::RecordUnchanged(TCVTask& task, std::unique_ptr<TCVQItem> item, const TSocketSnapshot& fields) {
    // Size stays that of the kept copy; the server may send fresh validators with its "304".
    item->BytesDone = 0;
    item->StatusText = fields.StatusCode;
    if (!fields.LastModified.empty()) item->LastModified = fields.LastModified;
    if (!fields.ETag.empty()) item->ETag = fields.ETag;
    const bool page = item->IsPage();
    const auto rules = task.RunRules();
    const bool zip_mode = rules && !rules->IntranetMode;
    if (zip_mode && fields.KeptInArchive) {
        // The entry stands as it is: nothing is added or replaced.
        item->SetState(isZipped);
        item->Put();
        task.AddToCounter(page ? TCVCounter::PagesSaved : TCVCounter::ResourcesSaved, 1);
        task.AddToCounter(TCVCounter::TotalBytes, item->Size);
        return;
    }
    std::error_code ec;
    if (!std::filesystem::is_regular_file(fields.LocalFile, ec)) {
        // The kept copy went while the request ran: the next pick fetches the whole body.
        item->SetState(isNone);
        item->StatusText.clear();
        item->Put();
        return;
    }
    // The kept page is the rewritten one, whose links were queued when it was parsed: it is not parsed
    // again, unless an original kept from an unrecorded rewrite says the parse never finished.
    const bool parsed = page && !std::filesystem::exists(KeptOriginalName(fields.LocalFile), ec);
    item->SetState(parsed ? isParsed : isSaved);
    item->Put();
    task.AddToCounter(page ? TCVCounter::PagesSaved : TCVCounter::ResourcesSaved, 1);
    task.AddToCounter(TCVCounter::TotalBytes, item->Size);  // as the requeue took it off
    if (zip_mode && (!page || parsed)) task.ZipQueueAdd(fields.LocalFile, std::move(item));
}

void TThreadDownload::UpdateStats() {
    bool any_busy = false;
    for (const auto& socket : sockets_.Sockets()) any_busy = any_busy || socket->Busy();
    if (any_busy) {
        Host().UpdateStats();
        Host().UpdateSockets();
    }
    const std::shared_ptr<TCVTask> task = Task();
    if (!task) return;
    task->Elapsed = Clock() - task->StartTime;
    const auto seconds = ChartSeconds(task->Elapsed);
    if (!seconds) return;
    ChartAddPoint(*task, Connections(), *seconds, 1, static_cast<double>(task->Counters().TotalBytes) / 1024.0);
}

void TThreadDownload::ChartAddPoint(TCVTask& task, int connections, std::int64_t seconds, int step,
                                    double kilobytes) {
    const std::shared_ptr<TCVChart> chart = task.Chart();
    if (!chart) return;
    const double x = static_cast<double>(seconds);
    {
        std::lock_guard guard(chart->Lock);
        auto& total = chart->Series[kSeriesTotalKBytes];
        const double last = total.empty() ? 0.0 : total.back().X;
        if (!ChartTakesPoint(last, seconds, step)) return;
        total.push_back({x, kilobytes});
        chart->Series[kSeriesRate].push_back({x, kilobytes / x});
        chart->Series[kSeriesConnections].push_back({x, static_cast<double>(connections)});
    }
    Host().ChartPoint(x, kilobytes, kilobytes / x, connections);
}

void TThreadDownload::AutoSaveQueue() {
    const std::shared_ptr<TCVTask> task = Task();
    if (task && task->QueueDirty()) task->QueueChanged();
}

void TThreadDownload::SaveQueueIfDirty() {
    const std::shared_ptr<TCVTask> task = Task();
    if (task && task->QueueDirty()) task->SaveQueue();
}

}  // namespace corvane
