#pragma once
// Zip mode keeps a capture in the temporary capture folder only until it is in the archive: once
// every saved item of a task is Zipped, its files there go, except those that another zip-mode task
// of the data root still needs (saved but not zipped yet, or kept for an update that may find them
// unchanged). Runs on a background job: the queue is read under the task's own lock.

#include <ctime>
#include <string>
#include <vector>

namespace corvane {

class TCVTask;

// Every task file (".cvt") below the tasks folder but the one given.
std::vector<std::string> OtherTaskFiles(const std::string& tasks_folder, const std::string& task_file);

// Removes the task's zipped files below its run folder, and the folders that leaves empty; a file
// whose status changed at or after since belongs to a later run and stays. Nothing is removed while
// an item of the task is saved but not zipped. The number of files removed.
int RemoveZippedCaptureFiles(TCVTask& task, const std::vector<std::string>& other_task_files, const timespec& since);

}  // namespace corvane
