#pragma once
// The pauses of the shell's windows; tests shorten them.

#include <chrono>

namespace corvane::shell {

struct ShellTiming {
    // A file operation shorter than this never shows its progress window.
    std::chrono::milliseconds ProgressDelay{500};
};

}  // namespace corvane::shell
