#include "engine/model/process_file_lock.h"

#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>

namespace corvane {
namespace {

std::mutex held_lock;
std::map<std::string, std::weak_ptr<TFileLock>>& Held() {
    static std::map<std::string, std::weak_ptr<TFileLock>> held;
    return held;
}

}  // namespace

std::shared_ptr<TFileLock> HoldProcessLock(const std::string& path, std::string* error) {
    std::lock_guard guard(held_lock);
    auto& held = Held();
    if (auto it = held.find(path); it != held.end()) {
        if (auto lock = it->second.lock()) return lock;
        held.erase(it);
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

bool ProcessHoldsLock(const std::string& path) {
    std::lock_guard guard(held_lock);
    const auto& held = Held();
    const auto it = held.find(path);
    return it != held.end() && !it->second.expired();
}

}  // namespace corvane
