#pragma once
// Little-endian fields as the zip format and the append journal store them.

#include <cstdint>
#include <string>
#include <string_view>

namespace corvane::zipdll {

inline void Put16(std::string& out, uint32_t v) {
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>((v >> 8) & 0xFF));
}
inline void Put32(std::string& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}
inline void Put64(std::string& out, uint64_t v) {
    Put32(out, static_cast<uint32_t>(v));
    Put32(out, static_cast<uint32_t>(v >> 32));
}

// The caller has checked that the bytes are there.
inline uint32_t Get16(std::string_view in, std::size_t at) {
    return static_cast<uint32_t>(static_cast<unsigned char>(in[at])) |
           static_cast<uint32_t>(static_cast<unsigned char>(in[at + 1])) << 8;
}
inline uint32_t Get32(std::string_view in, std::size_t at) { return Get16(in, at) | Get16(in, at + 2) << 16; }
inline uint64_t Get64(std::string_view in, std::size_t at) {
    return static_cast<uint64_t>(Get32(in, at)) | static_cast<uint64_t>(Get32(in, at + 4)) << 32;
}

}  // namespace corvane::zipdll
