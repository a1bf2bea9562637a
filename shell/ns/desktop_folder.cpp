#include "shell/ns/desktop_folder.h"

#include <fcntl.h>

#include <cerrno>
#include <climits>

#include "shell/ns/computer_folder.h"
#include "shell/ns/fs_folder.h"
#include "shell/ns/data_object.h"
#include "shell/ns/item_ui_objects.h"
#include "shell/ns/shell_paths.h"
#include "shell/ns/trash_folder.h"
#include "shell/ns/volumes.h"

namespace corvane::shell {

namespace {

constexpr std::string_view kDesktopParsing = "::Desktop";
constexpr std::string_view kComputerParsing = "::Computer";
constexpr std::string_view kTrashParsing = "::Trash";

bool IsRootTag(std::uint8_t tag) {
    return tag == static_cast<std::uint8_t>(ItemTag::Home) || tag == static_cast<std::uint8_t>(ItemTag::Computer) ||
           tag == static_cast<std::uint8_t>(ItemTag::Trash);
}

bool IsValidRootItem(PCItemIDList item) {
    const std::uint8_t tag = ItemTagOf(item);
    return IsRootTag(tag) && IsValidItemName(static_cast<ItemTag>(tag), ItemName(item));
}

// The folder a root item opens, with a reference for the caller.
IShellFolder* NewRootFolder(std::uint8_t tag) {
    switch (static_cast<ItemTag>(tag)) {
        case ItemTag::Home: return new FsFolder(HomeDir());
        case ItemTag::Computer: return new ComputerFolder();
        case ItemTag::Trash: return new TrashFolder();
        default: return nullptr;
    }
}

bool StartsWithParts(const std::vector<std::string>& parts, const std::vector<std::string>& prefix) {
    if (prefix.size() > parts.size()) return false;
    for (std::size_t k = 0; k < prefix.size(); ++k)
        if (parts[k] != prefix[k]) return false;
    return true;
}

}  // namespace

HRESULT SHGetDesktopFolder(IShellFolder** out) {
    if (out == nullptr) return E_POINTER;
    *out = new DesktopFolder();
    return S_OK;
}

HRESULT DesktopFolder::ParseDisplayName(HWND, void*, const std::string& name, std::uint32_t* eaten, PItemIDList* out,
                                        std::uint32_t* attributes) {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (eaten != nullptr) *eaten = 0;
    if (name == kDesktopParsing) {
        *out = CopyPidl(nullptr, nullptr);
    } else if (name == kComputerParsing) {
        *out = MakeItem(ItemTag::Computer, {});
    } else if (name == kTrashParsing) {
        *out = MakeItem(ItemTag::Trash, {});
    } else {
        // Absolute paths only; ".", ".." and "//" are resolved as text, links are not followed.
        std::vector<std::string> parts;
        if (name.find('\0') != std::string::npos || !SplitAbsolutePath(name, parts)) return E_INVALIDARG;
        for (const std::string& part : parts)
            if (part.size() > NAME_MAX) return HResultFromErrno(ENAMETOOLONG);
        if (JoinParts(parts).size() >= PATH_MAX) return HResultFromErrno(ENAMETOOLONG);

        std::vector<std::string> homeParts;
        SplitAbsolutePath(HomeDir(), homeParts);
        if (!homeParts.empty() && StartsWithParts(parts, homeParts)) {
            UniquePidl home(MakeItem(ItemTag::Home, {}));
            if (home == nullptr) return E_OUTOFMEMORY;
            parts.erase(parts.begin(), parts.begin() + static_cast<std::ptrdiff_t>(homeParts.size()));
            *out = AppendPathItems(home.get(), JoinParts(homeParts), parts);
        } else {
            // The longest listed volume holding the path ("/" holds every path).
            std::vector<std::string> best;
            std::string bestPath = "/";
            for (const Volume& volume : ListVolumes()) {
                std::vector<std::string> volumeParts;
                if (SplitAbsolutePath(volume.path, volumeParts) && volumeParts.size() > best.size() &&
                    StartsWithParts(parts, volumeParts)) {
                    best = volumeParts;
                    bestPath = volume.path;
                }
            }
            UniquePidl computer(MakeItem(ItemTag::Computer, {}));
            UniquePidl volume(computer ? AppendItem(computer.get(), ItemTag::Volume, bestPath) : nullptr);
            if (volume == nullptr) return E_OUTOFMEMORY;
            parts.erase(parts.begin(), parts.begin() + static_cast<std::ptrdiff_t>(best.size()));
            *out = AppendPathItems(volume.get(), bestPath, parts);
        }
    }
    if (*out == nullptr) return E_OUTOFMEMORY;
    if (eaten != nullptr) *eaten = static_cast<std::uint32_t>(name.size());
    if (attributes != nullptr && *attributes != 0) {
        PCItemIDList list = *out;
        if (IsEmptyPidl(list) || Failed(GetAttributesOf(1, &list, attributes))) *attributes = 0;
    }
    return S_OK;
}

HRESULT DesktopFolder::EnumObjects(HWND, std::uint32_t flags, IEnumIDList** out) {
    if (out == nullptr) return E_POINTER;
    std::vector<UniquePidl> items;
    if (flags & SHCONTF_FOLDERS) {
        for (ItemTag tag : {ItemTag::Home, ItemTag::Computer, ItemTag::Trash}) {
            items.emplace_back(MakeItem(tag, {}));
            if (items.back() == nullptr) return E_OUTOFMEMORY;
        }
    }
    *out = new IdListEnum(std::move(items));
    return S_OK;
}

HRESULT DesktopFolder::BindToObject(PCItemIDList list, void*, Iid iid, void** out) {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (IsEmptyPidl(list) || !IsValidRootItem(list)) return E_INVALIDARG;
    if (iid != Iid::ShellFolder && iid != Iid::Unknown) return E_NOINTERFACE;
    IShellFolder* root = NewRootFolder(ItemTagOf(list));
    PCItemIDList rest = NextItem(list);
    if (ItemSize(rest) == 0) return HandOut(root, iid, out);
    const HRESULT hr = root->BindToObject(rest, nullptr, iid, out);
    root->Release();
    return hr;
}

HRESULT DesktopFolder::CompareIDs(std::intptr_t column, PCItemIDList a, PCItemIDList b) {
    if (HRESULT end; CompareAtEnd(a, b, end)) return end;
    if (!IsValidRootItem(a) || !IsValidRootItem(b)) return E_INVALIDARG;
    const std::uint8_t tagA = ItemTagOf(a);
    const std::uint8_t tagB = ItemTagOf(b);
    if (tagA != tagB) return CompareResult(tagA < tagB ? -1 : 1);
    PCItemIDList restA = NextItem(a);
    PCItemIDList restB = NextItem(b);
    if (HRESULT end; CompareAtEnd(restA, restB, end)) return end;
    ComPtr<IShellFolder> root = ComPtr<IShellFolder>::Attach(NewRootFolder(tagA));
    return root->CompareIDs(column, restA, restB);
}

HRESULT DesktopFolder::GetAttributesOf(std::uint32_t count, const PCItemIDList* items, std::uint32_t* inOut) {
    return CommonAttributes(*this, count, items, inOut, [](PCItemIDList item, std::uint32_t& attrs) -> HRESULT {
        if (!IsValidRootItem(item)) return E_INVALIDARG;
        const std::uint32_t asked = attrs;
        switch (static_cast<ItemTag>(ItemTagOf(item))) {
            case ItemTag::Home: {
                const std::string home = HomeDir();
                if (asked & SFGAO_VALIDATE) {
                    EntryInfo info;
                    if (!ReadEntryInfo(AT_FDCWD, home.c_str(), info)) return HResultFromErrno(errno);
                    if (!info.IsFolder()) return E_FAIL;
                }
                attrs = RootFolderAttributes(home, asked);
                break;
            }
            case ItemTag::Computer:
                attrs = SFGAO_FOLDER | SFGAO_FILESYSANCESTOR | SFGAO_HASSUBFOLDER;
                break;
            default:  // Trash: a virtual folder, read-only, with no path
                attrs = SFGAO_FOLDER | SFGAO_READONLY;
                break;
        }
        return S_OK;
    });
}

HRESULT DesktopFolder::GetDisplayNameOf(PCItemIDList item, std::uint32_t flags, STRRET* out) {
    if (out == nullptr) return E_POINTER;
    if (item == nullptr) return E_INVALIDARG;
    if (IsEmptyPidl(item))
        return SetStrRetText(out, (flags & SHGDN_FORPARSING) ? kDesktopParsing : std::string_view("Desktop"));
    if (!IsValidRootItem(item)) return E_INVALIDARG;
    if (!IsSingleItem(item)) return ForwardDisplayName(*this, item, flags, out);
    const bool parsing = (flags & SHGDN_FORPARSING) != 0;
    switch (static_cast<ItemTag>(ItemTagOf(item))) {
        case ItemTag::Home: return SetStrRetText(out, parsing ? HomeDir() : std::string("Home"));
        case ItemTag::Computer: return SetStrRetText(out, parsing ? kComputerParsing : std::string_view("Computer"));
        default: return SetStrRetText(out, parsing ? kTrashParsing : std::string_view("Trash"));
    }
}

HRESULT DesktopFolder::GetUIObjectOf(HWND owner, std::uint32_t count, const PCItemIDList* items, Iid iid,
                                     std::uint32_t*, void** out) {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (count == 0 || items == nullptr) return E_INVALIDARG;
    for (std::uint32_t k = 0; k < count; ++k)
        if (!IsSingleItem(items[k]) || !IsValidRootItem(items[k])) return E_INVALIDARG;
    if (iid == Iid::DataObject) return NewItemsDataObject(nullptr, count, items, out, iid);
    // Home opens and takes drops; Computer and the trash have neither a path nor a menu.
    std::vector<TShellMenuEntry> entries;
    for (std::uint32_t k = 0; k < count; ++k) {
        if (ItemTagOf(items[k]) != static_cast<std::uint8_t>(ItemTag::Home)) return E_NOINTERFACE;
        entries.push_back({HomeDir(), true});
    }
    return ItemUIObject(owner, nullptr, count, items, std::move(entries), TShellItemMenu::Kind::OpenOnly, iid, out);
}

HRESULT DesktopFolder::SetNameOf(HWND owner, PCItemIDList item, const std::string& name, std::uint32_t flags,
                                 PItemIDList* out) {
    return ForwardSetNameOf(*this, owner, item, name, flags, out);  // the root items keep their names
}

std::string PathFromIdList(PCItemIDList list) {
    if (IsEmptyPidl(list) || !IsValidRootItem(list)) return {};
    std::string path;
    PCItemIDList p = NextItem(list);
    switch (static_cast<ItemTag>(ItemTagOf(list))) {
        case ItemTag::Home:
            path = HomeDir();
            break;
        case ItemTag::Computer:
            if (ItemTagOf(p) != static_cast<std::uint8_t>(ItemTag::Volume) ||
                !IsValidItemName(ItemTag::Volume, ItemName(p)))
                return {};
            path = std::string(ItemName(p));
            p = NextItem(p);
            break;
        default:
            return {};
    }
    for (; ItemSize(p) != 0; p = NextItem(p)) {
        const std::uint8_t tag = ItemTagOf(p);
        const bool last = ItemSize(NextItem(p)) == 0;
        // Only the last item may be something other than a folder.
        if (!(tag == static_cast<std::uint8_t>(ItemTag::Folder) || (last && tag == static_cast<std::uint8_t>(ItemTag::Other))) ||
            !IsValidItemName(static_cast<ItemTag>(tag), ItemName(p)))
            return {};
        path = JoinPath(path, ItemName(p));
    }
    return path;
}

}  // namespace corvane::shell
