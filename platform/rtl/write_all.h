#pragma once
// One write loop for every file the program writes through a descriptor.

#include <cstddef>

namespace corvane {

// Writes all count bytes to fd, going on after interruptions and short writes. 0, or the system's
// error number.
int WriteAll(int fd, const void* buffer, std::size_t count);

}  // namespace corvane
