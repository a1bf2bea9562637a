#include "shell/ns/trash_folder.h"

#include <sys/stat.h>

#include <cerrno>

#include "shell/ns/name_order.h"

namespace corvane::shell {

namespace {

bool IsValidEntryItem(PCItemIDList item) {
    return IsSingleItem(item) && ItemTagOf(item) == static_cast<std::uint8_t>(ItemTag::TrashEntry) &&
           IsValidItemName(ItemTag::TrashEntry, ItemName(item));
}

constexpr std::string_view kTrashParsing = "::Trash/";

}  // namespace

void TrashFolder::Refresh() {
    entries_.clear();
    for (TrashEntry& entry : ListHomeTrash()) {
        std::string name = entry.name;
        entries_.emplace(std::move(name), std::move(entry));
    }
    listed_ = true;
}

const TrashEntry* TrashFolder::Lookup(std::string_view name) {
    if (!listed_) Refresh();
    const auto it = entries_.find(name);
    return it == entries_.end() ? nullptr : &it->second;
}

HRESULT TrashFolder::EnumObjects(HWND, std::uint32_t flags, IEnumIDList** out) {
    if (out == nullptr) return E_POINTER;
    Refresh();
    std::vector<UniquePidl> items;
    // Trashed folders are not opened here: every entry is a non-folder item.
    if (flags & SHCONTF_NONFOLDERS) {
        for (const auto& [name, entry] : entries_) {
            if (!entry.originalName.empty() && entry.originalName.front() == '.' && !(flags & SHCONTF_INCLUDEHIDDEN))
                continue;
            items.emplace_back(MakeItem(ItemTag::TrashEntry, name));
            if (items.back() == nullptr) return E_OUTOFMEMORY;
        }
    }
    *out = new IdListEnum(std::move(items));
    return S_OK;
}

HRESULT TrashFolder::BindToObject(PCItemIDList, void*, Iid, void** out) {
    if (out != nullptr) *out = nullptr;
    return E_INVALIDARG;
}

HRESULT TrashFolder::CompareIDs(std::intptr_t column, PCItemIDList a, PCItemIDList b) {
    if (HRESULT end; CompareAtEnd(a, b, end)) return end;
    if (!IsValidEntryItem(a) || !IsValidEntryItem(b)) return E_INVALIDARG;
    const TrashEntry* entryA = Lookup(ItemName(a));
    const TrashEntry* entryB = Lookup(ItemName(b));
    int order = 0;
    if (entryA != nullptr && entryB != nullptr) {
        if (column == 3) order = CompareNames(entryA->deletionDate, entryB->deletionDate);
        if (order == 0) order = CompareNames(entryA->originalName, entryB->originalName);
    }
    if (order == 0) order = CompareNames(ItemName(a), ItemName(b));
    return CompareResult(order);
}

HRESULT TrashFolder::GetAttributesOf(std::uint32_t count, const PCItemIDList* items, std::uint32_t* inOut) {
    if (inOut == nullptr || (count > 0 && items == nullptr)) return E_POINTER;
    const std::uint32_t asked = *inOut;
    std::uint32_t common = ~0u;
    for (std::uint32_t k = 0; k < count; ++k) {
        if (!IsValidEntryItem(items[k])) return E_INVALIDARG;
        if (asked & SFGAO_VALIDATE) {
            listed_ = false;
            const TrashEntry* entry = Lookup(ItemName(items[k]));
            if (entry == nullptr) return HResultFromErrno(ENOENT);
        }
        std::uint32_t attrs = SFGAO_READONLY;
        const TrashEntry* entry = Lookup(ItemName(items[k]));
        if (entry != nullptr && !entry->originalName.empty() && entry->originalName.front() == '.')
            attrs |= SFGAO_GHOSTED;
        common &= attrs;
    }
    *inOut = count == 0 ? 0 : (common & asked & ~SFGAO_VALIDATE);
    return S_OK;
}

HRESULT TrashFolder::GetDisplayNameOf(PCItemIDList item, std::uint32_t flags, STRRET* out) {
    if (out == nullptr) return E_POINTER;
    if (!IsValidEntryItem(item)) return E_INVALIDARG;
    const std::string_view name = ItemName(item);
    if (flags & SHGDN_FORPARSING) {
        if (flags & SHGDN_INFOLDER) return SetStrRetText(out, name);
        return SetStrRetText(out, std::string(kTrashParsing) + std::string(name));
    }
    const TrashEntry* entry = Lookup(name);
    return SetStrRetText(out, DisplayText(entry != nullptr ? std::string_view(entry->originalName) : name));
}

HRESULT TrashFolder::SetNameOf(HWND, PCItemIDList, const std::string&, std::uint32_t, PItemIDList* out) {
    if (out != nullptr) *out = nullptr;
    return HResultFromErrno(EROFS);
}

}  // namespace corvane::shell
