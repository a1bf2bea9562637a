#include "tests/support/recording_app_host.h"

#include <algorithm>

#include "engine/model/task.h"

namespace corvane::testing {

RecordingAppHost::RecordingAppHost() { SetAppHost(this); }
RecordingAppHost::~RecordingAppHost() { SetAppHost(nullptr); }

void RecordingAppHost::ShowBrowserView(const std::string& url_or_path) { Record("ShowBrowserView(" + url_or_path + ")"); }
bool RecordingAppHost::BrowserViewExists() { return browser_view_exists; }
void RecordingAppHost::ShowZipView() { Record("ShowZipView()"); }
void RecordingAppHost::ShowSchedulerView() { Record("ShowSchedulerView()"); }
void RecordingAppHost::ShowExploreView() { Record("ShowExploreView()"); }
void RecordingAppHost::ClearExplorer() { Record("ClearExplorer()"); }

std::string RecordingAppHost::OpenArchiveForBrowsing(const std::string& zip_file) {
    Record("OpenArchiveForBrowsing(" + zip_file + ")");
    return browse_root;
}

void RecordingAppHost::NewTask(const std::string& url, const std::string& profile, bool intranet_mode, bool map_only) {
    Record("NewTask(" + url + "," + profile + "," + (intranet_mode ? "1" : "0") + "," + (map_only ? "1" : "0") + ")");
}

bool RecordingAppHost::IntranetModeDown() { return intranet_mode_down; }

void RecordingAppHost::StopTask(const std::shared_ptr<TCVTask>& task) {
    Record("StopTask(" + (task ? task->Name : std::string()) + ")");
}

bool RecordingAppHost::ExploreTask(const std::string& task_file) {
    Record("ExploreTask(" + task_file + ")");
    return explore_result;
}

void RecordingAppHost::ApplySkin() { Record("ApplySkin()"); }
std::string RecordingAppHost::URLBoxText() { return url_box_text; }
std::vector<std::string> RecordingAppHost::RecentURLs() { return recent_urls; }

void RecordingAppHost::ClearRecentURLs() {
    Record("ClearRecentURLs()");
    recent_urls.clear();
}

std::vector<std::string> RecordingAppHost::RecentArchives() { return recent_archives; }

void RecordingAppHost::AddRecentArchive(const std::string& zip_file) {
    Record("AddRecentArchive(" + zip_file + ")");
    std::erase(recent_archives, zip_file);
    recent_archives.insert(recent_archives.begin(), zip_file);
}

void RecordingAppHost::ClearRecentArchives() {
    Record("ClearRecentArchives()");
    recent_archives.clear();
}

QMenu* RecordingAppHost::ZipPopupMenu() { return &zip_popup; }
void RecordingAppHost::RunZipDelete() { Record("RunZipDelete()"); }

void RecordingAppHost::RunZipBrowse(QObject* sender) {
    Record("RunZipBrowse(" + (sender != nullptr ? sender->objectName().toStdString() : std::string()) + ")");
}

}  // namespace corvane::testing
