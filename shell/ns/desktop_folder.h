#pragma once
// The root of the namespace. Its items: Home ($HOME), Computer (the file system and the volumes)
// and Trash (the home trash). It takes multi-level lists in binding, comparing, attributes and
// names, and parses absolute paths.

#include <string>

#include "shell/ns/folder_base.h"

namespace corvane::shell {

class DesktopFolder final : public ShellFolderBase {
public:
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
};

// A new reference to the desktop folder.
HRESULT SHGetDesktopFolder(IShellFolder** out);

// The file-system path of an absolute list: '' for nil, the desktop, Computer, Trash and its
// entries, and for a list with an invalid item.
std::string PathFromIdList(PCItemIDList list);

}  // namespace corvane::shell
