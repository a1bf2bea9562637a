#pragma once
// Local paths as file URLs and back, and the URL lists the desktop's clipboard and drags carry.

#include <string>
#include <vector>

namespace corvane::shell {

// "file://" and the path with every byte that is not unreserved ASCII or "/" percent-encoded.
std::string FileUriFromPath(const std::string& path);
// The absolute path of a "file:///..." or "file://localhost/..." URL; '' for anything else and for
// a path holding a NUL.
std::string PathFromFileUri(const std::string& uri);

// One URL per line, each ended by CR LF.
std::string UriListFromPaths(const std::vector<std::string>& paths);
// The local paths of a URL list (comments and other URLs skipped).
std::vector<std::string> PathsFromUriList(const std::string& list);

}  // namespace corvane::shell
