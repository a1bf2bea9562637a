#pragma once
// An AppHost for window tests: records every call as a line ("NewTask(http://a/,,1,0)") and gives the
// answers a test sets. Installed while it lives.

#include <QMenu>
#include <string>
#include <vector>

#include "widgets/app_host.h"

namespace corvane::testing {

class RecordingAppHost : public AppHost {
public:
    RecordingAppHost();
    ~RecordingAppHost() override;
    RecordingAppHost(const RecordingAppHost&) = delete;
    RecordingAppHost& operator=(const RecordingAppHost&) = delete;

    void ShowBrowserView(const std::string& url_or_path) override;
    bool BrowserViewExists() override;
    void ShowZipView() override;
    void ShowSchedulerView() override;
    void ShowExploreView() override;
    void ClearExplorer() override;
    std::string OpenArchiveForBrowsing(const std::string& zip_file) override;
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
    void ClearRecentArchives() override;
    QMenu* ZipPopupMenu() override;
    void RunZipDelete() override;
    void RunZipBrowse(QObject* sender) override;

    std::vector<std::string> calls;

    // Answers.
    std::string browse_root;  // OpenArchiveForBrowsing
    bool browser_view_exists = false;
    bool intranet_mode_down = false;
    bool explore_result = true;
    std::string url_box_text;
    std::vector<std::string> recent_urls;      // ClearRecentURLs empties it
    std::vector<std::string> recent_archives;  // AddRecentArchive and ClearRecentArchives change it
    QMenu zip_popup;

private:
    void Record(std::string call) { calls.push_back(std::move(call)); }
};

}  // namespace corvane::testing
