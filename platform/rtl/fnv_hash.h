#pragma once
// FNV-1a over bytes: stable across runs and builds, unlike std::hash, for names derived from it.

#include <cstdint>
#include <string_view>

namespace corvane {

inline std::uint64_t Fnv1a64(std::string_view text) {
    std::uint64_t hash = 14695981039346656037ULL;
    for (const unsigned char c : text) {
        hash ^= c;
        hash *= 1099511628211ULL;
    }
    return hash;
}

}  // namespace corvane
