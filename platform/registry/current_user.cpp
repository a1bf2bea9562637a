#include "platform/registry/current_user.h"

#include <mutex>

#include "platform/rtl/paths.h"

namespace corvane {

namespace {

std::mutex g_mutex;
std::shared_ptr<RegistryStore> g_store;

}  // namespace

std::shared_ptr<RegistryStore> CurrentUserRegistry() {
    {
        std::lock_guard lock(g_mutex);
        if (g_store) return g_store;
    }
    // Opened outside the lock: loading may log, and the log sink is other code.
    auto opened = std::make_shared<RegistryStore>(DataRoot() + "registry.reg");
    std::lock_guard lock(g_mutex);
    if (!g_store) g_store = std::move(opened);
    return g_store;
}

std::shared_ptr<RegistryStore> SetCurrentUserRegistry(std::shared_ptr<RegistryStore> store) {
    std::lock_guard lock(g_mutex);
    std::shared_ptr<RegistryStore> previous = std::move(g_store);
    g_store = std::move(store);
    return previous;
}

}  // namespace corvane
