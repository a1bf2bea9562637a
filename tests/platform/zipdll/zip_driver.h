#pragma once
// Test helpers for the zip libraries: calls an entry with a vector and a message handler, makes
// scratch folders, runs Info-ZIP and compares trees.

#include <dirent.h>
#include <dlfcn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/zipdll/xcdzip_api.h"

namespace corvane::testing {

// A message and its data; return true to stop.
using ZipHandler = std::function<bool(int message, void* data)>;

class ZipDriver {
public:
    ZipDriver() {
        zip_ = Open("libxcdzip32.so");
        unzip_ = Open("libxcdunz32.so");
        zipEntry_ = reinterpret_cast<XcdEntry>(dlsym(zip_, "xcdzip"));
        unzipEntry_ = reinterpret_cast<XcdEntry>(dlsym(unzip_, "xcdunzip"));
        setBase_ = reinterpret_cast<XcdSetBaseFolder>(dlsym(zip_, XCD_SET_BASE_FOLDER_EXPORT));
        if (zipEntry_ == nullptr || unzipEntry_ == nullptr || setBase_ == nullptr) throw std::runtime_error("entry missing");
    }
    ~ZipDriver() {
        setBase_(nullptr);
        dlclose(zip_);
        dlclose(unzip_);
    }
    ZipDriver(const ZipDriver&) = delete;
    ZipDriver& operator=(const ZipDriver&) = delete;

    int Zip(const std::vector<std::string>& args, ZipHandler handler = nullptr, int argc = -1) {
        return Call(zipEntry_, args, std::move(handler), argc);
    }
    // The add library's base folder for this thread; nullptr restores the working folder.
    int SetBaseFolder(const char* folder) { return setBase_(folder); }
    int Unzip(const std::vector<std::string>& args, ZipHandler handler = nullptr, int argc = -1) {
        return Call(unzipEntry_, args, std::move(handler), argc);
    }

    // Entry names of a listing, in archive order, with their comments.
    std::vector<std::string> ListNames(const std::string& archive, std::map<std::string, std::string>* comments = nullptr,
                                       int* result = nullptr) {
        std::vector<std::string> names;
        const int code = Unzip({"", "-v", archive}, [&](int message, void* data) {
            if (message == XCD_MSG_LISTING) {
                const auto* r = static_cast<XcdFileRecord*>(data);
                names.emplace_back(r->Name);
                if (comments != nullptr) (*comments)[r->Name] = std::string(r->Comment, r->CommentLength);
            }
            return false;
        });
        if (result != nullptr) *result = code;
        return names;
    }

private:
    static void* Open(const char* name) {
        void* handle = dlopen((std::string(CORVANE_ZIPDLL_DIR) + "/" + name).c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle == nullptr) throw std::runtime_error(dlerror());
        return handle;
    }

    static int32_t Trampoline(int32_t message, void* data, void* component) {
        auto* handler = static_cast<ZipHandler*>(component);
        return *handler && (*handler)(message, data) ? XCD_ANSWER_STOP : XCD_ANSWER_CONTINUE;
    }

    int Call(XcdEntry entry, const std::vector<std::string>& args, ZipHandler handler, int argc) {
        std::vector<std::vector<char>> copies;
        std::vector<char*> argv;
        for (const std::string& a : args) copies.emplace_back(a.c_str(), a.c_str() + a.size() + 1);
        for (auto& c : copies) argv.push_back(c.data());
        argv.push_back(nullptr);
        return entry(XCD_PROTOCOL_VERSION, argc >= 0 ? argc : static_cast<int>(args.size()), argv.data(),
                     &ZipDriver::Trampoline, &handler);
    }

    void* zip_ = nullptr;
    void* unzip_ = nullptr;
    XcdEntry zipEntry_ = nullptr;
    XcdEntry unzipEntry_ = nullptr;
    XcdSetBaseFolder setBase_ = nullptr;
};

// A scratch folder removed with everything in it.
class ScratchFolder {
public:
    // parent: where the folder is made (a tmpfs such as /dev/shm spares tests the cost of fsync).
    explicit ScratchFolder(const std::string& parent = "/tmp") {
        std::string pattern = parent + "/xcd-test-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp");
        path_ = pattern;
    }
    ~ScratchFolder() { Shell("rm -rf '" + path_ + "'"); }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

    // Runs a shell command; returns its exit code and fills output with its standard output.
    static int Shell(const std::string& command, std::string* output = nullptr) {
        FILE* pipe = popen(command.c_str(), "r");
        if (pipe == nullptr) return -1;
        std::string text;
        char buffer[4096];
        std::size_t n;
        while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) text.append(buffer, n);
        const int status = pclose(pipe);
        if (output != nullptr) *output = text;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    std::string path_;
};

// Bytes that do not compress, the same for the same seed.
inline std::string Pseudo(std::size_t size, unsigned seed) {
    std::string out(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        seed = seed * 1103515245u + 12345u;
        out[i] = static_cast<char>(seed >> 16);
    }
    return out;
}

inline void WriteFile(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
}

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline bool Exists(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

// Every path below root ("d " folders, "f " files with their content, "l " links) in sorted order.
inline std::map<std::string, std::string> Tree(const std::string& root, const std::string& below = "") {
    std::map<std::string, std::string> out;
    DIR* dir = opendir((root + below).c_str());
    if (dir == nullptr) return out;
    std::vector<std::string> names;
    while (const dirent* e = readdir(dir))
        if (std::string(e->d_name) != "." && std::string(e->d_name) != "..") names.emplace_back(e->d_name);
    closedir(dir);
    for (const std::string& name : names) {
        const std::string rel = below + "/" + name;
        struct stat st;
        lstat((root + rel).c_str(), &st);
        if (S_ISLNK(st.st_mode)) {
            out["l " + rel] = "";
        } else if (S_ISDIR(st.st_mode)) {
            out["d " + rel] = "";
            for (auto& [k, v] : Tree(root, rel)) out[k] = v;
        } else {
            out["f " + rel] = ReadFile(root + rel);
        }
    }
    return out;
}

// Changes the working folder for one test and back (the libraries read specs from it).
class WorkingFolder {
public:
    explicit WorkingFolder(const std::string& path) {
        char buffer[4096];
        if (getcwd(buffer, sizeof buffer) == nullptr || chdir(path.c_str()) != 0) throw std::runtime_error("chdir");
        old_ = buffer;
    }
    ~WorkingFolder() {
        if (chdir(old_.c_str()) != 0) std::perror("chdir");
    }
    WorkingFolder(const WorkingFolder&) = delete;
    WorkingFolder& operator=(const WorkingFolder&) = delete;

private:
    std::string old_;
};

}  // namespace corvane::testing
