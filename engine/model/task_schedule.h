#pragma once
// Schedules on stored tasks: the next run after a task has ended, and the task tree's Schedule and
// Unschedule commands. The texts and the arithmetic are in schedule_rules.h.

#include <string>

#include "engine/model/schedule_rules.h"

namespace corvane {

class TCVTask;

// After a run (a user stop or a finish alike): updates NextRun, Status and Schedule by the schedule
// text and saves the task; a text that names no next run ("Once", the dialog's date-and-time form,
// an unreadable one) changes and saves nothing. Returns whether the task was saved.
bool RescheduleTask(TCVTask& task, TDateTime now);

// The Schedule command: status Scheduled with the dialog's text and next run, saved.
void ApplySchedule(const std::string& task_file, const std::string& schedule, TDateTime next_run);

// The Unschedule command: status Unscheduled, no text, next run 0, saved (so the task leaves the
// active-task list).
void UnscheduleTask(const std::string& task_file);

}  // namespace corvane
