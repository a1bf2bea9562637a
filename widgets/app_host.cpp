#include "widgets/app_host.h"

namespace corvane {
namespace {

AppHost* installed = nullptr;  // main thread only

}  // namespace

AppHost& AppHostInstance() {
    static AppHost fallback;
    return installed != nullptr ? *installed : fallback;
}

void SetAppHost(AppHost* host) { installed = host; }

}  // namespace corvane
