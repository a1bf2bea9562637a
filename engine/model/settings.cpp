#include "engine/model/settings.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <utility>
#include <sys/stat.h>
#include <unistd.h>

#include "engine/run/engine_host.h"
#include "engine/support/file_routines.h"
#include "engine/model/registry_routines.h"
#include "engine/support/system_info.h"
#include "engine/model/task.h"
#include "engine/model/task_lock.h"
#include "engine/model/version.h"
#include "platform/rtl/date_time.h"
#include "platform/rtl/file_lock.h"
#include "platform/rtl/paths.h"

namespace corvane {

std::unique_ptr<TCVApp> App;

namespace {

std::string ReadString(const char* name, const std::string& def) {
    return RegRead<std::string>(kSettingsKey, name, def);
}
int ReadInt(const char* name, int def) { return RegRead<std::int32_t>(kSettingsKey, name, def); }
bool ReadBool(const char* name, bool def) { return RegRead<bool>(kSettingsKey, name, def); }

void Write(const char* name, const std::string& value) { RegWriteValue(kSettingsKey, name, value); }
void Write(const char* name, int value) { RegWriteValue(kSettingsKey, name, static_cast<std::int32_t>(value)); }
void Write(const char* name, bool value) { RegWriteValue(kSettingsKey, name, value); }

std::string HomeFolder() {
    if (const char* corvane_home = std::getenv("CORVANE_HOME"); corvane_home && *corvane_home)
        return WithTrailingSlash(corvane_home);
    if (const char* home = std::getenv("HOME"); home && *home) return WithTrailingSlash(home);
    return "/";
}

// Creates the folder with its missing parents; a folder that cannot be made raises.
void ForceFolder(const std::string& folder) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec || !std::filesystem::is_directory(folder))
        throw std::runtime_error("Cannot create the folder \"" + folder + "\": " + ec.message());
}

// A folder this user alone may use: made 0700 when missing; an existing one must be a real folder
// (not a symlink) owned by this user, and is then narrowed to 0700.
void PrivateFolder(const std::string& folder) {
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        throw std::runtime_error("Cannot create the folder \"" + folder + "\": " + std::strerror(errno));
    struct stat st {};
    if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid())
        throw std::runtime_error("The temporary folder \"" + folder + "\" is not a private folder of this user");
    if ((st.st_mode & 077) != 0) ::chmod(folder.c_str(), 0700);
}

}  // namespace

int ClampConnections(int value) {
    return value < kMinConnections ? kMinConnections : value > kMaxConnections ? kMaxConnections : value;
}
int ClampPriority(int value) {
    return value < kMinPriority ? kMinPriority : value > kMaxPriority ? kMaxPriority : value;
}

std::string ProductUserAgent() {
    return std::string(kProductName) + "/" + kProductVersion + " (+https://corvane.example/)";
}

std::string MapUserAgent(const std::string& choice) {
    if (choice.empty() || choice == "Corvane") return ProductUserAgent();
    if (choice == "Internet Explorer 4.01") return "Mozilla/4.0 (compatible; MSIE 4.01; Windows 95)";
    if (choice == "Netscape Navigator 4.05") return "Mozilla/4.05 [en] (Win95; I)";
    if (choice == "Anonymous") return "";
    return choice;
}

std::string DefaultTempFolder() {
    if (const char* corvane_home = std::getenv("CORVANE_HOME"); corvane_home && *corvane_home)
        return WithTrailingSlash(corvane_home) + "temp/Corvane/";
    std::string tmp = "/tmp";
    if (const char* env = std::getenv("TMPDIR"); env && *env == '/') tmp = env;
    const std::string base = WithTrailingSlash(tmp) + "corvane-" + std::to_string(::geteuid());
    PrivateFolder(base);
    return base + "/Corvane/";
}

TCVApp::TCVApp() {
    const std::string root = WithTrailingSlash(DataRoot());
    TasksDir = root + "Tasks/";
    ProfilesDir = root + "Profiles/";

    ShowSummary = ReadBool("Show Summary On Completion", true);
    BeepOnCompletion = ReadBool("Beep On Completion", true);
    ZipPropertiesFirst = ReadBool("Zip Properties First", false);
    Connections = ClampConnections(ReadInt("Connections", 5));
    Priority = ClampPriority(ReadInt("Priority", 5));
    UseProxy = ReadBool("Use Proxy", false);
    ProxyAddress = ReadString("Proxy Address", "");
    ProxyPort = ReadString("Proxy Port", "");
    ProxyAuthorization = ReadString("Proxy Authorization", "");
    Language = ReadString("Language", "Native");
    Skin = ReadString("Skin", "Default");
    MaxURLHistory = ReadInt("Max URL History", 20);
    MaxFileHistory = ReadInt("Max File History", 10);

    QueueSaveInterval = 10;

    LastCategory = ReadString("Last Category", "General");
    LastTask = ReadString("Last Task", "General");

    ActiveTasks.SetCaseSensitive(true);  // file paths
    const std::string list = TasksDir + kActiveTasksFile;
    if (std::filesystem::exists(list)) {
        try {
            ActiveTasks.LoadFromFile(list);
        } catch (const std::exception&) {
            ActiveTasks.Clear();  // an unreadable list is an empty one; the next save rewrites it
        }
        for (int i = ActiveTasks.Count() - 1; i >= 0; --i)
            if (ActiveTasks[i].empty()) ActiveTasks.Delete(i);
    }

    SkinsDir = WithTrailingSlash(ResourcesDir()) + "Skins/";
    DefaultSkinDir = SkinsDir + "Default/";
    UserAgent = MapUserAgent(ReadString("User Agent", ""));
    Browser = ReadString("Browser", "");
}

TCVApp::~TCVApp() = default;

const std::array<std::uint32_t, 4>& TCVApp::Colors() {
    if (!colors_) {
        if (ScreenColorCount() >= 257)
            colors_ = std::array<std::uint32_t, 4>{0x00663300, 0x00996633, 0x009C6531, 0x00BDCFCE};
        else
            colors_ = std::array<std::uint32_t, 4>{0x005f4000, 0x00804000, 0x00A16000, 0x00C0DCC0};
    }
    return *colors_;
}

std::string TCVApp::GetDownloadsFolder() {
    DownloadsFolder = ReadString("Downloads Folder", "");
    if (DownloadsFolder.empty()) SetDownloadsFolder("");
    ForceFolder(DownloadsFolder);
    return DownloadsFolder;
}

std::string DownloadsFolderOrEmpty() {
    if (!App) return {};
    try {
        return App->GetDownloadsFolder();
    } catch (const std::exception&) {
        return {};
    }
}

std::string TCVApp::GetIntranetFolder() {
    IntranetFolder = ReadString("Local Intranet Folder", "");
    if (IntranetFolder.empty()) SetIntranetFolder("");
    ForceFolder(IntranetFolder);
    return IntranetFolder;
}

std::string TCVApp::GetTempFolder() {
    // Also asked by worker threads for an item's local file, hence the lock around the field.
    std::string folder = ReadString("Temp Folder", "");
    if (folder.empty()) folder = DefaultTempFolder();
    if (!std::filesystem::is_directory(folder)) {
        ForceFolder(folder);
        std::ofstream(folder + kTempFolderMarker) << "made by " << kProductName << "\n";
    }
    std::lock_guard guard(folders_lock_);
    TempFolder = folder;
    return folder;
}

void TCVApp::SetDownloadsFolder(const std::string& path) {
    DownloadsFolder = path.empty() ? WithTrailingSlash(DataRoot()) + "Downloads/" : WithTrailingSlash(path);
    Write("Downloads Folder", DownloadsFolder);
}

void TCVApp::SetIntranetFolder(const std::string& path) {
    IntranetFolder = path.empty() ? HomeFolder() + "My Intranet/" : WithTrailingSlash(path);
    Write("Local Intranet Folder", IntranetFolder);
}

void TCVApp::SetTempFolder(const std::string& path) {
    if (path.empty()) return;
    std::string folder = WithTrailingSlash(path);
    const std::string trimmed = folder.substr(0, folder.size() - 1);
    const std::string last = trimmed.substr(trimmed.rfind('/') == std::string::npos ? 0 : trimmed.rfind('/') + 1);
    if (!SameText(last, kProductName)) folder += std::string(kProductName) + "/";
    {
        std::lock_guard guard(folders_lock_);
        TempFolder = folder;
    }
    Write("Temp Folder", folder);
}

void TCVApp::SetLastCategory(const std::string& name) {
    LastCategory = name.empty() ? "General" : name;
    Write("Last Category", name);
}

std::string TCVApp::GetLastCategory() const { return ReadString("Last Category", "General"); }

void TCVApp::SetLastTask(const std::string& name) {
    LastTask = name.empty() ? "General" : name;
    Write("Last Task", name);
}

std::uint8_t TCVApp::GetSaveMode() const { return static_cast<std::uint8_t>(ReadInt("Save Mode", 0)); }

void TCVApp::SetSaveMode(std::uint8_t mode) {
    SaveMode = mode;
    Write("Save Mode", static_cast<int>(mode));
}

void TCVApp::SetShowSummary(bool value) {
    ShowSummary = value;
    Write("Show Summary On Completion", value);
}
void TCVApp::SetBeepOnCompletion(bool value) {
    BeepOnCompletion = value;
    Write("Beep On Completion", value);
}
void TCVApp::SetUseProxy(bool value) {
    UseProxy = value;
    Write("Use Proxy", value);
}
void TCVApp::SetConnections(int value) {
    Connections = ClampConnections(value);
    Write("Connections", Connections.load());
}
void TCVApp::SetMaxURLHistory(int value) {
    MaxURLHistory = value;
    Write("Max URL History", value);
}
void TCVApp::SetMaxFileHistory(int value) {
    MaxFileHistory = value;
    Write("Max File History", value);
}
void TCVApp::SetProxyAddress(const std::string& value) {
    ProxyAddress = value;
    Write("Proxy Address", value);
}
void TCVApp::SetProxyPort(const std::string& value) {
    ProxyPort = value;
    Write("Proxy Port", value);
}
void TCVApp::SetProxyAuthorization(const std::string& value) {
    ProxyAuthorization = value;
    Write("Proxy Authorization", value);
}
void TCVApp::SetLanguage(const std::string& value) {
    Language = value;
    Write("Language", value);
}
void TCVApp::SetSkin(const std::string& value) {
    Skin = value;
    Write("Skin", value);
}

void TCVApp::SetPriority(int value) {
    Priority = ClampPriority(value);
    Write("Priority", Priority.load());
    if (auto task = GetCurrentTask()) {
        task->PagesPicked = 0;
        task->ResourcesPicked = 0;
    }
}

void TCVApp::SetUserAgent(const std::string& choice) {
    Write("User Agent", choice);
    UserAgent = MapUserAgent(choice);
}

std::string TCVApp::GetSkinPath() const {
    // The setting comes from the registry; it must not lead out of the skins folder.
    const bool plain = !Skin.empty() && Skin != "." && Skin != ".." && Skin.find('/') == std::string::npos;
    return SkinsDir + (plain ? Skin : std::string("Default")) + "/";
}

std::string SkinFile(const std::string& name) {
    const std::string default_dir = WithTrailingSlash(ResourcesDir()) + "Skins/Default/";
    if (!App) return default_dir + name;
    const std::string own = App->GetSkinPath() + name;
    std::error_code error;
    if (std::filesystem::is_regular_file(own, error)) return own;
    return App->DefaultSkinDir + name;
}

void TCVApp::SaveActiveTasks() const {
    ForceFolder(TasksDir);
    SaveTextFile(TasksDir + kActiveTasksFile, ActiveTasks.Text());
}

void TCVApp::UpdateActiveTasks(const std::vector<std::string>& task_files, bool listed) {
    ForceFolder(TasksDir);
    const std::string path = TasksDir + kActiveTasksFile;
    TFileLock lock;
    if (!lock.Lock(TasksDir + kActiveTasksLock, true))
        throw std::runtime_error("Cannot lock the active-task list in \"" + TasksDir + "\": " + std::strerror(errno));
    TStringList list;
    list.SetCaseSensitive(true);
    if (std::filesystem::exists(path)) list.SetText(LoadTextFile(path));
    for (int i = list.Count() - 1; i >= 0; --i)
        if (list[i].empty()) list.Delete(i);
    bool changed = false;
    for (const std::string& file : task_files) {
        const int index = list.IndexOf(file);
        if (listed && index < 0) list.Add(file);
        else if (!listed && index >= 0) list.Delete(index);
        else continue;
        changed = true;
    }
    if (changed) SaveTextFile(path, list.Text());
    ActiveTasks.Assign(list);
}

std::shared_ptr<TCVTask> TCVApp::NextDueTask(const std::function<bool(const std::string&)>& held) {
    const TDateTime now = Now();
    std::vector<std::string> dropped;
    std::shared_ptr<TCVTask> due;
    for (int i = 0; i < ActiveTasks.Count() && !due;) {
        const std::string path = ActiveTasks[i];
        if (!std::filesystem::is_regular_file(path)) {
            // A task file deleted behind our back would otherwise load as an always-due empty task.
            ActiveTasks.Delete(i);
            dropped.push_back(path);
            continue;
        }
        // Another process runs it (not ours to start), or the runner holds it back.
        if (TaskLockedElsewhere(path) || (held && held(path))) {
            ++i;
            continue;
        }
        auto task = LoadTask(path);
        // A task file without a start URL is never run: it would stay due and hold up the others.
        if ((task->Status == tsScheduled || task->Status == tsDownloading) && task->NextRun <= now &&
            !task->URL.empty())
            due = task;
        ++i;
    }
    if (!dropped.empty()) {
        try {
            UpdateActiveTasks(dropped, false);
        } catch (const std::exception&) {
            // The list is fixed in memory; the next task save writes it again.
        }
    }
    return due;
}

std::shared_ptr<TCVTask> TCVApp::GetCurrentTask() const {
    std::lock_guard guard(current_lock_);
    return current_task_;
}

void TCVApp::SetCurrentTask(std::shared_ptr<TCVTask> task) {
    std::shared_ptr<TCVTask> previous;  // released after the lock, when no worker holds it any more
    {
        std::lock_guard guard(current_lock_);
        if (current_task_ != task) previous = std::exchange(current_task_, task);
    }
    // The status view rebinds to the task and the explorer refreshes its list.
    Host().CurrentTaskChanged(task);
}

void CreateApp() {
    DisplayFormats().ShortDateFormat = "MM/d/yy";
    App = std::make_unique<TCVApp>();
}

void ReleaseApp() { App.reset(); }

}  // namespace corvane
