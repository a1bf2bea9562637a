#pragma once
// Copy, move, rename and delete of absolute paths, asking through the shell UI. Everything below a
// named item is reached through folder descriptors: links are copied, moved and deleted as links and
// never followed, nothing is written through a link found in the destination, and a recursive delete
// stays on the file system it started on.

#include <cstdint>
#include <string>
#include <vector>

class QObject;

namespace corvane::shell {

enum class FileOpKind : std::uint8_t { Move = 1, Copy = 2, Delete = 3, Rename = 4 };

// The flags word's bits.
namespace fof {
constexpr std::uint16_t MultiDestFiles = 0x01;
constexpr std::uint16_t ConfirmMouse = 0x02;  // not used: no pending operations
constexpr std::uint16_t Silent = 0x04;
constexpr std::uint16_t RenameOnCollision = 0x08;
constexpr std::uint16_t NoConfirmation = 0x10;
constexpr std::uint16_t WantMappingHandle = 0x20;
constexpr std::uint16_t AllowUndo = 0x40;
constexpr std::uint16_t FilesOnly = 0x80;
constexpr std::uint16_t SimpleProgress = 0x100;
constexpr std::uint16_t NoConfirmMkDir = 0x200;
}  // namespace fof

struct FileOpRequest {
    FileOpKind kind = FileOpKind::Copy;
    // Absolute paths, each acted on as it is: ";", "*" and "?" are legal in names.
    std::vector<std::string> sources;
    // "*" and "?" in a source's last part match the names of its folder; only for callers that mean it.
    bool patterns = false;
    std::vector<std::string> destinations;  // one folder (or new name), or one per source
    std::uint16_t flags = 0;
    std::string progressTitle;
    QObject* parent = nullptr;  // handed to the shell UI
};

struct FileOpResult {
    bool ok = false;       // every item done
    bool aborted = false;  // the user cancelled
    std::vector<std::string> errors;
};

FileOpResult RunFileOperation(const FileOpRequest& request);

// The n-th name tried for an item whose name is taken: "name (n).ext".
std::string CollisionName(const std::string& name, int n);

}  // namespace corvane::shell
