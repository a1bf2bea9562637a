#pragma once
// The stored form of a shell location ("Pidl" in form streams): a kind byte (0 = a list, else a
// special folder), then for a list its size (32-bit LE, terminator included; 0 = nil) and its bytes,
// for a special folder its id byte. Reading checks what it reads: a list above 1 MiB, a short block
// or bytes that are not a valid list are refused.

#include <cstdint>
#include <string>
#include <string_view>

#include "shell/ns/pidl.h"

namespace corvane::shell {

inline constexpr std::size_t kMaxStoredPidlSize = 1u << 20;

struct PidlBlock {
    bool bySpecialFolder = false;
    std::uint8_t specialFolder = 0;
    UniquePidl list;  // nil for a nil (or zero-size) list
};

std::string EncodePidlBlock(bool bySpecialFolder, std::uint8_t specialFolder, PCItemIDList list);
// False (block untouched) with a reason when the bytes are refused.
bool DecodePidlBlock(std::string_view bytes, PidlBlock& block, std::string* error = nullptr);

}  // namespace corvane::shell
