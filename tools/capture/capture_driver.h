#pragma once
// The headless capture driver: a developer and test tool, not a user feature. It makes a task with
// a default profile for one start URL in a per-user home of its own, runs it on the headless main
// loop with the program's pacing (or every pause shortened) and reports progress lines.

#include <iosfwd>
#include <string>
#include <vector>

#include "engine/profile.h"

namespace corvane {

struct CaptureOptions {
    std::string URL;
    std::string Destination;  // capture folder (Personal Intranet) or the archive's folder (zip)
    bool Intranet = true;
    bool Fast = false;     // every pause shortened
    bool MapOnly = false;  // pages only: fetched and parsed, resources not fetched
    std::string Home;      // data root; '' = a new temporary one, removed at the end
    bool Resume = false;   // go on with the task an earlier run left in Home
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

// Runs the capture; returns the process's exit code: 0 when the task reaches "Task Complete" (or
// "Zipped!"), 1 when it ends otherwise or times out, 2 when it cannot start, 3 when it finished but
// saved nothing (the start page failed).
int RunCapture(const CaptureOptions& options, std::ostream& out);

}  // namespace corvane
