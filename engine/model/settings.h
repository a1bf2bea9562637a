#pragma once
// The program's one settings object, App. Every persistent setting lives in the current user's
// registry under kSettingsKey; each setter writes its value at once, so nothing is written at exit.
// Folders are "/"-separated and end in "/".

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/rtl/string_list.h"

namespace corvane {

class TCVTask;

inline constexpr const char* kProductKey = "\\Software\\Brellium\\Corvane";
inline constexpr const char* kSettingsKey = "\\Software\\Brellium\\Corvane\\Settings";
inline constexpr const char* kActiveTasksFile = "ActiveTasks.lst";
inline constexpr const char* kActiveTasksLock = ".ActiveTasks.lst.lock";
// Left in a temporary capture folder the program made itself; only such a folder is deleted at exit.
inline constexpr const char* kTempFolderMarker = ".corvane-temp";

inline constexpr int kMinConnections = 1;
inline constexpr int kMaxConnections = 16;
inline constexpr int kMinPriority = 0;
inline constexpr int kMaxPriority = 10;
int ClampConnections(int value);
int ClampPriority(int value);

// The agent sent for the stored "User Agent" choice ('' and "Corvane" give the product's own).
std::string MapUserAgent(const std::string& choice);
std::string ProductUserAgent();

// The default temporary capture folder: "temp/Corvane/" in $CORVANE_HOME when set, else
// "corvane-<uid>/Corvane/" in $TMPDIR (or /tmp). The per-user folder is made with mode 0700 and must
// be a real folder owned by this user; std::runtime_error otherwise.
std::string DefaultTempFolder();

class TCVApp {
public:
    TCVApp();  // reads every setting and the active-task list
    ~TCVApp();
    TCVApp(const TCVApp&) = delete;
    TCVApp& operator=(const TCVApp&) = delete;

    std::string Browser;
    TStringList ActiveTasks;  // task file paths; rewritten by TCVTask::Save
    std::string DownloadsFolder;
    std::string IntranetFolder;
    std::string TempFolder;  // other threads ask GetTempFolder
    std::string TasksDir;
    std::string ProfilesDir;
    std::string LastCategory;
    std::string LastTask;
    std::uint8_t SaveMode = 0;
    bool ShowSummary = true;
    bool BeepOnCompletion = true;
    bool ZipPropertiesFirst = false;
    // Read by the dispatch thread without a lock; always within their ranges.
    std::atomic<int> Connections{5};
    std::atomic<int> Priority{5};
    bool UseProxy = false;
    std::string ProxyAddress;
    std::string ProxyPort;
    std::string ProxyAuthorization;
    std::string Language;
    std::string Skin;
    // "Skins/" in the resources; every skin is a folder in it.
    std::string SkinsDir;
    std::string DefaultSkinDir;
    int MaxURLHistory = 20;
    int MaxFileHistory = 10;
    int QueueSaveInterval = 10;
    std::string UserAgent;

    // Colours in the $00BBGGRR form, chosen by screen depth on first use (no screen exists when App
    // is made).
    const std::array<std::uint32_t, 4>& Colors();

    // Folder getters read the registry each time, complete an empty value with the default, create
    // the folder with its parents and return it (std::runtime_error when it cannot be made).
    std::string GetDownloadsFolder();
    std::string GetIntranetFolder();
    std::string GetTempFolder();
    void SetDownloadsFolder(const std::string& path);
    void SetIntranetFolder(const std::string& path);
    // Appends "Corvane/" unless "Corvane" already is the last component: the exit clean-up deletes
    // this folder, so it must never be a folder of the user's own.
    void SetTempFolder(const std::string& path);

    void SetLastCategory(const std::string& name);
    // The category the task windows work in, as stored: "" is the tasks folder itself (the field
    // LastCategory shows it as "General").
    std::string GetLastCategory() const;
    void SetLastTask(const std::string& name);
    std::uint8_t GetSaveMode() const;
    void SetSaveMode(std::uint8_t mode);
    void SetShowSummary(bool value);
    void SetBeepOnCompletion(bool value);
    void SetUseProxy(bool value);
    void SetConnections(int value);
    void SetMaxURLHistory(int value);
    void SetMaxFileHistory(int value);
    void SetProxyAddress(const std::string& value);
    void SetProxyPort(const std::string& value);
    void SetProxyAuthorization(const std::string& value);
    void SetLanguage(const std::string& value);
    void SetSkin(const std::string& value);
    // Also restarts the page/resource balance of the current task.
    void SetPriority(int value);
    void SetUserAgent(const std::string& choice);

    // The current skin's folder, SkinsDir + Skin + "/". A Skin setting that is not
    // a plain folder name (empty, ".", "..", or holding "/") stands for the Default skin.
    std::string GetSkinPath() const;

    // Rewrites "ActiveTasks.lst" from ActiveTasks (std::runtime_error when it cannot be written).
    void SaveActiveTasks() const;
    // Lists the task file (listed) or takes it off the list: the file is read again under a lock
    // beside it first, so that processes sharing the data root never drop each other's entries.
    // ActiveTasks becomes the list as written (std::runtime_error when it cannot be written).
    void UpdateActiveTasks(const std::vector<std::string>& task_files, bool listed);

    // The first task of the active-task list that is due; nullptr when none is. Listed files that are
    // gone are dropped from the list, and only Scheduled or Downloading tasks count. A task file for
    // which held is true is passed over, so that a task held back never stops those after it.
    std::shared_ptr<TCVTask> NextDueTask(const std::function<bool(const std::string&)>& held = {});

    // Any thread may read the current task; the object stays alive while a caller holds it.
    std::shared_ptr<TCVTask> GetCurrentTask() const;
    // Main thread. The status view is rebound and the explorer refreshed through the engine host.
    void SetCurrentTask(std::shared_ptr<TCVTask> task);

private:
    mutable std::mutex current_lock_;
    std::mutex folders_lock_;
    std::shared_ptr<TCVTask> current_task_;
    std::optional<std::array<std::uint32_t, 4>> colors_;
};

// The global settings object, from CreateApp to ReleaseApp.
extern std::unique_ptr<TCVApp> App;
// The full path of a skin file: the current skin's copy when it exists, else the Default skin's,
// whether that exists or not (the loader reports a file missing in both). Without App, the Default
// skin's. Names are plain file names ("run.bmp").
std::string SkinFile(const std::string& name);
// The downloads folder for windows that only offer it as a start: '' without App or when the folder
// cannot be made.
std::string DownloadsFolderOrEmpty();

// Module start-up of the engine: the short date format "MM/d/yy" and App.
void CreateApp();
// Module shut-down: releases App (its current task is not saved again).
void ReleaseApp();

}  // namespace corvane
