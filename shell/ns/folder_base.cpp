#include "shell/ns/folder_base.h"

#include <cstring>

namespace corvane::shell {

HRESULT IdListEnum::Next(std::uint32_t count, PItemIDList* out, std::uint32_t* fetched) {
    if (out == nullptr) return E_POINTER;
    std::uint32_t given = 0;
    while (given < count && next_ < items_.size()) {
        PItemIDList copy = CopyPidl(nullptr, items_[next_].get());
        if (copy == nullptr) break;
        out[given++] = copy;
        ++next_;
    }
    if (fetched != nullptr) *fetched = given;
    return given == count ? S_OK : S_FALSE;
}

HRESULT IdListEnum::Skip(std::uint32_t count) {
    const std::size_t left = items_.size() - next_;
    next_ += count < left ? count : left;
    return count <= left ? S_OK : S_FALSE;
}

HRESULT IdListEnum::Reset() {
    next_ = 0;
    return S_OK;
}

HRESULT IdListEnum::Clone(IEnumIDList** out) {
    if (out == nullptr) return E_POINTER;
    std::vector<UniquePidl> copies;
    copies.reserve(items_.size());
    for (const UniquePidl& item : items_) {
        copies.emplace_back(CopyPidl(nullptr, item.get()));
        if (copies.back() == nullptr) return E_OUTOFMEMORY;
    }
    auto* clone = new IdListEnum(std::move(copies));
    clone->next_ = next_;
    *out = clone;
    return S_OK;
}

HRESULT SetStrRetText(STRRET* out, std::string_view text) {
    if (out == nullptr) return E_POINTER;
    auto* buffer = static_cast<char*>(CoTaskMemAlloc(text.size() + 1));
    if (buffer == nullptr) return E_OUTOFMEMORY;
    if (!text.empty()) std::memcpy(buffer, text.data(), text.size());
    buffer[text.size()] = '\0';
    out->uType = STRRET_WSTR;
    out->pOleStr = buffer;
    return S_OK;
}

HRESULT SetStrRetOffset(STRRET* out, std::uint32_t offset) {
    if (out == nullptr) return E_POINTER;
    out->uType = STRRET_OFFSET;
    out->uOffset = offset;
    out->pOleStr = nullptr;
    return S_OK;
}

std::string StrRetText(PCItemIDList item, const STRRET& value) {
    switch (value.uType) {
        case STRRET_WSTR:
            return value.pOleStr != nullptr ? std::string(value.pOleStr) : std::string();
        case STRRET_OFFSET: {
            const int size = GetPidlSize(item);
            if (item == nullptr || value.uOffset >= static_cast<std::uint32_t>(size)) return {};
            const char* text = reinterpret_cast<const char*>(item + value.uOffset);
            const void* nul = std::memchr(text, 0, static_cast<std::size_t>(size) - value.uOffset);
            return nul == nullptr ? std::string() : std::string(text);
        }
        case STRRET_CSTR:
            return std::string(value.cStr, strnlen(value.cStr, sizeof value.cStr));
        default:
            return {};
    }
}

bool IsSingleItem(PCItemIDList list) {
    return !IsEmptyPidl(list) && ItemSize(NextItem(list)) == 0;
}

}  // namespace corvane::shell

namespace corvane::shell {

HRESULT BindParentOf(IShellFolder& self, PCItemIDList list, ComPtr<IShellFolder>& parent, PCItemIDList& last) {
    last = LastItem(list);
    if (last == nullptr) return E_INVALIDARG;
    if (last == list) {
        self.AddRef();
        parent = ComPtr<IShellFolder>::Attach(&self);
        return S_OK;
    }
    UniquePidl head(CopyFirstItems(list, PidlItemCount(list) - 1));
    if (head == nullptr) return E_OUTOFMEMORY;
    return self.BindToObject(head.get(), nullptr, Iid::ShellFolder, parent.ReleaseAndGetVoidAddress());
}

bool CompareAtEnd(PCItemIDList a, PCItemIDList b, HRESULT& result) {
    if (a == nullptr || b == nullptr) {
        result = E_INVALIDARG;
        return true;
    }
    const bool endA = ItemSize(a) == 0;
    const bool endB = ItemSize(b) == 0;
    if (!endA && !endB) return false;
    result = CompareResult(endA == endB ? 0 : endA ? -1 : 1);
    return true;
}

HRESULT ForwardSetNameOf(IShellFolder& self, HWND owner, PCItemIDList list, const std::string& name,
                         std::uint32_t flags, PItemIDList* out) {
    if (out != nullptr) *out = nullptr;
    if (IsEmptyPidl(list) || IsSingleItem(list)) return E_INVALIDARG;
    ComPtr<IShellFolder> parent;
    PCItemIDList last = nullptr;
    const HRESULT hr = BindParentOf(self, list, parent, last);
    if (Failed(hr)) return hr;
    return parent->SetNameOf(owner, last, name, flags, out);
}

HRESULT ForwardDisplayName(IShellFolder& self, PCItemIDList list, std::uint32_t flags, STRRET* out) {
    if (out == nullptr) return E_POINTER;
    ComPtr<IShellFolder> parent;
    PCItemIDList last = nullptr;
    HRESULT hr = BindParentOf(self, list, parent, last);
    if (Failed(hr)) return hr;
    STRRET name;
    hr = parent->GetDisplayNameOf(last, flags, &name);
    if (Failed(hr)) return hr;
    const std::string text = StrRetText(last, name);
    if (name.uType == STRRET_WSTR) CoTaskMemFree(name.pOleStr);
    return SetStrRetText(out, text);
}

}  // namespace corvane::shell
