#include "engine/run/task_runner.h"

#include <filesystem>

#include "engine/run/download_thread.h"
#include "engine/run/engine_host.h"
#include "engine/support/file_routines.h"
#include "engine/run/parse_worker.h"
#include "engine/run/run_end_guard.h"
#include "engine/queue/queue_item.h"
#include "engine/run/run_admission.h"
#include "engine/run/run_failures.h"
#include "engine/run/schedule_thread.h"
#include "engine/run/settled_originals.h"
#include "engine/model/settings.h"
#include "engine/run/socket_list.h"
#include "engine/run/socket_thread.h"
#include "engine/model/task.h"
#include "engine/model/task_schedule.h"
#include "engine/support/temp_cleanup.h"
#include "engine/support/zipped_cleanup.h"
#include "platform/rtl/log.h"
#include "platform/rtl/paths.h"
#include "platform/rtl/wait_while_serving.h"
#include "transfer/global_offline.h"

namespace corvane {
namespace {

// A stop that has not settled after this long says on the status line that it waits.
constexpr std::chrono::seconds kStopNotice{1};

// The run's save mode: the one its workers use, even when the task was edited since it started.
bool RunsInIntranetMode(const TCVTask& task) {
    const auto rules = task.RunRules();
    return rules ? rules->IntranetMode : task.IntranetMode;
}

// A worker that has parked, or ended (a closed main loop ends it), touches the task no more.
bool Idle(const TThread& thread) { return thread.Suspended() || thread.Finished(); }

}  // namespace

TaskRunner::TaskRunner(MainLoop& loop, const EngineTiming& timing, TRunControlHooks& hooks)
    : loop_(loop),
      timing_(timing),
      hooks_(hooks),
      sockets_(std::make_unique<TSocketList>(timing)),
      jobs_(std::make_unique<TBackgroundJobs>()) {
    sockets_->OnBusyCursor = [](bool busy) { PostToHost([busy](EngineHost& host) { host.SetBusyCursor(busy); }); };
    download_ = std::make_unique<TThreadDownload>(*sockets_, timing_);
    download_->SetMainLoop(&loop_);
    parse_ = std::make_unique<TThreadParse>(timing_.ParsePauseStep, timing_.ParsePauseSteps);
    parse_->SetMainLoop(&loop_);
    parse_->SetStatusHandler([](const std::string& text) { Host().ShowStatus(text, 0, 0); });
}

TaskRunner::~TaskRunner() { Shutdown(); }

void TaskRunner::Start(bool schedule_thread) {
    sockets_->SetSocketCount(App ? App->Connections.load() : 5);
    if (schedule_thread && !schedule_) {
        schedule_ = std::make_unique<TThreadSchedule>(timing_, [this] { ScheduleTick(); });
        schedule_->SetMainLoop(&loop_);
        schedule_->Resume();
    }
}

void TaskRunner::Shutdown() {
    if (shut_down_) return;
    shut_down_ = true;
    if (App) {
        const auto current = App->GetCurrentTask();
        if (current && current->IsRunning() && !busy_) StopTask(current);
    }
    StopZipTimer();
    if (schedule_) schedule_->Terminate();
    download_->SetStop(true);
    download_->Terminate();
    parse_->SetStop(true);
    parse_->Terminate();
    sockets_->StopAllSockets();
    // Joins serve the main loop, so a worker blocked in a call onto it can finish.
    if (schedule_) schedule_->WaitFor();
    download_->WaitFor();
    parse_->WaitFor();
    sockets_->Clear();
    jobs_->Wait();
    ReleaseTaskLock();
}

bool TaskRunner::StartTask(std::shared_ptr<TCVTask> task) {
    if (!task || busy_ || shut_down_ || !App) return false;
    const std::shared_ptr<TCVTask> current = App->GetCurrentTask();
    if (current && current != task && current->IsRunning()) return false;
    std::shared_ptr<TFileLock> lock = LockTask(task->FileName);
    if (!lock) {
        hooks_.StatusMessage(kMsgTaskLocked, task->Name);
        return false;
    }
    task_lock_ = std::move(lock);
    start_failure_.clear();
    if (!AdmitRun(*task, hooks_, data_root_lock_)) {
        ReleaseTaskLock();
        return false;
    }
    TRunEndGuard end(busy_, [this] { ReleaseTaskLock(); });
    const int status_before = task->Status;

    // The workers read these copies, never the task the dialogs may edit meanwhile.
    const std::shared_ptr<const TCVRunRules> rules = task->TakeRunRules();
    int stale_failure = 0;
    std::string stale_text;
    task->TakeRunFailure(stale_failure, stale_text);  // of an earlier run: this one tries afresh
    if (current == task && task->RunMethod != rmRestart && task->RunMethod != rmMap) {
        hooks_.StatusMessage(kMsgResuming, {});
        task->StartClock();
        if (task->RunMethod == rmSmartRecovery) task->RequeueErrors();
        if (task->RunMethod == rmSmartUpdate) task->RequeueForUpdate();
    } else {
        App->SetCurrentTask(task);
        task->SetOnProgress([](const std::string& message, int position, int maximum) {
            PostToHost([=](EngineHost& host) { host.TaskProgress(message, position, maximum); });
        });
        const bool restart = task->RunMethod == rmRestart || task->RunMethod == rmMap;
        hooks_.StatusMessage(restart ? kMsgRestarting : kMsgResuming, {});
        // Restart, or reopen the queue and apply the method (recovering files not yet zipped).
        end.Write([&] { task->PrepareRun(); });
    }

    ClearTemporaries(*task, rules->IntranetMode);
    if (auto originals = SettledOriginals(*task); !originals.empty())
        jobs_->Run([originals = std::move(originals)] { RemoveOriginals(originals); });
    std::shared_ptr<TArchiveEntries> entries;
    if (!rules->IntranetMode) {
        hooks_.ShowArchiveView();
        task->ZipNode = hooks_.OpenArchive(*task);
        entries = std::make_shared<TArchiveEntries>();
    }
    task->Status = tsDownloading;
    if (!end.Failed()) end.Write([&] { task->Save(); });
    if (end.Failed()) {
        // Undone: nothing runs, and the task is as its file still has it.
        task->Status = status_before;
        CloseUnwrittenArchive(*task);
        start_failure_ = end.Failure();
        hold_off_.Hold(task->FileName);
        hooks_.StatusMessage(kMsgStartFailed, end.Failure());
        return false;
    }
    end.KeepLock();
    hold_off_.Clear();
    hooks_.AnimateLogo(true);
    hooks_.SetRunEnabled(false);
    StartZipTimer();

    download_->SetTask(task);
    download_->SetArchiveEntries(entries);
    // Read once, on a worker: an update keeps only entries the archive holds now.
    if (auto reader = hooks_.EntryReader(); entries && reader && task->RunMethod != rmRestart) {
        jobs_->Run([entries, reader = std::move(reader), zip = task->Destination] {
            try {
                entries->Names = reader(zip);
            } catch (const std::exception& e) {
                LogWarning("run control: the archive " + zip + " could not be listed: " + e.what());
            }
            entries->Ready.store(true, std::memory_order_release);
        });
    } else if (entries) {
        entries->Ready.store(true, std::memory_order_release);
    }
    download_->SetStop(false);
    download_->Resume();
    parse_->SetTask(task);
    parse_->SetStop(false);
    parse_->Resume();
    return true;
}

void TaskRunner::WaitForWorkers() {
    // Parked workers and idle connections: nothing touches the task's queue any more. Until then a
    // completion can still write records and counters, so the stop waits for as long as it takes
    // rather than save a queue that is then changed behind it.
    const auto settled = [this] { return Idle(*download_) && Idle(*parse_) && sockets_->AllIdle(); };
    if (WaitWhileServingFor(loop_, settled, kStopNotice)) return;
    hooks_.StatusMessage(kMsgWaitingForTransfers, {});
    LogWarning("run control: a stop waits for transfers and the parse of a page to end");
    WaitWhileServing(loop_, settled);
}

void TaskRunner::StopDownload(TCVTask& task, TRunEndGuard& end) {
    download_->SetStop(true);
    parse_->SetStop(true);
    StopZipTimer();
    const bool intranet = RunsInIntranetMode(task);
    if (!intranet) hooks_.AbortArchive();
    loop_.ProcessPending();
    loop_.ProcessPending();
    sockets_->StopAllSockets();
    WaitForWorkers();
    task.ResetRunningItems();
    // Saved after the reset, so the file never keeps an item as in transfer.
    end.WriteQueue(task);
    hooks_.AnimateLogo(false);
    if (App && App->ShowSummary && intranet) hooks_.ShowTaskReport(task);
    hooks_.SetRunEnabled(true);
    end.Write([&] { RescheduleTask(task, Now()); });
    hooks_.TaskRescheduled(task);
}

void TaskRunner::StopTask(const std::shared_ptr<TCVTask>& task) {
    if (!task || busy_) return;
    // Only a run is stopped: a finished task ("Task Complete", "Zipped!") keeps its end.
    const bool workers_on_it = download_->Task() == task && !Idle(*download_);
    if (!task->IsRunning() && !workers_on_it) return;
    TRunEndGuard end(busy_, [this] { ReleaseTaskLock(); });
    hooks_.StatusMessage(kMsgStopping, {});
    StopDownload(*task, end);
    task->Status = tsDownloadStopped;
    end.Write([&] { task->Save(); });
    CloseUnwrittenArchive(*task);
    hooks_.StatusMessage(kMsgStopped, {});
    if (!end.Failed()) return;
    hold_off_.Hold(task->FileName);
    hooks_.StatusMessage(kMsgQueueSaveFailed, end.Failure());
}

std::string StartPageFailure(TCVTask& task) {
    const std::unique_ptr<TCVQItem> start = task.GetQItem(0);
    if (start && (start->State == isSaved || start->State == isParsed || start->State == isZipped)) return {};
    if (!start) return kSocketError;
    // A success status on a page that failed: the answer was cut short.
    if (!start->StatusText.empty() && start->StatusText[0] == '2') return kTransferIncomplete;
    // Failed whatever its text says, and never without one.
    return start->StatusText.empty() ? start->StateText() : start->StatusText;
}

bool TellsWhyARunFailed(int number) {
    switch (number) {
    case kMsgFolderWriteFailed:
    case kMsgArchiveAddFailed:
    case kMsgQueueSaveFailed:
    case kMsgTaskLocked:
    case kMsgStartPageFailed:
    case kMsgStartFailed:
    case kMsgTaskWithoutURL:
    case kMsgDataRootBusy:
        return true;
    default:
        return false;
    }
}

void TaskRunner::TaskDone(const std::shared_ptr<TCVTask>& task) {
    if (!task || busy_) return;
    TRunEndGuard end(busy_, [this] { ReleaseTaskLock(); });
    // A run whose start page failed saved nothing worth having: it ends as a failure.
    const std::string failure = StartPageFailure(*task);
    if (!failure.empty()) task->Status = tsDownloadStopped;
    end.Write([&] { task->Save(); });
    StopDownload(*task, end);
    const auto rules = task->RunRules();
    const bool use_title = rules ? rules->Profile.UseStartPageTitle : task->Profile.UseStartPageTitle;
    if (failure.empty() && !RunsInIntranetMode(*task) && use_title && !task->StartPageTitle.empty()) {
        const std::string name = ReplaceInvalidFileChars(task->StartPageTitle + ".zip", ' ');
        const std::string renamed = hooks_.RenameArchive(*task, name);
        if (!renamed.empty() && renamed != task->Destination) {
            task->Destination = renamed;
            end.Write([&] { task->Save(); });
        }
    }
    CloseUnwrittenArchive(*task);
    if (end.Failed()) {
        // Not recorded as finished: a resume with space completes it.
        task->Status = tsDownloadStopped;
        hold_off_.Hold(task->FileName);
        hooks_.StatusMessage(kMsgQueueSaveFailed, end.Failure());
    } else if (!failure.empty()) {
        hooks_.StatusMessage(kMsgStartPageFailed, failure);
    } else {
        hooks_.StatusMessage(kMsgTaskDone, task->Name + ")");
    }
    if (App && App->BeepOnCompletion) hooks_.Beep();
}

void TaskRunner::CloseUnwrittenArchive(TCVTask& task) {
    if (RunsInIntranetMode(task) || task.ZipNode == nullptr) return;
    std::error_code error;
    if (std::filesystem::exists(task.Destination, error)) {
        hooks_.ArchiveAddsEnded(task);
        return;
    }
    hooks_.CloseArchive(task);
    task.ZipNode = nullptr;
}

void TaskRunner::ZipTimerStep() {
    if (busy_) return;
    const std::shared_ptr<TCVTask> task = download_->Task();
    if (!task) return;
    int stopped_by = 0;
    std::string why;
    if (task->IsRunning() && task->TakeRunFailure(stopped_by, why)) {
        StopTask(task);
        hooks_.StatusMessage(stopped_by, why);  // after the stop's own message, so it stays in view
        return;
    }
    if (RunsInIntranetMode(*task)) {
        if (task->Status == tsDownloadComplete) {
            task->Status = tsTaskComplete;
            TaskDone(task);
            StopZipTimer();
        }
        return;
    }
    if (hooks_.ArchiveBusy()) return;
    if (task->ZipQueueCount() == 0 && task->Status == tsDownloadComplete) {
        task->Status = tsZipped;
        TaskDone(task);
        StopZipTimer();
        if (task->Status == tsZipped) ClearZippedCapture(task);
        return;
    }
    if (task->ZipLast && task->Status != tsDownloadComplete) return;
    TCVZipEntry entry;
    if (!task->ZipQueueTakeFirst(entry) || !entry.Item) return;
    const std::string local_file = entry.Item->GetLocalFileName();
    if (local_file.empty()) return;  // dropped without touching the archive
    const std::string comment = entry.Item->Title.substr(0, 255);
    if (hooks_.AddToArchive(*task, local_file, comment)) {
        // Recorded, so a later start does not hand the file to the archive again.
        entry.Item->SetState(isZipped);
        entry.Item->Put();
        return;
    }
    const std::string failure = hooks_.ArchiveAddFailure();
    // A stop while the add ran aborted it: that is no failure of the archive.
    if (failure.empty() || !task->IsRunning() || busy_) return;
    // The file stays unzipped (and first in line): the run stops rather than end "Zipped!" with
    // entries missing, and a resume adds it once the archive can take it.
    task->ZipQueuePutBack(std::move(entry));
    StopTask(task);
    hooks_.StatusMessage(kMsgArchiveAddFailed, task->Destination + " (" + failure + ")");
}

bool TaskRunner::ExploreTask(const std::string& file_name) {
    if (!App || busy_) return false;
    const auto current = App->GetCurrentTask();
    if (current && current->IsRunning()) return false;
    std::shared_ptr<TCVTask> task = LoadTask(file_name);
    App->SetCurrentTask(task);  // rebinds the status view through the engine host
    hooks_.ShowExplorer(*task);
    return true;
}

void TaskRunner::ScheduleTick() {
    Host().UpdateResources();
    Host().SetOfflineIndicator(IsGlobalOffline());
    if (busy_ || shut_down_ || !App) return;
    const auto current = App->GetCurrentTask();
    if (current && current->IsRunning()) return;
    std::shared_ptr<TCVTask> due = App->NextDueTask([this](const std::string& file) { return hold_off_.Held(file); });
    if (due) StartTask(std::move(due));
}

void TaskRunner::ClearTemporaries(const TCVTask& task, bool intranet) {
    jobs_->Wait();  // a clean-up after the last run ends before this run writes anything
    timespec since{};
    // With another process at work in the data root, a temporary may be one it is writing now.
    if (!run_lock_.Enter(App->TasksDir, since)) return;
    TTempFolders folders;
    folders.Flat = {DirectoryOf(task.FileName), App->TasksDir, WithTrailingSlash(DataRoot())};
    if (!intranet) folders.Flat.push_back(DirectoryOf(task.Destination));
    folders.Recursive = {task.RunFolder()};
    jobs_->Run([folders, since] { RemoveOwnTemporaries(folders, since); });
}

void TaskRunner::ClearZippedCapture(const std::shared_ptr<TCVTask>& task) {
    // Held by the job, so no other process starts the task while its files go.
    std::shared_ptr<TFileLock> lock = LockTask(task->FileName);
    if (!lock || !App) return;
    auto run_lock = std::make_shared<TRunLock>();
    timespec since{};
    if (!run_lock->Enter(App->TasksDir, since)) return;
    jobs_->Run([task, lock, run_lock, tasks = App->TasksDir, since] {
        RemoveZippedCaptureFiles(*task, OtherTaskFiles(tasks, task->FileName), since);
    });
}

void TaskRunner::ReleaseTaskLock() {
    task_lock_.reset();
    data_root_lock_.reset();
    run_lock_.Leave();
}

void TaskRunner::StartZipTimer() {
    if (zip_timer_ != 0) return;
    zip_timer_ = loop_.Repeating(timing_.ZipTimer, [this] { ZipTimerStep(); });
}

void TaskRunner::StopZipTimer() {
    if (zip_timer_ == 0) return;
    loop_.StopTimer(zip_timer_);
    zip_timer_ = 0;
}

}  // namespace corvane
