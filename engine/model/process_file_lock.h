#pragma once
// A lock file held once per process: every caller in the process shares the one hold, so a process
// never refuses itself, and the flock goes when the last holder lets go (or the process dies).

#include <memory>
#include <string>

#include "platform/rtl/file_lock.h"

namespace corvane {

// The hold on path; nullptr while another process holds it, or when the lock file cannot be opened,
// which error (when given) then names with its cause.
std::shared_ptr<TFileLock> HoldProcessLock(const std::string& path, std::string* error = nullptr);
// True while some caller in this process holds path.
bool ProcessHoldsLock(const std::string& path);

}  // namespace corvane
