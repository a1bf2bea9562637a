#pragma once
// The archive a new task gets unless the user names one: free on disk and not yet promised to
// another task of the data root (whose archive may not exist until its first run). A name the user
// chooses may still be shared on purpose.

#include <string>

namespace corvane {

// The first of name.ext, name(0).ext, name(1).ext, ... in the path's folder that no file (a
// directory aside) takes and that no task file below tasks_folder has as its destination.
std::string UniqueArchiveName(const std::string& path, const std::string& tasks_folder);

}  // namespace corvane
