#pragma once
// Where failures that have no caller to return to go: an exception that ends a worker thread, or one
// thrown by a call posted to the main thread. The program installs a hook that logs and shows them;
// the default writes to standard error.

#include <functional>
#include <string>

namespace corvane {

using ErrorReportHook = std::function<void(const std::string& source, const std::string& message)>;

// Installs the hook (an empty one restores the default) and returns the previous hook.
ErrorReportHook SetErrorReportHook(ErrorReportHook hook);

// Thread-safe. The hook runs on the reporting thread, with no lock held.
void ReportError(const std::string& source, const std::string& message);

// The text of the exception being handled, for use inside a catch block.
std::string CurrentExceptionText();

}  // namespace corvane
