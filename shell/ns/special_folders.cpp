#include "shell/ns/special_folders.h"

#include <sys/stat.h>

#include <QStandardPaths>

#include "platform/rtl/paths.h"
#include "shell/ns/pidl.h"
#include "shell/ns/shell_paths.h"
#include "shell/ns/shell_utils.h"

namespace corvane::shell {

namespace {

// Makes each missing folder of an absolute path, the new ones private.
void MakePrivateFolders(const std::string& path) {
    std::vector<std::string> parts;
    if (!SplitAbsolutePath(path, parts)) return;
    std::string partial;
    for (const std::string& part : parts) {
        partial += '/';
        partial += part;
        ::mkdir(partial.c_str(), 0700);
    }
}

}  // namespace

HRESULT SHGetSpecialFolderLocation(HWND, int id, PItemIDList* out) {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    switch (id) {
        case CSIDL_DESKTOP:
            *out = CopyPidl(nullptr, nullptr);
            break;
        case CSIDL_PERSONAL:
        case CSIDL_PROFILE:
            *out = MakeItem(ItemTag::Home, {});
            break;
        case CSIDL_SENDTO: {
            const std::string sendTo = WithTrailingSlash(DataRoot()) + "SendTo";
            MakePrivateFolders(sendTo);
            return PathToPidl(sendTo, out);
        }
        case CSIDL_BITBUCKET:
            *out = MakeItem(ItemTag::Trash, {});
            break;
        case CSIDL_DESKTOPDIRECTORY: {
            const std::string desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation).toStdString();
            if (desktop.empty()) return E_FAIL;
            return PathToPidl(desktop, out);
        }
        case CSIDL_DRIVES:
            *out = MakeItem(ItemTag::Computer, {});
            break;
        default:
            return E_INVALIDARG;
    }
    return *out == nullptr ? E_OUTOFMEMORY : S_OK;
}

std::string GetSpecialFolderPath(HWND owner, int id) {
    PItemIDList list = nullptr;
    if (Failed(SHGetSpecialFolderLocation(owner, id & 0xFF, &list))) return {};
    std::string path = PidlToPath(list);
    FreePidl(list);
    return path;
}

HRESULT GetSpecialFolderPidl(HWND owner, int id, PItemIDList* out) {
    return SHGetSpecialFolderLocation(owner, id & 0x7F, out);
}

}  // namespace corvane::shell
