#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>

#include "shell/ui/custom_tree_list.h"

namespace corvane::shell {

// ---- nodes

TTreeNode::TTreeNode(TPTCustomTreeView* owner) : owner_(owner) {}

TTreeNode::~TTreeNode() {
    if (owner_ != nullptr) owner_->NodeGoing(this);
}

void TTreeNode::SetImageIndex(int index) {
    if (image_ == index) return;
    image_ = index;
    emitDataChanged();
}

void TTreeNode::SetSelectedIndex(int index) {
    if (selected_image_ == index) return;
    selected_image_ = index;
    emitDataChanged();
}

void TTreeNode::SetOverlayIndex(int index) {
    if (overlay_ == index) return;
    overlay_ = index;
    emitDataChanged();
}

void TTreeNode::SetCut(bool cut) {
    if (cut_ == cut) return;
    cut_ = cut;
    emitDataChanged();
}

bool TTreeNode::HasChildren() const {
    return childCount() > 0 || childIndicatorPolicy() == QTreeWidgetItem::ShowIndicator;
}

void TTreeNode::SetHasChildren(bool has) {
    setChildIndicatorPolicy(has ? QTreeWidgetItem::ShowIndicator
                                : QTreeWidgetItem::DontShowIndicatorWhenChildless);
}

// ---- the tree

TPTCustomTreeView::TPTCustomTreeView(QWidget* parent)
    : QTreeWidget(parent),
      TPTViewCommon(static_cast<QAbstractItemView&>(*this)),
      delegate_(new TPTCustomDrawDelegate(*this, this)) {
    setHeaderHidden(true);
    setColumnCount(1);
    setItemDelegate(delegate_);
    setContextMenuPolicy(Qt::DefaultContextMenu);
}

TPTCustomTreeView::~TPTCustomTreeView() {
    // The nodes go while the view is whole; a class that overrides DeletingNode clears in its own
    // destructor, since its override is gone by now.
    Clear();
}

TTreeNode* TPTCustomTreeView::AddChild(TTreeNode* parent, const QString& text, void* nodeData) {
    auto* node = new TTreeNode(this);
    node->SetText(text);
    node->Data = nodeData;
    if (parent != nullptr) parent->addChild(node);
    else addTopLevelItem(node);
    return node;
}

void TPTCustomTreeView::Clear() {
    // Deleted one by one so that every node is told of before the model forgets it.
    while (topLevelItemCount() > 0) delete takeTopLevelItem(topLevelItemCount() - 1);
}

void TPTCustomTreeView::NodeGoing(TTreeNode* node) {
    RunGuarded(this, false, [&] { DeletingNode(node); });
}

void TPTCustomTreeView::DeletingNode(TTreeNode*) {}

TTreeNode* TPTCustomTreeView::Selected() const {
    auto* current = static_cast<TTreeNode*>(currentItem());
    if (current != nullptr && current->isSelected()) return current;
    const QList<QTreeWidgetItem*> selected = selectedItems();
    return selected.isEmpty() ? nullptr : static_cast<TTreeNode*>(selected.first());
}

void TPTCustomTreeView::SetSelected(TTreeNode* node) {
    if (node == nullptr) {
        clearSelection();
        setCurrentItem(nullptr);
        return;
    }
    setCurrentItem(node);
    node->setSelected(true);
}

TTreeNode* TPTCustomTreeView::NodeAt(QPoint point) const { return static_cast<TTreeNode*>(itemAt(point)); }

QStyleOptionViewItem TPTCustomTreeView::BaseOption() const {
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    return option;
}

QRect TPTCustomTreeView::DisplayRect(TTreeNode* node, bool textOnly) const {
    if (node == nullptr) return {};
    const QRect row = visualItemRect(node);
    if (!textOnly || row.isEmpty()) return row;
    QStyleOptionViewItem option = BaseOption();
    option.rect = row;
    return delegate_->TextRect(option, indexFromItem(node));
}

// ---- custom draw

std::unique_ptr<TPTCustomDraw> TPTCustomTreeView::CreateCustomDraw(TNMCustomDraw& notification,
                                                                   std::uint32_t& result) {
    auto draw = std::make_unique<TPTTvCustomDraw>(font(), 1);
    draw->Init(&notification, &result);
    return draw;
}

std::unique_ptr<TPTCustomDraw> TPTCustomTreeView::DoCustomDraw(TNMCustomDraw& notification, std::uint32_t& result) {
    const std::uint32_t stage = notification.dwDrawStage;
    TTreeNode* node = (stage & CDDS_ITEM) != 0 ? static_cast<TTreeNode*>(itemFromIndex(notification.item)) : nullptr;
    auto draw = TPTCustomDrawFrame::FireEvents(
        stage, static_cast<bool>(OnTvCustomDrawEx), static_cast<bool>(OnTvCustomDraw),
        [&] { return CreateCustomDraw(notification, result); },
        [&](TPTCustomDraw& made, bool ex) { (ex ? OnTvCustomDrawEx : OnTvCustomDraw)(*this, made, node); });
    if ((stage & CDDS_PREPAINT) != 0 && (OnTvCustomDrawEx || OnTvCustomDraw)) result |= CDRF_NOTIFYITEMDRAW;
    return draw;
}

std::uint32_t TPTCustomTreeView::CustomDrawNotify(TNMCustomDraw& notification) {
    return frame_.Notify(this, [&](std::uint32_t& result) { return DoCustomDraw(notification, result); });
}

bool TPTCustomTreeView::ItemDrawRequested() const { return frame_.ItemDrawRequested(); }

void TPTCustomTreeView::DecorateItem(QStyleOptionViewItem& option, const QModelIndex& index) {
    auto* node = static_cast<TTreeNode*>(itemFromIndex(index));
    if (node == nullptr || Images() == nullptr || index.column() != 0) return;
    const bool selected = (option.state & QStyle::State_Selected) != 0;
    RunGuarded(this, true, [&] { selected ? GetSelectedIndex(node) : GetImageIndex(node); });
    TPTCustomDrawFrame::Decorate(option, *Images(), selected ? node->SelectedIndex() : node->ImageIndex(),
                                 node->OverlayIndex(), node->Cut());
}

void TPTCustomTreeView::GetImageIndex(TTreeNode* node) {
    if (OnGetImageIndex) OnGetImageIndex(*this, node);
}

void TPTCustomTreeView::GetSelectedIndex(TTreeNode* node) {
    if (OnGetSelectedIndex) OnGetSelectedIndex(*this, node);
}

void TPTCustomTreeView::paintEvent(QPaintEvent* event) {
    frame_.Paint(*this, *this, [&] { QTreeWidget::paintEvent(event); });
}

// ---- context menus

void TPTCustomTreeView::GetPopupMenu(TTreeNode* node, QPoint point, QMenu*& menu) {
    if (OnGetPopupMenu) OnGetPopupMenu(*this, node, point, menu);
}

void TPTCustomTreeView::ShowPopup(QMenu& menu, QPoint globalPoint) { menu.popup(globalPoint); }

void TPTCustomTreeView::ContextMenu(TTreeNode* node, QPoint point) {
    QMenu* menu = PopupMenu();
    GetPopupMenu(node, point, menu);
    if (menu != nullptr) ShowPopup(*menu, viewport()->mapToGlobal(point));
}

void TPTCustomTreeView::ContextMenuAtSelection() {
    if (TTreeNode* node = Selected()) {
        ContextMenu(node, DisplayRect(node, true).center());
        return;
    }
    if (QMenu* menu = PopupMenu()) ShowPopup(*menu, mapToGlobal(QPoint(0, 0)));
}

void TPTCustomTreeView::contextMenuEvent(QContextMenuEvent* event) {
    event->accept();
    RunGuarded(this, false, [&] {
        if (event->reason() == QContextMenuEvent::Keyboard) {
            ContextMenuAtSelection();
            return;
        }
        const QPoint point = event->pos();
        if (TTreeNode* node = NodeAt(point)) {
            QMenu* menu = PopupMenu();
            GetPopupMenu(node, point, menu);
            if (menu != nullptr) ShowPopup(*menu, viewport()->mapToGlobal(point));
        } else if (Selected() == nullptr) {
            ContextMenu(nullptr, point);
        } else if (QMenu* menu = PopupMenu()) {
            ShowPopup(*menu, viewport()->mapToGlobal(point));
        }
    });
}

void TPTCustomTreeView::keyPressEvent(QKeyEvent* event) {
    if (IsContextMenuKey(*event)) {
        event->accept();
        RunGuarded(this, false, [&] { ContextMenuAtSelection(); });
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

}  // namespace corvane::shell
