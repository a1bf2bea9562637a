#pragma once
// Making the folders of a file below a root folder without ever passing through a link: a link
// planted below the root (by a hand, an archive or an earlier capture) would send writes elsewhere.
// The root itself and the folders above it may be links (a capture folder can live behind one).

#include <string>

namespace corvane {

// Makes root (following links) and then each folder of folder below root, refusing any that is a
// link or not a folder. folder must be root or lie below it, written without "." or ".." parts.
// False, with *error saying why, when a folder cannot be made or is refused.
bool ForceFoldersBelow(const std::string& root, const std::string& folder, std::string* error = nullptr);

}  // namespace corvane
