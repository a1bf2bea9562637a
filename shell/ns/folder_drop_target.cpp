#include "shell/ns/folder_drop_target.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "shell/ns/clip_formats.h"
#include "shell/ns/data_object.h"
#include "shell/ns/file_op_engine.h"
#include "shell/ns/shell_paths.h"
#include "shell/ns/shell_ui.h"
#include "shell/ns/shell_utils.h"

namespace corvane::shell {

namespace {

constexpr std::uint32_t kCopyMoveLink = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;

std::string Resolved(const std::string& path) {
    char buffer[PATH_MAX];
    return ::realpath(path.c_str(), buffer) != nullptr ? std::string(buffer) : std::string();
}

std::string ParentOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == 0 || slash == std::string::npos ? "/" : path.substr(0, slash);
}

std::string LastPart(const std::string& path) { return path.substr(path.rfind('/') + 1); }

bool Inside(const std::string& path, const std::string& folder) {
    if (path == folder) return true;
    const std::string prefix = folder == "/" ? folder : folder + "/";
    return path.compare(0, prefix.size(), prefix) == 0;
}

QObject* OwnerObject(HWND owner) { return static_cast<QObject*>(owner); }

}  // namespace

std::vector<std::string> DataObjectFiles(IDataObject* data) {
    std::vector<std::string> files;
    if (data == nullptr) return files;
    STGMEDIUM medium;
    if (Succeeded(data->GetData(FormatOf(CF_HDROP), medium))) {
        ParseDropFiles(medium.hGlobal.data(), medium.hGlobal.size(), files);
        ReleaseStgMedium(medium);
    } else if (Succeeded(data->GetData(FormatOf(ShellIdListFormat()), medium))) {
        TCida cida;
        if (ParseCida(medium.hGlobal.data(), medium.hGlobal.size(), cida)) {
            for (std::size_t k = 0; k < cida.children.size(); ++k) {
                UniquePidl absolute(cida.AbsoluteChild(k));
                files.push_back(absolute != nullptr ? PidlToPath(absolute.get()) : std::string());
            }
        }
        ReleaseStgMedium(medium);
    }
    for (const std::string& file : files) {
        struct stat st;
        if (file.empty() || file[0] != '/' || ::lstat(file.c_str(), &st) != 0) return {};
    }
    return files;
}

std::uint32_t FolderDropEffect(const std::string& folder, const std::vector<std::string>& files,
                               std::uint32_t keyState, std::uint32_t allowed) {
    allowed &= kCopyMoveLink;
    const std::string target = Resolved(folder);
    if (files.empty() || target.empty()) return DROPEFFECT_NONE;
    struct stat targetInfo;
    if (::stat(target.c_str(), &targetInfo) != 0 || !S_ISDIR(targetInfo.st_mode)) return DROPEFFECT_NONE;
    bool sameFileSystem = true;
    bool fromHere = false;
    for (const std::string& file : files) {
        // A folder never goes into itself or below itself.
        const std::string source = Resolved(file);
        if (!source.empty() && Inside(target, source)) return DROPEFFECT_NONE;
        struct stat st;
        if (::lstat(file.c_str(), &st) != 0) return DROPEFFECT_NONE;
        sameFileSystem = sameFileSystem && st.st_dev == targetInfo.st_dev;
        fromHere = fromHere || Resolved(ParentOf(file)) == target;
    }
    const bool ctrl = (keyState & MK_CONTROL) != 0;
    const bool shift = (keyState & MK_SHIFT) != 0;
    std::uint32_t effect;
    if ((ctrl && shift) || (keyState & MK_ALT) != 0) {
        effect = allowed & DROPEFFECT_LINK;
    } else if (ctrl) {
        effect = allowed & DROPEFFECT_COPY;
    } else if (shift) {
        effect = allowed & DROPEFFECT_MOVE;
    } else {
        const std::uint32_t first = sameFileSystem ? DROPEFFECT_MOVE : DROPEFFECT_COPY;
        const std::uint32_t second = sameFileSystem ? DROPEFFECT_COPY : DROPEFFECT_MOVE;
        effect = (allowed & first) ? first : (allowed & second) ? second : (allowed & DROPEFFECT_LINK);
    }
    // Moving items to where they already are does nothing.
    if (effect == DROPEFFECT_MOVE && fromHere) return DROPEFFECT_NONE;
    return effect;
}

bool PutFilesInFolder(const std::vector<std::string>& files, const std::string& folder, std::uint32_t effect,
                      HWND owner) {
    if (effect == DROPEFFECT_LINK) {
        bool ok = true;
        for (const std::string& file : files) {
            const std::string name = LastPart(file);
            std::string link = JoinPath(folder, name);
            for (int n = 2; ::symlink(file.c_str(), link.c_str()) != 0; ++n) {
                if (errno != EEXIST || n > 999) {
                    ok = false;
                    break;
                }
                link = JoinPath(folder, CollisionName(name, n));
            }
        }
        return ok;
    }
    if (effect != DROPEFFECT_COPY && effect != DROPEFFECT_MOVE) return false;
    FileOpRequest request;
    request.kind = effect == DROPEFFECT_MOVE ? FileOpKind::Move : FileOpKind::Copy;
    request.sources = files;
    request.destinations = {folder};
    request.flags = fof::RenameOnCollision | fof::NoConfirmMkDir | fof::AllowUndo;
    request.parent = OwnerObject(owner);
    return RunFileOperation(request).ok;
}

HRESULT TFolderDropTarget::DragEnter(IDataObject* data, std::uint32_t keyState, POINTL point, std::uint32_t* effect) {
    files_ = DataObjectFiles(data);
    rightButton_ = false;
    return DragOver(keyState, point, effect);
}

HRESULT TFolderDropTarget::DragOver(std::uint32_t keyState, POINTL, std::uint32_t* effect) {
    if (effect == nullptr) return E_POINTER;
    if ((keyState & MK_RBUTTON) != 0) rightButton_ = true;
    *effect = FolderDropEffect(folder_, files_, keyState, *effect);
    return S_OK;
}

HRESULT TFolderDropTarget::DragLeave() {
    files_.clear();
    rightButton_ = false;
    return S_OK;
}

HRESULT TFolderDropTarget::Drop(IDataObject* data, std::uint32_t keyState, POINTL point, std::uint32_t* effect) {
    if (effect == nullptr) return E_POINTER;
    const std::uint32_t allowed = *effect & kCopyMoveLink;
    *effect = DROPEFFECT_NONE;
    const std::vector<std::string> files = DataObjectFiles(data);
    const bool rightButton = rightButton_ || (keyState & MK_RBUTTON) != 0;
    files_.clear();
    rightButton_ = false;
    std::uint32_t chosen = FolderDropEffect(folder_, files, keyState, allowed);
    if (chosen == DROPEFFECT_NONE) return S_OK;
    if (rightButton) {
        // Every effect the drop could take, with the keys' one first.
        std::uint32_t possible = 0;
        for (std::uint32_t keys : {MK_CONTROL, MK_SHIFT, MK_ALT})
            possible |= FolderDropEffect(folder_, files, keys, allowed);
        chosen = ShellUi().ChooseDropEffect(OwnerObject(owner_), point.x, point.y, possible, chosen) & possible;
        if (chosen == DROPEFFECT_NONE) return S_OK;
    }
    // A failed copy or move tells the source nothing was done.
    if (PutFilesInFolder(files, folder_, chosen, owner_)) *effect = chosen;
    return S_OK;
}

}  // namespace corvane::shell
