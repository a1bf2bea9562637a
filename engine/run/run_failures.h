#pragma once
// What stops a run on its own: the local disk, the archive or the queue file failing. The run
// control shows the numbered message with the failure as its tail and stops the task; what was not
// done stays queued, so a resume completes the capture.

#include <string>

namespace corvane {

inline constexpr int kMsgFolderWriteFailed = 5520;  // tail: folder (cause)
inline constexpr int kMsgArchiveAddFailed = 5521;   // tail: archive (cause)
inline constexpr int kMsgQueueSaveFailed = 5522;    // tail: the queue's error

// Where a page's downloaded copy is kept while its rewrite is not yet recorded in the queue file: a
// sibling whose name holds ':', which mirror naming never produces.
inline std::string KeptOriginalName(const std::string& saved_file) {
    return saved_file.empty() ? std::string() : saved_file + ":original";
}

}  // namespace corvane
