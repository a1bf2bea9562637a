// Run control: start, stop, finish, the zip step, explore and the schedule tick, with recording
// window hooks and a stand-in archive.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <vector>

#include "engine/run/download_thread.h"
#include "engine/run/engine_host.h"
#include "engine/run/parse_worker.h"
#include "engine/model/settings.h"
#include "engine/run/socket_list.h"
#include "engine/run/task_runner.h"
#include "tests/engine/capture_fixture.h"
#include "tests/support/loopback_server.h"

namespace corvane::testing {
namespace {

using test::LoopbackServer;
using test::ScriptedResponse;

// Records every window call; the archive is a map of entry to comment.
class RecordingHooks : public TRunControlHooks {
public:
    void StatusMessage(int number, const std::string& tail) override {
        events.push_back("msg " + std::to_string(number) + tail);
        if (during_message) during_message(number);
    }
    void AnimateLogo(bool running) override { events.push_back(running ? "logo on" : "logo off"); }
    void SetRunEnabled(bool enabled) override { events.push_back(enabled ? "run on" : "run off"); }
    void ShowArchiveView() override { events.push_back("archive view"); }
    void* OpenArchive(TCVTask& task) override {
        events.push_back("open " + task.Destination);
        return this;
    }
    void AbortArchive() override { events.push_back("abort archive"); }
    bool ArchiveBusy() override { return busy; }
    bool AddToArchive(TCVTask&, const std::string& file, const std::string& comment) override {
        if (refuse_adds > 0) {
            --refuse_adds;
            return false;
        }
        archive[file] = comment;
        return true;
    }
    std::string RenameArchive(TCVTask& task, const std::string& name) override {
        events.push_back("rename " + name);
        return std::filesystem::path(task.Destination).parent_path().string() + "/" + name;
    }
    void ShowTaskReport(TCVTask&) override { events.push_back("report"); }
    void TaskRescheduled(TCVTask&) override { events.push_back("rescheduled"); }
    void Beep() override { events.push_back("beep"); }
    void ShowExplorer(TCVTask& task) override { events.push_back("explore " + task.Name); }

    bool Saw(const std::string& event) const {
        return std::find(events.begin(), events.end(), event) != events.end();
    }

    std::vector<std::string> events;
    std::map<std::string, std::string> archive;
    bool busy = false;
    int refuse_adds = 0;
    std::function<void(int)> during_message;
};

class RunControl : public RunnerFixture<RecordingHooks> {
protected:
    // A saved, due task (schedule "Now").
    std::shared_ptr<TCVTask> DueTask(const std::string& url, const std::string& name, bool intranet = true) {
        auto task = MakeTask(url, intranet, name);
        task->Schedule = "Now";
        task->Status = tsScheduled;
        if (!intranet) task->Destination = home_ + "Downloads/" + name + ".zip";
        task->Save();
        return task;
    }

    std::vector<std::string> QueueStates(TCVTask& task) {
        std::vector<std::string> states;
        for (int i = 0; i + 1 < task.QueueLineCount(); i += 2) states.push_back(task.GetQItem(i)->StateText());
        return states;
    }
};

TEST_F(RunControl, IntranetTaskRunsToTaskComplete) {
    LoopbackServer server;
    server.Serve("/index.htm", ScriptedResponse::Text("<html><title>Home</title>hi</html>", "text/html"));
    auto task = DueTask(server.Url("/index.htm"), "site");
    ASSERT_TRUE(runner_->StartTask(task));
    EXPECT_EQ(task->Status, tsDownloading);
    EXPECT_TRUE(runner_->ZipTimerOn());
    EXPECT_EQ(App->GetCurrentTask(), task);
    ASSERT_TRUE(RunUntil([&] { return task->Status == tsTaskComplete; }));
    EXPECT_FALSE(runner_->ZipTimerOn());
    const std::vector<std::string> expected = {"msg 691", "logo on", "run off", "logo off", "report",
                                               "run on", "rescheduled", "msg 690site)", "beep"};
    EXPECT_EQ(hooks_.events, expected);
    EXPECT_EQ(QueueStates(*task), std::vector<std::string>{"Parsed"});
    // What the file says after the run.
    EXPECT_EQ(LoadTask(task->FileName)->Status, tsTaskComplete);
}

TEST_F(RunControl, StopSavesTheQueueWithNothingInTransferAndAStartGoesOn) {
    LoopbackServer server;
    std::atomic<bool> stall{true};
    server.Handle("/index.htm", [](const test::ReceivedRequest&) {
        return ScriptedResponse::Text("<html></html>", "text/html");
    });
    for (int i = 0; i < 4; ++i)
        server.Handle("/r" + std::to_string(i) + ".gif", [&](const test::ReceivedRequest&) {
            ScriptedResponse r = ScriptedResponse::Text("GIF89a", "image/gif");
            r.stall_after_headers = stall.load();
            return r;
        });
    auto task = DueTask(server.Url("/index.htm"), "stopped");
    ASSERT_TRUE(runner_->StartTask(task));
    for (int i = 0; i < 4; ++i) Queue(*task, server.Url("/r" + std::to_string(i) + ".gif"), "Image");
    ASSERT_TRUE(RunUntil([&] { return server.RequestCount() >= 3; }));

    runner_->StopTask(task);
    EXPECT_EQ(task->Status, tsDownloadStopped);
    EXPECT_TRUE(runner_->Dispatcher().Suspended());
    EXPECT_TRUE(runner_->Parser().Suspended());
    EXPECT_TRUE(runner_->Sockets().AllIdle());
    EXPECT_FALSE(runner_->ZipTimerOn());
    EXPECT_TRUE(hooks_.Saw("msg 694"));
    EXPECT_EQ(hooks_.events.back(), "msg 695");
    // The saved queue has nothing left in transfer.
    const std::string saved = ReadBytes(task->GetQueueFileName());
    auto reloaded = LoadTask(task->FileName);
    reloaded->OpenQueue();
    for (const auto& state : QueueStates(*reloaded)) {
        EXPECT_NE(state, "Downloading");
        EXPECT_NE(state, "Updating");
    }

    // Started again at once, as a resume of the current task: the dispatcher is not left parked.
    stall = false;
    task->RunMethod = rmResume;
    ASSERT_TRUE(runner_->StartTask(task));
    EXPECT_TRUE(hooks_.Saw("msg 692"));
    ASSERT_TRUE(RunUntil([&] { return task->Status == tsTaskComplete; }));
    EXPECT_EQ(task->Counters().ResourcesSaved, 4);
}

TEST_F(RunControl, ZipModeAddsEveryFileMarksItZippedAndRenamesTheArchive) {
    LoopbackServer server;
    server.Serve("/index.htm", ScriptedResponse::Text("<html><title>My: Site?</title></html>", "text/html"));
    server.Serve("/a.gif", ScriptedResponse::Text("GIF89a", "image/gif"));
    auto task = DueTask(server.Url("/index.htm"), "zipped", false);
    task->Profile.UseStartPageTitle = true;
    ASSERT_TRUE(runner_->StartTask(task));
    EXPECT_TRUE(hooks_.Saw("open " + home_ + "Downloads/zipped.zip"));
    Queue(*task, server.Url("/a.gif"), "Image");
    ASSERT_TRUE(RunUntil([&] { return task->Status == tsZipped; }));
    EXPECT_EQ(hooks_.archive.size(), 2u);
    EXPECT_EQ(QueueStates(*task), (std::vector<std::string>{"Zipped", "Zipped"}));
    // The start page's title names the archive, its unsafe characters blanked.
    EXPECT_EQ(task->StartPageTitle, "My: Site?");
    EXPECT_TRUE(hooks_.Saw("rename My  Site .zip"));
    EXPECT_EQ(task->Destination, home_ + "Downloads/My  Site .zip");
    EXPECT_FALSE(hooks_.Saw("report"));  // only Personal Intranet tasks report
}

TEST_F(RunControl, ZipStepWaitsWhileTheArchiveIsBusyAndRestartRecoversUnzippedFiles) {
    LoopbackServer server;
    server.Serve("/index.htm", ScriptedResponse::Text("<html></html>", "text/html"));
    for (int i = 0; i < 3; ++i) server.Serve("/z" + std::to_string(i) + ".gif", ScriptedResponse::Text("GIF89a", "image/gif"));
    auto task = DueTask(server.Url("/index.htm"), "recover", false);
    hooks_.busy = true;
    ASSERT_TRUE(runner_->StartTask(task));
    for (int i = 0; i < 3; ++i) Queue(*task, server.Url("/z" + std::to_string(i) + ".gif"), "Image");
    ASSERT_TRUE(RunUntil([&] { return task->Status == tsDownloadComplete && task->ZipQueueCount() == 4; }));
    loop_->RunUntil([] { return false; }, std::chrono::milliseconds(20));
    EXPECT_TRUE(hooks_.archive.empty());
    EXPECT_EQ(task->Status, tsDownloadComplete);  // not Zipped while files wait
    runner_->StopTask(task);

    // A new start of the program: the task is loaded again and resumed.
    hooks_.busy = false;
    hooks_.refuse_adds = 1;  // one add fails: that file stays for the next run
    auto again = LoadTask(task->FileName);
    again->RunMethod = rmResume;
    ASSERT_TRUE(runner_->StartTask(again));
    ASSERT_TRUE(RunUntil([&] { return again->Status == tsZipped; }));
    EXPECT_EQ(hooks_.archive.size(), 3u);
    auto third = LoadTask(task->FileName);
    third->RunMethod = rmResume;
    ASSERT_TRUE(runner_->StartTask(third));
    ASSERT_TRUE(RunUntil([&] { return third->Status == tsZipped; }));
    EXPECT_EQ(hooks_.archive.size(), 4u);
    EXPECT_EQ(QueueStates(*third), std::vector<std::string>(4, "Zipped"));
    EXPECT_EQ(server.RequestCount(), 4u);  // nothing fetched twice
}

TEST_F(RunControl, NothingStartsWhileAStopOrFinishIsUnderWay) {
    LoopbackServer server;
    ScriptedResponse stalled;
    stalled.stall_after_headers = true;
    server.Serve("/index.htm", stalled);
    auto first = DueTask(server.Url("/index.htm"), "first");
    auto second = DueTask(server.Url("/index.htm"), "second");
    ASSERT_TRUE(runner_->StartTask(first));
    ASSERT_TRUE(RunUntil([&] { return server.RequestCount() >= 1; }));
    bool started_inside = true;
    hooks_.during_message = [&](int number) {
        if (number != kMsgStopping) return;
        // The stop pumps the main loop: a tick or a start arriving now must not start anything.
        runner_->ScheduleTick();
        started_inside = runner_->StartTask(second);
    };
    runner_->StopTask(first);
    EXPECT_FALSE(started_inside);
    EXPECT_EQ(App->GetCurrentTask(), first);
    EXPECT_EQ(LoadTask(second->FileName)->Status, tsScheduled);
}

TEST_F(RunControl, ScheduleTickStartsTheFirstDueTaskAndNothingWhileOneRuns) {
    LoopbackServer server;
    ScriptedResponse stalled;
    stalled.stall_after_headers = true;
    server.Serve("/a.htm", stalled);
    server.Serve("/b.htm", stalled);
    auto first = DueTask(server.Url("/a.htm"), "a");
    auto second = DueTask(server.Url("/b.htm"), "b");
    runner_->ScheduleTick();
    auto current = App->GetCurrentTask();
    ASSERT_TRUE(current);
    EXPECT_EQ(current->FileName, first->FileName);
    EXPECT_EQ(current->Status, tsDownloading);
    runner_->ScheduleTick();
    EXPECT_EQ(App->GetCurrentTask(), current);
    EXPECT_EQ(LoadTask(second->FileName)->Status, tsScheduled);
    runner_->StopTask(current);
}

TEST_F(RunControl, ExploreMakesTheFileCurrentOnlyWhenNothingRuns) {
    LoopbackServer server;
    ScriptedResponse stalled;
    stalled.stall_after_headers = true;
    server.Serve("/a.htm", stalled);
    auto running = DueTask(server.Url("/a.htm"), "running");
    auto other = DueTask(server.Url("/b.htm"), "other");
    ASSERT_TRUE(runner_->StartTask(running));
    EXPECT_FALSE(runner_->ExploreTask(other->FileName));
    EXPECT_EQ(App->GetCurrentTask(), running);
    runner_->StopTask(running);
    ASSERT_TRUE(runner_->ExploreTask(other->FileName));
    EXPECT_EQ(App->GetCurrentTask()->Name, "other");
    EXPECT_TRUE(hooks_.Saw("explore other"));
}

}  // namespace
}  // namespace corvane::testing

namespace corvane::testing {
namespace {

using ScheduleTick = RunControl;

TEST_F(ScheduleTick, TheScheduleThreadStartsADueTaskAndShowsTheOfflineState) {
    struct OfflineHost : EngineHost {
        std::atomic<int> ticks{0};
        void SetOfflineIndicator(bool) override { ++ticks; }
    } host;
    SetEngineHost(&host);
    struct Uninstall {
        ~Uninstall() { SetEngineHost(nullptr); }
    } uninstall;
    test::LoopbackServer server;
    server.Serve("/a.htm", test::ScriptedResponse::Text("<html></html>", "text/html"));
    auto due = DueTask(server.Url("/a.htm"), "due");
    runner_->Start(true);
    ASSERT_TRUE(RunUntil([&] {
        auto current = App->GetCurrentTask();
        return current && current->Status == tsTaskComplete && host.ticks > 1;
    }));
    EXPECT_EQ(App->GetCurrentTask()->FileName, due->FileName);
    runner_->Shutdown();
}

}  // namespace
}  // namespace corvane::testing
