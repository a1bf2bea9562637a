#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "engine/run/engine_host.h"
#include "engine/model/registry_routines.h"
#include "engine/model/settings.h"
#include "engine/support/system_info.h"
#include "engine/model/task.h"
#include "task_fixture.h"

namespace corvane {
namespace {

using Settings = testing::FreshHome;

std::string StoredString(const char* name) { return RegRead<std::string>(kSettingsKey, name, "<missing>"); }
int StoredInt(const char* name) { return RegRead<std::int32_t>(kSettingsKey, name, -12345); }

// A fresh hive: the folders follow the home, and only what a getter creates is stored.
TEST_F(Settings, FreshHiveDerivesItsFoldersAndStoresOnlyWhatItCreates) {
    EXPECT_EQ(App->TasksDir, home_ + "Tasks/");
    EXPECT_EQ(App->ProfilesDir, home_ + "Profiles/");
    EXPECT_TRUE(App->DefaultSkinDir.ends_with("/Skins/Default/"));
    EXPECT_EQ(App->GetSkinPath(), App->DefaultSkinDir);
    // Reading wrote nothing.
    EXPECT_EQ(StoredString("Downloads Folder"), "<missing>");

    // The getters complete the folders, create them and store them.
    EXPECT_EQ(App->GetDownloadsFolder(), home_ + "Downloads/");
    EXPECT_EQ(App->GetIntranetFolder(), home_ + "My Intranet/");
    EXPECT_TRUE(std::filesystem::is_directory(home_ + "Downloads"));
    EXPECT_TRUE(std::filesystem::is_directory(home_ + "My Intranet"));
    EXPECT_EQ(StoredString("Downloads Folder"), home_ + "Downloads/");
    EXPECT_EQ(StoredString("Local Intranet Folder"), home_ + "My Intranet/");
}

TEST_F(Settings, SettersWriteAtOnceAndReadBack) {
    App->SetShowSummary(false);
    App->SetMaxURLHistory(7);
    App->SetLanguage("Deutsch");
    App->SetSaveMode(1);
    App->SetDownloadsFolder(home_ + "dl");
    RestartApp();
    EXPECT_FALSE(App->ShowSummary);
    EXPECT_EQ(App->MaxURLHistory, 7);
    EXPECT_EQ(App->Language, "Deutsch");
    EXPECT_EQ(App->GetSaveMode(), 1);
    EXPECT_EQ(App->GetDownloadsFolder(), home_ + "dl/");
}

TEST_F(Settings, ConnectionsAndPriorityStayInRange) {
    App->SetConnections(0);
    EXPECT_EQ(App->Connections, 1);
    EXPECT_EQ(StoredInt("Connections"), 1);
    App->SetConnections(1000);
    EXPECT_EQ(App->Connections, 16);
    App->SetPriority(-3);
    EXPECT_EQ(App->Priority, 0);
    App->SetPriority(11);
    EXPECT_EQ(App->Priority, 10);

    // Out-of-range values stored by hand are clamped when read.
    RegWriteValue(kSettingsKey, "Connections", std::int32_t{0});
    RegWriteValue(kSettingsKey, "Priority", std::int32_t{99});
    RestartApp();
    EXPECT_EQ(App->Connections, 1);
    EXPECT_EQ(App->Priority, 10);
    RegWriteValue(kSettingsKey, "Connections", std::int32_t{1000});
    RestartApp();
    EXPECT_EQ(App->Connections, 16);
}

TEST_F(Settings, PriorityRestartsTheCurrentTasksBalance) {
    auto task = std::make_shared<TCVTask>();
    task->PagesPicked = 4;
    task->ResourcesPicked = 9;
    App->SetCurrentTask(task);
    App->SetPriority(3);
    EXPECT_EQ(task->PagesPicked, 0);
    EXPECT_EQ(task->ResourcesPicked, 0);
}

TEST_F(Settings, UserAgentTable) {
    EXPECT_EQ(MapUserAgent(""), ProductUserAgent());
    EXPECT_EQ(MapUserAgent("Corvane"), ProductUserAgent());
    EXPECT_EQ(MapUserAgent("Internet Explorer 4.01"), "Mozilla/4.0 (compatible; MSIE 4.01; Windows 95)");
    EXPECT_EQ(MapUserAgent("Netscape Navigator 4.05"), "Mozilla/4.05 [en] (Win95; I)");
    EXPECT_EQ(MapUserAgent("Anonymous"), "");
    EXPECT_EQ(MapUserAgent("MyBot/1.0"), "MyBot/1.0");

    App->SetUserAgent("Anonymous");
    EXPECT_EQ(App->UserAgent, "");
    EXPECT_EQ(StoredString("User Agent"), "Anonymous");
    RestartApp();
    EXPECT_EQ(App->UserAgent, "");
}

TEST_F(Settings, LastCategoryEmptyIsGeneralButStoredEmpty) {
    App->SetLastCategory("");
    EXPECT_EQ(App->LastCategory, "General");
    EXPECT_EQ(StoredString("Last Category"), "");
    RestartApp();
    EXPECT_EQ(App->LastCategory, "");  // the task tree's own folder
    EXPECT_EQ(App->GetLastCategory(), "");
    App->SetLastCategory("Work/News");
    EXPECT_EQ(App->GetLastCategory(), "Work/News");
    App->SetLastTask("Site");
    EXPECT_EQ(App->LastTask, "Site");
}

TEST_F(Settings, TempFolderAlwaysEndsInTheProductFolder) {
    App->SetTempFolder("/data/capture");
    EXPECT_EQ(App->TempFolder, "/data/capture/Corvane/");
    EXPECT_EQ(StoredString("Temp Folder"), "/data/capture/Corvane/");
    App->SetTempFolder("/data/Corvane");
    EXPECT_EQ(App->TempFolder, "/data/Corvane/");
    App->SetTempFolder("/data/corvane/");
    EXPECT_EQ(App->TempFolder, "/data/corvane/");
    // The product name somewhere else in the path is not enough: the exit clean-up deletes this.
    App->SetTempFolder("/home/corvane/work");
    EXPECT_EQ(App->TempFolder, "/home/corvane/work/Corvane/");
    App->SetTempFolder("/x/CorvaneStuff");
    EXPECT_EQ(App->TempFolder, "/x/CorvaneStuff/Corvane/");
    App->SetTempFolder("");
    EXPECT_EQ(App->TempFolder, "/x/CorvaneStuff/Corvane/");
}

TEST_F(Settings, DefaultTempFolderIsMadeAndMarked) {
    const std::string temp = App->GetTempFolder();
    EXPECT_EQ(temp, home_ + "temp/Corvane/");
    EXPECT_TRUE(std::filesystem::exists(temp + kTempFolderMarker));
    EXPECT_EQ(StoredString("Temp Folder"), "<missing>");  // the default is not stored
}

TEST_F(Settings, PerUserTempFolderIsPrivate) {
    const std::string tmp = home_ + "tmp/";
    std::filesystem::create_directories(tmp);
    ::unsetenv("CORVANE_HOME");
    const char* old_tmpdir = std::getenv("TMPDIR");
    const std::string saved_tmpdir = old_tmpdir ? old_tmpdir : "";
    ::setenv("TMPDIR", tmp.c_str(), 1);

    const std::string base = tmp + "corvane-" + std::to_string(::geteuid());
    EXPECT_EQ(DefaultTempFolder(), base + "/Corvane/");
    struct stat st {};
    ASSERT_EQ(::lstat(base.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    // A symlink planted in its place is refused.
    std::filesystem::remove_all(base);
    std::filesystem::create_directories(home_ + "elsewhere");
    std::filesystem::create_directory_symlink(home_ + "elsewhere", base);
    EXPECT_THROW(DefaultTempFolder(), std::runtime_error);

    if (saved_tmpdir.empty())
        ::unsetenv("TMPDIR");
    else
        ::setenv("TMPDIR", saved_tmpdir.c_str(), 1);
    ::setenv("CORVANE_HOME", home_.c_str(), 1);
}

TEST_F(Settings, ColorsFollowTheScreenDepthOnFirstUse) {
    SetScreenDepthHook([] { return 8; });
    EXPECT_EQ(App->Colors()[0], 0x005f4000u);
    SetScreenDepthHook([] { return 24; });
    EXPECT_EQ(App->Colors()[0], 0x005f4000u);  // computed once
    RestartApp();
    EXPECT_EQ(App->Colors()[1], 0x00996633u);
    EXPECT_EQ(App->Colors()[3], 0x00BDCFCEu);
    SetScreenDepthHook({});
}

TEST_F(Settings, CurrentTaskIsSharedNotOwned) {
    struct Recorder : EngineHost {
        std::vector<TCVTask*> changed;
        void CurrentTaskChanged(const std::shared_ptr<TCVTask>& task) override { changed.push_back(task.get()); }
    };
    Recorder recorder;
    Recorder* const host = &recorder;
    SetEngineHost(host);
    auto first = std::make_shared<TCVTask>();
    TCVTask* const first_raw = first.get();
    std::weak_ptr<TCVTask> watch = first;
    App->SetCurrentTask(first);
    App->SetCurrentTask(first);  // the same task again releases nothing
    first.reset();
    EXPECT_FALSE(watch.expired());

    auto held_by_worker = App->GetCurrentTask();
    App->SetCurrentTask(std::make_shared<TCVTask>());
    EXPECT_FALSE(watch.expired());  // a worker still holds it
    held_by_worker.reset();
    EXPECT_TRUE(watch.expired());
    // The views follow every change.
    ASSERT_EQ(host->changed.size(), 3u);
    EXPECT_EQ(host->changed[0], first_raw);
    EXPECT_EQ(host->changed[2], App->GetCurrentTask().get());
    SetEngineHost(nullptr);
}

}  // namespace
}  // namespace corvane
