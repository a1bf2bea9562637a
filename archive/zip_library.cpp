#include "archive/zip_library.h"

#include <dlfcn.h>
#include <unistd.h>

#include <mutex>
#include <vector>

namespace corvane {

namespace {

std::mutex folderLock;
std::string folderOverride;

std::string ProgramFolder() {
    std::vector<char> buffer(4096);
    const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (n <= 0) return {};
    const std::string exe(buffer.data(), static_cast<std::size_t>(n));
    const std::size_t slash = exe.rfind('/');
    return slash == std::string::npos ? std::string() : exe.substr(0, slash);
}

bool HasLibraries(const std::string& folder) {
    return !folder.empty() && access((folder + "/libxcdzip32.so").c_str(), R_OK) == 0;
}

}  // namespace

std::string ZipLibraryFolder() {
    {
        std::lock_guard<std::mutex> guard(folderLock);
        if (!folderOverride.empty()) return folderOverride;
    }
    const std::string program = ProgramFolder();
    if (HasLibraries(program)) return program;
    if (HasLibraries(program + "/../lib/corvane")) return program + "/../lib/corvane";
#ifdef CORVANE_ZIPDLL_BUILD_DIR
    return CORVANE_ZIPDLL_BUILD_DIR;
#else
    return program;
#endif
}

void SetZipLibraryFolder(const std::string& folder) {
    std::lock_guard<std::mutex> guard(folderLock);
    folderOverride = folder;
}

XcdEntry ZipLibrary::Entry() {
    if (entry_ != nullptr) return entry_;
    // Always a full path: the dynamic linker's search path never picks the library.
    const std::string path = ZipLibraryFolder() + "/" + fileName_;
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) return nullptr;
    entry_ = reinterpret_cast<XcdEntry>(dlsym(handle_, entryName_.c_str()));
    if (entry_ == nullptr) Unload();
    return entry_;
}

void* ZipLibrary::Symbol(const char* name) { return handle_ == nullptr ? nullptr : dlsym(handle_, name); }

void ZipLibrary::Unload() {
    entry_ = nullptr;
    if (handle_ != nullptr) dlclose(handle_);
    handle_ = nullptr;
}

}  // namespace corvane
