// How a caller waits for a kit action: the action's end wakes it, whatever the wait step.

#include "platform/rtl/headless_main_loop.h"
#include "transfer/inet_kit_error.h"
#include "transfer/tick_wininet.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>

namespace corvane {
namespace {

using namespace std::chrono_literals;

// An action that runs until the test lets it end, then returns the code it was given.
class GatedAction : public TickWinInet {
public:
    std::promise<void> started;
    std::shared_future<void> release;
    std::function<void()> inside;  // run on the worker before the action ends
    int code = 0;

protected:
    int DoAction(int action) override {
        if (action == 0) return 0;
        started.set_value();
        release.wait();
        if (inside) inside();
        return code;
    }
};

// With a step far longer than the guard, a caller off the main thread still returns as soon as the
// action ends (a poll at the step would sit the whole step out), and the action's code still
// reaches it as an error.
TEST(EngineCostWait, ACallerOffTheMainThreadWakesAtTheActionsEnd) {
    for (const int code : {0, 12002}) {
        GatedAction kit;
        kit.SetWaitStep(60s);
        EXPECT_EQ(kit.WaitStep(), 60s);
        std::promise<void> gate;
        kit.release = gate.get_future().share();
        kit.code = code;
        auto started = kit.started.get_future();
        auto caller = std::async(std::launch::async, [&] {
            try {
                kit.Execute(1);
                return 0;
            } catch (const EInetKitError& e) {
                return e.Code();
            }
        });
        started.wait();
        EXPECT_TRUE(kit.Busy());
        gate.set_value();
        ASSERT_EQ(caller.wait_for(20s), std::future_status::ready) << "the wait did not end with the action";
        EXPECT_EQ(caller.get(), code);
        EXPECT_FALSE(kit.Busy());
    }
}

// On the main thread the wait serves the loop, so the action's blocking call onto it runs.
TEST(EngineCostWait, TheMainThreadServesItsLoopWhileItWaits) {
    HeadlessMainLoop loop;
    GatedAction kit;
    kit.SetWaitStep(60s);
    std::promise<void> gate;
    gate.set_value();
    kit.release = gate.get_future().share();
    bool served = false;
    kit.inside = [&] { loop.InvokeBlocking([&] { served = true; }); };
    kit.Execute(1);
    EXPECT_TRUE(served);
}

}  // namespace
}  // namespace corvane
