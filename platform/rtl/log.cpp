#include "platform/rtl/log.h"

#include <cstdio>
#include <mutex>

namespace corvane {

namespace {

std::mutex& SinkMutex() {
    static std::mutex mutex;
    return mutex;
}

LogSink& Sink() {
    static LogSink sink;
    return sink;
}

}  // namespace

LogSink SetLogSink(LogSink sink) {
    std::lock_guard lock(SinkMutex());
    LogSink previous = std::move(Sink());
    Sink() = std::move(sink);
    return previous;
}

void LogWarning(const std::string& message) {
    LogSink sink;
    {
        std::lock_guard lock(SinkMutex());
        sink = Sink();
    }
    if (sink) {
        sink(message);
        return;
    }
    std::fprintf(stderr, "corvane: warning: %s\n", message.c_str());
}

}  // namespace corvane
