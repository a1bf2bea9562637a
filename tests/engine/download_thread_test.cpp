// The dispatcher's picks, statistics, auto-save and the end of a task.

#include <gtest/gtest.h>

#include <filesystem>

#include "engine/run/download_thread.h"
#include "engine/model/settings.h"
#include "engine/run/socket_list.h"
#include "tests/engine/capture_fixture.h"
#include "tests/support/loopback_server.h"

namespace corvane::testing {
namespace {

using test::LoopbackServer;
using test::ScriptedResponse;

class DispatchThread : public CaptureFixture {
protected:
    void SetUp() override {
        CaptureFixture::SetUp();
        sockets_ = std::make_unique<TSocketList>(timing_);
        dispatcher_ = std::make_unique<TThreadDownload>(*sockets_, timing_);
    }
    void TearDown() override {
        dispatcher_.reset();
        sockets_.reset();
        CaptureFixture::TearDown();
    }

    // The types of the items picked, each taken out of the running as the hand-over would.
    std::string Picks(TCVTask& task, int priority) {
        std::string order;
        while (auto item = TThreadDownload::PickNextItem(task, priority)) {
            order += item->IsPage() ? 'P' : 'R';
            item->SetState(isDownloading);
            item->Put();
        }
        return order;
    }

    std::shared_ptr<TCVTask> MixedTask() {
        auto task = MakeTask("http://127.0.0.1:1/");
        for (int i = 0; i < 3; ++i) {
            Queue(*task, "http://127.0.0.1:1/p" + std::to_string(i) + ".htm");
            Queue(*task, "http://127.0.0.1:1/i" + std::to_string(i) + ".gif", "Image");
        }
        return task;
    }

    std::unique_ptr<TSocketList> sockets_;
    std::unique_ptr<TThreadDownload> dispatcher_;
};

TEST_F(DispatchThread, PicksBalancePagesAgainstResourcesByPriority) {
    EXPECT_EQ(Picks(*MixedTask(), 5), "PRPRPR");
    EXPECT_EQ(Picks(*MixedTask(), 0), "PPPRRR");
    EXPECT_EQ(Picks(*MixedTask(), 10), "PRRRPP");
    // A map-marked resource is never picked; an update-marked one is.
    auto task = MakeTask("http://127.0.0.1:1/");
    Queue(*task, "http://127.0.0.1:1/map.gif", "Image", mkMap);
    Queue(*task, "http://127.0.0.1:1/upd.gif", "Image", mkUpdate);
    auto item = TThreadDownload::PickNextItem(*task, 5);
    ASSERT_TRUE(item);
    EXPECT_EQ(item->URL, "http://127.0.0.1:1/upd.gif");
    EXPECT_EQ(task->ResourcesPicked.load(), 1);
}

TEST_F(DispatchThread, ChartGetsOnePointPerElapsedSecond) {
    auto task = MixedTask();
    task->Restart();  // makes the chart
    const TDateTime start = 46000.0;
    task->StartTime = start;
    dispatcher_->SetTask(task);
    TDateTime now = start;
    dispatcher_->Clock = [&] { return now; };
    // Two updates in each of ten seconds.
    for (int half = 2; half < 22; ++half) {
        now = start + half * 0.5 / 86400;
        dispatcher_->UpdateStats();
    }
    EXPECT_NEAR(task->Elapsed * 86400, 10.5, 1e-3);
    const auto chart = task->Chart();
    std::lock_guard guard(chart->Lock);
    for (const auto& series : chart->Series) ASSERT_EQ(series.size(), 10u);
    EXPECT_EQ(chart->Series[1].back().X, 10);
    EXPECT_EQ(chart->Series[2].back().Y, App->Connections.load());
}

TEST_F(DispatchThread, QueueIsSavedAtTheEleventhDirtyCycle) {
    auto task = MixedTask();
    dispatcher_->SetTask(task);
    const std::string file = task->GetQueueFileName();
    for (int cycle = 1; cycle <= 10; ++cycle) {
        dispatcher_->AutoSaveQueue();
        task->FlushQueueWrites();
        ASSERT_FALSE(std::filesystem::exists(file)) << "cycle " << cycle;
    }
    dispatcher_->AutoSaveQueue();
    task->FlushQueueWrites();  // the eleventh cycle hands the snapshot to the queue's writer thread
    EXPECT_TRUE(std::filesystem::exists(file));
    EXPECT_FALSE(task->QueueDirty());
}

TEST_F(DispatchThread, FinishedTaskBecomesDownloadCompleteAndTheThreadParks) {
    LoopbackServer server;
    for (int i = 0; i < 6; ++i)
        server.Serve("/r" + std::to_string(i) + ".gif", ScriptedResponse::Text("GIF89a", "image/gif"));
    auto task = MakeTask(server.Url("/"));
    for (int i = 0; i < 6; ++i) Queue(*task, server.Url("/r" + std::to_string(i) + ".gif"), "Image");
    task->Status = tsDownloading;
    dispatcher_->SetMainLoop(loop_.get());
    dispatcher_->SetTask(task);
    dispatcher_->Resume();
    ASSERT_TRUE(RunUntil([&] { return task->Status == tsDownloadComplete && dispatcher_->Suspended(); }));
    EXPECT_EQ(task->Counters().ResourcesSaved, 6);
    EXPECT_EQ(server.RequestCount(), 6u);
    EXPECT_TRUE(std::filesystem::exists(task->GetQueueFileName()));
    EXPECT_FALSE(task->QueueDirty());
    dispatcher_->Terminate();
    dispatcher_->WaitFor();
}

}  // namespace
}  // namespace corvane::testing
