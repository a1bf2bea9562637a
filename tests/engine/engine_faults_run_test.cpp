// Faults of the run control: a run that works by rules edited under it, and a stop that saves the
// queue while a connection can still write to it.

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <thread>
#include <vector>

#include "engine/run/download_thread.h"
#include "engine/parse/mirror_naming.h"
#include "engine/model/settings.h"
#include "engine/run/socket_list.h"
#include "engine/run/task_runner.h"
#include "engine/parse/url_model.h"
#include "tests/engine/capture_fixture.h"
#include "tests/support/loopback_server.h"

namespace corvane::testing {
namespace {

using namespace std::chrono_literals;
using test::LoopbackServer;
using test::ScriptedResponse;

class MessageHooks : public TRunControlHooks {
public:
    void StatusMessage(int number, const std::string&) override {
        messages.push_back(number);
        if (number == 5500 && on_waiting) on_waiting();
    }
    bool Saw(int number) const { return std::find(messages.begin(), messages.end(), number) != messages.end(); }

    std::vector<int> messages;
    std::function<void()> on_waiting;
};

using EngineFaultsRun = RunnerFixture<MessageHooks>;

TEST_F(EngineFaultsRun, EditsMadeWhileATaskRunsApplyAtItsNextRun) {
    LoopbackServer server;
    server.Serve("/index.htm", ScriptedResponse::Text("<a href=\"a.htm\">a</a>", "text/html"));
    server.Serve("/a.htm", ScriptedResponse::Text("<p>a</p>", "text/html"));
    auto task = SiteTask(server.Url("/index.htm"));
    const auto local = [&](const std::string& folder, const std::string& path) {
        const std::string url = server.Url(path);
        return GetLocalFileName(folder, URLBaseDir(url), url);
    };
    ASSERT_TRUE(runner_->StartTask(task));
    // The task dialog edits the running task on the main thread.
    task->Profile.Depth = 0;
    task->Profile.URLFiltersExclude.Add("a.htm");
    task->Destination = home_ + "elsewhere/";
    ASSERT_TRUE(RunUntil([&] { return task->Status == tsTaskComplete; }));
    EXPECT_EQ(server.RequestCount(), 2u);
    EXPECT_TRUE(std::filesystem::exists(local(home_ + "site/", "/a.htm")));
    EXPECT_FALSE(std::filesystem::exists(home_ + "elsewhere"));

    server.ClearRequests();
    task->RunMethod = rmRestart;
    ASSERT_TRUE(runner_->StartTask(task));
    ASSERT_TRUE(RunUntil([&] { return task->Status == tsTaskComplete; }));
    EXPECT_EQ(server.RequestCount(), 1u);
    EXPECT_TRUE(std::filesystem::exists(local(home_ + "elsewhere/", "/index.htm")));
}

TEST_F(EngineFaultsRun, AStopWaitsForEveryConnectionJobBeforeItSavesTheQueue) {
    LoopbackServer server;
    ScriptedResponse stalled;
    stalled.stall_after_headers = true;
    server.Serve("/index.htm", stalled);
    auto task = SiteTask(server.Url("/index.htm"));
    ASSERT_TRUE(runner_->StartTask(task));
    ASSERT_TRUE(RunUntil([&] { return server.RequestCount() >= 1; }));

    // A job whose completion is late: it ends only once the stop shows that it waits. Mark 0, so the
    // dispatcher never picks the item itself.
    auto release = std::make_shared<std::atomic<bool>>(false);
    struct Release {
        std::shared_ptr<std::atomic<bool>> flag;
        ~Release() { *flag = true; }
    } release_at_end{release};
    hooks_.on_waiting = [release] { *release = true; };
    auto item = Queue(*task, server.Url("/late.gif"), "Image", mkSkip);
    item->SetState(isDownloading);
    item->Put();
    TSocketJob job;
    job.LocalFile = home_ + "late.gif";
    job.Item = std::move(item);
    job.Task = task;
    TThreadDownload& dispatcher = runner_->Dispatcher();
    job.OnDone = [release, &dispatcher](TThreadSocket& socket) {
        while (!*release) std::this_thread::sleep_for(1ms);
        dispatcher.SocketDone(socket);
    };
    job.URL = "about:late";  // nothing to fetch: the job goes straight to its completion
    auto socket = runner_->Sockets().FirstIdle();
    ASSERT_TRUE(socket);
    ASSERT_TRUE(runner_->Sockets().HandOver(*socket, job));

    runner_->StopTask(task);
    *release = true;  // a stop that went on without the job lets it complete behind the saved queue
    ASSERT_TRUE(RunUntil([&] { return runner_->Sockets().AllIdle(); }));
    EXPECT_TRUE(hooks_.Saw(5500));
    EXPECT_EQ(hooks_.messages.back(), kMsgStopped);
    EXPECT_FALSE(task->QueueDirty());
    auto saved = LoadTask(task->FileName);
    saved->OpenQueue();
    ASSERT_EQ(saved->QueueLineCount(), 4);
    EXPECT_EQ(saved->GetQItem(2)->State, isNone);
    EXPECT_EQ(saved->GetQItem(2)->StatusText, kTransferIncomplete);  // written by the completion
}

}  // namespace
}  // namespace corvane::testing
