#include "shell/ui/shell_tree.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMouseEvent>

#include <algorithm>

#include "shell/ns/change_watch.h"
#include "shell/ns/desktop_folder.h"
#include "shell/ns/id_list_array.h"
#include "shell/ns/shell_utils.h"
#include "shell/ns/sys_icons.h"
#include "shell/ui/right_drag.h"
#include "shell/ui/shell_commands.h"

namespace corvane::shell {

namespace {

const std::uint8_t kEmptyList[2] = {0, 0};

void RaiseOnFailure(HRESULT hr) {
    if (Failed(hr)) throw EShellError(SystemMessage(hr));
}

}  // namespace

TPTCustomShellTree::WaitCursor::WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
TPTCustomShellTree::WaitCursor::~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }

TPTCustomShellTree::TPTCustomShellTree(QWidget* parent, ShellTiming timing)
    : TPTCustomTreeView(parent), timing_(timing) {
    setObjectName(QStringLiteral("TPTShellTree"));
    syncTimer_.setSingleShot(true);
    refreshTimer_.setSingleShot(true);
    connect(&syncTimer_, &QTimer::timeout, this, [this] { RunGuarded(this, false, [&] { SyncSelection(Selected()); }); });
    connect(&refreshTimer_, &QTimer::timeout, this, [this] { RunGuarded(this, false, [&] { Refresh(); }); });
    baseFolder_.OnChange = [this](TPTShellLocator&) { BaseFolderChanged(); };
    selection_.OnChange = [this](TPTShellLocator&) { SelectionChanged(); };
    connect(this, &QTreeWidget::itemExpanded, this,
            [this](QTreeWidgetItem* item) { RunGuarded(this, false, [&] { NodeExpanded(item); }); });
    connect(this, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* current, QTreeWidgetItem*) {
        RunGuarded(this, false, [&] { Change(static_cast<TTreeNode*>(current)); });
    });
    setRootIsDecorated(false);
    setIndentation(19);
    renameTrigger_ = new TTreeRenameTrigger(*this);
    SetImages(&images_);
    UpdateDropTarget();
    WatchRightDrag(*this, [this] { DragCurrentNode(true); });
}

TPTCustomShellTree::~TPTCustomShellTree() {
    // The watch thread stops before the nodes go, so no message arrives for a node being freed.
    changeThread_.reset();
    DropTargetGone();
    // The nodes go with the tree: its owner, being destroyed itself, is not told of each.
    OnDeleteItem = nullptr;
    OnChange = nullptr;
    ++busy_;
    Clear();
    if (shellList_ != nullptr) shellList_->Unlink(*this);
}

TPTShellTree::TPTShellTree(QWidget* parent, ShellTiming timing) : TPTCustomShellTree(parent, timing) {}

// ---- properties

void TPTCustomShellTree::SetBaseFolder(const TPTShellLocator* folder) { baseFolder_.Assign(folder); }

void TPTCustomShellTree::SetSelectionLocator(const TPTShellLocator* locator) {
    if (busy_ > 0) {
        if (shellList_ != nullptr) shellList_->SetSelectionLocator(&selection_);
        return;
    }
    selection_.Assign(locator);
}

void TPTCustomShellTree::SetShellList(IShellListLink* list) {
    if (list == shellList_) return;
    IShellListLink* old = std::exchange(shellList_, list);
    if (old != nullptr) old->Unlink(*this);
    if (list != nullptr) list->SetSelectionLocator(&selection_);
}

void TPTCustomShellTree::SetOptions(TPTShellTreeOptions options) {
    const TPTShellTreeOptions changed = options_ ^ options;
    options_ = options;
    if ((changed & (ptstoOleDrop | ptstoOleDrag)) != 0) UpdateDropTarget();
    if ((changed & ptstoDynamicRefresh) != 0) {
        if (HasOption(ptstoDynamicRefresh)) WatchDrives();
        else StopWatching();
    }
}

std::string TPTCustomShellTree::GetSelectedPath() {
    TPTShTreeData* shData = GetNodeData(Selected());
    return shData != nullptr ? shData->GetPath() : std::string();
}

void TPTCustomShellTree::SetSelectedPath(const std::string& path) {
    if (busy_ > 0) return;
    selection_.SetPath(path);
}

TPTShTreeData* TPTCustomShellTree::GetNodeData(TTreeNode* node) {
    return node != nullptr ? static_cast<TPTShTreeData*>(node->Data) : nullptr;
}

// ---- filling

void TPTCustomShellTree::Reload() {
    if (dragging_ || Editing()) {
        refreshPending_ = true;
        return;
    }
    WaitCursor cursor;
    refreshTimer_.stop();
    {
        BusyScope busy(*this);
        SetSelected(nullptr);
        Clear();
    }
    ComPtr<IShellFolder> folder;
    RaiseOnFailure(GetShellFolder(baseFolder_.Pidl(), folder.ReleaseAndGetAddressOf()));
    FillNode(folder.Get(), nullptr);
    if (selection_.Pidl() != nullptr) SelectPidl(selection_.Pidl());
    else if (TopCount() > 0) SetSelected(TopItem(0));
    if (HasOption(ptstoDynamicRefresh)) WatchDrives();
}

void TPTCustomShellTree::FillNode(IShellFolder* folder, TTreeNode* node) {
    if (folder == nullptr) return;
    ComPtr<IMalloc> allocator;
    RaiseOnFailure(SHGetMalloc(allocator.ReleaseAndGetAddressOf()));
    UniquePidl parentAbs;
    if (node == nullptr) {
        PCItemIDList base = baseFolder_.Pidl();
        QString text;
        const int count = PidlItemCount(base);
        if (count > 1) {
            ComPtr<IShellFolder> parent;
            UniquePidl parentList(CopyFirstItems(base, count - 1));
            if (Succeeded(GetShellFolder(parentList.get(), parent.ReleaseAndGetAddressOf())))
                text = QString::fromStdString(DisplayText(GetDisplayNameOrWarn(parent.Get(), LastItem(base), SHGDN_INFOLDER, this)));
        } else {
            text = QString::fromStdString(
                DisplayText(GetDisplayNameOrWarn(nullptr, base != nullptr ? base : kEmptyList, SHGDN_INFOLDER, this)));
        }
        node = AddChild(nullptr, text);
        node->setFlags(node->flags() | Qt::ItemIsEditable);
        PCItemIDList forIcon = base != nullptr ? base : kEmptyList;
        node->SetImageIndex(GetPidlIconIndex(forIcon, SHGFI_SMALLICON));
        node->SetSelectedIndex(GetPidlIconIndex(forIcon, SHGFI_SMALLICON | SHGFI_OPENICON));
        auto* shData = new TPTShTreeData(this, nullptr);
        shData->Init(nullptr, allocator.Get(), base);
        shData->SetShellFolder(folder);
        node->Data = shData;
        if (base != nullptr) parentAbs.reset(CopyPidl(nullptr, base));
        if (OnInsertItem) OnInsertItem(*this, node);
    } else {
        TPTShTreeData* shData = GetNodeData(node);
        if (shData == nullptr) return;
        TPTShTreeData* parentData = shData->Parent();
        parentAbs.reset(ConcatPidls(nullptr, parentData != nullptr ? parentData->AbsIdList() : nullptr,
                                    parentData != nullptr ? shData->RelIdList() : shData->AbsIdList()));
    }
    std::uint32_t flags = SHCONTF_FOLDERS;
    if (HasOption(ptstoIncludeNonFolders)) flags |= SHCONTF_NONFOLDERS;
    if (HasOption(ptstoShowHidden)) flags |= SHCONTF_INCLUDEHIDDEN;
    ComPtr<IEnumIDList> items;
    if (Failed(folder->EnumObjects(GetParentFormHandle(this), flags, items.ReleaseAndGetAddressOf())) || !items) {
        node->SetHasChildren(true);
        return;
    }
    // Made apart, sorted, then added at once: one insertion for the view however many there are.
    std::vector<TTreeNode*> made;
    HRESULT end = S_OK;
    for (;;) {
        PItemIDList raw = nullptr;
        std::uint32_t fetched = 0;
        end = items->Next(1, &raw, &fetched);
        UniquePidl item(raw);
        if (end != S_OK) break;
        TTreeNode* child = nullptr;
        const HRESULT hr = AddItem(allocator.Get(), folder, item.get(), node, parentAbs.get(), -1, false, &child);
        if (Failed(hr)) {
            for (TTreeNode* orphan : made) delete orphan;
            RaiseOnFailure(hr);
        }
        if (child != nullptr) made.push_back(child);
    }
    if (end != S_FALSE) {
        for (TTreeNode* orphan : made) delete orphan;
        RaiseOnFailure(end);
    }
    std::stable_sort(made.begin(), made.end(), [&](TTreeNode* a, TTreeNode* b) {
        PCItemIDList ra = static_cast<TPTShTreeData*>(a->Data)->RelIdList();
        PCItemIDList rb = static_cast<TPTShTreeData*>(b->Data)->RelIdList();
        const HRESULT hr = folder->CompareIDs(0, ra, rb);
        return Succeeded(hr) && CompareOrder(hr) < 0;
    });
    node->addChildren(QList<QTreeWidgetItem*>(made.begin(), made.end()));
    if (node->Count() == 0) node->SetHasChildren(false);
    TPTShTreeData* shData = GetNodeData(node);
    shData->Filled = true;
    if (OnInsertItem)
        for (TTreeNode* child : made) OnInsertItem(*this, child);
    if (node->Parent() == nullptr) node->setExpanded(true);
    WatchNode(shData);
    if (OnFillComplete) OnFillComplete(*this);
}

HRESULT TPTCustomShellTree::AddItem(IMalloc* allocator, IShellFolder* folder, PCItemIDList itemRel,
                                    TTreeNode* parent, PCItemIDList parentAbs, int insertAt, bool attach,
                                    TTreeNode** made) {
    if (made != nullptr) *made = nullptr;
    std::uint32_t attributes = 0xF20B0000;
    const HRESULT hr = folder->GetAttributesOf(1, &itemRel, &attributes);
    if (Failed(hr)) return hr;
    if (!HasOption(ptstoVirtualFolders) && (attributes & (SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR)) == 0)
        return S_OK;
    if (!DoAddItem(folder, parentAbs, attributes, itemRel)) return S_OK;
    const QString text =
        QString::fromStdString(DisplayText(GetDisplayNameOrWarn(folder, itemRel, SHGDN_INFOLDER, this)));
    auto* node = new TTreeNode(this);
    node->SetText(text);
    node->setFlags(node->flags() | Qt::ItemIsEditable);
    const bool folderBit = (attributes & SFGAO_FOLDER) != 0;
    const bool subfolders = (attributes & SFGAO_HASSUBFOLDER) != 0;
    node->SetHasChildren(HasOption(ptstoIncludeNonFolders) ? (folderBit || subfolders) : (folderBit && subfolders));
    if ((attributes & SFGAO_SHARE) != 0) node->SetOverlayIndex(kOverlayShared);
    else if ((attributes & SFGAO_LINK) != 0) node->SetOverlayIndex(kOverlayLink);
    if ((attributes & SFGAO_GHOSTED) != 0) node->SetCut(true);
    auto* shData = new TPTShTreeData(this, GetNodeData(parent));
    shData->Init(GetNodeData(parent), allocator, itemRel);
    node->Data = shData;
    if (attach) {
        if (insertAt < 0 || insertAt > parent->Count()) parent->addChild(node);
        else parent->insertChild(insertAt, node);
        if (OnInsertItem) OnInsertItem(*this, node);
    }
    if (made != nullptr) *made = node;
    return S_OK;
}

bool TPTCustomShellTree::DoAddItem(IShellFolder* folder, PCItemIDList parentAbs, std::uint32_t attributes,
                                   PCItemIDList itemRel) {
    bool allow = true;
    if (OnAddItem) OnAddItem(*this, folder, parentAbs, itemRel, attributes, allow);
    return allow;
}

int TPTCustomShellTree::CompareNodes(TTreeNode* a, TTreeNode* b) {
    TPTShTreeData* da = GetNodeData(a);
    TPTShTreeData* db = GetNodeData(b);
    if (da == nullptr || db == nullptr) return 0;
    IShellFolder* folder = da->ParentShellFolder();
    if (folder == nullptr) return 0;
    const HRESULT hr = folder->CompareIDs(0, da->RelIdList(), db->RelIdList());
    return Succeeded(hr) ? CompareOrder(hr) : 0;
}

void TPTCustomShellTree::SortNode(TTreeNode* node) {
    const int count = node != nullptr ? node->Count() : TopCount();
    if (count < 2) return;
    // Taking the children out forgets which of them were open and which was current: kept here.
    std::vector<QTreeWidgetItem*> open;
    std::vector<QTreeWidgetItem*> stack;
    for (int i = 0; i < count; ++i) stack.push_back(node != nullptr ? node->child(i) : topLevelItem(i));
    while (!stack.empty()) {
        QTreeWidgetItem* item = stack.back();
        stack.pop_back();
        if (item->isExpanded()) open.push_back(item);
        for (int i = 0; i < item->childCount(); ++i) stack.push_back(item->child(i));
    }
    TTreeNode* current = Selected();
    BusyScope busy(*this);
    QList<QTreeWidgetItem*> children;
    if (node != nullptr) {
        children = node->takeChildren();
    } else {
        while (topLevelItemCount() > 0) children.prepend(takeTopLevelItem(topLevelItemCount() - 1));
    }
    std::stable_sort(children.begin(), children.end(), [&](QTreeWidgetItem* a, QTreeWidgetItem* b) {
        return CompareNodes(static_cast<TTreeNode*>(a), static_cast<TTreeNode*>(b)) < 0;
    });
    if (node != nullptr) node->addChildren(children);
    else addTopLevelItems(children);
    expanding_ = true;
    for (QTreeWidgetItem* item : open) item->setExpanded(true);
    expanding_ = false;
    if (current != nullptr) SetSelected(current);
}

// ---- selection

void TPTCustomShellTree::SelectPidl(PCItemIDList absolute) {
    if (busy_ > 0 || TopCount() == 0) return;
    immediateSync_ = true;
    TPTIdListArray base(baseFolder_.Pidl());
    TPTIdListArray wanted(absolute);
    TTreeNode* top = TopItem(0);
    TTreeNode* found = top;
    setUpdatesEnabled(false);
    if (wanted.Count() > base.Count()) {
        top->setExpanded(true);
        for (int i = base.Count(); i < wanted.Count(); ++i) {
            TTreeNode* child = FindChildNode(found, wanted.Items(i));
            if (child == nullptr) break;
            found = child;
            const bool last = i == wanted.Count() - 1;
            if (!last || (shellList_ != nullptr && shellList_->WantsLastNodeExpanded())) child->setExpanded(true);
        }
    } else if (wanted.Count() > 0) {
        top->setExpanded(true);
    }
    setUpdatesEnabled(true);
    SetSelected(found);
    scrollToItem(found);
}

TTreeNode* TPTCustomShellTree::FindChildNode(TTreeNode* node, PCItemIDList item) {
    if (node == nullptr) {
        for (int i = 0; i < TopCount(); ++i)
            if (GetNodeData(TopItem(i)) != nullptr) return TopItem(i);
        return nullptr;
    }
    TPTShTreeData* shData = GetNodeData(node);
    IShellFolder* folder = shData != nullptr ? shData->ShellFolder() : nullptr;
    if (folder == nullptr) return nullptr;
    for (int i = 0; i < node->Count(); ++i) {
        TPTShTreeData* childData = GetNodeData(node->Item(i));
        if (childData == nullptr) continue;
        const HRESULT hr = folder->CompareIDs(0, childData->RelIdList(), item);
        if (Succeeded(hr) && CompareOrder(hr) == 0) return node->Item(i);
    }
    return nullptr;
}

void TPTCustomShellTree::SelectAncestor(int levels) {
    TTreeNode* node = Selected();
    if (node == nullptr) return;
    for (int i = 0; i < levels && node->Parent() != nullptr; ++i) node = node->Parent();
    immediateSync_ = true;
    SetSelected(node);
}

void TPTCustomShellTree::FlushPendingChange(bool alsoOthers) {
    if (alsoOthers && shellList_ != nullptr) shellList_->FlushPending();
    if (syncTimer_.isActive()) {
        syncTimer_.stop();
        SyncSelection(Selected());
    }
    if (refreshTimer_.isActive()) {
        refreshTimer_.stop();
        Refresh();
    }
}

void TPTCustomShellTree::Change(TTreeNode* node) {
    TPTShTreeData* shData = GetNodeData(node);
    if (busy_ > 0) {
        if (shData != nullptr) selection_.SetPidl(shData->AbsIdList());
        return;
    }
    if (OnChange) OnChange(*this, node);
    if (shData == nullptr) return;
    if (!immediateSync_ && shellList_ != nullptr) {
        syncTimer_.start(timing_.SelectionSyncDelay);
        return;
    }
    SyncSelection(node);
}

void TPTCustomShellTree::SyncSelection(TTreeNode* node) {
    TPTShTreeData* shData = GetNodeData(node);
    if (shData == nullptr) return;
    {
        BusyScope busy(*this);
        selection_.SetPidl(shData->AbsIdList());
        if (shellList_ != nullptr) shellList_->ShowFolder(shData->AbsIdList());
    }
    immediateSync_ = false;
}

void TPTCustomShellTree::BaseFolderChanged() {
    selection_.Clear();
    if (HasOption(ptstoAutoFill)) {
        immediateSync_ = true;
        Reload();
    }
}

void TPTCustomShellTree::SelectionChanged() {
    if (TopCount() > 0) SelectPidl(selection_.Pidl());
}

// ---- expansion, images, deletion, drawing

bool TPTCustomShellTree::CanExpand(TTreeNode* node) {
    bool allow = true;
    if (OnExpanding) OnExpanding(*this, node, allow);
    return allow;
}

void TPTCustomShellTree::NodeExpanded(QTreeWidgetItem* item) {
    if (expanding_) return;
    auto* node = static_cast<TTreeNode*>(item);
    if (!CanExpand(node)) {
        expanding_ = true;
        node->setExpanded(false);
        expanding_ = false;
        return;
    }
    PopulateNode(node);
}

void TPTCustomShellTree::PopulateNode(TTreeNode* node) {
    if (node->Count() > 0 || !node->HasChildren()) return;
    TPTShTreeData* shData = GetNodeData(node);
    IShellFolder* folder = shData != nullptr ? shData->ShellFolder() : nullptr;
    if (folder == nullptr) return;
    WaitCursor cursor;
    FillNode(folder, node);
}

void TPTCustomShellTree::GetImageIndex(TTreeNode* node) {
    if (TPTShTreeData* shData = GetNodeData(node); shData != nullptr && node->ImageIndex() < 0) {
        PCItemIDList list = shData->AbsIdList();
        node->SetImageIndex(GetPidlIconIndex(list != nullptr ? list : kEmptyList, SHGFI_SMALLICON));
    }
    TPTCustomTreeView::GetImageIndex(node);
}

void TPTCustomShellTree::GetSelectedIndex(TTreeNode* node) {
    if (TPTShTreeData* shData = GetNodeData(node); shData != nullptr && node->SelectedIndex() < 0) {
        PCItemIDList list = shData->AbsIdList();
        node->SetSelectedIndex(
            GetPidlIconIndex(list != nullptr ? list : kEmptyList, SHGFI_SMALLICON | SHGFI_OPENICON));
    }
    TPTCustomTreeView::GetSelectedIndex(node);
}

void TPTCustomShellTree::DeletingNode(TTreeNode* node) {
    auto* shData = GetNodeData(node);
    if (node == editingNode_) editingNode_ = nullptr;
    if (node == dragNode_) dragNode_ = nullptr;
    if (node == dropHighlight_) dropHighlight_ = nullptr;
    if (shData == nullptr) return;
    if (OnDeleteItem) OnDeleteItem(*this, node, shData);
    UnwatchNode(shData);
    node->Data = nullptr;
    delete shData;
}

std::unique_ptr<TPTCustomDraw> TPTCustomShellTree::DoCustomDraw(TNMCustomDraw& notification, std::uint32_t& result) {
    const std::uint32_t stage = notification.dwDrawStage;
    TTreeNode* node = (stage & CDDS_ITEM) != 0 ? static_cast<TTreeNode*>(itemFromIndex(notification.item)) : nullptr;
    auto draw = TPTCustomDrawFrame::FireEvents(
        stage, static_cast<bool>(OnCustomDrawShEx), static_cast<bool>(OnCustomDrawSh),
        [&] { return CreateCustomDraw(notification, result); },
        [&](TPTCustomDraw& made, bool ex) {
            (ex ? OnCustomDrawShEx : OnCustomDrawSh)(*this, made, node, GetNodeData(node));
        });
    if ((stage & CDDS_ITEM) == 0 && (stage & CDDS_PREPAINT) != 0) result |= CDRF_NOTIFYITEMDRAW;
    return draw;
}

// ---- mouse and renaming

void TPTCustomShellTree::showEvent(QShowEvent* event) {
    TPTCustomTreeView::showEvent(event);
    if (TopCount() == 0 && HasOption(ptstoAutoFill)) RunGuarded(this, false, [&] { Reload(); });
}

void TPTCustomShellTree::mousePressEvent(QMouseEvent* event) {
    immediateSync_ = true;
    TPTCustomTreeView::mousePressEvent(event);
}

}  // namespace corvane::shell
