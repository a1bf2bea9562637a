// Context menus, node deletion, images and colours of the tree and list bases, driven by mouse and
// keys as a user would.

#include <gtest/gtest.h>

#include <QApplication>
#include <QMenu>
#include <QTest>
#include <QWindow>
#include <vector>

#include "shell/ns/sys_icons.h"
#include "shell/ui/custom_tree_list.h"
#include "tests/shell/ns/recording_shell_ui.h"
#include "tests/support/gui_app.h"

namespace corvane::testing {
namespace {

using namespace shell;

struct Shown {
    QMenu* menu;
    QPoint at;
};

class TestTree : public TPTCustomTreeView {
public:
    std::vector<Shown> shown;
    std::vector<std::pair<TTreeNode*, void*>> deleting;
    int imageAsks = 0;

protected:
    void ShowPopup(QMenu& menu, QPoint at) override {
        shown.push_back({&menu, at});
        TPTCustomTreeView::ShowPopup(menu, at);
        menu.close();
    }
    void DeletingNode(TTreeNode* node) override { deleting.emplace_back(node, node->Data); }
    void GetImageIndex(TTreeNode* node) override {
        ++imageAsks;
        if (node->ImageIndex() < 0) node->SetImageIndex(SysIconIndex("folder"));
    }
};

class TestList : public TPTCustomListView {
public:
    std::vector<Shown> shown;
    std::vector<std::pair<int, int>> textAsks;

protected:
    void ShowPopup(QMenu& menu, QPoint at) override {
        shown.push_back({&menu, at});
        menu.close();
    }
    QString GetItemText(int row, int column) override {
        textAsks.emplace_back(row, column);
        return QStringLiteral("row %1").arg(row);
    }
};

// A right click as the window system delivers it, so that Qt makes the context-menu event itself.
void RightClick(QWidget& viewport, QPoint at) {
    QWindow* window = viewport.window()->windowHandle();
    ASSERT_NE(window, nullptr);
    const QPoint inWindow = viewport.mapTo(viewport.window(), at);
    QTest::mouseClick(window, Qt::RightButton, {}, inWindow);
    QApplication::processEvents();
}

// The application object, made before the fixture's widgets.
struct AppFirst {
    AppFirst() { GuiApp(); }
};

class TreeListBase : public ::testing::Test {
protected:
    void SetUp() override {
        tree_.resize(240, 200);
        a_ = tree_.AddChild(nullptr, "alpha");
        b_ = tree_.AddChild(nullptr, "beta");
        tree_.OnGetPopupMenu = [this](TPTCustomTreeView&, TTreeNode* node, QPoint point, QMenu*& menu) {
            asked_.push_back({node, point});
            if (swap_ != nullptr) menu = swap_;
        };
        tree_.SetPopupMenu(&popup_);
        popup_.addAction("Item");
        connect_ = QObject::connect(&popup_, &QMenu::aboutToShow, [this] { ++opened_; });
        tree_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&tree_));
    }
    void TearDown() override { QObject::disconnect(connect_); }

    struct Asked {
        TTreeNode* node;
        QPoint point;
    };
    AppFirst app_;
    QMenu popup_;
    QMenu* swap_ = nullptr;
    TestTree tree_;
    TTreeNode* a_ = nullptr;
    TTreeNode* b_ = nullptr;
    std::vector<Asked> asked_;
    int opened_ = 0;
    QMetaObject::Connection connect_;
};

TEST_F(TreeListBase, RightClickOpensOneMenuForTheNode) {
    const QPoint onBeta = tree_.visualItemRect(b_).center();
    RightClick(*tree_.viewport(), onBeta);
    ASSERT_EQ(asked_.size(), 1u);
    EXPECT_EQ(asked_[0].node, b_);
    EXPECT_EQ(asked_[0].point, onBeta);
    ASSERT_EQ(tree_.shown.size(), 1u);
    EXPECT_EQ(tree_.shown[0].at, tree_.viewport()->mapToGlobal(onBeta));
    EXPECT_EQ(opened_, 1);

    // The hook may swap the menu.
    QMenu other;
    swap_ = &other;
    RightClick(*tree_.viewport(), tree_.visualItemRect(a_).center());
    ASSERT_EQ(tree_.shown.size(), 2u);
    EXPECT_EQ(tree_.shown[1].menu, &other);
}

TEST_F(TreeListBase, EmptySpaceGivesNothingFromTheNodePath) {
    const QPoint empty(120, 180);
    ASSERT_EQ(tree_.NodeAt(empty), nullptr);
    tree_.SetSelected(a_);
    RightClick(*tree_.viewport(), empty);
    EXPECT_TRUE(asked_.empty());
    ASSERT_EQ(tree_.shown.size(), 1u);  // the control's own menu, as usual
    EXPECT_EQ(tree_.shown[0].menu, &popup_);

    tree_.SetSelected(nullptr);
    RightClick(*tree_.viewport(), empty);
    ASSERT_EQ(asked_.size(), 1u);
    EXPECT_EQ(asked_[0].node, nullptr);
    EXPECT_EQ(tree_.shown.size(), 2u);
}

TEST_F(TreeListBase, KeysOpenTheMenuAtTheSelection) {
    tree_.SetSelected(b_);
    const QPoint centre = tree_.DisplayRect(b_, true).center();
    EXPECT_LT(tree_.DisplayRect(b_, true).width(), tree_.DisplayRect(b_, false).width());
    QTest::keyClick(&tree_, Qt::Key_F10, Qt::ShiftModifier);
    QTest::keyClick(&tree_, Qt::Key_Menu);
    ASSERT_EQ(asked_.size(), 2u);
    for (const Asked& asked : asked_) {
        EXPECT_EQ(asked.node, b_);
        EXPECT_EQ(asked.point, centre);
    }
    // F10 alone and Ctrl+Menu are no menu keys.
    QTest::keyClick(&tree_, Qt::Key_F10);
    QTest::keyClick(&tree_, Qt::Key_Menu, Qt::ControlModifier);
    EXPECT_EQ(asked_.size(), 2u);

    tree_.SetSelected(nullptr);
    QTest::keyClick(&tree_, Qt::Key_Menu);
    EXPECT_EQ(asked_.size(), 2u);
    ASSERT_EQ(tree_.shown.size(), 3u);
    EXPECT_EQ(tree_.shown[2].menu, &popup_);
    EXPECT_EQ(tree_.shown[2].at, tree_.mapToGlobal(QPoint(0, 0)));
}

TEST_F(TreeListBase, AHandlersExceptionBecomesAWarning) {
    RecordingShellUi ui;
    tree_.OnGetPopupMenu = [](TPTCustomTreeView&, TTreeNode*, QPoint, QMenu*&) {
        throw EShellError("menu failed");
    };
    tree_.SetSelected(a_);
    QTest::keyClick(&tree_, Qt::Key_Menu);
    EXPECT_EQ(ui.warnings, std::vector<std::string>{"menu failed"});
    EXPECT_TRUE(tree_.shown.empty());

    // A failing draw handler: one warning after the paint, not one per item and repaint.
    tree_.OnTvCustomDraw = [](TPTCustomTreeView&, TPTCustomDraw&, TTreeNode*) { throw EShellError("draw failed"); };
    tree_.grab();
    EXPECT_EQ(ui.warnings.size(), 1u);
    QApplication::processEvents();
    tree_.grab();
    QApplication::processEvents();
    EXPECT_EQ(ui.warnings, (std::vector<std::string>{"menu failed", "draw failed"}));
}

TEST_F(TreeListBase, EveryNodeGoesThroughDeletingNodeWithItsData) {
    int data[4] = {};
    a_->Data = &data[0];
    TTreeNode* child = tree_.AddChild(a_, "child", &data[1]);
    tree_.AddChild(child, "grandchild", &data[2]);
    delete b_;
    ASSERT_EQ(tree_.deleting.size(), 1u);
    EXPECT_EQ(tree_.deleting[0].first, b_);
    tree_.clear();  // also the view's own clear
    EXPECT_EQ(tree_.deleting.size(), 4u);
    EXPECT_EQ(tree_.deleting[1].second, &data[0]);
    EXPECT_EQ(tree_.TopCount(), 0);

    auto* owned = new TestTree;
    owned->AddChild(owned->AddChild(nullptr, "x", &data[3]), "y");
    owned->Clear();
    EXPECT_EQ(owned->deleting.size(), 2u);
    owned->AddChild(nullptr, "z");
    delete owned;  // nodes left at destruction go without reaching a half-destroyed view
}

TEST_F(TreeListBase, ImagesAskedWhenDrawnAndColours) {
    TSysImageList images;
    tree_.SetImages(&images);
    a_->SetOverlayIndex(kOverlayLink);
    a_->SetHasChildren(true);
    EXPECT_TRUE(a_->HasChildren());
    EXPECT_FALSE(b_->HasChildren());
    EXPECT_EQ(a_->ImageIndex(), -1);
    tree_.grab();
    EXPECT_GE(tree_.imageAsks, 2);
    EXPECT_EQ(a_->ImageIndex(), SysIconIndex("folder"));

    tree_.SetColor(QColor(10, 20, 30));
    tree_.SetFontColor(QColor(200, 0, 0));
    EXPECT_EQ(tree_.palette().color(QPalette::Base), QColor(10, 20, 30));
    EXPECT_EQ(tree_.palette().color(QPalette::Text), QColor(200, 0, 0));
    tree_.SetColor(QColor());  // clNone: the default again
    EXPECT_EQ(tree_.palette().color(QPalette::Base), QApplication::palette(&tree_).color(QPalette::Base));
}


TEST_F(TreeListBase, ListMenusAndTextsOnDemand) {
    TestList list;
    list.resize(240, 200);
    list.Items().AddColumn("Name");
    list.Items().AddColumn("Size");
    for (int i = 0; i < 3; ++i) list.Items().AddRow({"", ""});
    std::vector<int> items;
    list.OnGetPopupMenu = [&](TPTCustomListView&, int item, QPoint, QMenu*& menu) {
        items.push_back(item);
        menu = &popup_;
    };
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    QApplication::processEvents();
    EXPECT_FALSE(list.textAsks.empty());
    EXPECT_EQ(list.model()->data(list.model()->index(0, 0)).toString(), "");  // asked, never stored

    const QModelIndex second = list.model()->index(1, 0);
    RightClick(*list.viewport(), list.visualRect(second).center());
    ASSERT_EQ(items, std::vector<int>{1});
    EXPECT_EQ(list.shown.size(), 1u);

    // Keyboard: the focused, selected row; nothing selected: the control's menu at its corner.
    list.setCurrentIndex(list.model()->index(2, 0));
    QTest::keyClick(&list, Qt::Key_F10, Qt::ShiftModifier);
    ASSERT_EQ(items, (std::vector<int>{1, 2}));
    list.clearSelection();
    list.SetPopupMenu(&popup_);
    QTest::keyClick(&list, Qt::Key_Menu);
    EXPECT_EQ(items.size(), 2u);
    ASSERT_EQ(list.shown.size(), 3u);
    EXPECT_EQ(list.shown[2].at, list.mapToGlobal(QPoint(0, 0)));
}

}  // namespace
}  // namespace corvane::testing
