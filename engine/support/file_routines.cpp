#include "engine/support/file_routines.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <vector>

#include "engine/support/temp_cleanup.h"
#include "platform/rtl/atomic_file.h"
#include "platform/rtl/paths.h"
#include "platform/rtl/wildcard.h"

namespace corvane {

std::string DirectoryOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

namespace {

namespace fs = std::filesystem;

std::string NameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The extension of a file name, dot included, or empty.
std::string ExtensionOf(const std::string& name) {
    const std::size_t dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : name.substr(dot);
}

void SortByName(std::vector<std::string>& names) {
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        const int c = CompareText(a, b);
        return c != 0 ? c < 0 : a < b;
    });
}

// Entries of a directory whose kind (following links) passes the test. False when it cannot be read.
template <typename Test>
bool ListEntries(const std::string& directory, Test wanted, std::vector<std::string>& names) {
    std::error_code ec;
    fs::directory_iterator it(directory.empty() ? std::string(".") : directory, ec);
    if (ec) return false;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec) return false;
        std::error_code kind_ec;
        const bool is_dir = it->is_directory(kind_ec);
        const std::string name = it->path().filename().string();
        if (wanted(name, is_dir)) names.push_back(name);
    }
    return !ec;
}

}  // namespace

std::string LoadTextFile(const std::string& path) {
    std::string data, error;
    if (!ReadWholeFile(path, data, &error)) throw EFOpenError(error);
    TStringList lines;
    lines.SetText(data);
    return lines.Text();
}

void SaveTextFile(const std::string& path, const std::string& text) {
    std::string error;
    if (!WriteFileAtomic(path, text, AtomicWriteOptions{0644, true, false}, &error)) throw EFCreateError(error);
}

std::string FileNameNoExt(const std::string& path) {
    const std::string name = NameOf(path);
    return name.substr(0, name.size() - ExtensionOf(name).size());
}

std::string UniqueFileName(const std::string& path) {
    const std::string dir = DirectoryOf(path);
    const std::string name = FileNameNoExt(path);
    const std::string ext = ExtensionOf(NameOf(path));
    // Anything but a directory takes the name, a dangling link too: writing there would follow it.
    const auto taken = [](const std::string& candidate) {
        struct stat st {};
        return ::lstat(candidate.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
    };
    std::string candidate = dir + name + ext;
    for (unsigned long n = 0; taken(candidate); ++n) candidate = dir + name + "(" + std::to_string(n) + ")" + ext;
    return candidate;
}

std::string CreateUniqueFile(const std::string& path, const UniqueFileWriter& write) {
    const std::string dir = DirectoryOf(path);
    const std::string name = FileNameNoExt(path);
    const std::string ext = ExtensionOf(NameOf(path));
    // A temporary's name (the clean-up of a killed run removes it), in the folder: a link stays on
    // its file system.
    std::string aside = dir + kTempPrefix + "new-XXXXXX";
    const int fd = ::mkostemp(aside.data(), O_CLOEXEC);
    if (fd < 0) throw EFCreateError("Cannot create \"" + path + "\": " + std::strerror(errno));
    ::close(fd);
    struct RemoveAside {
        const std::string& file;
        ~RemoveAside() { ::unlink(file.c_str()); }
    } remove_aside{aside};
    std::string candidate = dir + name + ext;
    for (unsigned long n = 0;; ++n) {
        if (write) write(candidate, aside);
        // Never replaces: a file, a directory or a dangling link of the name makes it fail.
        if (::link(aside.c_str(), candidate.c_str()) == 0) return candidate;
        if (errno != EEXIST)
            throw EFCreateError("Cannot create \"" + candidate + "\": " + std::strerror(errno));
        candidate = dir + name + "(" + std::to_string(n) + ")" + ext;
    }
}

std::string CreateUniqueFile(const std::string& path) { return CreateUniqueFile(path, nullptr); }

std::string CapturedEntryName(const std::string& localFile, const std::string& captureFolder) {
    const std::string full = ExpandFileName(localFile);
    const std::string root = ExpandFileName(captureFolder);
    // Unlike the archive window's RelativePath, letter case counts: on this file system another case is another folder.
    if (root == "/") return full.substr(1);
    if (full.size() > root.size() + 1 && full.compare(0, root.size(), root) == 0 && full[root.size()] == '/')
        return full.substr(root.size() + 1);
    return full;
}

std::string ReplaceInvalidFileChars(const std::string& text, char replacement) {
    std::string out = text;
    for (char& c : out)
        if (std::strchr("\\/:*?\"<>|", c) != nullptr && c != '\0') c = replacement;
    return out;
}

std::string ToBackslashes(const std::string& text) {
    std::string out = text;
    std::replace(out.begin(), out.end(), '/', '\\');
    return out;
}

std::string ToSlashes(const std::string& text) {
    std::string out = text;
    std::replace(out.begin(), out.end(), '\\', '/');
    return out;
}

bool CopyFileForce(const std::string& source, const std::string& target) {
    struct stat st {};
    std::string data;
    if (::stat(source.c_str(), &st) != 0 || S_ISDIR(st.st_mode) || !ReadWholeFile(source, data)) return false;
    const std::string dir = DirectoryOf(target);
    if (!dir.empty()) {
        std::error_code ec;
        fs::create_directories(dir, ec);
    }
    return WriteFileAtomic(target, data, AtomicWriteOptions{static_cast<mode_t>(st.st_mode & 0777), true, false});
}

TStringList PathParts(const std::string& path) {
    TStringList parts;
    parts.SetCaseSensitive(true);
    std::size_t start = 0;
    for (std::size_t slash = path.find('/'); slash != std::string::npos; slash = path.find('/', start)) {
        const std::string part = path.substr(start, slash + 1 - start);
        if (parts.IndexOf(part) < 0) parts.Add(part);
        start = slash + 1;
    }
    return parts;
}

std::string LastPathPart(const std::string& path) {
    const std::size_t last = path.rfind('/');
    if (last == std::string::npos) return {};
    const std::size_t before = last == 0 ? std::string::npos : path.rfind('/', last - 1);
    const std::size_t start = before == std::string::npos ? 0 : before + 1;
    return path.substr(start, last + 1 - start);
}

TStringList SplitDirs(const std::string& path) {
    TStringList dirs;
    dirs.SetCaseSensitive(true);
    for (std::size_t slash = path.find('/'); slash != std::string::npos; slash = path.find('/', slash + 1)) {
        const std::string prefix = path.substr(0, slash + 1);
        if (dirs.IndexOf(prefix) < 0) dirs.Add(prefix);
    }
    return dirs;
}

std::string UpPrefix(const std::string& path) {
    std::string prefix;
    for (int i = SplitDirs(path).Count(); i > 0; --i) prefix += "../";
    return prefix;
}

bool ListFiles(const std::string& directory, const std::string& mask, TStringList& list) {
    std::vector<std::string> names;
    const bool ok = ListEntries(
        directory,
        [&mask](const std::string& name, bool is_dir) {
            return !is_dir && WildcardMatch(mask, name, DotStarRule::ExtensionOptional);
        },
        names);
    if (!ok) return false;
    SortByName(names);
    list.Clear();
    for (const auto& name : names) list.Add(name);
    return true;
}

bool ListSubdirs(const std::string& directory, TStringList& list) {
    std::vector<std::string> names;
    if (!ListEntries(directory, [](const std::string&, bool is_dir) { return is_dir; }, names)) return false;
    SortByName(names);
    list.Clear();
    for (const auto& name : names) list.Add(name);
    return true;
}

GIFSize GetGIFSize(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    const auto read = [&in](unsigned char* buffer, std::size_t count) {
        in.read(reinterpret_cast<char*>(buffer), static_cast<std::streamsize>(count));
        return static_cast<std::size_t>(in.gcount()) == count;
    };
    const auto skip = [&in](std::size_t count) {
        in.seekg(static_cast<std::streamoff>(count), std::ios::cur);
        return static_cast<bool>(in);
    };

    // Header (6) and logical screen descriptor (7).
    unsigned char header[13];
    if (!read(header, sizeof header) || std::memcmp(header, "GIF", 3) != 0) return {};
    if (header[10] & 0x80) {
        if (!skip(3u << ((header[10] & 7) + 1))) return {};
    }
    for (;;) {
        unsigned char introducer = 0;
        if (!read(&introducer, 1)) return {};
        if (introducer == 0x2C) {
            // Image descriptor: left, top, width, height (little-endian words), flags.
            unsigned char desc[9];
            if (!read(desc, sizeof desc)) return {};
            GIFSize size;
            size.Width = static_cast<std::uint16_t>(desc[4] | desc[5] << 8);
            size.Height = static_cast<std::uint16_t>(desc[6] | desc[7] << 8);
            return size;
        }
        if (introducer != 0x21) return {};  // the trailer 0x3B or damage: no image
        unsigned char label = 0;
        if (!read(&label, 1)) return {};
        // Extension data sub-blocks, ended by an empty one.
        for (;;) {
            unsigned char length = 0;
            if (!read(&length, 1)) return {};
            if (length == 0) break;
            if (!skip(length)) return {};
        }
    }
}

}  // namespace corvane
