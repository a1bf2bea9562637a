#pragma once
// The home trash (freedesktop Trash): where it is and what it holds. Reading only here; moving
// files into the trash joins these files later.

#include <cstdint>
#include <string>
#include <vector>

namespace corvane::shell {

// $XDG_DATA_HOME/Trash when XDG_DATA_HOME is absolute, else ~/.local/share/Trash (no final "/").
std::string HomeTrashDir();

struct TrashEntry {
    std::string name;          // the entry's name in files/ (and of its info file, less ".trashinfo")
    std::string originalPath;  // Path= percent-decoded (absolute for the home trash)
    std::string originalName;  // its last part
    std::string deletionDate;  // DeletionDate= as written (YYYY-MM-DDThh:mm:ss)
    std::string filesPath;     // the matching entry under files/
};

// The entries of a trash folder whose info file is well formed and whose files/ entry exists,
// sorted by name. A missing trash is empty.
std::vector<TrashEntry> ListTrash(const std::string& trashDir);
std::vector<TrashEntry> ListHomeTrash();

// One info file's text; false when it is not a trash info record (no "[Trash Info]" group or no Path).
bool ParseTrashInfo(const std::string& text, std::string& originalPath, std::string& deletionDate);

}  // namespace corvane::shell
