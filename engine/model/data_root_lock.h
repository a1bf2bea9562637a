#pragma once
// One run at a time in a data root. Runs of different tasks share the temporary capture folder, its
// site folders and the kept originals of pages, so a second process that starts a run while another
// runs is refused, as for a task that is running elsewhere. The lock is an flock on
// ".data-root.lock" in the tasks folder, freed by the kernel when its process dies; within one
// process every run shares the one hold, so the program never refuses its own runs.

#include <memory>
#include <string>

#include "platform/rtl/file_lock.h"

namespace corvane {

std::string DataRootLockFile(const std::string& tasks_folder);

// This process's hold on the data root's run lock; nullptr while another process holds it, or when
// the lock file cannot be made, which error (when given) then names with its cause: a full disk is
// no other process. Released when the last holder lets go.
std::shared_ptr<TFileLock> LockDataRoot(const std::string& tasks_folder, std::string* error = nullptr);

}  // namespace corvane
