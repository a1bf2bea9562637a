#pragma once
// The headless capture driver: a developer and test tool, not a user feature. It makes a task with
// a default profile for one start URL in a per-user home of its own, runs it on the headless main
// loop with the program's pacing (or every pause shortened) and reports progress lines.

#include <iosfwd>
#include <string>
#include <vector>

#include "engine/model/profile.h"
#include "engine/model/task.h"

namespace corvane {

struct CaptureOptions {
    std::string URL;
    std::string Destination;  // capture folder (Personal Intranet) or the archive's folder (zip)
    bool Intranet = true;
    bool Fast = false;     // every pause shortened
    bool MapOnly = false;  // pages only: fetched and parsed, resources not fetched
    std::string Home;      // data root; '' = a new temporary one, removed at the end
    bool Resume = false;   // go on with the task an earlier run left in Home
    TCVRunMethod Method = rmResume;  // how Resume goes on: resume, restart, update or retry the errors
    bool Strict = false;   // any item in error makes the run a failure
    int Depth = -1;
    TCVLocation PageLocation = lcSite;
    TCVLocation ResourceLocation = lcSite;
    int Connections = 0;  // 0 = App's setting
    int TimeoutSeconds = 0;  // 0 = none
    bool Quiet = false;
};

struct CaptureArgs {
    bool Ok = false;
    bool Help = false;
    std::string Error;
    CaptureOptions Options;
};

// Reads the command line (without the program name).
CaptureArgs ParseCaptureArgs(const std::vector<std::string>& args);
std::string CaptureUsage();

// The process's exit codes.
inline constexpr int kExitDone = 0;        // "Task Complete" or "Zipped!"
inline constexpr int kExitStopped = 1;     // stopped before the end (the timeout)
inline constexpr int kExitBadArguments = 2;  // also: nothing to resume, no home folder
inline constexpr int kExitFailures = 3;    // the start page, a write or an add failed; with Strict any item
inline constexpr int kExitLocked = 4;      // another process runs the task

// Runs the capture and returns the exit code. The last line says how it ended and how many items
// ended in error.
int RunCapture(const CaptureOptions& options, std::ostream& out);

}  // namespace corvane
