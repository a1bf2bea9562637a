// The popup menu's actions: their enabling for the selection, and the commands that run, stop,
// schedule, make and edit tasks.

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <filesystem>

#include "engine/model/settings.h"
#include "engine/model/task.h"
#include "engine/model/task_schedule.h"
#include "shell/ui/shell_tree.h"
#include "tasks/edit_task_dialog.h"
#include "tasks/run_task.h"
#include "tasks/schedule_dialog.h"
#include "tasks/task_tree_paths.h"
#include "tasks/task_tree_window.h"
#include "widgets/app_host.h"

namespace corvane {
namespace {

const char* const kScheduleCaption = "Schedu&le...";
const char* const kUnscheduleCaption = "&Unschedule";

QAction* NewAction(QWidget* owner, const char* name, const char* caption) {
    auto* action = new QAction(QString::fromUtf8(caption), owner);
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

// A submenu whose own entry is the action.
QMenu* SubMenu(QMenu* parent, QAction*& action, const char* name, const char* caption) {
    auto* menu = new QMenu(QString::fromUtf8(caption), parent);
    menu->setObjectName(QString::fromLatin1(name) + QStringLiteral("Menu"));
    action = menu->menuAction();
    action->setObjectName(QString::fromLatin1(name));
    parent->addMenu(menu);
    return menu;
}

bool IsDirectory(const std::string& path) {
    std::error_code ec;
    return !path.empty() && std::filesystem::is_directory(path, ec);
}

// The status a task file shows: App's live object for its file, else the file's.
TCVTaskStatus StatusOf(const std::string& task_file, bool& running) {
    running = false;
    if (std::shared_ptr<TCVTask> current = CurrentTaskFor(task_file)) {
        running = current->IsRunning();
        return current->Status;
    }
    try {
        return LoadTask(task_file)->Status;
    } catch (const std::exception&) {
        return tsUnscheduled;
    }
}

// After a command changed the file of App's (idle) current task: App's object follows it.
void ReloadCurrentTask(const std::string& task_file) {
    std::shared_ptr<TCVTask> current = CurrentTaskFor(task_file);
    if (!current || current->IsRunning()) return;
    std::shared_ptr<TCVTask> reloaded = LoadTask(task_file);
    reloaded->Category = current->Category;
    App->SetCurrentTask(std::move(reloaded));
}

}  // namespace

void TFormScheduler::BuildActions() {
    popTask = new QMenu(this);
    popTask->setObjectName(QStringLiteral("popTask"));
    QMenu* download = SubMenu(popTask, actTasksDownload, "actTasksDownload", "&Download");
    actTasksRun = NewAction(this, "actTasksRun", "&Run...");
    actTasksRun->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    actTasksStop = NewAction(this, "actTasksStop", "&Stop");
    actTasksStop->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    actTasksSchedule = NewAction(this, "actTasksSchedule", kScheduleCaption);
    download->addActions({actTasksRun, actTasksStop, actTasksSchedule});
    QMenu* add = SubMenu(popTask, actTasksNew, "actTasksNew", "&New");
    actTasksNewTask = NewAction(this, "actTasksNewTask", "&Task...");
    actTasksNewCategory = NewAction(this, "actTasksNewCategory", "&Category");
    add->addActions({actTasksNewTask, actTasksNewCategory});
    actTasksDelete = NewAction(this, "actTasksDelete", "&Delete");
    popTask->addAction(actTasksDelete);
    QMenu* browse = SubMenu(popTask, actTasksBrowse, "actTasksBrowse", "&Browse");
    actTasksBrowseOffline = NewAction(this, "actTasksBrowseOffline", "Offline");
    actTasksBrowseOnline = NewAction(this, "actTasksBrowseOnline", "Online");
    browse->addActions({actTasksBrowseOffline, actTasksBrowseOnline});
    QMenu* reports = SubMenu(popTask, actTasksReports, "actTasksReports", "&Reports");
    actTasksSummary = NewAction(this, "actTasksSummary", "Task Summary");
    actTasksPageIndex = NewAction(this, "actTasksPageIndex", "Page Index");
    actTasksImageIndex = NewAction(this, "actTasksImageIndex", "Image Index");
    actTasksCreateReports = NewAction(this, "actTasksCreateReports", "Create Reports");
    reports->addActions({actTasksSummary, actTasksPageIndex, actTasksImageIndex, actTasksCreateReports});
    actTasksExplore = NewAction(this, "actTasksExplore", "&Explore");
    actTasksProperties = NewAction(this, "actTasksProperties", "&Properties...");
    popTask->addActions({actTasksExplore, actTasksProperties});
    // The shortcuts work while the tree has the focus; the main window adds these actions to its
    // own menu for the rest.
    for (QAction* action : {actTasksRun, actTasksStop}) {
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        addAction(action);
    }
    connect(popTask, &QMenu::aboutToShow, this, [this] { popTaskPopup(); });

    const std::pair<QAction*, void (TFormScheduler::*)()> commands[] = {
        {actTasksRun, &TFormScheduler::actTasksRunExecute},
        {actTasksStop, &TFormScheduler::actTasksStopExecute},
        {actTasksSchedule, &TFormScheduler::actTasksScheduleExecute},
        {actTasksNewTask, &TFormScheduler::actTasksNewTaskExecute},
        {actTasksNewCategory, &TFormScheduler::actTasksNewCategoryExecute},
        {actTasksDelete, &TFormScheduler::actTasksDeleteExecute},
        {actTasksSummary, &TFormScheduler::actTasksSummaryExecute},
        {actTasksPageIndex, &TFormScheduler::actTasksPageIndexExecute},
        {actTasksImageIndex, &TFormScheduler::actTasksImageIndexExecute},
        {actTasksCreateReports, &TFormScheduler::actTasksCreateReportsExecute},
        {actTasksExplore, &TFormScheduler::actTasksExploreExecute},
        {actTasksProperties, &TFormScheduler::actTasksPropertiesExecute},
    };
    for (const auto& [action, command] : commands) {
        connect(action, &QAction::triggered, this, [this, action = action, command = command] {
            // A shortcut or the main window's menu may fire without the popup's update.
            UpdateActions();
            if (action->isEnabled()) (this->*command)();
        });
    }
    for (QAction* action : {actTasksBrowseOffline, actTasksBrowseOnline})
        connect(action, &QAction::triggered, this, [this, action] {
            UpdateActions();
            if (action->isEnabled()) actTasksBrowseExecute(action);
        });
}

void TFormScheduler::UpdateActions() {
    const std::string path = SelectedPath();
    const bool file = !path.empty() && !IsDirectory(path);
    const bool category = !path.empty() && !file;
    bool running = false;
    const TCVTaskStatus status = file ? StatusOf(path, running) : tsUnscheduled;
    unschedule_ = false;
    const bool held = file && (status == tsScheduled || status == tsDownloading || running);

    for (QAction* action : {actTasksDownload, actTasksRun, actTasksStop, actTasksSchedule, actTasksBrowse,
                            actTasksBrowseOffline, actTasksBrowseOnline, actTasksProperties, actTasksExplore,
                            actTasksReports, actTasksSummary, actTasksPageIndex, actTasksImageIndex,
                            actTasksCreateReports})
        action->setEnabled(file);
    actTasksNew->setEnabled(true);
    actTasksNewTask->setEnabled(true);
    actTasksDelete->setEnabled(!held);
    actTasksNewCategory->setEnabled(category);
    if (!file) return;
    actTasksRun->setEnabled(!held);
    actTasksProperties->setEnabled(!held);
    actTasksStop->setEnabled(status == tsDownloading || running);
    unschedule_ = status == tsScheduled && !running;
    actTasksSchedule->setText(QString::fromUtf8(unschedule_ ? kUnscheduleCaption : kScheduleCaption));
    actTasksSchedule->setEnabled(status != tsDownloading && !running);
}

std::shared_ptr<TCVTask> TFormScheduler::SelectedTask() {
    const std::string path = SelectedPath();
    if (path.empty() || IsDirectory(path)) return nullptr;
    try {
        return TaskForFile(path);
    } catch (const std::exception&) {
        return nullptr;
    }
}

void TFormScheduler::actTasksRunExecute() {
    std::shared_ptr<TCVTask> task = SelectedTask();
    if (task && RunTask(task)) TaskRescheduled(task->FileName);
}

void TFormScheduler::actTasksStopExecute() {
    if (!App) return;
    if (std::shared_ptr<TCVTask> current = App->GetCurrentTask()) AppHostInstance().StopTask(current);
}

void TFormScheduler::actTasksScheduleExecute() {
    const std::string path = SelectedPath();
    if (path.empty() || IsDirectory(path)) return;
    // UpdateActions chose the command for this selection.
    if (unschedule_) {
        UnscheduleTask(path);
    } else {
        TdlgSchedule dialog(this);
        if (dialog.exec() != QDialog::Accepted) return;
        ApplySchedule(path, dialog.Schedule, dialog.NextRun);
    }
    ReloadCurrentTask(path);
    TaskRescheduled(path);
}

void TFormScheduler::actTasksNewTaskExecute() {
    // No profile: the main window asks through the task dialog, which starts with the task's own
    // rules ("Custom"); with a profile and no address the command would do nothing.
    AppHost& host = AppHostInstance();
    host.NewTask("", "", host.IntranetModeDown(), false);
}

void TFormScheduler::actTasksNewCategoryExecute() {
    const std::string path = SelectedPath();
    if (!IsDirectory(path)) return;
    tvTasks->CreateNewFolder();
}

void TFormScheduler::actTasksExploreExecute() {
    const std::string path = SelectedPath();
    if (!path.empty() && !IsDirectory(path)) AppHostInstance().ExploreTask(path);
}

void TFormScheduler::actTasksPropertiesExecute() {
    const std::string path = SelectedPath();
    if (path.empty() || IsDirectory(path)) return;
    std::shared_ptr<TCVTask> task;
    try {
        task = LoadTask(path);
    } catch (const std::exception&) {
        return;
    }
    task->Category = CategoryOfTaskFile(path);
    TdlgEditTask dialog(this);
    dialog.setWindowTitle(QStringLiteral("Edit Task"));
    dialog.Task = task;
    if (dialog.exec() != QDialog::Accepted) return;
    // The dialog reloads App's object when it was this task's.
    if (dialog.CategoryChanged || !SamePath(task->FileName, path))
        SelectTaskNode(task->FileName);
    else
        TaskRescheduled(path);
}

void TFormScheduler::AddTaskFromFile(const std::string& task_file) {
    auto task = std::make_shared<TCVTask>();
    task->FileName = task_file;
    try {
        task->Load();
    } catch (const std::exception&) {
        // The dialog shows what could be read.
    }
    TdlgEditTask dialog(this);
    dialog.setWindowTitle(QStringLiteral("Add a Task"));
    dialog.Task = task;
    // Shown whether or not it replaced a task: the tree's refresh adds no files by itself.
    if (dialog.exec() == QDialog::Accepted) SelectTaskNode(task->FileName);
}

void TFormScheduler::SelectTaskNode(const std::string& task_file) {
    {
        QuietTree quiet(*this);
        tvTasks->Reload();
        if (tvTasks->TopCount() > 0) tvTasks->TopItem(0)->setExpanded(true);
    }
    tvTasks->SetSelectedPath(task_file);
}

}  // namespace corvane
