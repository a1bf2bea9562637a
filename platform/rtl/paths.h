#pragma once
// Where the program keeps its files. Folder results end in "/".

#include <string>

namespace corvane {

// The per-user data root: $CORVANE_HOME when set, else $XDG_DATA_HOME/corvane, else
// ~/.local/share/corvane. It holds "registry.reg", "Tasks/", "Profiles/" and "Downloads/".
// The folder is not created here.
std::string DataRoot();

// Makes a relative $CORVANE_HOME absolute (against the working folder, which the program never
// changes), so every path made from it names the same place. Called once at start, before threads.
void MakeDataRootAbsolute();

// Read-only resources (skins, language files, FTypes.reg, templates): the source tree's resources/
// folder when it exists (running from a build tree), else the installed share/corvane folder.
std::string ResourcesDir();

// A folder path with exactly one final "/" (an empty path stays empty).
std::string WithTrailingSlash(const std::string& folder);

// The full form of a path: absolute (the working folder in front of a relative one), "/" separators
// ("\" read as "/"), no "." or "..", no trailing "/".
std::string ExpandFileName(const std::string& path);

}  // namespace corvane
