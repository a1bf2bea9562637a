#include "shell/ns/fs_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>

#include "shell/ns/item_ui_objects.h"
#include "shell/ns/name_order.h"
#include "shell/ns/shell_utils.h"
#include "shell/ns/shell_paths.h"

namespace corvane::shell {

namespace {

bool IsFsItemTag(std::uint8_t tag) {
    return tag == static_cast<std::uint8_t>(ItemTag::Folder) || tag == static_cast<std::uint8_t>(ItemTag::Other);
}

// A single item of ours that may name an entry of a file-system folder.
bool IsValidFsItem(PCItemIDList item) {
    const std::uint8_t tag = ItemTagOf(item);
    return IsFsItemTag(tag) && IsValidItemName(static_cast<ItemTag>(tag), ItemName(item));
}

bool IsHiddenName(std::string_view name) { return !name.empty() && name.front() == '.'; }

std::string_view Extension(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    return dot == std::string_view::npos || dot == 0 ? std::string_view() : name.substr(dot + 1);
}

int Sign(long long v) { return v < 0 ? -1 : v > 0 ? 1 : 0; }

}  // namespace

bool ReadEntryInfo(int dirFd, const char* name, EntryInfo& info) {
    struct stat st;
    if (::fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) return false;
    info = EntryInfo{};
    info.mode = st.st_mode;
    info.nlink = st.st_nlink;
    info.size = st.st_size;
    info.modified = st.st_mtim;
    if (S_ISLNK(st.st_mode)) {
        struct stat target;
        if (::fstatat(dirFd, name, &target, 0) == 0) {
            info.targetMode = target.st_mode;
            info.nlink = target.st_nlink;
        }
    }
    return true;
}

SubfolderHint SubfolderHintFromLinks(nlink_t links) {
    if (links == 2) return SubfolderHint::None;
    return links > 2 ? SubfolderHint::Some : SubfolderHint::Scan;
}

bool HasSubfolderByScan(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    DIR* dir = ::fdopendir(fd);
    if (dir == nullptr) {
        ::close(fd);
        return false;
    }
    bool found = false;
    while (!found) {
        const dirent* ent = ::readdir(dir);
        if (ent == nullptr) break;
        const std::string_view name = ent->d_name;
        if (name == "." || name == "..") continue;
        if (ent->d_type == DT_DIR) {
            found = true;
        } else if (ent->d_type == DT_UNKNOWN) {
            struct stat st;
            found = ::fstatat(fd, ent->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode);
        }
    }
    ::closedir(dir);
    return found;
}

bool HasSubfolder(const std::string& path, nlink_t links) {
    switch (SubfolderHintFromLinks(links)) {
        case SubfolderHint::None: return false;
        case SubfolderHint::Some: return true;
        case SubfolderHint::Scan: break;
    }
    return HasSubfolderByScan(path);
}

PItemIDList AppendPathItems(PCItemIDList list, const std::string& base, const std::vector<std::string>& parts) {
    UniquePidl result(CopyPidl(nullptr, list));
    std::string path = base;
    bool missing = false;
    for (const std::string& part : parts) {
        if (result == nullptr) return nullptr;
        path = JoinPath(path, part);
        ItemTag tag = ItemTag::Folder;
        if (!missing) {
            EntryInfo info;
            if (ReadEntryInfo(AT_FDCWD, path.c_str(), info))
                tag = info.IsFolder() ? ItemTag::Folder : ItemTag::Other;
            else
                missing = true;  // a place yet to be made: the rest are taken as folders
        }
        result.reset(AppendItem(result.get(), tag, part));
    }
    return result.release();
}

std::uint32_t RootFolderAttributes(const std::string& path, std::uint32_t asked) {
    std::uint32_t attrs = SFGAO_FOLDER | SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR | SFGAO_DROPTARGET |
                          SFGAO_CANCOPY | SFGAO_CANLINK;
    if (asked & SFGAO_HASSUBFOLDER) {
        struct stat st;
        if (::stat(path.c_str(), &st) == 0 && HasSubfolder(path, st.st_nlink)) attrs |= SFGAO_HASSUBFOLDER;
    }
    if ((asked & SFGAO_READONLY) && ::access(path.c_str(), W_OK) != 0) attrs |= SFGAO_READONLY;
    return attrs;
}

bool JoinFolderItems(const std::string& base, PCItemIDList list, std::string& path) {
    path = base;
    if (list == nullptr) return true;
    for (PCItemIDList p = list; ItemSize(p) != 0; p = NextItem(p)) {
        if (ItemTagOf(p) != static_cast<std::uint8_t>(ItemTag::Folder) ||
            !IsValidItemName(ItemTag::Folder, ItemName(p)))
            return false;
        path = JoinPath(path, ItemName(p));
    }
    return true;
}

const EntryInfo* FsFolder::Lookup(std::string_view name) {
    if (auto it = cache_.find(name); it != cache_.end()) return &it->second;
    EntryInfo info;
    if (!ReadEntryInfo(AT_FDCWD, JoinPath(path_, name).c_str(), info)) return nullptr;
    return &cache_.insert_or_assign(std::string(name), info).first->second;
}

bool FsFolder::ParentWritable() {
    if (parentWritable_ < 0) parentWritable_ = ::access(path_.c_str(), W_OK) == 0 ? 1 : 0;
    return parentWritable_ == 1;
}

HRESULT FsFolder::ParseDisplayName(HWND, void*, const std::string& name, std::uint32_t* eaten, PItemIDList* out,
                                   std::uint32_t* attributes) {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    // Resolved as text below this folder; a name that climbs out of it is refused.
    std::vector<std::string> parts;
    if (name.find('\0') != std::string::npos || !SplitRelativePath(name, parts) || parts.empty())
        return E_INVALIDARG;
    for (const std::string& part : parts)
        if (part.size() > NAME_MAX) return HResultFromErrno(ENAMETOOLONG);
    *out = AppendPathItems(nullptr, path_, parts);
    if (*out == nullptr) return E_OUTOFMEMORY;
    if (eaten != nullptr) *eaten = static_cast<std::uint32_t>(name.size());
    if (attributes != nullptr && *attributes != 0) {
        if (IsSingleItem(*out)) {
            PCItemIDList item = *out;
            if (Failed(GetAttributesOf(1, &item, attributes))) *attributes = 0;
        } else {
            *attributes = 0;
        }
    }
    return S_OK;
}

HRESULT FsFolder::EnumObjects(HWND, std::uint32_t flags, IEnumIDList** out) {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    const int fd = ::open(path_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return HResultFromErrno(errno);
    DIR* dir = ::fdopendir(fd);
    if (dir == nullptr) {
        const int error = errno;
        ::close(fd);
        return HResultFromErrno(error);
    }
    cache_.clear();
    parentWritable_ = -1;
    std::vector<UniquePidl> items;
    for (;;) {
        errno = 0;
        const dirent* ent = ::readdir(dir);
        if (ent == nullptr) break;
        const std::string_view name = ent->d_name;
        if (name == "." || name == "..") continue;
        if (IsHiddenName(name) && !(flags & SHCONTF_INCLUDEHIDDEN)) continue;
        EntryInfo info;
        if (!ReadEntryInfo(fd, ent->d_name, info)) continue;  // gone since the listing
        const bool folder = info.IsFolder();
        if (folder ? !(flags & SHCONTF_FOLDERS) : !(flags & SHCONTF_NONFOLDERS)) continue;
        PItemIDList item = MakeItem(folder ? ItemTag::Folder : ItemTag::Other, name);
        if (item == nullptr) {
            ::closedir(dir);
            return E_OUTOFMEMORY;
        }
        items.emplace_back(item);
        cache_.insert_or_assign(std::string(name), info);
    }
    const int error = errno;
    ::closedir(dir);
    if (error != 0) return HResultFromErrno(error);
    *out = new IdListEnum(std::move(items));
    return S_OK;
}

HRESULT FsFolder::BindToObject(PCItemIDList list, void*, Iid iid, void** out) {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (IsEmptyPidl(list)) return E_INVALIDARG;
    if (iid != Iid::ShellFolder && iid != Iid::Unknown) return E_NOINTERFACE;
    std::string path;
    if (!JoinFolderItems(path_, list, path)) return E_INVALIDARG;
    if (path.size() >= PATH_MAX) return HResultFromErrno(ENAMETOOLONG);
    return HandOut(new FsFolder(std::move(path)), iid, out);
}

int FsFolder::CompareItems(std::intptr_t column, PCItemIDList a, PCItemIDList b) const {
    const bool folderA = ItemTagOf(a) == static_cast<std::uint8_t>(ItemTag::Folder);
    const bool folderB = ItemTagOf(b) == static_cast<std::uint8_t>(ItemTag::Folder);
    if (folderA != folderB) return folderA ? -1 : 1;
    const std::string_view nameA = ItemName(a);
    const std::string_view nameB = ItemName(b);
    int order = 0;
    if (column == 1 || column == 3) {
        // From the kept data only: a sort makes no system call per comparison.
        const auto itA = cache_.find(nameA);
        const auto itB = cache_.find(nameB);
        const EntryInfo none;
        const EntryInfo& infoA = itA != cache_.end() ? itA->second : none;
        const EntryInfo& infoB = itB != cache_.end() ? itB->second : none;
        if (column == 1) {
            if (!folderA) order = Sign(static_cast<long long>(infoA.size) - static_cast<long long>(infoB.size));
        } else {
            order = Sign(static_cast<long long>(infoA.modified.tv_sec) - static_cast<long long>(infoB.modified.tv_sec));
            if (order == 0) order = Sign(infoA.modified.tv_nsec - infoB.modified.tv_nsec);
        }
    } else if (column == 2 && !folderA) {
        order = CompareNames(Extension(nameA), Extension(nameB));
    }
    return order != 0 ? order : CompareNames(nameA, nameB);
}

HRESULT FsFolder::CompareIDs(std::intptr_t column, PCItemIDList a, PCItemIDList b) {
    if (column < 0 || column > 3) column = 0;
    // Level by level; the column applies to this folder's own items, names decide below them.
    for (std::intptr_t level = column;; level = 0) {
        if (HRESULT end; CompareAtEnd(a, b, end)) return end;
        if (!IsValidFsItem(a) || !IsValidFsItem(b)) return E_INVALIDARG;
        const int order = CompareItems(level, a, b);
        if (order != 0) return CompareResult(order);
        a = NextItem(a);
        b = NextItem(b);
    }
}

HRESULT FsFolder::GetAttributesOf(std::uint32_t count, const PCItemIDList* items, std::uint32_t* inOut) {
    if (inOut == nullptr || (count > 0 && items == nullptr)) return E_POINTER;
    const std::uint32_t asked = *inOut;
    std::uint32_t common = ~0u;
    for (std::uint32_t k = 0; k < count; ++k) {
        PCItemIDList item = items[k];
        if (!IsSingleItem(item) || !IsValidFsItem(item)) return E_INVALIDARG;
        const std::string_view name = ItemName(item);
        const bool taggedFolder = ItemTagOf(item) == static_cast<std::uint8_t>(ItemTag::Folder);
        const EntryInfo* info = nullptr;
        if (asked & SFGAO_VALIDATE) {
            // Read again: an item that is gone, or became another type than its tag, fails.
            if (auto it = cache_.find(name); it != cache_.end()) cache_.erase(it);
            errno = 0;
            info = Lookup(name);
            if (info == nullptr) return HResultFromErrno(errno != 0 ? errno : ENOENT);
            if (info->IsFolder() != taggedFolder) return E_FAIL;
        } else {
            info = Lookup(name);
        }
        const bool folder = info != nullptr ? info->IsFolder() : taggedFolder;
        std::uint32_t attrs = SFGAO_FILESYSTEM | SFGAO_CANCOPY | SFGAO_CANLINK;
        if (folder) attrs |= SFGAO_FOLDER | SFGAO_FILESYSANCESTOR | SFGAO_DROPTARGET;
        if (info != nullptr && info->IsLink()) attrs |= SFGAO_LINK;
        if (IsHiddenName(name)) attrs |= SFGAO_GHOSTED;
        if ((asked & (SFGAO_CANMOVE | SFGAO_CANRENAME | SFGAO_CANDELETE)) && ParentWritable())
            attrs |= SFGAO_CANMOVE | SFGAO_CANRENAME | SFGAO_CANDELETE;
        const std::string path = (asked & (SFGAO_READONLY | SFGAO_HASSUBFOLDER)) ? JoinPath(path_, name) : std::string();
        if ((asked & SFGAO_READONLY) && ::access(path.c_str(), W_OK) != 0 && errno != ENOENT)
            attrs |= SFGAO_READONLY;
        if ((asked & SFGAO_HASSUBFOLDER) && folder && info != nullptr && HasSubfolder(path, info->nlink))
            attrs |= SFGAO_HASSUBFOLDER;
        common &= attrs;
    }
    *inOut = count == 0 ? 0 : (common & asked & ~SFGAO_VALIDATE);
    return S_OK;
}

HRESULT FsFolder::GetDisplayNameOf(PCItemIDList item, std::uint32_t flags, STRRET* out) {
    if (out == nullptr) return E_POINTER;
    if (IsEmptyPidl(item)) return E_INVALIDARG;
    std::string path = path_;
    PCItemIDList last = item;
    for (PCItemIDList p = item; ItemSize(p) != 0; p = NextItem(p)) {
        if (!IsValidFsItem(p)) return E_INVALIDARG;
        path = JoinPath(path, ItemName(p));
        last = p;
    }
    const std::string_view name = ItemName(last);
    if (flags & SHGDN_FORPARSING) return SetStrRetText(out, (flags & SHGDN_INFOLDER) ? name : std::string_view(path));
    if (last == item && IsValidUtf8(name)) return SetStrRetOffset(out, 3);
    return SetStrRetText(out, DisplayText(name));
}

HRESULT FsFolder::GetUIObjectOf(HWND owner, std::uint32_t count, const PCItemIDList* items, Iid iid, std::uint32_t*,
                                void** out) {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (count == 0 || items == nullptr) return E_INVALIDARG;
    std::vector<TShellMenuEntry> entries;
    for (std::uint32_t k = 0; k < count; ++k) {
        if (!IsSingleItem(items[k]) || !IsValidFsItem(items[k])) return E_INVALIDARG;
        const std::string_view name = ItemName(items[k]);
        const EntryInfo* info = Lookup(name);
        const bool folder = info != nullptr ? info->IsFolder()
                                            : ItemTagOf(items[k]) == static_cast<std::uint8_t>(ItemTag::Folder);
        entries.push_back({JoinPath(path_, name), folder});
    }
    UniquePidl self;
    {
        PItemIDList list = nullptr;
        if (Failed(PathToPidl(path_, &list))) return E_FAIL;
        self.reset(list);
    }
    return ItemUIObject(owner, self.get(), count, items, std::move(entries), TShellItemMenu::Kind::Items, iid, out);
}

HRESULT FsFolder::SetNameOf(HWND, PCItemIDList item, const std::string& name, std::uint32_t, PItemIDList* out) {
    if (out != nullptr) *out = nullptr;
    if (!IsSingleItem(item) || !IsValidFsItem(item)) return E_INVALIDARG;
    if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos ||
        name.find('\0') != std::string::npos)
        return HResultFromErrno(EINVAL);
    if (name.size() > NAME_MAX) return HResultFromErrno(ENAMETOOLONG);
    const std::string oldName(ItemName(item));
    const std::string from = JoinPath(path_, oldName);
    const std::string to = JoinPath(path_, name);
    // Never replaces an existing item.
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) != 0)
        return HResultFromErrno(errno);
    if (auto it = cache_.find(oldName); it != cache_.end()) {
        const EntryInfo info = it->second;
        cache_.erase(it);
        cache_.insert_or_assign(name, info);
    }
    if (out != nullptr) {
        *out = MakeItem(static_cast<ItemTag>(ItemTagOf(item)), name);
        if (*out == nullptr) return E_OUTOFMEMORY;
    }
    return S_OK;
}

}  // namespace corvane::shell
