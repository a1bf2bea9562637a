#include "engine/run/engine_host.h"

#include <atomic>

#include "platform/rtl/main_loop.h"

namespace corvane {
namespace {

EngineHost& DefaultHost() {
    static EngineHost host;
    return host;
}

std::atomic<EngineHost*> installed{nullptr};

}  // namespace

EngineHost& Host() {
    EngineHost* host = installed.load(std::memory_order_acquire);
    return host != nullptr ? *host : DefaultHost();
}

void SetEngineHost(EngineHost* host) { installed.store(host, std::memory_order_release); }

void PostToHost(std::function<void(EngineHost&)> fn) {
    MainLoop* loop = CurrentMainLoop();
    if (loop == nullptr) return;
    if (loop->IsMainThread()) {
        fn(Host());
        return;
    }
    loop->Post([fn = std::move(fn)] { fn(Host()); });
}

}  // namespace corvane
