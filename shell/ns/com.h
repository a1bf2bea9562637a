#pragma once
// The COM-like base of the shell namespace: result codes, reference-counted interfaces with their own
// counts, the shell allocator and the records the folders, menus and data objects exchange.

#include <atomic>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace corvane::shell {

using HRESULT = std::int32_t;
using HWND = void*;  // an owner window; opaque here, the controls pass their own

constexpr HRESULT MakeHResult(std::uint32_t value) { return static_cast<HRESULT>(value); }

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOTIMPL = MakeHResult(0x80004001u);
inline constexpr HRESULT E_NOINTERFACE = MakeHResult(0x80004002u);
inline constexpr HRESULT E_POINTER = MakeHResult(0x80004003u);
inline constexpr HRESULT E_FAIL = MakeHResult(0x80004005u);
inline constexpr HRESULT E_OUTOFMEMORY = MakeHResult(0x8007000Eu);
inline constexpr HRESULT E_INVALIDARG = MakeHResult(0x80070057u);
inline constexpr HRESULT OLE_E_ADVISENOTSUPPORTED = MakeHResult(0x80040003u);
inline constexpr HRESULT DV_E_FORMATETC = MakeHResult(0x80040064u);
inline constexpr HRESULT DV_E_LINDEX = MakeHResult(0x80040068u);
inline constexpr HRESULT DV_E_TYMED = MakeHResult(0x80040069u);
inline constexpr HRESULT DV_E_DVASPECT = MakeHResult(0x8004006Bu);
inline constexpr HRESULT DRAGDROP_S_DROP = MakeHResult(0x00040100u);
inline constexpr HRESULT DRAGDROP_S_CANCEL = MakeHResult(0x00040101u);
inline constexpr HRESULT DRAGDROP_S_USEDEFAULTCURSORS = MakeHResult(0x00040102u);

constexpr bool Succeeded(HRESULT hr) { return hr >= 0; }
constexpr bool Failed(HRESULT hr) { return hr < 0; }

// System call failures carry their errno in a facility of our own.
inline constexpr std::uint32_t kFacilityErrno = 0x7E0;
constexpr HRESULT HResultFromErrno(int error) {
    return MakeHResult(0x80000000u | (kFacilityErrno << 16) | (static_cast<std::uint32_t>(error) & 0xFFFFu));
}
constexpr bool IsErrnoHResult(HRESULT hr) {
    return Failed(hr) && ((static_cast<std::uint32_t>(hr) >> 16) & 0x7FFu) == kFacilityErrno;
}
constexpr int ErrnoOfHResult(HRESULT hr) { return static_cast<int>(static_cast<std::uint32_t>(hr) & 0xFFFFu); }

// The system's text for a result code: strerror for errno codes, the usual texts for the others.
std::string SystemMessage(HRESULT hr);

// Raised by the namespace's helpers for misuse (a bad index, too many substitution strings) and by
// the controls for a failed shell call, with the system's text.
class EShellError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Interface ids.
enum class Iid {
    Unknown,
    ShellFolder,
    EnumIDList,
    ContextMenu,
    ContextMenu2,
    DataObject,
    EnumFORMATETC,
    DropSource,
    DropTarget,
    Malloc,
};

class IUnknown {
public:
    virtual HRESULT QueryInterface(Iid iid, void** out) = 0;
    virtual std::uint32_t AddRef() = 0;
    virtual std::uint32_t Release() = 0;

protected:
    virtual ~IUnknown() = default;
};

// The reference count and QueryInterface of an object that implements one interface; it deletes
// itself when the count reaches 0. Objects start with a count of 1, owned by their creator.
template <class Interface>
class ComObject : public Interface {
public:
    HRESULT QueryInterface(Iid iid, void** out) override {
        if (out == nullptr) return E_POINTER;
        if (iid == Iid::Unknown || iid == Interface::kIid) {
            AddRef();
            *out = static_cast<Interface*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    std::uint32_t AddRef() override { return refs_.fetch_add(1, std::memory_order_relaxed) + 1; }
    std::uint32_t Release() override {
        const std::uint32_t left = refs_.fetch_sub(1, std::memory_order_acq_rel) - 1;
        if (left == 0) delete this;
        return left;
    }

private:
    std::atomic<std::uint32_t> refs_{1};
};

// An owning interface pointer.
template <class T>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    ComPtr(const ComPtr& other) : p_(other.p_) { if (p_ != nullptr) p_->AddRef(); }
    ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    ~ComPtr() { Reset(); }
    ComPtr& operator=(ComPtr other) noexcept {
        std::swap(p_, other.p_);
        return *this;
    }
    // Takes over a reference the caller already holds.
    static ComPtr Attach(T* p) {
        ComPtr result;
        result.p_ = p;
        return result;
    }
    T* Detach() { return std::exchange(p_, nullptr); }
    void Reset() {
        if (p_ != nullptr) std::exchange(p_, nullptr)->Release();
    }
    T* Get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    // For out parameters: releases what is held first.
    T** ReleaseAndGetAddressOf() {
        Reset();
        return &p_;
    }
    void** ReleaseAndGetVoidAddress() { return reinterpret_cast<void**>(ReleaseAndGetAddressOf()); }

private:
    T* p_ = nullptr;
};

// Item-id lists: a chain of items, each a 16-bit little-endian byte count (counting itself) and its
// bytes, ended by a 16-bit 0. Plain bytes, so they are read without alignment assumptions.
using PItemIDList = std::uint8_t*;
using PCItemIDList = const std::uint8_t*;

// ---- the shell allocator

class IMalloc : public IUnknown {
public:
    static constexpr Iid kIid = Iid::Malloc;
    virtual void* Alloc(std::size_t size) = 0;
    virtual void* Realloc(void* block, std::size_t size) = 0;
    virtual void Free(void* block) = 0;
    virtual std::size_t GetSize(void* block) = 0;
    virtual int DidAlloc(void* block) = 0;
    virtual void HeapMinimize() = 0;
};

// The process-wide allocator (malloc based); the caller gets a reference.
HRESULT SHGetMalloc(IMalloc** out);
// The same allocator without a reference, for the many routines that use it in passing.
IMalloc& ShellAllocator();
void* CoTaskMemAlloc(std::size_t size);
void CoTaskMemFree(void* block);

// ---- display names

inline constexpr std::uint32_t STRRET_WSTR = 0;
inline constexpr std::uint32_t STRRET_OFFSET = 1;
inline constexpr std::uint32_t STRRET_CSTR = 2;

// A display name: text of our own (UTF-8, or the raw bytes of a parsing name) from CoTaskMemAlloc,
// an offset into the item it names, or short inline text.
struct STRRET {
    std::uint32_t uType = STRRET_CSTR;
    char* pOleStr = nullptr;
    std::uint32_t uOffset = 0;
    char cStr[260] = {};
};

inline constexpr std::uint32_t SHGDN_NORMAL = 0;
inline constexpr std::uint32_t SHGDN_INFOLDER = 1;
inline constexpr std::uint32_t SHGDN_FOREDITING = 0x1000;
inline constexpr std::uint32_t SHGDN_FORADDRESSBAR = 0x4000;
inline constexpr std::uint32_t SHGDN_FORPARSING = 0x8000;

// ---- enumeration and attributes

inline constexpr std::uint32_t SHCONTF_FOLDERS = 0x20;
inline constexpr std::uint32_t SHCONTF_NONFOLDERS = 0x40;
inline constexpr std::uint32_t SHCONTF_INCLUDEHIDDEN = 0x80;

inline constexpr std::uint32_t SFGAO_CANCOPY = 0x1;
inline constexpr std::uint32_t SFGAO_CANMOVE = 0x2;
inline constexpr std::uint32_t SFGAO_CANLINK = 0x4;
inline constexpr std::uint32_t SFGAO_CANRENAME = 0x10;
inline constexpr std::uint32_t SFGAO_CANDELETE = 0x20;
inline constexpr std::uint32_t SFGAO_HASPROPSHEET = 0x40;
inline constexpr std::uint32_t SFGAO_DROPTARGET = 0x100;
inline constexpr std::uint32_t SFGAO_LINK = 0x10000;
inline constexpr std::uint32_t SFGAO_SHARE = 0x20000;
inline constexpr std::uint32_t SFGAO_READONLY = 0x40000;
inline constexpr std::uint32_t SFGAO_GHOSTED = 0x80000;
inline constexpr std::uint32_t SFGAO_VALIDATE = 0x1000000;
inline constexpr std::uint32_t SFGAO_REMOVABLE = 0x2000000;
inline constexpr std::uint32_t SFGAO_FILESYSANCESTOR = 0x10000000;
inline constexpr std::uint32_t SFGAO_FOLDER = 0x20000000;
inline constexpr std::uint32_t SFGAO_FILESYSTEM = 0x40000000;
inline constexpr std::uint32_t SFGAO_HASSUBFOLDER = 0x80000000;

class IEnumIDList : public IUnknown {
public:
    static constexpr Iid kIid = Iid::EnumIDList;
    // Hands out up to `count` new one-item lists (the caller frees them); S_FALSE when fewer were left.
    virtual HRESULT Next(std::uint32_t count, PItemIDList* out, std::uint32_t* fetched) = 0;
    virtual HRESULT Skip(std::uint32_t count) = 0;
    virtual HRESULT Reset() = 0;
    virtual HRESULT Clone(IEnumIDList** out) = 0;
};

class IShellFolder : public IUnknown {
public:
    static constexpr Iid kIid = Iid::ShellFolder;
    // `name` is UTF-8 or raw bytes (names on disk are bytes).
    virtual HRESULT ParseDisplayName(HWND owner, void* bindContext, const std::string& name,
                                     std::uint32_t* eaten, PItemIDList* out, std::uint32_t* attributes) = 0;
    virtual HRESULT EnumObjects(HWND owner, std::uint32_t flags, IEnumIDList** out) = 0;
    virtual HRESULT BindToObject(PCItemIDList list, void* bindContext, Iid iid, void** out) = 0;
    // The low 16 bits of a successful result are the order as a signed number (0 = the same item).
    virtual HRESULT CompareIDs(std::intptr_t column, PCItemIDList a, PCItemIDList b) = 0;
    // In: the attributes asked for; out: those every item has.
    virtual HRESULT GetAttributesOf(std::uint32_t count, const PCItemIDList* items, std::uint32_t* inOut) = 0;
    virtual HRESULT GetUIObjectOf(HWND owner, std::uint32_t count, const PCItemIDList* items, Iid iid,
                                  std::uint32_t* reserved, void** out) = 0;
    virtual HRESULT GetDisplayNameOf(PCItemIDList item, std::uint32_t flags, STRRET* out) = 0;
    virtual HRESULT SetNameOf(HWND owner, PCItemIDList item, const std::string& name, std::uint32_t flags,
                              PItemIDList* out) = 0;
};

// The order part of a CompareIDs result.
constexpr HRESULT CompareResult(int order) {
    return static_cast<HRESULT>(static_cast<std::uint16_t>(static_cast<std::int16_t>(order)));
}
constexpr int CompareOrder(HRESULT hr) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(static_cast<std::uint32_t>(hr) & 0xFFFFu));
}

// ---- menus

// The menu handle the context menus fill: items with ids and texts, a default, grayed items,
// separators and submenus.
class TMenuHandle {
public:
    struct Item {
        unsigned id = 0;
        std::string text;
        bool isDefault = false;
        bool grayed = false;
        bool separator = false;
        std::unique_ptr<TMenuHandle> submenu;
    };

    // Inserts before `position` (at the end when beyond it); returns the position used.
    std::size_t Insert(std::size_t position, unsigned id, std::string text);
    std::size_t InsertSeparator(std::size_t position);
    // The new submenu, owned by this menu.
    TMenuHandle& InsertSubmenu(std::size_t position, unsigned id, std::string text);
    void Append(unsigned id, std::string text) { Insert(items_.size(), id, std::move(text)); }
    void AppendSeparator() { InsertSeparator(items_.size()); }
    bool Delete(std::size_t position);
    void Clear() { items_.clear(); }

    std::size_t Count() const { return items_.size(); }
    Item& At(std::size_t position) { return items_.at(position); }
    const Item& At(std::size_t position) const { return items_.at(position); }
    // Searches submenus too; nullptr when absent.
    Item* FindById(unsigned id);
    // Makes the item with this id the only default; false when there is none.
    bool SetDefault(unsigned id);
    bool SetGrayed(unsigned id, bool grayed);

private:
    std::vector<Item> items_;
};

inline constexpr std::uint32_t CMF_NORMAL = 0;
inline constexpr std::uint32_t CMF_DEFAULTONLY = 1;
inline constexpr std::uint32_t CMF_EXPLORE = 4;
inline constexpr std::uint32_t CMF_CANRENAME = 0x10;

struct CMINVOKECOMMANDINFO {
    std::uint32_t fMask = 0;
    HWND hwnd = nullptr;
    // A verb text, or (verbOffset >= 0) the command's offset from the first id.
    std::string verb;
    int verbOffset = -1;
    std::string parameters;
    std::string directory;
    int nShow = 1;
};

inline constexpr std::uint32_t GCS_VERBA = 0;
inline constexpr std::uint32_t GCS_HELPTEXTA = 1;

class IContextMenu : public IUnknown {
public:
    static constexpr Iid kIid = Iid::ContextMenu;
    // Success carries the number of ids used in its low 16 bits.
    virtual HRESULT QueryContextMenu(TMenuHandle& menu, std::uint32_t position, std::uint32_t firstId,
                                     std::uint32_t lastId, std::uint32_t flags) = 0;
    virtual HRESULT InvokeCommand(const CMINVOKECOMMANDINFO& info) = 0;
    virtual HRESULT GetCommandString(std::uint32_t offset, std::uint32_t type, std::string& out) = 0;
};

class IContextMenu2 : public IContextMenu {
public:
    static constexpr Iid kIid = Iid::ContextMenu2;
    // A submenu is about to open.
    virtual HRESULT HandleMenuMsg(TMenuHandle& submenu) = 0;
};

// ---- data transfer

inline constexpr std::uint32_t DVASPECT_CONTENT = 1;
inline constexpr std::uint32_t TYMED_HGLOBAL = 1;
inline constexpr std::uint32_t DATADIR_GET = 1;
inline constexpr std::uint32_t DATADIR_SET = 2;

struct FORMATETC {
    std::uint32_t cfFormat = 0;  // a registered clipboard format id
    void* ptd = nullptr;
    std::uint32_t dwAspect = DVASPECT_CONTENT;
    std::int32_t lindex = -1;
    std::uint32_t tymed = TYMED_HGLOBAL;
};

// A storage medium holding one block of bytes.
struct STGMEDIUM {
    std::uint32_t tymed = 0;
    std::vector<std::uint8_t> hGlobal;
    IUnknown* pUnkForRelease = nullptr;
};
void ReleaseStgMedium(STGMEDIUM& medium);

class IEnumFORMATETC : public IUnknown {
public:
    static constexpr Iid kIid = Iid::EnumFORMATETC;
    virtual HRESULT Next(std::uint32_t count, FORMATETC* out, std::uint32_t* fetched) = 0;
    virtual HRESULT Skip(std::uint32_t count) = 0;
    virtual HRESULT Reset() = 0;
    virtual HRESULT Clone(IEnumFORMATETC** out) = 0;
};

class IDataObject : public IUnknown {
public:
    static constexpr Iid kIid = Iid::DataObject;
    virtual HRESULT GetData(const FORMATETC& format, STGMEDIUM& medium) = 0;
    virtual HRESULT GetDataHere(const FORMATETC& format, STGMEDIUM& medium) = 0;
    virtual HRESULT QueryGetData(const FORMATETC& format) = 0;
    virtual HRESULT GetCanonicalFormatEtc(const FORMATETC& in, FORMATETC& out) = 0;
    virtual HRESULT SetData(const FORMATETC& format, STGMEDIUM& medium, bool release) = 0;
    virtual HRESULT EnumFormatEtc(std::uint32_t direction, IEnumFORMATETC** out) = 0;
    virtual HRESULT DAdvise(const FORMATETC& format, std::uint32_t flags, IUnknown* sink,
                            std::uint32_t* connection) = 0;
    virtual HRESULT DUnadvise(std::uint32_t connection) = 0;
    virtual HRESULT EnumDAdvise(IUnknown** out) = 0;
};

inline constexpr std::uint32_t DROPEFFECT_NONE = 0;
inline constexpr std::uint32_t DROPEFFECT_COPY = 1;
inline constexpr std::uint32_t DROPEFFECT_MOVE = 2;
inline constexpr std::uint32_t DROPEFFECT_LINK = 4;

struct POINTL {
    std::int32_t x = 0;
    std::int32_t y = 0;
};

class IDropSource : public IUnknown {
public:
    static constexpr Iid kIid = Iid::DropSource;
    virtual HRESULT QueryContinueDrag(bool escapePressed, std::uint32_t keyState) = 0;
    virtual HRESULT GiveFeedback(std::uint32_t effect) = 0;
};

class IDropTarget : public IUnknown {
public:
    static constexpr Iid kIid = Iid::DropTarget;
    virtual HRESULT DragEnter(IDataObject* data, std::uint32_t keyState, POINTL point, std::uint32_t* effect) = 0;
    virtual HRESULT DragOver(std::uint32_t keyState, POINTL point, std::uint32_t* effect) = 0;
    virtual HRESULT DragLeave() = 0;
    virtual HRESULT Drop(IDataObject* data, std::uint32_t keyState, POINTL point, std::uint32_t* effect) = 0;
};

}  // namespace corvane::shell
