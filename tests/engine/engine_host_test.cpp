#include "engine/run/engine_host.h"

#include "platform/rtl/headless_main_loop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace corvane {
namespace {

// Records the hooks it gets and whether each came on the main thread.
class RecordingHost : public EngineHost {
public:
    explicit RecordingHost(MainLoop& loop) : loop_(loop) {}
    void UpdateSockets() override { Note("sockets"); }
    void ShowStatus(const std::string& text, int position, int maximum) override {
        Note("status " + text + " " + std::to_string(position) + "/" + std::to_string(maximum));
    }
    void StartDueTask(std::shared_ptr<TCVTask> task) override { Note(task ? "start task" : "start none"); }

    std::vector<std::string> calls;
    bool offMain = false;

private:
    void Note(std::string call) {
        if (!loop_.IsMainThread()) offMain = true;
        calls.push_back(std::move(call));
    }
    MainLoop& loop_;
};

class EngineHostTest : public ::testing::Test {
protected:
    void TearDown() override { SetEngineHost(nullptr); }
};

TEST_F(EngineHostTest, WorkerCallsArePostedInOrderAndNeverWait) {
    HeadlessMainLoop loop;
    RecordingHost host(loop);
    SetEngineHost(&host);
    // The worker ends while the main thread serves nothing, so none of its calls waited.
    std::thread([] {
        PostToHost([](EngineHost& h) { h.ShowStatus("Connecting", 0, 0); });
        PostToHost([](EngineHost& h) { h.UpdateSockets(); });
        PostToHost([](EngineHost& h) { h.StartDueTask(nullptr); });
    }).join();
    EXPECT_TRUE(host.calls.empty());
    loop.ProcessPending();
    EXPECT_EQ(host.calls, (std::vector<std::string>{"status Connecting 0/0", "sockets", "start none"}));
    EXPECT_FALSE(host.offMain);
    PostToHost([](EngineHost& h) { h.ShowStatus("Done", 1, 1); });  // on the main thread: at once
    EXPECT_EQ(host.calls.back(), "status Done 1/1");
}

struct CountingHost : EngineHost {
    std::atomic<int> stats{0};
    void UpdateStats() override { ++stats; }
};

TEST_F(EngineHostTest, WithoutALoopCallsAreDroppedAndWithoutAHostNoneArrives) {
    CountingHost host;
    SetEngineHost(&host);
    PostToHost([](EngineHost& h) { h.UpdateStats(); });  // no main loop: dropped, never run here
    EXPECT_EQ(host.stats, 0);

    HeadlessMainLoop loop;
    const auto post_from_worker = [&loop] {
        std::thread([] { PostToHost([](EngineHost& h) { h.UpdateStats(); }); }).join();
        loop.ProcessPending();
    };
    post_from_worker();
    EXPECT_EQ(host.stats, 1);
    SetEngineHost(nullptr);
    EXPECT_NE(&Host(), &host);
    post_from_worker();  // served by the do-nothing host
    EXPECT_EQ(host.stats, 1);
}

}  // namespace
}  // namespace corvane
