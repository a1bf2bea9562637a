#include "shell/ui/shell_commands.h"

#include <QWidget>
#include <cctype>
#include <cerrno>
#include <string_view>
#include <sys/stat.h>

#include "shell/ns/sh_consts.h"
#include "shell/ns/shell_ui.h"
#include "shell/ns/shell_utils.h"

namespace corvane::shell {

namespace {

constexpr int kNewFolderTries = 50;

void WarnCannotCreate(QObject* owner, int error, const std::string& name) {
    ShellUi().Warn(owner, FormatStrPos(LoadShString(SCannotCreateFolder.id),
                                       {SystemMessage(HResultFromErrno(error)), name}));
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

}  // namespace

bool CreateNewFolderIn(const std::string& parent, std::string& name, QObject* owner) {
    const std::string base = LoadShString(SNewFolder.id);
    // An empty parent would mean the working directory, which the program never uses.
    if (parent.empty()) {
        WarnCannotCreate(owner, ENOENT, base);
        return false;
    }
    const std::string folder = AppendDelimiter(parent, '/');
    for (int n = 1; n <= kNewFolderTries; ++n) {
        const std::string tried = n == 1 ? base : base + " (" + std::to_string(n) + ")";
        if (::mkdir((folder + tried).c_str(), 0777) == 0) {
            name = tried;
            return true;
        }
        const int error = errno;
        if (error != EEXIST) {
            WarnCannotCreate(owner, error, tried);
            return false;
        }
    }
    WarnCannotCreate(owner, EEXIST, base);
    return false;
}

void OleCheck(HRESULT hr) {
    if (Failed(hr)) throw EShellError(SystemMessage(hr));
}

std::string GetDisplayNameOrWarn(IShellFolder* folder, PCItemIDList item, std::uint32_t flags, QObject* owner) {
    ComPtr<IShellFolder> desktop;
    if (folder == nullptr) {
        const HRESULT hr = GetShellFolder(nullptr, desktop.ReleaseAndGetAddressOf());
        if (Failed(hr)) {
            ShellUi().Warn(owner, SystemMessage(hr));
            return {};
        }
        folder = desktop.Get();
    }
    STRRET name;
    const HRESULT hr = folder->GetDisplayNameOf(item, flags, &name);
    if (Failed(hr)) {
        ShellUi().Warn(owner, SystemMessage(hr));
        return {};
    }
    std::string text = StrRetToString(item, name);
    FreeStrRet(name);
    return text;
}

QWidget* GetParentFormHandle(QWidget* control) { return control != nullptr ? control->window() : nullptr; }

HRESULT GetItemsContextMenu(HWND owner, IShellFolder* folder, std::uint32_t count, const PCItemIDList* items,
                            std::uint32_t flags, TMenuHandle& menu, ComPtr<IContextMenu>& contextMenu,
                            unsigned firstId) {
    contextMenu.Reset();
    if (folder == nullptr) return E_POINTER;
    const HRESULT hr = folder->GetUIObjectOf(owner, count, items, Iid::ContextMenu, nullptr,
                                             contextMenu.ReleaseAndGetVoidAddress());
    if (Failed(hr)) {
        contextMenu.Reset();
        return hr;
    }
    menu.Clear();
    OleCheck(contextMenu->QueryContextMenu(menu, 0, firstId, kLastShellCommand, flags));
    return hr;
}

int FindVerbOffset(IContextMenu* menu, const std::string& verb) {
    if (menu == nullptr) return 0;
    TMenuHandle scratch;
    if (Failed(menu->QueryContextMenu(scratch, 0, kFirstShellCommand, kLastShellCommand, CMF_EXPLORE))) return 0;
    for (std::size_t i = 0; i < scratch.Count(); ++i) {
        const TMenuHandle::Item& item = scratch.At(i);
        // Separators carry id 0 and submenus no command of their own.
        if (item.id == 0 || item.separator || item.submenu || item.id < kFirstShellCommand) continue;
        std::string name;
        const unsigned offset = item.id - kFirstShellCommand;
        if (Succeeded(menu->GetCommandString(offset, GCS_VERBA, name)) && EqualNoCase(name, verb))
            return static_cast<int>(offset);
    }
    return 0;
}

HRESULT InvokeShellCommand(IContextMenu* menu, HWND owner, int offset) {
    if (menu == nullptr) return E_POINTER;
    CMINVOKECOMMANDINFO info;
    info.hwnd = owner;
    info.verbOffset = offset;
    info.nShow = 1;
    return menu->InvokeCommand(info);
}

HRESULT InvokeShellCommand(IContextMenu* menu, HWND owner, const std::string& verb) {
    return InvokeShellCommand(menu, owner, FindVerbOffset(menu, verb));
}

int GetMenuDefaultItem(const TMenuHandle& menu) {
    for (std::size_t i = 0; i < menu.Count(); ++i)
        if (menu.At(i).isDefault) return static_cast<int>(menu.At(i).id);
    return -1;
}

}  // namespace corvane::shell
