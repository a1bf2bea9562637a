#include "shell/ns/pidl.h"

#include <cstring>

namespace corvane::shell {

namespace {

constexpr std::size_t kMaxItemSize = 0xFFFF;

std::uint16_t ReadCb(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

void WriteCb(std::uint8_t* p, std::size_t cb) {
    p[0] = static_cast<std::uint8_t>(cb & 0xFF);
    p[1] = static_cast<std::uint8_t>((cb >> 8) & 0xFF);
}

// Bytes of the items, without the terminator.
std::size_t ItemBytes(PCItemIDList list) {
    const int size = GetPidlSize(list);
    return size == 0 ? 0 : static_cast<std::size_t>(size) - 2;
}

PItemIDList AllocList(IMalloc* allocator, std::size_t size) {
    IMalloc& heap = allocator != nullptr ? *allocator : ShellAllocator();
    return static_cast<PItemIDList>(heap.Alloc(size));
}

}  // namespace

bool IsKnownTag(std::uint8_t tag) {
    switch (static_cast<ItemTag>(tag)) {
        case ItemTag::Home:
        case ItemTag::Computer:
        case ItemTag::Trash:
        case ItemTag::Volume:
        case ItemTag::Folder:
        case ItemTag::Other:
        case ItemTag::TrashEntry:
            return true;
    }
    return false;
}

std::uint16_t ItemSize(PCItemIDList item) { return item == nullptr ? 0 : ReadCb(item); }

PCItemIDList NextItem(PCItemIDList item) { return item + ReadCb(item); }

bool IsEmptyPidl(PCItemIDList list) { return list == nullptr || ReadCb(list) == 0; }

int GetPidlSize(PCItemIDList list) {
    if (list == nullptr) return 0;
    std::size_t size = 2;
    for (PCItemIDList p = list; ReadCb(p) != 0; p = NextItem(p)) size += ReadCb(p);
    return static_cast<int>(size);
}

int PidlItemCount(PCItemIDList list) {
    int count = 0;
    if (list != nullptr)
        for (PCItemIDList p = list; ReadCb(p) != 0; p = NextItem(p)) ++count;
    return count;
}

PItemIDList CopyPidl(IMalloc* allocator, PCItemIDList list) {
    return ConcatPidls(allocator, list, nullptr);
}

PItemIDList ConcatPidls(IMalloc* allocator, PCItemIDList a, PCItemIDList b) {
    const std::size_t bytesA = ItemBytes(a);
    const std::size_t bytesB = ItemBytes(b);
    PItemIDList result = AllocList(allocator, bytesA + bytesB + 2);
    if (result == nullptr) return nullptr;
    if (bytesA != 0) std::memcpy(result, a, bytesA);
    if (bytesB != 0) std::memcpy(result + bytesA, b, bytesB);
    WriteCb(result + bytesA + bytesB, 0);
    return result;
}

void FreePidl(PCItemIDList list) {
    if (list != nullptr) ShellAllocator().Free(const_cast<std::uint8_t*>(list));
}

PCItemIDList LastItem(PCItemIDList list) {
    if (IsEmptyPidl(list)) return nullptr;
    PCItemIDList last = list;
    for (PCItemIDList p = NextItem(list); ReadCb(p) != 0; p = NextItem(p)) last = p;
    return last;
}

PItemIDList CopyFirstItems(PCItemIDList list, int count) {
    std::size_t bytes = 0;
    if (list != nullptr)
        for (PCItemIDList p = list; count > 0 && ReadCb(p) != 0; p = NextItem(p), --count) bytes += ReadCb(p);
    PItemIDList result = AllocList(nullptr, bytes + 2);
    if (result == nullptr) return nullptr;
    if (bytes != 0) std::memcpy(result, list, bytes);
    WriteCb(result + bytes, 0);
    return result;
}

std::uint8_t ItemTagOf(PCItemIDList item) {
    return item != nullptr && ReadCb(item) >= 4 ? item[2] : 0;
}

std::string_view ItemName(PCItemIDList item) {
    const std::uint16_t cb = ItemSize(item);
    if (cb < 4) return {};
    // Up to the first NUL: a well-formed item has exactly one, at its end.
    const char* name = reinterpret_cast<const char*>(item + 3);
    const std::size_t room = cb - 3u;
    const void* nul = std::memchr(name, 0, room);
    return {name, nul == nullptr ? room : static_cast<std::size_t>(static_cast<const char*>(nul) - name)};
}

PItemIDList MakeItem(ItemTag tag, std::string_view name) {
    return AppendItem(nullptr, tag, name);
}

PItemIDList AppendItem(PCItemIDList list, ItemTag tag, std::string_view name) {
    const std::size_t cb = 4 + name.size();
    if (cb > kMaxItemSize) return nullptr;
    const std::size_t head = ItemBytes(list);
    PItemIDList result = AllocList(nullptr, head + cb + 2);
    if (result == nullptr) return nullptr;
    if (head != 0) std::memcpy(result, list, head);
    std::uint8_t* item = result + head;
    WriteCb(item, cb);
    item[2] = static_cast<std::uint8_t>(tag);
    if (!name.empty()) std::memcpy(item + 3, name.data(), name.size());
    item[cb - 1] = 0;
    WriteCb(item + cb, 0);
    return result;
}

bool IsValidItemName(ItemTag tag, std::string_view name) {
    if (name.find('\0') != std::string_view::npos) return false;
    switch (tag) {
        case ItemTag::Home:
        case ItemTag::Computer:
        case ItemTag::Trash:
            return name.empty();
        case ItemTag::Volume: {
            // "/" or "/a/b": no empty, "." or ".." segment.
            if (name.empty() || name.front() != '/') return false;
            if (name.size() == 1) return true;
            std::size_t start = 1;
            while (start <= name.size()) {
                std::size_t end = name.find('/', start);
                if (end == std::string_view::npos) end = name.size();
                const std::string_view part = name.substr(start, end - start);
                if (part.empty() || part == "." || part == "..") return false;
                start = end + 1;
            }
            return true;
        }
        case ItemTag::Folder:
        case ItemTag::Other:
        case ItemTag::TrashEntry:
            return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos;
    }
    return false;
}

bool ValidatePidl(const void* data, std::size_t size) {
    if (data == nullptr || size < 2) return false;
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    std::size_t pos = 0;
    for (;;) {
        if (size - pos < 2) return false;
        const std::uint16_t cb = ReadCb(bytes + pos);
        if (cb == 0) return pos + 2 == size;
        // Room for the item and a terminator after it.
        if (cb < 4 || cb > size - pos - 2) return false;
        const std::uint8_t tag = bytes[pos + 2];
        if (!IsKnownTag(tag) || bytes[pos + cb - 1] != 0) return false;
        const std::string_view name(reinterpret_cast<const char*>(bytes + pos + 3), cb - 4u);
        if (!IsValidItemName(static_cast<ItemTag>(tag), name)) return false;
        pos += cb;
    }
}

bool IsValidUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        std::size_t extra;
        std::uint32_t min;
        std::uint32_t cp;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            extra = 1, min = 0x80, cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2, min = 0x800, cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            extra = 3, min = 0x10000, cp = c & 0x07;
        } else {
            return false;
        }
        if (text.size() - i <= extra) return false;
        for (std::size_t k = 1; k <= extra; ++k) {
            const auto d = static_cast<unsigned char>(text[i + k]);
            if ((d & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (d & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        i += extra + 1;
    }
    return true;
}

std::string DisplayText(std::string_view raw) {
    if (IsValidUtf8(raw)) return std::string(raw);
    std::string out;
    out.reserve(raw.size() + 8);
    std::size_t i = 0;
    while (i < raw.size()) {
        // The longest valid sequence at i, else one replacement character for the byte.
        std::size_t len = 1;
        const auto c = static_cast<unsigned char>(raw[i]);
        if (c >= 0xC0) len = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
        if (c < 0x80) {
            out += raw[i++];
        } else if (i + len <= raw.size() && IsValidUtf8(raw.substr(i, len))) {
            out.append(raw.substr(i, len));
            i += len;
        } else {
            out += "\xEF\xBF\xBD";
            ++i;
        }
    }
    return out;
}

}  // namespace corvane::shell
