#include "platform/zipdll/utf8_flag_repair.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>

#include "platform/zipdll/le_bytes.h"
#include "platform/zipdll/positioned_io.h"
#include "platform/zipdll/strict_utf8.h"
#include "platform/zipdll/zip_records.h"

namespace corvane::zipdll {
namespace {

// Where the central directory lies; false for an archive this does not read.
bool FindDirectory(int fd, uint64_t size, uint64_t& cd_offset, uint64_t& cd_size) {
    if (size < kEndSize) return false;
    const std::size_t window = static_cast<std::size_t>(std::min<uint64_t>(size, kEndSize + 0xFFFF));
    std::string buffer;
    if (!ReadAt(fd, buffer, window, size - window)) return false;
    std::size_t at = window - kEndSize + 1;
    while (at-- > 0)
        if (Get32(buffer, at) == kEndSignature && at + kEndSize + Get16(buffer, at + 20) == window) break;
    if (at == static_cast<std::size_t>(-1)) return false;
    const uint64_t end_at = size - window + at;
    cd_size = Get32(buffer, at + 12);
    cd_offset = Get32(buffer, at + 16);
    std::string locator, end64;
    if (end_at >= kLocatorSize && ReadAt(fd, locator, kLocatorSize, end_at - kLocatorSize) &&
        Get32(locator, 0) == kLocatorSignature) {
        if (!ReadAt(fd, end64, 56, Get64(locator, 8)) || Get32(end64, 0) != kEnd64Signature) return false;
        cd_size = Get64(end64, 40);
        cd_offset = Get64(end64, 48);
    }
    return cd_offset <= size && cd_size <= size - cd_offset;
}

// The local header's offset of a central record, read from its zip64 field when it is out of range.
uint64_t LocalOffset(const std::string& cd, std::size_t at) {
    uint64_t offset = Get32(cd, at + 42);
    if (offset != kMax32) return offset;
    const std::size_t name = Get16(cd, at + 28), extra = Get16(cd, at + 30);
    std::size_t e = at + kCentralSize + name;
    const std::size_t end = e + extra;
    while (e + 4 <= end && e + 4 <= cd.size()) {
        const std::size_t length = Get16(cd, e + 2);
        if (Get16(cd, e) == 1) {
            // The sizes come first, each only when its own field is out of range.
            std::size_t skip = (Get32(cd, at + 24) == kMax32 ? 8 : 0) + (Get32(cd, at + 20) == kMax32 ? 8 : 0);
            if (skip + 8 <= length && e + 4 + skip + 8 <= cd.size()) return Get64(cd, e + 4 + skip);
            break;
        }
        e += 4 + length;
    }
    return UINT64_MAX;
}

bool ClearFlags(int fd) {
    struct stat st {};
    if (fstat(fd, &st) != 0) return false;
    uint64_t cd_offset = 0, cd_size = 0;
    if (!FindDirectory(fd, static_cast<uint64_t>(st.st_size), cd_offset, cd_size)) return true;
    std::string cd;
    if (!ReadAt(fd, cd, static_cast<std::size_t>(cd_size), cd_offset)) return false;
    for (std::size_t at = 0; at + kCentralSize <= cd.size() && Get32(cd, at) == kCentralSignature;) {
        const std::size_t name = Get16(cd, at + 28), extra = Get16(cd, at + 30), comment = Get16(cd, at + 32);
        const std::size_t next = at + kCentralSize + name + extra + comment;
        if (next > cd.size()) break;
        const uint32_t flags = Get16(cd, at + 8);
        const std::string_view text(cd);
        if ((flags & kUtf8Flag) != 0 &&
            (!IsStrictUtf8(text.substr(at + kCentralSize, name)) ||
             !IsStrictUtf8(text.substr(at + kCentralSize + name + extra, comment)))) {
            std::string cleared;
            Put16(cleared, flags & ~kUtf8Flag);
            if (!WriteAt(fd, cleared, cd_offset + at + 8)) return false;
            const uint64_t local = LocalOffset(cd, at);
            std::string header;
            if (local != UINT64_MAX && ReadAt(fd, header, 8, local) && Get32(header, 0) == kLocalSignature) {
                std::string local_flags;
                Put16(local_flags, Get16(header, 6) & ~kUtf8Flag);
                if (!WriteAt(fd, local_flags, local + 6)) return false;
            }
        }
        at = next;
    }
    return fsync(fd) == 0;
}

}  // namespace

bool ClearFalseUtf8Flags(const std::string& archive) {
    const int fd = open(archive.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) return false;
    const bool done = ClearFlags(fd);
    return close(fd) == 0 && done;
}

}  // namespace corvane::zipdll
