#include "platform/rtl/headless_main_loop.h"

#include "main_loop_contract.h"

namespace corvane::testing {
namespace {

struct HeadlessFactory {
    static std::unique_ptr<QueuedMainLoop> Make() { return std::make_unique<HeadlessMainLoop>(); }
};

INSTANTIATE_TYPED_TEST_SUITE_P(HeadlessMainLoop, MainLoopContract, HeadlessFactory);

TEST(HeadlessMainLoop, RunEndsOnQuitFromAnotherThread) {
    HeadlessMainLoop loop;
    int ticks = 0;
    loop.Repeating(std::chrono::milliseconds(1), [&] { ++ticks; });
    bool served_on_main = false;
    std::thread worker([&] {
        // Only returns once Run serves the queue, on the thread that runs it.
        loop.InvokeBlocking([&] { served_on_main = loop.IsMainThread(); });
        loop.Quit();
    });
    loop.Run();  // returning at all is the point: a lost Quit would hang here
    worker.join();
    EXPECT_TRUE(served_on_main);
}

TEST(HeadlessMainLoop, RunUntilServesCallsAndTimers) {
    HeadlessMainLoop loop;
    bool fired = false;
    bool posted = false;
    loop.SingleShot(std::chrono::milliseconds(2), [&] { fired = true; });
    std::thread worker([&] { loop.Post([&] { posted = true; }); });
    EXPECT_TRUE(loop.RunUntil([&] { return fired && posted; }, std::chrono::seconds(20)));
    worker.join();
}

TEST(HeadlessMainLoop, DrivingItOffTheMainThreadIsRefused) {
    HeadlessMainLoop loop;
    bool threw = false;
    std::thread([&] {
        try {
            loop.ProcessPending();
        } catch (const std::logic_error&) {
            threw = true;
        }
    }).join();
    EXPECT_TRUE(threw);
}

}  // namespace
}  // namespace corvane::testing
