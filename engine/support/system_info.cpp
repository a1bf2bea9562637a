#include "engine/support/system_info.h"

#include <limits>
#include <mutex>

namespace corvane {
namespace {

std::mutex& HookLock() {
    static std::mutex lock;
    return lock;
}

ScreenDepthHook& Hook() {
    static ScreenDepthHook hook;
    return hook;
}

}  // namespace

void SetScreenDepthHook(ScreenDepthHook hook) {
    std::lock_guard<std::mutex> guard(HookLock());
    Hook() = std::move(hook);
}

std::uint64_t ScreenColorCount() {
    ScreenDepthHook hook;
    {
        std::lock_guard<std::mutex> guard(HookLock());
        hook = Hook();
    }
    // The hook is called outside the lock: it may reach into the GUI.
    int bits = hook ? hook() : 1;
    if (bits < 0) bits = 0;
    if (bits >= 64) return std::numeric_limits<std::uint64_t>::max();
    return std::uint64_t{1} << bits;
}

}  // namespace corvane
