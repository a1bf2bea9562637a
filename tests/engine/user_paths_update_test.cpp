// SmartUpdate of a captured site: the validators of the copies on disk go with each request, an
// unchanged answer keeps the copy and counts it as saved, a changed one replaces it.

#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <map>

#include "engine/model/task.h"
#include "engine/queue/queue_item.h"
#include "engine/run/run_control_hooks.h"
#include "tests/engine/capture_fixture.h"
#include "tests/support/loopback_server.h"

namespace corvane::testing {
namespace {

using test::LoopbackServer;
using test::ScriptedResponse;

class UserPathsUpdate : public RunnerFixture<TRunControlHooks> {
protected:
    // Every item's URL with its local file, after a run.
    std::map<std::string, std::unique_ptr<TCVQItem>> Items(TCVTask& task) {
        std::map<std::string, std::unique_ptr<TCVQItem>> items;
        for (int i = 0; i + 1 < task.QueueLineCount(); i += 2) {
            auto item = task.GetQItem(i);
            item->GetLocalFileName();
            items[item->URL] = std::move(item);
        }
        return items;
    }
};

TEST_F(UserPathsUpdate, UnchangedFilesAnswerNotModifiedAndStayWhileAChangedOneIsReplaced) {
    LoopbackServer server;
    server.AnswerValidators();
    server.Serve("/index.htm", ScriptedResponse::Text("<html><a href=\"a.htm\">a</a><img src=\"x.gif\"></html>", "text/html"));
    server.Serve("/a.htm", ScriptedResponse::Text("<html><img src=\"y.gif\">page a</html>", "text/html"));
    server.Serve("/x.gif", ScriptedResponse::Text("GIF89a-x", "image/gif"));
    server.Serve("/y.gif", ScriptedResponse::Text("GIF89a-y", "image/gif"));
    auto task = SiteTask(server.Url("/index.htm"));
    ASSERT_TRUE(runner_->StartTask(task));
    ASSERT_TRUE(RunUntil([&] { return task->Status == tsTaskComplete; }));
    ASSERT_EQ(server.RequestCount(), 4u);

    std::map<std::string, std::string> first;
    for (auto& [url, item] : Items(*task)) first[url] = ReadBytes(item->LocalFile);
    // The ETag rides after the eleven fields; what an eleven-field reader sees is unchanged.
    {
        auto item = std::move(Items(*task)[server.Url("/x.gif")]);
        ASSERT_FALSE(item->ETag.empty());
        const std::string record = item->EncodeRecord();
        item->ETag.clear();
        EXPECT_EQ(record.substr(0, item->EncodeRecord().size()), item->EncodeRecord());
    }

    server.Serve("/y.gif", ScriptedResponse::Text("GIF89a-y, changed", "image/gif"));
    server.ClearRequests();
    const std::size_t bytes_before = server.BodyBytesSent();
    auto again = LoadTask(task->FileName);
    again->RunMethod = rmSmartUpdate;
    ASSERT_TRUE(runner_->StartTask(again));
    ASSERT_TRUE(RunUntil([&] { return again->Status == tsTaskComplete; }));

    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 4u);
    for (const auto& request : requests) {
        EXPECT_FALSE(request.Header("If-None-Match").empty()) << request.target;
        EXPECT_EQ(request.Header("If-Modified-Since"), "Sat, 01 Jan 2022 00:00:00 GMT") << request.target;
    }
    // Only the changed file's body crossed the wire.
    EXPECT_EQ(server.BodyBytesSent() - bytes_before, std::string("GIF89a-y, changed").size());

    auto items = Items(*again);
    for (const char* path : {"/index.htm", "/a.htm", "/x.gif"}) {
        const auto& item = items.at(server.Url(path));
        EXPECT_EQ(ReadBytes(item->LocalFile), first[server.Url(path)]) << path;
        EXPECT_EQ(item->StatusText, "304 Not Modified") << path;
        EXPECT_GT(item->Size, 0) << path;
    }
    EXPECT_EQ(ReadBytes(items.at(server.Url("/y.gif"))->LocalFile), "GIF89a-y, changed");
    EXPECT_EQ(items.at(server.Url("/index.htm"))->StateText(), "Parsed");
    EXPECT_EQ(items.at(server.Url("/x.gif"))->StateText(), "Saved");
    const auto counters = again->Counters();
    EXPECT_EQ(counters.PagesSaved, 2);
    EXPECT_EQ(counters.ResourcesSaved, 2);
    EXPECT_EQ(counters.PageErrors + counters.ResourceErrors, 0);
}

TEST_F(UserPathsUpdate, ArchiveIdentityAnUnchangedAnswerForACopyGoneMeanwhileFetchesItWhole) {
    LoopbackServer server;
    server.AnswerValidators();
    server.Serve("/index.htm", ScriptedResponse::Text("<html><img src=\"x.gif\"></html>", "text/html"));
    server.Serve("/x.gif", ScriptedResponse::Text("GIF89a-x", "image/gif"));
    auto task = SiteTask(server.Url("/index.htm"));
    ASSERT_TRUE(runner_->StartTask(task));
    ASSERT_TRUE(RunUntil([&] { return task->Status == tsTaskComplete; }));
    const std::string local = Items(*task).at(server.Url("/x.gif"))->LocalFile;
    ASSERT_EQ(ReadBytes(local), "GIF89a-x");

    // The copy goes while its request is under way: the "304" keeps nothing, so it is fetched again.
    std::atomic<int> asked{0};
    server.Handle("/x.gif", [&](const test::ReceivedRequest&) {
        if (asked++ == 0) ::unlink(local.c_str());
        return ScriptedResponse::Text("GIF89a-x", "image/gif");
    });
    server.ClearRequests();
    auto again = LoadTask(task->FileName);
    again->RunMethod = rmSmartUpdate;
    ASSERT_TRUE(runner_->StartTask(again));
    ASSERT_TRUE(RunUntil([&] { return again->Status == tsTaskComplete; }));
    std::vector<std::string> validated;
    for (const auto& request : server.Requests())
        if (request.Path() == "/x.gif") validated.push_back(request.Header("If-None-Match").empty() ? "whole" : "304");
    EXPECT_EQ(validated, (std::vector<std::string>{"304", "whole"}));
    EXPECT_EQ(ReadBytes(local), "GIF89a-x");
    EXPECT_EQ(Items(*again).at(server.Url("/x.gif"))->StateText(), "Saved");
    EXPECT_EQ(again->Counters().ResourcesSaved, 1);
}

}  // namespace
}  // namespace corvane::testing
