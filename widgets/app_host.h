#pragma once
// What a window below the main window (archive window, task windows, shell dialogs) asks of the main
// window. The main window installs itself with SetAppHost; until then every call does nothing and
// answers empty, so a window can be built and tested alone. The status line is not here: it stays
// Host().ShowStatus of the engine.
//
// Main thread only. Later windows add the calls they need here; there is no second host interface.

#include <memory>
#include <string>
#include <vector>

class QMenu;
class QObject;

namespace corvane {

class TCVTask;

class AppHost {
public:
    virtual ~AppHost() = default;

    // Views of the main window, created on first use and docked. An empty address shows the home page;
    // otherwise a web address or a local file path.
    virtual void ShowBrowserView(const std::string& /*url_or_path*/) {}
    virtual void ShowZipView() {}
    virtual void ShowSchedulerView() {}
    virtual void ShowExploreView() {}
    // Whether the browser view exists (shown or not).
    virtual bool BrowserViewExists() { return false; }
    // Empties the task explorer's list (the task it showed is gone).
    virtual void ClearExplorer() {}

    // Opens the archive in the archive window and unpacks it for browsing; the folder it was unpacked
    // into, or "" when it could not be opened.
    virtual std::string OpenArchiveForBrowsing(const std::string& /*zip_file*/) { return {}; }

    // Task run control: a new task for the address (profile "" asks through the task dialog), in
    // Personal Intranet mode or not, map-only or not.
    virtual void NewTask(const std::string& /*url*/, const std::string& /*profile*/, bool /*intranet_mode*/,
                         bool /*map_only*/) {}
    // Whether the main window's Personal Intranet save-mode button is down.
    virtual bool IntranetModeDown() { return false; }
    virtual void StopTask(const std::shared_ptr<TCVTask>& /*task*/) {}
    // Shows the task file in the explorer; false when it could not be loaded.
    virtual bool ExploreTask(const std::string& /*task_file*/) { return false; }

    // Re-reads the skin into every skinned control of the main window and its views.
    virtual void ApplySkin() {}
    // The text of the main window's URL box.
    virtual std::string URLBoxText() { return {}; }

    // Recent-entry lists of the main window, newest first.
    virtual std::vector<std::string> RecentURLs() { return {}; }
    virtual void ClearRecentURLs() {}
    virtual std::vector<std::string> RecentArchives() { return {}; }
    // Puts the archive at the top of the recent archives (saved at once).
    virtual void AddRecentArchive(const std::string& /*zip_file*/) {}
    // Drops the archive from the recent archives (saved at once): it was renamed or is gone.
    virtual void RemoveRecentArchive(const std::string& /*zip_file*/) {}
    virtual void ClearRecentArchives() {}

    // The main window's archive menu, which the archive window shows as its own popup; null when none.
    virtual QMenu* ZipPopupMenu() { return nullptr; }
    // The main window's zip commands: delete the selection of the archive window, browse its item.
    // The sender tells the browse command whether it came from the archive list.
    virtual void RunZipDelete() {}
    // A key is about to be matched in the archive window: the zip commands' enabled state (kept from
    // the last opening of a menu) follows its focus and selection of this moment.
    virtual void UpdateZipCommands() {}
    virtual void RunZipBrowse(QObject* /*sender*/) {}
};

// The installed host (a do-nothing one until SetAppHost). The caller keeps ownership and uninstalls
// (SetAppHost(nullptr)) before it goes.
AppHost& AppHostInstance();
void SetAppHost(AppHost* host);

}  // namespace corvane
