#include "platform/rtl/wait_while_serving.h"

#include "platform/rtl/main_loop.h"
#include "platform/rtl/thread.h"

#include <algorithm>
#include <thread>

namespace corvane {
namespace {

bool Wait(MainLoop* loop, const std::function<bool()>& done, std::chrono::milliseconds slice,
          std::chrono::steady_clock::time_point deadline) {
    slice = std::clamp(slice, std::chrono::milliseconds(1), kServeSlice);
    const bool serve = loop != nullptr && loop->IsMainThread();
    for (;;) {
        if (done()) return true;
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline) return false;
        const auto step = std::min<std::chrono::steady_clock::duration>(slice, deadline - now);
        // Rounded up: a step cut to 0 ms would return at once, over and over, until the deadline.
        const auto stepMs = std::chrono::ceil<std::chrono::milliseconds>(step);
        if (serve) loop->ServeQueued(stepMs);
        else std::this_thread::sleep_for(step);
    }
}

}  // namespace

void WaitWhileServing(MainLoop& loop, const std::function<bool()>& done, std::chrono::milliseconds slice) {
    Wait(&loop, done, slice, std::chrono::steady_clock::time_point::max());
}

void WaitWhileServing(const std::function<bool()>& done, std::chrono::milliseconds slice) {
    Wait(CurrentMainLoop(), done, slice, std::chrono::steady_clock::time_point::max());
}

bool WaitWhileServingFor(MainLoop& loop, const std::function<bool()>& done, std::chrono::milliseconds timeout,
                         std::chrono::milliseconds slice) {
    return Wait(&loop, done, slice, std::chrono::steady_clock::now() + timeout);
}

bool WaitWhileServingFor(const std::function<bool()>& done, std::chrono::milliseconds timeout,
                         std::chrono::milliseconds slice) {
    return Wait(CurrentMainLoop(), done, slice, std::chrono::steady_clock::now() + timeout);
}

void WaitWhileServing(TThread& thread) { thread.WaitFor(); }

}  // namespace corvane
