#pragma once
// One registry value as the store keeps it: a name, the registry type number and the raw data bytes.

#include <cstdint>
#include <string>

namespace corvane {

// Registry type numbers, as the .reg syntax writes them in hex(N).
inline constexpr std::uint32_t kRegNone = 0;
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDWord = 4;
inline constexpr std::uint32_t kRegMultiSz = 7;
inline constexpr std::uint32_t kRegQWord = 11;

struct RegValue {
    std::string Name;  // "" is the key's default value, "@" in a .reg file
    std::uint32_t Type = kRegSz;
    // Strings: the text bytes without a terminator. DWORD: 4 bytes little-endian. Others: as stored.
    std::string Data;

    static RegValue String(const std::string& name, const std::string& text) { return {name, kRegSz, text}; }
    static RegValue DWord(const std::string& name, std::uint32_t value);
    static RegValue Binary(const std::string& name, const std::string& bytes) { return {name, kRegBinary, bytes}; }

    bool IsString() const { return Type == kRegSz || Type == kRegExpandSz; }
    bool IsDWord() const { return Type == kRegDWord && Data.size() == 4; }
    std::uint32_t AsDWord() const;  // 0 unless IsDWord

    bool operator==(const RegValue& other) const = default;
};

}  // namespace corvane
