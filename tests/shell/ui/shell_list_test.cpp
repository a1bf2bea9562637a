// The shell list on real folders of a scratch home: filling and masks, the link to a tree, sorting by
// the header, opening and navigating, the keys, drags of its own items, and changes made by others.

#include <gtest/gtest.h>
#include <unistd.h>

#include <QHBoxLayout>
#include <QHeaderView>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QLineEdit>
#include <QMenu>
#include <QTimer>
#include <QScrollBar>
#include <QSplitter>
#include <QTest>

#include <filesystem>

#include "platform/launch/launcher.h"
#include "shell/ns/shell_clipboard.h"
#include "shell/ui/ole_bridge.h"
#include "shell/ui/shell_list.h"
#include "tests/shell/ns/fs_helpers.h"
#include "tests/shell/ui/shell_tree_fixture.h"
#include "tests/support/launch_recorder.h"
#include "tests/support/screenshot.h"

namespace corvane::testing {
namespace {

using namespace shell;
using Texts = std::vector<std::string>;
namespace fs = std::filesystem;

constexpr TPTShellListOptions kPlain = kDefaultShellListOptions & ~ptsloAutoFill & ~ptsloDynamicRefresh;

class ShellList : public ShellTreeFixture {
protected:
    void SetUp() override {
        ShellTreeFixture::SetUp();
        ::setenv("CORVANE_HOME", (root_ + "/corvane").c_str(), 1);
        SetCaptureFolder("list", home_);
        TPTCustomShellList::ForgetColumnWidths();
    }
    void TearDown() override {
        list_.reset();
        ClearCaptureFolders();
        ShellTreeFixture::TearDown();
    }

    TPTShellList& MakeList(const std::string& folder, TPTShellListOptions options) {
        list_ = std::make_unique<TPTShellList>(nullptr, timing_);
        list_->resize(560, 300);
        list_->SetOptions(options);
        if (!folder.empty()) {
            TPTShellLocator locator;
            locator.SetPath(folder);
            list_->SetFolder(&locator);
        }
        return *list_;
    }
    Texts Names() const {
        Texts names;
        for (int row = 0; row < list_->Items().Count(); ++row)
            names.push_back(list_->ItemData(row) != nullptr ? list_->ItemData(row)->DisplayName() : "-");
        return names;
    }
    int Row(const std::string& name) const {
        const Texts names = Names();
        const auto at = std::find(names.begin(), names.end(), name);
        return at == names.end() ? -1 : static_cast<int>(at - names.begin());
    }
    void Select(const Texts& names) {
        list_->clearSelection();
        for (const std::string& name : names)
            list_->selectionModel()->select(list_->Items().index(Row(name), 0),
                                            QItemSelectionModel::Select | QItemSelectionModel::Rows);
        if (!names.empty())
            list_->selectionModel()->setCurrentIndex(list_->Items().index(Row(names.front()), 0),
                                                     QItemSelectionModel::NoUpdate);
    }
    POINTL Global(QPoint viewportPoint) const {
        const QPoint global = list_->viewport()->mapToGlobal(viewportPoint);
        return POINTL{global.x(), global.y()};
    }
    void ClickHeader(int section) {
        QHeaderView* header = list_->header();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(section) + 10, header->height() / 2));
    }

    LaunchRecorder launcher_;
    std::unique_ptr<TPTShellList> list_;
    SavedEnv savedCorvaneHome_{"CORVANE_HOME"};
};

TEST_F(ShellList, EmptyAndVanishedFoldersListNothingWithoutAMessage) {
    MakeDir("empty");
    TPTShellList& list = MakeList(home_ + "/empty", kPlain);
    EXPECT_EQ(list.Items().Count(), 0);
    MakeFile("gone/a.txt");
    list.Folder().SetPath(home_ + "/gone");
    EXPECT_EQ(Names(), (Texts{"a.txt"}));
    std::vector<std::string> deleted;
    list.OnDeleteItem = [&](TPTCustomShellList&, int, TPTShListData* data) { deleted.push_back(data->DisplayName()); };
    // Opening the folder shown gives the same rows again.
    list.Navigate(list.FolderIdList());
    EXPECT_EQ(Names(), (Texts{"a.txt"}));
    fs::remove_all(home_ + "/gone");
    list.Reload();
    EXPECT_EQ(list.Items().Count(), 0);
    EXPECT_EQ(deleted, (Texts{"a.txt", "a.txt"}));
    list.Refresh();
    EXPECT_EQ(list.Items().Count(), 0);
    EXPECT_TRUE(ui_.warnings.empty());
    EXPECT_TRUE(ui_.questions.empty());
}

TEST_F(ShellList, MasksFilterFilesByNameWhileFoldersAlwaysPass) {
    MakeFile("index.htm");
    MakeFile("LOUD.HTM");
    MakeFile("notes.txt");
    MakeFile("README");
    MakeDir("pages");
    TPTShellList& list = MakeList("", kPlain);
    for (const char* all : {"*", "*.*", "*.txt; *.*"}) {
        list.SetFileMask(all);
        list.Folder().SetPath(home_);
        list.Reload();
        EXPECT_EQ(Names(), (Texts{"pages", "index.htm", "LOUD.HTM", "notes.txt", "README"})) << all;
    }
    list.SetFileMask("*.htm");
    list.Reload();
    EXPECT_EQ(Names(), (Texts{"pages", "index.htm", "LOUD.HTM"}));
    // The add-item event still decides after the masks.
    list.OnAddItem = [](TPTCustomShellList&, IShellFolder*, PCItemIDList, PCItemIDList item, std::uint32_t,
                        bool& allow) { allow = ItemName(item) != "LOUD.HTM"; };
    list.Reload();
    EXPECT_EQ(Names(), (Texts{"pages", "index.htm"}));
}

TEST_F(ShellList, ALinkedTreeWithFilesOnlyKeepsTheFoldersAndFollowsNavigation) {
    MakeDir("docs/inner");
    MakeFile("docs/a.txt");
    MakeFile("top.txt");
    TPTCustomShellTree& tree = MakeTree(home_, kDefaultShellTreeOptions & ~ptstoAutoFill & ~ptstoDynamicRefresh);
    TPTShellList& list = MakeList("", kPlain | ptsloFilesOnly);
    list.SetShellTree(&tree);
    EXPECT_EQ(list.Folder().Path(), home_);
    EXPECT_EQ(Names(), (Texts{"top.txt"}));
    tree.SetSelectedPath(home_ + "/docs");
    EXPECT_EQ(Names(), (Texts{"a.txt"}));
    // The tree opens the last folder too, since the list leaves the folders to it.
    EXPECT_TRUE(Node({"docs"})->isExpanded());
    // Backspace moves the tree, and the list follows.
    list.show();
    QTest::keyClick(&list, Qt::Key_Backspace);
    EXPECT_EQ(tree.GetSelectedPath(), home_);
    EXPECT_EQ(list.Folder().Path(), home_);

    // Without the option the folders are listed too; opening one selects it in the tree.
    list.SetOptions(kPlain);
    list.Reload();
    EXPECT_EQ(Names(), (Texts{"docs", "top.txt"}));
    Select({"docs"});
    QTest::keyClick(&list, Qt::Key_Return);
    EXPECT_EQ(tree.GetSelectedPath(), home_ + "/docs");
    EXPECT_EQ(Names(), (Texts{"inner", "a.txt"}));
    // The tree going away unlinks the list.
    tree_.reset();
    EXPECT_EQ(list.ShellTree(), nullptr);
}

TEST_F(ShellList, HeaderClicksTurnTheOrderAndAnotherColumnStartsAscending) {
    MakeFile("b.txt", std::string(3000, 'x'));
    MakeFile("a.txt", std::string(5000, 'x'));
    MakeFile("c.txt", "x");
    TPTShellList& list = MakeList(home_, kPlain);
    list.show();
    EXPECT_EQ(list.SortColumn(), 1);
    EXPECT_EQ(Names(), (Texts{"a.txt", "b.txt", "c.txt"}));
    ClickHeader(0);
    EXPECT_EQ(list.SortColumn(), -1);
    EXPECT_EQ(Names(), (Texts{"c.txt", "b.txt", "a.txt"}));
    ClickHeader(0);
    EXPECT_EQ(list.SortColumn(), 1);
    EXPECT_EQ(Names(), (Texts{"a.txt", "b.txt", "c.txt"}));
    ClickHeader(1);
    EXPECT_EQ(list.SortColumn(), 2);
    EXPECT_EQ(Names(), (Texts{"c.txt", "b.txt", "a.txt"}));
    // Rows without shell data compare equal and stay where they are.
    list.Items().AddRow({"plain"});
    list.SetSortColumn(-2);
    EXPECT_EQ(Names(), (Texts{"a.txt", "b.txt", "c.txt", "-"}));
}

TEST_F(ShellList, EnterOpensSeveralItemsAtOnceAndOneFolderOrFolderLinkByShowingIt) {
    MakeFile("one.htm");
    MakeFile("two.htm");
    MakeFile("target/inside.txt");
    ASSERT_EQ(::symlink((home_ + "/target").c_str(), (home_ + "/shortcut").c_str()), 0);
    TPTShellList& list = MakeList(home_, kPlain);
    list.show();
    Select({"one.htm", "two.htm", "target"});
    QTest::keyClick(&list, Qt::Key_Return);
    // One command for all three, folders included, and the folder stays.
    ASSERT_EQ(launcher_.Opened().size(), 3u);
    EXPECT_EQ(launcher_.Opened()[0].location, home_ + "/target");
    EXPECT_EQ(list.Folder().Path(), home_);

    Select({"shortcut"});
    QTest::keyClick(&list, Qt::Key_Return);
    EXPECT_EQ(Names(), (Texts{"inside.txt"}));
    EXPECT_EQ(launcher_.Opened().size(), 3u);
    int changed = 0;
    list.OnFolderChanged = [&](TPTCustomShellList&) { ++changed; };
    QTest::keyClick(&list, Qt::Key_Backspace);
    EXPECT_EQ(list.Folder().Path(), home_);
    EXPECT_EQ(changed, 1);
    // A double click opens as well.
    const QPoint at = list.visualRect(list.Items().index(Row("target"), 0)).center();
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(Names(), (Texts{"inside.txt"}));
}

TEST_F(ShellList, NoNavigationStopsFoldersAndBackspaceButFilesStillOpenUnlessHandled) {
    MakeDir("sub");
    MakeFile("page.htm");
    TPTShellList& list = MakeList(home_, kPlain | ptsloNoNavigation);
    list.show();
    Select({"sub"});
    QTest::keyClick(&list, Qt::Key_Return);
    QTest::keyClick(&list, Qt::Key_Backspace);
    EXPECT_EQ(list.Folder().Path(), home_);
    EXPECT_EQ(Names(), (Texts{"sub", "page.htm"}));
    Select({"page.htm"});
    QTest::keyClick(&list, Qt::Key_Return);
    ASSERT_EQ(launcher_.Opened().size(), 1u);
    EXPECT_EQ(launcher_.Opened()[0].location, home_ + "/page.htm");

    std::vector<int> asked;
    list.OnExecuteItem = [&](TPTCustomShellList&, int row, bool& handled) {
        asked.push_back(row);
        handled = true;
    };
    QTest::keyClick(&list, Qt::Key_Return);
    EXPECT_EQ(launcher_.Opened().size(), 1u);
    // A row of the application's own only asks the handler.
    const int plain = list.Items().AddRow({"plain"});
    list.OpenItem(plain);
    EXPECT_EQ(asked, (std::vector<int>{Row("page.htm"), plain}));
}

TEST_F(ShellList, RightClickCopyPutsEverySelectedItemOnTheClipboard) {
    MakeFile("one.txt");
    MakeFile("two.txt");
    HeldClipboard clipboard;
    TPTShellList& list = MakeList(home_, kPlain);
    list.show();
    Select({"one.txt", "two.txt"});
    QTimer::singleShot(0, [&] {
        auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(popup, nullptr);
        SaveScreenshot(*popup, "_list");
        for (QAction* action : popup->actions())
            if (action->text() == "&Copy") popup->setActiveAction(action);
        QTest::keyClick(popup, Qt::Key_Return);
    });
    const QPoint at = list.visualRect(list.Items().index(Row("two.txt"), 0)).center();
    QContextMenuEvent click(QContextMenuEvent::Mouse, at, list.viewport()->mapToGlobal(at));
    QApplication::sendEvent(list.viewport(), &click);
    EXPECT_EQ(ClipboardFiles().paths, (Texts{home_ + "/one.txt", home_ + "/two.txt"}));
}

TEST_F(ShellList, OwnItemsDroppedOnTheEmptyAreaCopyOrLinkWithTheRightButtonOnly) {
    MakeFile("one.txt", "1");
    TPTShellList& list = MakeList(home_, kPlain);
    list.show();
    EXPECT_EQ(list.GetDragEffects(), DROPEFFECT_NONE);  // nothing selected
    Select({"one.txt"});
    EXPECT_EQ(list.GetDragEffects(), DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK);
    const POINTL empty = Global(QPoint(100, list.viewport()->height() - 10));
    std::uint32_t entered = 0;
    std::uint32_t dropped = 0;
    bool right = true;
    const TDragExec previous = SetDragExec([&](QDrag&, Qt::DropActions) {
        ComPtr<IDataObject> data = FilesData(home_, {"one.txt"});
        const std::uint32_t buttons = right ? MK_RBUTTON : MK_LBUTTON;
        entered = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
        list.OleDragEnter(data.Get(), buttons, empty, &entered);
        dropped = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
        list.OleDrop(data.Get(), 0, empty, &dropped);
        return Qt::IgnoreAction;
    });
    ui_.dropChoices.push_back(DROPEFFECT_LINK);
    list.BeginOleDrag(true);
    EXPECT_EQ(entered, DROPEFFECT_COPY);
    ASSERT_EQ(ui_.dropMenus.size(), 1u);
    EXPECT_EQ(ui_.dropMenus[0].first, DROPEFFECT_COPY | DROPEFFECT_LINK);
    EXPECT_EQ(dropped, DROPEFFECT_LINK);
    EXPECT_EQ(CountEntries(home_), 2u);

    right = false;
    list.Reload();
    Select({"one.txt"});
    list.BeginOleDrag(false);
    SetDragExec(previous);
    EXPECT_EQ(entered, DROPEFFECT_NONE);
    EXPECT_EQ(ui_.dropMenus.size(), 1u);
    EXPECT_EQ(CountEntries(home_), 2u);
    EXPECT_FALSE(list.Dragging());
}

TEST_F(ShellList, TheRightButtonDragsOwnItemsToTheEmptyAreasMenuOrOpensTheItemMenuOnRelease) {
    MakeFile("one.txt", "1");
    MakeFile("two.txt", "2");
    TPTShellList& list = MakeList(home_, kPlain);
    list.show();
    QWidget* viewport = list.viewport();
    const QPoint empty(100, viewport->height() - 10);
    std::vector<Qt::MouseButtons> held;
    const TDragExec previous = SetDragExec([&](QDrag& drag, Qt::DropActions allowed) {
        // As the drag loop does: the buttons still held go with the enter, none with the drop.
        held.push_back(QGuiApplication::mouseButtons());
        QDragEnterEvent enter(empty, allowed, drag.mimeData(), held.back(), Qt::NoModifier);
        QApplication::sendEvent(viewport, &enter);
        QDropEvent drop(QPointF(empty), allowed, drag.mimeData(), Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &drop);
        return drop.dropAction();
    });
    std::vector<QPoint> menus;  // where each menu showed
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (popup == nullptr) return;
        menus.push_back(popup->pos());
        if (menus.size() == 1) SaveScreenshot(*popup, "_right_release");
        popup->close();
    });
    answer.start(0);
    // Through the window, as the system hands it over: Qt tracks the buttons and asks for the menu.
    const auto right = [&](QTest::MouseAction action, QPoint at) {
        QTest::mouseEvent(action, list.windowHandle(), Qt::RightButton, {}, viewport->mapTo(&list, at));
    };
    QTest::mouseRelease(list.windowHandle(), Qt::LeftButton);  // a double click before may leave it held
    const QPoint one = list.visualRect(list.Items().index(Row("one.txt"), 0)).center();
    const QPoint two = list.visualRect(list.Items().index(Row("two.txt"), 0)).center();
    const QPoint away = one + QPoint(QApplication::startDragDistance() + 1, 0);

    ui_.dropChoices.push_back(DROPEFFECT_LINK);
    right(QTest::MousePress, one);
    right(QTest::MouseMove, away);
    right(QTest::MouseRelease, away);
    EXPECT_EQ(held, std::vector<Qt::MouseButtons>{Qt::RightButton});
    ASSERT_EQ(ui_.dropMenus.size(), 1u);
    EXPECT_EQ(ui_.dropMenus[0].first, DROPEFFECT_COPY | DROPEFFECT_LINK);
    EXPECT_EQ(CountEntries(home_), 3u);  // the link
    EXPECT_TRUE(menus.empty());

    // A shorter move: the item's menu waits for the release and shows where the button went down.
    right(QTest::MousePress, two);
    right(QTest::MouseMove, two + QPoint(1, 0));
    EXPECT_TRUE(menus.empty());
    right(QTest::MouseRelease, two + QPoint(1, 0));
    EXPECT_EQ(menus, std::vector<QPoint>{viewport->mapToGlobal(two)});

    // The menu key's menu comes at once; where nothing may be dragged, the right button's on the press.
    QContextMenuEvent key(QContextMenuEvent::Keyboard, QPoint(), list.mapToGlobal(QPoint()));
    QApplication::sendEvent(&list, &key);
    EXPECT_EQ(menus.size(), 2u);
    list.SetOptions(kPlain & ~ptsloOleDrag);
    right(QTest::MousePress, one);
    EXPECT_EQ(menus.size(), 3u);
    right(QTest::MouseMove, away);
    right(QTest::MouseRelease, away);
    SetDragExec(previous);
    EXPECT_EQ(menus.size(), 3u);
    EXPECT_EQ(held.size(), 1u);
}

TEST_F(ShellList, OverARowWithoutShellDataTheDragCopiesAndNeverScrolls) {
    for (int i = 0; i < 40; ++i) MakeFile("f" + std::to_string(i) + ".txt");
    TPTShellList& list = MakeList(home_, kPlain);
    auto now = std::chrono::steady_clock::now();
    list.SetClock([&] { return now; });
    list.show();
    const int plain = list.Items().AddRow({"plain"});
    list.scrollTo(list.Items().index(plain, 0));
    const QPoint bottom = list.visualRect(list.Items().index(plain, 0)).bottomLeft() + QPoint(5, -2);
    ASSERT_GT(bottom.y(), list.viewport()->height() - 20);
    ComPtr<IDataObject> data = FilesData(home_, {"f1.txt"});
    std::uint32_t effect = DROPEFFECT_MOVE;
    list.OleDragEnter(data.Get(), MK_LBUTTON, Global(bottom), &effect);
    now += std::chrono::seconds(1);
    effect = DROPEFFECT_MOVE;
    EXPECT_EQ(list.OleDragOver(MK_LBUTTON, Global(bottom), &effect), S_OK);
    EXPECT_EQ(effect, DROPEFFECT_COPY);
    EXPECT_FALSE(list.Scrolled());
    // Over a file at the top edge it scrolls back, once per pause.
    const QPoint top(5, 2);
    const int before = list.verticalScrollBar()->value();
    now += std::chrono::seconds(1);
    list.OleDragOver(MK_LBUTTON, Global(top), &effect);
    EXPECT_TRUE(list.Scrolled());
    EXPECT_EQ(list.verticalScrollBar()->value(), before - 1);
    list.OleDragOver(MK_LBUTTON, Global(top), &effect);
    EXPECT_FALSE(list.Scrolled());
    list.OleDragLeave();
}

TEST_F(ShellList, KeysSelectAllRenameDeleteToTheTrashAndGoUp) {
    MakeFile("sub/old.txt", "keep");
    MakeFile("sub/junk.txt");
    TPTShellList& list = MakeList(home_ + "/sub", kPlain);
    list.show();
    QApplication::setActiveWindow(&list);
    QTest::keyClick(&list, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(list.SelCount(), 2);

    Select({"old.txt"});
    QTest::keyClick(&list, Qt::Key_F2);
    ASSERT_NE(list.Editor(), nullptr);
    Commit(list.Editor(), "new.txt");
    EXPECT_EQ(ReadText(home_ + "/sub/new.txt"), "keep");
    EXPECT_FALSE(Exists(home_ + "/sub/old.txt"));
    EXPECT_EQ(Names(), (Texts{"junk.txt", "new.txt"}));
    // Escape leaves the name.
    QTest::keyClick(&list, Qt::Key_F2);
    Commit(list.Editor(), "other.txt", Qt::Key_Escape);
    EXPECT_TRUE(Exists(home_ + "/sub/new.txt"));

    Select({"junk.txt"});
    ui_.answers.push_back(ShellAnswer::Yes);
    QTest::keyClick(&list, Qt::Key_Delete);
    EXPECT_FALSE(Exists(home_ + "/sub/junk.txt"));
    EXPECT_TRUE(Exists(root_ + "/data/Trash/files/junk.txt"));
    QTest::keyClick(&list, Qt::Key_F5);
    EXPECT_EQ(Names(), (Texts{"new.txt"}));

    QTest::keyClick(&list, Qt::Key_Backspace);
    EXPECT_EQ(list.Folder().Path(), home_);
    EXPECT_EQ(Names(), (Texts{"sub"}));
}

TEST_F(ShellList, AFileMadeByAnotherProcessAppearsAfterThePauseWithTheSelectionKept) {
    MakeFile("b.txt");
    MakeFile("d.txt");
    TPTShellList& list = MakeList(home_, kPlain | ptsloDynamicRefresh);
    list.show();
    Select({"d.txt"});
    ASSERT_EQ(std::system(("touch '" + home_ + "/a.txt' && rm '" + home_ + "/b.txt'").c_str()), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Names() == Texts{"a.txt", "d.txt"}; }, 3000)) << Names().size();
    ASSERT_EQ(list.SelCount(), 1);
    EXPECT_EQ(list.Selected(), Row("d.txt"));

    // During a drag a change only marks the list; the drag's end reloads it.
    const TDragExec previous = SetDragExec([&](QDrag&, Qt::DropActions) {
        MakeFile("c.txt");
        EXPECT_TRUE(QTest::qWaitFor([&] { return list.RefreshPending(); }, 3000));
        return Qt::IgnoreAction;
    });
    list.BeginOleDrag(false);
    SetDragExec(previous);
    EXPECT_EQ(Names(), (Texts{"a.txt", "c.txt", "d.txt"}));
}

TEST_F(ShellList, ColumnsStartAtTheirWidthsAndTheLastListsWidthsPassOn) {
    TPTShellList& first = MakeList("", kPlain);
    ASSERT_EQ(first.Items().ColumnCount(), 4);
    EXPECT_EQ(first.Items().headerData(1, Qt::Horizontal).toString(), "Size");
    EXPECT_EQ(first.Items().ColumnAlignment(1), Qt::Alignment(Qt::AlignRight));
    EXPECT_EQ((std::vector<int>{first.columnWidth(0), first.columnWidth(1), first.columnWidth(2), first.columnWidth(3)}),
              (std::vector<int>{200, 60, 100, 120}));
    first.setColumnWidth(0, 150);
    list_.reset();
    TPTShellList& second = MakeList("", kPlain);
    EXPECT_EQ(second.columnWidth(0), 150);
    EXPECT_EQ(second.columnWidth(3), 120);
}

TEST_F(ShellList, TreeAndListSideBySide) {
    MakeFile("My Sites/news/index.htm", std::string(2100, 'x'));
    MakeFile("My Sites/news/logo.gif", std::string(40000, 'x'));
    MakeFile("My Sites/news/notes.txt", "n");
    MakeDir("My Sites/news/images");
    MakeDir("Downloads");
    QWidget host;
    host.setObjectName("PTShellList");
    auto* layout = new QHBoxLayout(&host);
    auto* splitter = new QSplitter(&host);
    layout->addWidget(splitter);
    auto* tree = new TPTShellTree(splitter, timing_);
    tree->SetOptions(kDefaultShellTreeOptions & ~ptstoAutoFill & ~ptstoDynamicRefresh);
    TPTShellLocator base;
    base.SetPath(home_);
    tree->SetBaseFolder(&base);
    tree->Reload();
    auto* list = new TPTShellList(splitter, timing_);
    list->SetOptions(kPlain);
    list->SetShellTree(tree);
    // The application colours its own kinds of files.
    std::vector<std::string> drawn;
    list->OnCustomDrawSh = [&](TPTCustomShellList&, TPTCustomDraw& draw, int, TPTShListData* data) {
        if (data == nullptr) return;
        drawn.push_back(data->DisplayName());
        if (data->DisplayName().ends_with(".htm")) draw.SetFontColor(Qt::darkGreen);
    };
    splitter->setSizes({180, 560});
    host.resize(760, 320);
    host.show();
    tree->SetSelectedPath(home_ + "/My Sites/news");
    ASSERT_EQ(list->Folder().Path(), home_ + "/My Sites/news");
    ASSERT_EQ(list->Items().Count(), 4);
    list->selectionModel()->select(list->Items().index(2, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QTest::qWait(20);
    list->viewport()->repaint();
    EXPECT_NE(std::find(drawn.begin(), drawn.end(), "notes.txt"), drawn.end());
    SaveScreenshot(host);
}

}  // namespace
}  // namespace corvane::testing
