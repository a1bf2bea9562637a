#include "platform/rtl/thread.h"
#include "platform/rtl/thread_priority.h"

#include "platform/rtl/headless_main_loop.h"
#include "platform/rtl/wait_while_serving.h"

#include "main_loop_contract.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <stdexcept>

namespace corvane::testing {
namespace {

// A thread whose Execute is a lambda given the thread itself.
class LambdaThread : public TThread {
public:
    explicit LambdaThread(std::function<void(LambdaThread&)> body) : TThread("test worker"), body_(std::move(body)) {}
    ~LambdaThread() override {
        Terminate();
        if (!FreeOnTerminate()) WaitFor();
    }
    using TThread::CheckSuspend;
    using TThread::RunGuarded;
    using TThread::Sleep;

protected:
    void Execute() override { body_(*this); }

private:
    std::function<void(LambdaThread&)> body_;
};

// Spins (yielding) until flag is set; the tests use it for hand-offs, not for timing.
void AwaitFlag(const std::atomic<bool>& flag) {
    while (!flag.load()) std::this_thread::yield();
}

TEST(Thread, StartsOnlyWhenResumed) {
    std::atomic<bool> ran{false};
    LambdaThread thread([&](LambdaThread&) { ran = true; });
    EXPECT_TRUE(thread.Suspended());
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_FALSE(ran);
    thread.Resume();
    thread.WaitFor();
    EXPECT_TRUE(ran);
    EXPECT_TRUE(thread.Finished());
}

TEST(Thread, StopAndTerminateCutASleepShort) {
    std::atomic<bool> sleeping{false};
    std::atomic<int> fullSleeps{0};
    bool stoppedSleepReturned = true;
    bool terminatedSleepReturned = true;
    LambdaThread thread([&](LambdaThread& self) {
        sleeping = true;
        stoppedSleepReturned = self.Sleep(std::chrono::minutes(10));
        // While the stop flag stays set every sleep is skipped.
        if (self.Sleep(std::chrono::minutes(10))) ++fullSleeps;
        self.SetStop(false);
        terminatedSleepReturned = self.Sleep(std::chrono::minutes(10));
    });
    thread.Resume();
    AwaitFlag(sleeping);
    thread.SetStop(true);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    thread.Terminate();
    thread.WaitFor();
    EXPECT_FALSE(stoppedSleepReturned);
    EXPECT_FALSE(terminatedSleepReturned);
    EXPECT_EQ(fullSleeps, 0);
}

TEST(Thread, ResumeBeforeTheParkIsNotLost) {
    for (int round = 0; round < 200; ++round) {
        std::atomic<bool> aboutToPark{false};
        std::atomic<bool> resumed{false};
        std::atomic<bool> passed{false};
        LambdaThread thread([&](LambdaThread& self) {
            aboutToPark = true;
            AwaitFlag(resumed);  // the Resume is in before the thread suspends itself
            self.Suspend();
            passed = true;
        });
        thread.Resume();
        AwaitFlag(aboutToPark);
        thread.Resume();
        resumed = true;
        thread.WaitFor();  // would hang if the early Resume were lost
        EXPECT_TRUE(passed);
    }
}

TEST(Thread, ResumesWhileRunningCountOnce) {
    std::atomic<bool> go{false};
    std::atomic<int> passes{0};
    LambdaThread thread([&](LambdaThread& self) {
        AwaitFlag(go);
        self.Suspend();  // returns at once: a resume is pending
        ++passes;
        self.Suspend();  // parks: the second resume did not pile up
        ++passes;
    });
    thread.Resume();
    thread.Resume();
    thread.Resume();
    go = true;
    while (!(thread.Suspended() && passes.load() == 1)) std::this_thread::yield();
    thread.Resume();
    thread.WaitFor();
    EXPECT_EQ(passes, 2);
}

TEST(Thread, ResumedThreadNoLongerCountsAsSuspended) {
    for (int round = 0; round < 50; ++round) {
        std::atomic<bool> woke{false};
        LambdaThread thread([&](LambdaThread& self) {
            self.Suspend();
            woke = true;
        });
        thread.Resume();
        while (!thread.Suspended()) std::this_thread::yield();
        thread.Resume();
        // Whether or not it has woken yet: a wait for its next park must not end on the old one.
        EXPECT_FALSE(thread.Suspended());
        thread.WaitFor();
        EXPECT_TRUE(woke);
    }
}

TEST(Thread, SuspendFromOutsideTakesHoldAtTheNextSleep) {
    std::atomic<bool> go{false};
    std::atomic<int> sleeps{0};
    LambdaThread thread([&](LambdaThread& self) {
        AwaitFlag(go);
        while (self.Sleep(std::chrono::milliseconds(0))) ++sleeps;
    });
    thread.Resume();
    thread.Suspend();
    go = true;
    while (!thread.Suspended()) std::this_thread::yield();
    const int before = sleeps;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(sleeps, before);
    thread.Resume();
    while (sleeps.load() == before) std::this_thread::yield();
}

TEST(Thread, EscapingExceptionIsReportedAndEndsTheThread) {
    CapturedReports reports;
    LambdaThread thread([](LambdaThread&) { throw std::runtime_error("socket table corrupt"); });
    thread.Resume();
    thread.WaitFor();
    EXPECT_TRUE(thread.Finished());
    EXPECT_EQ(thread.FatalError(), "socket table corrupt");
    const auto taken = reports.Take();
    ASSERT_EQ(taken.size(), 1u);
    EXPECT_EQ(taken[0], "test worker: socket table corrupt");
}

TEST(Thread, GuardedIterationsGoOnAfterOneFails) {
    CapturedReports reports;
    std::vector<int> done;
    LambdaThread thread([&](LambdaThread& self) {
        for (int i = 0; i < 3; ++i)
            self.RunGuarded("item", [&] {
                if (i == 1) throw std::runtime_error("bad item");
                done.push_back(i);
            });
    });
    thread.Resume();
    thread.WaitFor();
    EXPECT_EQ(done, (std::vector<int>{0, 2}));
    EXPECT_EQ(thread.FatalError(), "");
    EXPECT_EQ(reports.Take().size(), 1u);
}

TEST(Thread, TerminatedBeforeStartNeverRunsExecute) {
    std::atomic<bool> ran{false};
    LambdaThread thread([&](LambdaThread&) { ran = true; });
    thread.Terminate();
    thread.Resume();
    thread.WaitFor();
    EXPECT_FALSE(ran);
}

TEST(Thread, FreeOnTerminateDeletesItselfAndRefusesWaitFor) {
    std::atomic<bool> destroyed{false};
    std::atomic<bool> release{false};
    struct SelfFreeing : TThread {
        std::atomic<bool>& destroyed;
        std::atomic<bool>& release;
        SelfFreeing(std::atomic<bool>& d, std::atomic<bool>& r) : destroyed(d), release(r) {}
        ~SelfFreeing() override { destroyed = true; }
        void Execute() override { AwaitFlag(release); }
    };
    auto* thread = new SelfFreeing(destroyed, release);
    thread->SetFreeOnTerminate(true);
    thread->Resume();
    EXPECT_THROW(thread->WaitFor(), std::logic_error);
    release = true;  // from here on the thread may be gone
    AwaitFlag(destroyed);
}

TEST(Thread, SynchronizeRunsOnTheMainLoop) {
    HeadlessMainLoop loop;
    bool onMain = false;
    LambdaThread thread([&](LambdaThread& self) { self.Synchronize([&] { onMain = loop.IsMainThread(); }); });
    thread.Resume();
    thread.WaitFor();  // on the main thread: serves the call while waiting
    EXPECT_TRUE(onMain);
}

TEST(Thread, SynchronizeWithoutAMainLoopIsAnError) {
    ASSERT_EQ(CurrentMainLoop(), nullptr);
    std::string error;
    LambdaThread thread([&](LambdaThread& self) {
        try {
            self.Synchronize([] {});
        } catch (const std::logic_error& e) {
            error = e.what();
        }
    });
    thread.Resume();
    thread.WaitFor();
    EXPECT_FALSE(error.empty());
}

TEST(Thread, PumpingWaitWithTimeoutGivesUp) {
    HeadlessMainLoop loop;
    EXPECT_FALSE(WaitWhileServingFor([] { return false; }, std::chrono::milliseconds(15)));
    EXPECT_TRUE(WaitWhileServingFor([] { return true; }, std::chrono::milliseconds(15)));
}

// A thread that lowers its priority stays lowered through its sleeps; the thread that started it keeps its own.
TEST(WindowFaultsThread, LowerPriorityLowersOnlyTheCallingThreadForGood) {
    const int main_nice = ::getpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid)));
    int before = 0, after = 0, later = 0;
    bool lowered = false;
    LambdaThread worker([&](LambdaThread& self) {
        const auto tid = static_cast<id_t>(::syscall(SYS_gettid));
        before = ::getpriority(PRIO_PROCESS, tid);
        lowered = LowerThreadPriority();
        after = ::getpriority(PRIO_PROCESS, tid);
        self.Sleep(1);
        later = ::getpriority(PRIO_PROCESS, tid);
    });
    worker.Resume();
    worker.WaitFor();
    ASSERT_TRUE(lowered);
    EXPECT_EQ(before, main_nice);
    EXPECT_EQ(after, before + 1);
    EXPECT_EQ(later, after);
    EXPECT_EQ(::getpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid))), main_nice);
}

}  // namespace
}  // namespace corvane::testing
