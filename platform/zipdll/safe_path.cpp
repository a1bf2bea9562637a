#include "platform/zipdll/safe_path.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/rtl/dot_segments.h"
#include "platform/zipdll/xcdzip_api.h"

namespace corvane::zipdll {

EntryPath SplitEntryName(std::string_view name, bool junk_paths) {
    EntryPath out;
    std::string text(name);
    for (char& c : text)
        if (c == '\\') c = '/';
    if (text.size() >= 2 && text[1] == ':' &&
        ((text[0] >= 'A' && text[0] <= 'Z') || (text[0] >= 'a' && text[0] <= 'z')))
        text.erase(0, 2);
    out.directory = !text.empty() && text.back() == '/';
    if (!SplitDotSegments(text, {ParentSegment::Refuse}, out.parts)) {
        out.skip_reason = XCD_SKIP_UNSAFE_PATH;
        return out;
    }
    if (junk_paths) {
        if (out.directory) {
            out.parts.clear();
        } else if (out.parts.size() > 1) {
            out.parts.erase(out.parts.begin(), out.parts.end() - 1);
        }
    }
    return out;
}

int OpenFolderChain(int root_fd, const std::vector<std::string>& parts, std::size_t count, int& out_fd) {
    out_fd = -1;
    int current = fcntl(root_fd, F_DUPFD_CLOEXEC, 0);
    if (current < 0) return XCD_SKIP_CANNOT_WRITE;
    for (std::size_t i = 0; i < count && i < parts.size(); ++i) {
        const char* part = parts[i].c_str();
        int next = openat(current, part, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (next < 0 && errno == ENOENT) {
            if (mkdirat(current, part, 0755) != 0 && errno != EEXIST) {
                close(current);
                return XCD_SKIP_CANNOT_WRITE;
            }
            next = openat(current, part, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        }
        if (next < 0) {
            const int error = errno;
            close(current);
            // A link (ELOOP) or a file (ENOTDIR) in the way: never go through or around it.
            return error == ELOOP || error == ENOTDIR ? XCD_SKIP_SYMLINK : XCD_SKIP_CANNOT_WRITE;
        }
        close(current);
        current = next;
    }
    out_fd = current;
    return 0;
}

int OpenTargetFolder(const std::string& path, int& out_fd) {
    const std::string target = path.empty() ? std::string(".") : path;
    out_fd = open(target.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (out_fd >= 0) return 0;
    // Create the missing levels, as a user would with mkdir -p.
    std::string partial;
    std::size_t start = 0;
    while (start <= target.size()) {
        std::size_t end = target.find('/', start);
        if (end == std::string::npos) end = target.size();
        partial = target.substr(0, end);
        if (!partial.empty() && mkdir(partial.c_str(), 0755) != 0 && errno != EEXIST) break;
        start = end + 1;
    }
    out_fd = open(target.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    return out_fd >= 0 ? 0 : XCD_SKIP_CANNOT_WRITE;
}

}  // namespace corvane::zipdll
