// A new task from a URL: named after its site in the last category, with its archive or the
// intranet folder as destination; with a named profile it is saved as due at once, otherwise the
// task dialog opens.

#include <memory>

#include "app/form_corvane.h"
#include "app/run_hooks.h"
#include "app/view_manager.h"
#include "archive/form_zip.h"
#include "engine/model/archive_name.h"
#include "engine/support/file_routines.h"
#include "engine/model/profile.h"
#include "engine/model/settings.h"
#include "engine/model/task.h"
#include "engine/parse/url_model.h"
#include "platform/rtl/log.h"
#include "tasks/edit_task_dialog.h"
#include "tasks/task_tree_window.h"
#include "widgets/message_box.h"
#include "widgets/mru_file_list.h"
#include "widgets/transparent_button.h"

#include <QComboBox>

namespace corvane {
namespace {

constexpr const char* kFallbackCategory = "General";
constexpr const char* kFallbackName = "task";

bool NamedProfile(const std::string& profile) { return !profile.empty() && profile != "Custom"; }

// The task file for the site in the stored category; a category or name the tasks folder refuses
// gives way to the fixed ones.
std::string NewTaskFile(const std::string& url, std::string& category) {
    std::string name = ReplaceInvalidFileChars(SiteShortName(url), '_');
    if (name.empty()) name = kFallbackName;
    category = App->GetLastCategory();
    std::string file;
    try {
        file = TaskFileName(category, name);
    } catch (const EInvalidName&) {
        try {
            file = TaskFileName(category = kFallbackCategory, name);
        } catch (const EInvalidName&) {
            file = TaskFileName(category, name = kFallbackName);
        }
    }
    return UniqueFileName(file);
}

}  // namespace

void TMainHooks::NewTask(const std::string& url_in, const std::string& profile, bool intranet_mode, bool map_only) {
    if (!App) return;
    std::string url = url_in;
    const bool named = NamedProfile(profile);
    if (named && !CheckUserURL(url, [this](const std::string& text) { ShowError(&form_, QString::fromStdString(text)); }))
        return;

    auto task = std::make_shared<TCVTask>();
    bool chosen_archive = false;
    try {
        std::string category;
        const std::string file = NewTaskFile(url, category);
        task->Category = category;
        task->Name = FileNameNoExt(file);
        task->FileName = file;
        task->URL = url;
        task->IntranetMode = intranet_mode;
        if (map_only) task->RunMethod = rmMap;

        if (named) {
            task->Profile.FileName = ProfileFileName(profile);
            task->Profile.Load();
            if (task->Profile.Name.empty()) task->Profile.Name = profile;
        } else {
            task->Profile.Name = "Custom";
        }

        if (intranet_mode) {
            task->Destination = App->GetIntranetFolder();
        } else {
            form_.Views().ShowZipView();
            std::string candidate;
            TFormZip* zip = form_.Views().FormZip;
            // The selected node's archive: the component's current file may still be another one
            // whose listing runs.
            if (form_.btnAddToSelectedZip->Down() && zip && zip->Selected() != 0)
                if (const TZipObj* selected = zip->Tree().Obj(zip->Selected())) candidate = selected->ZipFileName;
            if (!candidate.empty()) {
                task->Destination = candidate;
                chosen_archive = true;
                // An archive the user chose keeps its name.
                task->Profile.UseStartPageTitle = false;
            } else {
                task->Destination = UniqueArchiveName(App->GetDownloadsFolder() + task->Name + ".zip",
                                                      TaskDestinations(App->TasksDir));
            }
        }

        if (named) {
            task->Schedule = "Now";
            task->Status = tsScheduled;
            task->Save();
        } else {
            TdlgEditTask dialog(&form_);
            dialog.setWindowTitle(QStringLiteral("Create New Task"));
            dialog.Task = task;
            dialog.ChosenArchive = chosen_archive;
            if (dialog.exec() != QDialog::Accepted) return;
        }
    } catch (const std::exception& e) {
        ShowError(&form_, QString::fromStdString(e.what()));
        return;
    }

    // The dialog may have changed the address; an empty one is not worth remembering.
    if (!task->URL.empty()) {
        form_.mruURLs->AddItem(QString::fromStdString(task->URL));
        form_.mruURLs->SaveToRegistry();
        form_.mruURLs->LoadFromRegistry();
        const QString text = form_.cmbURL->currentText();
        form_.cmbURL->clear();
        form_.cmbURL->addItems(form_.mruURLs->Items());
        form_.cmbURL->setEditText(text);
    }
    form_.Views().ShowSchedulerView();
    if (TFormScheduler* tree = form_.Views().FormScheduler) tree->SelectTaskNode(task->FileName);
}

}  // namespace corvane
