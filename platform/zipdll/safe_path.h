#pragma once
// Placing archive entries on disk without leaving the target folder: entry names are split into
// plain components, and folders are walked one component at a time with O_NOFOLLOW, so neither a
// crafted name nor a symbolic link already on disk can redirect a write.

#include <string>
#include <string_view>
#include <vector>

namespace corvane::zipdll {

struct EntryPath {
    std::vector<std::string> parts;  // plain components: never empty, ".", ".." or holding a separator
    bool directory = false;          // the entry names a folder
    int skip_reason = 0;             // XCD_SKIP_* when the entry must not be extracted
};

// "\" and "/" both separate; a drive prefix such as "C:" and leading separators are dropped;
// "." components are dropped; any ".." component makes the whole entry unsafe.
EntryPath SplitEntryName(std::string_view name, bool junk_paths);

// Opens the folder that holds parts[count - 1]'s parent chain, i.e. walks parts[0 .. count-1] below
// root_fd, creating missing folders (mode 0755). Returns the open folder in out_fd (the caller
// closes it; root_fd itself is duplicated when count is 0) or a XCD_SKIP_* reason.
int OpenFolderChain(int root_fd, const std::vector<std::string>& parts, std::size_t count, int& out_fd);

// Opens the target folder of an extraction, creating its missing levels. The target itself may be
// reached through links the user chose; nothing below it is.
int OpenTargetFolder(const std::string& path, int& out_fd);

}  // namespace corvane::zipdll
