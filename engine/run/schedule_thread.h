#pragma once
// The schedule thread: runs its tick on the main thread (a blocking call), then sleeps a second.

#include <functional>

#include "engine/run/engine_timing.h"
#include "platform/rtl/thread.h"

namespace corvane {

class TThreadSchedule : public TThread {
public:
    TThreadSchedule(const EngineTiming& timing, std::function<void()> tick);
    ~TThreadSchedule() override;

protected:
    void Execute() override;

private:
    const EngineTiming timing_;
    std::function<void()> tick_;
};

}  // namespace corvane
