// The personal intranet view over a real intranet folder: a chosen file opens in the browser view
// once, and the view's own reload moves no browser.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QGuiApplication>
#include <QWindow>
#include <QMimeData>
#include <QTest>
#include <filesystem>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include "app/form_personal_intranet.h"
#include "engine/model/settings.h"
#include "shell/ui/ole_bridge.h"
#include "shell/ui/shell_tree.h"
#include "tests/engine/task_fixture.h"
#include "tests/shell/ns/recording_shell_ui.h"
#include "tests/support/gui_app.h"
#include "tests/support/real_display.h"
#include "tests/support/recording_app_host.h"
#include "tests/support/screenshot.h"

namespace corvane::testing {
namespace {

namespace fs = std::filesystem;
using Calls = std::vector<std::string>;

class IntranetView : public FreshHome {
protected:
    void SetUp() override {
        FreshHome::SetUp();
        intranet_ = home_ + "sites/";
        App->SetIntranetFolder(intranet_);
        for (const char* file : {"index.htm", "www.example.org/index.htm", "www.example.org/logo.gif"}) {
            fs::create_directories(fs::path(intranet_ + file).parent_path());
            std::ofstream(intranet_ + file) << file;
        }
    }
    void TearDown() override {
        form_.reset();
        FreshHome::TearDown();
    }

    shell::TTreeNode* Node(const std::vector<QString>& names) {
        shell::TPTShellTree& tree = *form_->tvIntranet;
        shell::TTreeNode* node = tree.TopCount() > 0 ? tree.TopItem(0) : nullptr;
        for (const QString& name : names) {
            shell::TTreeNode* next = nullptr;
            for (int i = 0; node != nullptr && i < node->Count(); ++i)
                if (node->Item(i)->Text() == name) next = node->Item(i);
            node = next;
        }
        return node;
    }
    void Click(const std::vector<QString>& names) {
        shell::TTreeNode* node = Node(names);
        ASSERT_NE(node, nullptr);
        shell::TPTShellTree& tree = *form_->tvIntranet;
        QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, tree.visualItemRect(node).center());
    }

    bool app_made_ = (GuiApp(), true);  // before the host's menu
    RecordingAppHost host_;
    std::string intranet_;
    std::unique_ptr<TFormPersonalIntranet> form_;
};

TEST_F(IntranetView, AChosenFileOpensInTheBrowserOnce) {
    form_ = std::make_unique<TFormPersonalIntranet>();
    form_->show();
    ASSERT_NE(Node({"index.htm"}), nullptr) << "files are shown too";
    EXPECT_EQ(host_.calls, Calls{}) << "showing the view leaves the browser where it is";

    Click({"index.htm"});
    EXPECT_EQ(host_.calls, Calls{"ShowBrowserView(" + intranet_ + "index.htm)"});
    Click({"index.htm"});
    EXPECT_EQ(host_.calls.size(), 1u) << "the node already selected";
    // A refresh (F5) selects the same node again.
    QTest::keyClick(form_->tvIntranet, Qt::Key_F5);
    EXPECT_EQ(host_.calls.size(), 1u);

    Node({"www.example.org"})->setExpanded(true);
    Click({"www.example.org", "logo.gif"});
    EXPECT_EQ(host_.calls.back(), "ShowBrowserView(" + intranet_ + "www.example.org/logo.gif)");
    testing::SaveScreenshot(*form_);

    // Shown again: reloaded with what is there now, the browser left alone.
    std::ofstream(intranet_ + "new.htm") << "new";
    form_->hide();
    form_->show();
    EXPECT_NE(Node({"new.htm"}), nullptr);
    EXPECT_EQ(host_.calls.size(), 2u);
    Click({"new.htm"});
    EXPECT_EQ(host_.calls.back(), "ShowBrowserView(" + intranet_ + "new.htm)");
    // The top node is the intranet folder itself.
    form_->tvIntranet->setFocus();
    QTest::keyClick(form_->tvIntranet, Qt::Key_Home);
    EXPECT_EQ(host_.calls.back(), "ShowBrowserView(" + intranet_.substr(0, intranet_.size() - 1) + ")");
}

using UserPathsIntranetDrag = IntranetView;

TEST_F(UserPathsIntranetDrag, AFolderDraggedOntoAnotherMovesIntoItAndLeavesNoWindow) {
    fs::create_directories(intranet_ + "a");
    fs::create_directories(intranet_ + "b");
    std::ofstream(intranet_ + "a/page.htm") << "a";
    RecordingShellUi ui;
    form_ = std::make_unique<TFormPersonalIntranet>();
    form_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form_.get()));
    shell::TPTShellTree& tree = *form_->tvIntranet;
    QWidget* viewport = tree.viewport();
    ASSERT_NE(Node({"a"}), nullptr);
    ASSERT_NE(Node({"b"}), nullptr);
    const QPoint from = tree.visualItemRect(Node({"a"})).center();
    const QPoint onto = tree.visualItemRect(Node({"b"})).center();
    const auto windows_before = QApplication::topLevelWidgets().size();

    // The drag loop as Qt runs it: the enter comes where the drag starts, over the dragged folder
    // itself; only a widget that took the enter gets the moves, to the other folder, and the drop.
    bool dragged = false;
    const shell::TDragExec previous = shell::SetDragExec([&](QDrag& drag, Qt::DropActions allowed) {
        dragged = true;
        QDragEnterEvent enter(from, allowed, drag.mimeData(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &enter);
        if (!enter.isAccepted()) return Qt::IgnoreAction;
        QDragMoveEvent move(onto, allowed, drag.mimeData(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &move);
        if (!move.isAccepted()) return Qt::IgnoreAction;
        QDropEvent drop(QPointF(onto), allowed, drag.mimeData(), Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &drop);
        return drop.dropAction();
    });
    QTest::mousePress(viewport, Qt::LeftButton, {}, from);
    QTest::mouseMove(viewport, from + QPoint(QApplication::startDragDistance() + 4, 0));
    QTest::mouseMove(viewport, onto);
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, onto);
    shell::SetDragExec(previous);

    ASSERT_TRUE(dragged);
    EXPECT_TRUE(QTest::qWaitFor([&] { return fs::exists(intranet_ + "b/a/page.htm"); }, 5000));
    EXPECT_FALSE(fs::exists(intranet_ + "a"));
    EXPECT_EQ(Node({"a"}), nullptr) << "the moved folder leaves the tree";
    Node({"b"})->setExpanded(true);
    EXPECT_NE(Node({"b", "a"}), nullptr);
    int shown = 0;
    for (QWidget* window : QApplication::topLevelWidgets()) shown += window->isVisible() ? 1 : 0;
    EXPECT_EQ(shown, 1) << "only the view itself is on screen";
    EXPECT_LE(QApplication::topLevelWidgets().size(), windows_before + 1);
    testing::SaveScreenshot(*form_, QStringLiteral("-drag"));
}

// The same drag through a real X server: the pointer is moved by xdotool, so Qt's own drag loop
// runs. ctest runs it on a virtual display (run_on_display.sh); offscreen it has nothing to drive.
TEST_F(UserPathsIntranetDrag, ARealDragUnderXMovesTheFolderAndLeavesNoWindowMapped) {
    REQUIRE_REAL_DISPLAY(QGuiApplication::platformName() == QStringLiteral("xcb"), "needs an X display");
    REQUIRE_REAL_DISPLAY(std::system("command -v xdotool >/dev/null 2>&1") == 0, "needs xdotool");
    fs::create_directories(intranet_ + "a");
    fs::create_directories(intranet_ + "b");
    std::ofstream(intranet_ + "a/page.htm") << "a";
    RecordingShellUi ui;
    form_ = std::make_unique<TFormPersonalIntranet>();
    form_->move(40, 40);
    form_->show();
    form_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form_.get()));
    shell::TPTShellTree& tree = *form_->tvIntranet;
    ASSERT_NE(Node({"a"}), nullptr);
    ASSERT_NE(Node({"b"}), nullptr);
    const QPoint from = tree.viewport()->mapToGlobal(tree.visualItemRect(Node({"a"})).center());
    const QPoint onto = tree.viewport()->mapToGlobal(tree.visualItemRect(Node({"b"})).center());
    const auto at = [](QPoint p) { return std::to_string(p.x()) + " " + std::to_string(p.y()); };
    const std::string script = "(xdotool mousemove " + at(from) + " sleep 0.3 mousedown 1 sleep 0.2 mousemove " +
                               at(from + QPoint(8, 2)) + " sleep 0.2 mousemove " + at(from + QPoint(16, 6)) +
                               " sleep 0.3 mousemove " + at(onto + QPoint(1, 0)) + " sleep 0.3 mousemove " + at(onto) +
                               " sleep 0.5 mouseup 1) >/dev/null 2>&1 &";
    ASSERT_EQ(std::system(script.c_str()), 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return fs::exists(intranet_ + "b/a/page.htm"); }, 15000));
    EXPECT_FALSE(fs::exists(intranet_ + "a"));
    QTest::qWait(500);
    for (QWindow* window : QGuiApplication::allWindows()) {
        if (window == form_->windowHandle()) continue;
        EXPECT_FALSE(window->isVisible()) << window->metaObject()->className() << " " << window->width() << "x"
                                          << window->height() << " is left on screen";
    }
    testing::SaveScreenshot(*form_, QStringLiteral("-real-drag"));
}

}  // namespace
}  // namespace corvane::testing
