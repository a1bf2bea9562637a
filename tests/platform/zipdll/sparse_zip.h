#pragma once
// Writes a zip archive of stored entries whose data are zeros left as holes in the file, so an
// archive of gigabytes costs neither disk space nor time. Zip64 fields wherever sizes or offsets
// need them. For tests and benchmarks of archives too large to make the ordinary way.

#include <fcntl.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/zipdll/le_bytes.h"
#include "platform/zipdll/positioned_io.h"

namespace corvane::testing {

struct SparseEntry {
    std::string name;
    uint64_t size = 0;
};

// CRC-32 of size zero bytes, without reading them.
inline uint32_t ZeroCrc(uint64_t size) {
    const std::string block(1 << 20, '\0');
    uLong crc = crc32(0, reinterpret_cast<const Bytef*>(block.data()), static_cast<uInt>(size % block.size()));
    uLong power = crc32(0, reinterpret_cast<const Bytef*>(block.data()), static_cast<uInt>(block.size()));
    uint64_t power_length = block.size();
    for (uint64_t blocks = size / block.size(); blocks != 0; blocks >>= 1) {
        if (blocks & 1) crc = crc32_combine(crc, power, static_cast<z_off_t>(power_length));
        power = crc32_combine(power, power, static_cast<z_off_t>(power_length));
        power_length *= 2;
    }
    return static_cast<uint32_t>(crc);
}

inline bool WriteSparseZip(const std::string& path, const std::vector<SparseEntry>& entries) {
    using namespace corvane::zipdll;
    constexpr uint64_t kMax32 = 0xFFFFFFFF;
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    std::string cd;
    uint64_t at = 0;
    bool ok = true;
    for (const SparseEntry& e : entries) {
        const uint32_t crc = ZeroCrc(e.size);
        const bool big = e.size >= kMax32;
        std::string local;
        Put32(local, 0x04034b50);
        Put16(local, big ? 45 : 20);
        Put16(local, 0);
        Put16(local, 0);
        Put16(local, 0);                     // 00:00
        Put16(local, (40 << 9) | (1 << 5) | 1);  // 2020-01-01
        Put32(local, crc);
        Put32(local, big ? kMax32 : static_cast<uint32_t>(e.size));
        Put32(local, big ? kMax32 : static_cast<uint32_t>(e.size));
        Put16(local, static_cast<uint32_t>(e.name.size()));
        Put16(local, big ? 20 : 0);
        local += e.name;
        if (big) {
            Put16(local, 1);
            Put16(local, 16);
            Put64(local, e.size);
            Put64(local, e.size);
        }
        ok = ok && WriteAt(fd, local, at);

        std::string extra;
        if (big) {
            Put64(extra, e.size);
            Put64(extra, e.size);
        }
        if (at >= kMax32) Put64(extra, at);
        if (!extra.empty()) {
            std::string field;
            Put16(field, 1);
            Put16(field, static_cast<uint32_t>(extra.size()));
            extra = field + extra;
        }
        Put32(cd, 0x02014b50);
        Put16(cd, (3 << 8) | 45);
        Put16(cd, extra.empty() ? 20 : 45);
        Put16(cd, 0);
        Put16(cd, 0);
        Put16(cd, 0);
        Put16(cd, (40 << 9) | (1 << 5) | 1);
        Put32(cd, crc);
        Put32(cd, big ? kMax32 : static_cast<uint32_t>(e.size));
        Put32(cd, big ? kMax32 : static_cast<uint32_t>(e.size));
        Put16(cd, static_cast<uint32_t>(e.name.size()));
        Put16(cd, static_cast<uint32_t>(extra.size()));
        Put16(cd, 0);
        Put16(cd, 0);
        Put16(cd, 0);
        Put32(cd, 0100644u << 16);
        Put32(cd, at >= kMax32 ? kMax32 : static_cast<uint32_t>(at));
        cd += e.name;
        cd += extra;
        at += local.size() + e.size;  // the data stay a hole
    }
    const uint64_t count = entries.size();
    const bool zip64 = count >= 0xFFFF || at >= kMax32 || cd.size() >= kMax32;
    std::string end;
    if (zip64) {
        Put32(end, 0x06064b50);
        Put64(end, 44);
        Put16(end, (3 << 8) | 45);
        Put16(end, 45);
        Put32(end, 0);
        Put32(end, 0);
        Put64(end, count);
        Put64(end, count);
        Put64(end, cd.size());
        Put64(end, at);
        Put32(end, 0x07064b50);
        Put32(end, 0);
        Put64(end, at + cd.size());
        Put32(end, 1);
    }
    Put32(end, 0x06054b50);
    Put16(end, 0);
    Put16(end, 0);
    Put16(end, count >= 0xFFFF ? 0xFFFF : static_cast<uint32_t>(count));
    Put16(end, count >= 0xFFFF ? 0xFFFF : static_cast<uint32_t>(count));
    Put32(end, static_cast<uint32_t>(cd.size()));
    Put32(end, at >= kMax32 ? static_cast<uint32_t>(kMax32) : static_cast<uint32_t>(at));
    Put16(end, 0);
    ok = ok && WriteAt(fd, cd, at) && WriteAt(fd, end, at + cd.size());
    return close(fd) == 0 && ok;
}

}  // namespace corvane::testing
