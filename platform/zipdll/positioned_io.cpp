#include "platform/zipdll/positioned_io.h"

#include <unistd.h>

#include <cerrno>

namespace corvane::zipdll {

bool WriteAt(int fd, const void* data, std::size_t size, uint64_t offset) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = pwrite(fd, p, size, static_cast<off_t>(offset));
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) {
            errno = EIO;
            return false;
        }
        p += n;
        size -= static_cast<std::size_t>(n);
        offset += static_cast<uint64_t>(n);
    }
    return true;
}

bool ReadAt(int fd, std::string& out, std::size_t size, uint64_t offset) {
    out.resize(size);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = pread(fd, out.data() + done, size - done, static_cast<off_t>(offset + done));
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace corvane::zipdll
