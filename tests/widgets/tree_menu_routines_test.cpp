#include <gtest/gtest.h>

#include <QMenu>
#include <QMenuBar>
#include <QStandardItemModel>
#include <QTreeView>
#include <QTreeWidget>

#include "tests/support/gui_app.h"
#include "tests/support/screenshot.h"
#include "widgets/tree_menu_routines.h"

namespace corvane {
namespace {

class TreeMenu : public ::testing::Test {
protected:
    void SetUp() override { testing::GuiApp(); }
};

TEST_F(TreeMenu, TopAndFindOnTreeWidgets) {
    QTreeWidget tree;
    tree.setObjectName("TreeMenuTree");
    tree.setHeaderLabel("Name");
    auto* archive = new QTreeWidgetItem(&tree, {"site.zip"});
    auto* folder = new QTreeWidgetItem(archive, {"images"});
    auto* deep = new QTreeWidgetItem(folder, {"logo.gif"});
    new QTreeWidgetItem(&tree, {"logo.gif"});  // a later top-level node of the same text
    tree.expandAll();

    EXPECT_EQ(TopTreeNode(deep), archive);
    EXPECT_EQ(TopTreeNode(archive), archive);
    EXPECT_EQ(TopTreeNode(static_cast<QTreeWidgetItem*>(nullptr)), nullptr);
    // Depth first: the nested node comes before the later top-level one.
    EXPECT_EQ(FindTreeNode("logo.gif", tree), deep);
    EXPECT_EQ(FindTreeNode("Logo.gif", tree), nullptr);  // exact text only
    EXPECT_EQ(FindTreeNode("", tree), nullptr);
    testing::SaveScreenshot(tree);
}

TEST_F(TreeMenu, TopAndFindOnTreeViews) {
    QStandardItemModel model;
    auto* archive = new QStandardItem("site.zip");
    auto* folder = new QStandardItem("images");
    auto* deep = new QStandardItem("logo.gif");
    folder->appendRow(deep);
    archive->appendRow(folder);
    model.appendRow(archive);
    model.appendRow(new QStandardItem("logo.gif"));
    QTreeView view;
    view.setModel(&model);

    EXPECT_EQ(TopTreeNode(deep->index()), archive->index());
    EXPECT_FALSE(TopTreeNode(QModelIndex()).isValid());
    EXPECT_EQ(FindTreeNode("logo.gif", view), deep->index());
    EXPECT_FALSE(FindTreeNode("missing", view).isValid());
    // Only below the view's root.
    view.setRootIndex(folder->index());
    EXPECT_FALSE(FindTreeNode("images", view).isValid());
}

TEST_F(TreeMenu, AddMenuItemAppendsToTheRightLevel) {
    QMenu menu;
    QMenu* reopen = menu.addMenu("&Reopen");
    QStringList clicked;
    auto on_click = [&clicked](QAction* item) { clicked << item->text(); };

    QAction* top = AddMenuItem("a.zip", menu, nullptr, on_click);
    QAction* nested = AddMenuItem("b.zip", menu, reopen, on_click);
    QAction* separator = AddMenuItem("-", menu, reopen);
    QAction* more = AddMenuItem("More...", menu, reopen, on_click);

    EXPECT_EQ(menu.actions().back(), top);
    EXPECT_EQ(reopen->actions(), (QList<QAction*>{nested, separator, more}));
    EXPECT_TRUE(separator->isSeparator());
    EXPECT_TRUE(nested->isVisible());
    more->trigger();
    nested->trigger();
    EXPECT_EQ(clicked, (QStringList{"More...", "b.zip"}));

    QMenuBar bar;
    QAction* file = AddMenuItem("&File", bar, nullptr);
    EXPECT_EQ(bar.actions(), QList<QAction*>{file});
}

}  // namespace
}  // namespace corvane
