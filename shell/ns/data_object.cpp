#include "shell/ns/data_object.h"
#include "shell/ns/folder_base.h"

#include <cstring>

#include "shell/ns/shell_utils.h"

namespace corvane::shell {

// ---- TPTFormatEtcList

FORMATETC FormatOf(std::uint32_t format) {
    FORMATETC record;
    record.cfFormat = format;
    return record;
}

TPTFormatEtcList::TPTFormatEtcList(const std::vector<std::uint32_t>& formats) {
    for (std::uint32_t format : formats) Add(FormatOf(format));
}

void TPTFormatEtcList::Add(const FORMATETC& record) {
    FORMATETC copy = record;
    if (record.ptd != nullptr) {
        // A device block starts with its own size.
        std::uint32_t size = 0;
        std::memcpy(&size, record.ptd, sizeof size);
        if (size < sizeof size) size = sizeof size;
        auto block = std::make_unique<std::uint8_t[]>(size);
        std::memcpy(block.get(), record.ptd, size);
        copy.ptd = block.get();
        devices_.push_back(std::move(block));
    }
    records_.push_back(copy);
}

HRESULT TPTFormatEtcList::QueryGetData(const FORMATETC& format) const {
    if (format.dwAspect != DVASPECT_CONTENT) return DV_E_FORMATETC;
    for (const FORMATETC& record : records_)
        if (record.cfFormat == format.cfFormat) return (record.tymed & format.tymed) != 0 ? S_OK : DV_E_TYMED;
    return DV_E_FORMATETC;
}

// ---- the enumerator

TPTFormatEtcList_IEnumFormatEtc::TPTFormatEtcList_IEnumFormatEtc(IUnknown* owner, const TPTFormatEtcList& list,
                                                                 std::size_t position)
    : owner_(owner), list_(list), position_(position) {
    owner_->AddRef();
}

TPTFormatEtcList_IEnumFormatEtc::~TPTFormatEtcList_IEnumFormatEtc() { owner_->Release(); }

HRESULT TPTFormatEtcList_IEnumFormatEtc::Next(std::uint32_t count, FORMATETC* out, std::uint32_t* fetched) {
    std::uint32_t copied = 0;
    if (out == nullptr && count > 0) return E_POINTER;
    while (copied < count && position_ < list_.Count()) out[copied++] = list_.At(position_++);
    if (fetched != nullptr) *fetched = copied;
    return copied == count ? S_OK : S_FALSE;
}

HRESULT TPTFormatEtcList_IEnumFormatEtc::Skip(std::uint32_t count) {
    if (count > list_.Count() - position_) {
        position_ = list_.Count();
        return S_FALSE;
    }
    position_ += count;
    return S_OK;
}

HRESULT TPTFormatEtcList_IEnumFormatEtc::Reset() {
    position_ = 0;
    return S_OK;
}

HRESULT TPTFormatEtcList_IEnumFormatEtc::Clone(IEnumFORMATETC** out) {
    if (out == nullptr) return E_POINTER;
    *out = new TPTFormatEtcList_IEnumFormatEtc(owner_, list_, position_);
    return S_OK;
}

// ---- TDataObject_shtv

TDataObject_shtv::TDataObject_shtv(PCItemIDList parent, const std::vector<PCItemIDList>& items) {
    std::vector<std::string> paths;
    for (PCItemIDList item : items) {
        UniquePidl absolute(ConcatPidls(nullptr, parent, item));
        if (absolute != nullptr) paths.push_back(PidlToPath(absolute.get()));
    }
    Render(parent, items, paths);
}

TDataObject_shtv::TDataObject_shtv(PCItemIDList parent, PCItemIDList item, PCItemIDList absolute) {
    if (item == nullptr || absolute == nullptr) return;  // no node data: nothing to offer
    Render(parent, {item}, {PidlToPath(absolute)});
}

void TDataObject_shtv::Render(PCItemIDList parent, const std::vector<PCItemIDList>& items,
                              const std::vector<std::string>& paths) {
    SetBlock(ShellIdListFormat(), BuildCida(parent, items));
    std::vector<std::string> files;
    for (const std::string& path : paths)
        if (!path.empty()) files.push_back(path);
    // Items with no path on disk (Computer, the trash) travel only as item-id lists.
    if (!files.empty()) {
        SetBlock(CF_HDROP, BuildDropFiles(files));
        SetBlock(CF_TEXT, BuildTextBlock(files));
    }
}

// ---- TBlockDataObject

void TBlockDataObject::SetBlock(std::uint32_t format, ByteBlock block) {
    if (block.empty()) return;
    for (auto& [id, bytes] : blocks_) {
        if (id == format) {
            bytes = std::move(block);
            return;
        }
    }
    formats_.Add(FormatOf(format));
    blocks_.emplace_back(format, std::move(block));
}

HRESULT TBlockDataObject::GetData(const FORMATETC& format, STGMEDIUM& medium) {
    const HRESULT hr = QueryGetData(format);
    if (Failed(hr)) return hr;
    for (const auto& [id, bytes] : blocks_) {
        if (id == format.cfFormat) {
            medium.tymed = TYMED_HGLOBAL;
            medium.pUnkForRelease = nullptr;
            medium.hGlobal = bytes;  // the caller owns its copy
            return S_OK;
        }
    }
    return DV_E_FORMATETC;
}

HRESULT TBlockDataObject::EnumFormatEtc(std::uint32_t direction, IEnumFORMATETC** out) {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (direction != DATADIR_GET) return E_NOTIMPL;
    *out = new TPTFormatEtcList_IEnumFormatEtc(this, formats_);
    return S_OK;
}

HRESULT NewItemsDataObject(PCItemIDList parent, std::uint32_t count, const PCItemIDList* items, void** out, Iid iid) {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (count == 0 || items == nullptr) return E_INVALIDARG;
    return HandOut(new TDataObject_shtv(parent, std::vector<PCItemIDList>(items, items + count)), iid, out);
}

// ---- TDropSource_shlvtv

namespace {

constexpr std::uint32_t kButtons = MK_LBUTTON | MK_RBUTTON | MK_MBUTTON;

}  // namespace

TDropSource_shlvtv::TDropSource_shlvtv(int button)
    : button_(button == 1 ? MK_RBUTTON : button == 2 ? MK_MBUTTON : MK_LBUTTON) {}

HRESULT TDropSource_shlvtv::QueryContinueDrag(bool escapePressed, std::uint32_t keyState) {
    if (escapePressed) return DRAGDROP_S_CANCEL;
    if ((keyState & kButtons & ~button_) != 0) return DRAGDROP_S_CANCEL;
    if ((keyState & button_) == 0) return DRAGDROP_S_DROP;
    return S_OK;
}

// ---- TDropTarget_shtv

HRESULT TDropTarget_shtv::DragEnter(IDataObject* data, std::uint32_t keyState, POINTL point, std::uint32_t* effect) {
    if (owner_ == nullptr) {
        if (effect != nullptr) *effect = DROPEFFECT_NONE;
        return E_FAIL;
    }
    return owner_->DragEnter(data, keyState, point, effect);
}

HRESULT TDropTarget_shtv::DragOver(std::uint32_t keyState, POINTL point, std::uint32_t* effect) {
    if (owner_ == nullptr) {
        if (effect != nullptr) *effect = DROPEFFECT_NONE;
        return E_FAIL;
    }
    return owner_->DragOver(keyState, point, effect);
}

HRESULT TDropTarget_shtv::DragLeave() { return owner_ != nullptr ? owner_->DragLeave() : S_OK; }

HRESULT TDropTarget_shtv::Drop(IDataObject* data, std::uint32_t keyState, POINTL point, std::uint32_t* effect) {
    if (owner_ == nullptr) {
        if (effect != nullptr) *effect = DROPEFFECT_NONE;
        return E_FAIL;
    }
    return owner_->Drop(data, keyState, point, effect);
}

}  // namespace corvane::shell
