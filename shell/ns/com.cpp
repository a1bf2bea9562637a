#include "shell/ns/com.h"

#include <malloc.h>

#include <algorithm>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace corvane::shell {

std::string SystemMessage(HRESULT hr) {
    if (IsErrnoHResult(hr)) return std::strerror(ErrnoOfHResult(hr));
    switch (hr) {
        case S_OK: return "The operation completed successfully.";
        case S_FALSE: return "The operation completed, with nothing more to do.";
        case E_NOTIMPL: return "Not implemented";
        case E_NOINTERFACE: return "No such interface supported";
        case E_POINTER: return "Invalid pointer";
        case E_FAIL: return "Unspecified error";
        case E_OUTOFMEMORY: return "Not enough memory is available to complete this operation.";
        case E_INVALIDARG: return "The parameter is incorrect.";
        case OLE_E_ADVISENOTSUPPORTED: return "This implementation doesn't take advises";
        case DV_E_FORMATETC: return "Invalid FORMATETC structure";
        case DV_E_LINDEX: return "Invalid lindex";
        case DV_E_TYMED: return "Invalid tymed";
        case DV_E_DVASPECT: return "Invalid aspect";
        default: break;
    }
    char text[40];
    std::snprintf(text, sizeof text, "Error 0x%08X", static_cast<unsigned>(hr));
    return text;
}

namespace {

// malloc under the interface; it lives for the whole process, so its count never frees it.
class HeapMalloc final : public IMalloc {
public:
    HRESULT QueryInterface(Iid iid, void** out) override {
        if (out == nullptr) return E_POINTER;
        if (iid != Iid::Unknown && iid != Iid::Malloc) {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        *out = static_cast<IMalloc*>(this);
        return S_OK;
    }
    std::uint32_t AddRef() override { return 2; }
    std::uint32_t Release() override { return 1; }
    void* Alloc(std::size_t size) override { return std::malloc(size == 0 ? 1 : size); }
    void* Realloc(void* block, std::size_t size) override { return std::realloc(block, size == 0 ? 1 : size); }
    void Free(void* block) override { std::free(block); }
    std::size_t GetSize(void* block) override { return block == nullptr ? 0 : malloc_usable_size(block); }
    int DidAlloc(void*) override { return -1; }  // cannot tell
    void HeapMinimize() override {}
};

}  // namespace

IMalloc& ShellAllocator() {
    static HeapMalloc allocator;
    return allocator;
}

HRESULT SHGetMalloc(IMalloc** out) {
    if (out == nullptr) return E_INVALIDARG;
    *out = &ShellAllocator();
    (*out)->AddRef();
    return S_OK;
}

void* CoTaskMemAlloc(std::size_t size) { return ShellAllocator().Alloc(size); }
void CoTaskMemFree(void* block) { ShellAllocator().Free(block); }

void ReleaseStgMedium(STGMEDIUM& medium) {
    medium.hGlobal.clear();
    medium.hGlobal.shrink_to_fit();
    medium.tymed = 0;
    if (medium.pUnkForRelease != nullptr) std::exchange(medium.pUnkForRelease, nullptr)->Release();
}

// ---- TMenuHandle

std::size_t TMenuHandle::Insert(std::size_t position, unsigned id, std::string text) {
    position = std::min(position, items_.size());
    Item item;
    item.id = id;
    item.text = std::move(text);
    items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(position), std::move(item));
    return position;
}

std::size_t TMenuHandle::InsertSeparator(std::size_t position) {
    position = std::min(position, items_.size());
    Item item;
    item.separator = true;
    items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(position), std::move(item));
    return position;
}

TMenuHandle& TMenuHandle::InsertSubmenu(std::size_t position, unsigned id, std::string text) {
    position = Insert(position, id, std::move(text));
    items_[position].submenu = std::make_unique<TMenuHandle>();
    return *items_[position].submenu;
}

bool TMenuHandle::Delete(std::size_t position) {
    if (position >= items_.size()) return false;
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(position));
    return true;
}

TMenuHandle::Item* TMenuHandle::FindById(unsigned id) {
    for (Item& item : items_) {
        if (!item.separator && item.id == id) return &item;
        if (item.submenu != nullptr)
            if (Item* found = item.submenu->FindById(id)) return found;
    }
    return nullptr;
}

bool TMenuHandle::SetDefault(unsigned id) {
    Item* target = FindById(id);
    if (target == nullptr) return false;
    for (Item& item : items_) item.isDefault = false;
    target->isDefault = true;
    return true;
}

bool TMenuHandle::SetGrayed(unsigned id, bool grayed) {
    Item* target = FindById(id);
    if (target == nullptr) return false;
    target->grayed = grayed;
    return true;
}

}  // namespace corvane::shell
