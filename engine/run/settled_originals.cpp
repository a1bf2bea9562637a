#include "engine/run/settled_originals.h"

#include <sys/stat.h>
#include <unistd.h>

#include "engine/model/task.h"
#include "engine/queue/queue_item.h"
#include "engine/run/run_failures.h"

namespace corvane {

std::vector<std::string> SettledOriginals(TCVTask& task) {
    std::vector<std::string> originals;
    // An original still waiting for a queue write belongs to a Parsed record that is not on disk.
    if (task.KeptOriginalCount() > 0) return originals;
    for (int index = 0; index + 1 < task.QueueLineCount(); index += 2) {
        const std::unique_ptr<TCVQItem> item = task.GetQItem(index);
        if (!item || !item->IsPage() || (item->State != isParsed && item->State != isZipped)) continue;
        const std::string original = KeptOriginalName(item->GetLocalFileName());
        struct stat st {};
        if (!original.empty() && ::lstat(original.c_str(), &st) == 0 && S_ISREG(st.st_mode))
            originals.push_back(original);
    }
    return originals;
}

void RemoveOriginals(const std::vector<std::string>& originals) {
    for (const std::string& original : originals) ::unlink(original.c_str());
}

}  // namespace corvane
