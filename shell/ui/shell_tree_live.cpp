// The live side of the shell tree: watching the filled folders, the delayed refresh that merges
// each of them with its current contents, new folders, the key commands, the shell's context menu
// and the paced scrolling near the edges.

#include <QApplication>
#include <QKeyEvent>

#include <algorithm>

#include "shell/ns/change_watch.h"
#include "shell/ns/drop_helpers.h"
#include "shell/ns/shell_utils.h"
#include "shell/ui/drag_scroll.h"
#include "shell/ui/shell_commands.h"
#include "shell/ui/shell_keys.h"
#include "shell/ui/shell_tree.h"
#include "widgets/launch_or_tell.h"

namespace corvane::shell {

namespace {

// Every filled folder has its own watch, so the table is large.
constexpr int kTreeWatchCapacity = 8192;
constexpr std::uint32_t kValidateMask = 0xF3000000;

bool IsSelfOrAncestor(TTreeNode* node, TTreeNode* of) {
    for (TTreeNode* n = of; n != nullptr; n = n->Parent())
        if (n == node) return true;
    return false;
}

// A read-only tree offers no command that changes the disk from its menu.
void RemoveChangingCommands(TMenuHandle& menu, IContextMenu* contextMenu) {
    for (std::size_t i = menu.Count(); i-- > 0;) {
        const TMenuHandle::Item& item = menu.At(i);
        std::string verb;
        if (item.separator || item.submenu || item.id < kFirstShellCommand ||
            Failed(contextMenu->GetCommandString(item.id - kFirstShellCommand, GCS_VERBA, verb)))
            continue;
        if (verb == "cut" || verb == "paste" || verb == "delete") menu.Delete(i);
    }
    // No separator left at either end or next to another.
    for (std::size_t i = menu.Count(); i-- > 0;) {
        const bool lonely = i == 0 || i + 1 == menu.Count() || menu.At(i + 1).separator;
        if (menu.At(i).separator && lonely) menu.Delete(i);
    }
}

}  // namespace

std::chrono::steady_clock::time_point TPTCustomShellTree::Now() const {
    return clock_ ? clock_() : std::chrono::steady_clock::now();
}

// ---- watching

int TPTCustomShellTree::WatchCount() const {
    return static_cast<int>(std::count_if(watchOwners_.begin(), watchOwners_.end(),
                                          [](const TPTShTreeData* d) { return d != nullptr; }));
}

void TPTCustomShellTree::WatchNode(TPTShTreeData* shData) {
    if (shData == nullptr || !HasOption(ptstoDynamicRefresh) || !changeThread_ || shData->WatchSlot >= 0) return;
    const std::string path = shData->GetPath();
    if (path.empty()) return;
    unsigned filter = TChangeHandlerThread::kFolderNames;
    if (HasOption(ptstoIncludeNonFolders)) filter |= TChangeHandlerThread::kFileNames;
    int slot = -1;
    // A folder that cannot be watched stays unwatched, silently.
    if (!changeThread_->AddWatch(path, filter, false, slot)) return;
    if (static_cast<std::size_t>(slot) >= watchOwners_.size()) watchOwners_.resize(static_cast<std::size_t>(slot) + 1);
    // The thread frees the slot of a folder that went away and may hand it out again: the node that
    // held it must not end the new owner's watch when it goes.
    if (TPTShTreeData* previous = watchOwners_[static_cast<std::size_t>(slot)]) previous->WatchSlot = -1;
    watchOwners_[static_cast<std::size_t>(slot)] = shData;
    shData->WatchSlot = slot;
}

void TPTCustomShellTree::UnwatchNode(TPTShTreeData* shData) {
    if (shData == nullptr || shData->WatchSlot < 0) return;
    const auto slot = static_cast<std::size_t>(shData->WatchSlot);
    shData->WatchSlot = -1;
    if (slot < watchOwners_.size() && watchOwners_[slot] == shData) {
        watchOwners_[slot] = nullptr;
        if (changeThread_) changeThread_->RemoveWatch(static_cast<int>(slot));
    }
}

void TPTCustomShellTree::StopWatching() {
    refreshTimer_.stop();
    if (changeThread_) changeThread_->RemoveAllWatches();
    for (TPTShTreeData* shData : watchOwners_)
        if (shData != nullptr) shData->WatchSlot = -1;
    watchOwners_.clear();
    reportedSlots_.clear();
}

void TPTCustomShellTree::WatchDrives() {
    if (!changeThread_) changeThread_ = std::make_unique<TChangeHandlerThread>(this, kTreeWatchCapacity);
    StopWatching();
    SyncWatches();
}

void TPTCustomShellTree::SyncWatches() {
    if (!HasOption(ptstoDynamicRefresh) || !changeThread_) return;
    // A slot that reported may have lost its folder (gone, or renamed away): watched again.
    for (int slot : reportedSlots_) {
        if (static_cast<std::size_t>(slot) >= watchOwners_.size()) continue;
        if (TPTShTreeData* shData = watchOwners_[static_cast<std::size_t>(slot)]) UnwatchNode(shData);
    }
    reportedSlots_.clear();
    std::vector<TTreeNode*> stack;
    for (int i = 0; i < TopCount(); ++i) stack.push_back(TopItem(i));
    while (!stack.empty()) {
        TTreeNode* node = stack.back();
        stack.pop_back();
        TPTShTreeData* shData = GetNodeData(node);
        if (shData != nullptr && shData->Filled) WatchNode(shData);
        for (int i = 0; i < node->Count(); ++i) stack.push_back(node->Item(i));
    }
}

void TPTCustomShellTree::IgnoreOwnChanges(std::initializer_list<TTreeNode*> nodes) {
    ignoredSlots_.clear();
    for (TTreeNode* node : nodes)
        if (TPTShTreeData* shData = GetNodeData(node); shData != nullptr && shData->WatchSlot >= 0)
            ignoredSlots_.push_back(shData->WatchSlot);
    ignoreUntil_ = Now() + timing_.OwnChangeWindow;
}

bool TPTCustomShellTree::event(QEvent* event) {
    if (event->type() == TChangeEvent::kType) {
        const int slot = static_cast<TChangeEvent*>(event)->Slot();
        RunGuarded(this, false, [&] { ChangeMessage(slot); });
        return true;
    }
    return TPTCustomTreeView::event(event);
}

void TPTCustomShellTree::ChangeMessage(int slot) {
    if (std::find(reportedSlots_.begin(), reportedSlots_.end(), slot) == reportedSlots_.end())
        reportedSlots_.push_back(slot);
    if (dragging_) {
        // The drop's own moves must not leave stale nodes: refreshed when the drag ends.
        refreshPending_ = true;
        return;
    }
    if (Now() < ignoreUntil_ &&
        std::find(ignoredSlots_.begin(), ignoredSlots_.end(), slot) != ignoredSlots_.end()) {
        // Its own change is already in the tree; the watch may still need renewing.
        SyncWatches();
        return;
    }
    refreshTimer_.start(hasFocus() ? timing_.RefreshDelayFocused : timing_.RefreshDelayUnfocused);
}

// ---- refresh

void TPTCustomShellTree::Refresh() {
    if (dragging_ || Editing()) {
        refreshPending_ = true;
        return;
    }
    refreshPending_ = false;
    refreshTimer_.stop();
    if (TopCount() == 0) {
        Reload();
        return;
    }
    WaitCursor cursor;
    setUpdatesEnabled(false);
    struct UpdatesBack {
        QWidget& view;
        ~UpdatesBack() { view.setUpdatesEnabled(true); }
    } updatesBack{*this};
    TTreeNode* remembered = Selected();
    bool ok = true;
    {
        BusyScope busy(*this);
        SetSelected(nullptr);
        RefreshNode(TopItem(0), remembered, ok);
    }
    immediateSync_ = true;
    if (remembered != nullptr) SetSelected(remembered);
    SyncWatches();
}

void TPTCustomShellTree::RefreshNode(TTreeNode* node, TTreeNode*& remembered, bool& ok) {
    TPTShTreeData* shData = GetNodeData(node);
    const bool addsFiles = RefreshAddsFiles && HasOption(ptstoIncludeNonFolders);
    // A filled folder whose new files are added is looked at even when empty: a file may have come.
    if (!ok || (node->Count() == 0 && node != remembered && !(addsFiles && shData != nullptr && shData->Filled)))
        return;
    IShellFolder* folder = shData != nullptr ? shData->ShellFolder() : nullptr;
    if (folder == nullptr) {
        ok = false;
        return;
    }
    // Removal: the children that are gone.
    std::vector<PCItemIDList> kept;
    kept.reserve(static_cast<std::size_t>(node->Count()));
    for (int i = 0; i < node->Count();) {
        TTreeNode* child = node->Item(i);
        TPTShTreeData* childData = GetNodeData(child);
        if (childData == nullptr) {
            ++i;
            continue;
        }
        PCItemIDList item = childData->RelIdList();
        std::uint32_t attributes = kValidateMask;
        if (Succeeded(folder->GetAttributesOf(1, &item, &attributes))) {
            kept.push_back(item);
            if (child->Count() == 0 && (attributes & SFGAO_FOLDER) != 0 && (attributes & SFGAO_HASSUBFOLDER) != 0)
                child->SetHasChildren(true);
            ++i;
            continue;
        }
        // The selection, or a folder holding it, went: its parent is selected instead.
        if (IsSelfOrAncestor(child, remembered)) remembered = node;
        delete child;
    }
    if (node->Count() == 0) node->SetHasChildren(false);
    // Addition: new folders, and new files when asked (never hidden items). The kept items sorted
    // once, so each new item is looked up, not compared with every kept one.
    const auto less = [folder](PCItemIDList a, PCItemIDList b) {
        const HRESULT hr = folder->CompareIDs(0, a, b);
        return Succeeded(hr) && CompareOrder(hr) < 0;
    };
    std::sort(kept.begin(), kept.end(), less);
    ComPtr<IEnumIDList> items;
    const std::uint32_t kinds = SHCONTF_FOLDERS | (addsFiles ? SHCONTF_NONFOLDERS : 0u);
    if (Succeeded(folder->EnumObjects(GetParentFormHandle(this), kinds, items.ReleaseAndGetAddressOf())) &&
        items) {
        ComPtr<IMalloc> allocator;
        SHGetMalloc(allocator.ReleaseAndGetAddressOf());
        for (;;) {
            PItemIDList raw = nullptr;
            std::uint32_t fetched = 0;
            if (items->Next(1, &raw, &fetched) != S_OK) {
                FreePidl(raw);
                break;
            }
            UniquePidl item(raw);
            const auto at = std::lower_bound(kept.begin(), kept.end(), item.get(), less);
            if (at != kept.end() && !less(item.get(), *at)) continue;
            TTreeNode* made = nullptr;
            AddItem(allocator.Get(), folder, item.get(), node, shData->AbsIdList(),
                    InsertPosition(node, folder, item.get()), true, &made);
        }
        shData->Filled = true;
    }
    for (int i = 0; i < node->Count() && ok; ++i) RefreshNode(node->Item(i), remembered, ok);
}

int TPTCustomShellTree::InsertPosition(TTreeNode* parent, IShellFolder* folder, PCItemIDList item) {
    // The children are in the shell's order: the first one after the item.
    int low = 0;
    int high = parent->Count();
    while (low < high) {
        const int mid = (low + high) / 2;
        TPTShTreeData* shData = GetNodeData(parent->Item(mid));
        const HRESULT hr = shData != nullptr ? folder->CompareIDs(0, shData->RelIdList(), item) : S_OK;
        if (Succeeded(hr) && CompareOrder(hr) <= 0) low = mid + 1;
        else high = mid;
    }
    return low;
}

// ---- commands

bool TPTCustomShellTree::CreateNewFolder() {
    // A second editor would leave the first one in charge: the typed name would rename its node.
    CancelEdit();
    TTreeNode* selected = Selected();
    const std::string parent = GetSelectedPath();
    IgnoreOwnChanges({selected});
    std::string name;
    if (!CreateNewFolderIn(parent, name, this)) return false;
    Refresh();
    selected = Selected();
    if (selected == nullptr) return true;
    if (selected->Count() == 0) {
        selected->SetHasChildren(true);
        PopulateNode(selected);
    }
    expanding_ = true;
    selected->setExpanded(true);
    expanding_ = false;
    const QString text = QString::fromStdString(DisplayText(name));
    for (int i = 0; i < selected->Count(); ++i) {
        if (selected->Item(i)->Text() == text) {
            scrollToItem(selected->Item(i));
            edit(indexFromItem(selected->Item(i)), AllEditTriggers, nullptr);
            break;
        }
    }
    return true;
}

bool TPTCustomShellTree::ItemContextMenu(TTreeNode* node, ComPtr<IContextMenu>& menu) {
    TPTShTreeData* shData = GetNodeData(node);
    if (node == nullptr || node->Parent() == nullptr || shData == nullptr) return false;
    IShellFolder* folder = shData->ParentShellFolder();
    if (folder == nullptr) return false;
    PCItemIDList item = shData->RelIdList();
    OleCheck(folder->GetUIObjectOf(GetParentFormHandle(this), 1, &item, Iid::ContextMenu, nullptr,
                                   menu.ReleaseAndGetVoidAddress()));
    return true;
}

HRESULT TPTCustomShellTree::InvokeVerb(TTreeNode* node, const std::string& verb) {
    ComPtr<IContextMenu> menu;
    return ItemContextMenu(node, menu) ? InvokeShellCommand(menu.Get(), GetParentFormHandle(this), verb) : S_FALSE;
}

HRESULT TPTCustomShellTree::InvokeVerb(TTreeNode* node, int offset) {
    ComPtr<IContextMenu> menu;
    return ItemContextMenu(node, menu) ? InvokeShellCommand(menu.Get(), GetParentFormHandle(this), offset) : S_FALSE;
}

void TPTCustomShellTree::keyPressEvent(QKeyEvent* event) {
    if (IsContextMenuKey(*event)) {
        TPTCustomTreeView::keyPressEvent(event);
        return;
    }
    int key = event->key();
    if (OnKeyDown) RunGuarded(this, false, [&] { OnKeyDown(*this, key, event->modifiers()); });
    if (key == 0) {
        event->accept();
        return;
    }
    bool handled = false;
    RunGuarded(this, false, [&] { KeyDown(key, event->modifiers(), handled); });
    if (handled) event->accept();
    else TPTCustomTreeView::keyPressEvent(event);
}

void TPTCustomShellTree::KeyDown(int& key, Qt::KeyboardModifiers modifiers, bool& handled) {
    handled = false;
    if (Editing() || !HasOption(ptstoDefaultKeyHandling)) return;
    QKeyEvent probe(QEvent::KeyPress, key, modifiers);
    const int entry = FindShellKey(ShortcutFromKeyEvent(probe));
    if (entry < 0 || entry == static_cast<int>(TShellKey::SelectAll)) return;
    const auto command = static_cast<TShellKey>(entry);
    if (readOnly_ && (command == TShellKey::Rename || command == TShellKey::Delete || command == TShellKey::Cut ||
                      command == TShellKey::Paste))
        return;
    handled = true;
    TTreeNode* selected = Selected();
    switch (command) {
    case TShellKey::Rename:
        if (selected != nullptr) renameTrigger_->Rename();
        break;
    case TShellKey::Refresh: Refresh(); break;
    case TShellKey::Delete:
        if (selected != nullptr) InvokeVerb(selected, "delete");
        break;
    case TShellKey::Cut:
        if (selected != nullptr) InvokeVerb(selected, "cut");
        break;
    case TShellKey::Copy:
        if (selected != nullptr) InvokeVerb(selected, "copy");
        break;
    case TShellKey::Paste:
        if (selected != nullptr) InvokeVerb(selected, "paste");
        break;
    case TShellKey::SelectAll: break;
    }
}

// ---- the shell's context menu

void TPTCustomShellTree::GetPopupMenu(TTreeNode* node, QPoint point, QMenu*& menu) {
    TPTCustomTreeView::GetPopupMenu(node, point, menu);
    if (!HasOption(ptstoContextMenus) || node == nullptr) return;
    ShowShellContextMenu(node, point);
    menu = nullptr;
}

void TPTCustomShellTree::ShowShellContextMenu(TTreeNode* node, QPoint point) {
    TPTShTreeData* shData = GetNodeData(node);
    if (shData == nullptr || IsEmptyPidl(shData->AbsIdList())) return;
    IShellFolder* folder = shData->ParentShellFolder();
    if (folder == nullptr) return;
    TMenuHandle menu;
    ComPtr<IContextMenu> contextMenu;
    PCItemIDList item = shData->RelIdList();
    if (Failed(GetItemsContextMenu(GetParentFormHandle(this), folder, 1, &item, CMF_EXPLORE, menu, contextMenu)) ||
        !contextMenu)
        return;
    if (readOnly_) RemoveChangingCommands(menu, contextMenu.Get());
    TTrackPopupParams params;
    params.Parent = this;
    params.At = viewport()->mapToGlobal(point);
    params.Menu = contextMenu.Get();
    params.SendTo = &sendTo_;
    params.OnHint = [this](const std::string& hint) {
        if (OnPopupHint) OnPopupHint(*this, hint);
    };
    const unsigned chosen = TrackPopupMenu(menu, params);
    if (chosen >= kFirstShellCommand) {
        const unsigned offset = chosen - kFirstShellCommand;
        const HRESULT hr = InvokeShellCommand(contextMenu.Get(), GetParentFormHandle(this), static_cast<int>(offset));
        // No program took the item: said, or the command looks dead.
        std::string verb;
        if (Failed(hr) && Succeeded(contextMenu->GetCommandString(offset, GCS_VERBA, verb)) && verb == "open")
            TellLaunchFailed(this, shData->GetPath());
    } else if (chosen >= 1)
        SendToCommand(node, static_cast<int>(chosen) - 1);
}

void TPTCustomShellTree::SendToCommand(TTreeNode* node, int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= sendTo_.size()) return;
    ComPtr<IDataObject> sent = ComPtr<IDataObject>::Attach(NodeDataObject(node));
    if (sent) OleCheck(SendToItem(sendTo_[static_cast<std::size_t>(index)].Name, sent.Get()));
}

// ---- paced scrolling near the edges

bool TPTCustomShellTree::AutoScroll(QPoint point) {
    const auto now = Now();
    if (now - lastScrollTick_ <= timing_.DragScrollPace) return false;
    lastScrollTick_ = now;
    return EdgeScroll(this, point);
}

}  // namespace corvane::shell
