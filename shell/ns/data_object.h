#pragma once
// The shell's data objects for drags and the clipboard: a format list and its enumerator, the data
// object of shell items (item-id list array, file list, text), the drop source the tree and list
// share, and the drop target that hands a control's drops to the control.

#include <memory>
#include <string>
#include <vector>

#include "shell/ns/clip_formats.h"
#include "shell/ns/com.h"

namespace corvane::shell {

inline constexpr std::uint32_t DVASPECT_ICON = 4;
inline constexpr std::uint32_t TYMED_ISTREAM = 4;

// Mouse and key bits of a drag's key state.
inline constexpr std::uint32_t MK_LBUTTON = 0x01;
inline constexpr std::uint32_t MK_RBUTTON = 0x02;
inline constexpr std::uint32_t MK_SHIFT = 0x04;
inline constexpr std::uint32_t MK_CONTROL = 0x08;
inline constexpr std::uint32_t MK_MBUTTON = 0x10;
inline constexpr std::uint32_t MK_ALT = 0x20;

// A record for a format: no device, content aspect, index -1, global memory.
FORMATETC FormatOf(std::uint32_t format);

// Owned FORMATETC records; a copy of a record copies its target-device block too.
class TPTFormatEtcList {
public:
    // Each format with no device, content aspect, index -1, global memory.
    explicit TPTFormatEtcList(const std::vector<std::uint32_t>& formats = {});
    TPTFormatEtcList(const TPTFormatEtcList&) = delete;
    TPTFormatEtcList& operator=(const TPTFormatEtcList&) = delete;

    void Add(const FORMATETC& record);
    std::size_t Count() const { return records_.size(); }
    const FORMATETC& At(std::size_t index) const { return records_.at(index); }
    HRESULT QueryGetData(const FORMATETC& format) const;

private:
    std::vector<FORMATETC> records_;
    std::vector<std::unique_ptr<std::uint8_t[]>> devices_;
};

// Walks a format list; holds a reference on the list's owner, so it outlives the data object's
// last release safely.
class TPTFormatEtcList_IEnumFormatEtc final : public ComObject<IEnumFORMATETC> {
public:
    TPTFormatEtcList_IEnumFormatEtc(IUnknown* owner, const TPTFormatEtcList& list, std::size_t position = 0);
    ~TPTFormatEtcList_IEnumFormatEtc() override;
    HRESULT Next(std::uint32_t count, FORMATETC* out, std::uint32_t* fetched) override;
    HRESULT Skip(std::uint32_t count) override;
    HRESULT Reset() override;
    HRESULT Clone(IEnumFORMATETC** out) override;

private:
    IUnknown* owner_;
    const TPTFormatEtcList& list_;
    std::size_t position_;
};

// A data object of fixed blocks, one per format, all in global memory; GetData hands out copies.
class TBlockDataObject : public ComObject<IDataObject> {
public:
    HRESULT GetData(const FORMATETC& format, STGMEDIUM& medium) override;
    HRESULT GetDataHere(const FORMATETC&, STGMEDIUM&) override { return E_NOTIMPL; }
    HRESULT QueryGetData(const FORMATETC& format) override { return formats_.QueryGetData(format); }
    HRESULT GetCanonicalFormatEtc(const FORMATETC&, FORMATETC& out) override {
        out.ptd = nullptr;
        return E_NOTIMPL;
    }
    HRESULT SetData(const FORMATETC&, STGMEDIUM&, bool) override { return E_NOTIMPL; }
    HRESULT EnumFormatEtc(std::uint32_t direction, IEnumFORMATETC** out) override;
    HRESULT DAdvise(const FORMATETC&, std::uint32_t, IUnknown*, std::uint32_t*) override {
        return OLE_E_ADVISENOTSUPPORTED;
    }
    HRESULT DUnadvise(std::uint32_t) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT EnumDAdvise(IUnknown**) override { return OLE_E_ADVISENOTSUPPORTED; }

protected:
    // Offers the format with these bytes (an empty block is not offered).
    void SetBlock(std::uint32_t format, ByteBlock block);

private:
    TPTFormatEtcList formats_;
    std::vector<std::pair<std::uint32_t, ByteBlock>> blocks_;
};

// Shell items of one folder as "Shell IDList Array", CF_HDROP and CF_TEXT, rendered at creation.
// Items without a file-system path are left out of the file list and the text.
class TDataObject_shtv final : public TBlockDataObject {
public:
    // parent: the folder's absolute list (nil: none, a top-level item); items relative to it.
    TDataObject_shtv(PCItemIDList parent, const std::vector<PCItemIDList>& items);
    // One item: its folder's absolute list, the item, and its own absolute list.
    TDataObject_shtv(PCItemIDList parent, PCItemIDList item, PCItemIDList absolute);

private:
    void Render(PCItemIDList parent, const std::vector<PCItemIDList>& items, const std::vector<std::string>& paths);
};

// Creates the data object of items of one folder (GetUIObjectOf answers with it).
HRESULT NewItemsDataObject(PCItemIDList parent, std::uint32_t count, const PCItemIDList* items, void** out, Iid iid);

// The drop source of the shell controls' drags; `button` is the number of the button that started
// the drag (0 left, 1 right, 2 middle).
class TDropSource_shlvtv final : public ComObject<IDropSource> {
public:
    explicit TDropSource_shlvtv(int button);
    HRESULT QueryContinueDrag(bool escapePressed, std::uint32_t keyState) override;
    HRESULT GiveFeedback(std::uint32_t) override { return DRAGDROP_S_USEDEFAULTCURSORS; }
    std::uint32_t Button() const { return button_; }

private:
    std::uint32_t button_;
};

// What a control that takes drops implements (the shell tree and list).
class IShellDropSink {
public:
    virtual HRESULT DragEnter(IDataObject* data, std::uint32_t keyState, POINTL point, std::uint32_t* effect) = 0;
    virtual HRESULT DragOver(std::uint32_t keyState, POINTL point, std::uint32_t* effect) = 0;
    virtual HRESULT DragLeave() = 0;
    virtual HRESULT Drop(IDataObject* data, std::uint32_t keyState, POINTL point, std::uint32_t* effect) = 0;

protected:
    ~IShellDropSink() = default;
};

// Passes every call on to its control unchanged. The control calls Detach before it goes; a
// detached target refuses every drop.
class TDropTarget_shtv final : public ComObject<IDropTarget> {
public:
    explicit TDropTarget_shtv(IShellDropSink* owner) : owner_(owner) {}
    void Detach() { owner_ = nullptr; }
    HRESULT DragEnter(IDataObject* data, std::uint32_t keyState, POINTL point, std::uint32_t* effect) override;
    HRESULT DragOver(std::uint32_t keyState, POINTL point, std::uint32_t* effect) override;
    HRESULT DragLeave() override;
    HRESULT Drop(IDataObject* data, std::uint32_t keyState, POINTL point, std::uint32_t* effect) override;

private:
    IShellDropSink* owner_;
};

}  // namespace corvane::shell
