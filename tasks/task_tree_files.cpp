// Deleting and renaming tasks and categories: the queue file and the active-task list follow the
// task file, and App's current task is never left pointing at a file that went.

#include <QString>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "engine/model/settings.h"
#include "engine/model/task.h"
#include "localisation/message_ids.h"
#include "shell/ns/file_operator.h"
#include "shell/ui/shell_tree.h"
#include "tasks/lang_text.h"
#include "tasks/task_tree_paths.h"
#include "tasks/task_tree_window.h"
#include "widgets/app_host.h"
#include "widgets/message_box.h"

namespace corvane {
namespace {

bool Exists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(std::filesystem::symlink_status(path, ec));
}

bool IsDirectory(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_directory(path, ec);
}

// The active-task entries at path or inside it.
std::vector<std::string> ActiveTasksAt(const std::string& path) {
    std::vector<std::string> found;
    for (const std::string& entry : App->ActiveTasks.Items())
        if (SamePath(entry, path) || PathInside(entry, path)) found.push_back(entry);
    return found;
}

// Renames a file, refusing to replace one (rename(2) would).
void RenameNoReplace(const std::string& from, const std::string& to) {
    if (Exists(to)) throw std::runtime_error(to + ": " + std::strerror(EEXIST));
    if (std::rename(from.c_str(), to.c_str()) != 0) throw std::runtime_error(to + ": " + std::strerror(errno));
}

}  // namespace

void TFormScheduler::actTasksDeleteExecute() { DeleteSelection(); }

void TFormScheduler::DeleteSelection() {
    if (!App) return;
    const std::string path = SelectedPath();
    if (path.empty() || SamePath(path, App->TasksDir)) return;
    const bool category = IsDirectory(path);
    if (RunningTaskIn(path)) {
        // The running task's files are in use: its queue would come back on the next save.
        if (category) ShowInformation(this, LangText(msg::CategoryDeleteRefused));
        return;
    }
    std::vector<std::string> targets;
    QString question;
    if (category) {
        const shell::TTreeNode* node = tvTasks->Selected();
        question = QStringLiteral("Are you sure you want to remove the category '") +
                   (node != nullptr ? node->Text() : QString()) +
                   QStringLiteral("' and delete all the Tasks it contains.?");
        targets = {path};
    } else {
        question = QStringLiteral("Are you sure you want to delete the selected Task? ");
        targets = {QueueFileOf(path), path};
    }
    if (AskQuestion(this, question) != MsgButton::Yes) return;

    bool aborted = false;
    for (const std::string& target : targets) {
        if (!Exists(target)) continue;
        shell::TFileOperator op(this);
        op.SetParentForm(this);
        op.SetProgressTitle("Confirm File Delete");
        op.SetOperation(shell::TFileOperation::foDelete);
        op.SetFlags({shell::TFileOperationFlag::foAllowUndo, shell::TFileOperationFlag::foNoConfirmation,
                     shell::TFileOperationFlag::foSimpleProgress});
        op.SetSourcePaths({target});
        op.Execute();
        if (op.AnyOperationsAborted()) {
            aborted = true;
            break;
        }
    }
    if (aborted) return;

    const std::vector<std::string> listed = ActiveTasksAt(path);
    if (!listed.empty()) {
        try {
            App->UpdateActiveTasks(listed, false);
        } catch (const std::exception&) {
            // The schedule tick drops listed files that are gone.
        }
    }
    std::shared_ptr<TCVTask> current = App->GetCurrentTask();
    if (current && (SamePath(current->FileName, path) || PathInside(current->FileName, path)) &&
        !Exists(current->FileName)) {
        // A later run or save of the released task would bring the deleted file back.
        AppHostInstance().ClearExplorer();
        App->SetCurrentTask(nullptr);
    }
    tvTasks->Refresh();
}

void TFormScheduler::tvTasksEditing(shell::TTreeNode* node, bool& allow) {
    shell::TPTShTreeData* node_data = shell::TPTCustomShellTree::GetNodeData(node);
    const std::string path = node_data != nullptr ? WithoutTrailingSlash(node_data->GetPath()) : std::string();
    editing_path_.clear();
    if (!App || path.empty() || SamePath(path, App->TasksDir)) {
        allow = false;
        return;
    }
    if (IsDirectory(path)) {
        if (RunningTaskIn(path)) {
            allow = false;
            ShowInformation(this, LangText(msg::CategoryRenameRefused));
            return;
        }
    } else {
        TCVTaskStatus status = tsUnscheduled;
        if (std::shared_ptr<TCVTask> current = CurrentTaskFor(path))
            status = current->IsRunning() ? tsDownloading : current->Status;
        else
            try {
                status = LoadTask(path)->Status;
            } catch (const std::exception&) {
            }
        // The schedule tick and the run find a task by its file.
        if (status == tsScheduled || status == tsDownloading) {
            allow = false;
            ShowInformation(this, LangText(msg::TaskRenameRefused));
            return;
        }
    }
    if (allow) editing_path_ = path;
}

void TFormScheduler::RenameRefused(const std::string& path, const QString& text, int error) {
    if (text.isEmpty() || path.empty()) return;  // an emptied name keeps the old one, as a cancel would
    const bool category = IsDirectory(path);
    QString why;
    if (error == EINVAL)
        why = LangText(category ? msg::CategoryNameInvalid : msg::TaskNameInvalid);
    else
        why = LangText(category ? msg::CategoryRenameFailed : msg::TaskRenameFailed) +
              QString::fromLocal8Bit(std::strerror(error));
    // Not while the editor is still closing: the box would take its focus mid-commit.
    QMetaObject::invokeMethod(this, [this, why] { ShowError(this, why); }, Qt::QueuedConnection);
}

void TFormScheduler::TaskFileRenamed(const std::string& old_path, const std::string& renamed) {
    std::string new_path = renamed;
    try {
        // A task file keeps its extension, or it would leave the tree and the task lists.
        if (!HasTaskExtension(new_path)) {
            try {
                RenameNoReplace(new_path, new_path + kTaskFileExt);
            } catch (const std::exception&) {
                // Without its extension the file would drop out of the tree: back to its old name.
                if (std::rename(renamed.c_str(), old_path.c_str()) == 0) new_path = old_path;
                throw;
            }
            new_path += kTaskFileExt;
        }
        const std::string old_queue = QueueFileOf(old_path);
        if (Exists(old_queue)) RenameNoReplace(old_queue, QueueFileOf(new_path));
        const std::string file_name = new_path.substr(new_path.rfind('/') + 1);
        const std::string name = file_name.substr(0, file_name.size() - 4);
        std::shared_ptr<TCVTask> task = CurrentTaskFor(old_path);
        if (!task) task = LoadTask(new_path);
        task->FileName = new_path;
        task->Name = name;
        task->Category = CategoryOfTaskFile(new_path);
        if (!ActiveTasksAt(old_path).empty()) App->UpdateActiveTasks({old_path}, false);
        task->Save();
    } catch (const std::exception& error) {
        ShowError(this, LangText(msg::TaskRenameFailed) + QString::fromStdString(error.what()));
    }
    QMetaObject::invokeMethod(this, [this, new_path] { SelectTaskNode(new_path); }, Qt::QueuedConnection);
}

void TFormScheduler::CategoryRenamed(const std::string& old_path, const std::string& new_path) {
    const std::vector<std::string> listed = ActiveTasksAt(old_path);
    try {
        if (!listed.empty()) {
            std::vector<std::string> moved;
            for (const std::string& entry : listed)
                moved.push_back(WithoutTrailingSlash(new_path) + "/" +
                                entry.substr(WithoutTrailingSlash(old_path).size() + 1));
            App->UpdateActiveTasks(listed, false);
            App->UpdateActiveTasks(moved, true);
        }
    } catch (const std::exception& error) {
        ShowError(this, LangText(msg::TaskRenameFailed) + QString::fromStdString(error.what()));
    }
    // App's (idle) current task follows its file.
    if (std::shared_ptr<TCVTask> current = App->GetCurrentTask(); current && PathInside(current->FileName, old_path)) {
        current->FileName = WithoutTrailingSlash(new_path) + "/" +
                            current->FileName.substr(WithoutTrailingSlash(old_path).size() + 1);
        current->Category = CategoryOfTaskFile(current->FileName);
    }
    if (SamePath(App->TasksDir + App->GetLastCategory(), old_path)) App->SetLastCategory(CategoryOfFolder(new_path));
    QMetaObject::invokeMethod(this, [this] { tvTasksChange(); }, Qt::QueuedConnection);
}

}  // namespace corvane
