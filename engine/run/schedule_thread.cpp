#include "engine/run/schedule_thread.h"

namespace corvane {

TThreadSchedule::TThreadSchedule(const EngineTiming& timing, std::function<void()> tick)
    : TThread("schedule"), timing_(timing), tick_(std::move(tick)) {}

TThreadSchedule::~TThreadSchedule() {
    Terminate();
    WaitFor();
}

void TThreadSchedule::Execute() {
    while (!Terminated()) {
        RunGuarded("schedule tick", [this] { Synchronize(tick_); });
        Sleep(timing_.ScheduleTick);
    }
}

}  // namespace corvane
