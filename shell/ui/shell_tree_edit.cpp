// Renaming a node in place: the shell renames the item, the node and everything below it follow.

#include <QApplication>
#include <QLineEdit>

#include <vector>

#include "shell/ui/shell_commands.h"
#include "shell/ui/shell_tree.h"

namespace corvane::shell {

bool TPTCustomShellTree::CanEdit(TTreeNode* node) {
    if (node == nullptr || readOnly_) return false;
    if (TPTShTreeData* shData = GetNodeData(node); shData != nullptr && !shData->CanRename()) return false;
    bool allow = true;
    if (OnEditing) OnEditing(*this, node, allow);
    return allow;
}

bool TPTCustomShellTree::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
    // Asked only when an editor would open now: every key press and click passes through here too.
    const bool opens = trigger == AllEditTriggers || (editTriggers() & trigger) != 0;
    auto* node = static_cast<TTreeNode*>(itemFromIndex(index));
    if (opens) {
        bool allowed = false;
        RunGuarded(this, false, [&] { allowed = CanEdit(node); });
        if (!allowed) return false;
    }
    const bool result = TPTCustomTreeView::edit(index, trigger, event);
    if (result && state() == EditingState && editingNode_ == nullptr) editingNode_ = node;
    return result;
}

void TPTCustomShellTree::commitData(QWidget* editor) {
    // Once per editor: a box shown while the name is applied takes the editor's focus, and the
    // delegate commits and closes it on that; the key that ended the edit then comes back to do it again.
    if (editor != nullptr && (editor == committed_ || editor == closed_)) return;
    committed_ = editor;
    auto* line = qobject_cast<QLineEdit*>(editor);
    TTreeNode* node = editingNode_;
    if (line == nullptr || node == nullptr) {
        TPTCustomTreeView::commitData(editor);
        return;
    }
    RunGuarded(this, false, [&] { EditEnd(node, line->text()); });
}

void TPTCustomShellTree::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
    if (editor != nullptr && editor == closed_) return;
    closed_ = editor;
    const bool owned = editingNode_ != nullptr && indexWidget(indexFromItem(editingNode_)) == editor;
    if (editor == nullptr || owned) {
        TPTCustomTreeView::closeEditor(editor, hint);
    } else if (state() == EditingState) {
        // Applying the name took the node's row out (a handler sorted its folder, or the node went):
        // the view let go of the editor with the row, and only the editing state is left to end.
        setState(NoState);
        if (QApplication::focusWidget() == nullptr || QApplication::focusWidget() == editor) setFocus();
    }
    editingNode_ = nullptr;
    // Cancelled or not, a refresh asked for during the edit runs now.
    if (refreshPending_) RunGuarded(this, false, [&] { Refresh(); });
}

void TPTCustomShellTree::CancelEdit() {
    renameTrigger_->Cancel();
    if (state() != EditingState) return;
    QWidget* editor = editingNode_ != nullptr ? indexWidget(indexFromItem(editingNode_)) : nullptr;
    if (editor == nullptr) editor = indexWidget(currentIndex());
    if (editor != nullptr) closeEditor(editor, QAbstractItemDelegate::RevertModelCache);
}

void TPTCustomShellTree::EditEnd(TTreeNode* node, QString text) {
    renameResult_ = S_OK;
    TPTShTreeData* shData = GetNodeData(node);
    if (shData == nullptr) {
        if (OnEdited) OnEdited(*this, node, text);
        node->SetText(text);
        return;
    }
    if (text != node->Text() && shData->ParentShellFolder() != nullptr) {
        WaitCursor cursor;
        IgnoreOwnChanges({node->Parent(), node});
        BusyScope busy(*this);
        PItemIDList renamed = nullptr;
        const std::string name = text.left(260).toStdString();
        const HRESULT hr = shData->ParentShellFolder()->SetNameOf(GetParentFormHandle(this), shData->RelIdList(), name,
                                                                 0x20, &renamed);
        renameResult_ = hr;
        UniquePidl newItem(renamed);
        if (Succeeded(hr) && newItem) {
            std::vector<TTreeNode*> stack{node};
            while (!stack.empty()) {
                TTreeNode* n = stack.back();
                stack.pop_back();
                if (TPTShTreeData* d = GetNodeData(n)) d->FreeCache();
                for (int i = 0; i < n->Count(); ++i) stack.push_back(n->Item(i));
            }
            shData->SetRelIdList(newItem.get());
            node->SetText(text);
            selection_.SetPidl(shData->AbsIdList());
            if (shellList_ != nullptr) shellList_->ShowFolder(shData->AbsIdList());
            // The folder's own watch ended with its old name.
            UnwatchNode(shData);
            WatchNode(shData);
        }
    }
    if (OnEdited) OnEdited(*this, node, text);
}

}  // namespace corvane::shell
