#pragma once
// A download task: its start URL, rules, destination, schedule and status (the task file, ".cvt"),
// its link queue (the queue file, ".dwn") and its counters.
//
// Threads: the file fields are the main thread's. The queue lines, the URL set, the counters and
// the to-zip list are shared with the worker threads: they live in the task's queue (TTaskQueue,
// task_queue.h) behind its lock, and every queue operation below is atomic. The task's own shared
// state (run rules, run failure, save bookkeeping) has a lock of its own, never held while the
// queue's is taken. OnProgress is never fired and the main loop never pumped while a lock is held. Tasks are shared through std::shared_ptr, so a worker
// keeps its task alive while App moves on to another.

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "engine/queue/local_name_index.h"
#include "engine/queue/pending_counts.h"
#include "engine/model/profile.h"
#include "engine/queue/queue_item.h"
#include "engine/queue/queue_writer.h"
#include "engine/queue/task_queue.h"
#include "engine/run/run_rules.h"
#include "platform/rtl/date_time.h"
#include "platform/rtl/string_list.h"

namespace corvane {

class TIniFile;

using TCVTaskStatus = std::int32_t;
inline constexpr TCVTaskStatus tsUnscheduled = 0;
inline constexpr TCVTaskStatus tsScheduled = 1;
inline constexpr TCVTaskStatus tsDownloading = 2;
inline constexpr TCVTaskStatus tsDownloadStopped = 3;
inline constexpr TCVTaskStatus tsIncomplete = 4;
inline constexpr TCVTaskStatus tsDownloadComplete = 5;
inline constexpr TCVTaskStatus tsZipped = 6;
inline constexpr TCVTaskStatus tsTaskComplete = 7;
inline constexpr TCVTaskStatus tsDeleted = 8;

using TCVRunMethod = std::uint8_t;
inline constexpr TCVRunMethod rmRestart = 0;
inline constexpr TCVRunMethod rmResume = 1;
inline constexpr TCVRunMethod rmSmartUpdate = 2;
inline constexpr TCVRunMethod rmSmartRecovery = 3;
inline constexpr TCVRunMethod rmMap = 4;

inline constexpr const char* kTaskFileExt = ".cvt";
inline constexpr const char* kProfileFileExt = ".cvp";
inline constexpr const char* kQueueFileExt = ".dwn";

std::string TaskStatusText(int status);
std::string TaskCSVHeader();
// A category is a folder under the tasks folder, nested ones written "a/b": every part must be a
// valid name. The empty category is the tasks folder itself.
bool IsValidCategory(const std::string& category);
// TasksDir + category + "/" + name + ".cvt"; an empty category is the tasks folder itself. Both
// are checked (EInvalidName).
std::string TaskFileName(const std::string& category, const std::string& name);

// The transfer chart's three series (rate, total kilobytes, connections), drawn by the status view.
struct TCVChartPoint {
    double X = 0;
    double Y = 0;
};
struct TCVChart {
    std::mutex Lock;
    std::array<std::vector<TCVChartPoint>, 3> Series;
};

using TCVProgressEvent = std::function<void(const std::string& message, int position, int maximum)>;

class TCVTask {
public:
    TCVTask();
    ~TCVTask();
    TCVTask(const TCVTask&) = delete;
    TCVTask& operator=(const TCVTask&) = delete;

    // ---- task file fields (main thread) ----
    TCVProfile Profile;
    std::string Name;
    std::string FileName;
    std::string Category;  // set by the caller, not stored
    std::string URL;
    TStringList URLs;  // further start URLs
    std::string StartPageTitle;
    std::string Server;
    bool CanUpdate = false;
    std::string Destination;  // zip file, or intranet folder
    bool IntranetMode = false;
    TCVTaskStatus Status = tsUnscheduled;
    std::string Schedule;
    std::string UserAgent;
    std::string UserName;
    std::string Password;
    std::string Comment;
    TStringList ExcludeURLs;  // the task's own lists, read by link acceptance
    TStringList IncludeURLs;
    TCVRunMethod RunMethod = rmRestart;
    std::function<void(TCVTask& sender)> OnSaved;
    void* ZipNode = nullptr;  // the archive's top node in the archive window
    bool ZipLast = false;
    std::atomic<std::int32_t> PagesPicked{0};
    std::atomic<std::int32_t> ResourcesPicked{0};
    TDateTime LastRun = 0;
    TDateTime NextRun = 0;  // 0: due at once
    TDateTime StartTime = 0;
    TDateTime Elapsed = 0;

    bool IsRunning() const { return Status == tsDownloading || Status == tsDownloadComplete; }
    // The intranet folder (with its final "/") in Personal Intranet mode, else App's capture folder.
    std::string GetFolder() const;

    // ---- the run's rules ----
    // Main thread: copies the rules the run works by (StartTask). Edits made to the task afterwards
    // apply at the next run.
    std::shared_ptr<const TCVRunRules> TakeRunRules();
    // The rules of the run; nullptr before any were taken. Any thread.
    std::shared_ptr<const TCVRunRules> RunRules() const;
    // Main thread: the run's rules, taken now when none were (a task worked on without a start).
    std::shared_ptr<const TCVRunRules> EnsureRunRules();
    // Where the run's files go: the run's folder once rules were taken, else GetFolder().
    std::string RunFolder() const;
    std::string GetLocalStartPage() const;
    std::string GetCSVLine() const;

    // Clears every list, then reads sections "Task", "URLs" and the profile from FileName.
    void Load();
    // Writes the task file (mode 0600) and keeps "ActiveTasks.lst" in step with Status.
    void Save();
    // Writes the task file's fields to another file (a new task's file before it takes its name);
    // nothing else, not the active-task list, changes.
    void WriteFileTo(const std::string& path) const;
    // Empties the queue, URL set, to-zip list and URL lists; zeroes the counters and the clock.
    void Reset();

    // ---- progress ----
    void SetOnProgress(TCVProgressEvent handler);
    // Fires OnProgress when set; never call it with the lock held.
    void FireProgress(const std::string& message, int position, int maximum) const;

    // ---- queue ----
    void AddQItem(const TCVQItem& item);
    // Queues the item unless its URL is in the URL set already; the test and the add are one step.
    // Returns the URL as the queue holds it (an earlier spelling may differ in letter case).
    std::string AddQItemIfNew(const TCVQItem& item, bool& added);
    // The item of the URL line at index (even); nullptr when there is no such pair.
    std::unique_ptr<TCVQItem> GetQItem(int index);
    std::string GetQueueFileName() const;
    // Replaces the queue by the file's lines when the file exists. Records left in transfer go back
    // to None, and a last URL line without its record is dropped (it still joins the URL set on
    // OpenQueue). False when the file exists but cannot be read.
    bool LoadQueue();
    // Waits for a queue write in flight, then writes the queue file atomically and the task file,
    // here and now. A failure is logged and leaves the queue dirty; false then.
    bool SaveQueue();
    // Main thread, once per dispatcher cycle while the queue is dirty. Every QueueSaveInterval + 1
    // calls (and after a failed write) the queue lines are copied here and written on the queue's
    // writer thread; the task file is rewritten only when a field other than the counters and the
    // elapsed time changed (those are recounted or carried when the task loads).
    void QueueChanged();
    // Waits until no queue write is waiting or running.
    void FlushQueueWrites();
    // Loads the queue when empty, rebuilds the URL set and recounts the six item counters.
    void OpenQueue();
    std::unique_ptr<TCVQItem> NextPageToDownload();
    std::unique_ptr<TCVQItem> NextResourceToDownload();
    std::unique_ptr<TCVQItem> NextPageToParse();
    // Nothing left to fetch, in transfer or to parse (the counters are for display only).
    bool IsComplete() const;
    // What is left, as kept record by record.
    TCVPendingCounts PendingCounts() const;

    bool InURLSet(const std::string& url) const;
    // The file name a queued URL is stored under because an earlier URL holds its own; '' when it
    // keeps its own name (or is not queued).
    std::string RenamedLocalName(const std::string& url) const;
    int URLSetCount() const;
    int QueueLineCount() const;
    std::vector<std::string> QueueLines() const;
    bool QueueDirty() const;
    int ItemsSinceSave() const;
    // Text of the last failed SaveQueue or LoadQueue; '' when none failed.
    std::string LastQueueError() const;

    // ---- kept originals of rewritten pages ----
    // A page's downloaded copy is kept beside its rewritten file until a queue write holds the page's
    // Parsed record (and so every link found in it): a run that dies before that parses the page
    // again from the original, never from a rewrite whose links no longer resolve as on the site.
    // Records the original of a page just put as Parsed; it is removed once such a write landed.
    void KeepOriginalUntilSaved(const std::string& original);
    // Originals still waiting for a queue write.
    int KeptOriginalCount() const;

    // ---- run failures ----
    // A failure of the local disk, the archive or the queue file that must stop the run (numbered
    // status message and its tail). The first one is kept until the run control takes it.
    void SetRunFailure(int message, const std::string& text);
    bool RunFailed() const;
    bool TakeRunFailure(int& message, std::string& text);

    // ---- counters ----
    TCVTaskCounters Counters() const;
    void SetCounters(const TCVTaskCounters& counters);
    void AddToCounter(TCVCounter counter, std::int64_t delta);

    // ---- to-zip list ----
    void ZipQueueAdd(std::string local_file, std::unique_ptr<TCVQItem> item);
    bool ZipQueueTakeFirst(TCVZipEntry& entry);
    // Puts a taken entry back in first place (its add failed).
    void ZipQueuePutBack(TCVZipEntry entry);
    int ZipQueueCount() const;
    std::vector<std::string> ZipQueueFiles() const;

    // ---- run preparation (main thread) ----
    // Applies RunMethod when the task starts: Restart and Map reset and queue the start URL; Resume,
    // SmartUpdate and SmartRecovery open the queue (as a Restart when it is empty); a zip-mode task
    // that does not restart gets back the files it had not zipped yet.
    void PrepareRun();
    void Restart();
    void StartClock();
    void ResetRunningItems();
    void RequeueForUpdate();
    void RequeueErrors();
    void RecoverUnzippedItems();
    std::shared_ptr<TCVChart> Chart() const;

private:
    friend class TCVQItem;
    std::unique_ptr<TCVQItem> ItemOf(const TTaskQueue::Pair& pair);
    struct QueueSnapshot {
        std::string Path;
        std::string TaskName;
        TTaskQueue::Snapshot Lines;
    };
    QueueSnapshot TakeQueueSnapshot();
    // Writes the snapshot unless a newer one is on disk already; false (logged) when it failed.
    bool WriteQueueSnapshot(const QueueSnapshot& snapshot);
    void MarkQueueSaved(std::uint64_t changes);
    // Removes the originals whose Parsed record the written snapshot holds.
    void DropSavedOriginals(std::uint64_t changes);
    void WriteFileFields(TIniFile& ini, bool with_progress) const;
    // The task file's fields other than the counters and the elapsed time, as one text.
    std::string FileFieldsKey() const;

    TTaskQueue queue_;
    mutable std::mutex lock_;  // the fields below up to save_lock_
    int items_since_save_ = 0;
    std::string last_queue_error_;
    std::vector<std::pair<std::uint64_t, std::string>> kept_originals_;  // (queue change, file)
    int run_failure_message_ = 0;
    std::string run_failure_text_;
    TCVProgressEvent on_progress_;
    std::shared_ptr<TCVChart> chart_;
    std::shared_ptr<const TCVRunRules> run_rules_;
    bool queue_save_failed_ = false;     // the next QueueChanged writes again
    std::mutex save_lock_;               // one queue write at a time
    std::uint64_t snapshot_landed_ = 0;  // under save_lock_: an older snapshot never lands after it
    std::string saved_fields_;           // FileFieldsKey() at the last Save (main thread)
    TQueueWriter queue_writer_;          // last: its thread ends before the rest goes
};

// A new task read from the file (its Category is not set).
std::shared_ptr<TCVTask> LoadTask(const std::string& path);

}  // namespace corvane
