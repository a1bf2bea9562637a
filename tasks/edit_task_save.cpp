// The task dialog's checks on OK and the saving of the task: its file, its queue and the active-task
// list follow a rename or a move to another category.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <filesystem>
#include <system_error>

#include "engine/support/file_routines.h"
#include "engine/model/profile.h"
#include "engine/model/settings.h"
#include "engine/model/task.h"
#include "engine/support/text_routines.h"
#include "engine/parse/url_model.h"
#include "localisation/app_language.h"
#include "localisation/lang_text.h"
#include "localisation/message_ids.h"
#include "tasks/edit_task_dialog.h"
#include "tasks/entry_dialogs.h"
#include "tasks/file_type_tree.h"
#include "tasks/url_filter_lists.h"
#include "widgets/message_box.h"

namespace corvane {

namespace {


bool StartsWithText(const std::string& text, const std::string& prefix) {
    return text.size() >= prefix.size() && SameText(text.substr(0, prefix.size()), prefix);
}

// The queue beside a task file: its name with ".dwn" for the extension.
std::string QueueFileOf(const std::string& task_file) {
    const std::size_t slash = task_file.rfind('/');
    const std::size_t dot = task_file.rfind('.');
    const bool has_ext = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    return (has_ext ? task_file.substr(0, dot) : task_file) + kQueueFileExt;
}

bool SameFile(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty()) return false;
    std::error_code ec;
    return a == b || std::filesystem::equivalent(a, b, ec);
}

}  // namespace

bool TdlgEditTask::ValidateTask() {
    Overwrite = false;
    replacedTask_.clear();

    std::string url = cmbURL->currentText().toStdString();
    if (!NormalizeURL(url)) {
        ShowError(this, "A valid Internet address (URL) is required");
        return false;
    }
    if (!StartsWithText(url, "http://") && !StartsWithText(url, "https://")) {
        ShowError(this, LangText(msg::UrlNeedsHttp));
        return false;
    }
    {
        const QSignalBlocker block(cmbURL);
        cmbURL->setEditText(QString::fromStdString(url));
    }

    const std::string name = edTaskName->text().toStdString();
    if (name.empty()) {
        ShowError(this, LangText(msg::TaskNeedsName));
        return false;
    }
    // Both become file and folder names under the tasks folder.
    if (!IsValidName(name)) {
        ShowError(this, LangText(msg::TaskNameInvalid));
        return false;
    }
    if (!IsValidCategory(Category())) {
        ShowError(this, LangText(msg::TaskCategoryInvalid));
        return false;
    }

    // Replacing another task's file is asked in every mode; the task's own file is no other task.
    const std::string target = TaskFileName(Category(), name);
    std::error_code ec;
    if (std::filesystem::exists(target, ec) && !SameFile(target, Task->FileName)) {
        MessageBoxRequest box;
        box.kind = MsgKind::Error;
        box.text = LangText(msg::TaskExists);
        box.buttons = MsgButton::Yes | MsgButton::No;
        if (ShowMessageBox(this, box) != MsgButton::Yes) return false;
        Overwrite = true;
        replacedTask_ = target;
    }

    if (rbZip->isChecked() && !ValidateZipName()) {
        ShowWarning(this, LangText(msg::ZipNameNeedsFolder1) + "\n" + LangText(msg::ZipNameNeedsFolder2));
        return false;
    }
    if (rbIntranet->isChecked() && !ValidateIntranetFolder()) {
        ShowWarning(this, LangText(msg::IntranetNeedsFolder1) + "\n" + LangText(msg::IntranetNeedsFolder2));
        return false;
    }
    return true;
}

bool TdlgEditTask::ValidateZipName() {
    // An absolute path with a file name that is more than its extension; no extension gets ".zip".
    const std::string path = edFileName->text().toStdString();
    const std::size_t slash = path.rfind('/');
    if (path.empty() || path.front() != '/' || slash == std::string::npos) return false;
    const std::string file = path.substr(slash + 1);
    const std::string ext = ExtractFileExt(file);
    if (file.empty() || file == ext) return false;
    if (ext.empty()) edFileName->setText(QString::fromStdString(path + ".zip"));
    return true;
}

bool TdlgEditTask::ValidateIntranetFolder() {
    const std::string path = edIntranetFolder->text().toStdString();
    return !path.empty() && path.front() == '/';
}

void TdlgEditTask::SaveTask() {
    const std::string original = Task->FileName;
    ControlsToTask();
    CategoryChanged = App && Task->Category != App->GetLastCategory();
    WriteTaskFiles(original, replacedTask_);
    if (rbZip->isChecked() && !newZipToReplace_.empty() && Task->Destination == newZipToReplace_) {
        std::error_code ec;
        std::filesystem::remove(newZipToReplace_, ec);
        newZipToReplace_.clear();
    }
    ReloadCurrentTask(original);
}

void TdlgEditTask::ControlsToTask() {
    Task->Name = edTaskName->text().toStdString();
    Task->Category = Category();
    Task->FileName = TaskFileName(Task->Category, Task->Name);
    Task->URL = cmbURL->currentText().toStdString();
    const bool login = cbUserNamePassword->isChecked();
    Task->UserName = login ? dlgUserNamePassword->edUserName->text().toStdString() : std::string();
    Task->Password = login ? dlgUserNamePassword->edPassword->text().toStdString() : std::string();
    if (rbIntranet->isChecked()) {
        std::string folder = edIntranetFolder->text().toStdString();
        if (folder.empty() || folder.back() != '/') folder += '/';
        Task->Destination = folder;
        Task->IntranetMode = true;
    } else {
        Task->Destination = edFileName->text().toStdString();
        Task->IntranetMode = false;
    }
    // The checked radio decides; "Now" is due at once, a chosen rule at the run it worked out.
    if (rbScheduleNow->isChecked()) {
        Task->Status = tsScheduled;
        Task->Schedule = "Now";
        Task->NextRun = 0;
    } else if (rbScheduleAt->isChecked() && !edSchedule->text().isEmpty()) {
        Task->Status = tsScheduled;
        Task->Schedule = edSchedule->text().toStdString();
        Task->NextRun = scheduleNextRun_;
    } else {
        Task->Status = tsUnscheduled;
        Task->Schedule.clear();
        Task->NextRun = 0;
    }
    ControlsToProfile();
}

void TdlgEditTask::ControlsToProfile() {
    TCVProfile& p = Task->Profile;
    p.Name = cmbProfile->currentText().toStdString();
    p.Depth = rbAll->isChecked() ? -1 : rbPageOnly->isChecked() ? 0 : edLevels->value();
    p.FileTypes = FileTypes().ProfileFileTypes();
    p.PageLocation = rbPagesDir->isChecked() ? lcDirectory : rbPagesSite->isChecked() ? lcSite : lcAnywhere;
    p.ResourceLocation = rbResDir->isChecked() ? lcDirectory : rbResSite->isChecked() ? lcSite : lcAnywhere;
    p.AggressiveParser = !cbAggressiveParser->isChecked() ? 0 : rbAPAll->isChecked() ? 2 : 1;
    p.ConvertFollowedLinks = rbcflNone->isChecked() ? 0 : 1;
    p.ConvertUnfollowedLinks = rbculNone->isChecked() ? 0 : rbculWebsite->isChecked() ? 1 : 2;
    p.UseStartPageTitle = cbUseStartPageTitle->isChecked();
    p.URLFiltersExclude = Filters().Exclude();
    p.URLFiltersInclude = Filters().Include();
}

void TdlgEditTask::WriteTaskFiles(const std::string& original_file, const std::string& replaced_file) {
    namespace fs = std::filesystem;
    // The new file first: should it fail, the old task is still whole.
    Task->Save();
    std::error_code ec;
    const std::string queue = Task->GetQueueFileName();
    // A replaced task's queue is not this task's.
    if (!replaced_file.empty()) fs::remove(QueueFileOf(replaced_file), ec);
    // Only an edited task leaves its old place; a task added from a file never touches that file.
    if (!EditMode() || original_file.empty() || SameFile(original_file, Task->FileName)) return;
    const std::string old_queue = QueueFileOf(original_file);
    if (fs::exists(old_queue, ec)) {
        fs::rename(old_queue, queue, ec);
        if (ec) {
            // Another file system: copy, then drop the old one.
            if (CopyFileForce(old_queue, queue)) fs::remove(old_queue, ec);
        }
    }
    fs::remove(original_file, ec);
    const int listed = App->ActiveTasks.IndexOf(original_file);
    if (listed >= 0) {
        App->ActiveTasks.Delete(listed);
        App->SaveActiveTasks();
    }
}

void TdlgEditTask::ReloadCurrentTask(const std::string& original_file) {
    if (!App) return;
    const std::shared_ptr<TCVTask> current = App->GetCurrentTask();
    if (!current || current == Task || current->IsRunning()) return;
    if (!SameFile(current->FileName, Task->FileName) && !(EditMode() && current->FileName == original_file)) return;
    // A later run from the status view must work by the rules just saved, not the old ones.
    std::shared_ptr<TCVTask> reloaded = LoadTask(Task->FileName);
    reloaded->Category = Task->Category;
    App->SetCurrentTask(std::move(reloaded));
}

}  // namespace corvane
