#include "engine/run/engine_timing.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

using std::chrono::milliseconds;

TEST(EngineTiming, ShortenedKeepsTheLoopsShapeButNoRealPause) {
    const EngineTiming d;
    const EngineTiming s = EngineTiming::Shortened();
    EXPECT_EQ(s.SocketPollSteps, d.SocketPollSteps);
    EXPECT_EQ(s.DispatchRounds, d.DispatchRounds);
    EXPECT_EQ(s.ParsePauseSteps, d.ParsePauseSteps);
    for (auto pause : {s.SocketPollStep, s.DispatchSleep, s.HandOverPause, s.ScheduleTick, s.ParsePauseStep,
                       s.ZipTimer, s.HttpWaitStep}) {
        EXPECT_GT(pause.count(), 0);  // zero would turn a loop into a busy spin
        EXPECT_LE(pause, milliseconds(10));
    }
}

}  // namespace
}  // namespace corvane
