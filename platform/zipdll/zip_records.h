#pragma once
// Signatures and fixed sizes of the zip format's records, for the code that reads or writes them
// directly rather than through libzip.

#include <cstddef>
#include <cstdint>

namespace corvane::zipdll {

constexpr uint32_t kLocalSignature = 0x04034b50;
constexpr uint32_t kCentralSignature = 0x02014b50;
constexpr uint32_t kEndSignature = 0x06054b50;
constexpr uint32_t kEnd64Signature = 0x06064b50;
constexpr uint32_t kLocatorSignature = 0x07064b50;
constexpr std::size_t kEndSize = 22;
constexpr std::size_t kEnd64Size = 56;
constexpr std::size_t kLocatorSize = 20;
constexpr std::size_t kCentralSize = 46;
constexpr std::size_t kLocalSize = 30;
constexpr uint32_t kMax16 = 0xFFFF;
constexpr uint64_t kMax32 = 0xFFFFFFFF;
// General purpose flag: the entry's name and comment are UTF-8.
constexpr uint32_t kUtf8Flag = 0x0800;

}  // namespace corvane::zipdll
