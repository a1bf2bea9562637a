#include "tasks/task_tree_paths.h"

#include <dirent.h>

#include <filesystem>

#include "engine/model/settings.h"
#include "engine/model/task.h"
#include "platform/rtl/string_list.h"

namespace corvane {

std::string WithoutTrailingSlash(const std::string& path) {
    std::string result = path;
    while (result.size() > 1 && result.back() == '/') result.pop_back();
    return result;
}

bool SamePath(const std::string& a, const std::string& b) {
    return !a.empty() && WithoutTrailingSlash(a) == WithoutTrailingSlash(b);
}

bool PathInside(const std::string& path, const std::string& folder) {
    const std::string base = WithoutTrailingSlash(folder) + "/";
    return path.size() > base.size() && path.compare(0, base.size(), base) == 0;
}

bool HasTaskExtension(const std::string& name) {
    const std::string ext = kTaskFileExt;
    return name.size() > ext.size() && SameText(name.substr(name.size() - ext.size()), ext);
}

std::string QueueFileOf(const std::string& task_file) {
    return task_file.size() < 4 ? task_file : task_file.substr(0, task_file.size() - 4) + kQueueFileExt;
}

std::string CategoryOfFolder(const std::string& folder) {
    if (!App || !PathInside(folder, App->TasksDir)) return {};
    return WithoutTrailingSlash(folder.substr(WithoutTrailingSlash(App->TasksDir).size() + 1));
}

std::string CategoryOfTaskFile(const std::string& task_file) {
    const std::size_t slash = task_file.rfind('/');
    return slash == std::string::npos ? std::string() : CategoryOfFolder(task_file.substr(0, slash));
}

std::vector<std::string> TaskFilesIn(const std::string& folder) {
    std::vector<std::string> files;
    const std::string base = WithoutTrailingSlash(folder) + "/";
    // readdir's order: the folder's own, as a file search gives it.
    DIR* dir = ::opendir(base.c_str());
    if (dir == nullptr) return files;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.empty() || name[0] == '.' || !HasTaskExtension(name)) continue;
        std::error_code ec;
        if (std::filesystem::is_regular_file(base + name, ec)) files.push_back(base + name);
    }
    ::closedir(dir);
    return files;
}

std::shared_ptr<TCVTask> CurrentTaskFor(const std::string& task_file) {
    if (!App) return nullptr;
    std::shared_ptr<TCVTask> current = App->GetCurrentTask();
    return current && SamePath(current->FileName, task_file) ? current : nullptr;
}

std::shared_ptr<TCVTask> RunningTaskIn(const std::string& path) {
    if (!App) return nullptr;
    std::shared_ptr<TCVTask> current = App->GetCurrentTask();
    if (!current || !current->IsRunning()) return nullptr;
    return SamePath(current->FileName, path) || PathInside(current->FileName, path) ? current : nullptr;
}

std::shared_ptr<TCVTask> TaskForFile(const std::string& task_file) {
    if (std::shared_ptr<TCVTask> current = CurrentTaskFor(task_file)) return current;
    std::shared_ptr<TCVTask> task = LoadTask(task_file);
    task->Category = CategoryOfTaskFile(task_file);
    return task;
}

}  // namespace corvane
