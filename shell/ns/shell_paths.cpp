#include "shell/ns/shell_paths.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace corvane::shell {

std::string HomeDir() {
    std::string home;
    const char* env = std::getenv("HOME");
    if (env != nullptr && env[0] == '/') {
        home = env;
    } else if (const passwd* pw = ::getpwuid(::getuid()); pw != nullptr && pw->pw_dir != nullptr) {
        home = pw->pw_dir;
    }
    std::vector<std::string> parts;
    if (!SplitAbsolutePath(home, parts)) return "/";
    return JoinParts(parts);
}

std::string JoinPath(std::string_view folder, std::string_view name) {
    std::string path(folder);
    if (path.empty() || path.back() != '/') path += '/';
    path.append(name);
    return path;
}

namespace {

// False when a ".." climbs above the start and `stayAtTop` is not set.
bool SplitParts(std::string_view path, std::vector<std::string>& parts, bool stayAtTop) {
    parts.clear();
    std::size_t start = 0;
    while (start < path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string_view::npos) end = path.size();
        const std::string_view part = path.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
            else if (!stayAtTop)
                return false;
        } else if (!part.empty() && part != ".") {
            parts.emplace_back(part);
        }
        start = end + 1;
    }
    return true;
}

}  // namespace

bool SplitAbsolutePath(std::string_view path, std::vector<std::string>& parts) {
    if (path.empty() || path.front() != '/') {
        parts.clear();
        return false;
    }
    return SplitParts(path, parts, true);
}

bool SplitRelativePath(std::string_view path, std::vector<std::string>& parts) {
    if (!path.empty() && path.front() == '/') {
        parts.clear();
        return false;
    }
    return SplitParts(path, parts, false);
}

std::string JoinParts(const std::vector<std::string>& parts) {
    if (parts.empty()) return "/";
    std::string path;
    for (const std::string& part : parts) {
        path += '/';
        path += part;
    }
    return path;
}

}  // namespace corvane::shell
