#include "app/run_hooks.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>

#include "app/form_corvane.h"
#include "app/form_downloader.h"
#include "app/form_explore.h"
#include "app/form_status.h"
#include "app/view_manager.h"
#include "archive/form_zip.h"
#include "engine/model/settings.h"
#include "engine/model/task.h"
#include "engine/run/task_runner.h"
#include "localisation/app_language.h"
#include "localisation/lang_text.h"
#include "localisation/message_ids.h"
#include "platform/launch/launcher.h"
#include "tasks/task_tree_window.h"
#include "widgets/gif_image.h"
#include "widgets/message_box.h"
#include "widgets/mru_file_list.h"
#include "widgets/transparent_button.h"

namespace corvane {
namespace {


std::vector<std::string> ToStrings(const QStringList& list) {
    std::vector<std::string> out;
    for (const QString& item : list) out.push_back(item.toStdString());
    return out;
}

void Clear(TMRUFileList& list) {
    const QStringList items = list.Items();
    for (const QString& item : items) list.RemoveItem(item);
    list.SaveToRegistry();
}

}  // namespace

TMainHooks::TMainHooks(TFormCorvane& form)
    : TFormZipArchiveHooks([&form](bool show) -> TFormZip* {
          if (show) form.Views().ShowZipView();
          return form.Views().FormZip;
      }),
      form_(form) {}

TMainHooks::~TMainHooks() { Uninstall(); }

void TMainHooks::Install() {
    SetEngineHost(this);
    SetAppHost(this);
    installed_ = true;
}

void TMainHooks::Uninstall() {
    if (!installed_) return;
    installed_ = false;
    if (&Host() == this) SetEngineHost(nullptr);
    if (&AppHostInstance() == this) SetAppHost(nullptr);
    while (busy_ > 0) SetBusyCursor(false);
}

bool TMainHooks::FormCloseQuery() {
    TaskRunner* runner = form_.Runner();
    const auto task = App ? App->GetCurrentTask() : nullptr;
    if (!task || !task->IsRunning()) return true;
    if (!form_.ClosingQuietly()) {
        const MsgButton answer =
            AskQuestion(&form_, LangText(msg::ConfirmQuitRunning1) + QLatin1Char('\n') + LangText(msg::ConfirmQuitRunning2));
        if (answer != MsgButton::Yes) return false;
    }
    Closing = true;
    if (runner) runner->StopTask(task);
    return true;
}

// Run control ----------------------------------------------------------------------------------

void TMainHooks::StatusMessage(int number, const std::string& tail) {
    const std::string text = AppLanguage().GetLangStr(static_cast<std::uint16_t>(number)) + tail;
    TFormStatus* status = form_.Views().FormStatus;
    if (status && TellsWhyARunFailed(number))
        status->ShowReason(QString::fromStdString(text));
    else
        ShowStatus(text, 0, 0);
}

void TMainHooks::AnimateLogo(bool running) {
    form_.GIFImage->SetAnimate(running);
    if (!running) form_.GIFImage->repaint();
}

void TMainHooks::SetRunEnabled(bool enabled) {
    if (TFormStatus* status = form_.Views().FormStatus) status->btnRun->setEnabled(enabled);
}

void TMainHooks::ShowArchiveView() { form_.Views().ShowZipView(); }

void TMainHooks::ShowTaskReport(TCVTask& task) {
    // A modal report would hold up the exit.
    if (Closing || form_.ClosingQuietly()) return;
    auto current = App ? App->GetCurrentTask() : nullptr;
    if (current.get() != &task) return;
    if (TFormScheduler* tree = form_.Views().FormScheduler) tree->ShowTaskReport(current);
}

void TMainHooks::TaskRescheduled(TCVTask& task) {
    // The run has ended: its last states would otherwise wait for the next look at the explorer.
    if (TFormExplore* explore = form_.Views().FormExplore) explore->UpdateRows();
    if (TFormScheduler* tree = form_.Views().FormScheduler) tree->TaskRescheduled(task.FileName);
}

void TMainHooks::Beep() { QApplication::beep(); }

void TMainHooks::ShowExplorer(TCVTask& /*task*/) { form_.Views().ShowExploreView(); }

// Engine host ----------------------------------------------------------------------------------

void TMainHooks::UpdateStats() {
    if (TFormStatus* status = form_.Views().FormStatus) status->UpdateStats();
    if (TFormExplore* explore = form_.Views().FormExplore) explore->UpdateRows();
}

void TMainHooks::UpdateResources() {
    if (TFormStatus* status = form_.Views().FormStatus) status->UpdateResources();
}

void TMainHooks::UpdateSockets() {
    if (TFormDownloader* view = form_.Views().FormDownloader) view->UpdateSockets();
}

void TMainHooks::ChartPoint(double seconds, double kilobytes, double rate, int connections) {
    if (TFormStatus* status = form_.Views().FormStatus) status->ChartPoint(seconds, kilobytes, rate, connections);
}

void TMainHooks::ShowStatus(const std::string& text, int position, int maximum) {
    if (TFormStatus* status = form_.Views().FormStatus)
        status->ShowStatus(QString::fromStdString(text), position, maximum);
}

void TMainHooks::ShowViewStatus(const std::string& text, int position, int maximum) {
    if (TFormStatus* status = form_.Views().FormStatus)
        status->ShowViewStatus(QString::fromStdString(text), position, maximum);
}

void TMainHooks::SetOfflineIndicator(bool offline) {
    // Only the box: its click handler would set the offline state again.
    const QSignalBlocker block(form_.cbWorkOffline);
    form_.cbWorkOffline->setChecked(offline);
}

void TMainHooks::SetBusyCursor(bool busy) {
    // Counted: every request to set it is matched by one to take it off.
    if (busy) {
        if (busy_++ == 0) QApplication::setOverrideCursor(Qt::WaitCursor);
    } else if (busy_ > 0) {
        if (--busy_ == 0) QApplication::restoreOverrideCursor();
    }
}

void TMainHooks::TaskProgress(const std::string& message, int position, int maximum) {
    if (TFormStatus* status = form_.Views().FormStatus)
        status->TaskProgress(QString::fromStdString(message), position, maximum);
}

void TMainHooks::StartDueTask(std::shared_ptr<TCVTask> task) {
    if (TaskRunner* runner = form_.Runner()) runner->StartTask(std::move(task));
}

void TMainHooks::CurrentTaskChanged(const std::shared_ptr<TCVTask>& task) {
    if (task) {
        // Its captured files may be opened from the windows.
        SetCaptureFolder("current", task->IntranetMode ? task->RunFolder() : std::string());
    }
    if (TFormStatus* status = form_.Views().FormStatus) status->SetCurrentTask();
    if (TFormExplore* explore = form_.Views().FormExplore) explore->RefreshList();
}

// Application host -----------------------------------------------------------------------------

void TMainHooks::ShowBrowserView(const std::string& url_or_path) { form_.Views().ShowBrowserView(url_or_path); }

void TMainHooks::ShowZipView() { form_.Views().ShowZipView(); }

void TMainHooks::ShowSchedulerView() { form_.Views().ShowSchedulerView(); }

void TMainHooks::ShowExploreView() { form_.Views().ShowExploreView(); }

bool TMainHooks::BrowserViewExists() { return form_.Views().FormBrowser != nullptr; }

void TMainHooks::ClearExplorer() {
    if (TFormExplore* explore = form_.Views().FormExplore) explore->RefreshList();
}

std::string TMainHooks::OpenArchiveForBrowsing(const std::string& zip_file) {
    form_.Views().ShowZipView();
    TFormZip* zip = form_.Views().FormZip;
    return zip ? zip->OpenForBrowsing(zip_file) : std::string();
}

bool TMainHooks::IntranetModeDown() { return form_.btnIntranetMode->Down(); }

void TMainHooks::StopTask(const std::shared_ptr<TCVTask>& task) {
    if (TaskRunner* runner = form_.Runner(); runner && task) runner->StopTask(task);
}

bool TMainHooks::ExploreTask(const std::string& task_file) {
    TaskRunner* runner = form_.Runner();
    return runner && runner->ExploreTask(task_file);
}

void TMainHooks::ApplySkin() { form_.ApplySkin(); }

std::string TMainHooks::URLBoxText() { return form_.cmbURL->currentText().toStdString(); }

std::vector<std::string> TMainHooks::RecentURLs() { return ToStrings(form_.mruURLs->Items()); }

void TMainHooks::ClearRecentURLs() {
    Clear(*form_.mruURLs);
    form_.cmbURL->clear();
}

std::vector<std::string> TMainHooks::RecentArchives() { return ToStrings(form_.mruFiles->Items()); }

void TMainHooks::AddRecentArchive(const std::string& zip_file) {
    form_.mruFiles->AddItem(QString::fromStdString(zip_file));
    form_.mruFiles->SaveToRegistry();
}

void TMainHooks::RemoveRecentArchive(const std::string& zip_file) {
    form_.mruFiles->RemoveItem(QString::fromStdString(zip_file));
    form_.mruFiles->SaveToRegistry();
}

void TMainHooks::ClearRecentArchives() { Clear(*form_.mruFiles); }

}  // namespace corvane
