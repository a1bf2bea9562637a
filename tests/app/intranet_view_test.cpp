// The personal intranet view over a real intranet folder: a chosen file opens in the browser view
// once, and the view's own reload moves no browser.

#include <gtest/gtest.h>

#include <QTest>
#include <filesystem>
#include <fstream>
#include <memory>

#include "app/form_personal_intranet.h"
#include "engine/model/settings.h"
#include "shell/ui/shell_tree.h"
#include "tests/engine/task_fixture.h"
#include "tests/support/gui_app.h"
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

}  // namespace
}  // namespace corvane::testing
