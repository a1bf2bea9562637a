#pragma once
// Whole reads and writes at a file position: short transfers and EINTR are retried, so a false
// answer is a real failure (errno says which) or, for reads, the end of the file.

#include <cstddef>
#include <cstdint>
#include <string>

namespace corvane::zipdll {

bool WriteAt(int fd, const void* data, std::size_t size, uint64_t offset);
inline bool WriteAt(int fd, const std::string& data, uint64_t offset) { return WriteAt(fd, data.data(), data.size(), offset); }
// Reads exactly size bytes into out (resized); false when fewer are there.
bool ReadAt(int fd, std::string& out, std::size_t size, uint64_t offset);

}  // namespace corvane::zipdll
