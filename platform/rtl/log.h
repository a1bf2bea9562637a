#pragma once
// A small warning log for conditions the program survives but somebody should hear about (a stale
// registry value, a skipped line of an imported file). The default writes to standard error.

#include <functional>
#include <string>

namespace corvane {

using LogSink = std::function<void(const std::string& message)>;

// Installs a sink (an empty one restores the default) and returns the previous one.
LogSink SetLogSink(LogSink sink);

// Thread-safe; the sink runs on the calling thread with no lock held.
void LogWarning(const std::string& message);

}  // namespace corvane
