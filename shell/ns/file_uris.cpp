#include "shell/ns/file_uris.h"

#include "platform/rtl/hex_text.h"

namespace corvane::shell {

std::string FileUriFromPath(const std::string& path) {
    return "file://" + PercentEncode(path, [](unsigned char c) { return !IsUriPathByte(c); });
}

std::string PathFromFileUri(const std::string& uri) {
    std::string rest;
    for (const char* prefix : {"file:///", "file://localhost/"}) {
        const std::string p = prefix;
        if (uri.size() >= p.size() && uri.compare(0, p.size(), p) == 0) {
            rest = uri.substr(p.size() - 1);
            break;
        }
    }
    if (rest.empty()) return {};
    // A query or fragment is no part of a path.
    if (rest.find_first_of("?#") != std::string::npos) return {};
    std::string path = PercentDecode(rest);
    if (path.find('\0') != std::string::npos) return {};
    return path;
}

std::string UriListFromPaths(const std::vector<std::string>& paths) {
    std::string list;
    for (const std::string& path : paths) list += FileUriFromPath(path) + "\r\n";
    return list;
}

std::vector<std::string> PathsFromUriList(const std::string& list) {
    std::vector<std::string> paths;
    std::size_t at = 0;
    while (at < list.size()) {
        std::size_t end = list.find('\n', at);
        if (end == std::string::npos) end = list.size();
        std::string line = list.substr(at, end - at);
        at = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        std::string path = PathFromFileUri(line);
        if (!path.empty()) paths.push_back(std::move(path));
    }
    return paths;
}

}  // namespace corvane::shell
