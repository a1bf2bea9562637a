#include "platform/rtl/thread_priority.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>

namespace corvane {

bool LowerThreadPriority() {
    // On Linux a nice value belongs to the thread (its kernel task), not to the whole process.
    const auto self = static_cast<id_t>(::syscall(SYS_gettid));
    errno = 0;
    const int nice = ::getpriority(PRIO_PROCESS, self);
    if (nice == -1 && errno != 0) return false;
    return ::setpriority(PRIO_PROCESS, self, nice + 1) == 0;
}

}  // namespace corvane
