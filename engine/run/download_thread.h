#pragma once
// The dispatch thread: hands queue items of the running task to idle connections, balances pages
// against resources, notices the end of the task, feeds the statistics and the chart, and saves the
// queue now and then. Created suspended; the run control sets its task, clears its stop flag and
// resumes it, and sets the stop flag to stop it. It parks itself when it sees the stop flag and when
// the task is finished.
//
// The task is shared: the thread, every job it hands out and App each hold it, so a new current
// task never frees one still in use here.

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>

#include "engine/run/engine_timing.h"
#include "platform/rtl/date_time.h"
#include "platform/rtl/thread.h"

namespace corvane {

class TCVQItem;
class TCVTask;
class TSocketList;
class TThreadSocket;
struct TSocketSnapshot;

// The entry names of a zip-mode task's archive as its run started, read once on a worker. An update
// asks with validators for an item whose file has moved into the archive only when its entry is
// there: a "304" must never leave a page missing.
struct TArchiveEntries {
    std::set<std::string> Names;  // written before Ready is set, read only after
    std::atomic<bool> Ready{false};
    bool Holds(const std::string& name) const {
        return Ready.load(std::memory_order_acquire) && Names.count(name) != 0;
    }
};

class TThreadDownload : public TThread {
public:
    TThreadDownload(TSocketList& sockets, const EngineTiming& timing);
    ~TThreadDownload() override;

    // Main thread.
    void SetTask(std::shared_ptr<TCVTask> task);
    std::shared_ptr<TCVTask> Task() const;
    // The running zip-mode task's archive entries; null in folder mode. Nothing is handed out until
    // they are ready.
    void SetArchiveEntries(std::shared_ptr<const TArchiveEntries> entries);
    std::shared_ptr<const TArchiveEntries> ArchiveEntries() const;

    // The next item to fetch, pages against resources by App's Priority; counts the pick.
    static std::unique_ptr<TCVQItem> PickNextItem(TCVTask& task, int priority);

    // One dispatch step (dispatch thread).
    void DispatchStep();
    // Main thread: gives the item to the connection unless the run was stopped or moved on meanwhile.
    // True when the connection took it.
    bool StartOnSocket(const std::shared_ptr<TCVTask>& task, TThreadSocket& socket,
                       std::unique_ptr<TCVQItem> item);
    // Completion and progress of a job (connection and transfer threads).
    void SocketDone(TThreadSocket& socket);
    void SocketProgress(TThreadSocket& socket);
    // Main thread.
    void UpdateStats();
    void AutoSaveQueue();
    void SaveQueueIfDirty();

    // The clock of the statistics (tests give their own).
    std::function<TDateTime()> Clock;

protected:
    void Execute() override;

private:
    void Cycle();
    // The job's outcome into its item, the queue and the counters (SocketDone).
    void RecordCompletion(TThreadSocket& socket);
    // A "304" to the validators of an update: the copy on disk, or the entry in the archive, stands
    // and counts as saved again.
    void RecordUnchanged(TCVTask& task, std::unique_ptr<TCVQItem> item, const TSocketSnapshot& fields);
    void ChartAddPoint(TCVTask& task, int connections, std::int64_t seconds, int step, double kilobytes);

    TSocketList& sockets_;
    const EngineTiming timing_;
    mutable std::mutex task_lock_;
    std::shared_ptr<TCVTask> task_;
    std::shared_ptr<const TArchiveEntries> entries_;
};

}  // namespace corvane
