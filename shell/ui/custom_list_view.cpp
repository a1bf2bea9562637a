#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>

#include "shell/ui/custom_tree_list.h"

namespace corvane::shell {

TPTCustomListView::TPTCustomListView(QWidget* parent)
    : QTreeView(parent),
      TPTViewCommon(static_cast<QAbstractItemView&>(*this)),
      delegate_(new TPTCustomDrawDelegate(*this, this)) {
    // Report mode: one row per item, no tree decoration.
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setAllColumnsShowFocus(true);
    setModel(&items_);
    setItemDelegate(delegate_);
    setContextMenuPolicy(Qt::DefaultContextMenu);
}

TPTCustomListView::~TPTCustomListView() {
    // The selection model and the delegate must not outlive the rows they look at.
    setModel(nullptr);
}

int TPTCustomListView::Selected() const {
    if (selectionModel() == nullptr) return -1;
    int first = -1;
    for (const QModelIndex& index : selectionModel()->selectedRows())
        if (first < 0 || index.row() < first) first = index.row();
    return first;
}

int TPTCustomListView::ItemFocused() const {
    const QModelIndex current = currentIndex();
    return current.isValid() ? current.row() : -1;
}

int TPTCustomListView::SelCount() const {
    return selectionModel() == nullptr ? 0 : static_cast<int>(selectionModel()->selectedRows().size());
}

int TPTCustomListView::ItemAt(QPoint point) const {
    const QModelIndex index = indexAt(point);
    return index.isValid() ? index.row() : -1;
}

QStyleOptionViewItem TPTCustomListView::BaseOption() const {
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    return option;
}

QRect TPTCustomListView::DisplayRect(int row, bool textOnly) const {
    if (row < 0 || row >= items_.rowCount()) return {};
    const QModelIndex index = items_.index(row, 0);
    const QRect cell = visualRect(index);
    if (!textOnly || cell.isEmpty()) return cell;
    QStyleOptionViewItem option = BaseOption();
    option.rect = cell;
    return delegate_->TextRect(option, index);
}

QString TPTCustomListView::GetItemText(int row, int column) { return items_.Text(row, column); }

int TPTCustomListView::GetItemImage(int row, int column) { return items_.ImageIndex(row, column); }

void TPTCustomListView::DecorateItem(QStyleOptionViewItem& option, const QModelIndex& index) {
    if (!index.isValid()) return;
    int image = -1;
    RunGuarded(this, true, [&] {
        option.text = GetItemText(index.row(), index.column());
        if (Images() != nullptr) image = GetItemImage(index.row(), index.column());
    });
    if (Images() != nullptr) TPTCustomDrawFrame::Decorate(option, *Images(), image, kOverlayNone, false);
}

// ---- custom draw

std::unique_ptr<TPTCustomDraw> TPTCustomListView::CreateCustomDraw(TNMCustomDraw& notification,
                                                                   std::uint32_t& result) {
    auto draw = std::make_unique<TPTLvCustomDraw>(font(), 1);
    draw->Init(&notification, &result);
    return draw;
}

std::unique_ptr<TPTCustomDraw> TPTCustomListView::DoCustomDraw(TNMCustomDraw& notification, std::uint32_t& result) {
    const std::uint32_t stage = notification.dwDrawStage;
    const int item = (stage & CDDS_ITEM) != 0 && notification.item.isValid() ? notification.item.row() : -1;
    auto draw = TPTCustomDrawFrame::FireEvents(
        stage, static_cast<bool>(OnLvCustomDrawEx), static_cast<bool>(OnLvCustomDraw),
        [&] { return CreateCustomDraw(notification, result); },
        [&](TPTCustomDraw& made, bool ex) { (ex ? OnLvCustomDrawEx : OnLvCustomDraw)(*this, made, item); });
    // The list always asks for its items: their texts come through the item stage.
    if ((stage & CDDS_PREPAINT) != 0) result |= CDRF_NOTIFYITEMDRAW;
    return draw;
}

std::uint32_t TPTCustomListView::CustomDrawNotify(TNMCustomDraw& notification) {
    return frame_.Notify(this, [&](std::uint32_t& result) { return DoCustomDraw(notification, result); });
}

bool TPTCustomListView::ItemDrawRequested() const { return frame_.ItemDrawRequested(); }

void TPTCustomListView::paintEvent(QPaintEvent* event) {
    frame_.Paint(*this, *this, [&] { QTreeView::paintEvent(event); });
}

void TPTCustomListView::startDrag(Qt::DropActions actions) {
    drag_began_ = true;
    QTreeView::startDrag(actions);
}

// ---- context menus

void TPTCustomListView::GetPopupMenu(int item, QPoint point, QMenu*& menu) {
    if (OnGetPopupMenu) OnGetPopupMenu(*this, item, point, menu);
}

void TPTCustomListView::ShowPopup(QMenu& menu, QPoint globalPoint) { menu.popup(globalPoint); }

void TPTCustomListView::ContextMenu(int item, QPoint point) {
    QMenu* menu = PopupMenu();
    GetPopupMenu(item, point, menu);
    if (menu != nullptr) ShowPopup(*menu, viewport()->mapToGlobal(point));
}

void TPTCustomListView::ContextMenuAtFocus() {
    const int selected = Selected();
    const int focused = ItemFocused();
    int item = -1;
    if (selected >= 0 && selected == focused) item = selected;
    else if (SelCount() > 0 && focused >= 0) item = focused;
    if (item >= 0) {
        ContextMenu(item, DisplayRect(item, true).center());
        return;
    }
    if (QMenu* menu = PopupMenu()) ShowPopup(*menu, mapToGlobal(QPoint(0, 0)));
}

void TPTCustomListView::contextMenuEvent(QContextMenuEvent* event) {
    event->accept();
    RunGuarded(this, false, [&] {
        if (event->reason() == QContextMenuEvent::Keyboard) {
            ContextMenuAtFocus();
            return;
        }
        const QPoint point = event->pos();
        const int item = ItemAt(point);
        if (item >= 0) ContextMenu(item, point);
        else if (SelCount() > 0) ContextMenu(Selected(), point);
        else if (QMenu* menu = PopupMenu()) ShowPopup(*menu, viewport()->mapToGlobal(point));
    });
}

void TPTCustomListView::keyPressEvent(QKeyEvent* event) {
    if (IsContextMenuKey(*event)) {
        event->accept();
        RunGuarded(this, false, [&] { ContextMenuAtFocus(); });
        return;
    }
    QTreeView::keyPressEvent(event);
}

}  // namespace corvane::shell
