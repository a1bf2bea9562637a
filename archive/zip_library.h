#pragma once
// One of the two zip libraries, loaded with dlopen on first use from the program's library folder.

#include <string>

#include "platform/zipdll/xcdzip_api.h"

namespace corvane {

class ZipLibrary {
public:
    ZipLibrary(std::string fileName, std::string entryName)
        : fileName_(std::move(fileName)), entryName_(std::move(entryName)) {}
    ~ZipLibrary() { Unload(); }
    ZipLibrary(const ZipLibrary&) = delete;
    ZipLibrary& operator=(const ZipLibrary&) = delete;

    // The entry point, loading the library when it is not loaded yet; null when the file or its
    // export is missing (the next call tries again).
    XcdEntry Entry();
    // Another export of the loaded library; null when it is not loaded or has no such export.
    void* Symbol(const char* name);
    void Unload();

private:
    std::string fileName_;
    std::string entryName_;
    void* handle_ = nullptr;
    XcdEntry entry_ = nullptr;
};

// The folder the zip libraries are loaded from: the one set last, else the running program's own
// folder, else <program>/../lib/corvane, else the build tree's library folder.
std::string ZipLibraryFolder();
// Tests point the component at a library of their own; an empty folder restores the search.
void SetZipLibraryFolder(const std::string& folder);

}  // namespace corvane
