#pragma once
// The task tree window over a fresh data root: task files made on disk, a recording host, a shell UI
// for the file operations, the Trash in the test's home, and helpers that select nodes like a user.

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>

#include "engine/model/settings.h"
#include "engine/model/task.h"
#include "shell/ui/shell_tree.h"
#include "tasks/task_tree_paths.h"
#include "tasks/task_tree_window.h"
#include "tests/engine/task_fixture.h"
#include "tests/shell/ns/recording_shell_ui.h"
#include "tests/support/gui_app.h"
#include "tests/support/recording_app_host.h"
#include "tests/support/scoped_env.h"

namespace corvane::testing {

class TaskTreeHome : public FreshHome {
protected:
    void SetUp() override {
        GuiApp();
        FreshHome::SetUp();
        ::setenv("XDG_DATA_HOME", (home_ + "xdg").c_str(), 1);
        tasks_ = App->TasksDir;
        // The window opens on the tasks folder, so that selecting a category is a change.
        App->SetLastCategory("");
        temp_ = App->GetTempFolder();
    }
    void TearDown() override {
        form_.reset();
        FreshHome::TearDown();
    }

    static shell::ShellTiming ShortTiming() {
        using namespace std::chrono_literals;
        shell::ShellTiming timing;
        timing.RefreshDelayFocused = 20ms;
        timing.RefreshDelayUnfocused = 20ms;
        timing.SelectionSyncDelay = 20ms;
        timing.OwnChangeWindow = 100ms;
        timing.ProgressDelay = 0ms;
        return timing;
    }

    // A task file in the category ("" the tasks folder itself), saved as the program saves it.
    std::shared_ptr<TCVTask> MakeTask(const std::string& category, const std::string& name,
                                      TCVTaskStatus status = tsUnscheduled, const std::string& url = "http://site.test/") {
        auto task = std::make_shared<TCVTask>();
        task->Name = name;
        task->Category = category;
        task->FileName = TaskFileName(category, name);
        task->URL = url;
        task->IntranetMode = true;
        task->Destination = home_ + "site/";
        task->Status = status;
        task->Save();
        return task;
    }

    TFormScheduler& Form() {
        if (!form_) {
            form_ = std::make_unique<TFormScheduler>(nullptr, ShortTiming());
            form_->resize(260, 360);
            form_->show();
            QApplication::processEvents();
        }
        return *form_;
    }

    // Selects the path's node as the keyboard would (the tree's own change).
    // A task file made just before may not be in the tree yet (its refresh waits a moment): a reload.
    void Select(const std::string& path) {
        Form().tvTasks->SetSelectedPath(path);
        QApplication::processEvents();
        if (form_->SelectedPath() != path) {
            form_->tvTasks->Reload();
            form_->tvTasks->SetSelectedPath(path);
            QApplication::processEvents();
        }
        ASSERT_EQ(form_->SelectedPath(), path);
    }

    // A left click on the selected node's text.
    void ClickSelected() {
        shell::TTreeNode* node = Form().tvTasks->Selected();
        ASSERT_NE(node, nullptr);
        const QRect rect = Form().tvTasks->DisplayRect(node, true);
        QTest::mouseClick(Form().tvTasks->viewport(), Qt::LeftButton, {}, rect.center());
        QApplication::processEvents();
    }

    // Renames the selected node in place as a user types the name.
    void RenameSelected(const QString& name) {
        Form().tvTasks->editItem(form_->tvTasks->Selected());
        ASSERT_TRUE(form_->tvTasks->Editing());
        auto* editor = form_->tvTasks->findChild<QLineEdit*>();
        ASSERT_NE(editor, nullptr);
        editor->selectAll();
        QTest::keyClicks(editor, name);
        QTest::keyClick(editor, Qt::Key_Return);
        // The edit ends (and its rename runs) when the view gets to it: later on a busy machine.
        EXPECT_TRUE(QTest::qWaitFor([this] { return !form_->tvTasks->Editing(); }, 5000));
        QTest::qWait(50);
    }

    static std::filesystem::file_time_type MTime(const std::string& path) {
        return std::filesystem::last_write_time(path);
    }
    static TCVTaskStatus StatusOnDisk(const std::string& task_file) { return LoadTask(task_file)->Status; }

    int BrowserCalls(const std::string& page) const {
        int count = 0;
        for (const std::string& call : host_.calls) count += call == "ShowBrowserView(" + page + ")";
        return count;
    }

    QApplication& app_ = GuiApp();  // before the host's menu
    std::string tasks_;
    std::string temp_;
    SavedEnv xdg_{"XDG_DATA_HOME"};
    RecordingAppHost host_;
    RecordingShellUi shell_ui_;
    std::unique_ptr<TFormScheduler> form_;
};

}  // namespace corvane::testing
