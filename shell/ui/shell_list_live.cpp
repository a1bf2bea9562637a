// The live side of the shell list: watching the shown folder, the delayed merge with its current
// contents, the key commands, the shell's context menu and renaming in place.

#include <QKeyEvent>
#include <QLineEdit>

#include <algorithm>
#include <unordered_set>

#include "shell/ns/change_watch.h"
#include "shell/ns/drop_helpers.h"
#include "shell/ns/shell_utils.h"
#include "shell/ui/shell_commands.h"
#include "shell/ui/shell_keys.h"
#include "shell/ui/shell_list.h"

namespace corvane::shell {

namespace {

// One folder at a time.
constexpr int kListWatchCapacity = 4;
constexpr std::size_t kMaxNameLength = 260;

}  // namespace

// ---- watching

void TPTCustomShellList::Watch() {
    if (!changeThread_) changeThread_ = std::make_unique<TChangeHandlerThread>(this, kListWatchCapacity);
    changeThread_->RemoveAllWatches();
    watchSlot_ = -1;
    ignoreNextChange_ = false;
    const std::string path = PidlToPath(folderList_.get());
    // A folder that cannot be watched stays unwatched, silently.
    if (!path.empty() && shellFolder_)
        changeThread_->AddWatch(path, TChangeHandlerThread::kFileNames | TChangeHandlerThread::kFolderNames, false,
                                watchSlot_);
}

bool TPTCustomShellList::event(QEvent* event) {
    if (event->type() == TChangeEvent::kType) {
        RunGuarded(this, false, [&] { ChangeMessage(); });
        return true;
    }
    return TPTCustomListView::event(event);
}

void TPTCustomShellList::ChangeMessage() {
    if (std::exchange(ignoreNextChange_, false)) return;
    if (dragging_) {
        // The drop's own changes are taken in when the drag ends.
        refreshPending_ = true;
        return;
    }
    refreshTimer_.start(hasFocus() ? timing_.RefreshDelayFocused : timing_.RefreshDelayUnfocused);
}

// ---- the merge

void TPTCustomShellList::Refresh() {
    // The rows are being made or ordered: merged once they stand.
    if (busy_ > 0) {
        refreshAsked_ = true;
        return;
    }
    if (dragging_ || Editing()) {
        refreshPending_ = true;
        return;
    }
    refreshPending_ = false;
    refreshTimer_.stop();
    if (!shellFolder_) {
        Reload();
        return;
    }
    ComPtr<IShellFolder> folder;
    std::vector<TListedItem> listed;
    if (!ReadAgain(folder, listed)) return;
    // The rows looked up by item: one search per item of the folder, not a comparison with each row.
    // Bytes decide: an item is the same when its tag and name are.
    TPTPidlList current;
    current.SetDuplicates(TPTPidlList::dupAccept);
    current.SetCapacity(Items().Count());
    for (int row = 0; row < Items().Count(); ++row)
        if (TPTShListData* shData = ItemData(row))
            current.Add(const_cast<PItemIDList>(shData->RelIdList()), shData);
    current.SetSorted(true);
    std::vector<bool> seen(static_cast<std::size_t>(current.Count()), false);
    std::vector<TPTShListData*> added;
    PrepareMasks();
    // A folder that went away lists nothing and so empties the list.
    for (TListedItem& item : listed) {
        const int at = current.IndexOf(item.Item.get());
        if (at >= 0) {
            seen[static_cast<std::size_t>(at)] = true;
            static_cast<TPTShListData*>(current.Data(at))->ForgetDetails();
        } else if (TPTShListData* made = KeepItem(folder.Get(), folderList_.get(), item)) {
            added.push_back(made);
        }
    }
    CleanupMasks();
    std::unordered_set<TPTShListData*> gone;
    for (int i = 0; i < current.Count(); ++i)
        if (!seen[static_cast<std::size_t>(i)]) gone.insert(static_cast<TPTShListData*>(current.Data(i)));
    current.Clear();
    for (int row = Items().Count() - 1; row >= 0 && !gone.empty(); --row)
        if (gone.count(ItemData(row)) != 0) DeleteRow(row);
    // New rows go where the sort puts them.
    for (TPTShListData* made : added) {
        int low = 0;
        int high = Items().Count();
        while (low < high) {
            const int middle = (low + high) / 2;
            if (CompareData(ItemData(middle), made) <= 0) low = middle + 1;
            else high = middle;
        }
        Items().InsertRow(low, {}, QVariant::fromValue<void*>(made));
    }
    viewport()->update();
}

// ---- keys

void TPTCustomShellList::keyPressEvent(QKeyEvent* event) {
    if (IsContextMenuKey(*event) || Editing() || !HasOption(ptsloDefaultKeyHandling)) {
        TPTCustomListView::keyPressEvent(event);
        return;
    }
    const int key = event->key();
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && modifiers == Qt::NoModifier) {
        event->accept();
        RunGuarded(this, false, [&] { OpenSelected(); });
        return;
    }
    if (key == Qt::Key_Backspace && modifiers == Qt::NoModifier) {
        event->accept();
        RunGuarded(this, false, [&] { Up(1); });
        return;
    }
    const int entry = FindShellKey(ShortcutFromKeyEvent(*event));
    if (entry < 0) {
        TPTCustomListView::keyPressEvent(event);
        return;
    }
    event->accept();
    RunGuarded(this, false, [&] {
        switch (static_cast<TShellKey>(entry)) {
        case TShellKey::SelectAll: {
            Items().BeginUpdate();
            selectAll();
            Items().EndUpdate();
            break;
        }
        case TShellKey::Refresh: Reload(); break;
        case TShellKey::Delete: InvokeVerbOnSelection("delete"); break;
        case TShellKey::Copy: InvokeVerbOnSelection("copy"); break;
        case TShellKey::Cut: InvokeVerbOnSelection("cut"); break;
        case TShellKey::Paste: PasteIntoFolder(); break;
        case TShellKey::Rename: EditCaption(ItemFocused()); break;
        }
    });
}

HRESULT TPTCustomShellList::InvokeVerbOnSelection(const std::string& verb) {
    const std::vector<PCItemIDList> items = SelectedItems();
    if (items.empty() || !shellFolder_) return S_FALSE;
    ComPtr<IContextMenu> menu;
    OleCheck(shellFolder_->GetUIObjectOf(GetParentFormHandle(this), static_cast<std::uint32_t>(items.size()),
                                         items.data(), Iid::ContextMenu, nullptr, menu.ReleaseAndGetVoidAddress()));
    return InvokeShellCommand(menu.Get(), GetParentFormHandle(this), verb);
}

HRESULT TPTCustomShellList::PasteIntoFolder() {
    if (IsEmptyPidl(folderList_.get())) return S_FALSE;
    ComPtr<IContextMenu> menu;
    OleCheck(GetPidlUIObject(folderList_.get(), Iid::ContextMenu, menu.ReleaseAndGetVoidAddress(),
                             GetParentFormHandle(this)));
    return InvokeShellCommand(menu.Get(), GetParentFormHandle(this), "paste");
}

// ---- the shell's context menu

void TPTCustomShellList::GetPopupMenu(int item, QPoint point, QMenu*& menu) {
    TPTCustomListView::GetPopupMenu(item, point, menu);
    if (!HasOption(ptsloContextMenus) || dragging_) return;
    ShowShellContextMenu(point);
    menu = nullptr;
}

void TPTCustomShellList::ShowShellContextMenu(QPoint point) {
    std::vector<UniquePidl> copies;
    for (PCItemIDList item : SelectedItems()) copies.emplace_back(CopyPidl(nullptr, item));
    if (copies.empty() || !shellFolder_) return;
    std::vector<PCItemIDList> items;
    for (const UniquePidl& copy : copies) items.push_back(copy.get());
    TMenuHandle menu;
    ComPtr<IContextMenu> contextMenu;
    if (Failed(GetItemsContextMenu(GetParentFormHandle(this), shellFolder_.Get(), static_cast<std::uint32_t>(items.size()),
                                   items.data(), CMF_EXPLORE, menu, contextMenu)) ||
        !contextMenu)
        return;
    TTrackPopupParams params;
    params.Parent = this;
    params.At = viewport()->mapToGlobal(point);
    params.Menu = contextMenu.Get();
    params.SendTo = &sendTo_;
    const unsigned chosen = TrackPopupMenu(menu, params);
    if (chosen >= kFirstShellCommand)
        InvokeShellCommand(contextMenu.Get(), GetParentFormHandle(this), static_cast<int>(chosen - kFirstShellCommand));
    else if (chosen >= 1)
        SendToCommand(static_cast<int>(chosen) - 1);
}

void TPTCustomShellList::SendToCommand(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= sendTo_.size()) return;
    const std::vector<PCItemIDList> items = SelectedItems();
    if (items.empty()) return;
    ComPtr<IDataObject> sent = ComPtr<IDataObject>::Attach(new TDataObject_shlv(folderList_.get(), items));
    OleCheck(SendToItem(sendTo_[static_cast<std::size_t>(index)].Name, sent.Get()));
}

// ---- renaming

void TPTCustomShellList::EditCaption(int row) {
    TPTShListData* shData = ItemData(row);
    if (shData == nullptr || Editing() || !shData->IsFileSystemRenamable()) return;
    const QModelIndex index = Items().index(row, 0);
    scrollTo(index);
    auto* editor = new QLineEdit(viewport());
    editor->setObjectName(QStringLiteral("ShellListEditor"));
    editor->setText(QString::fromStdString(shData->DisplayName()));
    editor->selectAll();
    editor->setGeometry(DisplayRect(row, true).adjusted(-2, -1, 40, 1));
    editor->installEventFilter(this);
    connect(editor, &QLineEdit::editingFinished, this, [this] { RunGuarded(this, false, [&] { EndEdit(true); }); });
    editor_ = editor;
    editData_ = shData;
    editor->show();
    editor->setFocus();
}

bool TPTCustomShellList::eventFilter(QObject* watched, QEvent* event) {
    if (watched == editor_.data() && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        RunGuarded(this, false, [&] { EndEdit(false); });
        return true;
    }
    return TPTCustomListView::eventFilter(watched, event);
}

void TPTCustomShellList::EndEdit(bool commit) {
    QPointer<QLineEdit> editor = std::exchange(editor_, nullptr);
    TPTShListData* shData = std::exchange(editData_, nullptr);
    if (editor == nullptr) return;
    const QString text = editor->text();
    editor->hide();
    editor->deleteLater();
    if (commit && shData != nullptr && shellFolder_ && text != QString::fromStdString(shData->DisplayName())) {
        WaitCursor cursor;
        // The watch reports the rename; the row already shows it.
        ignoreNextChange_ = watchSlot_ >= 0;
        PItemIDList renamed = nullptr;
        const std::string name = text.left(static_cast<qsizetype>(kMaxNameLength)).toStdString();
        const HRESULT hr =
            shellFolder_->SetNameOf(GetParentFormHandle(this), shData->RelIdList(), name, 0x20, &renamed);
        UniquePidl newItem(renamed);
        if (Succeeded(hr) && newItem) shData->SetRelIdList(std::move(newItem));
        else ignoreNextChange_ = false;
        viewport()->update();
    }
    setFocus();
    if (refreshPending_) Refresh();
}

}  // namespace corvane::shell
