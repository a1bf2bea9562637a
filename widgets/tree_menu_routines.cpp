#include "widgets/tree_menu_routines.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QMenu>
#include <QTreeView>
#include <QTreeWidget>

namespace corvane {
namespace {

QModelIndex FindBelow(const QAbstractItemModel& model, const QModelIndex& parent, const QString& text) {
    const int rows = model.rowCount(parent);
    for (int row = 0; row < rows; ++row) {
        const QModelIndex node = model.index(row, 0, parent);
        if (model.data(node, Qt::DisplayRole).toString() == text) return node;
        if (const QModelIndex found = FindBelow(model, node, text); found.isValid()) return found;
    }
    return {};
}

}  // namespace

QTreeWidgetItem* TopTreeNode(QTreeWidgetItem* node) {
    while (node != nullptr && node->parent() != nullptr) node = node->parent();
    return node;
}

QModelIndex TopTreeNode(const QModelIndex& node) {
    QModelIndex top = node;
    while (top.isValid() && top.parent().isValid()) top = top.parent();
    return top;
}

QTreeWidgetItem* FindTreeNode(const QString& text, const QTreeWidget& tree) {
    for (QTreeWidgetItemIterator it(const_cast<QTreeWidget*>(&tree)); *it != nullptr; ++it)
        if ((*it)->text(0) == text) return *it;
    return nullptr;
}

QModelIndex FindTreeNode(const QString& text, const QTreeView& tree) {
    const QAbstractItemModel* model = tree.model();
    if (model == nullptr) return {};
    return FindBelow(*model, tree.rootIndex(), text);
}

QAction* AddMenuItem(const QString& caption, QWidget& menu, QMenu* parent, std::function<void(QAction*)> on_click) {
    QWidget& target = parent != nullptr ? static_cast<QWidget&>(*parent) : menu;
    auto* item = new QAction(caption, &target);
    if (caption == QLatin1String("-")) item->setSeparator(true);
    item->setVisible(true);
    if (on_click)
        QObject::connect(item, &QAction::triggered, item, [item, handler = std::move(on_click)] { handler(item); });
    target.addAction(item);
    return item;
}

}  // namespace corvane
