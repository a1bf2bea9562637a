#pragma once
// The step after a new version is installed (or when the skins are missing): the stored version is
// brought up to date, the file-type registrations are imported, the downloads folder is made, and
// task and queue files left directly in the tasks folder move into its "General" folder.

#include <string>

namespace corvane {

inline constexpr const char* kGeneralCategory = "General";

struct TUpgradeResult {
    bool Ran = false;
    int Moved = 0;    // files moved into "General"
    int Skipped = 0;  // files left because "General" holds one of that name
};

// Does nothing when the stored "Version" is this build's and the skins folder exists.
TUpgradeResult UpgradeSettings();

}  // namespace corvane
