#include "shell/ns/clip_formats.h"

#include <cctype>
#include <cstring>
#include <mutex>

namespace corvane::shell {

namespace {

constexpr std::uint32_t kFirstRegistered = 0xC000;
constexpr std::size_t kDropFilesHeader = 20;

std::string Folded(const std::string& name) {
    std::string folded = name;
    for (char& c : folded) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return folded;
}

void PutU32(ByteBlock& block, std::size_t at, std::uint32_t value) {
    for (int k = 0; k < 4; ++k) block[at + k] = static_cast<std::uint8_t>(value >> (8 * k));
}

std::uint32_t GetU32(const std::uint8_t* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

// The size of the list starting at `at`, walked inside the block; 0 when it runs past the end.
std::size_t ListSizeWithin(const std::uint8_t* bytes, std::size_t size, std::size_t at) {
    std::size_t pos = at;
    for (;;) {
        if (size - pos < 2) return 0;
        const std::size_t cb = static_cast<std::size_t>(bytes[pos]) | static_cast<std::size_t>(bytes[pos + 1]) << 8;
        if (cb == 0) return pos + 2 - at;
        if (cb > size - pos) return 0;
        pos += cb;
    }
}

}  // namespace

std::uint32_t RegisterClipboardFormat(const std::string& name) {
    static std::mutex lock;
    // The shell's own names first, so their ids never depend on who asks first.
    static std::vector<std::string> names = {Folded(CFSTR_SHELLIDLIST), Folded(CFSTR_PREFERREDDROPEFFECT),
                                             Folded(CFSTR_FILECONTENTS), Folded(CFSTR_FILEDESCRIPTOR),
                                             Folded(CFSTR_SHELLURL)};
    if (name.empty()) return 0;
    const std::string folded = Folded(name);
    std::lock_guard guard(lock);
    for (std::size_t k = 0; k < names.size(); ++k)
        if (names[k] == folded) return kFirstRegistered + static_cast<std::uint32_t>(k);
    names.push_back(folded);
    return kFirstRegistered + static_cast<std::uint32_t>(names.size() - 1);
}

std::uint32_t ShellIdListFormat() {
    static const std::uint32_t id = RegisterClipboardFormat(CFSTR_SHELLIDLIST);
    return id;
}

PItemIDList TCida::AbsoluteChild(std::size_t index) const {
    if (index >= children.size()) return nullptr;
    return ConcatPidls(nullptr, parent.get(), children[index].get());
}

ByteBlock BuildCida(PCItemIDList parent, const std::vector<PCItemIDList>& children) {
    static const std::uint8_t kEmpty[2] = {0, 0};
    if (parent == nullptr) parent = kEmpty;
    const std::size_t n = children.size();
    std::size_t total = 4 * n + 8;
    total += static_cast<std::size_t>(GetPidlSize(parent));
    for (PCItemIDList child : children) total += child != nullptr ? static_cast<std::size_t>(GetPidlSize(child)) : 2;
    ByteBlock block(total, 0);
    PutU32(block, 0, static_cast<std::uint32_t>(n));
    std::size_t at = 4 * n + 8;
    const auto put = [&](std::size_t slot, PCItemIDList list) {
        if (list == nullptr) list = kEmpty;
        const std::size_t size = static_cast<std::size_t>(GetPidlSize(list));
        PutU32(block, 4 + 4 * slot, static_cast<std::uint32_t>(at));
        std::memcpy(block.data() + at, list, size);
        at += size;
    };
    put(0, parent);
    for (std::size_t k = 0; k < n; ++k) put(k + 1, children[k]);
    return block;
}

bool ParseCida(const void* data, std::size_t size, TCida& out) {
    out.parent.reset();
    out.children.clear();
    if (data == nullptr || size < 8) return false;
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    const std::size_t n = GetU32(bytes);
    // The count and every offset must fit before the lists start.
    if (n == 0 || n > (size - 4) / 4 - 1) return false;
    TCida parsed;
    for (std::size_t k = 0; k <= n; ++k) {
        const std::size_t offset = GetU32(bytes + 4 + 4 * k);
        if (offset < 4 * n + 8 || offset >= size) return false;
        const std::size_t length = ListSizeWithin(bytes, size, offset);
        if (length == 0 || !ValidatePidl(bytes + offset, length)) return false;
        if (k > 0 && IsEmptyPidl(bytes + offset)) return false;
        UniquePidl copy(CopyPidl(nullptr, bytes + offset));
        if (copy == nullptr) return false;
        if (k == 0)
            parsed.parent = std::move(copy);
        else
            parsed.children.push_back(std::move(copy));
    }
    out = std::move(parsed);
    return true;
}

ByteBlock BuildDropFiles(const std::vector<std::string>& paths) {
    std::size_t total = kDropFilesHeader + 1;
    for (const std::string& path : paths) total += path.size() + 1;
    ByteBlock block(total, 0);
    PutU32(block, 0, static_cast<std::uint32_t>(kDropFilesHeader));
    std::size_t at = kDropFilesHeader;
    for (const std::string& path : paths) {
        std::memcpy(block.data() + at, path.data(), path.size());
        at += path.size() + 1;
    }
    return block;
}

bool ParseDropFiles(const void* data, std::size_t size, std::vector<std::string>& paths) {
    paths.clear();
    if (data == nullptr || size < kDropFilesHeader + 1) return false;
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    const std::size_t offset = GetU32(bytes);
    const bool wide = GetU32(bytes + 16) != 0;
    if (wide || offset < kDropFilesHeader || offset >= size) return false;
    std::size_t at = offset;
    for (;;) {
        const void* nul = std::memchr(bytes + at, 0, size - at);
        if (nul == nullptr) {
            paths.clear();
            return false;
        }
        const std::size_t end = static_cast<const std::uint8_t*>(nul) - bytes;
        if (end == at) return true;  // the closing NUL
        paths.emplace_back(reinterpret_cast<const char*>(bytes + at), end - at);
        at = end + 1;
        if (at >= size) {
            paths.clear();
            return false;
        }
    }
}

ByteBlock BuildTextBlock(const std::vector<std::string>& paths) {
    std::string text;
    for (const std::string& path : paths) text += path + "\r\n";
    ByteBlock block(text.begin(), text.end());
    block.push_back(0);
    return block;
}

}  // namespace corvane::shell
