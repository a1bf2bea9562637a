#include "platform/rtl/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

namespace corvane {

namespace {

int LockRetrying(int fd, int operation) {
    int rc;
    do rc = ::flock(fd, operation);
    while (rc != 0 && errno == EINTR);
    return rc;
}

}  // namespace

TFileLock::~TFileLock() { Unlock(); }

bool TFileLock::Lock(const std::string& path, bool wait, bool shared) {
    Unlock();
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    if (LockRetrying(fd, (shared ? LOCK_SH : LOCK_EX) | (wait ? 0 : LOCK_NB)) != 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return false;
    }
    fd_ = fd;
    return true;
}

bool TFileLock::Share() { return fd_ >= 0 && LockRetrying(fd_, LOCK_SH) == 0; }

void TFileLock::Unlock() {
    if (fd_ < 0) return;
    ::close(fd_);  // closing the only descriptor releases the lock
    fd_ = -1;
}

bool TFileLock::HeldByOther(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return false;
    const bool held = LockRetrying(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return held;
}

}  // namespace corvane
