#pragma once
// The contract every MainLoop keeps, as one typed suite. An executable instantiates it for its loop:
//   INSTANTIATE_TYPED_TEST_SUITE_P(HeadlessMainLoop, MainLoopContract, HeadlessFactory);
// where the factory has `static std::unique_ptr<QueuedMainLoop> Make()`, called on the main thread.

#include "platform/rtl/main_loop.h"
#include "platform/rtl/queued_main_loop.h"
#include "platform/rtl/thread.h"
#include "platform/rtl/wait_while_serving.h"
#include "tests/platform/captured_reports.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace corvane::testing {

template <class Factory>
class MainLoopContract : public ::testing::Test {
protected:
    void SetUp() override { loop_ = Factory::Make(); }
    void TearDown() override { loop_.reset(); }

    // Pumps the loop until done() holds. The limit only keeps a broken loop from hanging the run.
    bool PumpUntil(const std::function<bool()>& done) {
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!done()) {
            if (std::chrono::steady_clock::now() > limit) return false;
            loop_->ProcessPending();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    }

    std::unique_ptr<QueuedMainLoop> loop_;
};

TYPED_TEST_SUITE_P(MainLoopContract);

TYPED_TEST_P(MainLoopContract, KnowsItsMainThread) {
    MainLoop& loop = *this->loop_;
    EXPECT_TRUE(loop.IsMainThread());
    bool onWorker = true;
    std::thread([&] { onWorker = loop.IsMainThread(); }).join();
    EXPECT_FALSE(onWorker);
    EXPECT_EQ(CurrentMainLoop(), &loop);
}

TYPED_TEST_P(MainLoopContract, PostedCallsRunInOrderOnTheMainThread) {
    MainLoop& loop = *this->loop_;
    std::vector<int> order;  // touched only on the main thread
    std::atomic<bool> offMain{false};
    std::thread worker([&] {
        for (int i = 0; i < 500; ++i)
            loop.Post([&, i] {
                if (!loop.IsMainThread()) offMain = true;
                order.push_back(i);
            });
    });
    worker.join();
    ASSERT_TRUE(this->PumpUntil([&] { return order.size() == 500; }));
    EXPECT_FALSE(offMain);
    for (int i = 0; i < 500; ++i) ASSERT_EQ(order[static_cast<std::size_t>(i)], i);
}

TYPED_TEST_P(MainLoopContract, BlockingCallRunsOnMainThreadAfterEarlierPosts) {
    MainLoop& loop = *this->loop_;
    std::vector<std::string> order;
    std::atomic<bool> returned{false};
    bool ranOnMain = false;
    std::thread worker([&] {
        loop.Post([&] { order.push_back("posted"); });
        loop.InvokeBlocking([&] {
            ranOnMain = loop.IsMainThread();
            order.push_back("blocking");
        });
        returned = true;
    });
    ASSERT_TRUE(this->PumpUntil([&] { return returned.load(); }));
    worker.join();
    EXPECT_TRUE(ranOnMain);
    EXPECT_EQ(order, (std::vector<std::string>{"posted", "blocking"}));
}

TYPED_TEST_P(MainLoopContract, BlockingCallOnMainThreadRunsInline) {
    MainLoop& loop = *this->loop_;
    bool ran = false;
    loop.InvokeBlocking([&] { ran = true; });
    EXPECT_TRUE(ran);
}

TYPED_TEST_P(MainLoopContract, BlockingCallHandsItsExceptionToTheCaller) {
    MainLoop& loop = *this->loop_;
    std::string caught;
    std::atomic<bool> done{false};
    std::thread worker([&] {
        try {
            loop.InvokeBlocking([] { throw std::runtime_error("disk full"); });
        } catch (const std::runtime_error& e) {
            caught = e.what();
        }
        done = true;
    });
    ASSERT_TRUE(this->PumpUntil([&] { return done.load(); }));
    worker.join();
    EXPECT_EQ(caught, "disk full");
}

TYPED_TEST_P(MainLoopContract, PostedExceptionIsReportedAndLaterCallsStillRun) {
    CapturedReports reports;
    MainLoop& loop = *this->loop_;
    bool later = false;
    loop.Post([] { throw std::runtime_error("bad page"); });
    loop.Post([&] { later = true; });
    ASSERT_TRUE(this->PumpUntil([&] { return later; }));
    const auto taken = reports.Take();
    ASSERT_EQ(taken.size(), 1u);
    EXPECT_NE(taken[0].find("bad page"), std::string::npos);
}

TYPED_TEST_P(MainLoopContract, TimersFireAndStopFromTheirOwnCallback) {
    MainLoop& loop = *this->loop_;
    int single = 0;
    int repeating = 0;
    bool stoppedFired = false;
    loop.SingleShot(std::chrono::milliseconds(1), [&] { ++single; });
    MainLoop::TimerId rep = 0;
    rep = loop.Repeating(std::chrono::milliseconds(1), [&] {
        if (++repeating == 3) loop.StopTimer(rep);
    });
    const auto stopped = loop.SingleShot(std::chrono::milliseconds(1), [&] { stoppedFired = true; });
    loop.StopTimer(stopped);
    ASSERT_TRUE(this->PumpUntil([&] { return single == 1 && repeating == 3; }));
    // Give a wrongly surviving timer the chance to fire again.
    bool marker = false;
    loop.SingleShot(std::chrono::milliseconds(20), [&] { marker = true; });
    ASSERT_TRUE(this->PumpUntil([&] { return marker; }));
    EXPECT_EQ(single, 1);
    EXPECT_EQ(repeating, 3);
    EXPECT_FALSE(stoppedFired);
}

TYPED_TEST_P(MainLoopContract, TimersAreMainThreadOnly) {
    MainLoop& loop = *this->loop_;
    bool threw = false;
    std::thread([&] {
        try {
            loop.SingleShot(std::chrono::milliseconds(1), [] {});
        } catch (const std::logic_error&) {
            threw = true;
        }
    }).join();
    EXPECT_TRUE(threw);
}

// The main thread joins a worker that is blocked in Synchronize; a plain join would deadlock.
TYPED_TEST_P(MainLoopContract, JoinWhileWorkerSynchronizesDoesNotDeadlock) {
    struct Worker : TThread {
        int calls = 0;
        void Execute() override {
            Synchronize([this] { ++calls; });
            Synchronize([this] { ++calls; });
        }
    };
    for (int round = 0; round < 1000; ++round) {
        Worker worker;
        worker.SetMainLoop(this->loop_.get());
        worker.Resume();
        WaitWhileServing(worker);
        ASSERT_EQ(worker.calls, 2) << "round " << round;
    }
}

TYPED_TEST_P(MainLoopContract, PumpingWaitServesBlockingCallsUntilDone) {
    MainLoop& loop = *this->loop_;
    std::atomic<bool> done{false};
    int served = 0;
    std::thread worker([&] {
        for (int i = 0; i < 20; ++i) loop.InvokeBlocking([&] { ++served; });
        done = true;
    });
    WaitWhileServing(loop, [&] { return done.load(); });
    worker.join();
    EXPECT_EQ(served, 20);
}

TYPED_TEST_P(MainLoopContract, ShutDownReleasesABlockedCaller) {
    QueuedMainLoop& loop = *this->loop_;
    bool closed = false;
    bool ran = false;
    std::thread worker([&] {
        try {
            loop.InvokeBlocking([&] { ran = true; });
        } catch (const MainLoopClosed&) {
            closed = true;
        }
    });
    // Whether the call is already queued or comes after the close, the caller must be let go.
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    loop.Close();
    worker.join();
    EXPECT_TRUE(closed);
    EXPECT_FALSE(ran);
    bool posted = false;
    loop.Post([&] { posted = true; });
    loop.ProcessPending();
    EXPECT_FALSE(posted);
}

REGISTER_TYPED_TEST_SUITE_P(MainLoopContract, KnowsItsMainThread, PostedCallsRunInOrderOnTheMainThread,
                            BlockingCallRunsOnMainThreadAfterEarlierPosts, BlockingCallOnMainThreadRunsInline,
                            BlockingCallHandsItsExceptionToTheCaller,
                            PostedExceptionIsReportedAndLaterCallsStillRun,
                            TimersFireAndStopFromTheirOwnCallback, TimersAreMainThreadOnly,
                            JoinWhileWorkerSynchronizesDoesNotDeadlock, PumpingWaitServesBlockingCallsUntilDone,
                            ShutDownReleasesABlockedCaller);

}  // namespace corvane::testing
