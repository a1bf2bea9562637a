// Drag and drop of the shell tree: a node's item dragged out as a data object, and drops taken by
// the item under the mouse through its folder's drop target.

#include <QDrag>

#include "shell/ns/drop_helpers.h"
#include "shell/ui/ole_bridge.h"
#include "shell/ui/shell_commands.h"
#include "shell/ui/shell_tree.h"

namespace corvane::shell {

namespace {

constexpr std::uint32_t kDefaultDragEffects = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
constexpr std::uint32_t kDropEffectScroll = 0x80000000u;

}  // namespace

void TPTCustomShellTree::UpdateDropTarget() {
    // Without the option nothing may start a drag: no program window takes one.
    setDragEnabled(HasOption(ptstoOleDrag));
    if (HasOption(ptstoOleDrop) && !dropTarget_) {
        dropTarget_ = ComPtr<TDropTarget_shtv>::Attach(new TDropTarget_shtv(this));
        RegisterDragDrop(viewport(), dropTarget_.Get());
    } else if (!HasOption(ptstoOleDrop) && dropTarget_) {
        DropTargetGone();
    }
}

void TPTCustomShellTree::DropTargetGone() {
    if (!dropTarget_) return;
    dropTarget_->Detach();
    RevokeDragDrop(viewport());
    dropTarget_.Reset();
    dataOver_.Reset();
}

// ---- drag out

IDataObject* TPTCustomShellTree::NodeDataObject(TTreeNode* node) {
    TPTShTreeData* shData = GetNodeData(node);
    if (shData == nullptr) return nullptr;
    PCItemIDList parent = shData->Parent() != nullptr ? shData->Parent()->AbsIdList() : nullptr;
    PCItemIDList item = shData->Parent() != nullptr ? shData->RelIdList() : LastItem(shData->AbsIdList());
    if (shData->Parent() == nullptr && PidlItemCount(shData->AbsIdList()) > 1) {
        UniquePidl folder(CopyFirstItems(shData->AbsIdList(), PidlItemCount(shData->AbsIdList()) - 1));
        return new TDataObject_shtv(folder.get(), item, shData->AbsIdList());
    }
    return new TDataObject_shtv(parent, item, shData->AbsIdList());
}

std::uint32_t TPTCustomShellTree::GetDragEffects(TTreeNode* node) {
    TPTShTreeData* shData = GetNodeData(node);
    if (shData == nullptr) return kDefaultDragEffects;
    ComPtr<IShellFolder> folder;
    UniquePidl parentList;
    UniquePidl ownItem;
    PCItemIDList item = shData->RelIdList();
    if (shData->Parent() != nullptr) {
        IShellFolder* parent = shData->ParentShellFolder();
        if (parent != nullptr) parent->AddRef();
        folder = ComPtr<IShellFolder>::Attach(parent);
    } else {
        PItemIDList parentRaw = nullptr;
        PItemIDList itemRaw = nullptr;
        const HRESULT hr = SplitPidl(shData->AbsIdList(), folder.ReleaseAndGetAddressOf(), &parentRaw, &itemRaw);
        parentList.reset(parentRaw);
        ownItem.reset(itemRaw);
        if (Failed(hr)) return 0;
        item = ownItem.get();
    }
    if (!folder) return 0;
    std::uint32_t attributes = kDefaultDragEffects;
    if (Failed(folder->GetAttributesOf(1, &item, &attributes))) return kDefaultDragEffects;
    return attributes & kDefaultDragEffects;
}

void TPTCustomShellTree::startDrag(Qt::DropActions) { DragCurrentNode(false); }

void TPTCustomShellTree::DragCurrentNode(bool rightButton) {
    if (!HasOption(ptstoOleDrag)) return;
    TTreeNode* node = static_cast<TTreeNode*>(currentItem());
    // The top node cannot be dragged.
    if (node == nullptr || node->Parent() == nullptr || GetNodeData(node) == nullptr) return;
    dragNode_ = node;
    SetDropHighlight(node);
    RunGuarded(this, false, [&] { BeginOleDrag(rightButton); });
    SetDropHighlight(nullptr);
}

void TPTCustomShellTree::BeginOleDrag(bool rightButton) {
    if (dragNode_ == nullptr) return;
    dragging_ = true;
    ComPtr<IDataObject> dragData = ComPtr<IDataObject>::Attach(NodeDataObject(dragNode_));
    const std::uint32_t effects = GetDragEffects(dragNode_);
    ComPtr<IDropSource> source = ComPtr<IDropSource>::Attach(new TDropSource_shlvtv(rightButton ? 1 : 0));
    std::uint32_t effect = DROPEFFECT_NONE;
    if (dragData) DoDragDrop(dragData.Get(), source.Get(), effects, &effect, this);
    dragging_ = false;
    dragNode_ = nullptr;
    const bool pending = std::exchange(refreshPending_, false);
    // Changes seen during the drag (also the drop's own moves) are taken in now; a move took the item
    // away, which a tree without a watch would not hear of.
    if (pending || (effect & DROPEFFECT_MOVE) != 0) Refresh();
}

// ---- drop in

void TPTCustomShellTree::SetDropHighlight(TTreeNode* node) {
    if (node == dropHighlight_) return;
    dropHighlight_ = node;
    viewport()->update();
}

void TPTCustomShellTree::DecorateItem(QStyleOptionViewItem& option, const QModelIndex& index) {
    // The node a drop would land on is drawn as selected, the selection itself staying where it is.
    if (dropHighlight_ != nullptr && index.isValid() && itemFromIndex(index) == dropHighlight_)
        option.state |= QStyle::State_Selected;
    TPTCustomTreeView::DecorateItem(option, index);
}

bool TPTCustomShellTree::ItemDropTarget(TTreeNode* node, ComPtr<IDropTarget>& target) {
    TPTShTreeData* shData = GetNodeData(node);
    if (shData == nullptr) return false;
    if (shData->Parent() == nullptr)
        return Succeeded(GetPidlUIObject(shData->AbsIdList(), Iid::DropTarget, target.ReleaseAndGetVoidAddress(),
                                         GetParentFormHandle(this))) &&
               target;
    IShellFolder* folder = shData->ParentShellFolder();
    if (folder == nullptr) return false;
    PCItemIDList item = shData->RelIdList();
    return Succeeded(folder->GetUIObjectOf(GetParentFormHandle(this), 1, &item, Iid::DropTarget, nullptr,
                                           target.ReleaseAndGetVoidAddress())) &&
           target;
}

HRESULT TPTCustomShellTree::OleDragEnter(IDataObject* dataObject, std::uint32_t keyState, POINTL point,
                                         std::uint32_t* effect) {
    lastScrollTick_ = Now();
    if (dataObject != nullptr) dataObject->AddRef();
    dataOver_ = ComPtr<IDataObject>::Attach(dataObject);
    keyStateAtEnter_ = keyState;
    TTreeNode* node = NodeAt(viewport()->mapFromGlobal(QPoint(point.x, point.y)));
    ComPtr<IDropTarget> target;
    // The top node is no target on entering.
    if (node != nullptr && node->Parent() != nullptr && ItemDropTarget(node, target)) {
        const HRESULT hr = target->DragEnter(dataObject, keyState, point, effect);
        target->DragLeave();
        return hr;
    }
    if (effect != nullptr) *effect = DROPEFFECT_NONE;
    return S_OK;
}

HRESULT TPTCustomShellTree::OleDragOver(std::uint32_t keyState, POINTL point, std::uint32_t* effect) {
    const QPoint client = viewport()->mapFromGlobal(QPoint(point.x, point.y));
    TTreeNode* node = NodeAt(client);
    HRESULT hr = S_OK;
    std::uint32_t answer = DROPEFFECT_NONE;
    if (GetNodeData(node) != nullptr) {
        SetDropHighlight(node);
        ComPtr<IDropTarget> target;
        if (ItemDropTarget(node, target)) {
            answer = effect != nullptr ? *effect : DROPEFFECT_NONE;
            target->DragEnter(dataOver_.Get(), keyState, point, &answer);
            hr = target->DragOver(keyState, point, &answer);
            target->DragLeave();
        }
    } else {
        SetDropHighlight(dragNode_);
    }
    AutoScroll(client);
    if (effect != nullptr) *effect = answer | kDropEffectScroll;
    return hr;
}

HRESULT TPTCustomShellTree::OleDragLeave() {
    dataOver_.Reset();
    SetDropHighlight(nullptr);
    return S_OK;
}

HRESULT TPTCustomShellTree::OleDrop(IDataObject* dataObject, std::uint32_t keyState, POINTL point, std::uint32_t* effect) {
    TTreeNode* node = NodeAt(viewport()->mapFromGlobal(QPoint(point.x, point.y)));
    HRESULT hr = S_OK;
    ComPtr<IDropTarget> target;
    if (GetNodeData(node) != nullptr && ItemDropTarget(node, target)) {
        // A right-button drag shows the drop's menu: the buttons seen at enter go with the drop.
        keyState |= keyStateAtEnter_ & (MK_LBUTTON | MK_RBUTTON);
        std::uint32_t local = effect != nullptr ? *effect : DROPEFFECT_NONE;
        target->DragEnter(dataObject, keyState, point, &local);
        target->DragOver(keyState, point, &local);
        std::uint32_t allowed = effect != nullptr ? *effect : DROPEFFECT_NONE;
        allowed &= GetDataDropEffects(dataObject);
        hr = target->Drop(dataObject, keyState, point, &allowed);
        if (effect != nullptr) *effect = allowed;
    } else if (effect != nullptr) {
        *effect = DROPEFFECT_NONE;
    }
    SetDropHighlight(nullptr);
    dataOver_.Reset();
    return hr;
}

}  // namespace corvane::shell
