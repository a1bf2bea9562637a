#pragma once
// Crash-safe replacement of a whole file: the data goes to a temporary file in the same folder, is
// flushed to disk and renamed over the old file. A failure at any step leaves the old file as it was.

#include <string>
#include <sys/types.h>

namespace corvane {

struct AtomicWriteOptions {
    mode_t Mode = 0600;             // permission bits of a new file
    bool KeepExistingMode = false;  // an existing file keeps its own bits
    bool Durable = true;            // flush to disk before the rename (off for bulk data such as pages)
};

// Writes data as the new contents of path. Returns false and sets *error (when given) to a readable
// reason on failure; the temporary file is removed then. The temporary name is short, so a target
// whose own name is as long as the file system allows can still be replaced.
bool WriteFileAtomic(const std::string& path, const std::string& data, const AtomicWriteOptions& options,
                     std::string* error = nullptr);
inline bool WriteFileAtomic(const std::string& path, const std::string& data, mode_t mode,
                            std::string* error = nullptr) {
    return WriteFileAtomic(path, data, AtomicWriteOptions{mode, false, true}, error);
}

// Reads a whole file. Returns false when it cannot be opened or read.
bool ReadWholeFile(const std::string& path, std::string& data, std::string* error = nullptr);

}  // namespace corvane
