// The shell tree following the disk: changes made by others, its own renames and new folders, the
// key commands, the shell's context menu and the paced scrolling.

#include <gtest/gtest.h>

#include <QContextMenuEvent>
#include <QDrag>
#include <QImage>
#include <QPalette>
#include <QMimeData>
#include <QUrl>
#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include <filesystem>

#include "shell/ns/data_object.h"
#include "shell/ns/folder_base.h"
#include "shell/ns/shell_clipboard.h"
#include "shell/ui/ole_bridge.h"
#include "tests/shell/ns/fs_helpers.h"
#include "tests/shell/ui/shell_tree_fixture.h"
#include "tests/support/screenshot.h"

namespace corvane::testing {
namespace {

using namespace shell;
namespace fs = std::filesystem;

constexpr TPTShellTreeOptions kLive = kDefaultShellTreeOptions & ~ptstoAutoFill;

class CountingTree : public TPTShellTree {
public:
    using TPTShellTree::TPTShellTree;
    void Refresh() override {
        ++refreshes;
        TPTShellTree::Refresh();
    }
    int refreshes = 0;
};

class ShellTreeLive : public ShellTreeFixture {
protected:
    bool WaitFor(const std::function<bool()>& done, int ms = 3000) { return QTest::qWaitFor(done, ms); }
};

TEST_F(ShellTreeLive, AnotherProcessRemovingTheSelectionSelectsItsParent) {
    MakeDir("a/b");
    TPTCustomShellTree& tree = MakeTree(home_, kLive);
    tree.SetSelectedPath(home_ + "/a/b");
    std::vector<std::string> changes;
    tree.OnChange = [&](TPTCustomShellTree& t, TTreeNode*) { changes.push_back(t.GetSelectedPath()); };
    ASSERT_TRUE(Node({"a"})->HasChildren());
    fs::remove(home_ + "/a/b");
    ASSERT_TRUE(WaitFor([&] { return Node({"a", "b"}) == nullptr; }));
    EXPECT_EQ(tree.GetSelectedPath(), home_ + "/a");
    EXPECT_EQ(changes, (std::vector<std::string>{home_ + "/a"}));
    // Its only subfolder gone, the parent shows no button.
    EXPECT_FALSE(Node({"a"})->HasChildren());
}

TEST_F(ShellTreeLive, RemovingAFolderAboveTheSelectionSelectsWhatIsLeft) {
    MakeDir("c/d/e/f");
    TPTCustomShellTree& tree = MakeTree(home_, kLive);
    tree.SetSelectedPath(home_ + "/c/d/e/f");
    fs::remove_all(home_ + "/c/d");
    ASSERT_TRUE(WaitFor([&] { return Node({"c", "d"}) == nullptr; }));
    EXPECT_EQ(tree.GetSelectedPath(), home_ + "/c");
}

TEST_F(ShellTreeLive, NewFilesWaitForTheNextFillWhileGoneOnesAreRemoved) {
    MakeFile("x/old.txt");
    TPTCustomShellTree& tree = MakeTree(home_, kLive | ptstoIncludeNonFolders);
    Expand({"x"});
    ASSERT_NE(Node({"x", "old.txt"}), nullptr);
    MakeFile("x/new.txt");
    MakeDir("x/sub");
    fs::remove(home_ + "/x/old.txt");
    ASSERT_TRUE(WaitFor([&] { return Node({"x", "old.txt"}) == nullptr && Node({"x", "sub"}) != nullptr; }));
    EXPECT_EQ(Node({"x", "new.txt"}), nullptr);
    tree.Reload();
    Expand({"x"});
    EXPECT_EQ(ChildTexts(Node({"x"})), (std::vector<std::string>{"sub", "new.txt"}));
}

TEST_F(ShellTreeLive, OwnRenameCausesNoRefreshYetALaterChangeStillDoes) {
    MakeDir("r/inner");
    auto& tree = MakeTree<CountingTree>(home_, kLive);
    tree.show();
    Expand({"r"});
    tree.SetSelected(Node({"r"}));
    QTest::keyClick(&tree, Qt::Key_F2);
    ASSERT_TRUE(tree.Editing());
    Commit(tree.findChild<QLineEdit*>(), "s");
    ASSERT_TRUE(fs::is_directory(home_ + "/s/inner"));
    QTest::qWait(200);
    EXPECT_EQ(tree.refreshes, 0);
    ASSERT_NE(Node({"s", "inner"}), nullptr);

    // Past its own window, a real change in the renamed folder (watched under its new name) is seen.
    QTest::qWait(static_cast<int>(timing_.OwnChangeWindow.count()));
    MakeDir("s/late");
    EXPECT_TRUE(WaitFor([&] { return Node({"s", "late"}) != nullptr; }));
    EXPECT_EQ(tree.refreshes, 1);
}

TEST_F(ShellTreeLive, NewFolderOpensItsNameForEditingAndFailsWhenAllNamesAreTaken) {
    MakeDir("full");
    for (int n = 1; n <= 50; ++n) MakeDir(n == 1 ? "full/New Folder" : "full/New Folder (" + std::to_string(n) + ")");
    auto& tree = MakeTree<CountingTree>(home_, kLive);
    tree.show();
    ASSERT_TRUE(tree.CreateNewFolder());
    EXPECT_TRUE(fs::is_directory(home_ + "/New Folder"));
    ASSERT_TRUE(tree.Editing());
    SaveScreenshot(tree, "_new_folder");
    Commit(tree.findChild<QLineEdit*>(), "Projects");
    EXPECT_TRUE(fs::is_directory(home_ + "/Projects"));
    ASSERT_NE(Node({"Projects"}), nullptr);
    QTest::qWait(200);
    EXPECT_EQ(tree.refreshes, 1);  // its own, not the watch's

    tree.SetSelected(Node({"full"}));
    EXPECT_FALSE(tree.CreateNewFolder());
    ASSERT_EQ(ui_.warnings.size(), 1u);
    EXPECT_EQ(ui_.warnings[0].rfind("Unable to create the folder 'New Folder'", 0), 0u);
}

TEST_F(ShellTreeLive, KeysWithoutSelectionDoNothingAndF5FindsFoldersInUnexpandedOnes) {
    MakeDir("plain");
    TPTCustomShellTree& tree = MakeTree(home_, kLive);
    tree.show();
    tree.SetSelected(nullptr);
    QTest::keyClick(&tree, Qt::Key_Delete);
    QTest::keyClick(&tree, Qt::Key_C, Qt::ControlModifier);
    EXPECT_TRUE(ui_.warnings.empty());

    // A folder made inside a folder never expanded is not watched there: F5 finds it.
    MakeDir("plain/inside");
    QTest::qWait(150);
    EXPECT_FALSE(Node({"plain"})->HasChildren());
    QTest::keyClick(&tree, Qt::Key_F5);
    EXPECT_TRUE(Node({"plain"})->HasChildren());
}

TEST_F(ShellTreeLive, EndOfAnEditRunsTheRefreshAskedDuringIt) {
    MakeDir("a");
    auto& tree = MakeTree<CountingTree>(home_, kLive & ~ptstoDynamicRefresh);
    tree.show();
    tree.SetSelected(Node({"a"}));
    QTest::keyClick(&tree, Qt::Key_F2);
    ASSERT_TRUE(tree.Editing());
    MakeDir("b");
    tree.Refresh();
    EXPECT_TRUE(tree.RefreshPending());
    EXPECT_EQ(Node({"b"}), nullptr);
    // Cancelled: the refresh still runs.
    Commit(tree.findChild<QLineEdit*>(), {}, Qt::Key_Escape);
    EXPECT_FALSE(tree.RefreshPending());
    EXPECT_NE(Node({"b"}), nullptr);
    EXPECT_TRUE(fs::is_directory(home_ + "/a"));
}

TEST_F(ShellTreeLive, SelectionSyncAndRefreshDoNotCancelEachOther) {
    MakeDir("a");
    MakeDir("b");
    TPTCustomShellTree& tree = MakeTree(home_, kLive);
    RecordingShellList list;
    tree.SetShellList(&list);
    tree.show();
    tree.SetSelected(Node({"a"}));
    QTest::keyClick(&tree, Qt::Key_Down);  // a keyboard move: synced after the pause
    MakeDir("c");
    ASSERT_TRUE(WaitFor([&] { return Node({"c"}) != nullptr && !list.shown.empty() && list.shown.back() == home_ + "/b"; }));
    tree.SetShellList(nullptr);
}

TEST_F(ShellTreeLive, AWatchSlotHandedOutAgainStaysWithItsNewFolder) {
    MakeDir("gone/x");
    MakeDir("kept/y");
    timing_.RefreshDelayFocused = timing_.RefreshDelayUnfocused = std::chrono::hours(1);
    TPTCustomShellTree& tree = MakeTree(home_, kLive);
    Expand({"gone"});
    const int goneSlot = TPTCustomShellTree::GetNodeData(Node({"gone"}))->WatchSlot;
    ASSERT_GE(goneSlot, 0);
    EXPECT_EQ(tree.WatchCount(), 2);
    // The watch thread frees the slot of the folder that went; the next watch gets it.
    fs::remove_all(home_ + "/gone");
    QTest::qWait(150);
    Expand({"kept"});
    ASSERT_EQ(TPTCustomShellTree::GetNodeData(Node({"kept"}))->WatchSlot, goneSlot);
    tree.Refresh();
    ASSERT_EQ(Node({"gone"}), nullptr);
    EXPECT_EQ(tree.WatchCount(), 2);
    // The refresh dropped the old node without ending the watch now on "kept".
    MakeDir("kept/z");
    QTest::qWait(150);
    tree.FlushPendingChange(false);
    EXPECT_NE(Node({"kept", "z"}), nullptr);

    tree.SetOptions(kLive & ~ptstoDynamicRefresh);
    EXPECT_EQ(tree.WatchCount(), 0);
}

TEST_F(ShellTreeLive, ScrollsNearTheEdgesAtMostTenLinesASecond) {
    for (int i = 0; i < 60; ++i) MakeDir("d" + std::to_string(i));
    TPTCustomShellTree& tree = MakeTree(home_, kLive & ~ptstoDynamicRefresh);
    tree.resize(200, 150);
    tree.show();
    auto now = std::chrono::steady_clock::time_point{} + std::chrono::hours(1);
    tree.SetClock([&] { return now; });
    QScrollBar* bar = tree.verticalScrollBar();
    ASSERT_GT(bar->maximum(), 20);
    const QPoint middle = tree.viewport()->rect().center();
    const QPoint nearBottom(middle.x(), tree.viewport()->height() - 19);
    EXPECT_FALSE(tree.AutoScroll(middle));
    now += 200ms;
    EXPECT_TRUE(tree.AutoScroll(nearBottom));
    for (int step = 0; step < 100; ++step) {  // one second in steps of 10 ms
        now += 10ms;
        tree.AutoScroll(nearBottom);
    }
    EXPECT_LE(bar->value(), 11);
    EXPECT_GE(bar->value(), 10);
    const int before = bar->value();
    now += 200ms;
    EXPECT_TRUE(tree.AutoScroll(QPoint(middle.x(), 19)));
    EXPECT_EQ(bar->value(), before - 1);
}

// A folder whose items have a context menu, recording the commands run.
struct MenuLog {
    std::vector<int> invoked;
};

class FakeMenu final : public ComObject<IContextMenu> {
public:
    explicit FakeMenu(MenuLog& log) : log_(log) {}
    HRESULT QueryContextMenu(TMenuHandle& menu, std::uint32_t position, std::uint32_t firstId, std::uint32_t,
                             std::uint32_t) override {
        menu.Insert(position, firstId, "&Copy");
        menu.Insert(position + 1, firstId + 1, "&Delete");
        return 2;
    }
    HRESULT InvokeCommand(const CMINVOKECOMMANDINFO& info) override {
        log_.invoked.push_back(info.verbOffset);
        return S_OK;
    }
    HRESULT GetCommandString(std::uint32_t offset, std::uint32_t type, std::string& out) override {
        if (offset > 1) return E_INVALIDARG;
        if (type == GCS_VERBA) out = offset == 0 ? "copy" : "delete";
        else out = offset == 0 ? "Copies the item." : "Deletes the item.";
        return S_OK;
    }

private:
    MenuLog& log_;
};

class FakeFolder final : public ShellFolderBase {
public:
    explicit FakeFolder(MenuLog& log) : log_(log) {}
    HRESULT EnumObjects(HWND, std::uint32_t, IEnumIDList** out) override {
        std::vector<UniquePidl> items;
        items.emplace_back(MakeItem(ItemTag::Folder, "two"));
        items.emplace_back(MakeItem(ItemTag::Folder, "one"));
        *out = new IdListEnum(std::move(items));
        return S_OK;
    }
    HRESULT BindToObject(PCItemIDList, void*, Iid, void** out) override {
        *out = nullptr;
        return E_FAIL;
    }
    HRESULT CompareIDs(std::intptr_t, PCItemIDList a, PCItemIDList b) override {
        return CompareResult(ItemName(a).compare(ItemName(b)) < 0 ? -1 : ItemName(a) == ItemName(b) ? 0 : 1);
    }
    HRESULT GetAttributesOf(std::uint32_t, const PCItemIDList*, std::uint32_t* inOut) override {
        *inOut &= SFGAO_FOLDER | SFGAO_FILESYSTEM;
        return S_OK;
    }
    HRESULT GetUIObjectOf(HWND, std::uint32_t, const PCItemIDList*, Iid iid, std::uint32_t*, void** out) override {
        if (iid != Iid::ContextMenu) return ShellFolderBase::GetUIObjectOf(nullptr, 0, nullptr, iid, nullptr, out);
        return HandOut(new FakeMenu(log_), iid, out);
    }
    HRESULT GetDisplayNameOf(PCItemIDList item, std::uint32_t, STRRET* out) override {
        return SetStrRetText(out, IsEmptyPidl(item) ? std::string_view("Fake") : ItemName(item));
    }
    HRESULT SetNameOf(HWND, PCItemIDList, const std::string&, std::uint32_t, PItemIDList*) override { return E_FAIL; }

private:
    MenuLog& log_;
};

TEST_F(ShellTreeLive, ContextMenuAndVerbKeysRunTheItemsCommands) {
    MenuLog log;
    auto* folder = new FakeFolder(log);
    TPTCustomShellTree& tree = MakeTree("", kLive & ~ptstoDynamicRefresh, false);
    tree.FillNode(folder, nullptr);
    folder->Release();
    ASSERT_EQ(ChildTexts(tree.TopItem(0)), (std::vector<std::string>{"one", "two"}));
    std::vector<std::string> hints;
    tree.OnPopupHint = [&](TPTCustomShellTree&, const std::string& hint) { hints.push_back(hint); };
    tree.show();

    QTimer::singleShot(0, [] {
        auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(popup, nullptr);
        popup->setActiveAction(popup->actions().at(1));
        QTest::keyClick(popup, Qt::Key_Return);
    });
    const QPoint at = tree.visualItemRect(Node({"one"})).center();
    QContextMenuEvent click(QContextMenuEvent::Mouse, at, tree.viewport()->mapToGlobal(at));
    QApplication::sendEvent(tree.viewport(), &click);
    EXPECT_EQ(log.invoked, (std::vector<int>{1}));
    EXPECT_EQ(hints, (std::vector<std::string>{"Deletes the item."}));

    tree.SetSelected(Node({"two"}));
    QTest::keyClick(&tree, Qt::Key_C, Qt::ControlModifier);
    QTest::keyClick(&tree, Qt::Key_Delete);
    EXPECT_EQ(log.invoked, (std::vector<int>{1, 0, 1}));
    // The top node has no item menu: nothing runs.
    EXPECT_EQ(tree.InvokeVerb(tree.TopItem(0), "copy"), 1);
    EXPECT_EQ(log.invoked.size(), 3u);

    // An OnKeyDown that clears the key stops the command.
    tree.OnKeyDown = [](TPTCustomShellTree&, int& key, Qt::KeyboardModifiers) { key = 0; };
    QTest::keyClick(&tree, Qt::Key_Delete);
    EXPECT_EQ(log.invoked.size(), 3u);
}

using WindowFaultsShellTree = ShellTreeLive;

// The node under a drag that would take the drop is drawn highlighted, and only while the drag is over it.
TEST_F(WindowFaultsShellTree, TheDropTargetNodeIsDrawnHighlighted) {
    MakeFile("src/one.txt", "1");
    MakeDir("dest");
    TPTCustomShellTree& tree = MakeTree(home_, kLive & ~ptstoDynamicRefresh);
    tree.resize(300, 300);
    tree.show();
    TTreeNode* dest = Node({"dest"});
    ASSERT_NE(dest, nullptr);
    ASSERT_NE(tree.Selected(), dest);
    const auto highlighted = [&] {
        const QImage image = tree.viewport()->grab().toImage();
        const QRect row = tree.visualItemRect(dest).intersected(image.rect());
        int count = 0;
        for (int x = row.left(); x <= row.right(); ++x)
            for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive})
                if (image.pixelColor(x, row.center().y()) == tree.palette().color(group, QPalette::Highlight)) ++count;
        return count;
    };
    EXPECT_EQ(highlighted(), 0);
    const QPoint global = tree.viewport()->mapToGlobal(tree.visualItemRect(dest).center());
    ComPtr<IDataObject> one = FilesData(home_ + "/src", {"one.txt"});
    std::uint32_t effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    tree.OleDragEnter(one.Get(), MK_LBUTTON, POINTL{global.x(), global.y()}, &effect);
    effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    tree.OleDragOver(MK_LBUTTON, POINTL{global.x(), global.y()}, &effect);
    ASSERT_EQ(tree.DropHighlighted(), dest);
    EXPECT_GT(highlighted(), 10);
    tree.OleDragLeave();
    EXPECT_EQ(highlighted(), 0);
}

class DragTree : public TPTShellTree {
public:
    using TPTShellTree::startDrag;
    using TPTShellTree::TPTShellTree;
};

TEST_F(ShellTreeLive, DropCopiesWithCtrlAndMovesWithoutOntoTheNodeUnderTheMouse) {
    MakeFile("src/one.txt", "1");
    MakeFile("src/two.txt", "2");
    MakeDir("dest");
    TPTCustomShellTree& tree = MakeTree(home_, kLive & ~ptstoDynamicRefresh);
    tree.show();
    const auto at = [&](TTreeNode* node) {
        const QPoint global = tree.viewport()->mapToGlobal(tree.visualItemRect(node).center());
        return POINTL{global.x(), global.y()};
    };
    ComPtr<IDataObject> one = FilesData(home_ + "/src", {"one.txt"});
    std::uint32_t effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    // Entering over the top node finds no target.
    EXPECT_EQ(tree.OleDragEnter(one.Get(), MK_LBUTTON, at(tree.TopItem(0)), &effect), S_OK);
    EXPECT_EQ(effect, DROPEFFECT_NONE);
    effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    tree.OleDragEnter(one.Get(), MK_LBUTTON | MK_CONTROL, at(Node({"dest"})), &effect);
    EXPECT_EQ(effect, DROPEFFECT_COPY);
    effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    tree.OleDragOver(MK_LBUTTON | MK_CONTROL, at(Node({"dest"})), &effect);
    EXPECT_EQ(tree.DropHighlighted(), Node({"dest"}));
    EXPECT_EQ(effect & DROPEFFECT_COPY, DROPEFFECT_COPY);
    effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    EXPECT_TRUE(Succeeded(tree.OleDrop(one.Get(), MK_CONTROL, at(Node({"dest"})), &effect)));
    EXPECT_EQ(ReadText(home_ + "/dest/one.txt"), "1");
    EXPECT_TRUE(Exists(home_ + "/src/one.txt"));
    EXPECT_EQ(tree.DropHighlighted(), nullptr);

    ComPtr<IDataObject> two = FilesData(home_ + "/src", {"two.txt"});
    effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    tree.OleDragEnter(two.Get(), MK_LBUTTON, at(Node({"dest"})), &effect);
    effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    EXPECT_TRUE(Succeeded(tree.OleDrop(two.Get(), 0, at(Node({"dest"})), &effect)));
    EXPECT_EQ(ReadText(home_ + "/dest/two.txt"), "2");
    EXPECT_FALSE(Exists(home_ + "/src/two.txt"));
}

TEST_F(ShellTreeLive, DragOutHandsTheNodesItemAndItsEffectsToTheDragLoop) {
    MakeDir("src/inner");
    auto& tree = MakeTree<DragTree>(home_, kLive & ~ptstoDynamicRefresh);
    std::vector<QList<QUrl>> dragged;
    std::vector<Qt::DropActions> allowed;
    bool draggingInLoop = false;
    const TDragExec previous = SetDragExec([&](QDrag& drag, Qt::DropActions actions) {
        dragged.push_back(drag.mimeData()->urls());
        allowed.push_back(actions);
        draggingInLoop = tree.Dragging();
        return Qt::IgnoreAction;
    });
    tree.SetSelected(tree.TopItem(0));
    tree.startDrag(Qt::CopyAction);
    EXPECT_TRUE(dragged.empty());  // the top node is never dragged
    tree.SetSelected(Node({"src"}));
    tree.startDrag(Qt::CopyAction);
    SetDragExec(previous);
    ASSERT_EQ(dragged.size(), 1u);
    EXPECT_EQ(dragged[0], QList<QUrl>{QUrl::fromLocalFile(QString::fromStdString(home_ + "/src"))});
    EXPECT_EQ(allowed[0], Qt::CopyAction | Qt::MoveAction | Qt::LinkAction);
    EXPECT_TRUE(draggingInLoop);
    EXPECT_FALSE(tree.Dragging());
    EXPECT_EQ(tree.GetDragEffects(Node({"src", "inner"})), DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK);
}

TEST_F(ShellTreeLive, DelAsksAndMovesTheFolderToTheTrash) {
    MakeDir("junk/inside");
    TPTCustomShellTree& tree = MakeTree(home_, kLive);
    tree.show();
    tree.SetSelected(Node({"junk"}));
    ui_.answers.push_back(ShellAnswer::Yes);
    QTest::keyClick(&tree, Qt::Key_Delete);
    EXPECT_FALSE(Exists(home_ + "/junk"));
    EXPECT_TRUE(fs::is_directory(root_ + "/data/Trash/files/junk/inside"));
    EXPECT_EQ(ui_.questions.size(), 1u);
    EXPECT_TRUE(WaitFor([&] { return Node({"junk"}) == nullptr; }));
}

TEST_F(ShellTreeLive, RightClickCopyPutsTheFolderOnTheClipboard) {
    MakeDir("docs");
    HeldClipboard clipboard;
    TPTCustomShellTree& tree = MakeTree(home_, kLive & ~ptstoDynamicRefresh);
    tree.show();
    QTimer::singleShot(0, [&] {
        auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(popup, nullptr);
        SaveScreenshot(*popup, "_tree");
        for (QAction* action : popup->actions())
            if (action->text() == "&Copy") popup->setActiveAction(action);
        QTest::keyClick(popup, Qt::Key_Return);
    });
    const QPoint at = tree.visualItemRect(Node({"docs"})).center();
    QContextMenuEvent click(QContextMenuEvent::Mouse, at, tree.viewport()->mapToGlobal(at));
    QApplication::sendEvent(tree.viewport(), &click);
    const TClipboardFiles files = ClipboardFiles();
    EXPECT_EQ(files.paths, (std::vector<std::string>{home_ + "/docs"}));
    EXPECT_FALSE(files.cut);
}

}  // namespace
}  // namespace corvane::testing
