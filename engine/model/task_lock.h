#pragma once
// One process runs a task at a time: it holds an flock on the lock file beside the task file,
// ".<file name>.lock" (the task file itself is replaced by rename at every save, so a lock on it
// would guard nothing). The kernel releases it when the process dies.
//
// The run lock of the data root is held shared by every process while it runs a task. A start takes
// it exclusively for a moment first: when that succeeds, no other process was running a task then,
// so temporaries older than that moment were left by a process that is gone.

#include <ctime>
#include <memory>
#include <string>

#include "platform/rtl/file_lock.h"

namespace corvane {

std::string TaskLockFile(const std::string& task_file);

// The task's lock for this process; nullptr when another process holds it (or the lock file cannot
// be made). A task this process holds already gives the same lock, which is released when the last
// holder lets go.
std::shared_ptr<TFileLock> LockTask(const std::string& task_file);
// True while another process holds the task's lock.
bool TaskLockedElsewhere(const std::string& task_file);

class TRunLock {
public:
    // Takes the data root's run lock (in tasks folder). True when no other process held it; since is
    // then the moment from which a new file may be another process's (coarse clock, as file times).
    bool Enter(const std::string& tasks_folder, timespec& since);
    void Leave() { lock_.Unlock(); }

private:
    TFileLock lock_;
};

}  // namespace corvane
