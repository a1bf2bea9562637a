// The threaded timer against a headless main loop: which thread fires, when it must not fire, and
// destruction while a fire waits on the main thread.

#include "widgets/timer/timer_ex.h"

#include "platform/rtl/headless_main_loop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace corvane {
namespace {

using namespace std::chrono_literals;

constexpr auto kGuard = 5s;  // a bound on waiting, never a timing under test

TEST(TimerEx, NeverFiresWithoutIntervalHandlerOrEnabled) {
    HeadlessMainLoop loop;
    for (const bool threaded : {true, false}) {
        std::atomic<int> fires{0};
        TTimerEx timer(&loop);
        timer.SetThreaded(threaded);
        timer.SetInterval(0);
        timer.SetOnTimer([&] { ++fires; });
        EXPECT_FALSE(timer.HasLoopTimer());
        loop.RunUntil([] { return false; }, 60ms);

        TTimerEx noHandler(&loop);
        noHandler.SetThreaded(threaded);
        noHandler.SetInterval(1);
        EXPECT_FALSE(noHandler.HasThread() || noHandler.HasLoopTimer());

        timer.SetEnabled(false);
        timer.SetInterval(1);
        loop.RunUntil([] { return false; }, 60ms);
        EXPECT_EQ(fires.load(), 0) << "threaded " << threaded;

        // The same timer fires once all three allow it.
        timer.SetEnabled(true);
        EXPECT_TRUE(loop.RunUntil([&] { return fires.load() >= 3; }, kGuard)) << "threaded " << threaded;
        EXPECT_EQ(timer.HasThread(), threaded);
        EXPECT_EQ(timer.HasLoopTimer(), !threaded);
    }
}

TEST(TimerEx, FiresOnTheMainThreadUnlessThreadSafe) {
    HeadlessMainLoop loop;
    const auto mainId = std::this_thread::get_id();
    std::atomic<int> onMain{0}, offMain{0};
    auto handler = [&] { (std::this_thread::get_id() == mainId ? onMain : offMain)++; };

    TTimerEx timer(&loop);
    timer.SetInterval(2);
    timer.SetOnTimer(handler);
    ASSERT_TRUE(loop.RunUntil([&] { return onMain.load() >= 3; }, kGuard));
    EXPECT_EQ(offMain.load(), 0);

    timer.SetThreadSafe(true);
    // Nobody serves the loop now: only fires on the timer's own thread can arrive.
    const auto deadline = std::chrono::steady_clock::now() + kGuard;
    while (offMain.load() < 3 && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(1ms);
    EXPECT_GE(offMain.load(), 3);

    // Switching to a main-loop timer frees the thread and fires on the main thread again.
    timer.SetThreadSafe(false);
    timer.SetThreaded(false);
    EXPECT_FALSE(timer.HasThread());
    const int before = onMain.load();
    EXPECT_TRUE(loop.RunUntil([&] { return onMain.load() >= before + 3; }, kGuard));
}

TEST(TimerEx, HandlerMayChangeItsOwnTimer) {
    HeadlessMainLoop loop;
    for (const bool threaded : {true, false}) {
        int fires = 0;
        TTimerEx timer(&loop);
        timer.SetThreaded(threaded);
        timer.SetInterval(1);
        timer.SetOnTimer([&] {
            ++fires;
            timer.SetInterval(static_cast<unsigned>(fires + 1));  // as the GIF control does on each tick
            if (fires == 4) timer.SetEnabled(false);
        });
        EXPECT_TRUE(loop.RunUntil([&] { return fires >= 4; }, kGuard));
        loop.RunUntil([] { return false; }, 40ms);
        EXPECT_EQ(fires, 4) << "threaded " << threaded;
    }
}

TEST(TimerEx, DestroyedWhileAFireWaitsOnTheMainThread) {
    HeadlessMainLoop loop;
    std::atomic<int> fires{0};
    for (int round = 0; round < 20; ++round) {
        auto timer = std::make_unique<TTimerEx>(&loop);
        timer->SetInterval(1);
        timer->SetOnTimer([&] { ++fires; });
        // Not serving the loop: the thread's fire is queued and blocked in the call onto it.
        std::this_thread::sleep_for(5ms);
        const int before = fires.load();
        timer.reset();  // serves the queued fire while joining; it must not reach the handler
        EXPECT_EQ(fires.load(), before);
        loop.ProcessPending();
        EXPECT_EQ(fires.load(), before);
    }
    // And after fires did arrive.
    auto timer = std::make_unique<TTimerEx>(&loop);
    timer->SetInterval(1);
    timer->SetOnTimer([&] { ++fires; });
    const int before = fires.load();
    ASSERT_TRUE(loop.RunUntil([&] { return fires.load() > before; }, kGuard));
    timer.reset();
}

TEST(TimerEx, DestructionWaitsForAThreadSafeHandler) {
    HeadlessMainLoop loop;
    std::atomic<int> fires{0};
    for (int round = 0; round < 20; ++round) {
        TTimerEx timer(&loop);
        timer.SetThreadSafe(true);
        timer.SetInterval(1);
        timer.SetOnTimer([&] {
            ++fires;
            std::this_thread::sleep_for(1ms);  // the destructor must wait for a handler in progress
        });
        std::this_thread::sleep_for(3ms);
    }
    SUCCEED();
}

}  // namespace
}  // namespace corvane
