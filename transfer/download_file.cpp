#include "transfer/download_file.h"
#include "transfer/file_stream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <random>

namespace corvane {

namespace {

constexpr int kAttempts = 100;

std::string NextTempLeaf() {
    static std::atomic<std::uint64_t> counter{[] {
        std::random_device random;
        return (static_cast<std::uint64_t>(random()) << 32) ^ random();
    }()};
    char text[40];
    std::snprintf(text, sizeof text, ".corvane:%016llx.part",
                  static_cast<unsigned long long>(counter.fetch_add(0x9E3779B97F4A7C15ull)));
    return text;
}

}  // namespace

TDownloadFile::~TDownloadFile() { Discard(); }

int TDownloadFile::Create(const std::string& target) {
    Discard();
    const std::size_t slash = target.rfind('/');
    folder_ = slash == std::string::npos ? std::string(".") : target.substr(0, slash == 0 ? 1 : slash);
    leaf_ = slash == std::string::npos ? target : target.substr(slash + 1);
    if (leaf_.empty() || leaf_ == "." || leaf_ == "..") return EISDIR;
    // Every later step works relative to this folder, so the rename lands where the file was made.
    folder_fd_ = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder_fd_ < 0) {
        const int error = errno;
        Reset();
        return error;
    }
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const std::string leaf = NextTempLeaf();
        const int fd = ::openat(folder_fd_, leaf.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            const int error = errno;
            Reset();
            return error;
        }
        struct stat st {};
        if (::fstat(fd, &st) != 0) {
            const int error = errno;
            ::close(fd);
            ::unlinkat(folder_fd_, leaf.c_str(), 0);
            Reset();
            return error;
        }
        fd_ = fd;
        dev_ = st.st_dev;
        ino_ = st.st_ino;
        temp_leaf_ = leaf;
        temp_name_ = (folder_ == "/" ? std::string() : folder_) + "/" + leaf;
        return 0;
    }
    Reset();
    return EEXIST;
}

int TDownloadFile::Write(const void* buffer, std::size_t count) {
    return fd_ < 0 ? EBADF : WriteAll(fd_, buffer, count);
}

bool TDownloadFile::StillOurs() const {
    struct stat st {};
    return !temp_leaf_.empty() && ::fstatat(folder_fd_, temp_leaf_.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
           st.st_dev == dev_ && st.st_ino == ino_;
}

int TDownloadFile::Commit() {
    if (fd_ < 0) return EBADF;
    const int fd = fd_;
    fd_ = -1;
    int error = ::close(fd) == 0 ? 0 : errno;
    // Whatever now has our temporary name was put there by someone else: it is not ours to move.
    if (error == 0 && !StillOurs()) error = ESTALE;
    if (error == 0 && ::renameat(folder_fd_, temp_leaf_.c_str(), folder_fd_, leaf_.c_str()) != 0) error = errno;
    if (error == 0) temp_leaf_.clear();
    Discard();
    return error;
}

void TDownloadFile::Discard() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (folder_fd_ >= 0 && StillOurs()) ::unlinkat(folder_fd_, temp_leaf_.c_str(), 0);
    Reset();
}

void TDownloadFile::Reset() {
    if (folder_fd_ >= 0) ::close(folder_fd_);
    folder_fd_ = -1;
    folder_.clear();
    leaf_.clear();
    temp_leaf_.clear();
    temp_name_.clear();
    dev_ = 0;
    ino_ = 0;
}

}  // namespace corvane
