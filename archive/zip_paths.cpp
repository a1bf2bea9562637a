#include "archive/zip_paths.h"

#include "platform/rtl/string_list.h"

namespace corvane {

namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

}  // namespace

std::string RemoveTrailingBackslash(const std::string& path) {
    if (path.empty() || !IsSeparator(path.back())) return path;
    if (path.size() == 1) return path;                           // "/"
    if (path.size() == 3 && path[1] == ':') return path;         // "C:\"
    return path.substr(0, path.size() - 1);
}

std::string RelativePath(const std::string& path, const std::string& base) {
    const std::string full = ExpandFileName(path);
    const std::string root = ExpandFileName(base);
    if (SameText(full, root)) return {};
    if (root == "/") return full.substr(1);
    if (full.size() > root.size() && full[root.size()] == '/' && SameText(full.substr(0, root.size()), root))
        return full.substr(root.size() + 1);
    return full;
}

}  // namespace corvane
