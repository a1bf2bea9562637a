#include "engine/support/zipped_cleanup.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <system_error>

#include "engine/queue/queue_item.h"
#include "engine/model/task.h"
#include "engine/support/temp_cleanup.h"
#include "platform/rtl/log.h"

namespace corvane {

namespace fs = std::filesystem;

namespace {

bool HoldsAFile(const TCVQItem& item) { return item.State >= isDownloaded; }

// Files another task still needs from the shared capture folder.
void AddNeededFiles(const std::string& task_file, std::set<std::string>& needed) {
    const std::shared_ptr<TCVTask> other = LoadTask(task_file);
    if (other->IntranetMode) return;  // its files live in its own folder
    other->LoadQueue();
    for (int i = 0; i < other->QueueLineCount(); i += 2) {
        const std::unique_ptr<TCVQItem> item = other->GetQItem(i);
        if (!item || item->State == isZipped) continue;
        if (HoldsAFile(*item) || item->State == isUpdating || item->Mark == mkUpdate)
            needed.insert(item->GetLocalFileName());
    }
}

// Removes folders left empty between the file and the capture folder.
void RemoveEmptyParents(const std::string& file, const std::string& root) {
    std::string folder = file.substr(0, file.rfind('/'));
    while (folder.size() > root.size() && folder.compare(0, root.size(), root) == 0) {
        if (::rmdir(folder.c_str()) != 0) break;
        folder = folder.substr(0, folder.rfind('/'));
    }
}

}  // namespace

std::vector<std::string> OtherTaskFiles(const std::string& tasks_folder, const std::string& task_file) {
    std::vector<std::string> files;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(tasks_folder, fs::directory_options::skip_permission_denied, ec), end;
         !ec && it != end; it.increment(ec)) {
        const std::string path = it->path().string();
        if (path != task_file && it->path().extension() == kTaskFileExt && it->is_regular_file(ec))
            files.push_back(path);
        ec.clear();
    }
    return files;
}

int RemoveZippedCaptureFiles(TCVTask& task, const std::vector<std::string>& other_task_files, const timespec& since) {
    std::vector<std::string> zipped;
    for (int i = 0; i < task.QueueLineCount(); i += 2) {
        const std::unique_ptr<TCVQItem> item = task.GetQItem(i);
        if (!item) continue;
        if (item->State == isZipped) zipped.push_back(item->GetLocalFileName());
        else if (HoldsAFile(*item)) return 0;  // the archive still lacks it
    }
    std::set<std::string> needed;
    for (const std::string& file : other_task_files) AddNeededFiles(file, needed);

    const std::string root = task.RunFolder();
    int removed = 0;
    for (const std::string& file : zipped) {
        struct stat st {};
        if (file.empty() || needed.count(file) != 0 || ::lstat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode) ||
            !OlderThan(st.st_ctim, since))
            continue;
        if (::unlink(file.c_str()) != 0) {
            LogWarning("Cannot remove the zipped file \"" + file + "\"");
            continue;
        }
        ++removed;
        RemoveEmptyParents(file, root);
    }
    return removed;
}

}  // namespace corvane
