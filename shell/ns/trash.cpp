#include "shell/ns/trash.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/rtl/hex_text.h"
#include "shell/ns/fd_ops.h"
#include "shell/ns/shell_paths.h"
#include "shell/ns/unique_fd.h"

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

// ---- Moving into the trash ----

namespace corvane::shell {

namespace {

std::atomic<int> injectedMoveFailure{0};

std::string ErrnoText(int error) { return std::strerror(error); }

// A folder below dirFd made 0700 when missing, then opened without following a link; -1 when it
// is not a real folder.
int OpenOwnDir(int dirFd, const char* name, bool mustBeOurs) {
    if (::mkdirat(dirFd, name, 0700) != 0 && errno != EEXIST) return -1;
    const int fd = ::openat(dirFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat st;
    if (::fstat(fd, &st) != 0 || (mustBeOurs && st.st_uid != ::getuid())) {
        ::close(fd);
        errno = EPERM;
        return -1;
    }
    return fd;
}

// Creates the missing folders of an absolute path (0700) and opens it; the last part must not be a link.
int OpenMakingPath(const std::string& path) {
    std::vector<std::string> parts;
    if (!SplitAbsolutePath(path, parts)) return -1;
    int fd = ::open("/", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (std::size_t i = 0; i < parts.size() && fd >= 0; ++i) {
        const bool last = i + 1 == parts.size();
        if (::mkdirat(fd, parts[i].c_str(), 0700) != 0 && errno != EEXIST) {
            ::close(fd);
            return -1;
        }
        const int next = ::openat(fd, parts[i].c_str(),
                                  O_RDONLY | O_DIRECTORY | O_CLOEXEC | (last ? O_NOFOLLOW : 0));
        ::close(fd);
        fd = next;
    }
    return fd;
}

bool DeviceOfNearest(const std::string& path, dev_t& device) {
    std::vector<std::string> parts;
    if (!SplitAbsolutePath(path, parts)) return false;
    for (;;) {
        struct stat st;
        if (::stat(JoinParts(parts).c_str(), &st) == 0) {
            device = st.st_dev;
            return true;
        }
        if (parts.empty()) return false;
        parts.pop_back();
    }
}

// The highest ancestor of the folder parts that is still on the device.
std::vector<std::string> TopDirectory(std::vector<std::string> parts, dev_t device) {
    while (!parts.empty()) {
        std::vector<std::string> up(parts.begin(), parts.end() - 1);
        struct stat st;
        if (::stat(JoinParts(up).c_str(), &st) != 0 || st.st_dev != device) break;
        parts = std::move(up);
    }
    return parts;
}

// The top directory's trash: .Trash/$uid when .Trash is a real sticky folder, else .Trash-$uid,
// which must be a real folder of ours. -1 when neither can be used.
int OpenTopTrash(const std::string& top, std::string& trashDir) {
    UniqueFd topFd(::open(top.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!topFd.Ok()) return -1;
    const std::string uid = std::to_string(::getuid());
    struct stat st;
    if (::fstatat(topFd.Get(), ".Trash", &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode) &&
        (st.st_mode & S_ISVTX) != 0) {
        UniqueFd shared(::openat(topFd.Get(), ".Trash", O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (shared.Ok()) {
            const int fd = OpenOwnDir(shared.Get(), uid.c_str(), true);
            if (fd >= 0) {
                trashDir = JoinPath(JoinPath(top, ".Trash"), uid);
                return fd;
            }
        }
    }
    const std::string own = ".Trash-" + uid;
    const int fd = OpenOwnDir(topFd.Get(), own.c_str(), true);
    if (fd >= 0) trashDir = JoinPath(top, own);
    return fd;
}

// "a.txt", 2 -> "a.2.txt"; a name without extension (or a dot-file) gets ".2" at the end.
std::string NumberedName(const std::string& name, int n) {
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0) return name + "." + std::to_string(n);
    return name.substr(0, dot) + "." + std::to_string(n) + name.substr(dot);
}

}  // namespace

std::string EncodeTrashPath(const std::string& path) {
    return PercentEncode(path, [](unsigned char c) { return !IsUriPathByte(c); });
}

std::string FormatTrashInfo(const std::string& encodedPath, std::time_t when) {
    std::tm local{};
    ::localtime_r(&when, &local);
    char date[32];
    std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &local);
    return "[Trash Info]\nPath=" + encodedPath + "\nDeletionDate=" + date + "\n";
}

void InjectTrashMoveFailure(int error) { injectedMoveFailure = error; }

TrashOutcome MoveToTrash(const std::string& path) {
    TrashOutcome out;
    std::vector<std::string> parts;
    if (!SplitAbsolutePath(path, parts) || parts.empty()) {
        out.error = "not an absolute path of an item";
        return out;
    }
    const std::string name = parts.back();
    parts.pop_back();
    const std::string parent = JoinParts(parts);
    UniqueFd parentFd(::open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    struct stat item;
    if (!parentFd.Ok() || ::fstatat(parentFd.Get(), name.c_str(), &item, AT_SYMLINK_NOFOLLOW) != 0) {
        out.error = ErrnoText(errno);
        return out;
    }
    const std::string itemPath = JoinPath(parent, name);

    // The home trash serves its own file system; any other uses its top directory's trash.
    const std::string home = HomeTrashDir();
    dev_t homeDevice = 0;
    std::string infoPath;
    UniqueFd trashFd;
    if (DeviceOfNearest(home, homeDevice) && homeDevice == item.st_dev) {
        out.trashDir = home;
        infoPath = itemPath;
        trashFd.Reset(OpenMakingPath(home));
    } else {
        const std::vector<std::string> topParts = TopDirectory(parts, item.st_dev);
        const std::string top = JoinParts(topParts);
        trashFd.Reset(OpenTopTrash(top, out.trashDir));
        if (!trashFd.Ok()) {
            out.result = TrashResult::NoTrash;
            out.error = "no usable trash in " + top;
            return out;
        }
        infoPath = itemPath.substr(top == "/" ? 1 : top.size() + 1);
    }
    if (!trashFd.Ok()) {
        out.result = TrashResult::NoTrash;
        out.error = "cannot open the trash " + out.trashDir + ": " + ErrnoText(errno);
        return out;
    }
    if (out.trashDir == itemPath || out.trashDir.starts_with(itemPath + "/")) {
        out.error = "the item holds the trash";
        return out;
    }
    UniqueFd infoFd(OpenOwnDir(trashFd.Get(), "info", false));
    UniqueFd filesFd(OpenOwnDir(trashFd.Get(), "files", false));
    if (!infoFd.Ok() || !filesFd.Ok()) {
        out.result = TrashResult::NoTrash;
        out.error = "the trash " + out.trashDir + " is not usable: " + ErrnoText(errno);
        return out;
    }

    // The info file is complete before it gets its name, so a reader never sees half of one.
    const std::string temp = ".info:" + std::to_string(::getpid()) + ":" + std::to_string(std::time(nullptr));
    const std::string text = FormatTrashInfo(EncodeTrashPath(infoPath), std::time(nullptr));
    {
        UniqueFd tempFd(::openat(infoFd.Get(), temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (!tempFd.Ok() || corvane::WriteAll(tempFd.Get(), text.data(), text.size()) != 0) {
            const int error = errno;
            ::unlinkat(infoFd.Get(), temp.c_str(), 0);
            out.error = "cannot write the trash info: " + ErrnoText(error);
            return out;
        }
    }
    for (int n = 1; n < 100000; ++n) {
        const std::string entry = n == 1 ? name : NumberedName(name, n);
        const std::string info = entry + std::string(kInfoSuffix);
        if (RenameNoReplace(infoFd.Get(), temp.c_str(), infoFd.Get(), info.c_str()) != 0) {
            if (errno == EEXIST) continue;
            out.error = "cannot place the trash info: " + ErrnoText(errno);
            ::unlinkat(infoFd.Get(), temp.c_str(), 0);
            return out;
        }
        int moved = -1;
        if (const int injected = injectedMoveFailure.exchange(0); injected != 0) {
            errno = injected;
        } else {
            moved = ::renameat2(parentFd.Get(), name.c_str(), filesFd.Get(), entry.c_str(), RENAME_NOREPLACE);
        }
        if (moved == 0) {
            out.result = TrashResult::Trashed;
            out.name = entry;
            return out;
        }
        const int error = errno;
        if (error == EEXIST && ::renameat(infoFd.Get(), info.c_str(), infoFd.Get(), temp.c_str()) == 0)
            continue;  // files/ holds an entry without info: take the next name
        ::unlinkat(infoFd.Get(), info.c_str(), 0);
        out.error = "cannot move into the trash: " + ErrnoText(error);
        return out;
    }
    ::unlinkat(infoFd.Get(), temp.c_str(), 0);
    out.error = "no free name in the trash";
    return out;
}

}  // namespace corvane::shell
