#pragma once
// Run control: starts a task by handing it to the dispatch and parse threads, stops it, closes it
// when it is finished, feeds finished files to the task's archive one per zip-timer tick, and runs
// the schedule tick. Everything here runs on the main thread; the window parts are hooks.
//
// While a task is being stopped or finished the runner is busy: the main loop is served during that
// time (joins and cancels pump it), and neither StartTask nor the schedule tick may start anything
// then. A stop saves the queue only once every worker and connection of the run has finished with
// it, however long that takes (the status line says so when it is long).
//
// The run works by the task's rules as StartTask found them (TCVTask::TakeRunRules); edits made to
// the task while it runs apply at its next run.

#include <memory>
#include <string>

#include "engine/run/engine_timing.h"
#include "engine/run/run_end_guard.h"
#include "engine/run/run_control_hooks.h"
#include "engine/model/task_lock.h"
#include "platform/rtl/main_loop.h"

namespace corvane {

class TCVTask;
class TSocketList;
class TThreadDownload;
class TThreadParse;
class TThreadSchedule;
class TBackgroundJobs;

inline constexpr int kMsgTaskDone = 690;
inline constexpr int kMsgRestarting = 691;
inline constexpr int kMsgResuming = 692;
inline constexpr int kMsgStopping = 694;
inline constexpr int kMsgStopped = 695;
inline constexpr int kMsgWaitingForTransfers = 5500;
inline constexpr int kMsgTaskLocked = 5580;
inline constexpr int kMsgStartPageFailed = 5581;  // tail: why the start page was not saved
inline constexpr int kMsgStartFailed = 5582;      // tail: the write that failed (file and cause)

// Why the run did not save its start page ("404 Not Found", "Internet Cannot Connect"), '' when it
// did. A start page that is not Saved, Parsed or Zipped at the end has failed, whatever its text.
std::string StartPageFailure(TCVTask& task);

// True for the run-control messages that say why a run did not start, stopped on its own or failed:
// the window keeps them in view until the program itself shows another.
bool TellsWhyARunFailed(int number);

class TaskRunner {
public:
    // App must exist. The hooks object must outlive the runner.
    TaskRunner(MainLoop& loop, const EngineTiming& timing, TRunControlHooks& hooks);
    ~TaskRunner();
    TaskRunner(const TaskRunner&) = delete;
    TaskRunner& operator=(const TaskRunner&) = delete;

    // Sizes the pool to App's Connections and creates the parse thread and the dispatch thread
    // (both parked); with a schedule thread, it starts ticking at once.
    void Start(bool schedule_thread = true);
    // Stops a running task, ends and joins every thread (serving the main loop meanwhile).
    void Shutdown();

    // False when nothing was started (a stop or finish is under way, another task runs, or another
    // process runs this one: the status line says so). A started task holds its task lock until it
    // is stopped or done; at the start the program's temporaries that a killed run left in the
    // task's folders are removed in the background.
    //
    // A task file or queue that cannot be written undoes a start, and a stop or finish still ends:
    // the lock is released, the runner is no longer busy and the status line names the file and the
    // cause. A finish whose start page failed, or whose end could not be written, ends "Download
    // Stopped"; an archive the run never wrote is closed and leaves the recent list.
    bool StartTask(std::shared_ptr<TCVTask> task);
    void StopDownload(TCVTask& task, TRunEndGuard& end);
    void StopTask(const std::shared_ptr<TCVTask>& task);
    // Saves the task's end status (set by the zip step), then closes the run.
    void TaskDone(const std::shared_ptr<TCVTask>& task);
    // Why the last StartTask was undone ('' when it was not).
    const std::string& StartFailure() const { return start_failure_; }
    // One tick of the zip timer.
    void ZipTimerStep();
    // Makes the task of the file current and shows it in the explorer; false while a task runs.
    bool ExploreTask(const std::string& file_name);
    // The schedule thread's tick.
    void ScheduleTick();

    bool Busy() const { return busy_; }
    bool ZipTimerOn() const { return zip_timer_ != 0; }
    TSocketList& Sockets() { return *sockets_; }
    TThreadDownload& Dispatcher() { return *download_; }
    TThreadParse& Parser() { return *parse_; }

private:
    void StartZipTimer();
    void StopZipTimer();
    void WaitForWorkers();
    void ClearTemporaries(const TCVTask& task, bool intranet);
    void ClearZippedCapture(const std::shared_ptr<TCVTask>& task);
    void ReleaseTaskLock();
    // An archive the run never wrote is closed; one on disk is listed again where it shows.
    void CloseUnwrittenArchive(TCVTask& task);

    MainLoop& loop_;
    const EngineTiming timing_;
    TRunControlHooks& hooks_;
    std::unique_ptr<TSocketList> sockets_;
    std::unique_ptr<TThreadDownload> download_;
    std::unique_ptr<TThreadParse> parse_;
    std::unique_ptr<TThreadSchedule> schedule_;
    std::unique_ptr<TBackgroundJobs> jobs_;
    std::shared_ptr<TFileLock> task_lock_;
    std::shared_ptr<TFileLock> data_root_lock_;
    TRunLock run_lock_;
    TStartHoldOff hold_off_;
    std::string start_failure_;
    MainLoop::TimerId zip_timer_ = 0;
    bool busy_ = false;
    bool shut_down_ = false;
};

}  // namespace corvane
