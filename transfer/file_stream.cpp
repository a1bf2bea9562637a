#include "transfer/file_stream.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace corvane {

CFileStream::~CFileStream() { Close(); }

int CFileStream::OpenRead(const std::string& name) {
    Close();
    const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno ? errno : EIO;
    fd_ = fd;
    return 0;
}

int CFileStream::Create(const std::string& name) {
    Close();
    const int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return errno ? errno : EIO;
    fd_ = fd;
    return 0;
}

int CFileStream::Write(const void* buffer, std::size_t count) {
    if (fd_ < 0) return kNotOpen;
    if (WriteAll(fd_, buffer, count) == 0) return 0;
    Close();
    return kWriteFailed;
}

int CFileStream::Read(void* buffer, std::size_t count) {
    if (fd_ < 0) return kNotOpen;
    char* p = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = ::read(fd_, p + done, count - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            Close();
            return kReadFailed;
        }
        done += static_cast<std::size_t>(n);
    }
    return 0;
}

int CFileStream::Close() {
    if (fd_ < 0) return 0;
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0 ? 0 : kCloseFailed;
}

std::int64_t CFileStream::Size() const {
    if (fd_ < 0) return 0;
    struct stat st {};
    return ::fstat(fd_, &st) == 0 ? static_cast<std::int64_t>(st.st_size) : 0;
}

}  // namespace corvane
