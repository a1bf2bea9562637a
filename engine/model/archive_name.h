#pragma once
// The archive a new task gets unless the user names one: free on disk and not yet promised to
// another task of the data root (whose archive may not exist until its first run). A name the user
// chooses may still be shared on purpose.

#include <set>
#include <string>

namespace corvane {

// The destinations of the task files below the tasks folder (each file read: a caller asking often
// keeps them).
std::set<std::string> TaskDestinations(const std::string& tasks_folder);

// The first of name.ext, name(0).ext, name(1).ext, ... in the path's folder that no file (a
// directory aside) takes and that is not among the tasks' destinations.
std::string UniqueArchiveName(const std::string& path, const std::set<std::string>& destinations);

}  // namespace corvane
