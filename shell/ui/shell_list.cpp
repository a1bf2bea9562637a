#include "shell/ui/shell_list.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QMouseEvent>

#include <algorithm>
#include <cstdlib>

#include "shell/ns/change_watch.h"
#include "shell/ns/id_list_array.h"
#include "shell/ns/sh_consts.h"
#include "shell/ns/shell_utils.h"
#include "shell/ui/right_drag.h"
#include "shell/ui/shell_commands.h"

namespace corvane::shell {

namespace {

constexpr int kDefaultWidths[] = {200, 60, 100, 120};
constexpr int kColumnCount = 4;

// What the last list that went left for the next one: count, then the widths.
std::string& ColumnWidthMemory() {
    static std::string memory;
    return memory;
}

}  // namespace

TPTCustomShellList::WaitCursor::WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
TPTCustomShellList::WaitCursor::~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }

TPTCustomShellList::TPTCustomShellList(QWidget* parent, ShellTiming timing)
    : TPTCustomListView(parent), timing_(timing) {
    setObjectName(QStringLiteral("TPTShellList"));
    refreshTimer_.setSingleShot(true);
    connect(&refreshTimer_, &QTimer::timeout, this, [this] {
        RunGuarded(this, false, [&] {
            Flush(true);
            Refresh();
        });
    });
    folder_.OnChange = [this](TPTShellLocator&) { FolderChanged(); };
    header()->setSectionsClickable(true);
    header()->setSortIndicatorShown(true);
    connect(header(), &QHeaderView::sectionClicked, this,
            [this](int section) { RunGuarded(this, false, [&] { HeaderClicked(section); }); });
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    SetImages(&images_);
    SetupColumns();
    UpdateDropTarget();
    WatchRightDrag(*this, [this] { DragSelection(true); });
}

TPTCustomShellList::~TPTCustomShellList() {
    changeThread_.reset();
    DropTargetGone();
    std::string& memory = ColumnWidthMemory();
    memory.clear();
    std::vector<int> widths;
    for (int i = 0; i < Items().ColumnCount(); ++i) widths.push_back(columnWidth(i));
    WriteColumnWidths(memory, widths);
    if (tree_ != nullptr) tree_->SetShellList(nullptr);
    OnDeleteItem = nullptr;
    EndEdit(false);
    ClearItems();
}

TPTShellList::TPTShellList(QWidget* parent, ShellTiming timing) : TPTCustomShellList(parent, timing) {}

void TPTCustomShellList::ForgetColumnWidths() { ColumnWidthMemory().clear(); }

// ---- properties

void TPTCustomShellList::SetOptions(TPTShellListOptions options) {
    const TPTShellListOptions changed = options_ ^ options;
    options_ = options;
    if ((changed & (ptsloOleDrop | ptsloOleDrag)) != 0) UpdateDropTarget();
    if ((changed & ptsloDynamicRefresh) != 0) {
        if (HasOption(ptsloDynamicRefresh)) Watch();
        else if (changeThread_) {
            refreshTimer_.stop();
            changeThread_->RemoveAllWatches();
            watchSlot_ = -1;
        }
    }
}

void TPTCustomShellList::SetShellTree(TPTCustomShellTree* tree) {
    if (tree == tree_) return;
    if (tree_ != nullptr) tree_->SetShellList(nullptr);
    tree_ = tree;
    if (tree != nullptr) tree->SetShellList(this);
}

void TPTCustomShellList::SetSelectionLocator(TPTShellLocator* locator) {
    treeLocator_ = locator;
    if (locator == nullptr || !locator->HasStoredPidl() || loading_) return;
    fromTree_ = true;
    struct Back {
        bool& flag;
        ~Back() { flag = false; }
    } back{fromTree_};
    folder_.SetPidl(locator->Pidl());
}

void TPTCustomShellList::ShowFolder(PCItemIDList absolute) {
    if (loading_) return;
    fromTree_ = true;
    struct Back {
        bool& flag;
        ~Back() { flag = false; }
    } back{fromTree_};
    folder_.SetPidl(absolute);
}

void TPTCustomShellList::Unlink(TPTCustomShellTree& tree) {
    if (&tree != tree_) return;
    tree_ = nullptr;
    treeLocator_ = nullptr;
}

void TPTCustomShellList::FlushPending() {
    if (!refreshTimer_.isActive()) return;
    refreshTimer_.stop();
    Refresh();
}

void TPTCustomShellList::Flush(bool alsoTree) {
    if (alsoTree && tree_ != nullptr) tree_->FlushPendingChange(false);
    FlushPending();
}

TPTShListData* TPTCustomShellList::ItemData(int row) const {
    if (row < 0 || row >= Items().Count()) return nullptr;
    return static_cast<TPTShListData*>(Items().Data(row).value<void*>());
}

// ---- columns and sorting

void TPTCustomShellList::SetupColumns() {
    if (Items().ColumnCount() == 0) {
        Items().AddColumn(QString::fromStdString(LoadShString(SColumnName.id)));
        Items().AddColumn(QString::fromStdString(LoadShString(SColumnSize.id)), Qt::AlignRight);
        Items().AddColumn(QString::fromStdString(LoadShString(SColumnType.id)));
        Items().AddColumn(QString::fromStdString(LoadShString(SColumnModified.id)));
    }
    std::vector<int> widths;
    if (!ReadColumnWidths(ColumnWidthMemory(), widths) || static_cast<int>(widths.size()) != kColumnCount)
        widths.assign(std::begin(kDefaultWidths), std::end(kDefaultWidths));
    for (int i = 0; i < kColumnCount; ++i) setColumnWidth(i, widths[static_cast<std::size_t>(i)]);
}

void TPTCustomShellList::HeaderClicked(int section) {
    SetSortColumn(section + 1 == sortColumn_ ? -sortColumn_ : section + 1);
}

void TPTCustomShellList::SetSortColumn(int column) {
    sortColumn_ = column;
    SortItems();
}

// ---- filling

void TPTCustomShellList::FolderChanged() {
    if (!fromTree_ && tree_ != nullptr) tree_->SelectPidl(folder_.Pidl());
    Reload();
    if (OnFolderChanged) OnFolderChanged(*this);
}

void TPTCustomShellList::DeleteRow(int row) {
    TPTShListData* shData = ItemData(row);
    if (OnDeleteItem && shData != nullptr) OnDeleteItem(*this, row, shData);
    if (row == dropHighlight_) dropHighlight_ = -1;
    Items().DeleteRow(row);
    delete shData;
}

void TPTCustomShellList::ClearItems() {
    dropHighlight_ = -1;
    std::vector<TPTShListData*> going;
    for (int row = 0; row < Items().Count(); ++row) {
        TPTShListData* shData = ItemData(row);
        if (OnDeleteItem && shData != nullptr) OnDeleteItem(*this, row, shData);
        going.push_back(shData);
    }
    Items().Clear();
    for (TPTShListData* shData : going) delete shData;
}

// ---- drawing

QString TPTCustomShellList::GetItemText(int row, int column) {
    if (TPTShListData* shData = ItemData(row)) return QString::fromStdString(shData->ColumnText(column));
    return TPTCustomListView::GetItemText(row, column);
}

int TPTCustomShellList::GetItemImage(int row, int column) {
    TPTShListData* shData = ItemData(row);
    if (shData != nullptr && column == 0) return shData->ImageIndex();
    return TPTCustomListView::GetItemImage(row, column);
}

void TPTCustomShellList::DecorateItem(QStyleOptionViewItem& option, const QModelIndex& index) {
    TPTCustomListView::DecorateItem(option, index);
    if (index.isValid() && index.row() == dropHighlight_) option.state |= QStyle::State_Selected;
}

std::unique_ptr<TPTCustomDraw> TPTCustomShellList::DoCustomDraw(TNMCustomDraw& notification, std::uint32_t& result) {
    const std::uint32_t stage = notification.dwDrawStage;
    const int row = (stage & CDDS_ITEM) != 0 && notification.item.isValid() ? notification.item.row() : -1;
    auto draw = TPTCustomDrawFrame::FireEvents(
        stage, static_cast<bool>(OnCustomDrawShEx), static_cast<bool>(OnCustomDrawSh),
        [&] { return CreateCustomDraw(notification, result); },
        [&](TPTCustomDraw& made, bool ex) { (ex ? OnCustomDrawShEx : OnCustomDrawSh)(*this, made, row, ItemData(row)); });
    if ((stage & CDDS_PREPAINT) != 0) result |= CDRF_NOTIFYITEMDRAW;
    return draw;
}

// ---- opening and navigation

std::vector<int> TPTCustomShellList::SelectedDataRows() const {
    std::vector<int> rows;
    if (selectionModel() == nullptr) return rows;
    for (const QModelIndex& index : selectionModel()->selectedRows())
        if (ItemData(index.row()) != nullptr) rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

std::vector<PCItemIDList> TPTCustomShellList::SelectedItems() const {
    std::vector<PCItemIDList> items;
    for (int row : SelectedDataRows()) items.push_back(ItemData(row)->RelIdList());
    return items;
}

void TPTCustomShellList::RunDefaultCommand(const std::vector<PCItemIDList>& items) {
    if (!shellFolder_ || items.empty()) return;
    TMenuHandle menu;
    ComPtr<IContextMenu> contextMenu;
    OleCheck(GetItemsContextMenu(GetParentFormHandle(this), shellFolder_.Get(), static_cast<std::uint32_t>(items.size()),
                                 items.data(), CMF_EXPLORE, menu, contextMenu));
    const int id = GetMenuDefaultItem(menu);
    if (contextMenu && id >= static_cast<int>(kFirstShellCommand))
        InvokeShellCommand(contextMenu.Get(), GetParentFormHandle(this), id - static_cast<int>(kFirstShellCommand));
}

void TPTCustomShellList::OpenSelected() {
    Flush(true);
    // Copies: a command may change the folder and so the rows.
    std::vector<UniquePidl> copies;
    for (PCItemIDList item : SelectedItems()) copies.emplace_back(CopyPidl(nullptr, item));
    if (copies.size() >= 2) {
        std::vector<PCItemIDList> items;
        for (const UniquePidl& copy : copies) items.push_back(copy.get());
        RunDefaultCommand(items);
        return;
    }
    if (Selected() >= 0) OpenItem(Selected());
}

void TPTCustomShellList::OpenItem(int row) {
    Flush(true);
    TPTShListData* shData = ItemData(row);
    if (shData == nullptr) {
        bool handled = false;
        if (OnExecuteItem) OnExecuteItem(*this, row, handled);
        return;
    }
    WaitCursor cursor;
    UniquePidl item(CopyPidl(nullptr, shData->RelIdList()));
    UniquePidl absolute(ConcatPidls(nullptr, folderList_.get(), item.get()));
    std::uint32_t attributes = SFGAO_FOLDER;
    PCItemIDList raw = item.get();
    if (shellFolder_ && shellFolder_->GetAttributesOf(1, &raw, &attributes) == S_OK &&
        (attributes & SFGAO_FOLDER) != 0) {
        Navigate(absolute.get());
        return;
    }
    if (shData->IsLink()) {
        TLinkData link;
        if (Succeeded(ReadLinkData(shData->Path(), link, false)) &&
            (link.FindData.Attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            PItemIDList target = nullptr;
            if (Succeeded(PathToPidl(link.Path, &target))) {
                UniquePidl targetList(target);
                Navigate(targetList.get());
                return;
            }
        }
    }
    bool handled = false;
    if (OnExecuteItem) OnExecuteItem(*this, row, handled);
    if (!handled) RunDefaultCommand({item.get()});
}

void TPTCustomShellList::Navigate(PCItemIDList absolute) {
    if (HasOption(ptsloNoNavigation)) return;
    const int before = reloads_;
    ClearItems();
    if (tree_ != nullptr && treeLocator_ != nullptr) treeLocator_->SetPidl(absolute);
    else folder_.SetPidl(absolute);
    // The same place again (or one the tree could not select): the rows come back.
    if (reloads_ == before) Reload();
}

void TPTCustomShellList::Up(int levels) {
    if (HasOption(ptsloNoNavigation)) return;
    if (tree_ != nullptr) {
        tree_->SelectAncestor(levels);
        return;
    }
    TPTIdListArray list(folder_.Pidl());
    if (list.Count() >= 1) folder_.SetPidl(list.GetParent(levels));
}

// ---- mouse

void TPTCustomShellList::mouseDoubleClickEvent(QMouseEvent* event) {
    // The view's own handling selects the item first when the press before did not.
    TPTCustomListView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton && ItemAt(event->position().toPoint()) >= 0)
        RunGuarded(this, false, [&] { OpenSelected(); });
}

void TPTCustomShellList::showEvent(QShowEvent* event) {
    TPTCustomListView::showEvent(event);
    if (!shellFolder_ && Items().Count() == 0 && HasOption(ptsloAutoFill)) RunGuarded(this, false, [&] { Reload(); });
}

}  // namespace corvane::shell
