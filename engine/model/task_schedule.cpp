#include "engine/model/task_schedule.h"

#include "engine/model/task.h"

namespace corvane {

bool RescheduleTask(TCVTask& task, TDateTime now) {
    const RescheduleOutcome outcome = Reschedule(task.Schedule, task.NextRun, now);
    if (!outcome.Changed) return false;
    task.NextRun = outcome.NextRun;
    task.Schedule = outcome.Schedule;
    if (outcome.SetScheduled) task.Status = tsScheduled;
    task.Save();
    return true;
}

void ApplySchedule(const std::string& task_file, const std::string& schedule, TDateTime next_run) {
    const auto task = LoadTask(task_file);
    task->Status = tsScheduled;
    task->Schedule = schedule;
    task->NextRun = next_run;
    task->Save();
}

void UnscheduleTask(const std::string& task_file) {
    const auto task = LoadTask(task_file);
    task->Status = tsUnscheduled;
    task->Schedule.clear();
    task->NextRun = 0;
    task->Save();
}

}  // namespace corvane
