#include "platform/launch/launcher.h"

#include <sys/stat.h>

#include <atomic>
#include <cctype>
#include <climits>
#include <cstdlib>
#include <mutex>

#include "platform/rtl/hex_text.h"
#include "platform/rtl/log.h"

namespace corvane {
namespace {

std::atomic<LaunchBackend*> installed{nullptr};

std::mutex folders_lock;
std::map<std::string, std::string>& Folders() {
    static std::map<std::string, std::string> folders;
    return folders;
}

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
    return text.size() >= prefix.size() && Lower(text.substr(0, prefix.size())) == prefix;
}

bool EndsWithNoCase(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() && Lower(text.substr(text.size() - suffix.size())) == suffix;
}

// The path with every link, "." and ".." resolved; empty when it does not exist.
std::string Resolve(const std::string& path) {
    char buffer[PATH_MAX];
    if (realpath(path.c_str(), buffer) == nullptr) return {};
    return buffer;
}

bool ResolvedInCaptureFolder(const std::string& resolved) {
    std::map<std::string, std::string> folders;
    {
        std::lock_guard lock(folders_lock);
        folders = Folders();
    }
    for (const auto& [key, folder] : folders) {
        std::string root = Resolve(folder);
        if (root.empty()) continue;
        if (root != "/") root += '/';
        if (resolved.size() > root.size() && resolved.compare(0, root.size(), root) == 0) return true;
    }
    return false;
}

LaunchDecision Refuse(std::string reason) {
    LaunchDecision decision;
    decision.reason = std::move(reason);
    return decision;
}

LaunchDecision CheckLocalPath(const std::string& path) {
    if (path.empty() || path[0] != '/') return Refuse("not an absolute path");
    const std::string resolved = Resolve(path);
    if (resolved.empty()) return Refuse("no such file or folder");
    struct stat info {};
    if (stat(resolved.c_str(), &info) != 0) return Refuse("no such file or folder");

    LaunchDecision decision;
    decision.target.location = resolved;
    if (S_ISDIR(info.st_mode)) {
        decision.allowed = true;
        decision.target.kind = LaunchTarget::Kind::Folder;
        return decision;
    }
    if (!S_ISREG(info.st_mode)) return Refuse("not a regular file");
    if ((info.st_mode & (S_IXUSR | S_IXGRP | S_IXOTH)) != 0) return Refuse("an executable file");
    if (EndsWithNoCase(resolved, ".desktop") || EndsWithNoCase(path, ".desktop"))
        return Refuse("a desktop launcher");
    if (!ResolvedInCaptureFolder(resolved)) return Refuse("outside every capture folder");
    decision.allowed = true;
    decision.target.kind = LaunchTarget::Kind::File;
    return decision;
}

}  // namespace

void SetLaunchBackend(LaunchBackend* backend) { installed.store(backend, std::memory_order_release); }

void SetCaptureFolder(const std::string& key, const std::string& folder) {
    std::lock_guard lock(folders_lock);
    if (folder.empty())
        Folders().erase(key);
    else
        Folders()[key] = folder;
}

void ClearCaptureFolders() {
    std::lock_guard lock(folders_lock);
    Folders().clear();
}

std::map<std::string, std::string> CaptureFolders() {
    std::lock_guard lock(folders_lock);
    return Folders();
}

bool InCaptureFolder(const std::string& path) {
    if (path.empty() || path[0] != '/') return false;
    const std::string resolved = Resolve(path);
    return !resolved.empty() && ResolvedInCaptureFolder(resolved);
}

LaunchDecision CheckLaunch(const std::string& what) {
    for (const char c : what)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return Refuse("control characters");

    if (StartsWithNoCase(what, "http://") || StartsWithNoCase(what, "https://")) {
        const std::size_t host = what.find("//") + 2;
        const std::size_t end = what.find_first_of("/?#", host);
        const std::string authority = what.substr(host, end == std::string::npos ? std::string::npos : end - host);
        if (authority.empty() || authority.find(' ') != std::string::npos) return Refuse("no host");
        LaunchDecision decision;
        decision.allowed = true;
        decision.target = {LaunchTarget::Kind::WebAddress, what};
        return decision;
    }
    if (StartsWithNoCase(what, "file:")) {
        std::string rest = what.substr(5);
        if (rest.starts_with("//")) {
            rest.erase(0, 2);
            if (StartsWithNoCase(rest, "localhost/")) rest.erase(0, 9);
            if (!rest.starts_with("/")) return Refuse("a file address on another host");
        }
        const std::size_t query = rest.find_first_of("?#");
        if (query != std::string::npos) rest.resize(query);
        std::string path;
        if (!PercentDecodeStrict(rest, path) || path.find('\0') != std::string::npos) return Refuse("a broken file address");
        return CheckLocalPath(path);
    }
    if (what.starts_with("/")) return CheckLocalPath(what);
    return Refuse("neither a web address nor an absolute path");
}

bool LaunchItem(const std::string& what) {
    const LaunchDecision decision = CheckLaunch(what);
    if (!decision.allowed) {
        LogWarning("Refused to open \"" + what + "\": " + decision.reason);
        return false;
    }
    LaunchBackend* backend = installed.load(std::memory_order_acquire);
    if (backend == nullptr) {
        LogWarning("Nothing to open \"" + what + "\" with: no launcher is installed");
        return false;
    }
    return backend->Open(decision.target);
}

}  // namespace corvane
