#pragma once
// Waiting on the main thread for a worker. The worker may itself be blocked in a call onto the main
// thread (Synchronize), so the wait keeps serving queued main-thread calls in short slices; a plain
// join would leave the two threads waiting for each other.

#include <chrono>
#include <functional>

namespace corvane {

class MainLoop;
class TThread;

inline constexpr std::chrono::milliseconds kServeSlice{10};

// Waits until done() holds. On the main thread of `loop` it serves queued calls meanwhile, checking
// done() at least every slice (at most 10 ms); on any other thread it only polls done().
void WaitWhileServing(MainLoop& loop, const std::function<bool()>& done,
                      std::chrono::milliseconds slice = kServeSlice);
// The same on the current main loop (plain polling when there is none).
void WaitWhileServing(const std::function<bool()>& done, std::chrono::milliseconds slice = kServeSlice);
// As above, giving up after timeout; returns done().
bool WaitWhileServingFor(MainLoop& loop, const std::function<bool()>& done, std::chrono::milliseconds timeout,
                         std::chrono::milliseconds slice = kServeSlice);
bool WaitWhileServingFor(const std::function<bool()>& done, std::chrono::milliseconds timeout,
                         std::chrono::milliseconds slice = kServeSlice);
// Waits for the thread to end and joins it (TThread::WaitFor).
void WaitWhileServing(TThread& thread);

}  // namespace corvane
