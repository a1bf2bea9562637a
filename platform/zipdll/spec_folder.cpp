#include "platform/zipdll/spec_folder.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/rtl/dot_segments.h"
#include "platform/zipdll/zipdll_common.h"

namespace corvane::zipdll {
namespace {

std::vector<std::string> Components(const std::string& path) {
    std::vector<std::string> parts;
    for (std::string& part : SplitList(path, '/'))
        if (!part.empty() && part != ".") parts.push_back(std::move(part));
    return parts;
}

bool HasDrive(const std::string& path) {
    return path.size() >= 2 && path[1] == ':' &&
           ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
}

// A file below a base folder, opened only while libzip reads it.
struct FileSource {
    const SpecFolder* folder;
    std::string path;
    struct stat st;
    int fd = -1;
    zip_error_t error;
};

zip_int64_t FileSourceCallback(void* state, void* data, zip_uint64_t length, zip_source_cmd_t command) {
    auto* source = static_cast<FileSource*>(state);
    switch (command) {
        case ZIP_SOURCE_OPEN:
            source->fd = source->folder->OpenFile(source->path);
            if (source->fd < 0) {
                zip_error_set(&source->error, ZIP_ER_OPEN, errno);
                return -1;
            }
            return 0;
        case ZIP_SOURCE_READ: {
            for (;;) {
                const ssize_t n = read(source->fd, data, length);
                if (n >= 0) return n;
                if (errno != EINTR) {
                    zip_error_set(&source->error, ZIP_ER_READ, errno);
                    return -1;
                }
            }
        }
        case ZIP_SOURCE_CLOSE:
            if (source->fd >= 0) close(source->fd);
            source->fd = -1;
            return 0;
        case ZIP_SOURCE_STAT: {
            auto* out = static_cast<zip_stat_t*>(data);
            if (length < sizeof *out) {
                zip_error_set(&source->error, ZIP_ER_INVAL, 0);
                return -1;
            }
            // Without a size libzip would mark every entry as a large one.
            struct stat now;
            if (source->fd >= 0 && fstat(source->fd, &now) == 0) source->st = now;
            zip_stat_init(out);
            out->size = static_cast<zip_uint64_t>(source->st.st_size);
            out->mtime = source->st.st_mtime;
            out->valid |= ZIP_STAT_SIZE | ZIP_STAT_MTIME;
            return sizeof *out;
        }
        case ZIP_SOURCE_ERROR:
            return zip_error_to_data(&source->error, data, length);
        case ZIP_SOURCE_FREE:
            if (source->fd >= 0) close(source->fd);
            zip_error_fini(&source->error);
            delete source;
            return 0;
        case ZIP_SOURCE_SUPPORTS:
            return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT,
                                                  ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
        default:
            zip_error_set(&source->error, ZIP_ER_OPNOTSUPP, 0);
            return -1;
    }
}

}  // namespace

SpecFolder::~SpecFolder() {
    if (base_ >= 0) close(base_);
}

bool SpecFolder::SetBase(const std::string& folder) {
    if (base_ >= 0) close(base_);
    // The base itself may be reached through links the caller chose; nothing below it is.
    base_ = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    return base_ >= 0;
}

bool SpecFolder::Allowed(const std::string& path) const {
    if (!Confined()) return true;
    if (path.empty()) return true;
    if (path[0] == '/' || HasDrive(path)) return false;
    std::vector<std::string> parts;
    return SplitDotSegments(path, {ParentSegment::Refuse}, parts);
}

int SpecFolder::OpenParent(const std::string& path, std::string& last) const {
    if (!Allowed(path)) {
        errno = EACCES;
        return -1;
    }
    const std::vector<std::string> parts = Components(path);
    last = parts.empty() ? std::string(".") : parts.back();
    int current = fcntl(base_, F_DUPFD_CLOEXEC, 0);
    for (std::size_t i = 0; current >= 0 && i + 1 < parts.size(); ++i) {
        const int next = openat(current, parts[i].c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        const int error = errno;
        close(current);
        current = next;
        errno = error;
    }
    return current;
}

bool SpecFolder::Stat(const std::string& path, struct stat& st, bool follow) const {
    if (!Confined()) return (follow ? stat(path.c_str(), &st) : lstat(path.c_str(), &st)) == 0;
    std::string last;
    const int parent = OpenParent(path, last);
    if (parent < 0) return false;
    const bool ok = fstatat(parent, last.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
    close(parent);
    return ok;
}

DIR* SpecFolder::OpenDir(const std::string& path) const {
    if (!Confined()) return opendir(path.empty() ? "." : path.c_str());
    std::string last;
    const int parent = OpenParent(path, last);
    if (parent < 0) return nullptr;
    const int fd = openat(parent, last.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    close(parent);
    if (fd < 0) return nullptr;
    DIR* dir = fdopendir(fd);
    if (dir == nullptr) close(fd);
    return dir;
}

int SpecFolder::OpenFile(const std::string& path) const {
    int fd = -1;
    if (!Confined()) {
        fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    } else {
        std::string last;
        const int parent = OpenParent(path, last);
        if (parent < 0) return -1;
        // O_NONBLOCK: a fifo put in the file's place must not hang the call.
        fd = openat(parent, last.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        close(parent);
    }
    if (fd < 0) return -1;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        errno = EINVAL;
        return -1;
    }
    if (Confined()) fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

bool SpecFolder::Remove(const std::string& path, bool directory) const {
    if (!Confined()) return (directory ? rmdir(path.c_str()) : unlink(path.c_str())) == 0;
    std::string last;
    const int parent = OpenParent(path, last);
    if (parent < 0) return false;
    const bool ok = unlinkat(parent, last.c_str(), directory ? AT_REMOVEDIR : 0) == 0;
    close(parent);
    return ok;
}

zip_source_t* SpecFolder::Source(zip_t* archive, const std::string& path, const struct stat& st) const {
    if (!Confined()) return zip_source_file(archive, path.c_str(), 0, -1);
    auto* source = new FileSource{this, path, st, -1, {}};
    zip_error_init(&source->error);
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* out = zip_source_function_create(&FileSourceCallback, source, &error);
    zip_error_fini(&error);
    if (out == nullptr) {
        zip_error_fini(&source->error);
        delete source;
    }
    return out;
}

}  // namespace corvane::zipdll
