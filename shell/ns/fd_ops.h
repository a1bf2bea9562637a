#pragma once
// Small operations on folder descriptors shared by the trash and the file operations.

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

namespace corvane::shell {

// Puts from in place as to unless to exists; where the file system refuses renameat2, link + unlink
// (which refuses an existing name as well). 0, or -1 with errno.
inline int RenameNoReplace(int fromDir, const char* from, int toDir, const char* to) {
    if (::renameat2(fromDir, from, toDir, to, RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return -1;
    if (::linkat(fromDir, from, toDir, to, 0) != 0) return -1;
    ::unlinkat(fromDir, from, 0);
    return 0;
}

inline bool WriteAll(int fd, const char* data, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, data + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace corvane::shell
