#pragma once
// Item-id lists: building, measuring, copying and checking them, and the payload of our own items.
// Each of our items is: cb (16-bit LE, counting itself) | tag | the raw name bytes | NUL.
// Names stay bytes (a name that is not UTF-8 survives); they are decoded only for display.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "shell/ns/com.h"

namespace corvane::shell {

enum class ItemTag : std::uint8_t {
    Home = 0x01,
    Computer = 0x02,
    Trash = 0x03,
    Volume = 0x10,      // name = the mount path
    Folder = 0x20,      // a directory or a link to one
    Other = 0x21,       // any other item
    TrashEntry = 0x30,  // name = the entry's name in the trash's files/ folder
};
bool IsKnownTag(std::uint8_t tag);

// Size of one item (its cb); 0 for the terminator.
std::uint16_t ItemSize(PCItemIDList item);
PCItemIDList NextItem(PCItemIDList item);
// True for nil and for the empty list (the desktop).
bool IsEmptyPidl(PCItemIDList list);

// Total bytes including the terminator; 0 for nil.
int GetPidlSize(PCItemIDList list);
int PidlItemCount(PCItemIDList list);
// A copy with a fresh terminator; nil allocator = the shell allocator; nil when allocation fails.
PItemIDList CopyPidl(IMalloc* allocator, PCItemIDList list);
// The items of a, then those of b, one terminator; either may be nil.
PItemIDList ConcatPidls(IMalloc* allocator, PCItemIDList a, PCItemIDList b);
// Frees through the shell allocator; nil is ignored.
void FreePidl(PCItemIDList list);

struct PidlDeleter {
    void operator()(std::uint8_t* list) const { FreePidl(list); }
};
using UniquePidl = std::unique_ptr<std::uint8_t, PidlDeleter>;

// The last item of a non-empty list (inside it); nil for nil or empty.
PCItemIDList LastItem(PCItemIDList list);
// A new list of the first `count` items (count clamped to the list's length).
PItemIDList CopyFirstItems(PCItemIDList list, int count);

// Our payload. The tag of an item (0 when it is too short to carry one) and its name bytes.
std::uint8_t ItemTagOf(PCItemIDList item);
std::string_view ItemName(PCItemIDList item);
// A one-item list (shell allocator); nil when the name does not fit an item.
PItemIDList MakeItem(ItemTag tag, std::string_view name);
// A list of one item appended to `list` (a new list).
PItemIDList AppendItem(PCItemIDList list, ItemTag tag, std::string_view name);

// Whether a name may be carried by an item with this tag: Home, Computer and Trash have none;
// volumes are normalised absolute paths; every other name is non-empty, not "." or "..", and
// holds neither "/" nor NUL.
bool IsValidItemName(ItemTag tag, std::string_view name);

// For lists from outside (streams, drag data, fuzzed bytes): every item's cb >= 4 and inside the
// block, the terminator last, a known tag, a NUL-ended name that IsValidItemName accepts.
bool ValidatePidl(const void* data, std::size_t size);

// Names for display: valid UTF-8 as it is, any other byte as U+FFFD.
bool IsValidUtf8(std::string_view text);
std::string DisplayText(std::string_view raw);

}  // namespace corvane::shell
