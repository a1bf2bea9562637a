// The task file (".cvt"): sections "Task", "URLs" and "Profile", and the active-task list.

#include <charconv>
#include <filesystem>

#include "engine/support/file_routines.h"
#include "engine/model/settings.h"
#include "engine/model/task.h"
#include "platform/inifile/ini_file.h"
#include "platform/rtl/date_time.h"

namespace corvane {

namespace {

constexpr const char* kTask = "Task";
constexpr const char* kURLs = "URLs";

// Run times are written in the fixed format whatever the display formats say: a locale must never
// make them unreadable (every task would fall due at once).
std::string DateText(TDateTime value) { return value == 0 ? std::string() : FormatFixedDateTime(value); }

std::int64_t ReadInt64(const TIniFile& ini, const char* key) {
    const std::string text = ini.ReadString(kTask, key, "");
    std::int64_t value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size() ? value : 0;
}

void MakeFolderOf(const std::string& path) {
    const auto folder = std::filesystem::path(path).parent_path();
    if (!folder.empty()) std::filesystem::create_directories(folder);
}

}  // namespace

bool IsValidCategory(const std::string& category) {
    if (category.empty()) return true;
    for (std::size_t start = 0;;) {
        const std::size_t slash = category.find('/', start);
        if (!IsValidName(category.substr(start, slash == std::string::npos ? std::string::npos : slash - start)))
            return false;
        if (slash == std::string::npos) return true;
        start = slash + 1;
    }
}

std::string TaskFileName(const std::string& category, const std::string& name) {
    CheckName(name);
    if (category.empty()) return App->TasksDir + name + kTaskFileExt;
    if (!IsValidCategory(category)) throw EInvalidName("\"" + category + "\" cannot be used as a category");
    return App->TasksDir + category + "/" + name + kTaskFileExt;
}

void TCVTask::Load() {
    URLs.Clear();
    ExcludeURLs.Clear();
    IncludeURLs.Clear();
    Profile.FileTypes.Clear();
    Profile.URLFiltersExclude.Clear();
    Profile.URLFiltersInclude.Clear();

    const TIniFile ini(FileName);
    Name = ini.ReadString(kTask, "Task Name", FileNameNoExt(FileName));
    URL = ini.ReadString(kTask, "URL", "");
    StartPageTitle = ini.ReadString(kTask, "Start Page Title", "");
    Server = ini.ReadString(kTask, "Server", "");
    CanUpdate = ini.ReadBool(kTask, "Can Update", false);
    UserName = ini.ReadString(kTask, "User Name", "");
    Password = ini.ReadString(kTask, "Password", "");
    Comment = ini.ReadString(kTask, "Comment", "");
    Destination = ini.ReadString(kTask, "Destination", "");
    IntranetMode = ini.ReadBool(kTask, "Intranet Mode", false);
    Status = ini.ReadInteger(kTask, "Status", 0);
    Schedule = ini.ReadString(kTask, "Schedule", "");
    RunMethod = static_cast<TCVRunMethod>(ini.ReadInteger(kTask, "Run Method", 0));
    TCVTaskCounters c;
    c.TotalBytes = ReadInt64(ini, "Total Bytes");
    c.TotalPages = ini.ReadInteger(kTask, "Total Pages", 0);
    c.TotalResources = ini.ReadInteger(kTask, "Total Resources", 0);
    c.PagesSaved = ini.ReadInteger(kTask, "Pages Saved", 0);
    c.ResourcesSaved = ini.ReadInteger(kTask, "Resources Saved", 0);
    c.PageErrors = ini.ReadInteger(kTask, "Page Errors", 0);
    c.ResourceErrors = ini.ReadInteger(kTask, "Resource Errors", 0);
    SetCounters(c);
    Elapsed = ParseFixedDateTime(ini.ReadString(kTask, "Elapsed Time", ""));
    LastRun = ParseFixedDateTime(ini.ReadString(kTask, "Last Run", ""));
    NextRun = ParseFixedDateTime(ini.ReadString(kTask, "Next Run", ""));

    for (int i = 0;; ++i) {
        const std::string url = ini.ReadString(kURLs, "URL" + std::to_string(i), "");
        if (url.empty()) break;
        URLs.Add(url);
    }

    Profile.FileName = FileName;
    Profile.LoadFrom(ini);
}

void TCVTask::WriteFileFields(TIniFile& ini, bool with_progress) const {
    // Written afresh in a fixed order, so removed start URLs do not come back.
    ini.EraseSection(kTask);
    ini.EraseSection(kURLs);
    ini.EraseSection(kProfileSection);
    ini.WriteString(kTask, "Task Name", Name);
    ini.WriteString(kTask, "URL", URL);
    ini.WriteString(kTask, "Start Page Title", StartPageTitle);
    ini.WriteString(kTask, "Server", Server);
    ini.WriteBool(kTask, "Can Update", CanUpdate);
    ini.WriteString(kTask, "User Name", UserName);
    ini.WriteString(kTask, "Password", Password);
    ini.WriteString(kTask, "Comment", Comment);
    ini.WriteString(kTask, "Destination", Destination);
    ini.WriteBool(kTask, "Intranet Mode", IntranetMode);
    ini.WriteInteger(kTask, "Status", Status);
    ini.WriteString(kTask, "Schedule", Schedule);
    ini.WriteInteger(kTask, "Run Method", RunMethod);
    if (with_progress) {
        const TCVTaskCounters c = Counters();
        ini.WriteString(kTask, "Total Bytes", std::to_string(c.TotalBytes));
        ini.WriteInteger(kTask, "Total Pages", c.TotalPages);
        ini.WriteInteger(kTask, "Total Resources", c.TotalResources);
        ini.WriteInteger(kTask, "Pages Saved", c.PagesSaved);
        ini.WriteInteger(kTask, "Resources Saved", c.ResourcesSaved);
        ini.WriteInteger(kTask, "Page Errors", c.PageErrors);
        ini.WriteInteger(kTask, "Resource Errors", c.ResourceErrors);
        ini.WriteString(kTask, "Elapsed Time", DateText(Elapsed));
    }
    ini.WriteString(kTask, "Last Run", DateText(LastRun));
    ini.WriteString(kTask, "Next Run", DateText(NextRun));
    for (int i = 0; i < URLs.Count(); ++i) ini.WriteString(kURLs, "URL" + std::to_string(i), URLs[i]);
    Profile.SaveTo(ini);
}

std::string TCVTask::FileFieldsKey() const {
    // Built in a scratch file object that never reaches the disk (its update is never ended).
    TIniFile scratch("");
    scratch.BeginUpdate();
    WriteFileFields(scratch, false);
    TStringList sections, lines;
    scratch.ReadSections(sections);
    std::string key = FileName;
    for (int s = 0; s < sections.Count(); ++s) {
        key += "\n[" + sections[s] + "]";
        scratch.ReadSectionValues(sections[s], lines);
        for (int i = 0; i < lines.Count(); ++i) key += "\n" + lines[i];
    }
    return key;
}

void TCVTask::Save() {
    MakeFolderOf(FileName);
    Profile.FileName = FileName;
    {
        TIniFile ini(FileName);
        ini.BeginUpdate();
        WriteFileFields(ini, true);
        ini.EndUpdate();
    }
    saved_fields_ = FileFieldsKey();

    // The task is in the active-task list exactly while its saved status is Scheduled or Downloading.
    // The list on disk decides: another process may have changed it since this one read it.
    App->UpdateActiveTasks({FileName}, Status == tsScheduled || Status == tsDownloading);

    if (OnSaved) OnSaved(*this);
}

void TCVTask::WriteFileTo(const std::string& path) const {
    TIniFile ini(path);
    ini.BeginUpdate();
    WriteFileFields(ini, true);
    ini.EndUpdate();
}

std::shared_ptr<TCVTask> LoadTask(const std::string& path) {
    auto task = std::make_shared<TCVTask>();
    task->FileName = path;
    task->Load();
    return task;
}

}  // namespace corvane
