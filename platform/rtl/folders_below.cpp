#include "platform/rtl/folders_below.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace corvane {

namespace {

bool Fail(std::string* error, const std::string& text) {
    if (error != nullptr) *error = text;
    return false;
}

std::string WithoutTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

}  // namespace

bool ForceFoldersBelow(const std::string& root_in, const std::string& folder_in, std::string* error) {
    const std::string root = WithoutTrailingSlashes(root_in);
    const std::string folder = WithoutTrailingSlashes(folder_in);
    if (root.empty()) return Fail(error, "no root folder for \"" + folder + "\"");
    std::string rest;
    if (folder != root) {
        const std::string prefix = root == "/" ? root : root + "/";
        if (folder.compare(0, prefix.size(), prefix) != 0)
            return Fail(error, "\"" + folder + "\" does not lie in \"" + root + "\"");
        rest = folder.substr(prefix.size());
    }

    std::error_code ec;
    std::filesystem::create_directories(root, ec);
    int fd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return Fail(error, "cannot open the folder \"" + root + "\": " + std::strerror(errno));

    std::string walked = root;
    for (std::size_t start = 0; start < rest.size();) {
        std::size_t end = rest.find('/', start);
        if (end == std::string::npos) end = rest.size();
        const std::string part = rest.substr(start, end - start);
        start = end + 1;
        if (part.empty()) continue;
        walked += "/" + part;
        if (part == "." || part == "..") {
            ::close(fd);
            return Fail(error, "\"" + folder + "\" holds a \"" + part + "\" part");
        }
        if (::mkdirat(fd, part.c_str(), 0777) != 0 && errno != EEXIST) {
            const int err = errno;
            ::close(fd);
            return Fail(error, "cannot make the folder \"" + walked + "\": " + std::strerror(err));
        }
        const int next = ::openat(fd, part.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        const int err = errno;
        ::close(fd);
        if (next < 0) {
            if (err == ELOOP || err == ENOTDIR)
                return Fail(error, "\"" + walked + "\" is a link or not a folder; nothing is written through it");
            return Fail(error, "cannot open the folder \"" + walked + "\": " + std::strerror(err));
        }
        fd = next;
    }
    ::close(fd);
    return true;
}

}  // namespace corvane
