// Task files put into a category by another program show in the open task tree by themselves.

#include <gtest/gtest.h>

#include <QTest>
#include <filesystem>

#include "shell/ui/shell_tree_data.h"
#include "tests/support/screenshot.h"
#include "tests/tasks/task_tree_fixture.h"

namespace corvane::testing {
namespace {

namespace fs = std::filesystem;

class UserPathsTaskTree : public TaskTreeHome {
protected:
    bool Shown(const std::string& path) {
        std::vector<shell::TTreeNode*> stack;
        for (int i = 0; i < Form().tvTasks->TopCount(); ++i) stack.push_back(form_->tvTasks->TopItem(i));
        while (!stack.empty()) {
            shell::TTreeNode* node = stack.back();
            stack.pop_back();
            shell::TPTShTreeData* data = shell::TPTCustomShellTree::GetNodeData(node);
            if (data != nullptr && data->GetPath() == path) return true;
            for (int i = 0; i < node->Count(); ++i) stack.push_back(node->Item(i));
        }
        return false;
    }
};

TEST_F(UserPathsTaskTree, TaskFilesCopiedInFromOutsideAppearWithoutARestart) {
    const auto first = MakeTask("Sites", "first");
    fs::create_directories(tasks_ + "Empty");
    Select(tasks_ + "Sites");
    form_->tvTasks->Selected()->setExpanded(true);
    Select(tasks_ + "Empty");
    form_->tvTasks->Selected()->setExpanded(true);
    ASSERT_TRUE(Shown(first->FileName));

    // Another program copies task files in: next to a task, and into a category that had none.
    fs::copy_file(first->FileName, tasks_ + "Sites/second.cvt");
    fs::copy_file(first->FileName, tasks_ + "Empty/third.cvt");
    EXPECT_TRUE(QTest::qWaitFor([&] { return Shown(tasks_ + "Sites/second.cvt"); }, 5000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return Shown(tasks_ + "Empty/third.cvt"); }, 5000));
    EXPECT_TRUE(Shown(first->FileName));
    SaveScreenshot(*form_, QStringLiteral("-copied-in"));
}

// A category made while the tree is open, expanded while empty and left unselected: a task file copied
// into it shows by the tree's own refresh.
TEST_F(UserPathsTaskTree, RedockRefreshEmptyExpandedCategoryShowsTaskCopiedIn) {
    const auto first = MakeTask("", "first");
    Select(tasks_ + "first.cvt");
    fs::create_directories(tasks_ + "Fresh");
    ASSERT_TRUE(QTest::qWaitFor([&] { return Shown(tasks_ + "Fresh"); }, 5000));
    shell::TTreeNode* fresh = nullptr;
    for (int i = 0; i < form_->tvTasks->TopItem(0)->Count(); ++i)
        if (form_->tvTasks->TopItem(0)->Item(i)->Text() == QStringLiteral("Fresh")) fresh = form_->tvTasks->TopItem(0)->Item(i);
    ASSERT_NE(fresh, nullptr);
    // Its arrow clicked: it opens empty and the arrow goes.
    const QRect row = form_->tvTasks->visualItemRect(fresh);
    QTest::mouseClick(form_->tvTasks->viewport(), Qt::LeftButton, {},
                      QPoint(row.left() - form_->tvTasks->indentation() / 2, row.center().y()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return fresh->isExpanded() || !fresh->HasChildren(); }, 5000));
    QTest::qWait(100);
    ASSERT_EQ(fresh->Count(), 0);
    ASSERT_EQ(form_->SelectedPath(), tasks_ + "first.cvt") << "the arrow does not select";

    fs::copy_file(first->FileName, tasks_ + "Fresh/copied.cvt");
    EXPECT_TRUE(QTest::qWaitFor([&] { return Shown(tasks_ + "Fresh/copied.cvt"); }, 5000));
    SaveScreenshot(*form_, QStringLiteral("-redock-refresh"));
}

}  // namespace
}  // namespace corvane::testing
