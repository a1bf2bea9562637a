// Renaming in the task tree as a user meets it: a click only selects, a later click on the selection,
// F2 and the tree's own check decide when an editor opens, and a name the file system refuses says why.

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QTreeWidgetItemIterator>

#include "localisation/message_ids.h"
#include "tasks/lang_text.h"
#include "tests/support/qt_warnings.h"
#include "tests/support/screenshot.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/tasks/task_tree_fixture.h"

namespace corvane::testing {
namespace {

// A box that takes the focus while it is up, as a real one does.
class FocusTakingBoxes : public ScriptedMessageBoxes {
public:
    QWidget* taker = nullptr;
    MsgButton Show(QWidget* parent, const MessageBoxRequest& request) override {
        if (taker != nullptr) {
            taker->setFocus();
            QApplication::processEvents();
        }
        return ScriptedMessageBoxes::Show(parent, request);
    }
};

class WindowFaultsRename : public TaskTreeHome {
protected:
    shell::TTreeNode* NodeOf(const std::string& path) {
        for (QTreeWidgetItemIterator it(Form().tvTasks); *it != nullptr; ++it) {
            auto* node = static_cast<shell::TTreeNode*>(*it);
            shell::TPTShTreeData* data = shell::TPTCustomShellTree::GetNodeData(node);
            if (data != nullptr && WithoutTrailingSlash(data->GetPath()) == path) return node;
        }
        ADD_FAILURE() << "no node for " << path;
        return nullptr;
    }
    void Click(const std::string& path) {
        shell::TTreeNode* node = NodeOf(path);
        ASSERT_NE(node, nullptr);
        QTest::mouseClick(form_->tvTasks->viewport(), Qt::LeftButton, {},
                          form_->tvTasks->DisplayRect(node, true).center());
    }
    // Longer than a double click: a rename the click would start has started by then.
    static void Pause() { QTest::qWait(QApplication::doubleClickInterval() + 200); }
    QLineEdit* Editor() { return form_->tvTasks->findChild<QLineEdit*>(); }
    void Type(const QString& name) {
        ASSERT_TRUE(QTest::qWaitFor([&] { return form_->tvTasks->Editing(); }, 5000));
        QLineEdit* editor = Editor();
        ASSERT_NE(editor, nullptr);
        editor->selectAll();
        QTest::keyClicks(editor, name);
        QTest::keyClick(editor, Qt::Key_Return);
    }
};

TEST_F(WindowFaultsRename, AClickSelectsAndRenamingWaitsForASecondClickOrF2) {
    QtWarnings warnings;
    auto running = MakeTask("Cat", "run", tsDownloading);
    App->SetCurrentTask(running);
    auto plain = MakeTask("Cat", "plain");
    Select(plain->FileName);
    FocusTakingBoxes boxes;  // any box before the refused name fails

    // First clicks on a running task and on the category holding it: selected, nothing asked.
    Click(running->FileName);
    Pause();
    EXPECT_EQ(Form().SelectedPath(), running->FileName);
    EXPECT_FALSE(Form().tvTasks->Editing());
    Click(tasks_ + "Cat");
    Pause();
    EXPECT_EQ(Form().SelectedPath(), tasks_ + "Cat");
    EXPECT_FALSE(Form().tvTasks->Editing());

    // A click on the selected category's expand arrow shuts its branch and renames nothing.
    shell::TTreeNode* category = NodeOf(tasks_ + "Cat");
    ASSERT_TRUE(category->isExpanded());
    const QRect item = Form().tvTasks->visualItemRect(category);
    QTest::mouseClick(form_->tvTasks->viewport(), Qt::LeftButton, {},
                      QPoint(item.left() - Form().tvTasks->indentation() / 2, item.center().y()));
    Pause();
    EXPECT_FALSE(category->isExpanded());
    EXPECT_FALSE(Form().tvTasks->Editing());
    category->setExpanded(true);

    // A first click on a plain task selects it; the next one, after a pause, renames it.
    Click(plain->FileName);
    Pause();
    EXPECT_EQ(Form().SelectedPath(), plain->FileName);
    EXPECT_FALSE(Form().tvTasks->Editing());
    Click(plain->FileName);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Form().tvTasks->Editing(); }, 5000));
    SaveScreenshot(Form(), QStringLiteral("-rename"));

    // A name the file system refuses says why, after the editor has closed; the file keeps its name.
    boxes.Expect(MsgButton::OK, LangText(msg::TaskNameInvalid));
    Type(QStringLiteral("a/b"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return boxes.shown.size() == 1; }, 5000));
    EXPECT_TRUE(std::filesystem::exists(plain->FileName));

    // F2 renames the selection at once.
    QTest::keyClick(Form().tvTasks, Qt::Key_F2);
    EXPECT_TRUE(Form().tvTasks->Editing());
    Type(QStringLiteral("renamed"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return std::filesystem::exists(tasks_ + "Cat/renamed.cvt"); }, 5000));
    EXPECT_FALSE(std::filesystem::exists(plain->FileName));

    // The file system takes the name but the task file cannot follow: one box, which takes the
    // editor's focus, and the editor closes once.
    auto taken = MakeTask("Cat", "taken");
    QLineEdit elsewhere(&Form());
    elsewhere.show();
    boxes.taker = &elsewhere;
    Select(tasks_ + "Cat/renamed.cvt");
    boxes.Expect(MsgButton::OK, LangText(msg::TaskRenameFailed));
    QTest::keyClick(Form().tvTasks, Qt::Key_F2);
    Type(QStringLiteral("taken"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return boxes.shown.size() >= 2 && !Form().tvTasks->Editing(); }, 5000));
    QTest::qWait(50);  // a second box would follow at once
    EXPECT_EQ(boxes.shown.size(), 2u);
    EXPECT_TRUE(std::filesystem::exists(tasks_ + "Cat/renamed.cvt"));
    EXPECT_FALSE(Form().tvTasks->Editing());
    boxes.taker = nullptr;

    // F2 on the running task is refused with the tree's reason, and no editor opens.
    Select(running->FileName);
    boxes.Expect(MsgButton::OK, LangText(msg::TaskRenameRefused));
    QTest::keyClick(Form().tvTasks, Qt::Key_F2);
    EXPECT_FALSE(Form().tvTasks->Editing());
    EXPECT_EQ(boxes.shown.size(), 3u);

    EXPECT_EQ(warnings.Containing("editing failed"), 0);
    EXPECT_EQ(warnings.Containing("closeEditor"), 0);
}

}  // namespace
}  // namespace corvane::testing
