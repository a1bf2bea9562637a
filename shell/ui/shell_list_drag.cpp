// Drag and drop of the shell list: the selection dragged out as a data object, drops taken by the
// item under the mouse or by the shown folder. A drag of the list's own items onto its empty area
// goes nowhere with the left button; with the right one it may copy or link, never move, there.


#include "shell/ns/drop_helpers.h"
#include "shell/ui/ole_bridge.h"
#include "shell/ui/drag_scroll.h"
#include "shell/ui/shell_commands.h"
#include "shell/ui/shell_list.h"

namespace corvane::shell {

namespace {

constexpr std::uint32_t kItemEffects = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
constexpr std::uint32_t kDropEffectScroll = 0x80000000u;

}  // namespace

std::chrono::steady_clock::time_point TPTCustomShellList::Now() const {
    return clock_ ? clock_() : std::chrono::steady_clock::now();
}

void TPTCustomShellList::UpdateDropTarget() {
    setDragEnabled(HasOption(ptsloOleDrag));
    if (HasOption(ptsloOleDrop) && !dropTarget_) {
        dropTarget_ = ComPtr<TDropTarget_shlv>::Attach(new TDropTarget_shlv(this));
        RegisterDragDrop(viewport(), dropTarget_.Get());
    } else if (!HasOption(ptsloOleDrop) && dropTarget_) {
        DropTargetGone();
    }
}

void TPTCustomShellList::DropTargetGone() {
    if (!dropTarget_) return;
    dropTarget_->Detach();
    RevokeDragDrop(viewport());
    dropTarget_.Reset();
    dataOver_.Reset();
}

// ---- drag out

std::uint32_t TPTCustomShellList::GetDragEffects() {
    const std::vector<PCItemIDList> items = SelectedItems();
    if (items.empty() || !shellFolder_) return DROPEFFECT_NONE;
    std::uint32_t attributes = kItemEffects;
    OleCheck(shellFolder_->GetAttributesOf(static_cast<std::uint32_t>(items.size()), items.data(), &attributes));
    return attributes & kItemEffects;
}

void TPTCustomShellList::startDrag(Qt::DropActions) { DragSelection(false); }

void TPTCustomShellList::DragSelection(bool rightButton) {
    if (!HasOption(ptsloOleDrag)) return;
    RunGuarded(this, false, [&] { BeginOleDrag(rightButton); });
}

void TPTCustomShellList::BeginOleDrag(bool rightButton) {
    const std::vector<PCItemIDList> items = SelectedItems();
    if (items.empty()) return;
    dragging_ = true;
    struct End {
        TPTCustomShellList& list;
        ~End() {
            list.dragging_ = false;
            list.dragData_.Reset();
        }
    } end{*this};
    dragData_ = ComPtr<IDataObject>::Attach(new TDataObject_shlv(folderList_.get(), items));
    const std::uint32_t effects = GetDragEffects();
    ComPtr<IDropSource> source = ComPtr<IDropSource>::Attach(new TDropSource_shlvtv(rightButton ? 1 : 0));
    std::uint32_t effect = DROPEFFECT_NONE;
    DoDragDrop(dragData_.Get(), source.Get(), effects, &effect, this);
    dragging_ = false;
    dragData_.Reset();
    // Changes seen during the drag (also the drop's own moves) are taken in now.
    if (std::exchange(refreshPending_, false)) Reload();
}

// ---- drop in

void TPTCustomShellList::SetDropHighlight(int row) {
    if (row == dropHighlight_) return;
    dropHighlight_ = row;
    viewport()->update();
}

bool TPTCustomShellList::ItemDropTarget(int row, ComPtr<IDropTarget>& target) {
    TPTShListData* shData = ItemData(row);
    if (shData == nullptr || !shellFolder_) return false;
    PCItemIDList item = shData->RelIdList();
    return Succeeded(shellFolder_->GetUIObjectOf(GetParentFormHandle(this), 1, &item, Iid::DropTarget, nullptr,
                                                 target.ReleaseAndGetVoidAddress())) &&
           target;
}

bool TPTCustomShellList::FolderDropTarget(ComPtr<IDropTarget>& target) {
    return Succeeded(GetPidlUIObject(folderList_.get(), Iid::DropTarget, target.ReleaseAndGetVoidAddress(),
                                     GetParentFormHandle(this))) &&
           target;
}

HRESULT TPTCustomShellList::OleDragEnter(IDataObject* dataObject, std::uint32_t keyState, POINTL point,
                                         std::uint32_t* effect) {
    lastScrollTick_ = Now();
    if (dataObject != nullptr) dataObject->AddRef();
    dataOver_ = ComPtr<IDataObject>::Attach(dataObject);
    keyStateAtEnter_ = keyState;
    int row = ItemAt(viewport()->mapFromGlobal(QPoint(point.x, point.y)));
    if (ItemData(row) == nullptr) row = -1;
    if (dragging_ && row < 0 && (keyState & MK_RBUTTON) != 0) {
        if (effect != nullptr) *effect = DROPEFFECT_COPY;
        SetDropHighlight(-1);
        return S_OK;
    }
    ComPtr<IDropTarget> target;
    const bool found = row >= 0 ? ItemDropTarget(row, target) : !dragging_ && FolderDropTarget(target);
    if (found) {
        const HRESULT hr = target->DragEnter(dataObject, keyState, point, effect);
        target->DragLeave();
        SetDropHighlight(-1);
        if (effect != nullptr && *effect != DROPEFFECT_NONE && row >= 0) SetDropHighlight(row);
        return hr;
    }
    SetDropHighlight(-1);
    if (effect != nullptr) *effect = DROPEFFECT_NONE;
    return S_OK;
}

HRESULT TPTCustomShellList::OleDragOver(std::uint32_t keyState, POINTL point, std::uint32_t* effect) {
    const int before = dropHighlight_;
    scrolled_ = false;
    const QPoint client = viewport()->mapFromGlobal(QPoint(point.x, point.y));
    const int row = ItemAt(client);
    // A row of the application's own, without shell data: copied onto, and no scrolling there.
    if ((row >= 0 && ItemData(row) == nullptr) || (dragging_ && row < 0 && (keyState & MK_RBUTTON) != 0)) {
        if (effect != nullptr) *effect = DROPEFFECT_COPY;
        SetDropHighlight(-1);
        return S_OK;
    }
    HRESULT hr = S_OK;
    ComPtr<IDropTarget> target;
    const bool found = row >= 0 ? ItemDropTarget(row, target) : !dragging_ && FolderDropTarget(target);
    if (found) {
        target->DragEnter(dataOver_.Get(), keyState, point, effect);
        hr = target->DragOver(keyState, point, effect);
        target->DragLeave();
        SetDropHighlight(effect != nullptr && *effect != DROPEFFECT_NONE && row >= 0 ? row : -1);
    } else {
        if (effect != nullptr) *effect = DROPEFFECT_NONE;
        SetDropHighlight(-1);
    }
    scrolled_ = AutoScroll(client);
    if (effect != nullptr) *effect |= kDropEffectScroll;
    if (dropHighlight_ != before) viewport()->repaint();
    return hr;
}

HRESULT TPTCustomShellList::OleDragLeave() {
    dataOver_.Reset();
    SetDropHighlight(-1);
    return S_OK;
}

HRESULT TPTCustomShellList::OleDrop(IDataObject* dataObject, std::uint32_t keyState, POINTL point,
                                    std::uint32_t* effect) {
    int row = ItemAt(viewport()->mapFromGlobal(QPoint(point.x, point.y)));
    if (ItemData(row) == nullptr) row = -1;
    ComPtr<IDropTarget> target;
    bool found = false;
    if (dragging_ && row < 0) {
        // The own items onto the empty area: moving them where they are makes no sense.
        if ((keyStateAtEnter_ & MK_RBUTTON) != 0) {
            if (effect != nullptr) *effect &= ~DROPEFFECT_MOVE;
            found = FolderDropTarget(target);
        }
    } else {
        found = row >= 0 ? ItemDropTarget(row, target) : FolderDropTarget(target);
    }
    HRESULT hr = S_OK;
    if (found) {
        keyState |= keyStateAtEnter_ & (MK_LBUTTON | MK_RBUTTON);
        std::uint32_t local = effect != nullptr ? *effect : DROPEFFECT_NONE;
        target->DragEnter(dataObject, keyState, point, &local);
        target->DragOver(keyState, point, &local);
        std::uint32_t allowed = effect != nullptr ? *effect : DROPEFFECT_NONE;
        allowed &= GetDataDropEffects(dataObject);
        hr = target->Drop(dataObject, keyState, point, &allowed);
        if (effect != nullptr) *effect = allowed;
    }
    SetDropHighlight(-1);
    dataOver_.Reset();
    return hr;
}

bool TPTCustomShellList::AutoScroll(QPoint point) {
    const auto now = Now();
    if (now - lastScrollTick_ <= timing_.DragScrollPace) return false;
    lastScrollTick_ = now;
    return EdgeScroll(this, point);
}

}  // namespace corvane::shell
