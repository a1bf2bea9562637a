#pragma once
// The run command of the task tree and the status view: a task that is to run now. A task with a
// queue asks how to continue (the run dialog); the task is then saved as due at once, and the
// schedule tick starts it.

#include <memory>

namespace corvane {

class TCVTask;

// True when the task was scheduled to run now; false when the user cancelled the run dialog (the
// task and its file are left as they were) or the task is running already.
bool RunTask(std::shared_ptr<TCVTask> task);

}  // namespace corvane
