#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QPainter>

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
    : QTreeWidget(parent), delegate_(new TPTCustomDrawDelegate(*this, this)) {
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

void TPTCustomTreeView::SetImages(const TSysImageList* images) {
    images_ = images;
    if (images != nullptr) setIconSize(QSize(images->Size(), images->Size()));
    viewport()->update();
}

void TPTCustomTreeView::SetColor(const QColor& color) {
    color_ = color;
    TPTViewColors::Apply(*this, QPalette::Base, color);
}

void TPTCustomTreeView::SetFontColor(const QColor& color) {
    font_color_ = color;
    TPTViewColors::Apply(*this, QPalette::Text, color);
}

void TPTCustomTreeView::changeEvent(QEvent* event) {
    // A palette from the parent must not undo the colours set here.
    if (event->type() == QEvent::ParentChange || event->type() == QEvent::StyleChange) {
        if (color_.isValid()) TPTViewColors::Apply(*this, QPalette::Base, color_);
        if (font_color_.isValid()) TPTViewColors::Apply(*this, QPalette::Text, font_color_);
    }
    QTreeWidget::changeEvent(event);
}

// ---- custom draw

std::unique_ptr<TPTCustomDraw> TPTCustomTreeView::CreateCustomDraw(TNMCustomDraw& notification,
                                                                   std::uint32_t& result) {
    auto draw = std::make_unique<TPTTvCustomDraw>(font(), 1);
    draw->Init(&notification, &result);
    return draw;
}

std::unique_ptr<TPTCustomDraw> TPTCustomTreeView::DoCustomDraw(TNMCustomDraw& notification, std::uint32_t& result) {
    std::unique_ptr<TPTCustomDraw> draw;
    TTreeNode* node = nullptr;
    const std::uint32_t stage = notification.dwDrawStage;
    const auto nodeOf = [&] {
        return (stage & CDDS_ITEM) != 0 ? static_cast<TTreeNode*>(itemFromIndex(notification.item)) : nullptr;
    };
    if (OnTvCustomDrawEx) {
        draw = CreateCustomDraw(notification, result);
        node = nodeOf();
        OnTvCustomDrawEx(*this, *draw, node);
    }
    if (OnTvCustomDraw && (stage & CDDS_ITEMPREPAINT) > CDDS_ITEM) {
        if (!draw) {
            draw = CreateCustomDraw(notification, result);
            node = nodeOf();
        }
        OnTvCustomDraw(*this, *draw, node);
    }
    if (draw) draw->Apply();
    if ((stage & CDDS_PREPAINT) != 0 && (OnTvCustomDrawEx || OnTvCustomDraw)) result |= CDRF_NOTIFYITEMDRAW;
    return draw;
}

std::uint32_t TPTCustomTreeView::CustomDrawNotify(TNMCustomDraw& notification) {
    draw_.reset();
    std::uint32_t result = CDRF_DODEFAULT;
    RunGuarded(this, true, [&] { draw_ = DoCustomDraw(notification, result); });
    return result;
}

bool TPTCustomTreeView::ItemDrawRequested() const { return (prepaint_result_ & CDRF_NOTIFYITEMDRAW) != 0; }

void TPTCustomTreeView::DecorateItem(QStyleOptionViewItem& option, const QModelIndex& index) {
    auto* node = static_cast<TTreeNode*>(itemFromIndex(index));
    if (node == nullptr || images_ == nullptr || index.column() != 0) return;
    const bool selected = (option.state & QStyle::State_Selected) != 0;
    RunGuarded(this, true, [&] { selected ? GetSelectedIndex(node) : GetImageIndex(node); });
    const int image = selected ? node->SelectedIndex() : node->ImageIndex();
    if (image < 0) return;
    option.icon = QIcon(images_->Pixmap(image, node->OverlayIndex(), node->Cut()));
    option.decorationSize = QSize(images_->Size(), images_->Size());
    option.features |= QStyleOptionViewItem::HasDecoration;
}

void TPTCustomTreeView::GetImageIndex(TTreeNode* node) {
    if (OnGetImageIndex) OnGetImageIndex(*this, node);
}

void TPTCustomTreeView::GetSelectedIndex(TTreeNode* node) {
    if (OnGetSelectedIndex) OnGetSelectedIndex(*this, node);
}

void TPTCustomTreeView::paintEvent(QPaintEvent* event) {
    TNMCustomDraw nm;
    nm.rc = viewport()->rect();
    nm.font = font();
    nm.clrText = palette().color(QPalette::Text);
    nm.clrTextBk = palette().color(QPalette::Base);
    {
        QPainter painter(viewport());
        nm.painter = &painter;
        nm.dwDrawStage = CDDS_PREPAINT;
        prepaint_result_ = CustomDrawNotify(nm);
    }
    QTreeWidget::paintEvent(event);
    if ((prepaint_result_ & CDRF_NOTIFYPOSTPAINT) != 0) {
        QPainter painter(viewport());
        nm.painter = &painter;
        nm.dwDrawStage = CDDS_POSTPAINT;
        CustomDrawNotify(nm);
    }
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
