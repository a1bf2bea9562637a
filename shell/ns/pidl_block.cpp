#include "shell/ns/pidl_block.h"

#include <cstring>

namespace corvane::shell {

namespace {

bool Refuse(std::string* error, const char* why) {
    if (error != nullptr) *error = why;
    return false;
}

}  // namespace

std::string EncodePidlBlock(bool bySpecialFolder, std::uint8_t specialFolder, PCItemIDList list) {
    std::string out;
    if (bySpecialFolder) {
        out += '\x01';
        out += static_cast<char>(specialFolder);
        return out;
    }
    const auto size = static_cast<std::uint32_t>(GetPidlSize(list));
    out += '\0';
    for (int shift = 0; shift < 32; shift += 8) out += static_cast<char>((size >> shift) & 0xFF);
    if (size != 0) out.append(reinterpret_cast<const char*>(list), size);
    return out;
}

bool DecodePidlBlock(std::string_view bytes, PidlBlock& block, std::string* error) {
    if (bytes.empty()) return Refuse(error, "The location block is empty");
    if (bytes[0] != 0) {
        if (bytes.size() != 2) return Refuse(error, "The special-folder location block is malformed");
        block.bySpecialFolder = true;
        block.specialFolder = static_cast<std::uint8_t>(bytes[1]);
        block.list.reset();
        return true;
    }
    if (bytes.size() < 5) return Refuse(error, "The location block is truncated");
    std::uint32_t size = 0;
    for (int k = 0; k < 4; ++k) size |= static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[1 + k])) << (8 * k);
    if (size > kMaxStoredPidlSize) return Refuse(error, "The stored item-id list is too large");
    if (bytes.size() - 5 != size) return Refuse(error, "The location block's size does not match its list");
    UniquePidl list;
    if (size != 0) {
        const char* data = bytes.data() + 5;
        if (!ValidatePidl(data, size)) return Refuse(error, "The stored item-id list is not valid");
        list.reset(static_cast<std::uint8_t*>(ShellAllocator().Alloc(size)));
        if (list == nullptr) return Refuse(error, "Out of memory");
        std::memcpy(list.get(), data, size);
    }
    block.bySpecialFolder = false;
    block.specialFolder = 0;
    block.list = std::move(list);
    return true;
}

}  // namespace corvane::shell
