#include "shell/ui/shell_menu.h"

#include <QAction>
#include <QMenu>
#include <QPointer>
#include <algorithm>
#include <dirent.h>
#include <sys/stat.h>

#include "shell/ns/shell_utils.h"
#include "shell/ns/special_folders.h"
#include "shell/ns/sys_icons.h"
#include "shell/ui/guarded_handler.h"
#include "shell/ui/shell_commands.h"
#include "shell/ui/sys_image_list.h"

namespace corvane::shell {

namespace {

bool IsLinkToFolder(const std::string& path) {
    struct stat own {};
    struct stat target {};
    return ::lstat(path.c_str(), &own) == 0 && S_ISLNK(own.st_mode) && ::stat(path.c_str(), &target) == 0 &&
           S_ISDIR(target.st_mode);
}

int IconOfFolder(const std::string& path) {
    PItemIDList list = nullptr;
    int index = 0;
    if (Succeeded(PathToPidl(path, &list)) && list != nullptr) index = GetPidlIconIndex(list, SHGFI_SMALLICON);
    FreePidl(list);
    return index;
}

struct MenuContext {
    const TTrackPopupParams& params;
    TSysImageList images{0};
};

void FillQMenu(QMenu& qmenu, TMenuHandle& model, MenuContext& context);

void AddSubmenu(QMenu& qmenu, TMenuHandle::Item& item, MenuContext& context) {
    QMenu* sub = qmenu.addMenu(QString::fromStdString(item.text));
    sub->menuAction()->setData(item.id);
    sub->setEnabled(!item.grayed);
    TMenuHandle* model = item.submenu.get();
    FillQMenu(*sub, *model, context);
    QObject::connect(sub, &QMenu::aboutToShow, sub, [sub, model, &context] {
        if (context.params.SendTo == nullptr) return;
        RunGuarded(context.params.Parent, false, [&] {
            UpdateSendToMenu(*model, context.params.Menu, *context.params.SendTo);
            sub->clear();
            FillQMenu(*sub, *model, context);
        });
    });
}

void FillQMenu(QMenu& qmenu, TMenuHandle& model, MenuContext& context) {
    for (std::size_t i = 0; i < model.Count(); ++i) {
        TMenuHandle::Item& item = model.At(i);
        if (item.separator) {
            qmenu.addSeparator();
            continue;
        }
        if (item.submenu) {
            AddSubmenu(qmenu, item, context);
            continue;
        }
        QAction* action = qmenu.addAction(QString::fromStdString(item.text));
        action->setData(item.id);
        action->setEnabled(!item.grayed);
        if (item.isDefault) qmenu.setDefaultAction(action);
        const TSendToList* sendTo = context.params.SendTo;
        if (sendTo != nullptr && item.id >= 1 && item.id <= sendTo->size() && item.id < kFirstShellCommand)
            action->setIcon(context.images.Icon((*sendTo)[item.id - 1].ImageIndex));
    }
}

}  // namespace

std::string SendToMenuText(const std::string& name) {
    std::string text = "&";
    for (char c : name) {
        text += c;
        if (c == '&') text += '&';
    }
    return text;
}

void FillSendToList(TSendToList& list) {
    list.clear();
    const std::string folder = GetSpecialFolderPath(nullptr, CSIDL_SENDTO);
    if (folder.empty()) return;
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) return;
    const std::string prefix = AppendDelimiter(folder, '/');
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.empty() || name[0] == '.') continue;
        const std::string path = prefix + name;
        if (IsLinkToFolder(path)) list.push_back({name, path, 0});
    }
    ::closedir(dir);
    std::sort(list.begin(), list.end(), [](const TSendToEntry& a, const TSendToEntry& b) {
        return QString::fromStdString(a.Name).compare(QString::fromStdString(b.Name), Qt::CaseInsensitive) < 0;
    });
    if (list.size() > kMaxSendToEntries) list.resize(kMaxSendToEntries);
    for (TSendToEntry& entry : list) entry.ImageIndex = IconOfFolder(entry.Path);
}

void UpdateSendToMenu(TMenuHandle& submenu, IContextMenu* menu, TSendToList& list) {
    ComPtr<IContextMenu2> menu2;
    if (menu != nullptr && Succeeded(menu->QueryInterface(Iid::ContextMenu2, menu2.ReleaseAndGetVoidAddress())) &&
        menu2) {
        const std::size_t before = submenu.Count();
        menu2->HandleMenuMsg(submenu);
        if (submenu.Count() != before) {
            submenu.Clear();
            submenu.Append(kSendToPlaceholderId, kSendToPlaceholderText);
            submenu.SetGrayed(kSendToPlaceholderId, true);
        }
    }
    if (submenu.Count() != 1 || !submenu.At(0).grayed) return;
    // The placeholder goes whatever the folder holds: an empty Send To folder leaves the submenu empty.
    submenu.Delete(0);
    FillSendToList(list);
    for (std::size_t i = 0; i < list.size(); ++i)
        submenu.Append(static_cast<unsigned>(i + 1), SendToMenuText(list[i].Name));
}

void GetMenuHint(IContextMenu* menu, unsigned id, unsigned flags,
                 const std::function<void(const std::string&)>& callback) {
    if (!callback) return;
    std::string hint;
    if (menu != nullptr && id >= kFirstShellCommand && (flags & (MF_POPUP | MF_SYSMENU)) == 0 &&
        Failed(menu->GetCommandString(id - kFirstShellCommand, GCS_HELPTEXTA, hint)))
        hint.clear();
    callback(hint);
}

unsigned TrackPopupMenu(TMenuHandle& menu, const TTrackPopupParams& params) {
    MenuContext context{params};
    QMenu qmenu(params.Parent);
    qmenu.setObjectName(QStringLiteral("ShellContextMenu"));
    FillQMenu(qmenu, menu, context);
    const auto hovered = [&params](QAction* action) {
        const unsigned flags = action->menu() != nullptr ? MF_POPUP : 0;
        RunGuarded(params.Parent, false,
                   [&] { GetMenuHint(params.Menu, action->data().toUInt(), flags, params.OnHint); });
    };
    QObject::connect(&qmenu, &QMenu::hovered, &qmenu, hovered);
    QPointer<QAction> chosen = qmenu.exec(params.At);
    return chosen != nullptr ? chosen->data().toUInt() : 0;
}

}  // namespace corvane::shell
