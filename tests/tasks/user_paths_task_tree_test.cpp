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

}  // namespace
}  // namespace corvane::testing
