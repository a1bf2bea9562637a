// A stop that comes while the parse thread works through a page of a million links.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/run/task_runner.h"
#include "tests/engine/capture_fixture.h"
#include "tests/support/loopback_server.h"

namespace corvane::testing {
namespace {

using test::LoopbackServer;
using test::ScriptedResponse;

class StatusHooks : public TRunControlHooks {
public:
    void StatusMessage(int number, const std::string&) override { messages.push_back(number); }
    std::vector<int> messages;
};

using HostileParseRun = RunnerFixture<StatusHooks>;

TEST_F(HostileParseRun, AStopDuringAMillionLinkPageAddsAtMost512LinksAndEndsStopped) {
    std::string page = "<html>";
    page.reserve(30'000'000);
    for (int i = 0; i < 1'000'000; ++i) page += "<a href=\"p" + std::to_string(i) + ".htm\">x</a>";
    LoopbackServer server;
    server.Serve("/index.htm", ScriptedResponse::Text(page, "text/html"));
    auto task = SiteTask(server.Url("/index.htm"));
    ASSERT_TRUE(runner_->StartTask(task));
    ASSERT_TRUE(RunUntil([&] { return task->QueueLineCount() >= 2000; }, std::chrono::seconds(120)));

    const int at_stop = task->QueueLineCount();
    runner_->StopTask(task);
    ASSERT_TRUE(RunUntil([&] { return task->Status == tsDownloadStopped; }, std::chrono::seconds(60)));
    EXPECT_LE(task->QueueLineCount() - at_stop, 512);
    ASSERT_FALSE(hooks_.messages.empty());
    EXPECT_EQ(hooks_.messages.back(), kMsgStopped);
}

}  // namespace
}  // namespace corvane::testing
