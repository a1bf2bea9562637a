#pragma once
// Small helpers the windows share for their trees and menus.

#include <QModelIndex>
#include <QString>
#include <functional>

class QAction;
class QMenu;
class QTreeView;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

namespace corvane {

// The topmost ancestor of a node (the node itself at the top; null or invalid for null or invalid).
QTreeWidgetItem* TopTreeNode(QTreeWidgetItem* node);
QModelIndex TopTreeNode(const QModelIndex& node);

// The first node, in the tree's order (depth first, parents before children), whose text in the first
// column equals the text exactly; null or invalid when none does. Only nodes the model has loaded
// count.
QTreeWidgetItem* FindTreeNode(const QString& text, const QTreeWidget& tree);
QModelIndex FindTreeNode(const QString& text, const QTreeView& tree);

// Adds a visible item with the caption at the end of the parent submenu, or of the menu's top level
// (a QMenu or QMenuBar) when parent is null, and returns it. The caption "-" makes a separator. The
// handler gets the item, so one handler can serve items built at run time.
QAction* AddMenuItem(const QString& caption, QWidget& menu, QMenu* parent,
                     std::function<void(QAction*)> on_click = {});

}  // namespace corvane
