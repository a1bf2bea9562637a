#include "platform/rtl/error_report.h"

#include <cstdio>
#include <exception>
#include <mutex>

namespace corvane {
namespace {

std::mutex& HookMutex() {
    static std::mutex m;
    return m;
}

ErrorReportHook& Hook() {
    static ErrorReportHook hook;
    return hook;
}

}  // namespace

ErrorReportHook SetErrorReportHook(ErrorReportHook hook) {
    std::lock_guard lock(HookMutex());
    ErrorReportHook old = std::move(Hook());
    Hook() = std::move(hook);
    return old;
}

void ReportError(const std::string& source, const std::string& message) {
    ErrorReportHook hook;
    {
        std::lock_guard lock(HookMutex());
        hook = Hook();
    }
    if (hook) {
        try {
            hook(source, message);
            return;
        } catch (...) {
            // A failing reporter must not take the reporting thread down; fall back to stderr.
        }
    }
    std::fprintf(stderr, "Corvane: %s: %s\n", source.c_str(), message.c_str());
}

std::string CurrentExceptionText() {
    try {
        throw;
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "unknown exception";
    }
}

}  // namespace corvane
