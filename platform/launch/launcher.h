#pragma once
// "Open this" for the whole program: a web address in the user's browser, a folder in the file
// manager, a captured file in the application the desktop picks for it. The rules of what may be
// opened live here and nowhere else:
//   - http:// and https:// addresses with a host;
//   - existing folders;
//   - existing regular files that lie inside a registered capture folder (after "..", "." and
//     links are resolved), that no one may execute and that are not ".desktop" launchers.
// Everything else (other schemes, javascript:, relative paths, downloaded programs, scripts, links
// that lead out of the capture folders) is refused and logged. A captured site is hostile input:
// a page name like "setup.desktop" must never run.
//
// This layer knows no Qt. The program installs the backend that really opens (over the desktop's
// URL handler); tests install a recorder. Without a backend nothing is opened.

#include <map>
#include <string>
#include <vector>

namespace corvane {

// What the policy passes to the backend.
struct LaunchTarget {
    enum class Kind { WebAddress, Folder, File };
    Kind kind = Kind::WebAddress;
    // The web address as given, or the resolved absolute local path.
    std::string location;
};

class LaunchBackend {
public:
    virtual ~LaunchBackend() = default;
    // True when the desktop took the request.
    virtual bool Open(const LaunchTarget& target) = 0;
};

// The installed backend (none until SetLaunchBackend). The caller keeps ownership.
void SetLaunchBackend(LaunchBackend* backend);

// Capture folders, under a key the program chooses ("intranet", "temp", "task:" + task file).
// Setting a key again replaces its folder; an empty folder removes the key. Thread-safe.
void SetCaptureFolder(const std::string& key, const std::string& folder);
void ClearCaptureFolders();
std::map<std::string, std::string> CaptureFolders();

// Whether the absolute path, with its links, "." and ".." resolved, names an existing entry strictly
// inside a registered capture folder. The one rule for captured files, also used by the browser to
// admit local pages.
bool InCaptureFolder(const std::string& path);

// The policy alone: the target the backend would get, or the reason for the refusal.
struct LaunchDecision {
    bool allowed = false;
    LaunchTarget target;
    std::string reason;  // why it was refused
};
LaunchDecision CheckLaunch(const std::string& what);

// Checks, logs a refusal, hands an allowed target to the backend. True when the backend opened it.
// `what` is a web address, a file:// URL or an absolute local path.
bool LaunchItem(const std::string& what);

}  // namespace corvane
