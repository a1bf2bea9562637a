// A task file or queue that cannot be written at a run's start or finish still undoes or ends the
// run, frees its lock and says which file failed and why; nothing is lost for the resume.

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <map>

#include "engine/model/task_lock.h"
#include "engine/run/run_failures.h"
#include "engine/run/task_runner.h"
#include "platform/rtl/write_fault.h"
#include "tests/engine/capture_fixture.h"
#include "tests/support/loopback_server.h"

namespace corvane::testing {
namespace {

// Status lines and archive closes; the archive is a file made by its first entry.
class EndHooks : public TRunControlHooks {
public:
    void StatusMessage(int number, const std::string& tail) override { shown[number] = tail; }
    void* OpenArchive(TCVTask&) override { return this; }
    void CloseArchive(TCVTask& task) override { closed = task.Destination; }
    bool ArchiveBusy() override { return busy; }
    bool AddToArchive(TCVTask& task, const std::string&, const std::string&) override {
        return static_cast<bool>(std::ofstream(task.Destination, std::ios::app));
    }
    std::map<int, std::string> shown;
    std::string closed;
    bool busy = false;
};

bool LockFree(const TCVTask& task) {
    return std::system(("flock -n -x '" + TaskLockFile(task.FileName) + "' true").c_str()) == 0;
}

using TruthfulEndsFailedSave = RunnerFixture<EndHooks>;

// A failed save at the start left the task "Downloading" with its lock held and nothing running; one
// at the finish (or a stop) threw past the lock release and left the runner busy for good.
TEST_F(TruthfulEndsFailedSave, AFailedSaveAtTheStartOrFinishStillEndsTheRunAndAResumeCompletesIt) {
    test::LoopbackServer server;
    server.Serve("/index.htm", test::ScriptedResponse::Text("<html>hi</html>", "text/html"));
    auto task = MakeTask(server.Url("/index.htm"), false, "z");
    task->Destination = home_ + "z.zip";
    task->Schedule = "Now";
    task->Status = tsScheduled;
    task->Save();
    const std::string full = "\"" + task->FileName + "\": No space left on device";

    SetWriteFault(task->FileName, ENOSPC);
    EXPECT_FALSE(runner_->StartTask(task));
    EXPECT_EQ(runner_->StartFailure(), "Cannot write " + full);
    EXPECT_EQ(hooks_.shown[kMsgStartFailed], runner_->StartFailure());
    EXPECT_FALSE(runner_->Busy() || runner_->ZipTimerOn() || task->IsRunning());
    EXPECT_EQ(hooks_.closed, task->Destination);
    EXPECT_TRUE(LockFree(*task));
    // The tick leaves it until its file is saved again, as Run does.
    runner_->ScheduleTick();
    EXPECT_EQ(App->GetCurrentTask()->Status, tsScheduled);
    SetWriteFault({}, 0);
    task->Save();
    hooks_.busy = true;  // the zip step waits until the disk is full
    runner_->ScheduleTick();
    task = App->GetCurrentTask();
    ASSERT_TRUE(task->IsRunning());
    ASSERT_TRUE(RunUntil([&] { return task->Status == tsDownloadComplete; }));
    SetWriteFault(home_ + "Tasks/", ENOSPC);
    hooks_.busy = false;
    ASSERT_TRUE(RunUntil([&] { return !task->IsRunning() && !runner_->Busy(); }));
    EXPECT_EQ(TaskStatusText(task->Status), "Download Stopped");  // never "Zipped!" unrecorded
    EXPECT_NE(hooks_.shown[kMsgQueueSaveFailed].find(full), std::string::npos) << hooks_.shown[kMsgQueueSaveFailed];
    EXPECT_EQ(hooks_.shown.count(kMsgTaskDone), 0u);
    EXPECT_TRUE(LockFree(*task));

    SetWriteFault({}, 0);
    auto resumed = LoadTask(task->FileName);
    resumed->RunMethod = rmResume;
    ASSERT_TRUE(runner_->StartTask(resumed));
    ASSERT_TRUE(RunUntil([&] { return resumed->Status == tsZipped && !runner_->Busy(); }));
    EXPECT_EQ(resumed->GetQItem(0)->StateText(), "Zipped");
    EXPECT_EQ(server.RequestCount(), 1u);  // the page saved before the failure was kept
}

}  // namespace
}  // namespace corvane::testing
