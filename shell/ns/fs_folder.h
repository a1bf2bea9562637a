#pragma once
// A folder of the file system: its items are the directory's entries, each read with one fstatat
// (and a stat for links) when it is enumerated; the data is kept until the next enumeration, so
// sorting by size or date makes no system call.

#include <sys/stat.h>

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "shell/ns/folder_base.h"

namespace corvane::shell {

// What the attribute and column code needs of one entry.
struct EntryInfo {
    mode_t mode = 0;        // of the entry itself (lstat)
    mode_t targetMode = 0;  // of what a link points to; 0 for a dangling link
    nlink_t nlink = 0;      // of the directory (the target's for a link)
    off_t size = 0;
    timespec modified{};
    bool IsLink() const { return S_ISLNK(mode); }
    bool IsFolder() const { return S_ISDIR(mode) || (S_ISLNK(mode) && S_ISDIR(targetMode)); }
};

// Reads one entry of a folder (dirFd, or AT_FDCWD with an absolute path); false with errno set.
bool ReadEntryInfo(int dirFd, const char* name, EntryInfo& info);

// A directory's subfolders from its link count: 2 none, above 2 some; below 2 the file system does
// not count them and only a scan can tell.
enum class SubfolderHint { None, Some, Scan };
SubfolderHint SubfolderHintFromLinks(nlink_t links);
// Reads the directory up to its first subfolder.
bool HasSubfolderByScan(const std::string& path);
bool HasSubfolder(const std::string& path, nlink_t links);

// Appends items for the parts below `base` (normalised, no "." or ".."): existing parts take their
// real tag, a missing tail is taken as folders. Returns the new list (or nil when out of memory).
PItemIDList AppendPathItems(PCItemIDList list, const std::string& base, const std::vector<std::string>& parts);

// Attributes of a directory reached by a root item (Home, a volume).
std::uint32_t RootFolderAttributes(const std::string& path, std::uint32_t asked);

class FsFolder final : public ShellFolderBase {
public:
    explicit FsFolder(std::string path) : path_(std::move(path)) {}
    const std::string& Path() const { return path_; }

    HRESULT ParseDisplayName(HWND, void*, const std::string& name, std::uint32_t* eaten, PItemIDList* out,
                             std::uint32_t* attributes) override;
    HRESULT EnumObjects(HWND, std::uint32_t flags, IEnumIDList** out) override;
    HRESULT BindToObject(PCItemIDList list, void*, Iid iid, void** out) override;
    HRESULT CompareIDs(std::intptr_t column, PCItemIDList a, PCItemIDList b) override;
    HRESULT GetAttributesOf(std::uint32_t count, const PCItemIDList* items, std::uint32_t* inOut) override;
    HRESULT GetDisplayNameOf(PCItemIDList item, std::uint32_t flags, STRRET* out) override;
    HRESULT GetUIObjectOf(HWND owner, std::uint32_t count, const PCItemIDList* items, Iid iid, std::uint32_t*,
                          void** out) override;
    HRESULT SetNameOf(HWND, PCItemIDList item, const std::string& name, std::uint32_t flags,
                      PItemIDList* out) override;

private:
    struct NameHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
    };
    using Cache = std::unordered_map<std::string, EntryInfo, NameHash, std::equal_to<>>;

    // The kept data of an entry, read now when it was not enumerated; nullptr when unreadable.
    const EntryInfo* Lookup(std::string_view name);
    bool ParentWritable();
    int CompareItems(std::intptr_t column, PCItemIDList a, PCItemIDList b) const;

    std::string path_;
    Cache cache_;
    int parentWritable_ = -1;  // unknown until asked
};

// Folder names along a relative list joined to `base`; false when an item is not a valid folder item.
bool JoinFolderItems(const std::string& base, PCItemIDList list, std::string& path);

}  // namespace corvane::shell
