#include "engine/model/data_root_lock.h"

#include <filesystem>

#include "engine/model/process_file_lock.h"

namespace corvane {

std::string DataRootLockFile(const std::string& tasks_folder) {
    return tasks_folder + (tasks_folder.empty() || tasks_folder.back() == '/' ? "" : "/") + ".data-root.lock";
}

std::shared_ptr<TFileLock> LockDataRoot(const std::string& tasks_folder, std::string* error) {
    const std::string path = DataRootLockFile(tasks_folder);
    if (ProcessHoldsLock(path)) return HoldProcessLock(path, error);
    std::error_code ec;
    std::filesystem::create_directories(tasks_folder, ec);
    if (ec) {
        if (error != nullptr) *error = "Cannot create \"" + tasks_folder + "\": " + ec.message();
        return nullptr;
    }
    return HoldProcessLock(path, error);
}

}  // namespace corvane
