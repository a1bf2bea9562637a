#include "shell/ns/shell_item_menu.h"
#include "shell/ns/folder_base.h"

#include <cctype>
#include <climits>
#include <cstdlib>

#include "platform/launch/launcher.h"
#include "shell/ns/clip_formats.h"
#include "shell/ns/data_object.h"
#include "shell/ns/file_op_engine.h"
#include "shell/ns/file_uris.h"
#include "shell/ns/folder_drop_target.h"
#include "shell/ns/sh_consts.h"
#include "shell/ns/shell_clipboard.h"

namespace corvane::shell {

namespace {

enum Command : std::uint32_t { cmdOpen, cmdSendTo, cmdCut, cmdCopy, cmdPaste, cmdDelete, cmdCount };

struct CommandText {
    const char* verb;
    ShResString text;
    ShResString hint;
};

constexpr CommandText kCommands[cmdCount] = {
    {"open", SOpenCommand, SOpenHint},   {"sendto", SSendToCommand, SSendToHint},
    {"cut", SCutCommand, SCutHint},      {"copy", SCopyCommand, SCopyHint},
    {"paste", SPasteCommand, SPasteHint}, {"delete", SDeleteCommand, SDeleteHint},
};

// The placeholder the control replaces with the Send To folder's entries.
constexpr unsigned kSendToPlaceholder = 99;

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

QObject* OwnerObject(HWND owner) { return static_cast<QObject*>(owner); }

}  // namespace

TShellItemMenu::TShellItemMenu(Kind kind, PCItemIDList parent, std::uint32_t count, const PCItemIDList* items,
                               std::vector<TShellMenuEntry> entries)
    : kind_(kind), parent_(CopyPidl(nullptr, parent)), entries_(std::move(entries)) {
    for (std::uint32_t k = 0; k < count; ++k) items_.emplace_back(CopyPidl(nullptr, items[k]));
}

bool TShellItemMenu::CanOpen() const {
    if (entries_.empty()) return false;
    for (const TShellMenuEntry& entry : entries_)
        if (!CheckLaunch(entry.path).allowed) return false;
    return true;
}

HRESULT TShellItemMenu::QueryContextMenu(TMenuHandle& menu, std::uint32_t position, std::uint32_t firstId,
                                         std::uint32_t lastId, std::uint32_t flags) {
    if (firstId + cmdCount - 1 > lastId) return E_INVALIDARG;
    std::size_t at = position;
    const auto add = [&](Command command) {
        at = menu.Insert(at, firstId + command, LoadShString(kCommands[command].text.id)) + 1;
    };
    if (CanOpen()) {
        add(cmdOpen);
        menu.SetDefault(firstId + cmdOpen);
    }
    if ((flags & CMF_DEFAULTONLY) != 0 || kind_ == Kind::OpenOnly) return MakeHResult(cmdCount);
    if (at > position) at = menu.InsertSeparator(at) + 1;
    TMenuHandle& sendTo = menu.InsertSubmenu(at++, firstId + cmdSendTo, LoadShString(SSendToCommand.id));
    sendTo.Append(kSendToPlaceholder, "xxx");
    sendTo.SetGrayed(kSendToPlaceholder, true);
    at = menu.InsertSeparator(at) + 1;
    add(cmdCut);
    add(cmdCopy);
    if (CanPaste()) {
        add(cmdPaste);
        menu.SetGrayed(firstId + cmdPaste, ClipboardFiles().paths.empty());
    }
    at = menu.InsertSeparator(at) + 1;
    add(cmdDelete);
    return MakeHResult(cmdCount);
}

HRESULT TShellItemMenu::GetCommandString(std::uint32_t offset, std::uint32_t type, std::string& out) {
    out.clear();
    if (offset >= cmdCount) return E_INVALIDARG;
    if (type == GCS_VERBA) {
        out = kCommands[offset].verb;
        return S_OK;
    }
    if (type == GCS_HELPTEXTA) {
        out = LoadShString(kCommands[offset].hint.id);
        return S_OK;
    }
    return E_INVALIDARG;
}

HRESULT TShellItemMenu::InvokeCommand(const CMINVOKECOMMANDINFO& info) {
    std::uint32_t command = cmdCount;
    if (info.verbOffset >= 0) {
        command = static_cast<std::uint32_t>(info.verbOffset);
    } else {
        const std::string verb = Lower(info.verb);
        for (std::uint32_t k = 0; k < cmdCount; ++k)
            if (verb == kCommands[k].verb) command = k;
    }
    // Only what the menu offers can be invoked.
    if (command == cmdOpen) return CanOpen() ? Open() : E_FAIL;
    if (kind_ == Kind::OpenOnly) return E_INVALIDARG;
    switch (command) {
        case cmdCut: return PutOnClipboard(true);
        case cmdCopy: return PutOnClipboard(false);
        case cmdPaste: return CanPaste() ? Paste(info.hwnd) : E_FAIL;
        case cmdDelete: return Delete(info.hwnd);
        default: return E_INVALIDARG;  // Send To is the control's submenu
    }
}

HRESULT TShellItemMenu::Open() const {
    bool all = true;
    for (const TShellMenuEntry& entry : entries_) all = LaunchItem(FileUriFromPath(entry.path)) && all;
    return all ? S_OK : E_FAIL;
}

HRESULT TShellItemMenu::PutOnClipboard(bool cut) const {
    if (ShellClipboard() == nullptr) return E_FAIL;
    std::vector<std::string> paths;
    std::vector<PCItemIDList> items;
    for (const TShellMenuEntry& entry : entries_) paths.push_back(entry.path);
    for (const UniquePidl& item : items_) items.push_back(item.get());
    const ByteBlock cida = BuildCida(parent_.get(), items);
    PutFilesOnClipboard(paths, cut, std::string(cida.begin(), cida.end()));
    return S_OK;
}

HRESULT TShellItemMenu::Paste(HWND owner) const {
    const TClipboardFiles files = ClipboardFiles();
    if (files.paths.empty()) return E_FAIL;
    // A link to a folder takes the files into the folder it leads to.
    char resolved[PATH_MAX];
    if (::realpath(entries_[0].path.c_str(), resolved) == nullptr) return E_FAIL;
    const std::string folder = resolved;
    const std::uint32_t effect =
        FolderDropEffect(folder, files.paths, files.cut ? MK_SHIFT : MK_CONTROL, DROPEFFECT_COPY | DROPEFFECT_MOVE);
    if (effect == DROPEFFECT_NONE || !PutFilesInFolder(files.paths, folder, effect, owner)) return E_FAIL;
    // Cut files are on their way once moved: the clipboard no longer holds them.
    if (files.cut && ShellClipboard() != nullptr) ShellClipboard()->Clear();
    return S_OK;
}

HRESULT TShellItemMenu::Delete(HWND owner) const {
    FileOpRequest request;
    request.kind = FileOpKind::Delete;
    for (const TShellMenuEntry& entry : entries_) request.sources.push_back(entry.path);
    request.flags = fof::AllowUndo;
    request.parent = OwnerObject(owner);
    return RunFileOperation(request).ok ? S_OK : E_FAIL;
}

HRESULT NewItemMenu(TShellItemMenu::Kind kind, PCItemIDList parent, std::uint32_t count, const PCItemIDList* items,
                    std::vector<TShellMenuEntry> entries, Iid iid, void** out) {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (count == 0 || items == nullptr || entries.size() != count) return E_INVALIDARG;
    for (const TShellMenuEntry& entry : entries)
        if (entry.path.empty()) return E_INVALIDARG;
    return HandOut(new TShellItemMenu(kind, parent, count, items, std::move(entries)), iid, out);
}

}  // namespace corvane::shell
