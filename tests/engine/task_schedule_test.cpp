#include "engine/model/task_schedule.h"

#include <gtest/gtest.h>

#include "engine/model/task.h"
#include "tests/engine/task_fixture.h"

namespace corvane {
namespace {

class ScheduleTask : public testing::FreshHome {
protected:
    std::string SavedTask(const std::string& schedule, TCVTaskStatus status, TDateTime next_run) {
        TCVTask task;
        task.Name = "t";
        task.FileName = TaskFileName("General", "t");
        task.URL = "http://site.com/";
        task.Schedule = schedule;
        task.Status = status;
        task.NextRun = next_run;
        task.Save();
        return task.FileName;
    }
    bool Listed(const std::string& file) const { return App->ActiveTasks.IndexOf(file) >= 0; }
};

TEST_F(ScheduleTask, RecurringRulesScheduleAndSaveTheNextRun) {
    const TDateTime now = EncodeDate(2026, 12, 9) + EncodeTime(10, 0, 0);
    const std::string file = SavedTask("Daily at 08:00:00", tsDownloadStopped, EncodeDate(2026, 12, 6) + EncodeTime(8, 0, 0));
    EXPECT_FALSE(Listed(file));
    auto task = LoadTask(file);
    EXPECT_TRUE(RescheduleTask(*task, now));
    const auto stored = LoadTask(file);
    EXPECT_EQ(stored->Status, tsScheduled);
    EXPECT_EQ(stored->NextRun, EncodeDate(2026, 12, 10) + EncodeTime(8, 0, 0));
    EXPECT_TRUE(Listed(file));
}

TEST_F(ScheduleTask, NowLosesItsTextButKeepsItsStatus) {
    const std::string file = SavedTask("Now", tsTaskComplete, 0);
    auto task = LoadTask(file);
    EXPECT_TRUE(RescheduleTask(*task, EncodeDate(2026, 12, 9)));
    const auto stored = LoadTask(file);
    EXPECT_EQ(stored->Schedule, "");
    EXPECT_EQ(stored->NextRun, 0.0);
    EXPECT_EQ(stored->Status, tsTaskComplete);
}

TEST_F(ScheduleTask, OnceAndTheDialogFormAreLeftUnsaved) {
    for (const char* text : {"Once at 12/24/26  18:30:00", "12/24/26 18:30", "Weekly every  at 09:00:00"}) {
        const std::string file = SavedTask(text, tsDownloadStopped, 45000.25);
        auto task = LoadTask(file);
        task->Comment = "not saved";
        EXPECT_FALSE(RescheduleTask(*task, EncodeDate(2026, 12, 9)));
        const auto stored = LoadTask(file);
        EXPECT_EQ(stored->Schedule, text);
        EXPECT_EQ(stored->Comment, "");
        EXPECT_EQ(stored->NextRun, 45000.25);
    }
}

TEST_F(ScheduleTask, ApplyAndUnscheduleAStoredTask) {
    const std::string file = SavedTask("", tsUnscheduled, 0);
    ApplySchedule(file, "Every 2 hours, 0 mins", 46000.5);
    auto stored = LoadTask(file);
    EXPECT_EQ(stored->Status, tsScheduled);
    EXPECT_EQ(stored->Schedule, "Every 2 hours, 0 mins");
    EXPECT_EQ(stored->NextRun, 46000.5);
    EXPECT_TRUE(Listed(file));
    UnscheduleTask(file);
    stored = LoadTask(file);
    EXPECT_EQ(stored->Status, tsUnscheduled);
    EXPECT_EQ(stored->Schedule, "");
    EXPECT_EQ(stored->NextRun, 0.0);
    EXPECT_FALSE(Listed(file));
}

}  // namespace
}  // namespace corvane
