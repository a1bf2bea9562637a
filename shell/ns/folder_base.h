#pragma once
// What the namespace's folders share: the enumerator over a list of items, display-name records,
// and the default answers of the operations a folder does not offer.

#include <string_view>
#include <vector>

#include "shell/ns/com.h"
#include "shell/ns/pidl.h"

namespace corvane::shell {

// Hands out copies of its items in order.
class IdListEnum final : public ComObject<IEnumIDList> {
public:
    explicit IdListEnum(std::vector<UniquePidl> items) : items_(std::move(items)) {}
    HRESULT Next(std::uint32_t count, PItemIDList* out, std::uint32_t* fetched) override;
    HRESULT Skip(std::uint32_t count) override;
    HRESULT Reset() override;
    HRESULT Clone(IEnumIDList** out) override;

private:
    std::vector<UniquePidl> items_;
    std::size_t next_ = 0;
};

class ShellFolderBase : public ComObject<IShellFolder> {
public:
    // Folders whose items are not named by paths parse nothing.
    HRESULT ParseDisplayName(HWND, void*, const std::string&, std::uint32_t*, PItemIDList* out,
                             std::uint32_t*) override {
        if (out != nullptr) *out = nullptr;
        return E_INVALIDARG;
    }
    // Menus, data objects and drop targets come with the shell's drag-and-drop support.
    HRESULT GetUIObjectOf(HWND, std::uint32_t, const PCItemIDList*, Iid, std::uint32_t*, void** out) override {
        if (out != nullptr) *out = nullptr;
        return E_NOINTERFACE;
    }
};

// Display-name records: text of our own (CoTaskMemAlloc) or an offset into the item.
HRESULT SetStrRetText(STRRET* out, std::string_view text);
HRESULT SetStrRetOffset(STRRET* out, std::uint32_t offset);

// The text of a record whose offset, if any, counts from `item`; frees nothing.
std::string StrRetText(PCItemIDList item, const STRRET& value);

// For CompareIDs: true when either list is nil or at its end, with the result (the shorter first).
bool CompareAtEnd(PCItemIDList a, PCItemIDList b, HRESULT& result);

// Renames the last item of a multi-level list in the folder that holds it; a folder's own items
// (a single item) are refused.
HRESULT ForwardSetNameOf(IShellFolder& self, HWND owner, PCItemIDList list, const std::string& name,
                         std::uint32_t flags, PItemIDList* out);

// The single-item check every folder applies to lists it is given.
bool IsSingleItem(PCItemIDList list);

// Hands a new interface out through QueryInterface and drops the creator's reference.
template <class T>
HRESULT HandOut(T* object, Iid iid, void** out) {
    const HRESULT hr = object->QueryInterface(iid, out);
    object->Release();
    return hr;
}

}  // namespace corvane::shell

namespace corvane::shell {

// The folder holding the last item of `list` (self for a single item) and that item.
HRESULT BindParentOf(IShellFolder& self, PCItemIDList list, ComPtr<IShellFolder>& parent, PCItemIDList& last);

// Asks the parent of a multi-level list for the name of its last item; the answer is always text.
HRESULT ForwardDisplayName(IShellFolder& self, PCItemIDList list, std::uint32_t flags, STRRET* out);

// Attributes common to all items, each asked of the folder that holds it; `single` answers for
// the items of `self` itself.
template <class Single>
HRESULT CommonAttributes(IShellFolder& self, std::uint32_t count, const PCItemIDList* items, std::uint32_t* inOut,
                         Single single) {
    if (inOut == nullptr || (count > 0 && items == nullptr)) return E_POINTER;
    const std::uint32_t asked = *inOut;
    std::uint32_t common = ~0u;
    for (std::uint32_t k = 0; k < count; ++k) {
        if (IsEmptyPidl(items[k])) return E_INVALIDARG;
        std::uint32_t attrs = asked;
        HRESULT hr;
        if (IsSingleItem(items[k])) {
            hr = single(items[k], attrs);
        } else {
            ComPtr<IShellFolder> parent;
            PCItemIDList last = nullptr;
            hr = BindParentOf(self, items[k], parent, last);
            if (Succeeded(hr)) hr = parent->GetAttributesOf(1, &last, &attrs);
        }
        if (Failed(hr)) return hr;
        common &= attrs;
    }
    *inOut = count == 0 ? 0 : (common & asked & ~SFGAO_VALIDATE);
    return S_OK;
}

}  // namespace corvane::shell
