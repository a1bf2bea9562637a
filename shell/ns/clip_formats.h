#pragma once
// Clipboard formats of the shell's data transfer: the process's table of registered format names and
// the blocks the formats carry: the item-id list array (CIDA), the file list (DROPFILES) and text.
// Blocks from outside the process are read only through the checking parsers here.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "shell/ns/com.h"
#include "shell/ns/pidl.h"

namespace corvane::shell {

inline constexpr std::uint32_t CF_TEXT = 1;
inline constexpr std::uint32_t CF_HDROP = 15;

inline constexpr const char* CFSTR_SHELLIDLIST = "Shell IDList Array";
inline constexpr const char* CFSTR_PREFERREDDROPEFFECT = "Preferred DropEffect";
inline constexpr const char* CFSTR_FILECONTENTS = "FileContents";
inline constexpr const char* CFSTR_FILEDESCRIPTOR = "FileGroupDescriptor";
inline constexpr const char* CFSTR_SHELLURL = "UniformResourceLocator";

// The id of a format name, the same for every spelling of it (case does not count); registered names
// take ids from 0xC000 on. 0 for an empty name. Thread-safe.
std::uint32_t RegisterClipboardFormat(const std::string& name);
// The id of "Shell IDList Array".
std::uint32_t ShellIdListFormat();

using ByteBlock = std::vector<std::uint8_t>;

// An item-id list array: one parent folder (absolute) and items relative to it.
struct TCida {
    UniquePidl parent;
    std::vector<UniquePidl> children;
    // The absolute list of child i (a new list).
    PItemIDList AbsoluteChild(std::size_t index) const;
};

// count, count + 1 offsets, the parent list (the empty list for nil), then the children.
ByteBlock BuildCida(PCItemIDList parent, const std::vector<PCItemIDList>& children);
// Checks a block from outside: every offset inside it, every list whole, valid and ended inside
// the block, at least one child, no child empty. False leaves `out` empty.
bool ParseCida(const void* data, std::size_t size, TCida& out);

// A 20-byte header (file list at 20, no point, not wide), each path NUL-ended, one more NUL. Sized
// from the paths themselves.
ByteBlock BuildDropFiles(const std::vector<std::string>& paths);
// The paths of a file list from outside; false for a block that does not hold one.
bool ParseDropFiles(const void* data, std::size_t size, std::vector<std::string>& paths);

// Each path followed by CR LF, then a NUL.
ByteBlock BuildTextBlock(const std::vector<std::string>& paths);

}  // namespace corvane::shell
