#include "shell/ns/computer_folder.h"

#include <fcntl.h>

#include <cerrno>

#include "shell/ns/fs_folder.h"
#include "shell/ns/item_ui_objects.h"
#include "shell/ns/name_order.h"
#include "shell/ns/volumes.h"

namespace corvane::shell {

namespace {

bool IsValidVolumeItem(PCItemIDList item) {
    return ItemTagOf(item) == static_cast<std::uint8_t>(ItemTag::Volume) &&
           IsValidItemName(ItemTag::Volume, ItemName(item));
}

bool IsRemovablePath(std::string_view path) {
    for (std::string_view top : {"/media/", "/run/media/", "/mnt/"})
        if (path.size() > top.size() && path.substr(0, top.size()) == top) return true;
    return false;
}

}  // namespace

HRESULT ComputerFolder::EnumObjects(HWND, std::uint32_t flags, IEnumIDList** out) {
    if (out == nullptr) return E_POINTER;
    std::vector<UniquePidl> items;
    if (flags & SHCONTF_FOLDERS) {
        for (const Volume& volume : ListVolumes()) {
            items.emplace_back(MakeItem(ItemTag::Volume, volume.path));
            if (items.back() == nullptr) return E_OUTOFMEMORY;
        }
    }
    *out = new IdListEnum(std::move(items));
    return S_OK;
}

HRESULT ComputerFolder::BindToObject(PCItemIDList list, void*, Iid iid, void** out) {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (IsEmptyPidl(list) || !IsValidVolumeItem(list)) return E_INVALIDARG;
    if (iid != Iid::ShellFolder && iid != Iid::Unknown) return E_NOINTERFACE;
    auto* volume = new FsFolder(std::string(ItemName(list)));
    PCItemIDList rest = NextItem(list);
    if (ItemSize(rest) == 0) return HandOut(volume, iid, out);
    const HRESULT hr = volume->BindToObject(rest, nullptr, iid, out);
    volume->Release();
    return hr;
}

HRESULT ComputerFolder::CompareIDs(std::intptr_t column, PCItemIDList a, PCItemIDList b) {
    if (HRESULT end; CompareAtEnd(a, b, end)) return end;
    if (!IsValidVolumeItem(a) || !IsValidVolumeItem(b)) return E_INVALIDARG;
    // "/" sorts first: it is a prefix of every other mount path.
    const int order = CompareNames(ItemName(a), ItemName(b));
    if (order != 0) return CompareResult(order);
    ComPtr<IShellFolder> volume = ComPtr<IShellFolder>::Attach(new FsFolder(std::string(ItemName(a))));
    return volume->CompareIDs(column, NextItem(a), NextItem(b));
}

HRESULT ComputerFolder::GetAttributesOf(std::uint32_t count, const PCItemIDList* items, std::uint32_t* inOut) {
    return CommonAttributes(*this, count, items, inOut, [](PCItemIDList item, std::uint32_t& attrs) -> HRESULT {
        if (!IsValidVolumeItem(item)) return E_INVALIDARG;
        const std::string path(ItemName(item));
        const std::uint32_t asked = attrs;
        if (asked & SFGAO_VALIDATE) {
            EntryInfo info;
            if (!ReadEntryInfo(AT_FDCWD, path.c_str(), info)) return HResultFromErrno(errno);
            if (!info.IsFolder()) return E_FAIL;
        }
        attrs = RootFolderAttributes(path, asked);
        if (IsRemovablePath(path)) attrs |= SFGAO_REMOVABLE;
        return S_OK;
    });
}

HRESULT ComputerFolder::GetDisplayNameOf(PCItemIDList item, std::uint32_t flags, STRRET* out) {
    if (out == nullptr) return E_POINTER;
    if (IsEmptyPidl(item) || !IsValidVolumeItem(item)) return E_INVALIDARG;
    if (!IsSingleItem(item)) return ForwardDisplayName(*this, item, flags, out);
    const std::string_view path = ItemName(item);
    if (flags & SHGDN_FORPARSING) return SetStrRetText(out, path);
    if (path == "/") return SetStrRetText(out, "File System");
    return SetStrRetText(out, DisplayText(path.substr(path.rfind('/') + 1)));
}

HRESULT ComputerFolder::GetUIObjectOf(HWND owner, std::uint32_t count, const PCItemIDList* items, Iid iid,
                                      std::uint32_t*, void** out) {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (count == 0 || items == nullptr) return E_INVALIDARG;
    std::vector<TShellMenuEntry> entries;
    for (std::uint32_t k = 0; k < count; ++k) {
        if (!IsSingleItem(items[k]) || !IsValidVolumeItem(items[k])) return E_INVALIDARG;
        entries.push_back({std::string(ItemName(items[k])), true});
    }
    UniquePidl self(MakeItem(ItemTag::Computer, {}));
    if (self == nullptr) return E_OUTOFMEMORY;
    return ItemUIObject(owner, self.get(), count, items, std::move(entries), TShellItemMenu::Kind::OpenOnly, iid,
                        out);
}

HRESULT ComputerFolder::SetNameOf(HWND owner, PCItemIDList item, const std::string& name, std::uint32_t flags,
                                  PItemIDList* out) {
    return ForwardSetNameOf(*this, owner, item, name, flags, out);  // volumes keep their names
}

}  // namespace corvane::shell
