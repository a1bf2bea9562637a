#pragma once
// The system image list stand-in: a process-wide table of icon-theme names that items index, and
// the type names of files. The images themselves are drawn by the controls from these names.

#include <cstdint>
#include <string>

#include "shell/ns/pidl.h"

namespace corvane::shell {

inline constexpr std::uint32_t SHGFI_LARGEICON = 0x0;
inline constexpr std::uint32_t SHGFI_SMALLICON = 0x1;
inline constexpr std::uint32_t SHGFI_OPENICON = 0x2;
inline constexpr std::uint32_t SHGFI_PIDL = 0x8;
inline constexpr std::uint32_t SHGFI_SYSICONINDEX = 0x4000;

// The table's index for an icon name, added when new. Index 0 is the generic file.
int SysIconIndex(const std::string& key);
// The name at an index ('' beyond the table) and the table's length.
std::string SysIconKey(int index);
int SysIconCount();

// The icon of an absolute list: folder/folder-open (SHGFI_OPENICON), user-home, computer,
// user-trash/user-trash-full, drive-harddisk/drive-removable-media, user-desktop, and files by the
// icon of their type from the name's extension (the file is not read).
int GetPidlIconIndex(PCItemIDList list, std::uint32_t flags);

// Kind 0 small (16 pixels), 1 large (32): the icon table seen at one size.
struct SysImageList {
    int size = 16;
    int Count() const { return SysIconCount(); }
    std::string Key(int index) const { return SysIconKey(index); }
};
SysImageList GetSysImageList(int kind);

// A file's type for the Type column: the type's comment ("HTML document"); for unknown types the
// upper-cased extension + " File", or "File".
std::string GetTypeName(const std::string& name, bool isFolder);

}  // namespace corvane::shell
