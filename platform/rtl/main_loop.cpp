#include "platform/rtl/main_loop.h"

#include <atomic>

namespace corvane {
namespace {
std::atomic<MainLoop*> g_current{nullptr};
}

MainLoop* CurrentMainLoop() { return g_current.load(std::memory_order_acquire); }

void SetCurrentMainLoop(MainLoop* loop) { g_current.store(loop, std::memory_order_release); }

void InstallMainLoopIfNone(MainLoop* loop) {
    MainLoop* expected = nullptr;
    g_current.compare_exchange_strong(expected, loop, std::memory_order_acq_rel);
}

void RemoveCurrentMainLoop(MainLoop* loop) {
    MainLoop* expected = loop;
    g_current.compare_exchange_strong(expected, nullptr, std::memory_order_acq_rel);
}

}  // namespace corvane
