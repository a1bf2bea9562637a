// The shell tree's model: filling, options, selection by path, order, renaming in place, the events
// and the link to a shell list, on real folders of a scratch home.

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTest>

#include <filesystem>

#include "shell/ns/com.h"
#include "tests/shell/ns/fs_helpers.h"
#include "tests/shell/ui/shell_tree_fixture.h"
#include "tests/support/screenshot.h"

namespace corvane::testing {
namespace {

using namespace shell;
using Texts = std::vector<std::string>;

constexpr TPTShellTreeOptions kPlain = kDefaultShellTreeOptions & ~ptstoDynamicRefresh & ~ptstoAutoFill;

class ShellTree : public ShellTreeFixture {};

TEST_F(ShellTree, EmptyBaseIsTheDesktopAndVirtualFoldersDecideOnTrash) {
    TPTCustomShellTree& tree = MakeTree("", kPlain);
    ASSERT_EQ(tree.TopCount(), 1);
    EXPECT_EQ(tree.TopItem(0)->Text(), "Desktop");
    EXPECT_TRUE(tree.TopItem(0)->isExpanded());
    EXPECT_EQ(ChildTexts(tree.TopItem(0)), (Texts{"Home", "Computer", "Trash"}));
    EXPECT_EQ(tree.GetSelectedPath(), "");  // the desktop has no path
    tree.show();
    SaveScreenshot(tree);

    // Without virtual folders the trash (no file-system item) is never offered.
    std::vector<std::string> offered;
    tree.OnAddItem = [&](TPTCustomShellTree&, IShellFolder* folder, PCItemIDList, PCItemIDList item, std::uint32_t,
                         bool&) { offered.push_back(GetDisplayName(folder, item, NameKind::InFolder)); };
    tree.SetOptions(kPlain & ~ptstoVirtualFolders);
    tree.Reload();
    EXPECT_EQ(ChildTexts(tree.TopItem(0)), (Texts{"Home", "Computer"}));
    EXPECT_EQ(offered, (Texts{"Home", "Computer"}));

    // With them it is offered, and the handler may still refuse it.
    tree.SetOptions(kPlain);
    tree.OnAddItem = [](TPTCustomShellTree&, IShellFolder* folder, PCItemIDList, PCItemIDList item, std::uint32_t,
                        bool& allow) { allow = GetDisplayName(folder, item, NameKind::InFolder) != "Trash"; };
    tree.Reload();
    EXPECT_EQ(ChildTexts(tree.TopItem(0)), (Texts{"Home", "Computer"}));
}

TEST_F(ShellTree, SelectedPathWaitsForReloadAndFindsTheDeepestExistingFolder) {
    MakeDir("a/b/c");
    MakeDir("a/other");
    TPTCustomShellTree& tree = MakeTree(home_, kPlain, false);
    tree.SetSelectedPath(home_ + "/a/b/c");
    EXPECT_EQ(tree.TopCount(), 0);
    EXPECT_EQ(tree.Selected(), nullptr);

    tree.Reload();
    EXPECT_EQ(tree.GetSelectedPath(), home_ + "/a/b/c");
    EXPECT_TRUE(Node({"a"})->isExpanded());
    EXPECT_TRUE(Node({"a", "b"})->isExpanded());
    EXPECT_FALSE(Node({"a", "b", "c"})->isExpanded());

    // A missing tail: the deepest folder that exists.
    tree.SetSelectedPath(home_ + "/a/other/gone/deeper");
    EXPECT_EQ(tree.GetSelectedPath(), home_ + "/a/other");

    // Above the base: the top node, expanded.
    tree.SetSelectedPath(root_);
    EXPECT_EQ(tree.Selected(), tree.TopItem(0));
    EXPECT_TRUE(tree.TopItem(0)->isExpanded());
    EXPECT_EQ(tree.GetSelectedPath(), home_);
}

TEST_F(ShellTree, ExpandButtonsFollowSubfoldersOrEveryFolderWithFiles) {
    MakeDir("empty");
    MakeDir("parent/child");
    MakeFile("parent/file.txt");
    TPTCustomShellTree& tree = MakeTree(home_, kPlain);
    EXPECT_FALSE(Node({"empty"})->HasChildren());
    EXPECT_TRUE(Node({"parent"})->HasChildren());
    EXPECT_EQ(Node({"parent"})->Count(), 0);  // filled on first expansion only
    Expand({"parent"});
    EXPECT_EQ(ChildTexts(Node({"parent"})), (Texts{"child"}));

    tree.SetOptions(kPlain | ptstoIncludeNonFolders);
    tree.Reload();
    EXPECT_TRUE(Node({"empty"})->HasChildren());
    Expand({"parent"});
    EXPECT_EQ(ChildTexts(Node({"parent"})), (Texts{"child", "file.txt"}));
    EXPECT_FALSE(Node({"parent", "file.txt"})->HasChildren());
    Expand({"empty"});
    EXPECT_FALSE(Node({"empty"})->HasChildren());
}

TEST_F(ShellTree, ChildrenComeInTheShellsOrderNotByText) {
    MakeDir("f10");
    MakeDir("f9");
    MakeDir("F2");
    MakeFile("a-file");
    TPTCustomShellTree& tree = MakeTree(home_, kPlain | ptstoIncludeNonFolders);
    // Folders first, digits by value: plain text order would give "F2", "a-file", "f10", "f9".
    EXPECT_EQ(ChildTexts(tree.TopItem(0)), (Texts{"F2", "f9", "f10", "a-file"}));
}

TEST_F(ShellTree, RefusedExpansionCollapsesBackUnfilled) {
    MakeDir("a/b");
    TPTCustomShellTree& tree = MakeTree(home_, kPlain);
    int fills = 0;
    tree.OnFillComplete = [&](TPTCustomShellTree&) { ++fills; };
    tree.OnExpanding = [](TPTCustomShellTree&, TTreeNode*, bool& allow) { allow = false; };
    Expand({"a"});
    EXPECT_FALSE(Node({"a"})->isExpanded());
    EXPECT_EQ(Node({"a"})->Count(), 0);
    EXPECT_EQ(fills, 0);
    tree.OnExpanding = nullptr;
    Expand({"a"});
    EXPECT_EQ(fills, 1);
    EXPECT_EQ(ChildTexts(Node({"a"})), (Texts{"b"}));
}

TEST_F(ShellTree, RenamesInTheEditorAndKeepsEverythingWhenRefused) {
    MakeDir("old/inner");
    MakeDir("taken");
    TPTCustomShellTree& tree = MakeTree(home_, kPlain);
    tree.show();
    std::vector<QString> edited;
    tree.OnEdited = [&](TPTCustomShellTree&, TTreeNode*, QString& text) { edited.push_back(text); };
    // The top node cannot be renamed.
    tree.SetSelected(tree.TopItem(0));
    QTest::keyClick(&tree, Qt::Key_F2);
    EXPECT_FALSE(tree.Editing());

    Expand({"old"});
    tree.SetSelected(Node({"old"}));
    QTest::keyClick(&tree, Qt::Key_F2);
    ASSERT_TRUE(tree.Editing());
    SaveScreenshot(tree, "_rename");
    Commit(tree.findChild<QLineEdit*>(), "new name");
    EXPECT_FALSE(tree.Editing());
    EXPECT_TRUE(std::filesystem::is_directory(home_ + "/new name/inner"));
    EXPECT_FALSE(Exists(home_ + "/old"));
    ASSERT_NE(Node({"new name"}), nullptr);
    // The descendants' paths follow the new name.
    tree.SetSelected(Node({"new name", "inner"}));
    EXPECT_EQ(tree.GetSelectedPath(), home_ + "/new name/inner");
    EXPECT_EQ(tree.SelectionLocator().Path(), home_ + "/new name/inner");

    // A name that is taken: the shell refuses, text and folders stay, OnEdited still fires.
    tree.SetSelected(Node({"new name"}));
    QTest::keyClick(&tree, Qt::Key_F2);
    Commit(tree.findChild<QLineEdit*>(), "taken");
    EXPECT_NE(Node({"new name"}), nullptr);
    EXPECT_TRUE(std::filesystem::is_directory(home_ + "/new name"));
    EXPECT_TRUE(std::filesystem::is_empty(home_ + "/taken"));
    EXPECT_EQ(edited, (std::vector<QString>{"new name", "taken"}));
}

TEST_F(ShellTree, EventsSeeTheNodesWithTheirData) {
    MakeDir("a");
    MakeDir("b");
    TPTCustomShellTree& tree = MakeTree(home_, kPlain, false);
    std::vector<std::string> inserted;
    std::vector<std::string> deleted;
    tree.OnInsertItem = [&](TPTCustomShellTree&, TTreeNode* node) {
        ASSERT_NE(TPTCustomShellTree::GetNodeData(node), nullptr);
        inserted.push_back(TPTCustomShellTree::GetNodeData(node)->GetPath());
    };
    tree.OnDeleteItem = [&](TPTCustomShellTree&, TTreeNode* node, TPTShTreeData* data) {
        EXPECT_EQ(TPTCustomShellTree::GetNodeData(node), data);
        deleted.push_back(data->GetPath());
    };
    int drawn = 0;
    tree.OnCustomDrawSh = [&](TPTCustomShellTree&, TPTCustomDraw& draw, TTreeNode* node, TPTShTreeData* data) {
        ASSERT_NE(node, nullptr);
        EXPECT_EQ(data, TPTCustomShellTree::GetNodeData(node));
        if (node->Text() == "b") draw.SetFontColor(Qt::red);
        ++drawn;
    };
    tree.Reload();
    EXPECT_EQ(inserted, (Texts{home_, home_ + "/a", home_ + "/b"}));
    tree.show();
    SaveScreenshot(tree, "_drawn");
    EXPECT_GE(drawn, 3);
    tree.Reload();
    EXPECT_EQ(deleted.size(), 3u);
    EXPECT_EQ(TPTCustomShellTree::GetNodeData(nullptr), nullptr);
    TPTShTreeData blank(&tree, nullptr);
    EXPECT_THROW(blank.GetPath(), EShellError);
}

TEST_F(ShellTree, ShellListFollowsClicksAtOnceAndKeysAfterAPause) {
    MakeDir("a");
    MakeDir("b");
    TPTCustomShellTree& tree = MakeTree(home_, kPlain);
    RecordingShellList list;
    tree.SetShellList(&list);
    EXPECT_EQ(list.locator, &tree.SelectionLocator());
    tree.show();
    QApplication::setActiveWindow(&tree);

    QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, tree.visualItemRect(Node({"a"})).center());
    ASSERT_EQ(list.shown, (Texts{home_ + "/a"}));

    QTest::keyClick(&tree, Qt::Key_Down);
    EXPECT_EQ(tree.Selected(), Node({"b"}));
    EXPECT_EQ(list.shown.size(), 1u);  // not yet
    tree.FlushPendingChange(true);
    EXPECT_EQ(list.flushes, 1);
    EXPECT_EQ(list.shown.back(), home_ + "/b");

    QTest::keyClick(&tree, Qt::Key_Up);
    EXPECT_TRUE(QTest::qWaitFor([&] { return list.shown.size() == 3; }, 2000));
    EXPECT_EQ(list.shown.back(), home_ + "/a");

    tree.SelectAncestor(5);
    EXPECT_EQ(list.shown.back(), home_);

    tree.SetShellList(nullptr);
    EXPECT_EQ(list.unlinks, 1);
    EXPECT_EQ(list.locator, nullptr);
}

}  // namespace
}  // namespace corvane::testing
