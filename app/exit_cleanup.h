#pragma once
// At exit the program deletes its temporary capture folder, but only a folder it made itself (it
// holds the marker file) and never through a link: a user's folder that merely has a similar name
// stays, and a link inside the folder is removed without touching what it points to.

#include <string>

namespace corvane {

// True when the folder was the program's own and is gone.
bool DeleteTempCaptureFolder(const std::string& folder);

}  // namespace corvane
