#include "platform/rtl/write_fault.h"

#include <atomic>
#include <mutex>

namespace corvane {
namespace {

std::atomic<bool> g_armed{false};
std::mutex g_lock;
std::string g_prefix;
int g_error = 0;

}  // namespace

void SetWriteFault(const std::string& path_prefix, int error) {
    std::lock_guard guard(g_lock);
    g_prefix = path_prefix;
    g_error = path_prefix.empty() ? 0 : error;
    g_armed = g_error != 0;
}

int WriteFaultFor(const std::string& path) {
    if (!g_armed.load(std::memory_order_relaxed)) return 0;
    std::lock_guard guard(g_lock);
    return g_error != 0 && path.rfind(g_prefix, 0) == 0 ? g_error : 0;
}

}  // namespace corvane
