#include "engine/model/data_root_lock.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>

namespace corvane {

namespace {

std::mutex held_lock;
std::map<std::string, std::weak_ptr<TFileLock>>& HeldRoots() {
    static std::map<std::string, std::weak_ptr<TFileLock>> held;
    return held;
}

}  // namespace

std::string DataRootLockFile(const std::string& tasks_folder) {
    return tasks_folder + (tasks_folder.empty() || tasks_folder.back() == '/' ? "" : "/") + ".data-root.lock";
}

std::shared_ptr<TFileLock> LockDataRoot(const std::string& tasks_folder, std::string* error) {
    const std::string path = DataRootLockFile(tasks_folder);
    std::lock_guard guard(held_lock);
    auto& held = HeldRoots();
    if (auto it = held.find(path); it != held.end()) {
        if (auto lock = it->second.lock()) return lock;
        held.erase(it);
    }
    std::error_code ec;
    std::filesystem::create_directories(tasks_folder, ec);
    if (ec) {
        if (error != nullptr) *error = "Cannot create \"" + tasks_folder + "\": " + ec.message();
        return nullptr;
    }
    auto lock = std::make_shared<TFileLock>();
    if (!lock->Lock(path, false)) {
        if (errno != EWOULDBLOCK && error != nullptr)
            *error = "Cannot create \"" + path + "\": " + std::strerror(errno);
        return nullptr;
    }
    held[path] = lock;
    return lock;
}

}  // namespace corvane
