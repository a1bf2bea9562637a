#pragma once
// Crash-safe replacement of a whole file: the data goes to a temporary file in the same folder, is
// flushed to disk and renamed over the old file. A failure at any step leaves the old file as it was.

#include <string>
#include <sys/types.h>

namespace corvane {

// Writes data as the new contents of path with the given permission bits. Returns false and sets
// *error (when given) to a readable reason on failure; the temporary file is removed then.
bool WriteFileAtomic(const std::string& path, const std::string& data, mode_t mode,
                     std::string* error = nullptr);

// Reads a whole file. Returns false when it cannot be opened or read.
bool ReadWholeFile(const std::string& path, std::string& data, std::string* error = nullptr);

}  // namespace corvane
