// Browsing a task's captured copy or its address, and its report pages.

#include <QMessageBox>
#include <filesystem>

#include "engine/model/settings.h"
#include "engine/model/task.h"
#include "localisation/message_ids.h"
#include "platform/launch/launcher.h"
#include "platform/rtl/string_list.h"
#include "tasks/lang_text.h"
#include "tasks/report/task_report.h"
#include "tasks/run_task.h"
#include "tasks/task_report_dialog.h"
#include "tasks/task_tree_paths.h"
#include "tasks/task_tree_window.h"
#include "widgets/app_host.h"
#include "widgets/launch_or_tell.h"
#include "widgets/message_box.h"

namespace corvane {
namespace {

bool IsFile(const std::string& path) {
    std::error_code ec;
    return !path.empty() && std::filesystem::is_regular_file(path, ec);
}

// Only these go to the desktop from "Online": a task's address may be any text.
bool IsWebAddress(const std::string& url) {
    const std::string lower = LowerCase(url);
    return lower.rfind("http://", 0) == 0 || lower.rfind("https://", 0) == 0;
}

// The local start page under folder: the task's own page moved from its usual folder.
std::string StartPageUnder(const TCVTask& task, const std::string& folder) {
    const std::string page = task.GetLocalStartPage();
    const std::string own = task.GetFolder();
    if (page.compare(0, own.size(), own) != 0) return {};
    const std::string base = folder.empty() || folder.back() == '/' ? folder : folder + "/";
    return base + page.substr(own.size());
}

}  // namespace

std::string TFormScheduler::BrowseFolder(const std::shared_ptr<TCVTask>& task, bool offer_run) {
    if (task->IntranetMode) return task->GetFolder();
    if (!IsFile(task->Destination)) {
        if (!offer_run) {
            ShowInformation(this, QStringLiteral("This task has not been run, or its resulting zip file no longer exists."));
        } else if (ShowMessageBox(this, {MsgKind::Information, {}, LangText(msg::AskRunForReport),
                                         MsgButton::Yes | MsgButton::No, MsgButton::None}) == MsgButton::Yes) {
            RunTask(task);
        }
        return {};
    }
    AppHost& host = AppHostInstance();
    host.ShowZipView();
    return host.OpenArchiveForBrowsing(task->Destination);
}

void TFormScheduler::actTasksBrowseExecute(QObject* sender) {
    std::shared_ptr<TCVTask> task = SelectedTask();
    if (!task) return;
    if (sender == actTasksBrowseOnline) {
        if (IsWebAddress(task->URL)) LaunchOrTell(this, task->URL);
        return;
    }
    const std::string folder = BrowseFolder(task, false);
    if (folder.empty()) return;
    const std::string page = StartPageUnder(*task, folder);
    // Only the captured start page itself: a task file can name any address.
    if (!IsFile(page) || !PathInside(page, folder)) return;
    if (sender == actTasksBrowseOffline)
        LaunchOrTell(this, page);
    else
        AppHostInstance().ShowBrowserView(page);
}

void TFormScheduler::RunReportDialog(const std::shared_ptr<TCVTask>& task, const std::string& folder) {
    TdlgTaskReport dialog(this);
    dialog.Task = task;
    if (!task->IntranetMode) dialog.CaptureFolder = folder;
    dialog.exec();
}

void TFormScheduler::ShowTaskReport(const std::shared_ptr<TCVTask>& task) {
    if (!task) return;
    const std::string folder = BrowseFolder(task, true);
    if (folder.empty()) return;
    RunReportDialog(task, folder);
}

void TFormScheduler::OpenReportPage(const char* suffix) {
    std::shared_ptr<TCVTask> task = SelectedTask();
    if (!task) return;
    const std::string folder = BrowseFolder(task, true);
    if (folder.empty()) return;
    const TTaskReport report(*task, folder);
    const std::string suffix_text = suffix;
    const std::string page = report.SummaryFile().substr(0, report.SummaryFile().size() - 12) + suffix_text;
    if (IsFile(page))
        AppHostInstance().ShowBrowserView(page);
    else
        RunReportDialog(task, folder);
}

void TFormScheduler::actTasksSummaryExecute() { OpenReportPage("_summary.htm"); }
void TFormScheduler::actTasksPageIndexExecute() { OpenReportPage("_pages_1.htm"); }
void TFormScheduler::actTasksImageIndexExecute() { OpenReportPage("_images_1.htm"); }

void TFormScheduler::actTasksCreateReportsExecute() {
    std::shared_ptr<TCVTask> task = SelectedTask();
    if (task) ShowTaskReport(task);
}

}  // namespace corvane
