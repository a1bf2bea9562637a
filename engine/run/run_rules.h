#pragma once
// The rules a run works by, copied from its task when the run starts. The task dialog edits the
// task on the main thread while the workers read these copies, so an edit never races a worker and
// applies from the next run on.

#include <memory>
#include <string>

#include "engine/parse/link_acceptance.h"
#include "engine/model/profile.h"
#include "platform/rtl/string_list.h"

namespace corvane {

class TCVTask;

struct TCVRunRules {
    TCVProfile Profile;
    std::string URL;           // the start URL
    std::string StartBaseDir;  // its base directory, which the location rules measure against
    bool IntranetMode = false;
    std::string Folder;        // where the run's files go (TCVTask::GetFolder)
    TStringList ExcludeURLs;   // the task's own lists
    TStringList IncludeURLs;

    // Main thread: a copy of the task's rules as they stand.
    static std::shared_ptr<const TCVRunRules> Of(const TCVTask& task);
    // The link rules; they point into this object.
    LinkRules Links() const;
};

}  // namespace corvane
