#include "shell/ui/shell_list.h"

#include <fnmatch.h>

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

constexpr std::uint32_t kFillAttributes = 0xF20B0000;
constexpr int kDefaultWidths[] = {200, 60, 100, 120};
constexpr int kColumnCount = 4;

// What the last list that went left for the next one: count, then the widths.
std::string& ColumnWidthMemory() {
    static std::string memory;
    return memory;
}

std::string Trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
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

int TPTCustomShellList::CompareData(TPTShListData* a, TPTShListData* b) const {
    if (a == nullptr || b == nullptr || !shellFolder_) return 0;
    const HRESULT hr = shellFolder_->CompareIDs(std::abs(sortColumn_) - 1, a->RelIdList(), b->RelIdList());
    if (Failed(hr)) return 0;
    const int order = CompareOrder(hr);
    return sortColumn_ < 0 ? -order : order;
}

void TPTCustomShellList::SortItems() {
    header()->setSortIndicator(std::abs(sortColumn_) - 1, sortColumn_ < 0 ? Qt::DescendingOrder : Qt::AscendingOrder);
    // The rows' data side by side, so a comparison reads no model value.
    std::vector<TPTShListData*> rows(static_cast<std::size_t>(Items().Count()));
    for (int row = 0; row < Items().Count(); ++row) rows[static_cast<std::size_t>(row)] = ItemData(row);
    Items().Sort(0, true, TAutoSortStyle::assDefault, [&](int a, int b, int) {
        return CompareData(rows[static_cast<std::size_t>(a)], rows[static_cast<std::size_t>(b)]);
    });
}

// ---- filling

void TPTCustomShellList::FolderChanged() {
    if (!fromTree_ && tree_ != nullptr) tree_->SelectPidl(folder_.Pidl());
    Reload();
    if (OnFolderChanged) OnFolderChanged(*this);
}

void TPTCustomShellList::Reload() {
    if (dragging_ || Editing()) {
        refreshPending_ = true;
        return;
    }
    WaitCursor cursor;
    refreshTimer_.stop();
    refreshPending_ = false;
    ++reloads_;
    ClearItems();
    ComPtr<IShellFolder> folder;
    // A folder that cannot be reached lists nothing, without a message.
    if (Failed(GetShellFolder(folder_.Pidl(), folder.ReleaseAndGetAddressOf())) || !folder) {
        shellFolder_.Reset();
        folderList_.reset(CopyPidl(nullptr, folder_.Pidl()));
        return;
    }
    loading_ = true;
    struct Back {
        bool& flag;
        ~Back() { flag = false; }
    } back{loading_};
    PrepareMasks();
    FillList(folder.Get(), folder_.Pidl());
    CleanupMasks();
    if (HasOption(ptsloDynamicRefresh)) Watch();
}

void TPTCustomShellList::FillList(IShellFolder* folder, PCItemIDList absolute) {
    if (folder == nullptr) return;
    folder->AddRef();
    shellFolder_ = ComPtr<IShellFolder>::Attach(folder);
    folderList_.reset(CopyPidl(nullptr, absolute));
    if (Items().ColumnCount() == 0) SetupColumns();
    // Gathered first, then made rows in one insertion.
    std::vector<TPTShListData*> kept;
    kept.reserve(500);
    EnumItems(folder, [&](UniquePidl item) {
        if (kept.size() == kept.capacity()) kept.reserve(kept.size() + 500);
        if (TPTShListData* made = MakeItem(folder, absolute, std::move(item))) kept.push_back(made);
    });
    Items().BeginUpdate();
    for (TPTShListData* made : kept) Items().AddRow({}, QVariant::fromValue<void*>(made));
    Items().EndUpdate();
    SortItems();
}

bool TPTCustomShellList::EnumItems(IShellFolder* folder, const std::function<void(UniquePidl)>& take) {
    std::uint32_t flags = SHCONTF_FOLDERS | SHCONTF_NONFOLDERS;
    if (HasOption(ptsloShowHidden)) flags |= SHCONTF_INCLUDEHIDDEN;
    ComPtr<IEnumIDList> items;
    if (Failed(folder->EnumObjects(GetParentFormHandle(this), flags, items.ReleaseAndGetAddressOf())) || !items)
        return false;
    for (;;) {
        PItemIDList raw = nullptr;
        std::uint32_t fetched = 0;
        const HRESULT end = items->Next(1, &raw, &fetched);
        UniquePidl item(raw);
        if (end != S_OK) return true;
        take(std::move(item));
    }
}

TPTShListData* TPTCustomShellList::MakeItem(IShellFolder* folder, PCItemIDList parentAbs, UniquePidl item) {
    std::uint32_t attributes = kFillAttributes;
    PCItemIDList raw = item.get();
    if (Failed(folder->GetAttributesOf(1, &raw, &attributes))) return nullptr;
    if (!HasOption(ptsloVirtualFolders) && (attributes & (SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR)) == 0)
        return nullptr;
    // The linked tree shows the folders.
    if (HasOption(ptsloFilesOnly) && tree_ != nullptr && (attributes & SFGAO_FOLDER) != 0 &&
        (attributes & SFGAO_FILESYSTEM) != 0)
        return nullptr;
    if (!FilterItem(folder, parentAbs, raw, attributes)) return nullptr;
    return new TPTShListData(this, std::move(item), attributes);
}

bool TPTCustomShellList::FilterItem(IShellFolder* folder, PCItemIDList parentAbs, PCItemIDList itemRel,
                                    std::uint32_t attributes) {
    if ((attributes & SFGAO_FOLDER) == 0 && !masks_.empty()) {
        const std::string parsing = GetDisplayName(folder, itemRel, NameKind::ForParsing);
        const std::size_t slash = parsing.rfind('/');
        if (!MatchesMask(slash == std::string::npos ? parsing : parsing.substr(slash + 1))) return false;
    }
    bool allow = true;
    if (OnAddItem) OnAddItem(*this, folder, parentAbs, itemRel, attributes, allow);
    return allow;
}

void TPTCustomShellList::PrepareMasks() {
    masks_.clear();
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = fileMask_.find(';', start);
        const std::string mask = Trimmed(fileMask_.substr(start, end == std::string::npos ? end : end - start));
        if (mask == "*" || mask == "*.*") {
            masks_.clear();
            return;
        }
        if (!mask.empty()) masks_.push_back(mask);
        if (end == std::string::npos) break;
        start = end + 1;
    }
}

bool TPTCustomShellList::MatchesMask(const std::string& fileName) {
    if (masks_.empty()) return true;
    for (const std::string& mask : masks_)
        if (::fnmatch(mask.c_str(), fileName.c_str(), FNM_CASEFOLD) == 0) return true;
    return false;
}

void TPTCustomShellList::CleanupMasks() { masks_.clear(); }

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
