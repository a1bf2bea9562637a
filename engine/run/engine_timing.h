#pragma once
// Every pause of the engine's worker loops, in one place. The defaults are the program's pacing;
// tests, tools and benchmarks shorten them (Shortened). No user setting changes them. The queue's
// auto-save count is not a pause and stays App's QueueSaveInterval.

#include <chrono>

namespace corvane {

struct EngineTiming {
    using ms = std::chrono::milliseconds;

    // Connection: polls its job in SocketPollSteps sleeps of SocketPollStep.
    int SocketPollSteps = 5;
    ms SocketPollStep{100};
    // Dispatcher: DispatchRounds rounds of two sleeps of DispatchSleep, each followed by a dispatch
    // step; HandOverPause before an item goes to a connection.
    int DispatchRounds = 2;
    ms DispatchSleep{250};
    ms HandOverPause{500};
    // Schedule thread: one tick per ScheduleTick.
    ms ScheduleTick{1000};
    // Parse thread: ParsePauseSteps sleeps of ParsePauseStep after each page.
    int ParsePauseSteps = 5;
    ms ParsePauseStep{100};
    // Zip step of the run control.
    ms ZipTimer{1000};
    // HTTP component: the longest its caller waits between looks at a running action (the
    // action's end wakes the caller at once).
    ms HttpWaitStep{10};

    // Every pause cut to a millisecond or two: the engine then runs as fast as it can.
    static EngineTiming Shortened() {
        EngineTiming t;
        t.SocketPollStep = ms{1};
        t.DispatchSleep = ms{1};
        t.HandOverPause = ms{1};
        t.ScheduleTick = ms{5};
        t.ParsePauseStep = ms{1};
        t.ZipTimer = ms{2};
        t.HttpWaitStep = ms{1};
        return t;
    }
};

}  // namespace corvane
