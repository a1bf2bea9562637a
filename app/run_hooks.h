#pragma once
// The main window's side of the engine: the window parts of the run control, the engine host (status
// view, connections view, explorer, offline box, busy cursor) and the application host that windows
// below the main window call. One object implements all three on the main window's views.
//
// Main thread only.

#include <memory>
#include <string>

#include "archive/form_zip_hooks.h"
#include "engine/run/engine_host.h"
#include "widgets/app_host.h"

namespace corvane {

class TFormCorvane;

class TMainHooks : public TFormZipArchiveHooks, public EngineHost, public AppHost {
public:
    explicit TMainHooks(TFormCorvane& form);
    ~TMainHooks() override;
    TMainHooks(const TMainHooks&) = delete;
    TMainHooks& operator=(const TMainHooks&) = delete;

    // Installs this object as the engine host and the application host (and takes both back).
    void Install();
    void Uninstall();

    // Whether the window may close. Asks (726, 727) while the current task runs; Yes stops it. A quiet
    // close (a signal) asks nothing. Not while a stop or finish is under way: the window waits for it.
    bool FormCloseQuery();
    // Set while the window closes: a stop then shows no task report.
    bool Closing = false;

    // The run control's window parts.
    void StatusMessage(int number, const std::string& tail) override;
    void AnimateLogo(bool running) override;
    void SetRunEnabled(bool enabled) override;
    void ShowArchiveView() override;
    void ShowTaskReport(TCVTask& task) override;
    void TaskRescheduled(TCVTask& task) override;
    void Beep() override;
    void ShowExplorer(TCVTask& task) override;

    // The engine host.
    void UpdateStats() override;
    void UpdateResources() override;
    void UpdateSockets() override;
    void ChartPoint(double seconds, double kilobytes, double rate, int connections) override;
    void ShowStatus(const std::string& text, int position, int maximum) override;
    void ShowViewStatus(const std::string& text, int position, int maximum) override;
    void SetOfflineIndicator(bool offline) override;
    void SetBusyCursor(bool busy) override;
    void TaskProgress(const std::string& message, int position, int maximum) override;
    void StartDueTask(std::shared_ptr<TCVTask> task) override;
    void CurrentTaskChanged(const std::shared_ptr<TCVTask>& task) override;
    // Busy-cursor requests still open.
    int BusyCount() const { return busy_; }

    // The application host.
    void ShowBrowserView(const std::string& url_or_path) override;
    void ShowZipView() override;
    void ShowSchedulerView() override;
    void ShowExploreView() override;
    bool BrowserViewExists() override;
    void ClearExplorer() override;
    std::string OpenArchiveForBrowsing(const std::string& zip_file) override;
    // new_task.cpp.
    void NewTask(const std::string& url, const std::string& profile, bool intranet_mode, bool map_only) override;
    bool IntranetModeDown() override;
    void StopTask(const std::shared_ptr<TCVTask>& task) override;
    bool ExploreTask(const std::string& task_file) override;
    void ApplySkin() override;
    std::string URLBoxText() override;
    std::vector<std::string> RecentURLs() override;
    void ClearRecentURLs() override;
    std::vector<std::string> RecentArchives() override;
    void AddRecentArchive(const std::string& zip_file) override;
    void RemoveRecentArchive(const std::string& zip_file) override;
    void ClearRecentArchives() override;
    // The archive window's popup and keys (main_commands_zip.cpp).
    QMenu* ZipPopupMenu() override;
    void RunZipDelete() override;
    void UpdateZipCommands() override;
    void RunZipBrowse(QObject* sender) override;

private:
    TFormCorvane& form_;
    int busy_ = 0;
    bool installed_ = false;
};

}  // namespace corvane
