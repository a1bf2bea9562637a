// The unzip dialog over a real folder tree in a scratch home: the tree fills the target, the stored
// folder survives the tree's moves, and Unzip stores what the preferences ask for.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <filesystem>
#include <memory>

#include "archive/form_extract.h"
#include "engine/model/registry_routines.h"
#include "engine/model/settings.h"
#include "shell/ns/volumes.h"
#include "shell/ui/shell_tree.h"
#include "tests/engine/task_fixture.h"
#include "tests/support/gui_app.h"
#include "tests/support/scoped_env.h"
#include "tests/support/screenshot.h"
#include "tests/support/scripted_dialogs.h"
#include "widgets/lang_adapters/widget_lang_adapters.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;

class FormExtract : public testing::FreshHome {
protected:
    void SetUp() override {
        RegisterWidgetLangAdapters();
        FreshHome::SetUp();
        // The tree shows a home of the test's own, and no volumes of the machine.
        user_home_ = home_ + "user";
        for (const char* dir : {"targets/one", "targets/two", "targets/three"}) fs::create_directories(user_home_ + "/" + dir);
        ::setenv("HOME", user_home_.c_str(), 1);
        ::setenv("XDG_DATA_HOME", (home_ + "data").c_str(), 1);
        shell::SetMountInfoOverride(std::string());
    }
    void TearDown() override {
        shell::SetMountInfoOverride(std::nullopt);
        FreshHome::TearDown();
    }

    std::unique_ptr<TFormExtract> Show() {
        auto form = std::make_unique<TFormExtract>();
        form->show();
        return form;
    }
    static std::string Stored(const char* name) { return RegRead<std::string>(kSettingsKey, name, "(none)"); }

    // The filled node of the path, scrolled into view; null when the tree has not got that far.
    static shell::TTreeNode* NodeOf(shell::TPTShellTree& tree, const std::string& path) {
        std::vector<shell::TTreeNode*> todo;
        for (int i = 0; i < tree.TopCount(); ++i) todo.push_back(tree.TopItem(i));
        while (!todo.empty()) {
            shell::TTreeNode* node = todo.back();
            todo.pop_back();
            shell::TPTShTreeData* data = shell::TPTCustomShellTree::GetNodeData(node);
            if (data != nullptr && data->GetPath() == path) {
                tree.scrollToItem(node);
                return node;
            }
            for (int i = 0; i < node->Count(); ++i) todo.push_back(node->Item(i));
        }
        return nullptr;
    }
    static void ClickNode(shell::TPTShellTree& tree, const std::string& path) {
        shell::TTreeNode* node = NodeOf(tree, path);
        ASSERT_NE(node, nullptr) << path;
        QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, tree.visualItemRect(node).center());
    }
    static void Type(QLineEdit* edit, const QString& text) {
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        if (text.isEmpty()) QTest::keyClick(edit, Qt::Key_Delete);
        else QTest::keyClicks(edit, text);
    }
    static void Click(QAbstractButton* button) {
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(std::min(12, button->width() / 2), button->height() / 2));
    }

    bool app_made_ = (testing::GuiApp(), true);
    testing::ScriptedMessageBoxes boxes_;
    std::string user_home_;
    testing::SavedEnv saved_home_{"HOME"};
    testing::SavedEnv saved_data_home_{"XDG_DATA_HOME"};
};

TEST_F(FormExtract, ChoosingAFolderInTheTreeFillsTheTarget) {
    const std::string one = user_home_ + "/targets/one";
    RegWriteValue(kSettingsKey, "Unzip Folder", one);
    auto form = Show();
    EXPECT_EQ(form->ExtractTo(), one);
    EXPECT_EQ(form->tvFolders->GetSelectedPath(), one) << "the tree opens at the stored folder";
    EXPECT_TRUE(form->btnExtract->isEnabled());

    ClickNode(*form->tvFolders, user_home_ + "/targets/two");
    EXPECT_EQ(form->ExtractTo(), user_home_ + "/targets/two");
    testing::SaveScreenshot(*form);

    // A target typed after a pick stays when the tree refreshes (F5, or changes on disk) and
    // selects the same folder again.
    Type(form->edExtractTo, "/srv/new-target");
    form->tvFolders->setFocus();
    QTest::keyClick(form->tvFolders, Qt::Key_F5);
    EXPECT_EQ(form->tvFolders->GetSelectedPath(), user_home_ + "/targets/two");
    EXPECT_EQ(form->ExtractTo(), "/srv/new-target");
    ClickNode(*form->tvFolders, user_home_ + "/targets");
    EXPECT_EQ(form->ExtractTo(), user_home_ + "/targets");
}

TEST_F(FormExtract, AStoredFolderNotMadeYetStaysTheTarget) {
    // The extraction makes it; the tree can only go as far as what exists.
    const std::string missing = user_home_ + "/targets/one/not/yet";
    RegWriteValue(kSettingsKey, "Unzip Folder", missing);
    auto form = Show();
    EXPECT_EQ(form->tvFolders->GetSelectedPath(), user_home_ + "/targets/one");
    EXPECT_EQ(form->ExtractTo(), missing);
    Click(form->btnExtract);
    EXPECT_EQ(form->result(), QDialog::Accepted);

    // A folder the namespace cannot place at all leaves the tree at its top.
    RegWriteValue(kSettingsKey, "Unzip Folder", std::string("/nonexistent-root/x"));
    form = Show();
    EXPECT_EQ(form->ExtractTo(), "/nonexistent-root/x");
}

TEST_F(FormExtract, UnzipStoresTheOptionsAndTheFolderOnlyWhenAsked) {
    RegWriteValue(kSettingsKey, "Unzip Folder", user_home_ + "/targets/one");
    auto form = Show();
    EXPECT_TRUE(form->cbUsePaths->isChecked());  // a fresh hive: the form's own choices
    EXPECT_FALSE(form->cbOverwrite->isChecked());
    EXPECT_TRUE(form->rbAllFiles->isChecked());
    Click(form->cbOverwrite);
    Click(form->cbUsePaths);
    ClickNode(*form->tvFolders, user_home_ + "/targets/three");
    Click(form->btnExtract);
    EXPECT_EQ(form->result(), QDialog::Accepted);
    EXPECT_EQ(form->ExtractTo(), user_home_ + "/targets/three");
    EXPECT_TRUE(RegRead<bool>(kSettingsKey, "Extract Overwrite", false));
    EXPECT_FALSE(RegRead<bool>(kSettingsKey, "Extract Use Paths", true));
    EXPECT_EQ(Stored("Unzip Folder"), user_home_ + "/targets/one") << "\"Last Unzip Folder\" is False";

    RegWriteValue(kSettingsKey, "Last Unzip Folder", true);
    form = Show();
    EXPECT_TRUE(form->cbOverwrite->isChecked());
    EXPECT_FALSE(form->cbUsePaths->isChecked());
    ClickNode(*form->tvFolders, user_home_ + "/targets/two");
    Click(form->btnCancel);
    EXPECT_EQ(Stored("Unzip Folder"), user_home_ + "/targets/one") << "Cancel stores nothing";
    form = Show();
    ClickNode(*form->tvFolders, user_home_ + "/targets/two");
    QTest::keyClick(form->edExtractTo, Qt::Key_Return);
    EXPECT_EQ(form->result(), QDialog::Accepted);
    EXPECT_EQ(Stored("Unzip Folder"), user_home_ + "/targets/two");
}

TEST_F(FormExtract, UnzipWantsAFullPath) {
    auto form = Show();
    EXPECT_EQ(form->ExtractTo(), "");
    EXPECT_FALSE(form->btnExtract->isEnabled());
    for (const char* bad : {"rel/dir", "~/x", ""}) {
        Type(form->edExtractTo, bad);
        EXPECT_FALSE(form->btnExtract->isEnabled()) << bad;
        QTest::keyClick(form->edExtractTo, Qt::Key_Return);
        EXPECT_TRUE(form->isVisible()) << bad;
    }
    Type(form->edExtractTo, "/tmp/x");
    EXPECT_TRUE(form->btnExtract->isEnabled());
    QTest::keyClick(form->edExtractTo, Qt::Key_Escape);
    EXPECT_EQ(form->result(), QDialog::Rejected);
    EXPECT_EQ(Stored("Extract Use Paths"), "(none)");
}

}  // namespace
}  // namespace corvane
