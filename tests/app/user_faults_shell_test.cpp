// The shell trees in the program's windows as a user meets them: a new category named with Enter, New
// Folder pressed while a folder is being renamed, the unzip target after a rename, and the personal
// intranet view's top node, its Open and an empty Send To folder.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "app/browser_request_policy.h"
#include "app/folder_dialog_backend.h"
#include "app/form_personal_intranet.h"
#include "archive/form_extract.h"
#include "engine/model/registry_routines.h"
#include "engine/model/settings.h"
#include "engine/model/task.h"
#include "localisation/lang_text.h"
#include "localisation/message_ids.h"
#include "platform/launch/launcher.h"
#include "shell/ns/special_folders.h"
#include "shell/ui/folder_browse_dlg.h"
#include "shell/ui/qt_shell_ui.h"
#include "shell/ui/shell_tree.h"
#include "tasks/edit_task_dialog.h"
#include "tasks/task_tree_window.h"
#include "tests/app/main_window_fixture.h"
#include "tests/support/launch_recorder.h"
#include "tests/support/qt_warnings.h"
#include "tests/support/screenshot.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/wait_until.h"

namespace corvane::testing {
namespace {

namespace fs = std::filesystem;

class UserFaultsShell : public MainWindowFixture {
protected:
    static shell::TTreeNode* Child(shell::TTreeNode* node, const QString& text) {
        for (int i = 0; node != nullptr && i < node->Count(); ++i)
            if (node->Item(i)->Text() == text) return node->Item(i);
        return nullptr;
    }
    static void Click(shell::TPTCustomShellTree& tree, shell::TTreeNode* node) {
        ASSERT_NE(node, nullptr);
        QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, tree.visualItemRect(node).center());
    }
    // Longer than a double click: the next click on the selection is a click of its own.
    static void Pause() { QTest::qWait(QApplication::doubleClickInterval() + 200); }
    // The text typed goes where the keyboard is, as a user's would.
    static void TypeWhereTheFocusIs(const QString& text) {
        QWidget* focus = QApplication::focusWidget();
        ASSERT_NE(focus, nullptr);
        QTest::keyClicks(focus, text);
    }
    static QLineEdit* Editor(shell::TPTCustomShellTree& tree) {
        for (QLineEdit* line : tree.findChildren<QLineEdit*>())
            if (line->isVisible()) return line;
        return nullptr;
    }
    // The node's shell menu, opened by the right button; script acts on the menu once it is up and
    // whatever is still open then is closed.
    static void ShellMenu(shell::TPTCustomShellTree& tree, shell::TTreeNode* node,
                          const std::function<void(QMenu&)>& script) {
        bool ran = false;
        QTimer::singleShot(0, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            ran = menu != nullptr;
            if (menu != nullptr) script(*menu);
            while (QWidget* open = QApplication::activePopupWidget()) open->close();
        });
        const QPoint at = tree.visualItemRect(node).center();
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, tree.viewport()->mapToGlobal(at));
        QApplication::sendEvent(tree.viewport(), &event);
        EXPECT_TRUE(ran) << "no menu came up";
    }
    static QAction* ActionNamed(QMenu& menu, const QString& text) {
        for (QAction* action : menu.actions())
            if (action->text() == text) return action;
        return nullptr;
    }
};

TEST_F(UserFaultsShell, NewCategoryNamedWithEnterClosesItsEditorOnce) {
    QtWarnings warnings;
    // A second category to sort the new one among.
    fs::create_directories(App->TasksDir + "General/Zoo");
    TFormCorvane& form = Start();
    form.Views().ShowSchedulerView();
    TFormScheduler& tasks = *form.Views().FormScheduler;
    tasks.tvTasks->SetSelectedPath(App->TasksDir + "General");
    ASSERT_EQ(tasks.tvTasks->GetSelectedPath(), App->TasksDir + "General");

    // Task > New > Category.
    emit form.miTask->aboutToShow();
    auto* add = form.miTask->findChild<QMenu*>(tasks.actTasksNew->objectName());
    ASSERT_NE(add, nullptr);
    ASSERT_TRUE(add->actions().contains(tasks.actTasksNewCategory));
    ASSERT_TRUE(tasks.actTasksNewCategory->isEnabled());
    tasks.actTasksNewCategory->trigger();
    ASSERT_TRUE(tasks.tvTasks->Editing());
    QLineEdit* editor = Editor(*tasks.tvTasks);
    ASSERT_NE(editor, nullptr);
    editor->selectAll();
    QTest::keyClicks(editor, "Sports");
    QTest::keyClick(editor, Qt::Key_Return);
    WAIT_UNTIL(!tasks.tvTasks->Editing());
    WAIT_UNTIL(fs::is_directory(App->TasksDir + "General/Sports"));
    QTest::qWait(50);  // the refresh the rename asked for
    EXPECT_FALSE(fs::exists(App->TasksDir + "General/New Folder"));
    EXPECT_EQ(warnings.Containing("closeEditor"), 0);
    EXPECT_EQ(warnings.Containing("editor"), 0);
    SaveScreenshot(tasks, QStringLiteral("-new-category"));
}

TEST_F(UserFaultsShell, NewFolderDuringARenameCancelsItAndNamesTheNewFolder) {
    const std::string web = home_ + "web";
    fs::create_directories(web + "/site");
    TProgramFileDialogs dialogs;
    FileDialogBackend* previous_dialogs = SetFileDialogBackend(&dialogs);
    shell::TQtShellUi shell_ui;
    shell::TShellUi* previous_ui = shell::SetShellUi(&shell_ui);

    TdlgEditTask task_dialog;
    task_dialog.Task = std::make_shared<TCVTask>();
    task_dialog.show();
    task_dialog.rbIntranet->click();
    task_dialog.edIntranetFolder->setText(QString::fromStdString(web + "/"));
    bool scripted = false;
    OnModal([&](QWidget& modal) {
        auto* dialog = qobject_cast<shell::TPTFrmFolderBrowseDlg*>(&modal);
        ASSERT_NE(dialog, nullptr) << modal.metaObject()->className();
        scripted = true;
        shell::TPTShellTree& tree = *dialog->PTShellTree1;
        shell::TTreeNode* site = nullptr;
        ASSERT_TRUE(QTest::qWaitFor([&] {
            if (tree.Selected() == nullptr) return false;
            tree.Selected()->setExpanded(true);
            site = Child(tree.Selected(), QStringLiteral("site"));
            return site != nullptr;
        }, 5000)) << tree.GetSelectedPath();
        // A click selects the folder; a second one, after a pause, starts renaming it.
        Click(tree, site);
        Pause();
        Click(tree, site);
        ASSERT_TRUE(QTest::qWaitFor([&] { return tree.Editing(); }, 5000));
        TypeWhereTheFocusIs(QStringLiteral("xy"));

        // New Folder ends that rename unapplied; what is typed now names the new folder.
        QTest::mouseClick(dialog->CreateNewFolderBtn, Qt::LeftButton);
        EXPECT_TRUE(fs::is_directory(web + "/site/New Folder"));
        ASSERT_TRUE(tree.Editing());
        QLineEdit* editor = Editor(tree);
        ASSERT_NE(editor, nullptr);
        EXPECT_EQ(editor->text(), QStringLiteral("New Folder"));
        EXPECT_EQ(QApplication::focusWidget(), editor);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
        TypeWhereTheFocusIs(QStringLiteral("pages"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTest::qWait(50);
        EXPECT_TRUE(fs::is_directory(web + "/site/pages"));
        EXPECT_FALSE(fs::exists(web + "/xy"));
        SaveScreenshot(*dialog, QStringLiteral("-new-folder-during-rename"));
        dialog->reject();
    });
    QTest::mouseClick(task_dialog.btnNewIntranet, Qt::LeftButton);
    EXPECT_TRUE(scripted);
    EXPECT_TRUE(fs::is_directory(web + "/site"));
    EXPECT_FALSE(fs::exists(web + "/site/New Folder"));
    shell::SetShellUi(previous_ui);
    SetFileDialogBackend(previous_dialogs);
}

TEST_F(UserFaultsShell, UnzipTargetFollowsTheFolderRenamedInTheTree) {
    const std::string root = home_ + "unzip";
    fs::create_directories(root + "/target/inner");
    RegWriteValue(kSettingsKey, "Unzip Folder", root + "/target/inner");
    TFormExtract dialog;
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    shell::TPTShellTree& tree = *dialog.tvFolders;
    ASSERT_EQ(dialog.ExtractTo(), root + "/target/inner");
    const auto rename = [&](const QString& name) {
        tree.setFocus();
        QTest::keyClick(&tree, Qt::Key_F2);
        ASSERT_TRUE(tree.Editing());
        QLineEdit* editor = Editor(tree);
        ASSERT_NE(editor, nullptr);
        editor->selectAll();
        QTest::keyClicks(editor, name);
        QTest::keyClick(editor, Qt::Key_Return);
        WAIT_UNTIL(!tree.Editing());
    };

    // The folder the target names.
    rename(QStringLiteral("deep"));
    ASSERT_TRUE(fs::is_directory(root + "/target/deep"));
    EXPECT_EQ(dialog.ExtractTo(), root + "/target/deep");

    // A folder above a typed target.
    Click(tree, tree.Selected()->Parent());
    ASSERT_EQ(dialog.ExtractTo(), root + "/target");
    dialog.edExtractTo->setText(QString::fromStdString(root + "/target/deep/new"));
    rename(QStringLiteral("moved"));
    ASSERT_TRUE(fs::is_directory(root + "/moved/deep"));
    EXPECT_EQ(dialog.ExtractTo(), root + "/moved/deep/new");

    // A target elsewhere stays.
    dialog.edExtractTo->setText(QString::fromStdString(root + "/movedaway"));
    rename(QStringLiteral("last"));
    EXPECT_EQ(dialog.ExtractTo(), root + "/movedaway");
    SaveScreenshot(dialog, QStringLiteral("-followed-rename"));
}

TEST_F(UserFaultsShell, IntranetTopNodeShowsAndItsMenuTellsAndHidesNoPlaceholder) {
    const std::string intranet = App->GetIntranetFolder();
    fs::create_directories(intranet + "www.example.org");
    std::ofstream(intranet + "www.example.org/index.htm") << "<p>x</p>";
    std::ofstream(intranet + "notes.txt") << "notes";
    // As the program registers them at its start.
    SetCaptureFolder("intranet", intranet);
    SetCaptureFolder("temp", App->GetTempFolder());
    LaunchRecorder launches;
    launches.fail = true;  // a desktop with no program for the file

    TFormCorvane& form = Start();
    form.Views().ShowIntranetView();
    TFormPersonalIntranet& view = *form.Views().FormPersonalIntranet;
    shell::TPTShellTree& tree = *view.tvIntranet;
    WAIT_UNTIL(tree.TopCount() > 0 && Child(tree.TopItem(0), QStringLiteral("notes.txt")) != nullptr);
    shell::TTreeNode* top = tree.TopItem(0);

    // The top node shows the intranet folder's listing, which the browser may load; a file beside the
    // folder stays refused.
    Click(tree, Child(top, QStringLiteral("www.example.org")));
    Click(tree, top);
    FakeBrowserControl* control = browsers_->last;
    ASSERT_NE(control, nullptr);
    ASSERT_FALSE(control->calls.empty());
    const std::string navigated = control->calls.back();
    ASSERT_EQ(navigated.rfind("Navigate ", 0), 0u) << navigated;
    const QUrl shown(QString::fromStdString(navigated.substr(9)));
    EXPECT_EQ(shown, QUrl::fromLocalFile(QString::fromStdString(intranet.substr(0, intranet.size() - 1))));
    EXPECT_TRUE(BrowserMayLoad(shown, BrowserLoad::Page)) << shown.toString().toStdString();
    EXPECT_FALSE(BrowserMayLoad(shown, BrowserLoad::ScriptRead));
    const std::string beside = intranet.substr(0, intranet.size() - 1) + ".htm";
    std::ofstream(beside) << "beside";
    EXPECT_FALSE(BrowserMayLoad(QUrl::fromLocalFile(QString::fromStdString(beside)), BrowserLoad::Page));
    EXPECT_FALSE(BrowserMayLoad(QUrl::fromLocalFile(QString::fromStdString(home_)), BrowserLoad::Page));

    // Open with no program for the file: the user is told.
    shell::TTreeNode* notes = Child(top, QStringLiteral("notes.txt"));
    ASSERT_NE(notes, nullptr);
    {
        ScriptedMessageBoxes boxes;
        boxes.Expect(MsgButton::OK, LangText(msg::LaunchFailed));
        ShellMenu(tree, notes, [&](QMenu& menu) {
            QAction* open = ActionNamed(menu, QStringLiteral("&Open"));
            ASSERT_NE(open, nullptr);
            menu.setActiveAction(open);
            QTest::keyClick(&menu, Qt::Key_Return);
        });
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_TRUE(boxes.shown[0].text.contains(QStringLiteral("notes.txt"))) << boxes.shown[0].text.toStdString();
    }
    ASSERT_EQ(launches.Opened().size(), 1u);

    // An empty Send To folder: an empty submenu, not the grayed placeholder.
    ShellMenu(tree, notes, [&](QMenu& menu) {
        QAction* send_to = ActionNamed(menu, QStringLiteral("Send &To"));
        ASSERT_NE(send_to, nullptr);
        ASSERT_NE(send_to->menu(), nullptr);
        QMenu& sub = *send_to->menu();
        emit sub.aboutToShow();
        EXPECT_TRUE(sub.actions().isEmpty()) << sub.actions().value(0)->text().toStdString();
        SaveScreenshot(menu, QStringLiteral("-empty-send-to"));
    });
    SaveScreenshot(view, QStringLiteral("-top-node"));
    ClearCaptureFolders();
}

}  // namespace
}  // namespace corvane::testing
