#include "engine/model/task_lock.h"

#include <map>
#include <mutex>

namespace corvane {

namespace {

constexpr const char* kRunLockFile = ".running.lock";

std::mutex held_lock;
std::map<std::string, std::weak_ptr<TFileLock>>& HeldTasks() {
    static std::map<std::string, std::weak_ptr<TFileLock>> held;
    return held;
}

}  // namespace

std::string TaskLockFile(const std::string& task_file) {
    const std::size_t slash = task_file.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : task_file.substr(0, slash + 1);
    return folder + "." + task_file.substr(slash == std::string::npos ? 0 : slash + 1) + ".lock";
}

std::shared_ptr<TFileLock> LockTask(const std::string& task_file) {
    const std::string path = TaskLockFile(task_file);
    std::lock_guard guard(held_lock);
    auto& held = HeldTasks();
    if (auto it = held.find(path); it != held.end()) {
        if (auto lock = it->second.lock()) return lock;
        held.erase(it);
    }
    auto lock = std::make_shared<TFileLock>();
    if (!lock->Lock(path, false)) return nullptr;
    held[path] = lock;
    return lock;
}

bool TaskLockedElsewhere(const std::string& task_file) {
    const std::string path = TaskLockFile(task_file);
    {
        std::lock_guard guard(held_lock);
        const auto& held = HeldTasks();
        if (auto it = held.find(path); it != held.end() && !it->second.expired()) return false;
    }
    return TFileLock::HeldByOther(path);
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
