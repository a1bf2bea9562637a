#pragma once
// Paths of the task tree: task files and categories under the tasks folder, and App's current task
// among them. Paths are "/"-separated; categories are written without their final "/".

#include <memory>
#include <string>
#include <vector>

namespace corvane {

class TCVTask;

// The path without its final "/" (the root "/" stays).
std::string WithoutTrailingSlash(const std::string& path);
// Paths naming the same place, a final "/" aside.
bool SamePath(const std::string& a, const std::string& b);
// Whether path lies strictly inside folder.
bool PathInside(const std::string& path, const std::string& folder);
// A name ending in ".cvt" (in any letter case).
bool HasTaskExtension(const std::string& name);
// The task file's queue file: the path less its extension, plus ".dwn".
std::string QueueFileOf(const std::string& task_file);
// The category of a task file or category folder under App's tasks folder ("" for the tasks folder
// itself and for anything outside it).
std::string CategoryOfFolder(const std::string& folder);
std::string CategoryOfTaskFile(const std::string& task_file);
// The task files of a folder ("*.cvt", dot files left out), in the order the folder lists them.
std::vector<std::string> TaskFilesIn(const std::string& folder);

// App's current task when its file is task_file; null otherwise.
std::shared_ptr<TCVTask> CurrentTaskFor(const std::string& task_file);
// App's current task when it runs (status 2 or 5) and its file lies inside folder (or is path).
std::shared_ptr<TCVTask> RunningTaskIn(const std::string& path);
// App's current object for the file, else the file loaded (its Category set); throws when it cannot
// be read.
std::shared_ptr<TCVTask> TaskForFile(const std::string& task_file);

}  // namespace corvane
