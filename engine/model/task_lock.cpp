#include "engine/model/task_lock.h"

#include "engine/model/process_file_lock.h"

namespace corvane {

namespace {

constexpr const char* kRunLockFile = ".running.lock";

}  // namespace

std::string TaskLockFile(const std::string& task_file) {
    const std::size_t slash = task_file.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : task_file.substr(0, slash + 1);
    return folder + "." + task_file.substr(slash == std::string::npos ? 0 : slash + 1) + ".lock";
}

std::shared_ptr<TFileLock> LockTask(const std::string& task_file) { return HoldProcessLock(TaskLockFile(task_file)); }

bool TaskLockedElsewhere(const std::string& task_file) {
    const std::string path = TaskLockFile(task_file);
    return !ProcessHoldsLock(path) && TFileLock::HeldByOther(path);
}

bool TRunLock::Enter(const std::string& tasks_folder, timespec& since) {
    const std::string path = tasks_folder + kRunLockFile;
    const bool alone = lock_.Lock(path, false);
    clock_gettime(CLOCK_REALTIME_COARSE, &since);
    // Others may run beside us from here on; a start that finds them only waits out their probe.
    if (alone) lock_.Share();
    else lock_.Lock(path, true, true);
    return alone;
}

}  // namespace corvane
