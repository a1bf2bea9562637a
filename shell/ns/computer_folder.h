#pragma once
// The Computer folder: "/" ("File System") and the mounted volumes under /media, /run/media and /mnt.

#include "shell/ns/folder_base.h"

namespace corvane::shell {

class ComputerFolder final : public ShellFolderBase {
public:
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

}  // namespace corvane::shell
