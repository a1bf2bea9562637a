#pragma once
// The Trash folder: the entries of the home trash, shown by their original names. A virtual folder:
// its items have no path, are read-only, and it holds no folders to open.

#include <map>

#include "shell/ns/folder_base.h"
#include "shell/ns/trash.h"

namespace corvane::shell {

class TrashFolder final : public ShellFolderBase {
public:
    HRESULT EnumObjects(HWND, std::uint32_t flags, IEnumIDList** out) override;
    HRESULT BindToObject(PCItemIDList list, void*, Iid iid, void** out) override;
    HRESULT CompareIDs(std::intptr_t column, PCItemIDList a, PCItemIDList b) override;
    HRESULT GetAttributesOf(std::uint32_t count, const PCItemIDList* items, std::uint32_t* inOut) override;
    HRESULT GetDisplayNameOf(PCItemIDList item, std::uint32_t flags, STRRET* out) override;
    HRESULT SetNameOf(HWND, PCItemIDList item, const std::string& name, std::uint32_t flags,
                      PItemIDList* out) override;

private:
    // The entry an item names, listing the trash when it was not listed yet; nullptr when absent.
    const TrashEntry* Lookup(std::string_view name);
    void Refresh();

    std::map<std::string, TrashEntry, std::less<>> entries_;
    bool listed_ = false;
};

}  // namespace corvane::shell
