#pragma once
// For fuzz targets that read real files: a folder of their own and a check that stops the run.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

namespace corvane::fuzz {

inline void Check(bool condition) {
    if (!condition) std::abort();
}

// A new folder, memory-backed where possible (the program flushes every file it writes to disk).
inline std::string MakeFuzzFolder(const std::string& name) {
    std::string folder = "/dev/shm/corvane-" + name + "-XXXXXX";
    std::string fallback = "/tmp/corvane-" + name + "-XXXXXX";
    const char* made = ::mkdtemp(folder.data());
    if (!made) made = ::mkdtemp(fallback.data());
    if (!made) std::abort();
    return made;
}

inline void WriteFuzzFile(const std::string& path, const std::uint8_t* data, std::size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

}  // namespace corvane::fuzz
