#include "shell/ns/trash.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/wininet/wininet.h"
#include "shell/ns/shell_paths.h"

namespace corvane::shell {

namespace {

constexpr std::string_view kInfoSuffix = ".trashinfo";
constexpr std::size_t kMaxInfoSize = 64 * 1024;

bool ReadSmallFile(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    text.assign(kMaxInfoSize + 1, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    const auto got = static_cast<std::size_t>(in.gcount());
    if (got > kMaxInfoSize) return false;
    text.resize(got);
    return true;
}

}  // namespace

std::string HomeTrashDir() {
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    std::string base;
    if (dataHome != nullptr && dataHome[0] == '/') {
        std::vector<std::string> parts;
        SplitAbsolutePath(dataHome, parts);
        base = JoinParts(parts);
    } else {
        base = JoinPath(HomeDir(), ".local/share");
    }
    return JoinPath(base, "Trash");
}

bool ParseTrashInfo(const std::string& text, std::string& originalPath, std::string& deletionDate) {
    originalPath.clear();
    deletionDate.clear();
    bool inGroup = false;
    bool sawGroup = false;
    bool havePath = false;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line.front() == '#') continue;
        if (line.front() == '[') {
            inGroup = line == "[Trash Info]";
            sawGroup = sawGroup || inGroup;
            continue;
        }
        if (!inGroup) continue;
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        const std::string key = line.substr(0, eq);
        const std::string value = line.substr(eq + 1);
        // The first of each key counts.
        if (key == "Path" && !havePath) {
            originalPath = corvane::PercentDecode(value);  // a malformed escape stays as written
            havePath = true;
        } else if (key == "DeletionDate" && deletionDate.empty()) {
            deletionDate = value;
        }
    }
    return sawGroup && havePath && !originalPath.empty() && originalPath.find('\0') == std::string::npos;
}

std::vector<TrashEntry> ListTrash(const std::string& trashDir) {
    std::vector<TrashEntry> entries;
    const std::string infoDir = JoinPath(trashDir, "info");
    const std::string filesDir = JoinPath(trashDir, "files");
    DIR* dir = ::opendir(infoDir.c_str());
    if (dir == nullptr) return entries;
    while (const dirent* ent = ::readdir(dir)) {
        const std::string_view file = ent->d_name;
        if (file.size() <= kInfoSuffix.size() || file.substr(file.size() - kInfoSuffix.size()) != kInfoSuffix)
            continue;
        TrashEntry entry;
        entry.name = std::string(file.substr(0, file.size() - kInfoSuffix.size()));
        if (entry.name == "." || entry.name == "..") continue;
        std::string text;
        if (!ReadSmallFile(JoinPath(infoDir, file), text)) continue;
        if (!ParseTrashInfo(text, entry.originalPath, entry.deletionDate)) continue;
        entry.filesPath = JoinPath(filesDir, entry.name);
        struct stat st;
        if (::lstat(entry.filesPath.c_str(), &st) != 0) continue;  // an info file without its entry
        std::string_view path = entry.originalPath;
        while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
        const std::size_t slash = path.rfind('/');
        entry.originalName = std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
        if (entry.originalName.empty()) entry.originalName = entry.name;
        entries.push_back(std::move(entry));
    }
    ::closedir(dir);
    std::sort(entries.begin(), entries.end(),
              [](const TrashEntry& a, const TrashEntry& b) { return a.name < b.name; });
    return entries;
}

std::vector<TrashEntry> ListHomeTrash() { return ListTrash(HomeTrashDir()); }

}  // namespace corvane::shell
