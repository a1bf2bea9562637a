// A run ends with the truth: a start page that could not be fetched never ends as a success, and a
// task file or queue that cannot be written still ends (or undoes) the run, frees its lock and says
// which file failed and why.

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "engine/model/task_lock.h"
#include "engine/run/run_failures.h"
#include "engine/run/socket_thread.h"
#include "engine/run/task_runner.h"
#include "platform/rtl/write_fault.h"
#include "tests/engine/capture_fixture.h"
#include "tests/support/loopback_server.h"

namespace corvane::testing {
namespace {

using test::LoopbackServer;
using test::ScriptedResponse;

class EndHooks : public TRunControlHooks {
public:
    void StatusMessage(int number, const std::string& tail) override {
        events.push_back("msg " + std::to_string(number) + " " + tail);
    }
    void SetRunEnabled(bool enabled) override { events.push_back(enabled ? "run on" : "run off"); }
    void* OpenArchive(TCVTask& task) override {
        events.push_back("open " + task.Destination);
        return this;
    }
    void CloseArchive(TCVTask& task) override { events.push_back("close " + task.Destination); }
    bool ArchiveBusy() override { return busy; }
    bool AddToArchive(TCVTask& task, const std::string&, const std::string&) override {
        // The archive is made by its first entry.
        std::filesystem::create_directories(std::filesystem::path(task.Destination).parent_path());
        std::FILE* file = std::fopen(task.Destination.c_str(), "a");
        if (file) std::fclose(file);
        return file != nullptr;
    }

    bool Saw(const std::string& event) const {
        return std::find(events.begin(), events.end(), event) != events.end();
    }
    // The first message of this number, with its tail; '' when none was shown.
    std::string Message(int number) const {
        const std::string head = "msg " + std::to_string(number) + " ";
        for (const auto& e : events)
            if (e.rfind(head, 0) == 0) return e.substr(head.size());
        return {};
    }

    std::vector<std::string> events;
    bool busy = false;
};

// Nothing listens at the address: the port of a server that has gone.
std::string RefusedURL() {
    LoopbackServer gone;
    return gone.Url("/index.htm");
}

// True when no process holds the task's lock: another process could take it now.
bool LockFree(const TCVTask& task) {
    return std::system(("flock -n -x '" + TaskLockFile(task.FileName) + "' true").c_str()) == 0;
}

class TruthfulEndsBase : public RunnerFixture<EndHooks> {
protected:
    void TearDown() override {
        SetWriteFault({}, 0);
        RunnerFixture<EndHooks>::TearDown();
    }
    std::shared_ptr<TCVTask> DueTask(const std::string& url, bool intranet, const std::string& name = "t") {
        auto task = MakeTask(url, intranet, name);
        task->Schedule = "Now";
        task->Status = tsScheduled;
        if (!intranet) task->Destination = home_ + "Downloads/" + name + ".zip";
        task->Save();
        return task;
    }
    bool Ended(const std::shared_ptr<TCVTask>& task) {
        return RunUntil([&] { return !task->IsRunning() && task->Status != tsScheduled && !runner_->Busy(); });
    }
};

using TruthfulEndsStartPage = TruthfulEndsBase;
using TruthfulEndsFailedSave = TruthfulEndsBase;

// A refused port and a host that does not resolve ended "Zipped!" (or "Task Complete") with the
// start page in error and no status text; the archive node the run opened stayed.
TEST_F(TruthfulEndsStartPage, AStartPageThatCannotBeReachedEndsTheRunAsAFailureWithTheReason) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {RefusedURL(), "Internet Cannot Connect"}, {"http://nothing-here.invalid/", "Internet Name Not Resolved"}};
    int run = 0;
    for (const bool intranet : {false, true}) {
        for (const auto& [url, why] : cases) {
            SCOPED_TRACE(url + (intranet ? " intranet" : " zip"));
            hooks_.events.clear();
            auto task = DueTask(url, intranet, "t" + std::to_string(run++));
            ASSERT_TRUE(runner_->StartTask(task));
            ASSERT_TRUE(Ended(task));
            EXPECT_EQ(task->Status, tsDownloadStopped);
            EXPECT_EQ(LoadTask(task->FileName)->Status, tsDownloadStopped);
            EXPECT_EQ(task->GetQItem(0)->StatusText, why);
            EXPECT_EQ(StartPageFailure(*task), why);
            EXPECT_EQ(hooks_.Message(kMsgStartPageFailed), why);
            EXPECT_EQ(hooks_.Message(kMsgTaskDone), "");
            EXPECT_EQ(hooks_.Saw("close " + task->Destination), !intranet);
            EXPECT_TRUE(LockFree(*task));
        }
    }

    // Whatever its text, a start page that is not saved has failed.
    auto task = DueTask(RefusedURL(), true, "untried");
    task->Restart();
    auto start = task->GetQItem(0);
    start->SetState(isError);
    start->StatusText.clear();
    start->Put();
    EXPECT_EQ(StartPageFailure(*task), "Error");
}

// A failed save at the start left the task "Downloading" with nothing running and its lock held, so
// neither the schedule tick nor Run could start it again. The start is undone instead.
TEST_F(TruthfulEndsFailedSave, AFailedSaveAtTheStartUndoesTheRunAndAStartWithSpaceCompletesIt) {
    LoopbackServer server;
    server.Serve("/index.htm", ScriptedResponse::Text("<html><title>t</title>hi</html>", "text/html"));
    auto task = DueTask(server.Url("/index.htm"), false);
    SetWriteFault(task->FileName, ENOSPC);
    EXPECT_FALSE(runner_->StartTask(task));
    const std::string why = "Cannot write \"" + task->FileName + "\": No space left on device";
    EXPECT_EQ(runner_->StartFailure(), why);
    EXPECT_EQ(hooks_.Message(kMsgStartFailed), why);
    EXPECT_FALSE(runner_->Busy());
    EXPECT_FALSE(runner_->ZipTimerOn());
    EXPECT_FALSE(task->IsRunning());
    EXPECT_FALSE(hooks_.Saw("run off"));
    EXPECT_TRUE(hooks_.Saw("close " + task->Destination));
    EXPECT_TRUE(LockFree(*task));
    EXPECT_EQ(server.RequestCount(), 0u);

    // The tick leaves it while its file is as it was; saved again once there is space, it runs.
    hooks_.events.clear();
    runner_->ScheduleTick();
    EXPECT_TRUE(hooks_.events.empty());
    SetWriteFault({}, 0);
    task->Save();
    runner_->ScheduleTick();
    const auto again = App->GetCurrentTask();
    ASSERT_TRUE(again && again->FileName == task->FileName && again->IsRunning());
    EXPECT_TRUE(RunUntil([&] { return again->Status == tsZipped && !runner_->Busy(); }));
}

// A stop whose saves failed skipped the lock release and left the runner busy for good: nothing
// could start again. It ends now, and a resume completes the capture with nothing lost.
TEST_F(TruthfulEndsFailedSave, AStopOrFinishWhoseSavesFailStillEndsAndAResumeCompletesIt) {
    LoopbackServer server;
    server.Serve("/index.htm",
                 ScriptedResponse::Text("<html><a href=a.htm>a</a><a href=b.htm>b</a></html>", "text/html"));
    server.Serve("/a.htm", ScriptedResponse::Text("<html>a</html>", "text/html"));
    server.Serve("/b.htm", ScriptedResponse::Text("<html>b</html>", "text/html"));
    server.Hold("/b.htm");
    auto task = DueTask(server.Url("/index.htm"), true);
    task->Profile.Depth = -1;
    task->Save();
    ASSERT_TRUE(runner_->StartTask(task));
    ASSERT_TRUE(RunUntil([&] { return server.Held("/b.htm") == 1; }));
    SetWriteFault(home_ + "Tasks/", ENOSPC);
    runner_->StopTask(task);
    server.Release("/b.htm");
    EXPECT_FALSE(runner_->Busy());
    EXPECT_EQ(task->Status, tsDownloadStopped);
    EXPECT_NE(hooks_.Message(kMsgQueueSaveFailed).find("No space left on device"), std::string::npos)
        << hooks_.Message(kMsgQueueSaveFailed);
    EXPECT_NE(hooks_.Message(kMsgQueueSaveFailed).find(home_ + "Tasks/t."), std::string::npos);
    EXPECT_TRUE(LockFree(*task));

    // The finish of a zip run: its end status and queue cannot be written.
    SetWriteFault({}, 0);
    hooks_.events.clear();
    auto zip = MakeTask(server.Url("/a.htm"), false, "z");
    zip->Destination = home_ + "Downloads/z.zip";
    zip->Schedule = "Now";
    zip->Status = tsScheduled;
    zip->Save();
    hooks_.busy = true;  // the zip step waits until the fault is set
    ASSERT_TRUE(runner_->StartTask(zip));
    ASSERT_TRUE(RunUntil([&] { return zip->Status == tsDownloadComplete; }));
    SetWriteFault(home_ + "Tasks/", ENOSPC);
    hooks_.busy = false;
    ASSERT_TRUE(Ended(zip));
    EXPECT_EQ(zip->Status, tsDownloadStopped);  // never "Zipped!" on a record that did not land
    EXPECT_NE(hooks_.Message(kMsgQueueSaveFailed).find("Cannot write \"" + zip->FileName + "\""), std::string::npos)
        << hooks_.Message(kMsgQueueSaveFailed);
    EXPECT_EQ(hooks_.Message(kMsgTaskDone), "");
    EXPECT_TRUE(LockFree(*zip));

    // With space again both resume to the end, every page fetched once.
    SetWriteFault({}, 0);
    for (const std::string& file : {task->FileName, zip->FileName}) {
        auto resumed = LoadTask(file);
        resumed->RunMethod = rmResume;
        ASSERT_TRUE(runner_->StartTask(resumed)) << file;
        ASSERT_TRUE(Ended(resumed)) << file;
        EXPECT_EQ(TaskStatusText(resumed->Status), resumed->IntranetMode ? "Task Complete" : "Zipped!");
        EXPECT_EQ(StartPageFailure(*resumed), "");
    }
    auto whole = LoadTask(task->FileName);
    whole->OpenQueue();
    ASSERT_EQ(whole->QueueLineCount(), 6);
    for (int i = 0; i < 6; i += 2) {
        EXPECT_EQ(whole->GetQItem(i)->StateText(), "Parsed") << whole->GetQItem(i)->URL;
        EXPECT_TRUE(std::filesystem::is_regular_file(whole->GetQItem(i)->GetLocalFileName()));
    }
}

}  // namespace
}  // namespace corvane::testing
