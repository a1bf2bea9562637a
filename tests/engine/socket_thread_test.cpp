// Connections and the hand-over, against the loopback server.

#include <gtest/gtest.h>

#include <filesystem>

#include "engine/run/download_thread.h"
#include "engine/model/settings.h"
#include "engine/run/socket_list.h"
#include "engine/run/socket_thread.h"
#include "tests/engine/capture_fixture.h"
#include "tests/support/loopback_server.h"

namespace corvane::testing {
namespace {

using test::LoopbackServer;
using test::ScriptedResponse;

class SocketJob : public CaptureFixture {
protected:
    void SetUp() override {
        CaptureFixture::SetUp();
        sockets_ = std::make_unique<TSocketList>(timing_);
        dispatcher_ = std::make_unique<TThreadDownload>(*sockets_, timing_);
        sockets_->SetSocketCount(1);
    }
    void TearDown() override {
        dispatcher_.reset();
        sockets_.reset();
        CaptureFixture::TearDown();
    }

    // Hands one queued URL to the connection and waits until it is idle again; returns the item as
    // it was written back.
    std::unique_ptr<TCVQItem> Fetch(const std::shared_ptr<TCVTask>& task, const std::string& url,
                                    const std::string& type = "HTML", TThreadSocket** used = nullptr) {
        dispatcher_->SetTask(task);
        auto item = Queue(*task, url, type);
        const int index = task->QueueLineCount() - 2;
        auto socket = sockets_->FirstIdle();
        EXPECT_TRUE(socket);
        if (!socket) return nullptr;
        if (used) *used = socket.get();
        EXPECT_TRUE(dispatcher_->StartOnSocket(task, *socket, std::move(item)));
        EXPECT_TRUE(RunUntil([&] { return !socket->Busy(); }));
        return task->GetQItem(index);
    }

    std::unique_ptr<TSocketList> sockets_;
    std::unique_ptr<TThreadDownload> dispatcher_;
};

TEST_F(SocketJob, CompleteTransferSavesTheItemAndItsFile) {
    LoopbackServer server;
    server.Serve("/a/page.htm", ScriptedResponse::Text("<html>hello</html>", "text/html")
                                    .Header("Last-Modified", "Tue, 01 Dec 2026 10:00:00 GMT"));
    auto task = MakeTask(server.Url("/a/page.htm"));
    auto item = Fetch(task, server.Url("/a/page.htm"));
    ASSERT_TRUE(item);
    EXPECT_EQ(item->State, isSaved);
    EXPECT_EQ(item->StatusText, "200 OK");
    EXPECT_EQ(item->Size, 18);
    EXPECT_EQ(item->LastModified, " Tue, 01 Dec 2026 10:00:00 GMT");  // leading blank kept
    EXPECT_EQ(ReadBytes(item->GetLocalFileName()), "<html>hello</html>");
    EXPECT_EQ(task->Counters().PagesSaved, 1);
    EXPECT_EQ(task->Counters().TotalBytes, 18);
    EXPECT_EQ(task->ZipQueueCount(), 0);
}

TEST_F(SocketJob, WithoutContentLengthTheSizeIsTheReceivedCount) {
    LoopbackServer server;
    ScriptedResponse response = ScriptedResponse::Text(std::string(5000, 'x'), "image/gif");
    response.content_length = false;
    server.Serve("/img.gif", response);
    auto task = MakeTask(server.Url("/"));
    auto item = Fetch(task, server.Url("/img.gif"), "Image");
    ASSERT_TRUE(item);
    EXPECT_EQ(item->State, isSaved);
    EXPECT_EQ(item->Size, 5000);
    EXPECT_EQ(task->Counters().ResourcesSaved, 1);
}

TEST_F(SocketJob, NotFoundIsAnErrorWithTheStatusFromTheCode) {
    LoopbackServer server;
    server.Serve("/missing.htm", ScriptedResponse::Status(404, "no such page"));
    auto task = MakeTask(server.Url("/"));

    // The connection's own fields as its completion sees them.
    auto socket = sockets_->FirstIdle();
    ASSERT_TRUE(socket);
    TSocketJob job;
    job.URL = server.Url("/missing.htm");
    job.LocalFile = home_ + "site/missing.htm";
    std::atomic<bool> done{false};
    TSocketSnapshot seen;
    job.OnDone = [&](TThreadSocket& s) {
        seen = s.Snapshot();
        s.Reset();
        done = true;
    };
    ASSERT_TRUE(socket->StartJob(job));
    ASSERT_TRUE(RunUntil([&] { return done.load(); }));
    EXPECT_EQ(seen.StatusText, "Error");
    EXPECT_EQ(seen.StatusCode, "404 Not Found");

    auto item = Fetch(task, server.Url("/missing.htm"));
    EXPECT_EQ(item->State, isError);
    EXPECT_EQ(item->StatusText, "404 Not Found");
    EXPECT_EQ(task->Counters().PageErrors, 1);
    EXPECT_FALSE(std::filesystem::exists(item->GetLocalFileName()));
}

TEST_F(SocketJob, AnonymousAgentSendsNoUserAgent) {
    LoopbackServer server;
    server.Serve("/p.htm", ScriptedResponse::Text("x", "text/html"));
    App->SetUserAgent("Anonymous");
    auto task = MakeTask(server.Url("/p.htm"));
    Fetch(task, server.Url("/p.htm"));
    ASSERT_EQ(server.RequestCount(), 1u);
    EXPECT_FALSE(server.LastRequest().HasHeader("User-Agent"));

    App->SetUserAgent("Corvane");
    Fetch(task, server.Url("/q.htm"));
    EXPECT_EQ(server.LastRequest().Header("User-Agent"), ProductUserAgent());
}

TEST_F(SocketJob, SiteLoginGoesToTheStartHostOnly) {
    LoopbackServer site;
    LoopbackServer other;
    site.RequireBasicAuth("/private.htm", "ann", "secret", ScriptedResponse::Text("ok", "text/html"));
    other.Serve("/x.htm", ScriptedResponse::Text("x", "text/html"));
    auto task = MakeTask(site.Url("/"));
    task->UserName = "ann";
    task->Password = "secret";
    auto item = Fetch(task, site.Url("/private.htm"));
    EXPECT_EQ(item->State, isSaved);
    Fetch(task, other.Url("/x.htm"));
    ASSERT_EQ(other.RequestCount(), 1u);
    EXPECT_FALSE(other.LastRequest().HasHeader("Authorization"));
}

TEST_F(SocketJob, UnfetchableItemsBecomeErrorsAndFreeTheConnection) {
    auto task = MakeTask("http://127.0.0.1:1/");
    // Neither http nor https: an error at once, no status text.
    auto item = Fetch(task, "ftp://127.0.0.1/file.zip", "Archive");
    ASSERT_TRUE(item);
    EXPECT_EQ(item->State, isError);
    EXPECT_EQ(item->StatusText, "");
    EXPECT_EQ(task->Counters().ResourceErrors, 1);
    // A URL without a host fails to split.
    EXPECT_EQ(Fetch(task, "http:///nohost.htm")->State, isError);
    // No safe local name (the folder is not absolute): an error, and nothing is fetched or written.
    LoopbackServer server;
    auto relative = MakeTask(server.Url("/"), true, "relative");
    relative->Destination = "relative-folder/";
    const auto unsafe = Fetch(relative, server.Url("/page.htm"));
    EXPECT_EQ(unsafe->State, isError);
    EXPECT_EQ(unsafe->StatusText, kNoSafeLocalName);
    EXPECT_EQ(server.RequestCount(), 0u);
    EXPECT_FALSE(std::filesystem::exists("relative-folder"));
    EXPECT_EQ(task->Counters().ResourceErrors + task->Counters().PageErrors, 2);
    // The connection serves the next job.
    server.Serve("/ok.htm", ScriptedResponse::Text("ok", "text/html"));
    EXPECT_EQ(Fetch(task, server.Url("/ok.htm"))->State, isSaved);
}

// A page a.html and a link to a.html/b.html: the folder a.html/ cannot be made where the page's file
// stands. The item ended Error with an empty status text; the reason went to the log only.
TEST_F(SocketJob, UserFaultsAFolderThatCannotBeMadeSaysWhyOnItsItem) {
    LoopbackServer server;
    server.Serve("/a.html", ScriptedResponse::Text("<a href=a.html/b.html>b</a>", "text/html"));
    server.Serve("/a.html/b.html", ScriptedResponse::Text("b", "text/html"));
    auto task = MakeTask(server.Url("/a.html"));
    ASSERT_EQ(Fetch(task, server.Url("/a.html"))->State, isSaved);
    const auto below = Fetch(task, server.Url("/a.html/b.html"));
    ASSERT_TRUE(below);
    EXPECT_EQ(below->State, isError);
    EXPECT_NE(below->StatusText.find("not a folder"), std::string::npos) << below->StatusText;
    EXPECT_EQ(server.RequestCount(), 1u) << "nothing is fetched that has no place to go";
    EXPECT_EQ(task->Counters().PageErrors, 1);
}

TEST_F(SocketJob, StoppedTransfersAreNeverSavedAndKeepTheEarlierCopy) {
    LoopbackServer server;
    ScriptedResponse slow = ScriptedResponse::Text(std::string(4000, 'n'), "text/html");
    slow.trickle_bytes = 100;
    slow.trickle_pause = std::chrono::milliseconds(20);
    server.Serve("/slow.htm", slow);
    auto task = MakeTask(server.Url("/"));
    dispatcher_->SetTask(task);
    auto first = Queue(*task, server.Url("/slow.htm"));
    const std::string local = first->GetLocalFileName();
    WriteBytes(local, "old copy");
    std::unique_ptr<TCVQItem> item = std::move(first);
    for (int round = 0; round < 50; ++round) {
        auto socket = sockets_->FirstIdle();
        ASSERT_TRUE(socket);
        ASSERT_TRUE(dispatcher_->StartOnSocket(task, *socket, std::move(item)));
        // Stop at a different moment each time: before the request, while headers or body arrive.
        loop_->RunUntil([] { return false; }, std::chrono::milliseconds(round % 7 * 3));
        socket->Stop();
        ASSERT_TRUE(RunUntil([&] { return !socket->Busy(); }));
        item = task->GetQItem(0);
        ASSERT_EQ(item->State, isNone) << "round " << round;
        EXPECT_EQ(item->StatusText, kTransferIncomplete);
        EXPECT_EQ(ReadBytes(local), "old copy") << "round " << round;
    }
    EXPECT_EQ(task->Counters().PagesSaved, 0);
    // The retry after an incomplete transfer asks the cache to resynchronise.
    auto socket = sockets_->FirstIdle();
    ASSERT_TRUE(dispatcher_->StartOnSocket(task, *socket, std::move(item)));
    EXPECT_TRUE(socket->Snapshot().UseCache);
    socket->Stop();
    ASSERT_TRUE(RunUntil([&] { return !socket->Busy(); }));
}

TEST_F(SocketJob, NoHandOverAfterAStop) {
    LoopbackServer server;
    auto task = MakeTask(server.Url("/"));
    dispatcher_->SetTask(task);
    auto item = Queue(*task, server.Url("/a.htm"));
    dispatcher_->SetStop(true);
    auto socket = sockets_->FirstIdle();
    EXPECT_FALSE(dispatcher_->StartOnSocket(task, *socket, std::move(item)));
    EXPECT_FALSE(socket->Busy());
    EXPECT_EQ(task->GetQItem(0)->State, isNone);
    // Nor for a task that is no longer the dispatcher's.
    dispatcher_->SetStop(false);
    auto other = MakeTask(server.Url("/"), true, "other");
    EXPECT_FALSE(dispatcher_->StartOnSocket(other, *socket, Queue(*other, server.Url("/b.htm"))));
    EXPECT_EQ(server.RequestCount(), 0u);
}

TEST_F(SocketJob, ZipModeResourcesJoinTheToZipListAndPagesDoNot) {
    LoopbackServer server;
    server.Serve("/p.htm", ScriptedResponse::Text("<html></html>", "text/html"));
    server.Serve("/i.gif", ScriptedResponse::Text("GIF89a", "image/gif"));
    auto task = MakeTask(server.Url("/"), false);
    EXPECT_EQ(Fetch(task, server.Url("/i.gif"), "Image")->State, isSaved);
    EXPECT_EQ(Fetch(task, server.Url("/p.htm"))->State, isSaved);
    ASSERT_EQ(task->ZipQueueCount(), 1);
    EXPECT_EQ(ReadBytes(task->ZipQueueFiles()[0]), "GIF89a");
}

TEST_F(SocketJob, PoolShrinksByIdleConnectionsAndFinishesAsTheyEnd) {
    LoopbackServer server;
    ScriptedResponse stalled;
    stalled.stall_after_headers = true;
    server.Serve("/stall.htm", stalled);
    auto task = MakeTask(server.Url("/"));
    dispatcher_->SetTask(task);
    sockets_->SetSocketCount(5);
    ASSERT_EQ(sockets_->Count(), 5);
    const auto all = sockets_->Sockets();
    // Busy: the 1st, 2nd, 4th and 5th.
    for (int i : {0, 1, 3, 4})
        ASSERT_TRUE(dispatcher_->StartOnSocket(task, *all[i], Queue(*task, server.Url("/stall.htm?n=" + std::to_string(i)))));
    sockets_->SetSocketCount(2);
    EXPECT_EQ(sockets_->Count(), 4);
    EXPECT_FALSE(sockets_->Contains(all[2].get()));
    for (int i : {0, 1, 3, 4}) all[i]->Stop();
    ASSERT_TRUE(RunUntil([&] { return sockets_->AllIdle(); }));
    sockets_->SetSocketCount(2);
    EXPECT_EQ(sockets_->Count(), 2);
    EXPECT_TRUE(sockets_->Contains(all[0].get()));
    EXPECT_TRUE(sockets_->Contains(all[1].get()));
    // A released connection is not given a job any more.
    EXPECT_FALSE(dispatcher_->StartOnSocket(task, *all[4], Queue(*task, server.Url("/late.htm"))));
}

}  // namespace
}  // namespace corvane::testing

namespace corvane::testing {
namespace {

TEST_F(SocketJob, ARunningJobKeepsItsTaskAlive) {
    test::LoopbackServer server;
    test::ScriptedResponse slow = test::ScriptedResponse::Text(std::string(300, 'x'), "text/html");
    slow.trickle_bytes = 50;
    slow.trickle_pause = std::chrono::milliseconds(10);
    server.Serve("/slow.htm", slow);
    auto task = MakeTask(server.Url("/"));
    std::weak_ptr<TCVTask> watch = task;
    dispatcher_->SetTask(task);
    auto socket = sockets_->FirstIdle();
    ASSERT_TRUE(dispatcher_->StartOnSocket(task, *socket, Queue(*task, server.Url("/slow.htm"))));
    // Everyone else lets go while the transfer runs: the job still holds the task.
    dispatcher_->SetTask(nullptr);
    task.reset();
    EXPECT_FALSE(watch.expired());
    // Released once the completion is over.
    EXPECT_TRUE(RunUntil([&] { return !socket->Busy() && watch.expired(); }));
}

}  // namespace
}  // namespace corvane::testing
