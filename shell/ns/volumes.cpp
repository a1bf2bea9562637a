#include "shell/ns/volumes.h"

#include <fstream>
#include <mutex>
#include <sstream>

#include "shell/ns/shell_paths.h"

namespace corvane::shell {

namespace {

std::mutex overrideLock;
std::optional<std::string> mountInfoOverride;

// The table writes blank, tab, newline and backslash in a mount point as octal escapes (\040).
std::string DecodeOctalEscapes(const std::string& field) {
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            const char a = field[i + 1], b = field[i + 2], c = field[i + 3];
            if (a >= '0' && a <= '3' && b >= '0' && b <= '7' && c >= '0' && c <= '7') {
                out += static_cast<char>((a - '0') * 64 + (b - '0') * 8 + (c - '0'));
                i += 3;
                continue;
            }
        }
        out += field[i];
    }
    return out;
}

bool IsUnder(const std::string& path, const std::string& folder) {
    return path.size() > folder.size() + 1 && path.compare(0, folder.size(), folder) == 0 &&
           path[folder.size()] == '/';
}

}  // namespace

std::vector<Volume> ParseVolumes(const std::string& mountInfo) {
    std::vector<Volume> volumes{{"/", false}};
    std::istringstream lines(mountInfo);
    std::string line;
    while (std::getline(lines, line)) {
        // id parent major:minor root mount-point options ...
        std::istringstream fields(line);
        std::string field;
        for (int k = 0; k < 5 && (fields >> field); ++k) {
        }
        if (!fields) continue;
        std::vector<std::string> parts;
        if (!SplitAbsolutePath(DecodeOctalEscapes(field), parts)) continue;
        const std::string path = JoinParts(parts);
        if (!IsUnder(path, "/media") && !IsUnder(path, "/run/media") && !IsUnder(path, "/mnt")) continue;
        bool known = false;
        for (const Volume& v : volumes) known = known || v.path == path;
        if (!known) volumes.push_back({path, true});
    }
    return volumes;
}

std::vector<Volume> ListVolumes() {
    {
        std::lock_guard<std::mutex> lock(overrideLock);
        if (mountInfoOverride) return ParseVolumes(*mountInfoOverride);
    }
    std::ifstream in("/proc/self/mountinfo");
    std::ostringstream text;
    text << in.rdbuf();
    return ParseVolumes(text.str());
}

void SetMountInfoOverride(std::optional<std::string> text) {
    std::lock_guard<std::mutex> lock(overrideLock);
    mountInfoOverride = std::move(text);
}

}  // namespace corvane::shell
