// The category page (every task of the selected folder) and the task details page.

#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <filesystem>

#include "engine/run/engine_host.h"
#include "engine/model/profile.h"
#include "engine/model/settings.h"
#include "engine/model/task.h"
#include "localisation/message_ids.h"
#include "platform/rtl/string_list.h"
#include "tasks/lang_text.h"
#include "tasks/task_tree_page.h"
#include "tasks/task_tree_paths.h"
#include "tasks/task_tree_window.h"
#include "widgets/app_host.h"
#include "widgets/message_box.h"

namespace corvane {
namespace {

// A file that cannot be written keeps its status; the next listing tries again.
void SaveQuietly(TCVTask& task) {
    try {
        task.Save();
    } catch (const std::exception&) {
    }
}

// Lines of the data files end in CR LF.
void AddLine(std::string& text, const std::string& line) { text += line + "\r\n"; }

void OpenPage(QWidget* parent, const std::string& data_name, const std::string& template_name,
              const std::string& data) {
    std::string page;
    try {
        page = WriteTaskTreePage(App->GetTempFolder(), data_name, template_name, data);
    } catch (const std::exception& error) {
        ShowError(parent, LangText(msg::TaskListFailed) + QString::fromStdString(error.what()));
        return;
    }
    AppHostInstance().ShowBrowserView(page);
}

}  // namespace

std::string TFormScheduler::CategoryLine(const std::string& task_file) {
    // App's object is the live one: its file may hold stale counters, and a save of a loaded copy
    // would be overwritten by (or overwrite) the next save of the object.
    std::shared_ptr<TCVTask> task = CurrentTaskFor(task_file);
    const bool current = task != nullptr;
    // Only App's object runs; a file saying 5 was left by a run that ended without its last save.
    const bool running = current && task->IsRunning();
    if (!task) {
        task = std::make_shared<TCVTask>();
        task->FileName = task_file;
        try {
            task->Load();
        } catch (const std::exception&) {
            return task->GetCSVLine();  // listed with what could be read
        }
    }
    if (!running && (task->Status == tsDownloadStopped || task->Status == tsDownloadComplete)) {
        task->Status = tsIncomplete;
        if (current) {
            SaveQuietly(*task);
        } else {
            // Written after the page shows, one file a turn of the event loop: the writes are
            // flushed to disk and would hold the listing back.
            status_rewrites_.push_back(task_file);
        }
    }
    return task->GetCSVLine();
}

void TFormScheduler::RewriteNextStatus() {
    if (status_rewrites_.empty()) return;
    const std::string task_file = status_rewrites_.front();
    status_rewrites_.pop_front();
    if (!status_rewrites_.empty()) rewrite_timer_->start();
    // Read again: a command may have changed the file since it was listed.
    std::shared_ptr<TCVTask> task = CurrentTaskFor(task_file);
    if (task && task->IsRunning()) return;
    if (!task) {
        std::error_code ec;
        if (!std::filesystem::is_regular_file(task_file, ec)) return;
        try {
            task = LoadTask(task_file);
        } catch (const std::exception&) {
            return;
        }
    }
    if (task->Status != tsDownloadStopped && task->Status != tsDownloadComplete) return;
    task->Status = tsIncomplete;
    SaveQuietly(*task);
}

void TFormScheduler::FlushStatusRewrites() {
    rewrite_timer_->stop();
    if (!App) status_rewrites_.clear();  // no settings, no active-task list to keep in step
    while (!status_rewrites_.empty()) RewriteNextStatus();
    rewrite_timer_->stop();
}

void TFormScheduler::ShowCategoryPage() {
    const std::string category = App->GetLastCategory();
    const std::string folder = category.empty() ? App->TasksDir : App->TasksDir + category + "/";
    const std::vector<std::string> files = TaskFilesIn(folder);
    const int count = static_cast<int>(files.size());
    std::string text;
    AddLine(text, TaskCSVHeader());
    QPointer<TFormScheduler> alive(this);
    listing_ = true;
    show_after_listing_ = false;
    const std::string loading = LangText(msg::TaskListLoading).toStdString() + std::to_string(count) +
                                LangText(msg::TaskListLoadingTail).toStdString();
    for (int i = 0; i < count; ++i) {
        Host().ShowStatus(loading, i + 1, count);
        QApplication::processEvents();
        if (!alive || !App) return;
        AddLine(text, CategoryLine(files[static_cast<std::size_t>(i)]));
    }
    listing_ = false;
    OpenPage(this, "tasks.txt", "tasks.htm", text);
    if (!status_rewrites_.empty()) rewrite_timer_->start();
    Host().ShowStatus(std::to_string(count) + LangText(msg::TaskListCount).toStdString(), 0, 0);
    if (show_after_listing_) {
        show_after_listing_ = false;
        ShowSelection();
    }
}

void TFormScheduler::ShowTaskDetailsPage(const std::string& task_file) {
    std::shared_ptr<TCVTask> task;
    try {
        task = TaskForFile(task_file);
    } catch (const std::exception&) {
        task = std::make_shared<TCVTask>();
        task->FileName = task_file;
    }
    std::string text;
    AddLine(text, TaskCSVHeader() + "," + ProfileCSVHeader());
    AddLine(text, task->GetCSVLine() + "," + task->Profile.GetCSVLine());
    OpenPage(this, "task_details.txt", "task_details.htm", text);
}

void TFormScheduler::TaskRescheduled(const std::string& task_file) {
    if (!App || listing_) return;
    const std::string selected = SelectedPath();
    if (selected.empty() || !SamePath(App->LastTask, selected)) return;
    // Only a page of this window that is still shown is built again.
    const std::string url = LowerCase(AppHostInstance().URLBoxText());
    if (url.find("tasks.htm") == std::string::npos && url.find("task_details.htm") == std::string::npos) return;
    if (SamePath(selected, task_file))
        ShowTaskDetailsPage(task_file);
    else if (!SamePath(selected, App->TasksDir) && SamePath(selected, task_file.substr(0, task_file.rfind('/'))))
        ShowCategoryPage();
}

}  // namespace corvane
