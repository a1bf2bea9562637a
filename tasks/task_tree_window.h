#pragma once
// "Tasks": the docked view over the tasks folder. Category folders and their task files (".cvt")
// show as a shell folder tree; selecting a category lists its tasks in the browser view, selecting a
// task shows its details there; the popup menu (alTasks) runs, stops, schedules, deletes, edits,
// explores and browses tasks and opens their reports.
//
// Main thread only. Everything asked of the main window goes through AppHost; the status line
// through the engine host. App's current task is never shadowed by a second copy of its file: a
// command on that file changes App's object or reloads it, and while it runs (status 2 or 5) it
// cannot be run, scheduled, deleted, renamed or edited from here.

#include <QWidget>
#include <deque>
#include <memory>
#include <string>

#include "shell/ui/shell_timing.h"

class QAction;
class QMenu;
class QTimer;

namespace corvane {

class TCVTask;
class TKMLang;

namespace shell {
class TPTShellTree;
class TTreeNode;
}  // namespace shell

class TFormScheduler : public QWidget {
    Q_OBJECT
public:
    explicit TFormScheduler(QWidget* parent = nullptr, shell::ShellTiming timing = {});
    ~TFormScheduler() override;

    // ---- for the main window

    // A task file given from outside (a start parameter, a second start): the task dialog "Add a
    // Task" for it; on OK the tree selects the node of the task as saved.
    void AddTaskFromFile(const std::string& task_file);
    // Reloads the tree and selects the task file's node (a task just made or moved).
    void SelectTaskNode(const std::string& task_file);
    // The report window for the task; a zip-mode task is extracted for browsing first, and one whose
    // archive is missing offers to run instead.
    void ShowTaskReport(const std::shared_ptr<TCVTask>& task);
    // The task's file was saved with a new schedule (after its run): the page showing that task, or
    // the category holding it, is built again.
    void TaskRescheduled(const std::string& task_file);
    // Sets every action's enabled state and the Schedule caption for the selection; the main window
    // calls it before showing its own task menu, which holds these actions.
    void UpdateActions();

    // ---- the form's handlers

    void FormCreate();
    void FormHide();
    void tvTasksChange();
    void tvTasksEdited(shell::TTreeNode* node);
    void tvTasksMouseDown(QPoint point);
    void tvTasksDblClick();
    void ShowSelection();
    void popTaskPopup() { UpdateActions(); }

    void actTasksRunExecute();
    void actTasksStopExecute();
    void actTasksScheduleExecute();
    void actTasksNewTaskExecute();
    void actTasksNewCategoryExecute();
    void actTasksDeleteExecute();
    // sender: actTasksBrowseOffline, actTasksBrowseOnline, or null for a double click.
    void actTasksBrowseExecute(QObject* sender);
    void actTasksSummaryExecute();
    void actTasksPageIndexExecute();
    void actTasksImageIndexExecute();
    void actTasksCreateReportsExecute();
    void actTasksExploreExecute();
    void actTasksPropertiesExecute();

    // The selected node's path ('' for none); categories end without "/".
    std::string SelectedPath() const;
    // Whether a category listing is running (it lets events through after each file).
    bool Listing() const { return listing_; }
    // Task files the last listing shows as "Incomplete" whose files still say 3 or 5; they are
    // rewritten one a turn of the event loop after the page is shown.
    std::size_t PendingStatusRewrites() const { return status_rewrites_.size(); }
    // Rewrites them all now.
    void FlushStatusRewrites();

    shell::TPTShellTree* tvTasks;
    QMenu* popTask;
    QAction* actTasksDownload;
    QAction* actTasksRun;
    QAction* actTasksStop;
    QAction* actTasksSchedule;
    QAction* actTasksNew;
    QAction* actTasksNewTask;
    QAction* actTasksNewCategory;
    QAction* actTasksDelete;
    QAction* actTasksBrowse;
    QAction* actTasksBrowseOffline;
    QAction* actTasksBrowseOnline;
    QAction* actTasksReports;
    QAction* actTasksSummary;
    QAction* actTasksPageIndex;
    QAction* actTasksImageIndex;
    QAction* actTasksCreateReports;
    QAction* actTasksExplore;
    QAction* actTasksProperties;

protected:
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildActions();
    void BindTree();

    // Pages (task_tree_pages.cpp).
    void ShowCategoryPage();
    void ShowTaskDetailsPage(const std::string& task_file);
    // The CSV line of a task file, from App's object when it is the current task's file; status 3
    // and 5 become 4 on disk unless the task runs.
    std::string CategoryLine(const std::string& task_file);
    void RewriteNextStatus();

    // Commands on files (task_tree_files.cpp).
    void DeleteSelection();
    void tvTasksEditing(shell::TTreeNode* node, bool& allow);
    void TaskFileRenamed(const std::string& old_path, const std::string& new_path);
    void CategoryRenamed(const std::string& old_path, const std::string& new_path);
    // Says why the file system kept the old name of an in-place rename.
    void RenameRefused(const std::string& path, const QString& text, int error);

    // Browse and reports (task_tree_browse.cpp).
    // The folder a task's files are browsed in: its own, or, in zip mode, the one its archive was
    // extracted into; '' (after saying why, or offering to run) when there is none.
    std::string BrowseFolder(const std::shared_ptr<TCVTask>& task, bool offer_run);
    void OpenReportPage(const char* suffix);
    void RunReportDialog(const std::shared_ptr<TCVTask>& task, const std::string& folder);

    // The selected task file's task: App's current object for its file, else loaded; null when
    // no task file is selected or it cannot be read.
    std::shared_ptr<TCVTask> SelectedTask();

    // While the window changes the tree's nodes itself, its selection changes show nothing.
    struct QuietTree {
        explicit QuietTree(TFormScheduler& form) : form_(form) { ++form_.quiet_; }
        ~QuietTree() { --form_.quiet_; }
        QuietTree(const QuietTree&) = delete;
        QuietTree& operator=(const QuietTree&) = delete;
        TFormScheduler& form_;
    };

    TKMLang* lang_;
    int quiet_ = 0;
    bool listing_ = false;
    bool unschedule_ = false;
    std::deque<std::string> status_rewrites_;
    QTimer* rewrite_timer_;  // the Schedule action reads "&Unschedule" for the selection
    bool show_after_listing_ = false;
    std::string editing_path_;  // the node's path when its rename began
};

}  // namespace corvane
