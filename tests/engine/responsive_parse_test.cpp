// A page of hundreds of thousands of script strings, captured through the loopback server: the
// parse thread judges and queues every link without waiting on the main thread.

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "engine/run/engine_host.h"
#include "engine/run/parse_worker.h"
#include "engine/run/task_runner.h"
#include "tests/engine/capture_fixture.h"
#include "tests/support/loopback_server.h"

namespace corvane::testing {
namespace {

using test::LoopbackServer;
using test::ScriptedResponse;

// The status line as the window gets it, with the parse thread's count of blocking calls at each text.
class StatusRecorder : public EngineHost {
public:
    explicit StatusRecorder(const TThread& parser) : parser_(parser) {}
    void ShowStatus(const std::string& text, int, int) override {
        texts.push_back(text);
        blocking_calls.push_back(parser_.BlockingCallCount());
    }
    // The first text that starts with prefix, -1 when none does.
    int First(const std::string& prefix) const {
        for (std::size_t i = 0; i < texts.size(); ++i)
            if (texts[i].rfind(prefix, 0) == 0) return static_cast<int>(i);
        return -1;
    }
    std::vector<std::string> texts;
    std::vector<std::uint64_t> blocking_calls;

private:
    const TThread& parser_;
};

using ResponsiveParse = RunnerFixture<TRunControlHooks>;

TEST_F(ResponsiveParse, APageOfManyScriptStringsQueuesEveryLinkWithoutWaitingOnTheMainThread) {
    constexpr int kStrings = 400'000, kScripts = 16;
    std::string page = "<html><script>\n";
    page.reserve(kStrings * 12);
    for (int i = 0; i < kStrings; ++i) page += "\"a/b" + std::to_string(i % kScripts) + ".js\",";
    page += "\n</script></html>";
    LoopbackServer server;
    server.Serve("/index.htm", ScriptedResponse::Text(page, "text/html"));
    server.SetFallback([](const test::ReceivedRequest&) { return ScriptedResponse::Text("var x;", "text/javascript"); });

    StatusRecorder statuses(runner_->Parser());
    SetEngineHost(&statuses);
    struct Uninstall {
        ~Uninstall() { SetEngineHost(nullptr); }
    } uninstall;

    auto task = SiteTask(server.Url("/index.htm"));
    task->Profile.AggressiveParser = 1;
    task->Profile.ResourceLocation = lcSite;
    task->Save();
    ASSERT_TRUE(runner_->StartTask(task));
    ASSERT_TRUE(RunUntil([&] { return task->Status == tsTaskComplete; }, std::chrono::seconds(120)));

    // Every distinct string is queued once, after the page, as the scan found them.
    ASSERT_EQ(task->QueueLineCount(), 2 * (1 + kScripts));
    std::set<std::string> urls;
    for (int i = 1; i <= kScripts; ++i) urls.insert(task->GetQItem(2 * i)->URL);
    std::set<std::string> expected;
    for (int i = 0; i < kScripts; ++i) expected.insert(server.Url("/a/b" + std::to_string(i) + ".js"));
    EXPECT_EQ(urls, expected);

    // The count is shown a few times at most, and its last value always.
    const int loading = statuses.First("Loading Page: ");
    const int saving = statuses.First("Saving Changes: ");
    ASSERT_GE(loading, 0);
    ASSERT_GT(saving, loading);
    ASSERT_GT(saving - loading, 1);
    EXPECT_EQ(statuses.texts[static_cast<std::size_t>(saving - 1)], "");
    EXPECT_EQ(statuses.texts[static_cast<std::size_t>(saving - 2)],
              "Parsing... Links: " + std::to_string(kStrings) + "  New Links: " + std::to_string(kScripts));

    // Between loading and saving the page the parse thread waits on the main thread once: for the
    // save itself. A call per link would be 800,000.
    const std::uint64_t calls = statuses.blocking_calls[static_cast<std::size_t>(saving)] -
                                statuses.blocking_calls[static_cast<std::size_t>(loading)];
    EXPECT_LE(calls, 1u);
}

}  // namespace
}  // namespace corvane::testing
