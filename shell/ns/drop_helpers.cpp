#include "shell/ns/drop_helpers.h"

#include <sys/stat.h>

#include <cerrno>

#include "shell/ns/clip_formats.h"
#include "shell/ns/data_object.h"
#include "shell/ns/desktop_folder.h"
#include "shell/ns/shell_utils.h"
#include "shell/ns/special_folders.h"

namespace corvane::shell {

namespace {

template <class T>
void Clear(T** out) {
    if (out != nullptr) *out = nullptr;
}

}  // namespace

HRESULT SplitPidl(PCItemIDList absolute, IShellFolder** folder, PItemIDList* parentList, PItemIDList* item) {
    Clear(folder);
    Clear(parentList);
    Clear(item);
    if (folder == nullptr || parentList == nullptr || item == nullptr) return E_POINTER;
    UniquePidl desktopDir;
    if (IsEmptyPidl(absolute)) {
        // The desktop itself stands for the user's desktop directory.
        const std::string dir = GetSpecialFolderPath(nullptr, CSIDL_DESKTOPDIRECTORY);
        struct stat st;
        if (dir.empty()) return E_FAIL;
        if (::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return HResultFromErrno(ENOENT);
        PItemIDList list = nullptr;
        const HRESULT hr = PathToPidl(dir, &list);
        if (Failed(hr) || list == nullptr) {
            FreePidl(list);
            return Failed(hr) ? hr : E_FAIL;
        }
        desktopDir.reset(list);
        absolute = list;
    }
    const int count = PidlItemCount(absolute);
    UniquePidl last(CopyPidl(nullptr, LastItem(absolute)));
    if (last == nullptr) return E_OUTOFMEMORY;
    if (count == 1) {
        const HRESULT hr = SHGetDesktopFolder(folder);
        if (Failed(hr)) return hr;
        *item = last.release();
        return S_OK;
    }
    UniquePidl parent(CopyFirstItems(absolute, count - 1));
    if (parent == nullptr) return E_OUTOFMEMORY;
    const HRESULT hr = GetShellFolder(parent.get(), folder);
    if (Failed(hr)) {
        Clear(folder);
        return hr;
    }
    *parentList = parent.release();
    *item = last.release();
    return S_OK;
}

HRESULT SplitDesktopPidl(PItemIDList* parentList, PItemIDList* item) {
    IShellFolder* folder = nullptr;
    const HRESULT hr = SplitPidl(nullptr, &folder, parentList, item);
    if (folder != nullptr) folder->Release();
    return hr;
}

HRESULT GetPidlUIObject(PCItemIDList absolute, Iid iid, void** out, HWND owner) {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    IShellFolder* raw = nullptr;
    PItemIDList parent = nullptr;
    PItemIDList last = nullptr;
    HRESULT hr = SplitPidl(absolute, &raw, &parent, &last);
    ComPtr<IShellFolder> folder = ComPtr<IShellFolder>::Attach(raw);
    UniquePidl parentOwner(parent);
    UniquePidl lastOwner(last);
    if (Failed(hr)) return hr;
    PCItemIDList item = last;
    hr = folder->GetUIObjectOf(owner, 1, &item, iid, nullptr, out);
    if (Failed(hr)) *out = nullptr;
    return hr;
}

HRESULT GetDesktopDropTarget(IDropTarget** out, HWND owner) {
    return GetPidlUIObject(nullptr, Iid::DropTarget, reinterpret_cast<void**>(out), owner);
}

std::uint32_t GetDataDropEffects(IDataObject* data) {
    constexpr std::uint32_t kAll = SFGAO_CANCOPY | SFGAO_CANMOVE | SFGAO_CANLINK;
    if (data == nullptr) return DROPEFFECT_NONE;
    STGMEDIUM medium;
    if (Failed(data->GetData(FormatOf(ShellIdListFormat()), medium))) return DROPEFFECT_NONE;
    TCida cida;
    const bool parsed = ParseCida(medium.hGlobal.data(), medium.hGlobal.size(), cida);
    ReleaseStgMedium(medium);
    if (!parsed) return DROPEFFECT_NONE;
    ComPtr<IShellFolder> folder;
    if (Failed(GetShellFolder(cida.parent.get(), folder.ReleaseAndGetAddressOf())) || !folder) return DROPEFFECT_NONE;
    std::uint32_t effects = kAll;
    for (const UniquePidl& child : cida.children) {
        std::uint32_t attrs = kAll;
        PCItemIDList item = child.get();
        if (Failed(folder->GetAttributesOf(1, &item, &attrs))) return DROPEFFECT_NONE;
        effects &= attrs;
    }
    return effects;
}

HRESULT SendToItem(const std::string& name, IDataObject* data, std::uint32_t effect) {
    PItemIDList raw = nullptr;
    HRESULT hr = GetSpecialFolderPidl(nullptr, CSIDL_SENDTO, &raw);
    UniquePidl sendToList(raw);
    if (Failed(hr)) return hr;
    ComPtr<IShellFolder> sendTo;
    hr = GetShellFolder(sendToList.get(), sendTo.ReleaseAndGetAddressOf());
    if (Failed(hr)) return hr;
    PItemIDList parsed = nullptr;
    hr = sendTo->ParseDisplayName(nullptr, nullptr, name, nullptr, &parsed, nullptr);
    UniquePidl entry(parsed);
    if (Failed(hr)) return hr;
    // Only an entry of the folder itself, never a path below it.
    if (!IsSingleItem(entry.get())) return E_INVALIDARG;
    ComPtr<IDropTarget> target;
    PCItemIDList item = entry.get();
    hr = sendTo->GetUIObjectOf(nullptr, 1, &item, Iid::DropTarget, nullptr, target.ReleaseAndGetVoidAddress());
    if (Failed(hr)) return hr;
    // Sending copies.
    effect &= DROPEFFECT_COPY;
    std::uint32_t shown = effect;
    hr = target->DragEnter(data, MK_LBUTTON, POINTL{}, &shown);
    if (Failed(hr)) return hr;
    shown = effect;
    hr = target->DragOver(MK_LBUTTON, POINTL{}, &shown);
    if (Failed(hr)) return hr;
    std::uint32_t done = effect;
    hr = target->Drop(data, MK_LBUTTON, POINTL{}, &done);
    if (Failed(hr)) return hr;
    return done == DROPEFFECT_NONE ? E_FAIL : S_OK;
}

}  // namespace corvane::shell
