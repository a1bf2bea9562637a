#include "engine/run/engine_timing.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

using std::chrono::milliseconds;

// The loops' pacing as the program runs it; a wrong default would change how fast every capture goes.
TEST(EngineTiming, DefaultsAreTheProgramsPauses) {
    const EngineTiming t;
    EXPECT_EQ(t.SocketPollSteps * t.SocketPollStep, milliseconds(500));
    EXPECT_EQ(t.DispatchRounds * 2 * t.DispatchSleep, milliseconds(1000));
    EXPECT_EQ(t.HandOverPause, milliseconds(500));
    EXPECT_EQ(t.ScheduleTick, milliseconds(1000));
    EXPECT_EQ(t.ParsePauseSteps * t.ParsePauseStep, milliseconds(500));
    EXPECT_EQ(t.ZipTimer, milliseconds(1000));
    EXPECT_EQ(t.HttpWaitStep, milliseconds(10));
}

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
