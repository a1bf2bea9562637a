#pragma once
// How the archive window reads a zip library's result code: go on (0 success, 1 warning) or stop
// (2), and the message box that goes with it.

#include <string>

namespace corvane {

// The verbs the messages are made with.
inline constexpr const char* kZipVerbAdding = "adding";
inline constexpr const char* kZipVerbDeleting = "deleting";
inline constexpr const char* kZipVerbExtracting = "extracting";

struct TZipResult {
    int Outcome = 0;           // 0 success, 1 warning, 2 failure
    std::string Message;       // '' when no box is shown
    bool Information = false;  // an information box; otherwise an error box
};

TZipResult ZipResultOf(int code, const std::string& verb);

}  // namespace corvane
