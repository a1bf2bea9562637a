#pragma once
// Small operations on folder descriptors shared by the trash and the file operations.

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "platform/rtl/write_all.h"

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

}  // namespace corvane::shell
