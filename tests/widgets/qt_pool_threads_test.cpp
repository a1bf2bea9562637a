#include <gtest/gtest.h>

#include <QThreadPool>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "tests/support/gui_app.h"
#include "tests/support/qt_pool_threads.h"

namespace corvane {
namespace {

// Holds each worker on its way out until the test lets it go: the state in which the application's
// destructor leaves the raster engine's workers at exit.
struct LeavingGate {
    std::mutex lock;
    std::condition_variable opened;
    bool open = false;
};
LeavingGate gate;

struct HeldOnLeaving {
    ~HeldOnLeaving() {
        std::unique_lock guard(gate.lock);
        gate.opened.wait(guard, [] { return gate.open; });
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
};

TEST(QtPoolThreads, ExitWaitsForWorkersStillLeavingAfterTheirPoolStopped) {
    testing::GuiApp();
    const int before = testing::QtPoolThreadCount();
    auto* pool = new QThreadPool;
    pool->setMaxThreadCount(2);
    for (int i = 0; i < 2; ++i)
        pool->start([] {
            thread_local HeldOnLeaving held;
            (void)held;
        });
    pool->waitForDone();
    delete pool;
    ASSERT_GT(testing::QtPoolThreadCount(), before) << "the stopped pool's workers are still leaving";

    {
        std::lock_guard guard(gate.lock);
        gate.open = true;
    }
    gate.opened.notify_all();
    testing::WaitForQtPoolThreadsToEnd();
    EXPECT_EQ(testing::QtPoolThreadCount(), before);
}

}  // namespace
}  // namespace corvane
