#include "tasks/run_task.h"

#include <QApplication>

#include "engine/model/task.h"
#include "tasks/run_task_dialog.h"

namespace corvane {

bool RunTask(std::shared_ptr<TCVTask> task) {
    if (!task || task->IsRunning()) return false;
    if (task->QueueLineCount() == 0) task->LoadQueue();
    if (task->QueueLineCount() > 0) {
        TdlgRunTask dialog(*task, QApplication::activeWindow());
        if (dialog.exec() != QDialog::Accepted) return false;
        task->RunMethod = dialog.ChosenRunMethod(task->RunMethod);
    }
    task->Status = tsScheduled;
    task->Schedule = "Now";
    // A next run left from an earlier schedule would hold the task back past "Now".
    task->NextRun = 0;
    task->Save();
    return true;
}

}  // namespace corvane
