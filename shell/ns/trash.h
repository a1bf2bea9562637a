#pragma once
// The freedesktop Trash: where the home trash is, what a trash holds, and moving items into the
// trash of their own file system (the home trash, else the top directory's).

#include <cstdint>
#include <ctime>
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

enum class TrashResult {
    Trashed,  // moved into a trash
    NoTrash,  // no usable trash on the item's file system; the item is untouched
    Failed,   // the move failed; the item is untouched and no info file is left
};

struct TrashOutcome {
    TrashResult result = TrashResult::Failed;
    std::string trashDir;  // the trash used
    std::string name;      // the entry's name in its files/
    std::string error;     // why, when not trashed
};

// Moves one item (a link as the link) into the trash of its file system. path: absolute.
TrashOutcome MoveToTrash(const std::string& path);

// Path= text: every byte but unreserved ASCII and "/" as %XX.
std::string EncodeTrashPath(const std::string& path);
// The whole info file for an encoded path deleted at that moment (local time).
std::string FormatTrashInfo(const std::string& encodedPath, std::time_t when);

// Makes the next move of an item into files/ fail with this errno (0: none); for tests.
void InjectTrashMoveFailure(int error);

}  // namespace corvane::shell
